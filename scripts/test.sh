#!/usr/bin/env bash
# Runs every test: the portable core natively (ASan + UBSan), the Windows x64 build under Wine and
# Xvfb, and the checks of the x86 build. Installs what is missing first; safe to run again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh

echo "== native"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

echo "== windows-x86 (built and inspected, not run)"
cmake --preset windows-x86 >/dev/null
cmake --build --preset windows-x86
ctest --preset windows-x86

echo "== windows (x64, under Wine)"
cmake --preset windows >/dev/null
cmake --build --preset windows
# ctest --preset windows, inside Xvfb and with one Wine server for the whole run.
scripts/wine-tests.sh
