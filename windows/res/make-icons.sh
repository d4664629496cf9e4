#!/usr/bin/env bash
# Redraws the two committed icons from the same drawing code the program uses for its pictures.
# Usage: windows/res/make-icons.sh [preview-dir]   (with a folder, also writes .ppm previews)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tool=$(mktemp -d)
trap 'rm -rf "$tool"' EXIT
c++ -std=c++20 -O2 -Wall -Wextra -I"$root" "$here/IconTool.cpp" "$root/windows/Artwork.cpp" \
    "$root/windows/Canvas.cpp" -o "$tool/IconTool"
"$tool/IconTool" "$here"
if [[ $# -gt 0 ]]; then
    "$tool/IconTool" "$1" preview
fi
