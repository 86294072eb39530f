// MurkmootPool add against a pool in use: games drawing at the same moment, and a kill at any
// instant of the change.

#include "Consultation.h"
#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testsupport::Consultation;
using testsupport::readFile;
using testsupport::runProcess;
using testsupport::TempDir;
using testsupport::writeFile;

namespace fs = std::filesystem;

namespace {

const char* const POOL = "Assets/Data/entropy_pool.txt";

std::vector<int> distinct(int count, int offset) {
    std::vector<int> values(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        values[static_cast<std::size_t>(i)] = offset + i * 3;
    }
    return values;
}

std::string poolPath(const TempDir& dir) { return (dir.path() / POOL).string(); }

} // namespace

TEST(RefillWhilePlaying, AddWhileFourConsultLosesNothingAndRepeatsNothing) {
    TempDir dir;
    TempDir scratch;
    const std::vector<int> original = distinct(3000, 1000);
    fs::create_directories(dir.path() / "Assets/Data");
    EntropyManager::savePool(original, poolPath(dir));

    std::vector<int> refills; // what the file should start with at the end: the last refill first
    std::vector<std::string> reports;
    for (int round = 0; round < 3; ++round) {
        const std::vector<int> refill = distinct(20000, 1'000'000 * (round + 1));
        writeFile(scratch.path() / "refill.txt", EntropyManager::formatPool(refill));
        refills.insert(refills.begin(), refill.begin(), refill.end());

        std::vector<std::unique_ptr<Consultation>> running;
        for (int i = 0; i < 4; ++i) {
            running.push_back(std::make_unique<Consultation>(
                MURKMOOT_CLI_BINARY, dir.path(), scratch.path() / ("out" + std::to_string(round * 4 + i))));
        }
        for (auto& consultation : running) {
            ASSERT_TRUE(consultation->waitForPrompt());
        }
        // The refill and all four questions at once.
        testsupport::ProcessResult added;
        std::thread adder([&] {
            added = runProcess(MURKMOOT_POOL_BINARY, dir.path(), "", {"add", (scratch.path() / "refill.txt").string()});
        });
        for (auto& consultation : running) {
            consultation->type();
        }
        for (auto& consultation : running) {
            reports.push_back(consultation->answer());
            EXPECT_EQ(consultation->exitStatus, 0) << reports.back();
        }
        adder.join();
        EXPECT_EQ(added.exitStatus, 0) << added.err;
        EXPECT_EQ(added.out.rfind("Added 20000 values; the pool now holds ", 0), 0U) << added.out;
    }

    const auto [drawn, shown] = Consultation::tally(reports);
    ASSERT_EQ(shown.size(), reports.size() * 5);
    // Every refill is whole, in order and in front; the old values lost exactly the draws.
    std::vector<int> expected = refills;
    expected.insert(expected.end(), original.begin(), original.end() - static_cast<std::ptrdiff_t>(drawn));
    EXPECT_EQ(readFile(poolPath(dir)), EntropyManager::formatPool(expected));
    // Each value shown was handed out once, and from the old values that are gone.
    const std::set<int> unique(shown.begin(), shown.end());
    EXPECT_EQ(unique.size(), shown.size());
    const std::set<int> gone(original.end() - static_cast<std::ptrdiff_t>(drawn), original.end());
    EXPECT_TRUE(std::includes(gone.begin(), gone.end(), unique.begin(), unique.end()));
}

TEST(RefillWhilePlaying, AKillDuringAddLeavesTheOldOrTheNewFile) {
    TempDir dir;
    TempDir scratch;
    fs::create_directories(dir.path() / "Assets/Data");
    const std::vector<int> original = distinct(1'000'000, -2'000'000'000);
    const std::vector<int> refill = distinct(500'000, 5);
    EntropyManager::savePool(original, poolPath(dir));
    const std::string oldText = readFile(poolPath(dir));
    writeFile(scratch.path() / "refill.txt", EntropyManager::formatPool(refill));
    std::vector<int> both = refill;
    both.insert(both.end(), original.begin(), original.end());
    const std::string newText = EntropyManager::formatPool(both);

    int keptOld = 0;
    int tookNew = 0;
    // Kills spread over the run, from before it reads the source to after it is done.
    for (int delayMs = 0; delayMs <= 150; delayMs += 5) {
        if (tookNew > 0) {
            EntropyManager::savePool(original, poolPath(dir));
        }
        const pid_t child = ::fork();
        if (child == 0) {
            const int quiet = ::open("/dev/null", O_WRONLY);
            if (quiet < 0 || ::chdir(dir.path().c_str()) != 0) {
                ::_exit(127);
            }
            ::dup2(quiet, 1);
            const std::string source = (scratch.path() / "refill.txt").string();
            ::execl(MURKMOOT_POOL_BINARY, MURKMOOT_POOL_BINARY, "add", "--format", "text", source.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string now = readFile(poolPath(dir));
        ASSERT_TRUE(now == oldText || now == newText) << "killed after " << delayMs << " ms: " << now.size() << " bytes";
        (now == oldText ? keptOld : tookNew) += 1;
        // Nothing is left beside the pool but its lock.
        for (const auto& entry : fs::directory_iterator(dir.path() / "Assets/Data")) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "entropy_pool.txt" || name == ".entropy_pool.txt.lock") << name;
        }
    }
    std::cout << "[          ] kills that kept the old file: " << keptOld << ", after the change: " << tookNew << "\n";
}
