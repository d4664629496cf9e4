#!/usr/bin/env bash
# Installs and uninstalls the x64 setup program silently under Wine and checks what a parent
# relies on: the program files, a library the parent put in the folder first, files a child
# planted where the setup writes, the rights of the installed files as far as Wine shows them, the
# autostart entry, the lock-down set in every account by the setup and lifted by the uninstaller,
# the shortcut to the usage report, and the usage records kept or removed on request.
# Usage: install-test.sh WINE_RUN SETUP_EXE ZIP HOLD_FILE_EXE SHOW_SECURITY_EXE [PLANTED_DLL]
set -euo pipefail
winerun=$1 setup=$(realpath "$2") zip=$(realpath "$3") holdfile=$(realpath "$4")
showsecurity=$(realpath "$5") planted_dll=${6:+$(realpath "$6")}
here=$(cd "$(dirname "$0")" && pwd)
source "$(dirname "$winerun")/wine-env.sh"

run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tembrel'
system_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\System'
explorer_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer'
# A second account logged on now (its registry is loaded), a third one logged off, and the
# default profile new accounts are made from (Wine has none of its own).
profiles_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\ProfileList'
child_sid=S-1-5-21-9-9-9-1001 offline_sid=S-1-5-21-9-9-9-1002
child_key="HKU\\$child_sid\Software\Microsoft\Windows\CurrentVersion\Policies\System"
child_explorer_key="HKU\\$child_sid\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer"
offline_profile="$WINEPREFIX/drive_c/users/tembrel-offline-child"
default_profile="$WINEPREFIX/drive_c/users/Default"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tembrel usage report.lnk"
system_values=(DisableTaskMgr DisableLockWorkstation DisableChangePassword HideFastUserSwitching)
default_dir="$WINEPREFIX/drive_c/Program Files/Tembrel"
custom_dir="$WINEPREFIX/drive_c/TembrelTest"
pending_key='HKLM\System\CurrentControlSet\Control\Session Manager'
held="$WINEPREFIX/drive_c/tembrel-test-held" release="$WINEPREFIX/drive_c/tembrel-test-release"
work=$(mktemp -d)

wr() { "$winerun" "$@" </dev/null; }
has_value() { wr reg query "$1" /v "$2" >/dev/null 2>&1; }
has_key() { wr reg query "$1" >/dev/null 2>&1; }
# Holds the given Windows paths open in the background (its process id in $holder) until the
# release file appears, and waits until they are held.
hold_open() {
    "$winerun" "$holdfile" 'C:\tembrel-test-held' 'C:\tembrel-test-release' "$@" </dev/null &
    holder=$!
    for _ in $(seq 1 240); do
        [[ -e "$held" ]] && break
        sleep 0.5
    done
}
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
    rm -rf "$default_dir" "$custom_dir" "$offline_profile" "$default_profile" "$shortcut"
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
        not has_value "$child_key" "$value" || return 1
    done
    not has_value "$explorer_key" NoLogoff && not has_value "$child_explorer_key" NoLogoff
}
is_one() { wr reg query "$1" /v "$2" 2>/dev/null | grep -q "REG_DWORD *0x1\b"; }
locked_down_by_setup() { # every value, in this account and in the one logged on beside it
    for value in "${system_values[@]}"; do
        is_one "$system_key" "$value" && is_one "$child_key" "$value" || return 1
    done
    is_one "$explorer_key" NoLogoff && is_one "$child_explorer_key" NoLogoff
}
# The shortcut names the report page of the folder (a .lnk keeps the target's path as text).
shortcut_to() { grep -qaF "$1" "$shortcut" || LC_ALL=C grep -qaP "$(sed 's/./&\\x00/g' <<<"$1")" "$shortcut"; }
# Wine shows a file's rights through its Unix mode: an access list that grants Users, and nothing
# to Everyone, reads back without an entry for Everyone (WD), where a plain file has one.
no_rights_for_everyone() { ! "$winerun" "$showsecurity" "$1" </dev/null | grep -q ';WD)'; }

wr reg add "$profiles_key\\$child_sid" /v ProfileImagePath /t REG_EXPAND_SZ \
    /d 'C:\users\tembrel-child' /f >/dev/null
