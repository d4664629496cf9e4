#!/usr/bin/env bash
# Builds the setup program and the zip with cpack into a folder of its own and checks them: their
# names, the four program files in the zip, that the setup program is built for the same
# processor as the program (a 64-bit setup for x64, so that it sees the 64-bit registry), and that
# it takes its DLLs from System32 only.
# Usage: package-test.sh CPACK CPACK_CONFIG OUT_DIR BASE_NAME ARCH [FIXTURE_DIR]
set -euo pipefail
cpack=$1 config=$2 out=$3 base=$4 arch=$5 fixtures=${6:-}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$out"
mkdir -p "$out"
extra=()
[[ -n "$fixtures" ]] && extra=(-D "CPACK_INSTALLED_DIRECTORIES=$fixtures;.")
"$cpack" --config "$config" -G "NSIS;ZIP" -B "$out" "${extra[@]}" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; fail "cpack failed"; }

setup=$out/$base-setup.exe
zip=$out/$base.zip
[[ -f "$setup" ]] || fail "no $base-setup.exe"
[[ -f "$zip" ]] || fail "no $base.zip"

listing=$("$(dirname "$cpack")/cmake" -E tar tf "$zip")
for file in Tembrel.exe engine.exe WinLockDll.dll Guard/TembrelGuard.exe; do
    grep -qx "$base/$file" <<<"$listing" || fail "$file is missing from the zip: $listing"
done
# Nothing but the program's own files: no import library, no fixtures' folders.
count=$(grep -cv '/$' <<<"$listing")
[[ "$count" -eq 4 ]] || fail "the zip holds $count files, not 4: $listing"

case $arch in
x64) want=pei-x86-64 objdump=x86_64-w64-mingw32-objdump ;;
x86) want=pei-i386 objdump=i686-w64-mingw32-objdump ;;
*) fail "unknown architecture $arch" ;;
esac
format=$("$objdump" -f "$setup" | sed -n 's/.*file format //p')
[[ "$format" == "$want" ]] || fail "the setup program is $format, not $want"
bash "$(dirname "$0")/check-dll-search.sh" "$objdump" "$setup"
echo "ok: $(basename "$setup") ($format) and $(basename "$zip") with $count files"
