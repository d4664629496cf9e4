#!/usr/bin/env bash
# Takes the pictures of the usage report into docs/screenshots/: report.png at a desktop width
# (three children, two columns) and report-narrow.png in a narrow window (the first child). The
# page is written from fixed rows by usage_report_sample (native build) and rendered by headless
# Chromium; each picture is cut below the page's last card.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh
cmake --preset native >/dev/null
cmake --build --preset native --target usage_report_sample
sample=build/native/history/tests/usage_report_sample
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs/screenshots

# picture NAME WIDTH SAMPLE-OPTIONS...
picture() {
    local name=$1 width=$2
    shift 2
    "$sample" "$work/$name.html" --plain "$@"
    # Root needs --no-sandbox; a profile of its own and no network of any kind.
    HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
        chromium --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
        --no-first-run --no-default-browser-check --disable-extensions --disable-sync \
        --disable-background-networking --disable-component-update --hide-scrollbars \
        --force-device-scale-factor=1 --window-size="$width,3000" \
        --screenshot="$work/$name.png" "file://$work/$name.html" >/dev/null 2>>"$work/chromium.log"
    # What is not the page's background ends at the last card; keep its bottom margin.
    local box height
    box=$(convert "$work/$name.png" -fuzz 1% -format '%@' info:)
    [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || {
        echo "no page in the $name screenshot" >&2
        exit 1
    }
    height=$((BASH_REMATCH[2] + BASH_REMATCH[4] + 16))
    # 256 colours are plenty for text, cards and bars, at less than half the bytes.
    convert "$work/$name.png" -crop "${width}x${height}+0+0" +repage -strip -colors 256 \
        -define png:compression-level=9 "PNG8:docs/screenshots/$name.png"
    echo "docs/screenshots/$name.png (${width}x${height})"
}
picture report 1280
picture report-narrow 400 --children=1
