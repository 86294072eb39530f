// Pool load, draw and a whole terminal consultation, each beside a straightforward baseline that
// parses with operator>> and rewrites the whole file after every draw.
//
//   tools/bench.sh          (or: build-bench/bin/PoolBenchmark)

#include "EntropyManager.h"
#include "Murkmoot.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A scratch directory holding Assets/Data/, the benchmark's working directory while it runs.
class Scratch {
public:
    Scratch() {
        std::string pattern = (fs::temp_directory_path() / "murkmoot-bench-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
        fs::create_directories(root / "Assets/Data");
        fs::current_path(root);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

private:
    fs::path root;
};

const std::string POOL = "Assets/Data/entropy_pool.txt";

const std::string& poolText(std::size_t count) {
    static std::vector<std::pair<std::size_t, std::string>> cache;
    for (const auto& [size, text] : cache) {
        if (size == count) {
            return text;
        }
    }
    std::mt19937 random(static_cast<unsigned>(count));
    std::vector<int> values(count);
    for (int& value : values) {
        value = static_cast<int>(random());
    }
    cache.emplace_back(count, EntropyManager::formatPool(values));
    return cache.back().second;
}

void writePool(std::size_t count) {
    std::ofstream out(POOL, std::ios::trunc | std::ios::binary);
    out << poolText(count);
}

namespace baseline {

std::vector<int> loadPool(const std::string& path) {
    std::ifstream in(path);
    std::vector<int> pool;
    int value = 0;
    while (in >> value) {
        pool.push_back(value);
    }
    return pool;
}

void savePool(const std::vector<int>& pool, const std::string& path) {
    std::ofstream out(path, std::ios::trunc);
    for (const int value : pool) {
        out << value << '\n';
    }
}

int drawFromPool(std::vector<int>& pool, const std::string& path) {
    const int value = pool.back();
    pool.pop_back();
    savePool(pool, path);
    return value;
}

} // namespace baseline

void loadOurs(benchmark::State& state) {
    Scratch scratch;
    writePool(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(EntropyManager::loadPool(POOL));
    }
}

void loadBaseline(benchmark::State& state) {
    Scratch scratch;
    writePool(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(baseline::loadPool(POOL));
    }
}

// Checking and counting a pool file that no program has seen yet: one pass over the whole file.
void inspectOurs(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state) {
        state.PauseTiming();
        writePool(static_cast<std::size_t>(state.range(0)));
        state.ResumeTiming();
        benchmark::DoNotOptimize(EntropyManager::countPoolFile(POOL));
    }
}

void drawOurs(benchmark::State& state) {
    Scratch scratch;
    const auto count = static_cast<std::size_t>(state.range(0));
    writePool(count);
    std::size_t left = count;
    for (auto _ : state) {
        if (left == 0) {
            state.PauseTiming();
            writePool(count);
            left = count;
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(EntropyManager::drawFromPool(POOL));
        --left;
    }
}

void drawBaseline(benchmark::State& state) {
    Scratch scratch;
    const auto count = static_cast<std::size_t>(state.range(0));
    writePool(count);
    std::vector<int> pool = baseline::loadPool(POOL);
    for (auto _ : state) {
        if (pool.empty()) {
            state.PauseTiming();
            writePool(count);
            pool = baseline::loadPool(POOL);
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(baseline::drawFromPool(pool, POOL));
    }
}

// One consultation of the terminal program on a freshly written pool, output discarded.
void consultationOurs(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state) {
        state.PauseTiming();
        writePool(static_cast<std::size_t>(state.range(0)));
        std::istringstream in("question");
        std::ostringstream out;
        state.ResumeTiming();
        Murkmoot oracle(in, out);
        benchmark::DoNotOptimize(oracle.runOracle());
    }
}

// The pool work of the same consultation done the straightforward way: one load, 13 draws.
void consultationBaseline(benchmark::State& state) {
    Scratch scratch;
    for (auto _ : state) {
        state.PauseTiming();
        writePool(static_cast<std::size_t>(state.range(0)));
        state.ResumeTiming();
        std::vector<int> pool = baseline::loadPool(POOL);
        for (int draw = 0; draw < 13; ++draw) {
            benchmark::DoNotOptimize(baseline::drawFromPool(pool, POOL));
        }
    }
}

} // namespace

BENCHMARK(loadOurs)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(inspectOurs)->Arg(10'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(loadBaseline)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(drawOurs)->Arg(10'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(drawBaseline)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);
BENCHMARK(consultationOurs)->Arg(10'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(consultationBaseline)->Arg(10'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
