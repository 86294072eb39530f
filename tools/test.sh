#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzzer for a bounded time.
# FUZZ_SECONDS (default 60) sets the time per fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --tests
jobs=$(nproc)

echo "== tests"
cmake -S . -B build >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DMURKMOOT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzzing"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMURKMOOT_FUZZ=ON -DMURKMOOT_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$jobs"
# Each fuzzer with the seed inputs kept beside its source.
run_fuzzer() {
  local name=$1 seeds=$2 corpus=build-fuzz/corpus/$1
  mkdir -p "$corpus"
  echo "-- $name for ${FUZZ_SECONDS:-60} s"
  build-fuzz/bin/"$name" -max_total_time="${FUZZ_SECONDS:-60}" "$corpus" "$seeds" 2>&1 | tail -n 1
}
run_fuzzer PoolReaderFuzz fuzz/pool/seeds
echo "all tests passed"
