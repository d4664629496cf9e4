#!/usr/bin/env bash
# Installs and uninstalls the x64 setup program silently under Wine and checks what a parent
# relies on: the program files, a library the parent put in the folder first, the autostart entry,
# the lock-down lifted by the uninstaller, and the usage records kept or removed on request.
# Usage: install-test.sh WINE_RUN SETUP_EXE ZIP HOLD_FILE_EXE
set -euo pipefail
winerun=$1 setup=$(realpath "$2") zip=$(realpath "$3") holdfile=$(realpath "$4")
source "$(dirname "$winerun")/wine-env.sh"

run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tembrel'
system_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\System'
explorer_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer'
# A second account logged on now (its registry is loaded) and a third one logged off.
profiles_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList'
child_sid=S-1-5-21-9-9-9-1001 offline_sid=S-1-5-21-9-9-9-1002
child_key="HKU\\$child_sid\Software\Microsoft\Windows\CurrentVersion\Policies\System"
offline_profile="$WINEPREFIX/drive_c/users/tembrel-offline-child"
system_values=(DisableTaskMgr DisableLockWorkstation DisableChangePassword HideFastUserSwitching)
default_dir="$WINEPREFIX/drive_c/Program Files/Tembrel"
custom_dir="$WINEPREFIX/drive_c/TembrelTest"
pending_key='HKLM\System\CurrentControlSet\Control\Session Manager'
held="$WINEPREFIX/drive_c/tembrel-test-held" release="$WINEPREFIX/drive_c/tembrel-test-release"
work=$(mktemp -d)

wr() { "$winerun" "$@" </dev/null; }
has_value() { wr reg query "$1" /v "$2" >/dev/null 2>&1; }
has_key() { wr reg query "$1" >/dev/null 2>&1; }
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    "$@" || fail "$what"
    echo "ok: $what"
}
not() { ! "$@"; }
same() { cmp -s "$1" "$2"; }

# A Run entry left behind would start the timer whenever this prefix's Wine starts.
cleanup() {
    wr reg delete "$run_key" /v Tembrel /f >/dev/null 2>&1 || true
    wr reg delete "$uninst_key" /f >/dev/null 2>&1 || true
    wr reg delete "$system_key" /v KeepMe /f >/dev/null 2>&1 || true
    for value in "${system_values[@]}"; do
        wr reg delete "$system_key" /v "$value" /f >/dev/null 2>&1 || true
    done
    wr reg delete "$explorer_key" /v NoLogoff /f >/dev/null 2>&1 || true
    for sid in "$child_sid" "$offline_sid"; do
        wr reg delete "HKU\\$sid" /f >/dev/null 2>&1 || true
        wr reg delete "$profiles_key\\$sid" /f >/dev/null 2>&1 || true
    done
    touch "$release"
    wr reg delete "$pending_key" /v PendingFileRenameOperations /f >/dev/null 2>&1 || true
    rm -rf "$default_dir" "$custom_dir" "$offline_profile"
}
trap 'cleanup; rm -rf "$work" "$held" "$release"' EXIT
cleanup
rm -f "$held" "$release"

lock_down() { # what the stand-in library leaves in the account, plus a value of someone else's
    for value in "${system_values[@]}"; do
        wr reg add "$system_key" /v "$value" /t REG_DWORD /d 1 /f >/dev/null
    done
    wr reg add "$explorer_key" /v NoLogoff /t REG_DWORD /d 1 /f >/dev/null
    wr reg add "$system_key" /v KeepMe /t REG_DWORD /d 1 /f >/dev/null
    wr reg add "$child_key" /v DisableTaskMgr /t REG_DWORD /d 1 /f >/dev/null
}
lock_down_lifted() {
    for value in "${system_values[@]}"; do
        not has_value "$system_key" "$value" || return 1
    done
    not has_value "$explorer_key" NoLogoff && not has_value "$child_key" DisableTaskMgr
}

wr reg add "$profiles_key\\$child_sid" /v ProfileImagePath /t REG_EXPAND_SZ \
    /d 'C:\users\tembrel-child' /f >/dev/null
# This account's registry file cannot be loaded (Wine cannot load hives with reg.exe): the
# uninstaller must pass it by and go on.
mkdir -p "$offline_profile"
echo "not a registry file" >"$offline_profile/NTUSER.DAT"
wr reg add "$profiles_key\\$offline_sid" /v ProfileImagePath /t REG_EXPAND_SZ \
    /d '%SystemDrive%\users\tembrel-offline-child' /f >/dev/null

cmake -E chdir "$work" cmake -E tar xf "$zip"
shipped=$(echo "$work"/Tembrel-*)

echo "== default folder, the parent's own library already there, silent uninstall keeps records"
mkdir -p "$default_dir"
echo "the parent's library" >"$default_dir/WinLockDll.dll"
cp "$default_dir/WinLockDll.dll" "$work/parents.dll"
check "no Run entry before install" not has_value "$run_key" Tembrel
check "silent install succeeds" wr "$setup" /S
for file in Tembrel.exe engine.exe; do
    check "$file installed as shipped" same "$shipped/$file" "$default_dir/$file"
done
check "uninstaller installed" test -f "$default_dir/Uninstall.exe"
check "the parent's WinLockDll.dll is not overwritten" same "$work/parents.dll" "$default_dir/WinLockDll.dll"
check "Run entry starts the installed program" \
    bash -c "'$winerun' reg query '$run_key' /v Tembrel </dev/null | grep -qF '\"C:\\Program Files\\Tembrel\\Tembrel.exe\"'"
