// The pool file: each draw takes what is last in it now and cuts only that line off; it never
// loses or repeats values, not when it refuses writing. (A process killed mid-change is tested
// with the pool tool, in tests/pool.)

#include "EntropyManager.h"
#include "PoolError.h"
#include "PoolFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr uid_t NOBODY = 65534;

const bool ROOT = ::geteuid() == 0;

// File access without root's right to write anywhere, while in scope: as nobody under root. Any
// other user has no such right to drop, and the tests deny the files' owner too.
struct AsNobody {
    AsNobody() {
        if (ROOT) {
            ::setfsgid(NOBODY);
            ::setfsuid(NOBODY);
        }
    }
    ~AsNobody() {
        if (ROOT) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
};

// Bytes this process has read so far.
std::size_t bytesRead() {
    std::string rchar;
    std::size_t value = 0;
    std::ifstream("/proc/self/io") >> rchar >> value; // "rchar:" comes first
    return value;
}

using Kind = PoolError::Kind;

// The message of the PoolError `action` throws, which must be of `kind`; "" when it throws nothing.
template <typename Action>
std::string errorOf(Action action, Kind kind) {
    try {
        action();
    } catch (const PoolError& error) {
        EXPECT_EQ(error.kind(), kind) << error.what();
        return error.what();
    }
    return "";
}

} // namespace

struct PoolFileTest : ::testing::Test {
    PoolFileTest() { fs::permissions(dir.path(), fs::perms::all); } // for nobody too
    // Pools on a file system of their own where there is one, apart from "/" and the working
    // directory: a new file made anywhere but beside the pool could not be renamed over it.
    const bool apart = fs::is_directory("/dev/shm") && ::setenv("TMPDIR", "/dev/shm", 0) == 0;
    TempDir dir;
    const std::string pool = (dir.path() / "pool.txt").string();
};

TEST_F(PoolFileTest, SavesLoadsAndRefusesWhatIsNoPool) {
    const std::vector<int> written{0, -1, 2147483647, -2147483648, 42};
    EntropyManager::savePool(written, pool);
    EXPECT_EQ(readFile(pool), "0\n-1\n2147483647\n-2147483648\n42\n");
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(fs::status(pool).permissions(), static_cast<fs::perms>(0666 & ~mask)); // as any new file
    EXPECT_EQ(EntropyManager::loadPool(pool), written);
    // Drawing the last value leaves an empty file, not a missing one; then the pool is empty.
    writeFile(pool, "5\n");
    EXPECT_EQ(EntropyManager::drawFromPool(pool), 5);
    EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(pool); }, Kind::EMPTY), "Entropy pool empty");
    // A rewrite killed just after naming its new file leaves it; the next program removes it.
    writeFile(dir.path() / ".pool.txt.new", "1\n");
    EXPECT_EQ(EntropyManager::countPoolFile(pool), 0);
    EXPECT_FALSE(fs::exists(dir.path() / ".pool.txt.new"));
    // Missing, a directory, a FIFO: refused at once, never waited on, nothing made for them. (The
    // directory is one beside which no lock file can be made: a refused draw still locks.)
    const auto fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string missing[] = {(dir.path() / "missing.txt").string(), (dir.path() / "no" / "pool.txt").string()};
    for (const std::string& path : {missing[0], missing[1], std::string("/proc/self"), fifo}) {
        const Kind kind = path == fifo || path == "/proc/self" ? Kind::NOT_A_POOL : Kind::MISSING;
        EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(path); }, kind), "Failed to open entropy pool: " + path);
        EXPECT_EQ(errorOf([&] { PoolFile(path).hold(); }, kind), "Failed to open entropy pool: " + path);
        EXPECT_EQ(errorOf([&] { PoolFile(path).tryHold(); }, kind), "Failed to open entropy pool: " + path);
    }
    EXPECT_FALSE(fs::exists(dir.path() / ".missing.txt.lock") || fs::exists(dir.path() / ".fifo.lock"));
    // A lock file that is no regular file is refused, never waited on.
    const std::string lock = (dir.path() / ".pool.txt.lock").string();
    ASSERT_EQ(::unlink(lock.c_str()) | ::mkfifo(lock.c_str(), 0644), 0);
    EXPECT_EQ(errorOf([&] { EntropyManager::countPoolFile(pool); }, Kind::CANNOT_LOCK),
              "Cannot lock entropy pool: " + pool + " (Invalid argument)");
    ASSERT_EQ(::unlink(lock.c_str()), 0);
    // A malformed file is refused whole and left exactly as it was.
    writeFile(pool, "1\n2\n-\n3\n");
    EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(pool); }, Kind::MALFORMED),
              "Malformed entropy pool: " + pool + ": line 3: a \"-\" with no digits after it");
    EXPECT_EQ(readFile(pool), "1\n2\n-\n3\n");
}

