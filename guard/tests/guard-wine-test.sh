#!/usr/bin/env bash
# The guard service with the real programs under Wine, installed by the real setup: it runs after a
# silent install and Tembrel is up within 3 s; a killed Tembrel is back within 3 s with the killed
# session on record; a hand-written quit signal is not honoured; a hung Tembrel is replaced after
# 30 s; the parents' close in Tembrel ends it for good; five ends in a row sign the user off; the
# lock screen's "Quit Tembrel" with a wrong master password ends nothing, with the right one it
# ends Tembrel for good; the parents' settings files are the guard's (a wrong master password
# changes nothing, a login's hours come from the record) and the setup's password verb sets a new
# master password; the uninstaller stops and removes the service. Wine lists no sessions (the guard
# takes the console session), runs every process as an administrator and enforces no access list
# (the lists are read back, not tried; a file's it does not even keep: those are seen in its trace)
# and stubs the account rights (the setup's requests are seen in Wine's trace).
# Usage: guard-wine-test.sh WINE_RUN SETUP_EXE TOOL_EXE
set -euo pipefail
winerun=$1 setup=$(realpath "$2") tool=$(realpath "$3")
source "$(dirname "$winerun")/wine-env.sh"

folder='C:\TembrelGuardTest'
dir="$WINEPREFIX/drive_c/TembrelGuardTest"
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
work=$(mktemp -d)

wr() { "$winerun" "$@" </dev/null; }
fail() {
    echo "FAIL: $*" >&2
    [[ -f "$dir/Tembrel.log" ]] && sed 's/^/  log: /' "$dir/Tembrel.log" >&2
    exit 1
}
source "$(dirname "$winerun")/checks.sh"
pid() { wr "$tool" pid "$folder" | tr -d '\r'; }
# Up to 20 s for Tembrel to end.
wait_ended() {
    for _ in $(seq 1 100); do
        [[ "$(pid)" == 0 ]] && return
        sleep 0.2
    done
}
# Waits up to $1 seconds for a Tembrel of the folder other than $2 (0: any); prints its id.
new_pid() {
    local limit=$1 old=$2 end p
    end=$(($(date +%s%N) + limit * 1000000000))
    while (($(date +%s%N) < end)); do
        p=$(pid)
        if [[ "$p" != 0 && "$p" != "$old" ]]; then
            echo "$p"
            return 0
        fi
        sleep 0.1
    done
    return 1
}
service_state() { wr sc query TembrelGuard 2>/dev/null | tr -d '\r' | sed -n 's/.*STATE *: *[0-9]* *//p'; }
log_has() { grep -qF "$1" "$dir/Tembrel.log"; }
uninstall() { wr "$dir/Uninstall/Uninstall.exe" /S '_?=C:\TembrelGuardTest\Uninstall'; }

cleanup() {
    if [[ -f "$dir/Uninstall/Uninstall.exe" ]]; then
        uninstall >/dev/null 2>&1 || true
    fi
    wr sc stop TembrelGuard >/dev/null 2>&1 || true
    wr sc delete TembrelGuard >/dev/null 2>&1 || true
    wr taskkill /f /im Tembrel.exe >/dev/null 2>&1 || true
    wr taskkill /f /im engine.exe >/dev/null 2>&1 || true
    wr reg delete "$run_key" /v Tembrel /f >/dev/null 2>&1 || true
    rm -rf "$dir" "$work"
}
trap cleanup EXIT
cleanup
work=$(mktemp -d)

echo "== silent install: the service runs and starts Tembrel"
# Wine's trace shows the account-rights calls it only pretends to make.
check "silent install" env WINEDEBUG=-all,fixme+all "$winerun" "$setup" /S "/D=$folder" \
    </dev/null 2>"$work/install.err"
