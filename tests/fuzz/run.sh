#!/bin/sh
# Builds the fuzz targets with clang's libFuzzer (in build-fuzz/) and runs each for SECONDS
# (default 60) from the seed corpus in tests/fuzz/corpus. Ends with 0 when clang is missing
# (there is nothing to run) and non-zero when a target finds a crash or a broken invariant;
# the input that did it is left in build-fuzz/fuzz-findings/.
#   tests/fuzz/run.sh [SECONDS]
set -eu
cd "$(dirname "$0")/../.."
seconds="${1:-60}"
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is not installed; nothing fuzzed"
  exit 0
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXMOOR_FUZZ=ON \
  -DVEXMOOR_TESTS=OFF -DVEXMOOR_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_settings fuzz_results
mkdir -p build-fuzz/fuzz-findings
for target in settings results; do
  # The seeds are copied, so what the fuzzer adds stays out of the tree.
  corpus="build-fuzz/fuzz-corpus/$target"
  mkdir -p "$corpus"
  cp tests/fuzz/corpus/"$target"/* "$corpus"/
  echo "fuzz: $target for $seconds s"
  build-fuzz/tests/fuzz/fuzz_"$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/fuzz-findings/"$target"- "$corpus"
done
