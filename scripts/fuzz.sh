#!/usr/bin/env bash
# Builds the libFuzzer targets (preset native-fuzz, clang, ASan + UBSan) and runs one.
#   scripts/fuzz.sh record_store [runs]      # default 10 million executions
#   scripts/fuzz.sh value_functions [runs]
# The run starts from the committed seeds in fuzz/corpus/fuzz_<target>/ and grows a working
# corpus in build/fuzz/<target>/; a crash is written there as crash-<hash>, to be replayed with
#   build/native-fuzz/fuzz/fuzz_<target> <crash file>
# FUZZ_JOBS=2 runs two processes side by side (each does the given number of runs).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
target=${1:?"which target: record_store or value_functions"}
runs=${2:-10000000}
jobs=${FUZZ_JOBS:-1}
scripts/deps.sh
cmake --preset native-fuzz >/dev/null
cmake --build --preset native-fuzz --target "fuzz_$target"
work=build/fuzz/$target
mkdir -p "$work/corpus"
cp -n fuzz/corpus/fuzz_"$target"/* "$work/corpus/"
args=(-runs="$runs" -max_len=4096 -artifact_prefix=./ -print_final_stats=1)
if ((jobs > 1)); then
    args+=(-jobs="$jobs" -workers="$jobs")
fi
cd "$work"
exec "$root/build/native-fuzz/fuzz/fuzz_$target" "${args[@]}" corpus