check "listed in the installed programs" has_value "$uninst_key" UninstallString
check "the parent's library is not marked as ours" not has_value "$uninst_key" StandInLibrarySize

printf '|||used|||60\r\n' >"$default_dir/Anna.var"
printf '|||weektotal|||60\r\n' >"$default_dir/492026Anna.var"
echo "log" >"$default_dir/Tembrel.log"
lock_down
check "lock-down values present before uninstall" has_value "$system_key" DisableTaskMgr
# The uninstaller copies itself away and returns at once; it is done when its entry is gone.
check "silent uninstall starts" wr "$default_dir/Uninstall.exe" /S
for _ in $(seq 1 240); do
    has_key "$uninst_key" || break
    sleep 0.5
done
check "uninstall finished" not has_key "$uninst_key"
check "Run entry removed" not has_value "$run_key" Tembrel
check "lock-down lifted" lock_down_lifted
check "other policy values untouched" has_value "$system_key" KeepMe
check "no account's registry left loaded" not has_key 'HKU\Tembrel-Uninstall'
for file in Tembrel.exe engine.exe Uninstall.exe Tembrel.log; do
    check "$file removed" not test -e "$default_dir/$file"
done
check "the parent's library stays" same "$work/parents.dll" "$default_dir/WinLockDll.dll"
check "usage records kept" test -f "$default_dir/Anna.var" -a -f "$default_dir/492026Anna.var"

echo "== own folder, our stand-in library, silent uninstall with /REMOVERECORDS"
check "silent install into C:\\TembrelTest" wr "$setup" /S '/D=C:\TembrelTest'
check "stand-in WinLockDll.dll installed" same "$shipped/WinLockDll.dll" "$custom_dir/WinLockDll.dll"
check "stand-in library marked as ours" has_value "$uninst_key" StandInLibrarySize
# An older stand-in of ours (same size, other bytes) is updated.
printf 'older' | dd of="$custom_dir/WinLockDll.dll" bs=1 seek=1024 conv=notrunc status=none
check "setup runs again over the install" wr "$setup" /S '/D=C:\TembrelTest'
check "our stand-in library is updated" same "$shipped/WinLockDll.dll" "$custom_dir/WinLockDll.dll"
check "Run entry follows the folder" \
    bash -c "'$winerun' reg query '$run_key' /v Tembrel </dev/null | grep -qF '\"C:\\TembrelTest\\Tembrel.exe\"'"
printf '|||used|||60\r\n' >"$custom_dir/Anna.var"
lock_down
# Run in place (_?=) so that this call returns only when the uninstaller is done.
check "silent uninstall with /REMOVERECORDS" wr "$custom_dir/Uninstall.exe" /S /REMOVERECORDS '_?=C:\TembrelTest'
check "Run entry removed" not has_value "$run_key" Tembrel
check "lock-down lifted" lock_down_lifted
for file in Tembrel.exe engine.exe WinLockDll.dll Anna.var; do
    check "$file removed" not test -e "$custom_dir/$file"
done

echo "== the parent replaces our stand-in library with the real one after installing"
check "silent install" wr "$setup" /S '/D=C:\TembrelTest'
cp "$work/parents.dll" "$custom_dir/WinLockDll.dll"
check "setup runs again over the install" wr "$setup" /S '/D=C:\TembrelTest'
check "the parent's library is not overwritten" same "$work/parents.dll" "$custom_dir/WinLockDll.dll"
check "silent uninstall" wr "$custom_dir/Uninstall.exe" /S '_?=C:\TembrelTest'
check "the parent's library stays" same "$work/parents.dll" "$custom_dir/WinLockDll.dll"
check "Tembrel.exe removed" not test -e "$custom_dir/Tembrel.exe"

echo "== the timer and the lock screen are running in other sessions during an update"
rm -rf "$custom_dir" # the parent's library of the last case
check "silent install" wr "$setup" /S '/D=C:\TembrelTest'
"$winerun" "$holdfile" 'C:\tembrel-test-held' 'C:\tembrel-test-release' 'C:\TembrelTest\Tembrel.exe' \
    'C:\TembrelTest\engine.exe' 'C:\TembrelTest\WinLockDll.dll' </dev/null &
holder=$!
for _ in $(seq 1 240); do
    [[ -e "$held" ]] && break
    sleep 0.5
done
check "program files held open" test -e "$held"
pending() { wr reg query "$pending_key" /v PendingFileRenameOperations 2>/dev/null | grep -qiF "$1"; }
check "setup runs again while they are in use" wr "$setup" /S '/D=C:\TembrelTest'
for file in Tembrel.exe engine.exe WinLockDll.dll; do
    check "the new $file waits beside the old one" same "$shipped/$file" "$custom_dir/$file.new"
    check "it replaces $file at the next restart" pending "TembrelTest\\$file.new"
done
check "the stand-in library stays ours" has_value "$uninst_key" StandInLibrarySize
check "silent uninstall while they are in use" wr "$custom_dir/Uninstall.exe" /S '_?=C:\TembrelTest'
for file in Tembrel.exe engine.exe WinLockDll.dll; do
    check "the waiting $file.new removed" not test -e "$custom_dir/$file.new"
done
check "Run entry removed" not has_value "$run_key" Tembrel
touch "$release"
wait "$holder"

echo "== a folder shared with others is refused"
set +e
wr "$setup" /S '/D=C:\windows'
rc=$?
set -e
check "install into the Windows folder refused" test "$rc" -eq 2
check "no Run entry after the refusal" not has_value "$run_key" Tembrel
