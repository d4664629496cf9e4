#!/usr/bin/env bash
# Opens a usage report in headless Chromium, as a parent's browser would, and checks what it
# made of it:
# - the DOM holds one section a child, whose heading is the child's name as text, markup and
#   quotes included, and no element that the names carry (<b>, <img>, <script>);
# - a screenshot is not blank and shows the chart's bars (the inline SVG is drawn);
# - printing gives one page a child.
# usage: report-in-browser.sh SAMPLE   (SAMPLE: the usage_report_sample program)
# Exits 77 (the test is skipped) when Chromium is not installed; scripts/deps.sh installs it.
set -euo pipefail
sample=$1
chromium=${CHROMIUM:-$(command -v chromium || true)}
if [[ -z "$chromium" || ! -x "$chromium" ]]; then
    echo "SKIPPED: chromium is not installed (scripts/deps.sh installs it)"
    exit 77
fi
for tool in convert perl; do
    command -v "$tool" >/dev/null || {
        echo "FAIL: $tool is missing (scripts/deps.sh installs it)"
        exit 1
    }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$sample" "$work/report.html" "$work/names.txt"
url="file://$work/report.html"
children=$(wc -l <"$work/names.txt")

# Root needs --no-sandbox; a profile of its own and no network of any kind.
browse() {
    HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
        timeout 60 "$chromium" --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
        --no-first-run --no-default-browser-check --disable-extensions --disable-sync \
        --disable-background-networking --disable-component-update --hide-scrollbars \
        --force-device-scale-factor=1 "$@" "$url" 2>>"$work/chromium.log"
}
fail() {
    echo "FAIL: $*"
    tail -n 20 "$work/chromium.log" 2>/dev/null || true
    exit 1
}

# 1. The DOM as the browser parsed it.
browse --dump-dom >"$work/dom.html" || fail "chromium --dump-dom failed"
perl -CS -e '
    use strict; use warnings;
    my ($dom_file, $names_file) = @ARGV;
    local $/;
    open my $d, "<:utf8", $dom_file or die; my $dom = <$d>;
    open my $n, "<:utf8", $names_file or die; my @names = split /\n/, <$n>;
    my %entity = (lt => "<", gt => ">", amp => "&", quot => "\"", nbsp => "\x{A0}");
    my @shown;
    while ($dom =~ m{<section class="child"><h2>(.*?)</h2>}gs) {
        my $h = $1;
        die "FAIL: markup inside a heading: $h\n" if $h =~ /</;
        $h =~ s/&(lt|gt|amp|quot|nbsp);/$entity{$1}/g;
        $h =~ s/&#(\d+);/chr($1)/ge;
        push @shown, $h;
    }
    die "FAIL: " . scalar(@shown) . " child sections, expected " . scalar(@names) . "\n"
        unless @shown == @names;
    for my $i (0 .. $#names) {
        die "FAIL: heading $i shows \"$shown[$i]\", expected \"$names[$i]\"\n"
            unless $shown[$i] eq $names[$i];
    }
    for my $tag (qw(b img script iframe object link)) {
        die "FAIL: a <$tag> element reached the page\n" if $dom =~ /<$tag[\s>]/i;
    }
    die "FAIL: the title changed\n" unless $dom =~ m{<title>Tembrel usage</title>};
    print "names shown as text: ", join(" | ", @shown), "\n";
' "$work/dom.html" "$work/names.txt" || fail "the DOM"

# 2. A screenshot at a desktop size: more than a handful of colours (text and chart drawn), and
# pixels of the bars' blue.
browse --window-size=1280,1400 --screenshot="$work/report.png" >/dev/null ||
    fail "chromium --screenshot failed"
[[ -s "$work/report.png" ]] || fail "no screenshot"
colours=$(convert "$work/report.png" -format '%k' info:)
((colours >= 32)) || fail "the screenshot has $colours colours: blank"
bars=$(convert "$work/report.png" -fuzz 3% -fill black +opaque '#4a86d9' -fill white -opaque '#4a86d9' \
    -format '%[fx:int(mean*w*h)]' info:)
((bars >= 500)) || fail "$bars pixels of the bars' blue: no chart drawn"
echo "screenshot: $colours colours, $bars pixels of bars"

# 3. Printed: one page a child. Chromium's PDF lists each page as an object "/Type /Page".
browse --no-pdf-header-footer --print-to-pdf="$work/report.pdf" >/dev/null ||
    fail "chromium --print-to-pdf failed"
pages=$(grep -a -c -E '/Type */Page([^s]|$)' "$work/report.pdf" || true)
((pages == children)) || fail "printed on $pages pages, expected $children (one a child)"
echo "printed: $pages pages for $children children"
echo "PASS"
