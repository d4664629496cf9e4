#!/usr/bin/env bash
# The whole daily cycle under the regional settings of several countries. Wine takes them from
# LC_ALL, once per Wine server, so each country gets a server of its own in a prefix of its own
# (beside the tree's prefix, whose server other tests may be using). The system locales are
# generated first when missing. Each row names what the country's settings must show; the date
# key is today's date written in that country's short date format, "/" made "-".
# Usage: regional-cycle-test.sh BIN_DIR [LOCALE...]   (under an X server: xvfb-run); locales
# given run those rows only.
set -euo pipefail
bin=$(realpath "$1")
shift
only=" $* "
root=$(cd "$(dirname "$0")/../.." && pwd)
WINEPREFIX=$(dirname "$bin")/wineprefix-regional
export WINEPREFIX

# locale | ANSI code page | decimal separator | short date (date(1) format) | children ("|")
countries=(
    "hu_HU.UTF-8|1250|,|%Y. %m. %d.|Ann|Tom Jr."
    "hr_HR.UTF-8|1250|,|%d. %m. %Y.|Anna |Ivan"
    "de_DE.UTF-8|1252|,|%d.%m.%Y|Jörg"
    "ja_JP.UTF-8|932|.|%Y-%m-%d|ソフィア|ポール"
    "ko_KR.UTF-8|949|.|%Y. %m. %d.|김철수"
    "en_US.UTF-8|1252|.|%-m-%-d-%Y|Ann"
)
locales=()
for row in "${countries[@]}"; do
    [[ $# -eq 0 || "$only" == *" ${row%%|*} "* ]] || continue
    locales+=("${row%%|*}")
done
"$root/scripts/locales.sh" "${locales[@]}"
source "$root/scripts/wine-env.sh"

trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
failures=()
for row in "${countries[@]}"; do
    IFS='|' read -r locale codepage decimal format children <<<"$row"
    [[ $# -eq 0 || "$only" == *" $locale "* ]] || continue
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w
    export LC_ALL=$locale
    # Warmed up first, as in wine-tests.sh: Wine's helper processes must not be the test's.
    wineserver -p
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
    datekey=$(date +"$format")
    echo "== $locale: date key \"$datekey\", children \"$children\""
    if TEMBREL_REGION_CODE_PAGE=$codepage TEMBREL_REGION_DECIMAL=$decimal \
        TEMBREL_REGION_DATE_KEY=$datekey TEMBREL_REGION_WEEK_KEY=$(date +%-V) \
        TEMBREL_REGION_CHILDREN=$children wine "$bin/regional_cycle_test.exe" </dev/null; then
        :
    else
        failures+=("$locale")
    fi
done
if ((${#failures[@]})); then
    echo "FAILED under: ${failures[*]}" >&2
    exit 1
fi
