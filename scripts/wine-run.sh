#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix (inside the build tree), quietly
# and without Mono/Gecko installer dialogs. ctest uses it as the cross-compiling emulator.
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/../build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
"$here/wine-prefix.sh"
exec wine "$@"