installed=$(date +%s)
first=$(new_pid 3 0) || fail "no Tembrel within 3 s of the install"
echo "ok: Tembrel is up within 3 s (process $first)"
check "the service runs" test "$(service_state)" = RUNNING
# Wine's sc has no "qc": the service's key says how it starts (2: automatic) and as whom.
service_key='HKLM\System\CurrentControlSet\Services\TembrelGuard'
check "it starts automatically" bash -c "'$winerun' reg query '$service_key' /v Start </dev/null | grep -q 0x2"
check "as LocalSystem" bash -c "'$winerun' reg query '$service_key' /v ObjectName </dev/null | grep -q LocalSystem"
check "the setup took the time zone right from the Users group" \
    grep -q 'LsaRemoveAccountRights' "$work/install.err"
check "the guard's start is on record" log_has "Guard: session 1: Tembrel started at logon"
sid=$(wr "$tool" user-sid | tr -d '\r')
security=$(wr "$tool" process-security "$first" | tr -d '\r')
want="D:P(A;;0x101000;;;$sid)(A;;0x1fffff;;;SY)(A;;0x1fffff;;;BA)(A;;RC;;;OW)"
check "the user may only wait for Tembrel and see it (read back: $security)" \
    test "$security" = "$want"
service_security=$(wr "$tool" service-security | tr -d '\r')
if [[ "$service_security" == "D:" ]]; then
    # Wine 8 keeps no access list for a service (SetServiceObjectSecurity is a stub): the setup's
    # request for it is all there is to see.
    check "the setup set the service's access list (Wine keeps none to read back)" \
        grep -q 'SetServiceObjectSecurity .* 4 ' "$work/install.err"
else
    check "only SYSTEM and the Administrators may stop or change the service (read back: $service_security)" \
        grep -qxF "D:(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;SY)(A;;CCDCLCSWRPWPDTLOCRSDRCWDWO;;;BA)(A;;CCLCSWLORC;;;AU)" <<<"$service_security"
fi
answers() { # the session window comes after two seconds of the splash
    for _ in $(seq 1 30); do
        wr "$dir/Guard/TembrelGuard.exe" probe "$1" && return 0
        sleep 0.5
    done
    return 1
}
check "its window answers the guard's question" answers "$first"
check "a process without a session window does not" not wr "$dir/Guard/TembrelGuard.exe" probe 4
# Windows answers a control the handler does not take with an error; Wine 8 reports success
# whatever the handler says, so what counts is that nothing happened.
log_lines=$(wc -l <"$dir/Tembrel.log")
echo "   a user-defined control (200): Windows answered $(wr "$tool" control 200 | tr -d '\r')"
sleep 1
check "the service still runs after a user-defined control" test "$(service_state)" = RUNNING
check "and did nothing with it" test "$(wc -l <"$dir/Tembrel.log")" -eq "$log_lines" -a "$(pid)" = "$first"

echo "== a kill in the middle of a session: back within 3 s, the session on record"
printf '|||allow|||600\r\n|||user|||Ann\r\n' >"$dir/allow.var"
for _ in $(seq 1 400); do
    grep -q 'remaining=' "$dir/Tembrel.journal" 2>/dev/null && break
    sleep 0.1
done
check "a session is running" grep -q 'remaining=' "$dir/Tembrel.journal"
# The lock screen goes first, so that the one found later is the restarted Tembrel's.
wr taskkill /f /im engine.exe >/dev/null 2>&1 || true
check "no lock screen before the kill" not wr "$tool" quit ""
wr taskkill /f /im Tembrel.exe >/dev/null 2>&1 || true
second=$(new_pid 3 "$first") || fail "no new Tembrel within 3 s of the kill"
echo "ok: a new Tembrel within 3 s of the kill (process $second)"
lock_screen_up() {
    for _ in $(seq 1 100); do
        wr "$tool" quit "" >/dev/null && return 0
        sleep 0.2
    done
    return 1
}
check "the restarted Tembrel launched the lock screen" lock_screen_up
for _ in $(seq 1 100); do
    grep -q ',recovered' "$dir/Tembrel usage.csv" 2>/dev/null && break
    sleep 0.2