TEST_F(PoolFileTest, EveryDrawTakesWhatIsLastInTheFileNow) {
    std::vector<int> expected;
    for (int i = -5000; i < 5000; ++i) { // more than one piece of reading
        expected.push_back(i * 7919);
    }
    EntropyManager::savePool(expected, pool);
    fs::create_hard_link(pool, dir.path() / "copy.txt"); // sees what happens to this file, not to the name
    EntropyManager::countPoolFile(pool);
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto openBefore = openFiles();
    const std::size_t readBefore = bytesRead();
    for (int draw = 0; draw < 20; ++draw) {
        EXPECT_EQ(EntropyManager::drawFromPool(pool), expected.back());
        expected.pop_back();
    }
    // The stamp vouches for the file this program left: each draw cuts the last line in place.
    EXPECT_LT(bytesRead() - readBefore, fs::file_size(pool)) << "the whole pool was read again";
    EXPECT_EQ(openFiles(), openBefore);
    EXPECT_EQ(readFile(pool), EntropyManager::formatPool(expected));
    EXPECT_EQ(readFile(dir.path() / "copy.txt"), readFile(pool)) << "rewritten whole, not cut in place";
    // Text that is not in the written form is rewritten in it at the first draw.
    writeFile(pool, "[" + readFile(pool) + "]");
    EXPECT_EQ(EntropyManager::drawFromPool(pool), expected.back());
    expected.pop_back();
    EXPECT_EQ(readFile(pool), EntropyManager::formatPool(expected));
    EXPECT_EQ(EntropyManager::countPoolFile(pool), static_cast<int>(expected.size()));
    // A stamp damaged anywhere is not believed: the file is counted again.
    const auto lock = dir.path() / ".pool.txt.lock";
    const std::string stamp = readFile(lock);
    for (std::size_t at = 0; at < stamp.size(); ++at) {
        writeFile(lock, stamp.substr(0, at) + '7' + stamp.substr(at + 1));
        ASSERT_EQ(EntropyManager::countPoolFile(pool), static_cast<int>(expected.size())) << at;
    }
    // While the pool is held, a look that must not wait gets nothing.
    PoolFile file(pool);
    {
        const PoolFile::Hold held = file.hold();
        EXPECT_FALSE(PoolFile(pool).tryInspect());
        EXPECT_EQ(errorOf([&] { PoolFile(pool).inspect(); }, Kind::BUSY), // this process's own hold is never granted
                  "Cannot lock entropy pool: " + pool + " (Resource deadlock avoided)");
    }
    EXPECT_EQ(PoolFile(pool).tryInspect()->count, expected.size());
    // Changed behind this program's back (a refill, an edit): the file is what counts.
    writeFile(pool, "9\n8\n1\n2\n");
    EXPECT_EQ(file.draw(), 2);
    EXPECT_EQ(file.lastCount(), 3U);
    writeFile(pool, "9,8,7\n"); // same length, other bytes, not the written form
    EXPECT_EQ(file.inspect().count, 3U);
    // Values put in front of the pool keep the ones already there first in line, also when the
    // pool is edited while they are read: what was looked at is checked again before the commit.
    const std::vector<std::vector<int>> batches{{100, 101}, {102}, {}};
    std::size_t next = 0;
    EXPECT_EQ(file.prepend([&](std::vector<int>& batch) {
        if (next == 0) {
            writeFile(pool, "9\n8\n7\n");
        }
        return !(batch = batches[next++]).empty();
    }),
              3U);
    EXPECT_EQ(file.lastCount(), 6U);
    EXPECT_EQ(readFile(pool), "100\n101\n102\n9\n8\n7\n");
}

