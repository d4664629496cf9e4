#!/usr/bin/env bash
# Runs under xvfb-run: one persistent Wine server for the whole run, warmed up first so that the
# helper processes Wine starts on first use (services, the desktop window) are not children of a
# test and do not hold its output open. Nothing outlives the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$root/scripts/wine-prefix.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
ctest --test-dir "$root/build/windows" --output-on-failure -j 2 "$@"