wr reg add "HKU\\$child_sid\Software" /f >/dev/null
# These registry files cannot be loaded (Wine cannot load hives with reg.exe): the setup and the
# uninstaller must pass them by and go on.
mkdir -p "$offline_profile" "$default_profile"
echo "not a registry file" >"$offline_profile/NTUSER.DAT"
echo "not a registry file" >"$default_profile/NTUSER.DAT"
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
check "uninstaller installed in a folder of its own" test -f "$default_dir/Uninstall/Uninstall.exe"
check "listed with that uninstaller" \
    bash -c "'$winerun' reg query '$uninst_key' /v UninstallString </dev/null | grep -qF 'Tembrel\\Uninstall\\Uninstall.exe'"
check "the parent's WinLockDll.dll is not overwritten" same "$work/parents.dll" "$default_dir/WinLockDll.dll"
check "Run entry starts the installed program" \
    bash -c "'$winerun' reg query '$run_key' /v Tembrel </dev/null | grep -qF '\"C:\\Program Files\\Tembrel\\Tembrel.exe\"'"
check "listed in the installed programs" has_value "$uninst_key" UninstallString
check "the parent's library is not marked as ours" not has_value "$uninst_key" StandInLibrarySize
check "lock-down set in every account before Tembrel has run" locked_down_by_setup
check "no account's registry left loaded" not has_key 'HKU\Tembrel-Offline'
check "Start-menu shortcut to the usage report" shortcut_to 'C:\Program Files\Tembrel\Tembrel usage.html'

# The guard started Tembrel in this folder, which would take the journal planted below for a
# damaged one and remove it: both stop before the records of earlier sessions are laid out.
check "the guard service stops" wr sc stop TembrelGuard
wr taskkill /f /im Tembrel.exe >/dev/null 2>&1 || true
for _ in $(seq 1 50); do
    wr sc query TembrelGuard 2>/dev/null | grep -q STOPPED && break
    sleep 0.2
done
printf '|||used|||60\r\n' >"$default_dir/Anna.var"
printf '|||weektotal|||60\r\n' >"$default_dir/492026Anna.var"
usage_files=("Tembrel usage.csv" "Tembrel usage.html" Tembrel.journal)
for file in "${usage_files[@]}"; do
    echo "usage" >"$default_dir/$file"
