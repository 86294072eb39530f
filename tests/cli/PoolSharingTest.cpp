// Several real MurkmootCli processes on one pool at once, one waiting at its prompt throughout,
// while the file is replaced and edited in place: no value is handed out twice, none that left the
// file comes back, and every state of the file is the written form of what it held, cut short.

#include "Consultation.h"
#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fcntl.h>
#include <numeric>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;

TEST(PoolSharing, OverlappingConsultationsNeverRepeatLoseOrRestoreAValue) {
    const TempDir dir;
    const std::string pool = (dir.path() / "Assets/Data/entropy_pool.txt").string();
    std::vector<int> original(3000);
    std::iota(original.begin(), original.end(), 1000);
    writeFile(pool, EntropyManager::formatPool(original));

    std::vector<std::string> reports;
    const auto whileOneWaits = [&] {
        // Like the programs, the reader takes the lock: a read racing a cut may see zeros where
        // the line was.
        std::atomic<bool> sampling{true};
        std::atomic<int> badStates{0};
        std::thread sampler([&] {
            const int lock = ::open((dir.path() / "Assets/Data/.entropy_pool.txt.lock").c_str(), O_RDONLY | O_CLOEXEC);
            for (bool written = false; sampling; badStates += !written) {
                ::flock(lock, LOCK_SH);
                const std::vector<int> now = EntropyManager::parsePool(readFile(pool), pool, &written);
                ::flock(lock, LOCK_UN);
                written = written && now.size() <= original.size() &&
                          std::equal(now.begin(), now.end(), original.begin());
            }
            ::close(lock);
        });
        // Ten at a time summon at once, then answer at once: their draws overlap as much as can be.
        for (int round = 0; round < 6; ++round) {
            const auto answered = consultTogether(MURKMOOT_CLI_BINARY, dir.path(), 10, [] {});
            reports.insert(reports.end(), answered.begin(), answered.end());
        }
        sampling = false;
        sampler.join();
        EXPECT_EQ(badStates, 0);

        // Then others replace the pool, and edit it in place, with new values in front.
        std::vector<int> now = EntropyManager::parsePool(readFile(pool), pool);
        now.insert(now.begin(), {-5, -6});
        EntropyManager::savePool(now, pool);
        writeFile(dir.path() / "edited", "-7\n-8\n" + readFile(pool));
        std::filesystem::copy_file(dir.path() / "edited", pool, std::filesystem::copy_options::overwrite_existing);
    };
    const auto waiter = consultTogether(MURKMOOT_CLI_BINARY, dir.path(), 1, whileOneWaits);
    reports.insert(reports.end(), waiter.begin(), waiter.end());
    EXPECT_EQ(sharingProblem(reports, original, {-7, -8, -5, -6}, readFile(pool)), "");
}

// A cleaner removes the lock file again and again while eight programs consult: a newcomer that
// locks a fresh lock file still waits for whoever holds the pool.
TEST(PoolSharing, TheLockFileRemovedThroughoutStillKeepsOneLock) {
    const TempDir dir;
    const std::string pool = (dir.path() / "Assets/Data/entropy_pool.txt").string();
    std::vector<int> original(3000);
    std::iota(original.begin(), original.end(), 1000);
    writeFile(pool, EntropyManager::formatPool(original));
    std::atomic<bool> cleaning{true};
    std::thread cleaner([&] {
        while (cleaning) {
            ::unlink((dir.path() / "Assets/Data/.entropy_pool.txt.lock").c_str());
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
    std::vector<std::string> reports;
    for (int round = 0; round < 2; ++round) {
        const auto answered = consultTogether(MURKMOOT_CLI_BINARY, dir.path(), 8, [] {});
        reports.insert(reports.end(), answered.begin(), answered.end());
    }
    cleaning = false;
    cleaner.join();
    EXPECT_EQ(sharingProblem(reports, original, {}, readFile(pool)), "");
}

// Root and nobody, each under umask 077, on one pool (nobody through a link from a directory of
// its own): the lock file root made first is one nobody can lock too.
TEST(PoolSharing, TwoUsersUnderANarrowUmaskShareOneLock) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run programs as nobody";
    }
    const TempDir dir;
    const std::filesystem::path theirs = dir.path() / "nobody";
    const std::string pool = (dir.path() / "Assets/Data/entropy_pool.txt").string();
    std::vector<int> original(3000);
    std::iota(original.begin(), original.end(), 1000);
    writeFile(pool, EntropyManager::formatPool(original));
    std::filesystem::create_directories(theirs / "Assets/Data");
    std::filesystem::create_symlink(pool, theirs / "Assets/Data/entropy_pool.txt");
    for (const auto& path : {dir.path(), dir.path() / "Assets", dir.path() / "Assets/Data", theirs,
                             theirs / "Assets", theirs / "Assets/Data"}) {
        std::filesystem::permissions(path, std::filesystem::perms::all);
    }
    ::chmod(pool.c_str(), 0666);
    const std::string asRoot = "sh -c 'umask 077; exec " MURKMOOT_CLI_BINARY "'";
    const std::string asNobody = "sh -c 'cd " + theirs.string() +
                                 " && umask 077 && exec setpriv --reuid=65534 --regid=65534 --clear-groups "
                                 MURKMOOT_CLI_BINARY "'";
    std::vector<std::string> reports = consultTogether(asRoot, dir.path(), 1, [] {}); // root makes the lock file
    for (int round = 0; round < 3; ++round) {
        const auto answered =
            consultTogether({asRoot, asNobody, asRoot, asNobody, asRoot, asNobody}, dir.path(), [] {});
        reports.insert(reports.end(), answered.begin(), answered.end());
    }
    EXPECT_EQ(sharingProblem(reports, original, {}, readFile(pool)), "");
}
