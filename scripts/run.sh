#!/usr/bin/env bash
# Builds the Windows x64 program and starts it under Wine in a folder of its own, with the stand-in
# lock screen (engine.exe) and desktop-lock library (WinLockDll.dll) beside it, as an installation
# has them. Record files (*.var) stay in that folder between runs. Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Tembrel WinLockDll engine
app=$root/build/windows/run
cmake --install build/windows --prefix "$app" --component program >/dev/null 2>&1 ||
    cmake --install build/windows --prefix "$app" >/dev/null
exe=$(find "$app" -name Tembrel.exe | head -n 1)
source scripts/wine-env.sh
echo "Tembrel runs from $(dirname "$exe"). The lock screen opens first: add a child there (parent"
echo "setup), log the child in, and watch the countdown. Quit from the lock screen's parent menu."
if [[ -n "${DISPLAY:-}" ]]; then
    cd "$(dirname "$exe")" && exec wine "$exe"
else
    echo "No display: running under Xvfb (nothing to see; set DISPLAY to watch it)."
    cd "$(dirname "$exe")" && exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$exe"
fi