done
echo "log" >"$default_dir/Tembrel.log"
lock_down
check "lock-down values present before uninstall" has_value "$system_key" DisableTaskMgr
# The uninstaller copies itself into the account's own TEMP folder, runs from there and returns
# at once; it is done when its entry is gone.
temp_copies=("$WINEPREFIX"/drive_c/users/*/Temp/~nsu*.tmp)
rm -rf "${temp_copies[@]}"
check "silent uninstall starts" wr "$default_dir/Uninstall/Uninstall.exe" /S
for _ in $(seq 1 240); do
    has_key "$uninst_key" || break
    sleep 0.5
done
check "uninstall finished" not has_key "$uninst_key"
check "it ran from a copy in the account's TEMP folder" \
    compgen -G "$WINEPREFIX/drive_c/users/*/Temp/~nsu*.tmp" >/dev/null
check "Run entry removed" not has_value "$run_key" Tembrel
check "lock-down lifted" lock_down_lifted
check "other policy values untouched" has_value "$system_key" KeepMe
check "no account's registry left loaded" not has_key 'HKU\Tembrel-Offline'
check "Start-menu shortcut removed" not test -e "$shortcut"
for file in Tembrel.exe engine.exe Uninstall Guard Tembrel.log; do
    check "$file removed" not test -e "$default_dir/$file"
done
check "the guard service removed" not wr sc query TembrelGuard
check "the parent's library stays" same "$work/parents.dll" "$default_dir/WinLockDll.dll"
check "usage records kept" test -f "$default_dir/Anna.var" -a -f "$default_dir/492026Anna.var"
for file in "${usage_files[@]}"; do
    check "$file kept" test -f "$default_dir/$file"
done

echo "== a child's files where the setup writes: it stops while one cannot go, then replaces them"
mkdir -p "$custom_dir/engine.exe.new"
for file in Tembrel.exe Tembrel.exe.new WinLockDll.dll.new Uninstall.exe; do
    echo "a child's program" >"$custom_dir/$file"
done
mkdir -p "$custom_dir/Uninstall"
echo "a child's program" >"$custom_dir/Uninstall/Uninstall.exe"
chmod a-w "$custom_dir/WinLockDll.dll.new" # read-only, as Wine shows the attribute
cp "$custom_dir/Tembrel.exe" "$work/childs.exe"
hold_open 'C:\TembrelTest\Tembrel.exe.new'
check "the planted Tembrel.exe.new held open" test -e "$held"
set +e
wr "$setup" /S '/D=C:\TembrelTest'
rc=$?
set -e
check "the setup stops while it cannot remove it" test "$rc" -eq 4
check "nothing written: the planted Tembrel.exe is still there" same "$work/childs.exe" "$custom_dir/Tembrel.exe"
check "no Run entry after the stop" not has_value "$run_key" Tembrel
touch "$release"
wait "$holder"
rm -f "$held" "$release"
check "silent install over the planted files" wr "$setup" /S '/D=C:\TembrelTest'
for file in Tembrel.exe.new engine.exe.new WinLockDll.dll.new; do
    check "the planted $file removed" not test -e "$custom_dir/$file"
done
for file in Tembrel.exe engine.exe WinLockDll.dll; do
    check "$file installed as shipped" same "$shipped/$file" "$custom_dir/$file"
done
check "the planted Uninstall.exe removed" not test -e "$custom_dir/Uninstall.exe"
check "the planted Uninstall\\Uninstall.exe replaced" \
    not same "$work/childs.exe" "$custom_dir/Uninstall/Uninstall.exe"
echo "a child's record" >"$custom_dir/Anna.var"
check "a file the setup did not protect shows rights for Everyone" \
    not no_rights_for_everyone 'C:\TembrelTest\Anna.var'
for file in Tembrel.exe engine.exe WinLockDll.dll Uninstall Uninstall\\Uninstall.exe Guard \
    Guard\\TembrelGuard.exe; do
    check "$file gives Everyone nothing (Wine's view of its rights)" \
        no_rights_for_everyone "C:\\TembrelTest\\$file"
done
check "the folder gives Everyone nothing (Wine's view of its rights)" no_rights_for_everyone 'C:\TembrelTest'
check "the uninstaller searches DLLs in System32 only" \
    bash "$here/check-dll-search.sh" x86_64-w64-mingw32-objdump "$custom_dir/Uninstall/Uninstall.exe"
rm "$custom_dir/Anna.var"

if [[ -n "$planted_dll" ]]; then
    echo "== DLLs a child planted beside the setup and beside the uninstaller are not loaded"
    # Wine is told to prefer a native DLL of each name, so a planted one would be taken if the
    # search reached the folder. Left out as in the program's planted-DLL test: version and imm32,
    # which Wine's own user32 resolves from the program's folder before its first instruction.
    # Beside the setup, uxtheme is left out too: Wine's comctl32 loads it (by the plain search)
    # while it starts, before the setup's first instruction. That is why the uninstaller, which
    # runs as an administrator too, lives where no child can put a DLL beside it, and why parents
    # are told to run the setup from their own folder.
    names=(dwmapi windowscodecs propsys comctl32 winmm usp10 cryptbase profapi wtsapi32
        userenv oleacc dbghelp riched20 msftedit ntmarta secur32 sspicli winsta wldp
        textinputframework cryptsp bcrypt apphelp setupapi clbcatq shfolder)
    overrides="mscoree,mshtml=;$(
        IFS=,
        echo "${names[*]}"
    )=n,b"
    plant() {
        for name in "${names[@]}"; do
            cp "$planted_dll" "$1/$name.dll"
        done
    }
    markers() { find "$1" -name '*.loaded' -printf '%f '; }
    no_markers() { [[ -z "$(markers "$1")" ]] || { echo "loaded: $(markers "$1")" >&2 && false; }; }
    setup_folder=$work/downloads
    mkdir -p "$setup_folder"
    cp "$setup" "$setup_folder/"
    plant "$setup_folder"
    check "silent install from a folder with planted DLLs" \
        env WINEDLLOVERRIDES="$overrides" "$winerun" "$setup_folder/$(basename "$setup")" /S \
        '/D=C:\TembrelTest' </dev/null
    check "the setup loaded none of them" no_markers "$setup_folder"
    names+=(uxtheme)
    plant "$custom_dir"
    check "silent uninstall with DLLs planted in the program's folder starts" \
        env WINEDLLOVERRIDES="$overrides" "$winerun" "$custom_dir/Uninstall/Uninstall.exe" /S </dev/null
    for _ in $(seq 1 240); do
        has_key "$uninst_key" || break
        sleep 0.5
    done
    check "uninstall finished" not has_key "$uninst_key"
    check "the uninstaller loaded none of them" no_markers "$custom_dir"
    rm -rf "$custom_dir"
