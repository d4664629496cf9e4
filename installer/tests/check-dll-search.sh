#!/usr/bin/env bash
# Checks that a setup or uninstaller (NSIS) keeps DLLs planted beside it out. Its static imports
# are Known DLLs, which Windows takes from System32 whatever lies beside the program, but for
# comctl32, which the manifest's Common-Controls 6 dependency takes from WinSxS. Every DLL loaded
# later comes from System32 once its start-up has called SetDefaultDllDirectories; NSIS looks the
# function up by name, so the name is what shows in the file.
# Usage: check-dll-search.sh OBJDUMP EXE
set -euo pipefail
objdump=$1 exe=$2

fail() {
    echo "FAIL: $(basename "$exe"): $*" >&2
    exit 1
}

known=" advapi32.dll gdi32.dll kernel32.dll ole32.dll shell32.dll user32.dll comctl32.dll "
imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
[[ -n "$imports" ]] || fail "no imports found"
for dll in $imports; do
    [[ "$known" == *" $dll "* ]] || fail "imports $dll, not one of the Known DLLs this check allows"
done
grep -qaF 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$exe" ||
    fail "the manifest does not take comctl32 from WinSxS"
grep -qaF SetDefaultDllDirectories "$exe" || fail "no restricted DLL search at start-up"
