#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, then each fuzzer for a bounded time.
# FUZZ_SECONDS (default 45) sets the time per fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --tests
jobs=$(nproc)

echo "== tests"
# Tests on even where tools/play.sh configured this build without them; a suite that finds no
# test has failed.
cmake -S . -B build -DMURKMOOT_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DMURKMOOT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DMURKMOOT_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$jobs"

echo "== fuzzing"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DMURKMOOT_FUZZ=ON -DMURKMOOT_TESTS=OFF -DMURKMOOT_WINDOWED=ON >/dev/null
cmake --build build-fuzz -j"$jobs"
# Each fuzzer starts from the seed inputs kept beside its source (corpus/, and a dictionary when
# there is one) and keeps what it learns in the build tree.
run_fuzzer() {
  local name=$1 source=fuzz/$2 corpus=build-fuzz/corpus/$1
  local options=(-max_total_time="${FUZZ_SECONDS:-45}")
  mkdir -p "$corpus"
  for dict in "$source"/*.dict; do [[ -e "$dict" ]] && options+=(-dict="$dict"); done
  echo "-- $name for ${FUZZ_SECONDS:-45} s"
  # Headless whatever the desktop, as the test suites run: SDL would otherwise load the system's
  # D-Bus library, whose one known leak is suppressed by name.
  env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp" \
    build-fuzz/bin/"$name" "${options[@]}" "$corpus" "$source/corpus" 2>&1 | tail -n 1
}
run_fuzzer PoolReaderFuzzer pool
run_fuzzer PoolImportFuzzer import
run_fuzzer ControlListFuzzer controls
run_fuzzer EntityRecordFuzzer entities
echo "all tests passed"