fi

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
leftovers=(Anna.var.12-1.tmp "Tembrel usage.html.12-2.tmp" Tembrel.journal.12-3.tmp)
for file in "${usage_files[@]}" "${leftovers[@]}"; do
    echo "usage" >"$custom_dir/$file"
done
lock_down
# The guard started Tembrel, and Tembrel the lock screen, which the uninstaller leaves to finish
# (it goes at the next restart): here it finishes first, as a child's login would end it. The
# Tembrel the setup's run restarted opens it only after its splash: wait for it to be there.
for _ in $(seq 1 50); do
    wr taskkill /f /im engine.exe >/dev/null 2>&1 && break
    sleep 0.2
done
# Run in place (_?=) so that this call returns only when the uninstaller is done.
check "silent uninstall with /REMOVERECORDS" wr "$custom_dir/Uninstall/Uninstall.exe" /S /REMOVERECORDS '_?=C:\TembrelTest\Uninstall'
check "Run entry removed" not has_value "$run_key" Tembrel
check "lock-down lifted" lock_down_lifted
check "Start-menu shortcut removed" not test -e "$shortcut"
for file in Tembrel.exe engine.exe WinLockDll.dll Anna.var "${usage_files[@]}" "${leftovers[@]}"; do
    check "$file removed" not test -e "$custom_dir/$file"
done

echo "== the parent replaces our stand-in library with the real one after installing"
check "silent install" wr "$setup" /S '/D=C:\TembrelTest'
cp "$work/parents.dll" "$custom_dir/WinLockDll.dll"
check "setup runs again over the install" wr "$setup" /S '/D=C:\TembrelTest'
check "the parent's library is not overwritten" same "$work/parents.dll" "$custom_dir/WinLockDll.dll"
check "silent uninstall" wr "$custom_dir/Uninstall/Uninstall.exe" /S '_?=C:\TembrelTest\Uninstall'
check "the parent's library stays" same "$work/parents.dll" "$custom_dir/WinLockDll.dll"
check "Tembrel.exe removed" not test -e "$custom_dir/Tembrel.exe"

echo "== the timer and the lock screen are running in other sessions during an update"
rm -rf "$custom_dir" # the parent's library of the last case
check "silent install" wr "$setup" /S '/D=C:\TembrelTest'
hold_open 'C:\TembrelTest\Tembrel.exe' 'C:\TembrelTest\engine.exe' 'C:\TembrelTest\WinLockDll.dll'
check "program files held open" test -e "$held"
pending() { wr reg query "$pending_key" /v PendingFileRenameOperations 2>/dev/null | grep -qiF "$1"; }
check "setup runs again while they are in use" wr "$setup" /S '/D=C:\TembrelTest'
for file in Tembrel.exe engine.exe WinLockDll.dll; do
    check "the new $file waits beside the old one" same "$shipped/$file" "$custom_dir/$file.new"
    check "it replaces $file at the next restart" pending "TembrelTest\\$file.new"
done
check "the stand-in library stays ours" has_value "$uninst_key" StandInLibrarySize
check "silent uninstall while they are in use" wr "$custom_dir/Uninstall/Uninstall.exe" /S '_?=C:\TembrelTest\Uninstall'
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
