// MurkmootPool add against a pool in use: games drawing at the same moment, and a kill at any
// instant of the change.

#include "Consultation.h"
#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <numeric>
#include <thread>

using namespace testsupport;

// `count` values from `first` on, each one more.
static std::vector<int> run(std::size_t count, int first) {
    std::vector<int> values(count);
    std::iota(values.begin(), values.end(), first);
    return values;
}

TEST(RefillWhilePlaying, AddWhileFourConsultLosesNothingAndRepeatsNothing) {
    const TempDir dir;
    const std::vector<int> original = run(3000, 1000);
    writeFile(dir.path() / "Assets/Data/entropy_pool.txt", EntropyManager::formatPool(original));
    std::vector<int> refills; // the last refill first
    std::vector<std::string> reports;
    for (int round = 1; round <= 3; ++round) {
        const std::vector<int> refill = run(20000, 1'000'000 * round);
        writeFile(dir.path() / "refill.txt", EntropyManager::formatPool(refill));
        refills.insert(refills.begin(), refill.begin(), refill.end());
        // The refill and all four questions at once.
        std::future<ProcessResult> adding;
        const auto answered = consultTogether(MURKMOOT_CLI_BINARY, dir.path(), 4, [&] {
            adding = std::async(std::launch::async, runProcess, MURKMOOT_POOL_BINARY, dir.path(), "",
                                std::vector<std::string>{"add", "refill.txt"});
        });
        reports.insert(reports.end(), answered.begin(), answered.end());
        const ProcessResult added = adding.get();
        EXPECT_EQ(added.out.rfind("Added 20000 values; the pool now holds ", 0), 0U) << added.err;
    }
    EXPECT_EQ(sharingProblem(reports, original, refills, readFile(dir.path() / "Assets/Data/entropy_pool.txt")), "");
}

// A person refilling by hand, under the lock as the README shows, while four programs consult:
// every value put in front stays until its turn.
TEST(RefillWhilePlaying, RefillsByHandUnderTheLockAreNeverLost) {
    const TempDir dir;
    const std::vector<int> original = run(3000, 1000);
    writeFile(dir.path() / "Assets/Data/entropy_pool.txt", EntropyManager::formatPool(original));
    std::vector<int> refills; // the last refill first
    std::atomic<bool> refilling{true};
    std::thread person([&] {
        for (int value = -1; refilling; --value) {
            const std::string edit = "cd " + (dir.path() / "Assets/Data").string() +
                                     " && flock .entropy_pool.txt.lock sh -c '{ echo " + std::to_string(value) +
                                     "; cat entropy_pool.txt; } > edit && cat edit > entropy_pool.txt'";
            ASSERT_EQ(std::system(edit.c_str()), 0);
            refills.insert(refills.begin(), value);
        }
    });
    std::vector<std::string> reports;
    for (int round = 0; round < 3; ++round) {
        const auto answered = consultTogether(MURKMOOT_CLI_BINARY, dir.path(), 4, [] {});
        reports.insert(reports.end(), answered.begin(), answered.end());
    }
    refilling = false;
    person.join();
    EXPECT_EQ(sharingProblem(reports, original, refills, readFile(dir.path() / "Assets/Data/entropy_pool.txt")), "");
}

TEST(RefillWhilePlaying, AKillDuringAddLeavesTheOldOrTheNewFile) {
    const TempDir dir;
    const std::filesystem::path pool = dir.path() / "Assets/Data/entropy_pool.txt";
    std::vector<int> both = run(500'000, 5);
    writeFile(dir.path() / "refill.txt", EntropyManager::formatPool(both));
    const std::vector<int> original = run(1'000'000, -2'000'000'000);
    both.insert(both.end(), original.begin(), original.end());
    const std::string oldText = EntropyManager::formatPool(original);
    const std::string newText = EntropyManager::formatPool(both);

    // Kills spread over the run, from before it reads the source to after it is done.
    for (int ms = 1; ms <= 151; ms += 10) {
        writeFile(pool, oldText);
        const std::string add = "cd " + dir.path().string() + " && timeout -s KILL " + std::to_string(ms / 1000.0) +
                                " " MURKMOOT_POOL_BINARY " add --again --format text refill.txt >/dev/null";
        static_cast<void>(std::system(add.c_str()));
        const std::string now = readFile(pool);
        ASSERT_TRUE(now == oldText || now == newText) << "killed after " << ms << " ms: " << now.size() << " bytes";
        // Nothing is left beside the pool but its lock and its record of what was added.
        for (const auto& entry : std::filesystem::directory_iterator(pool.parent_path())) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(entry.path() == pool || name == ".entropy_pool.txt.lock" || name == ".entropy_pool.txt.added")
                << entry.path();
        }
    }
}
