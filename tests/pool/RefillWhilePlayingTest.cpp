// MurkmootPool add against a pool in use: games drawing at the same moment, and a kill at any
// instant of the change.

#include "Consultation.h"
#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

using namespace testsupport;

static std::vector<int> distinct(int count, int offset) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(offset + i * 3);
    }
    return values;
}

class RefillWhilePlaying : public ::testing::Test {
protected:
    RefillWhilePlaying() { std::filesystem::create_directories(dir.path() / "Assets/Data"); }

    TempDir dir;
    const std::string pool = (dir.path() / "Assets/Data/entropy_pool.txt").string();
};

TEST_F(RefillWhilePlaying, AddWhileFourConsultLosesNothingAndRepeatsNothing) {
    const std::vector<int> original = distinct(3000, 1000);
    EntropyManager::savePool(original, pool);
    std::vector<int> refills; // the last refill first
    std::vector<std::string> reports;
    for (int round = 1; round <= 3; ++round) {
        const std::vector<int> refill = distinct(20000, 1'000'000 * round);
        writeFile(dir.path() / "refill.txt", EntropyManager::formatPool(refill));
        refills.insert(refills.begin(), refill.begin(), refill.end());
        // The refill and all four questions at once.
        ProcessResult added;
        std::thread adder;
        const auto answered = consultTogether(MURKMOOT_CLI_BINARY, dir.path(), 4, [&] {
            adder = std::thread([&] { added = runProcess(MURKMOOT_POOL_BINARY, dir.path(), "", {"add", "refill.txt"}); });
        });
        adder.join();
        reports.insert(reports.end(), answered.begin(), answered.end());
        EXPECT_EQ(added.out.rfind("Added 20000 values; the pool now holds ", 0), 0U) << added.err;
    }
    EXPECT_EQ(sharingProblem(reports, original, refills, readFile(pool)), "");
}

TEST_F(RefillWhilePlaying, AKillDuringAddLeavesTheOldOrTheNewFile) {
    const std::vector<int> original = distinct(1'000'000, -2'000'000'000);
    std::vector<int> both = distinct(500'000, 5);
    writeFile(dir.path() / "refill.txt", EntropyManager::formatPool(both));
    both.insert(both.end(), original.begin(), original.end());
    const std::string oldText = EntropyManager::formatPool(original);
    const std::string newText = EntropyManager::formatPool(both);
    writeFile(pool, oldText);

    // Kills spread over the run, from before it reads the source to after it is done.
    for (int delayMs = 1; delayMs <= 151; delayMs += 5) {
        const std::string add = "cd " + dir.path().string() + " && timeout -s KILL " + std::to_string(delayMs / 1000.0) +
                                " " MURKMOOT_POOL_BINARY " add --format text refill.txt >/dev/null";
        static_cast<void>(std::system(add.c_str()));
        const std::string now = readFile(pool);
        ASSERT_TRUE(now == oldText || now == newText) << "killed after " << delayMs << " ms: " << now.size() << " bytes";
        if (now == newText) {
            writeFile(pool, oldText);
        }
        // Nothing is left beside the pool but its lock.
        for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "Assets/Data")) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "entropy_pool.txt" || name == ".entropy_pool.txt.lock") << name;
        }
    }
}
