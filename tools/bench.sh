#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them. Not part of the tests.
#   tools/bench.sh [benchmark options]     the pool and scene benchmarks
#   tools/bench.sh chamber [OLD_REVISION]  the open chamber's CPU and frames, old build beside this one
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --tests
if [[ "${1:-}" == chamber ]]; then
  exec bench/chamber.sh "${@:2}"
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DMURKMOOT_BENCH=ON -DMURKMOOT_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target PoolBenchmark SceneBenchmark JournalBenchmark MurkmootCli
build-bench/bin/PoolBenchmark "$@"
build-bench/bin/SceneBenchmark "$@" 2>/dev/null
build-bench/bin/JournalBenchmark "$@"
bench/shared_pool.sh build-bench/bin
