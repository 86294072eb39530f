// Reading the last few consultations of the journal: a short journal against one of a million
// lines, each beside a baseline that reads every line to keep the last few.
//
//   build-bench/bin/JournalBenchmark

#include "Journal.h"

#include <benchmark/benchmark.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A full council's entry, as long as a real one.
std::string entryLine() {
    GoblinTypes::OracleResult result;
    for (const char* name : {"Bogwort", "Mirefang", "Squat Goblin", "Ashdribble", "Pudding Brain"}) {
        result.council.push_back(name);
        result.votes.push_back({name, "", 1234567, "", "Perhaps"});
    }
    result.consensusCore = "Perhaps";
    result.prophecy = "Perhaps, the mists thicken and the answer waits below.";
    result.finalVerdict = "Perhaps; the bog has spoken and will not say it twice.";
    return JournalEntry::fromResult(result, "Will the harvest be good this year?", "MurkmootCli",
                                    std::chrono::system_clock::now())
        .toLine();
}

// Journals of 10 and 1,000,000 lines, made once for every benchmark and removed at exit.
class Journals {
public:
    Journals() {
        std::string pattern = (fs::temp_directory_path() / "murkmoot-journal-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch directory");
        }
        root = pattern;
        const std::string line = entryLine();
        std::string block;
        for (int i = 0; i < 1000; ++i) {
            block += line;
        }
        std::ofstream(root / "short.jsonl") << block.substr(0, line.size() * 10);
        std::ofstream large(root / "large.jsonl", std::ios::binary);
        for (int i = 0; i < 1000; ++i) {
            large << block;
        }
    }
    ~Journals() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    Journals(const Journals&) = delete;
    Journals& operator=(const Journals&) = delete;

    fs::path path(std::int64_t lines) const { return root / (lines == 10 ? "short.jsonl" : "large.jsonl"); }

private:
    fs::path root;
};

const Journals& journals() {
    static const Journals made;
    return made;
}

void readLastFive(benchmark::State& state) {
    const Journal journal(journals().path(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(journal.readLast(5));
    }
}
BENCHMARK(readLastFive)->Arg(10)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

// Every line read to keep the last five, then those five parsed.
void readLastFiveReadingEverything(benchmark::State& state) {
    const fs::path path = journals().path(state.range(0));
    for (auto _ : state) {
        std::ifstream in(path);
        std::deque<std::string> last;
        for (std::string line; std::getline(in, line);) {
            last.push_back(std::move(line));
            if (last.size() > 5) {
                last.pop_front();
            }
        }
        for (const std::string& line : last) {
            benchmark::DoNotOptimize(JournalEntry::parse(line));
        }
    }
}
BENCHMARK(readLastFiveReadingEverything)->Arg(10)->Arg(1'000'000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
