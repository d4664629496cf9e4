#!/usr/bin/env bash
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "The program arrives with the session window."
