// The pool file must never lose or repeat values: not when it refuses writing, not when the
// process is killed in the middle of a draw.

#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

constexpr uid_t NOBODY = 65534;

// Runs `check` in a child process without root's right to write anywhere; returns its status.
template <typename Check>
int runUnprivileged(Check check) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(NOBODY) != 0 || ::setuid(NOBODY) != 0)) {
            ::_exit(90);
        }
        ::_exit(check());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

int drawFailsNamingThePath(const std::string& pool) {
    std::vector<int> values = EntropyManager::loadPool(pool);
    try {
        EntropyManager::drawFromPool(values, pool);
    } catch (const std::runtime_error& error) {
        const std::string message = error.what();
        if (message.find(pool) == std::string::npos) {
            return 2;
        }
        return values.size() == 3 ? 0 : 3; // nothing was handed out
    }
    return 1;
}

} // namespace

TEST(EntropyPoolDurability, AnUnwritablePoolHandsNothingOut) {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const auto pool = (dir.path() / "pool.txt").string();
    // The written form is cut in place; any other text is rewritten whole. Both must refuse.
    for (const std::string text : {"1\n2\n3\n", "[1, 2, 3]"}) {
        writeFile(pool, text);
        ::chmod(pool.c_str(), 0444);
        EXPECT_EQ(runUnprivileged([&] { return drawFailsNamingThePath(pool); }), 0) << text;
        EXPECT_EQ(readFile(pool), text);
        ::chmod(pool.c_str(), 0644);
    }
}

TEST(EntropyPoolDurability, AKilledDrawLeavesTheOldOrTheNewPool) {
    TempDir dir;
    const auto pool = (dir.path() / "pool.txt").string();
    std::vector<int> original;
    std::mt19937 random(7);
    for (int i = 0; i < 150000; ++i) {
        original.push_back(static_cast<int>(random()));
    }
    std::uniform_int_distribution<int> killAfterMs(0, 40);
    for (int attempt = 0; attempt < 12; ++attempt) {
        EntropyManager::savePool(original, pool);
        const pid_t child = ::fork();
        if (child == 0) {
            // Alternate quick draws with full rewrites, forever, until killed.
            std::vector<int> values = EntropyManager::loadPool(pool);
            for (int round = 0;; ++round) {
                EntropyManager::drawFromPool(values, pool);
                if (round % 2 == 0) {
                    EntropyManager::savePool(values, pool);
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs(random)));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string text = readFile(pool);
        bool writtenForm = false;
        const std::vector<int> left = EntropyManager::parsePool(text, pool, &writtenForm);
        ASSERT_TRUE(writtenForm) << "attempt " << attempt;
        ASSERT_LE(left.size(), original.size());
        ASSERT_TRUE(std::equal(left.begin(), left.end(), original.begin())) << "attempt " << attempt;
    }
}
