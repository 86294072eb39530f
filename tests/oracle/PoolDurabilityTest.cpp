// The pool file must never lose or repeat values: not when it refuses writing, not when the
// process is killed in the middle of a draw.

#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    try {
        EntropyManager::drawFromPool(pool);
    } catch (const std::runtime_error& error) {
        // Says what is wrong: the pool is there and readable, but may not be changed.
        return std::string(error.what()) == "Failed to write entropy pool: " + pool + " (Permission denied)" ? 0 : 2;
    }
    return 1;
}

// What a directory holds besides `keep`, by name.
std::vector<std::string> leftovers(const std::filesystem::path& directory, const std::vector<std::string>& keep) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end()) {
            found.push_back(name);
        }
    }
    return found;
}

std::vector<int> distinctValues(int count) {
    std::vector<int> values;
    std::mt19937 random(7);
    for (int i = 0; i < count; ++i) {
        values.push_back(static_cast<int>(random()));
    }
    return values;
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

TEST(EntropyPoolDurability, AKilledDrawOrRewriteLeavesTheOldOrTheNewPoolAndNoTemporary) {
    TempDir dir;
    const auto pool = (dir.path() / "pool.txt").string();
    const std::vector<int> original = distinctValues(150000);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> killAfterMs(0, 40);
    for (int attempt = 0; attempt < 40; ++attempt) {
        EntropyManager::savePool(original, pool);
        const pid_t child = ::fork();
        if (child == 0) {
            // Alternate quick draws with full rewrites, forever, until killed.
            for (int round = 0;; ++round) {
                EntropyManager::drawFromPool(pool);
                if (round % 2 == 0) {
                    EntropyManager::savePool(EntropyManager::loadPool(pool), pool);
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
        EntropyManager::countPoolFile(pool); // the next program to come along
        ASSERT_EQ(leftovers(dir.path(), {"pool.txt", ".pool.txt.lock"}), std::vector<std::string>{})
            << "attempt " << attempt;
    }
    // The one instant a temporary has a name, just before it is renamed over the pool.
    writeFile(dir.path() / ".pool.txt.new", "1\n");
    EntropyManager::countPoolFile(pool);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / ".pool.txt.new"));
}

TEST(EntropyPoolDurability, ARewriteKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the pool to another user";
    }
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const auto pool = (dir.path() / "pool.txt").string();
    writeFile(pool, "[1, 2, 3]"); // not the written form: the draw rewrites it whole
    ASSERT_EQ(::chown(pool.c_str(), NOBODY, NOBODY), 0);
    ASSERT_EQ(::chmod(pool.c_str(), 0640), 0);
    EXPECT_EQ(EntropyManager::drawFromPool(pool), 3);
    struct stat status {};
    ASSERT_EQ(::stat(pool.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, NOBODY);
    EXPECT_EQ(status.st_gid, NOBODY);
    EXPECT_EQ(status.st_mode & 07777, 0640U);
    // Its owner goes on using it, lock file included.
    EXPECT_EQ(runUnprivileged([&] { return EntropyManager::drawFromPool(pool) == 2 ? 0 : 1; }), 0);
    EXPECT_EQ(readFile(pool), "1\n");
}

TEST(EntropyPoolDurability, AFileChangingUnderTheReaderNeverKillsIt) {
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    const auto pool = (dir.path() / "pool.txt").string();
    EntropyManager::savePool(distinctValues(200000), pool);
    const std::string full = readFile(pool);
    const pid_t writer = ::fork();
    if (writer == 0) {
        // Shrinks and regrows the file in place, as a careless refill would.
        for (std::size_t round = 0;; ++round) {
            ::truncate(pool.c_str(), static_cast<off_t>(round * 7919 % full.size()));
            writeFile(pool, full);
        }
    }
    const int status = runUnprivileged([&] {
        for (int load = 0; load < 300; ++load) {
            try {
                EntropyManager::countPoolFile(pool);
                EntropyManager::loadPool(pool);
            } catch (const std::runtime_error&) {
                // A torn read may be refused; it must not be fatal.
            }
        }
        return 0;
    });
    ::kill(writer, SIGKILL);
    ::waitpid(writer, nullptr, 0);
    EXPECT_EQ(status, 0);
}
