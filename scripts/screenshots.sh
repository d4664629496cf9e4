#!/usr/bin/env bash
# Takes screenshots of the four windows (splash, session, password gate, bonus time), of the
# 5-minute warning and of the lock screen's pages (the children's tiles, the parents' area, a
# child's settings; lock-*.png, the last also at 150%) under Wine and Xvfb into
# docs/screenshots/*.png; names given as arguments (say "lock-login") take only those. Each window
# is opened by a small program over fake ports (a one-hour session a few seconds in; a family of
# four for the lock screen) on a Wine desktop; the picture is cut from the screen with ImageMagick. The prefix gets Wine's Marlett font first, for the
# title-bar buttons.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ "${TEMBREL_IN_XVFB:-}" != 1 ]]; then
    exec env TEMBREL_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
cd "$root"
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target TembrelScreens LockScreens
source scripts/wine-env.sh
scripts/wine-fonts.sh
wineserver -p
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
mkdir -p docs/screenshots
# Sets the prefix's DPI (96 is 100%, 144 is 150%); Wine reads it at the start of its server.
set_dpi() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    local key
    for key in 'HKCU\Control Panel\Desktop' 'HKCC\Software\Fonts'; do
        wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 </dev/null
    done
    wineserver -w
    wineserver -p
}
# The names given on the command line, or all of them.
windows=("$@")
if ((${#windows[@]} == 0)); then
    windows=(splash session gate bonus warning warning-midday lock-login lock-parents lock-child lock-child-150)
fi
for window in "${windows[@]}"; do
    rect=$work/$window.txt
    # A Wine desktop of the screen's size: Wine draws the window frames itself, as Windows does.
    # Only a desktop named "shell" has a taskbar, with the notification area the warning needs.
    desktop=Tembrel
    [[ $window == warning* ]] && desktop=shell
    program=(build/windows/bin/TembrelScreens.exe "$window")
    if [[ $window == lock-* ]]; then
        page=${window#lock-}
        program=(build/windows/bin/LockScreens.exe "${page%-150}")
        if [[ $window == *-150 ]]; then
            set_dpi 144
        fi
    fi
    wine explorer "/desktop=$desktop,1280x1024" "${program[@]}" "$(winepath -w "$rect")" \
        </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 1 100); do
        [[ -s $rect ]] && break
        sleep 0.2
    done
    if [[ ! -s $rect ]]; then
        echo "no $window window" >&2
        kill "$pid" 2>/dev/null || true
        exit 1
    fi
    sleep 0.5
    read -r x y w h <"$rect"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage -strip \
        -define png:compression-level=9 "docs/screenshots/$window.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    wineserver -p
    if [[ $window == *-150 ]]; then
        set_dpi 96
    fi
    echo "docs/screenshots/$window.png (${w}x${h})"
done