done
check "the killed session is on record" grep -q '"Ann",.*,recovered' "$dir/Tembrel usage.csv"
check "the restart and its reason are on record" log_has "started again after it ended without the parents' leave"

echo "== a quit signal written by hand ends Tembrel, and it comes back"
printf '|||EN|||End\r\n' >"$dir/EN.var"
third=$(new_pid 10 "$second") || fail "no new Tembrel after the hand-written quit signal"
echo "ok: Tembrel came back (process $third)"

echo "== a Tembrel that stops answering is ended and started again"
answers "$third" || fail "the new Tembrel's window does not answer"
check "Tembrel hangs" wr "$tool" suspend "$third"
hung_at=$(date +%s)
fourth=$(new_pid 50 "$third") || fail "the hung Tembrel was not replaced within 50 s"
# Counted from its last answer, which may have come up to 10 s before it hung.
echo "ok: replaced $(($(date +%s) - hung_at)) s after it hung (process $fourth)"
check "after 30 s without an answer" log_has "window has not answered for 30 s"
check "the reason is on record" log_has "started again after its window stopped answering"
third=$fourth

echo "== the parents' close in Tembrel, with the master password, ends it for good"
# The master password "pw", stored one code lower, as the lock screen stores it.
printf '|||mpass|||ov\r\n|||mhint|||two letters\r\n' >"$dir/ps.var"
answers "$third" || fail "the new Tembrel's window does not answer"
check "the parents' close is given the password" wr "$tool" parents-close "$third" PW
wait_ended
check "Tembrel ended" test "$(pid)" = 0
sleep 5
check "and stays ended" test "$(pid)" = 0
check "the honoured end is on record" log_has "ended with the parents' leave"

# A guard started afresh knows no authorised end: it starts Tembrel again.
restart_guard() {
    wr sc stop TembrelGuard >/dev/null
    for _ in $(seq 1 50); do
        [[ "$(service_state)" == STOPPED ]] && break
        sleep 0.2
    done
    wr sc start TembrelGuard >/dev/null
    new_pid 5 0
}
third=$(restart_guard) || fail "no Tembrel after the guard started again"

echo "== the lock screen's Quit Tembrel: a wrong master password ends nothing, the right one ends it"
check "the lock screen is up" lock_screen_up
check "the guard refuses a wrong password" test "$(wr "$tool" ask nope | tr -d '\r')" = refused
answer=$(wr "$tool" quit nope | tr -d '\r')
echo "   the lock screen says: $answer"
sleep 3
check "nothing ended on a wrong password" test "$(pid)" = "$third"
check "no quit signal written" not grep -q 'End' "$dir/EN.var"
check "the refusal is on record" log_has "was refused: wrong master password"
answer=$(wr "$tool" quit pw | tr -d '\r')
echo "   the lock screen says: $answer"
wait_ended
check "Tembrel ended on the right password" test "$(pid)" = 0
sleep 5
check "and stays ended" test "$(pid)" = 0
check "the honoured end is on record again" test "$(grep -c "ended with the parents' leave" "$dir/Tembrel.log")" -eq 2

echo "== the parents' settings files are the guard's"
settings() { wr "$tool" settings "$@" | tr -d '\r'; }
before=$(md5sum <"$dir/engine.var")
check "a parent action with a wrong master password is refused" \
    test "$(settings engine nope children=Eve)" = refused
check "and changes nothing" test "$(md5sum <"$dir/engine.var")" = "$before"
check "the refusal is on record" log_has "request (SETTINGS) was refused: wrong master password"
check "with the right one the guard writes" test "$(settings engine pw children=Eve)" = ok
check "the list holds the new child" grep -q '|||children|||Eve' "$dir/engine.var"
check "her record is written" test "$(settings Eve pw 'minutes=60 60 60 60 60 60 60' \
    'hours=1-2 3-4 5-6 7-8 9-10 11-12 13-14' weekly=none open=0 close=24)" = ok
