#!/usr/bin/env bash
# Puts Wine's own Marlett font (Debian's fonts-wine) into the prefix's Fonts folder, where Windows
# keeps it: Wine draws the title-bar buttons (minimise, maximise, close) with its glyphs, and
# without it they come out as the letters "0 1 r". Safe to run again.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the prefix}"
font=$(dpkg -L fonts-wine 2>/dev/null | grep -m1 '/marlett\.ttf$' || true)
if [[ -z "$font" ]]; then
    echo "no marlett.ttf: install fonts-wine (scripts/deps.sh)" >&2
    exit 1
fi
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
cmp -s "$font" "$fonts/marlett.ttf" || cp "$font" "$fonts/marlett.ttf"