TEST_F(PoolFileTest, DrawsThroughASymlinkByCuttingItsTarget) {
    const auto target = dir.path() / "real.txt";
    writeFile(target, "1\n2\n3\n");
    fs::create_symlink(target, pool);
    EXPECT_EQ(EntropyManager::drawFromPool(pool), 3);
    EXPECT_TRUE(fs::is_symlink(pool));
    EXPECT_EQ(readFile(target), "1\n2\n");
    // A dangling link is not a pool: nothing is created where it points.
    fs::remove(target);
    EXPECT_EQ(errorOf([&] { EntropyManager::savePool({1}, pool); }, Kind::MISSING),
              "Failed to open entropy pool: " + pool);
    EXPECT_FALSE(fs::exists(target));
}

// Every link on the way is judged, the pool's own name and each directory before it alike.
TEST_F(PoolFileTest, ALinkAnotherUserLeftInASharedDirectoryIsNotFollowed) {
    const auto shared = dir.path() / "shared";
    fs::create_directories(dir.path() / "private");
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    writeFile(dir.path() / "mine.txt", "1\n2\n3\n");
    writeFile(dir.path() / "private" / "pool.txt", "4\n5\n6\n");
    const std::string link = (shared / "pool.txt").string();
    const std::string throughLink = (shared / "d" / "pool.txt").string();
    fs::create_symlink(dir.path() / "mine.txt", link);
    fs::create_symlink(dir.path() / "private", shared / "d");
    EXPECT_EQ(EntropyManager::drawFromPool(link), 3); // our own links
    EXPECT_EQ(EntropyManager::drawFromPool(throughLink), 6);
    if (!ROOT) {
        GTEST_SKIP() << "needs root to plant a link of another user";
    }
    ASSERT_EQ(::lchown(link.c_str(), NOBODY, NOBODY) | ::lchown((shared / "d").c_str(), NOBODY, NOBODY), 0);
    const std::string refused = " (a link another user left in a shared directory)";
    EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(link); }, Kind::NOT_A_POOL), "Failed to open entropy pool: " + link + refused);
    EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(throughLink); }, Kind::NOT_A_POOL),
              "Failed to open entropy pool: " + throughLink + refused);
    // Nor is a first pool made where such a link leads.
    const std::string fresh = (shared / "d" / "new.txt").string();
    EXPECT_EQ(errorOf([&] { EntropyManager::savePool({1}, fresh); }, Kind::NOT_A_POOL), "Failed to open entropy pool: " + fresh + refused);
    EXPECT_EQ(readFile(dir.path() / "mine.txt") + readFile(dir.path() / "private" / "pool.txt"), "1\n2\n4\n5\n");
    EXPECT_FALSE(fs::exists(dir.path() / "private" / "new.txt"));
}

// A program reading the pool does not make another reader wait (the notice would say it did).
TEST_F(PoolFileTest, ReadersDoNotWaitForEachOther) {
    writeFile(pool, "1\n2\n");
    const int reading = ::open((dir.path() / ".pool.txt.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(reading, LOCK_SH), 0);
    std::promise<void> done;
    std::thread other([&reading, finished = done.get_future()] {
        finished.wait_for(std::chrono::milliseconds(1500)); // a reader that waited is let go
        ::close(reading);
    });
    testing::internal::CaptureStderr();
    EXPECT_EQ(EntropyManager::loadPool(pool), (std::vector<int>{1, 2}));
    EXPECT_EQ(EntropyManager::countPoolFile(pool), 2);
    done.set_value();
    other.join();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Where nobody may write the pool but not make its lock file, nobody may read it (the pool's own
// lock keeps writers out) but not change it: a change no one else would see locked.
TEST_F(PoolFileTest, WithoutALockFileOthersSeeNothingIsChanged) {
    const auto closed = dir.path() / "closed";
    fs::create_directory(closed);
    const std::string shut = (closed / "pool.txt").string();
    writeFile(shut, "1\n2\n3\n");
    ::chmod(shut.c_str(), 0666);
    ::chmod(closed.c_str(), 0555);
    {
        const AsNobody nobody;
        EXPECT_EQ(EntropyManager::countPoolFile(shut), 3);
        EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(shut); }, Kind::CANNOT_LOCK),
                  "Cannot lock entropy pool: " + shut + " (Permission denied)");
    }
    EXPECT_EQ(readFile(shut), "1\n2\n3\n");
    EXPECT_FALSE(fs::exists(closed / ".pool.txt.lock"));
    ::chmod(closed.c_str(), 0755); // for the clean-up
}

// A stamp written within the tick of the pool's last change cannot tell a later change in that
// tick: it is not believed, and the pool is read again.
TEST_F(PoolFileTest, AStampNoNewerThanThePoolIsNotBelieved) {
    std::vector<int> values(100'000, 123456);
    EntropyManager::savePool(values, pool);
    const std::size_t size = fs::file_size(pool);
    const auto readsWhole = [&] {
        const std::size_t before = bytesRead();
        EXPECT_EQ(EntropyManager::countPoolFile(pool), 100'000);
        return bytesRead() - before >= size;
    };
    EXPECT_FALSE(readsWhole());
    struct stat status {};
    ASSERT_EQ(::stat(pool.c_str(), &status), 0);
    const struct timespec times[2] = {status.st_atim, status.st_ctim};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir.path() / ".pool.txt.lock").c_str(), times, 0), 0);
    EXPECT_TRUE(readsWhole());
    EXPECT_FALSE(readsWhole()); // and stamped anew
}

