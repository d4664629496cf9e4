#!/usr/bin/env bash
# Runs the Windows tests (ctest's windows preset; extra arguments go to ctest, e.g. -R views)
# inside Xvfb, with one persistent Wine server for the whole run, warmed up first so that the
# helper processes Wine starts on first use (services, the desktop window) are not children of a
# test and do not hold its output open. Nothing outlives the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ "${TEMBREL_IN_XVFB:-}" != 1 ]]; then
    exec env TEMBREL_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
source "$root/scripts/wine-env.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wineserver -p
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
cd "$root"
ctest --preset windows "$@"
