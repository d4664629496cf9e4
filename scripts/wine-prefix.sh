#!/usr/bin/env bash
# Creates the Wine prefix once (wineboot takes a while the first time); later calls return at once.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
[[ -f "$WINEPREFIX/.tembrel-ready" ]] && exit 0
mkdir -p "$WINEPREFIX"
(
    flock 9
    if [[ ! -f "$WINEPREFIX/.tembrel-ready" ]]; then
        wineboot --init >/dev/null 2>&1 || true
        wineserver -w
        touch "$WINEPREFIX/.tembrel-ready"
    fi
) 9>"$WINEPREFIX.lock"
