#!/usr/bin/env bash
# Fails when clang-tidy (the checks of the project's .clang-tidy) finds anything in a file the
# native build compiles, or in one of our headers those files include. It reads that build's
# compile_commands.json.   Usage: scripts/check-tidy.sh [build-dir, default build/native]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
exec run-clang-tidy -quiet -p "$build" -j "$(nproc)"
