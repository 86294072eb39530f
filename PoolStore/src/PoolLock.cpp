#include "PoolLock.h"

#include "PoolError.h"
#include "PoolPlace.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr auto LONG_WAIT = std::chrono::seconds(1);
const char* const LOCK_SUFFIX = ".lock";

int flockRetrying(int fd, int operation) {
    int result = 0;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

// Runs `notice` if the scope lasts longer than LONG_WAIT; only made when a wait begins.
class LongWaitNotice {
public:
    explicit LongWaitNotice(const std::function<void()>& notice)
        : watcher([this, notice] {
              std::unique_lock<std::mutex> guard(mutex);
              if (!condition.wait_for(guard, LONG_WAIT, [this] { return done; }) && notice) {
                  notice();
              }
          }) {}
    ~LongWaitNotice() {
        {
            const std::lock_guard<std::mutex> guard(mutex);
            done = true;
        }
        condition.notify_one();
        watcher.join();
    }
    LongWaitNotice(const LongWaitNotice&) = delete;
    LongWaitNotice& operator=(const LongWaitNotice&) = delete;

private:
    std::mutex mutex;
    std::condition_variable condition;
    bool done = false;
    std::thread watcher;
};

} // namespace

bool PoolLock::lockDescriptor(int fd, Mode mode, const Waiting& waiting, const std::string& shownPath) {
    const int operation = mode == Mode::EXCLUSIVE ? LOCK_EX : LOCK_SH;
    if (flockRetrying(fd, operation | LOCK_NB) == 0) {
        return true;
    }
    if (errno != EWOULDBLOCK) {
        throw PoolError::cannotLock(shownPath, errno);
    }
    if (waiting.tryOnly) {
        return false;
    }
    const LongWaitNotice notice(waiting.onLongWait);
    if (flockRetrying(fd, operation) != 0) {
        throw PoolError::cannotLock(shownPath, errno);
    }
    return true;
}

// Opens, or makes, the lock file; false when there is none to be had for a shared lock.
bool PoolLock::open(const PoolPlace& pool, const struct stat* existing, Mode mode) {
    constexpr int FLAGS = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    const std::string name = pool.besideName(LOCK_SUFFIX);
    for (;;) {
        fd.reset(::openat(pool.directory(), name.c_str(), O_RDWR | FLAGS));
        fileWritable = fd.valid();
        if (!fd.valid() && errno == ENOENT) {
            fd.reset(::openat(pool.directory(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | FLAGS, 0600));
            if (!fd.valid() && errno == EEXIST) {
                continue; // made by another process just now
            }
            if (fd.valid()) {
                // Readable by all, since flock needs only a read descriptor; writable by the
                // pool's writers at most, and owned as the pool is when root makes it.
                const mode_t writers = existing != nullptr ? existing->st_mode & 0222 : 0200;
                if (existing != nullptr) {
                    static_cast<void>(
                        ::fchown(fd.get(), ::geteuid() == 0 ? existing->st_uid : static_cast<uid_t>(-1),
                                 existing->st_gid));
                }
                static_cast<void>(::fchmod(fd.get(), 0444 | writers));
                fileWritable = true;
            }
        } else if (!fd.valid() && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            fd.reset(::openat(pool.directory(), name.c_str(), O_RDONLY | FLAGS));
        }
        break;
    }
    if (!fd.valid()) {
        const int error = errno;
        if (mode == Mode::SHARED && (error == EACCES || error == EPERM || error == EROFS)) {
            return false;
        }
        throw PoolError::cannotLock(pool.shownPath(), error);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        throw PoolError::cannotLock(pool.shownPath(), EINVAL);
    }
    if ((status.st_mode & 0444) != 0444 && (status.st_uid == ::geteuid() || ::geteuid() == 0)) {
        // Made under a narrow umask by an older program: others must be able to lock it too.
        static_cast<void>(::fchmod(fd.get(), (status.st_mode & 07777) | 0444));
    }
    return true;
}

PoolLock::PoolLock(const PoolPlace& pool, Mode mode, const struct stat* existing, const Waiting& waiting) {
    const std::string name = pool.besideName(LOCK_SUFFIX);
    for (;;) {
        if (!open(pool, existing, mode)) {
            return;
        }
        if (!lockDescriptor(fd.get(), mode, waiting, pool.shownPath())) {
            isBusy = true;
            return;
        }
        // Granted on the file we opened; it must still be the one others find by name.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd.get(), &held) == 0 &&
            ::fstatat(pool.directory(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            return;
        }
        fd.reset();
    }
}

PoolLock::~PoolLock() {
    if (fd.valid()) {
        static_cast<void>(flockRetrying(fd.get(), LOCK_UN));
    }
}
