#!/usr/bin/env bash
# Builds the optimised core (preset native-release) and runs the benchmarks: the record store, one
# tick and one close of a session, the memory of a week of ticks, and the usage history and report
# written after a close (10 children, 400 days). Extra arguments go to each benchmark program
# (e.g. --benchmark_filter=Tick).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/deps.sh
cmake --preset native-release >/dev/null
cmake --build --preset native-release --target record_store_bench session_bench usage_report_bench
echo "== $(nproc) CPUs: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
build/native-release/bench/record_store_bench "$@"
build/native-release/bench/session_bench "$@"
build/native-release/bench/usage_report_bench "$@"