// On a file system with one-second times, an edit within the second of the stamp keeps the
// file's whole identity: the stamp must not vouch for it, and a file with no value gives none.
TEST_F(PoolFileTest, CoarseTimesDoNotMakeAStampLie) {
    const auto image = (dir.path() / "coarse.img").string();
    const auto mounted = dir.path() / "coarse";
    fs::create_directory(mounted);
    const std::string mount = "truncate -s 4M " + image + " && mkfs.ext2 -q -F -I 128 " + image +
                              " 2>/dev/null && mount -o loop " + image + " " + mounted.string();
    if (::geteuid() != 0 || std::system(mount.c_str()) != 0) {
        GTEST_SKIP() << "no loop mount here";
    }
    const std::unique_ptr<const fs::path, void (*)(const fs::path*)> unmount(
        &mounted, [](const fs::path* at) { static_cast<void>(std::system(("umount " + at->string()).c_str())); });
    const std::string coarse = (mounted / "pool.txt").string();
    const auto identity = [&] {
        struct stat status {};
        ::stat(coarse.c_str(), &status);
        return std::vector<long>{static_cast<long>(status.st_ino), status.st_size, status.st_mtim.tv_sec,
                                 status.st_mtim.tv_nsec, status.st_ctim.tv_sec, status.st_ctim.tv_nsec};
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        writeFile(coarse, "5\n6\n");
        ASSERT_EQ(EntropyManager::countPoolFile(coarse), 2);
        const auto before = identity();
        writeFile(coarse, "x\ny\n");
        if (identity() == before) {
            break;
        }
    }
    EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(coarse); }, Kind::EMPTY), "Entropy pool empty");
    EXPECT_EQ(readFile(coarse), "x\ny\n");
}

TEST_F(PoolFileTest, AnUnwritablePoolHandsNothingOut) {
    // The written form is cut in place; any other text is rewritten whole. Both must refuse, and
    // say what is wrong: the pool is there and readable, but may not be changed.
    for (const std::string text : {"1\n2\n3\n", "[1, 2, 3]"}) {
        ::chmod(pool.c_str(), 0644);
        writeFile(pool, text);
        ::chmod(pool.c_str(), 0444);
        const AsNobody nobody;
        EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(pool); }, Kind::CANNOT_WRITE),
                  "Failed to write entropy pool: " + pool + " (Permission denied)");
        EXPECT_EQ(readFile(pool), text);
    }
}

TEST_F(PoolFileTest, ARewriteKeepsOwnerGroupAndMode) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the pool to another user";
    }
    writeFile(pool, "[1, 2, 3]"); // not the written form: the draw rewrites it whole
    ASSERT_EQ(::chown(pool.c_str(), NOBODY, NOBODY) | ::chmod(pool.c_str(), 0640), 0);
    EXPECT_EQ(EntropyManager::drawFromPool(pool), 3);
    // The lock file made for the pool is its owner's too, who goes on using both.
    struct stat status {};
    struct stat lock {};
    ASSERT_EQ(::stat(pool.c_str(), &status) | ::stat((dir.path() / ".pool.txt.lock").c_str(), &lock), 0);
    EXPECT_EQ(std::vector<unsigned>({status.st_uid, status.st_gid, status.st_mode & 07777, lock.st_uid, lock.st_gid}),
              std::vector<unsigned>({NOBODY, NOBODY, 0640, NOBODY, NOBODY}));
    const AsNobody nobody;
    EXPECT_EQ(EntropyManager::drawFromPool(pool), 2);
    EXPECT_EQ(readFile(pool), "1\n");
}
