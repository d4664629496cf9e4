#!/usr/bin/env bash
# Fails when a C++ file of the tree is not formatted by the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror
