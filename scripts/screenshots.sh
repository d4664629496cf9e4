#!/usr/bin/env bash
# Takes screenshots of the four windows (splash, session, password gate, bonus time) and of the
# 5-minute warning under Wine and Xvfb into docs/screenshots/*.png. Each window is opened by a small
# program over fake ports (a one-hour session a few seconds in) on a Wine desktop; the picture is
# cut from the screen with ImageMagick. The prefix gets Wine's Marlett font first, for the
# title-bar buttons.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ "${TEMBREL_IN_XVFB:-}" != 1 ]]; then
    exec env TEMBREL_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
cd "$root"
cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target TembrelScreens
source scripts/wine-env.sh
scripts/wine-fonts.sh
wineserver -p
work=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
mkdir -p docs/screenshots
for window in splash session gate bonus warning; do
    rect=$work/$window.txt
    # A Wine desktop of the screen's size: Wine draws the window frames itself, as Windows does.
    # Only a desktop named "shell" has a taskbar, with the notification area the warning needs.
    desktop=Tembrel
    [[ $window == warning ]] && desktop=shell
    wine explorer "/desktop=$desktop,1280x1024" build/windows/bin/TembrelScreens.exe "$window" \
        "$(winepath -w "$rect")" </dev/null >/dev/null 2>&1 &
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
    echo "docs/screenshots/$window.png (${w}x${h})"
done
