// Several real MurkmootCli processes on one pool at once, some waiting at their prompt, while
// others refill the file: no value is handed out twice, none that left the file comes back, and
// every state of the file is the written form of what it held, cut short.

#include "Consultation.h"
#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fcntl.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testsupport::Consultation;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

const char* const POOL = "Assets/Data/entropy_pool.txt";

std::vector<int> distinct(int count, int offset) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(offset + i * 7);
    }
    return values;
}

class PoolSharing : public ::testing::Test {
protected:
    PoolSharing() { std::filesystem::create_directories(dir.path() / "Assets/Data"); }

    std::string pool() const { return readFile(dir.path() / POOL); }
    void writePool(const std::vector<int>& values) const {
        EntropyManager::savePool(values, (dir.path() / POOL).string());
    }
    std::filesystem::path output(int index) const { return scratch.path() / ("out" + std::to_string(index)); }

    TempDir dir;
    TempDir scratch;
};

} // namespace

TEST_F(PoolSharing, OverlappingConsultationsNeverRepeatOrRestoreAValue) {
    const std::vector<int> original = distinct(3000, 1000);
    writePool(original);

    // Every state a reader can see is the written form of a prefix of the pool. Like the
    // programs, the reader takes the lock: a read racing a cut may see zeros where the line was.
    std::atomic<bool> sampling{true};
    std::atomic<int> badStates{0};
    std::thread sampler([&] {
        const int lock = ::open((dir.path() / "Assets/Data/.entropy_pool.txt.lock").c_str(), O_RDONLY | O_CLOEXEC);
        while (sampling) {
            ::flock(lock, LOCK_SH);
            const std::string text = pool();
            ::flock(lock, LOCK_UN);
            bool writtenForm = false;
            const std::vector<int> now = EntropyManager::parsePool(text, POOL, &writtenForm);
            if (!writtenForm || now.size() > original.size() || !std::equal(now.begin(), now.end(), original.begin())) {
                ++badStates;
            }
        }
        ::close(lock);
    });

    Consultation waiter(MURKMOOT_CLI_BINARY, dir.path(), output(0));
    ASSERT_TRUE(waiter.waitForPrompt());
    std::vector<std::string> reports;
    for (int round = 0; round < 4; ++round) {
        // All summon at once, then all answer at once: their draws overlap as much as can be.
        std::vector<std::unique_ptr<Consultation>> running;
        for (int i = 0; i < 8; ++i) {
            running.push_back(std::make_unique<Consultation>(MURKMOOT_CLI_BINARY, dir.path(), output(1 + round * 8 + i)));
        }
        for (auto& consultation : running) {
            ASSERT_TRUE(consultation->waitForPrompt());
        }
        for (auto& consultation : running) {
            consultation->type();
        }
        for (auto& consultation : running) {
            reports.push_back(consultation->answer());
            EXPECT_EQ(consultation->exitStatus, 0) << reports.back();
        }
    }
    reports.push_back(waiter.answer());
    EXPECT_EQ(waiter.exitStatus, 0);
    sampling = false;
    sampler.join();
    EXPECT_EQ(badStates, 0);

    const auto [drawn, shown] = Consultation::tally(reports);
    ASSERT_EQ(shown.size(), reports.size() * 5);
    // The file lost exactly one line per draw, from its end: nothing came back.
    const std::vector<int> left(original.begin(), original.end() - static_cast<std::ptrdiff_t>(drawn));
    EXPECT_EQ(pool(), EntropyManager::formatPool(left));
    // Every value shown was handed out once, and came from the part that is gone.
    const std::set<int> unique(shown.begin(), shown.end());
    EXPECT_EQ(unique.size(), shown.size());
    const std::set<int> gone(original.end() - static_cast<std::ptrdiff_t>(drawn), original.end());
    EXPECT_TRUE(std::includes(gone.begin(), gone.end(), unique.begin(), unique.end()));
}

TEST_F(PoolSharing, ARefillWhileAProgramWaitsIsKept) {
    const std::vector<int> original = distinct(100, 5);
    writePool(original);
    Consultation waiting(MURKMOOT_CLI_BINARY, dir.path(), output(0));
    ASSERT_TRUE(waiting.waitForPrompt()); // 5 drawn

    // A refill in front of the pool (replacing the file), then a value appended by hand.
    std::vector<int> refilled = distinct(50, 90000);
    refilled.insert(refilled.end(), original.begin(), original.end() - 5);
    writePool(refilled);
    testsupport::writeFile(scratch.path() / "appended", readFile(dir.path() / POOL) + "77\n");
    std::filesystem::copy_file(scratch.path() / "appended", dir.path() / POOL,
                               std::filesystem::copy_options::overwrite_existing);

    const std::string report = waiting.answer();
    ASSERT_EQ(waiting.exitStatus, 0) << report;
    const std::size_t after = static_cast<std::size_t>(Consultation::drawsIn(report) - 5);
    EXPECT_EQ(Consultation::voteValues(report).front(), 77) << "the file's last value now is the next one drawn";
    refilled.push_back(77);
    refilled.resize(refilled.size() - after);
    EXPECT_EQ(pool(), EntropyManager::formatPool(refilled));
}
