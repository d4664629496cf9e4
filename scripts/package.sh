#!/usr/bin/env bash
# Builds the two setup programs and the zips: Tembrel-<version>-x64-setup.exe,
# Tembrel-<version>-x86-setup.exe, Tembrel-<version>-x64.zip and Tembrel-<version>-x86.zip, all
# copied to build/packages. Installs what is missing first; safe to run again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh

out=$root/build/packages
mkdir -p "$out"
rm -f "$out"/Tembrel-*
for preset in windows windows-x86; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target Tembrel engine WinLockDll
    rm -rf "build/$preset/packages"
    (cd "build/$preset" && cpack --config CPackConfig.cmake -G "NSIS;ZIP" -B "$root/build/$preset/packages")
    cp "build/$preset"/packages/Tembrel-*-setup.exe "build/$preset"/packages/Tembrel-*.zip "$out"/
done
echo "Packages in $out:"
ls -l "$out"
