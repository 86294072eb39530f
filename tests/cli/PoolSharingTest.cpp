// Several real MurkmootCli processes on one pool at once, one waiting at its prompt throughout,
// while the file is replaced and edited in place: no value is handed out twice, none that left the
// file comes back, and every state of the file is the written form of what it held, cut short.

#include "Consultation.h"
#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <numeric>
#include <sys/file.h>
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