check "the hand-over is no settings file" test "$(settings allow pw allow=9999)" = refused
check "and was not written" not test -e "$dir/allow.var"
check "a login asks for today's hours without a password" \
    test "$(wr "$tool" today Eve | tr -d '\r')" = ok
day=$(date +%u) # 1: Monday
check "the guard took them from her record" grep -q "|||open|||$((2 * day - 1))"$'\r' "$dir/Eve.var"
check "not from the request" grep -q "|||close|||$((2 * day))"$'\r' "$dir/Eve.var"

echo "== the setup's way to a new master password"
printf 'NewPass\r\nthe new one\r\n' >"$WINEPREFIX/drive_c/tembrel-password.txt"
check "the guard's password verb sets it" env WINEDEBUG=-all,trace+security "$winerun" \
    "$dir/Guard/TembrelGuard.exe" password 'C:\tembrel-password.txt' </dev/null 2>"$work/password.err"
check "and deletes the file it was given" not test -e "$WINEPREFIX/drive_c/tembrel-password.txt"
check "ps.var holds its hash" grep -q '|||mhash|||pbkdf2-sha256\$600000\$' "$dir/ps.var"
check "and no readable form" not grep -qi 'mpass' "$dir/ps.var"
check "the hint" grep -q '|||mhint|||the new one' "$dir/ps.var"
# Wine keeps no owner or access list of a file (it answers every set with success and reads back
# its default), so the calls are read in its trace: the parents' list on the new file, written in
# the guard's own folder where no child may write, before it takes ps.var's place, and on ps.var.
settings_sd='O:BAD:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x120089;;;BU)(A;;0x120089;;;AU)'
check "the owner and list asked for are the parents'" grep -qF "L\"$settings_sd\"" "$work/password.err"
sets=$(grep 'SetFileSecurityW' "$work/password.err" | sed 's/.*(L"\([^"]*\)", 0x5,.*/\1/' | paste -sd' ')
new_then_swapped() { [[ "$sets" =~ ^C:.*TembrelGuardTest.*Guard.*ps\.var\.[^\ ]+\ C:.*TembrelGuardTest.*ps\.var$ ]]; }
check "set on the new file in the guard's folder, then on ps.var ($sets)" new_then_swapped
check "the old password opens nothing now" test "$(settings ps pw mhint=x)" = refused
check "the new one does, in any letter case" test "$(settings ps newpass 'mhint=the new one')" = ok

echo "== five ends within ten minutes: no more restarts, the user is signed off"
last=$(restart_guard) || fail "no Tembrel after the guard started again"
for end in 1 2 3 4 5; do
    wr taskkill /f /im Tembrel.exe >/dev/null 2>&1 || true
    if ((end < 5)); then
        last=$(new_pid 3 "$last") || fail "no restart after end $end"
    fi
done
sleep 3
check "the fifth end is not restarted" test "$(pid)" = 0
check "the sign-off is on record" log_has "5 times within 600 s: not started again; the user is signed off"

echo "== the uninstaller stops and removes the service"
check "silent uninstall" env WINEDEBUG=-all,fixme+advapi "$winerun" "$dir/Uninstall/Uninstall.exe" \
    /S '_?=C:\TembrelGuardTest\Uninstall' </dev/null 2>"$work/uninstall.err"
check "the service is gone" not wr sc query TembrelGuard
check "the uninstaller gave the time zone right back" grep -q 'LsaAddAccountRights' "$work/uninstall.err"
check "its program is removed" not test -e "$dir/Guard/TembrelGuard.exe"
check "no Tembrel left running" test "$(pid)" = 0
# Any program may make a pipe of the guard's name where the guard does not run: the master
# password must not go to it.
check "without the guard, no password goes to a pipe of its name" \
    test "$(wr "$tool" squat-ask pw | tr -d '\r' | paste -sd' ')" = "no-guard untouched"
