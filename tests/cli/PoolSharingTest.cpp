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

namespace {

// Two players and their group, made for one test and removed again.
class Players {
public:
    Players() : group("mmpool" + std::to_string(::getpid())), names{group + "a", group + "b"} {
        remove();
        run("groupadd " + group);
        for (const std::string& name : names) {
            run("useradd -M -U -s /usr/sbin/nologin " + name + " && usermod -a -G " + group + " " + name);
        }
    }
    ~Players() { remove(); }
    Players(const Players&) = delete;
    Players& operator=(const Players&) = delete;

    static void run(const std::string& script) {
        const ProcessResult done = runProcess("/bin/sh", "/", "", {"-c", script});
        ASSERT_EQ(done.exitStatus, 0) << script << "\n" << done.err;
    }

    const std::string group;
    const std::string names[2];

private:
    void remove() const {
        runProcess("/bin/sh", "/", "",
                   {"-c", "userdel " + names[0] + "; userdel " + names[1] + "; groupdel " + group + "; true"});
    }
};

} // namespace

// The recipe the README and the manual pages give for a pool several players share, followed
// word for word by two players under umask 077: a group, a setgid directory only the group may
// enter, a pool only the group may read and write. Both consult at once (the lock file one made is
// one the other can lock) and refill in turn; the pool keeps its group and mode throughout, with
// nothing in the directory writable by others.
TEST(PoolSharing, TwoPlayersShareAPoolByTheRecipe) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to add two players and a group";
    }
    const TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
    const Players players;
    if (::testing::Test::HasFatalFailure()) {
        return;
    }
    const std::string shared = (dir.path() / "murkmoot").string();
    const std::string pool = shared + "/entropy_pool.txt";
    Players::run("install -d -g " + players.group + " -m 2770 " + shared);
    // A fresh login: the player's own groups, home and the narrowest umask.
    const auto asPlayer = [&](int player, const std::string& command) {
        const std::string& name = players.names[player];
        const std::string home = (dir.path() / name).string();
        return "setpriv --reuid=" + name + " --regid=" + name + " --init-groups sh -c 'umask 077; cd " + home +
               " && HOME=" + home + " exec " + command + "'";
    };
    for (int player = 0; player < 2; ++player) {
        Players::run("install -d -o " + players.names[player] + " -m 700 " + (dir.path() / players.names[player]).string());
    }
    const std::string tool = std::string(MURKMOOT_POOL_BINARY) + " fill ";
    const std::string fill = tool + "100 --pool " + pool;
    const std::string consult = std::string(MURKMOOT_CLI_BINARY) + " --pool " + pool;
    Players::run(asPlayer(0, "install -m 660 /dev/null " + pool));
    Players::run(asPlayer(0, tool + "1000 --pool " + pool));
    for (int turn = 0; turn < 2; ++turn) {
        const std::vector<int> before = EntropyManager::parsePool(readFile(pool), pool);
        const auto reports = consultTogether(
            {asPlayer(0, consult), asPlayer(1, consult), asPlayer(0, consult), asPlayer(1, consult)}, dir.path(), [] {});
        EXPECT_EQ(sharingProblem(reports, before, {}, readFile(pool)), "");
        const std::size_t left = lines(readFile(pool)).size();
        Players::run(asPlayer(turn, fill));
        EXPECT_EQ(lines(readFile(pool)).size(), left + 100);
        struct stat status {};
        struct stat directory {};
        ASSERT_EQ(::stat(pool.c_str(), &status), 0);
        ASSERT_EQ(::stat(shared.c_str(), &directory), 0);
        EXPECT_EQ(status.st_mode & 07777, 0660U) << "after turn " << turn;
        EXPECT_EQ(status.st_gid, directory.st_gid) << "after turn " << turn;
        for (const auto& entry : std::filesystem::directory_iterator(shared)) {
            ASSERT_EQ(::stat(entry.path().c_str(), &status), 0);
            EXPECT_EQ(status.st_mode & S_IWOTH, 0U) << entry.path();
        }
    }
}
