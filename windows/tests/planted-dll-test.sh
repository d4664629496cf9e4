#!/usr/bin/env bash
# A child's DLL in the program's folder, named like DLLs that Windows loads on demand, must never
# be loaded by Tembrel.exe or the lock screen. Wine is told to prefer a native DLL of each name
# (WINEDLLOVERRIDES), so a planted one would be taken if the search reached the folder; the probe
# shows that it is, when the search is not restricted.
# Usage: planted-dll-test.sh WINE_RUN BIN_DIR
set -euo pipefail
winerun=$1 bin=$(realpath "$2")
source "$(dirname "$winerun")/wine-env.sh"
# Left out, since what Wine does with them says nothing of Windows: Wine's own user32 imports
# version.dll and imm32.dll and resolves them from the program's folder before the program's first
# instruction (on Windows user32 imports no version.dll, and imm32 is a known DLL, always taken
# from System32); and Wine resolves the delayed imports of its own DLLs (uxtheme.dll's msimg32.dll)
# through the plain search path, past the restriction.
planted=(uxtheme dwmapi windowscodecs propsys comctl32 winmm usp10 cryptbase profapi
    wtsapi32 userenv oleacc dbghelp riched20 msftedit ntmarta secur32 sspicli winsta wldp
    textinputframework cryptsp bcrypt)
export WINEDLLOVERRIDES="mscoree,mshtml=;$(
    IFS=,
    echo "${planted[*]}"
)=n,b"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
source "$(dirname "$winerun")/checks.sh"
markers() { find "$folder" -name '*.loaded' -printf '%f '; }
no_markers() { [[ -z "$(markers)" ]] || { echo "loaded: $(markers)" >&2 && false; }; }

folder=$(mktemp -d)
trap '"$winerun" taskkill /F /IM engine.exe /IM Tembrel.exe >/dev/null 2>&1 </dev/null || true
      rm -rf "$folder"' EXIT
for file in Tembrel.exe engine.exe WinLockDll.dll dll_search_probe.exe; do
    cp "$bin/$file" "$folder/"
done
for name in "${planted[@]}"; do
    cp "$bin/planted_dll.dll" "$folder/$name.dll"
done
winfolder=$("$winerun" winepath -w "$folder" </dev/null | tr -d '\r')

"$winerun" "$folder/dll_search_probe.exe" dwmapi.dll </dev/null
check "unrestricted, a bare name finds the planted DLL" test -e "$folder/dwmapi.dll.loaded"
rm -f "$folder"/*.loaded
"$winerun" "$folder/dll_search_probe.exe" --restricted "${planted[@]/%/.dll}" </dev/null
check "restricted, no planted DLL is loaded" no_markers

# Tembrel shows its splash, locks down and starts the lock screen; the stand-in library notes the
# launch, and the lock screen has then a few seconds to load what it loads.
export TEMBREL_WINLOCK_LOG="$winfolder\\calls.log"
"$winerun" "$folder/Tembrel.exe" </dev/null &
for _ in $(seq 1 120); do
    grep -qs Process_Desktop "$folder/calls.log" && break
    sleep 0.5
done
check "Tembrel started the lock screen" grep -qs Process_Desktop "$folder/calls.log"
sleep 5
check "Tembrel and the lock screen loaded no planted DLL" no_markers
