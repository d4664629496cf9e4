# Sourced by every script that runs Wine: the project's own prefix inside the build tree, no debug
# output, and no Mono or Gecko installer dialog. A value the caller has set already is kept (a test
# may need DLL overrides of its own, a developer WINEDEBUG). The prefix is created the first time;
# wineboot takes a while then, and later calls cost nothing.
tembrel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$tembrel_root/build/windows/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [[ ! -f "$WINEPREFIX/.tembrel-ready" ]]; then
    mkdir -p "$WINEPREFIX"
    # Tests running side by side may all find the prefix missing: one of them creates it.
    (
        flock 9
        if [[ ! -f "$WINEPREFIX/.tembrel-ready" ]]; then
            wineboot --init >/dev/null 2>&1 || true
            wineserver -w
            touch "$WINEPREFIX/.tembrel-ready"
        fi
    ) 9>"$WINEPREFIX.lock"
fi
