#include "PoolLock.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::size_t STAMP_SIZE = 256;
constexpr std::size_t STAMP_FIELDS = 10;
using StampFields = std::array<std::uint64_t, STAMP_FIELDS>;
constexpr auto LONG_WAIT = std::chrono::seconds(1);

std::string besidePool(const std::string& pool, const char* suffix) {
    const std::size_t slash = pool.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return pool.substr(0, nameStart) + "." + pool.substr(nameStart) + suffix;
}

StampFields fieldsOf(const struct stat& pool, const PoolLock::Known& state) {
    return {static_cast<std::uint64_t>(pool.st_dev),          static_cast<std::uint64_t>(pool.st_ino),
            static_cast<std::uint64_t>(pool.st_size),         static_cast<std::uint64_t>(pool.st_mtim.tv_sec),
            static_cast<std::uint64_t>(pool.st_mtim.tv_nsec), static_cast<std::uint64_t>(pool.st_ctim.tv_sec),
            static_cast<std::uint64_t>(pool.st_ctim.tv_nsec), static_cast<std::uint64_t>(state.count),
            state.writtenForm ? 1U : 0U,                      state.tail};
}

// FNV-1a. Guards against a stamp torn by a reader racing a writer on a file system that does not
// make small writes atomic, and against a stray file of the same name.
std::uint64_t digest(const unsigned char* bytes, std::size_t length, std::uint64_t hash = 14695981039346656037U) {
    for (std::size_t i = 0; i < length; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211U;
    }
    return hash;
}

std::uint64_t checksum(const StampFields& fields) {
    return digest(reinterpret_cast<const unsigned char*>(fields.data()), sizeof fields);
}

bool before(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

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

std::string PoolLock::directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string PoolLock::temporaryPath(const std::string& pool) { return besidePool(pool, ".new"); }

std::runtime_error PoolLock::cannotLock(const std::string& shownPath, int error) {
    return std::runtime_error("Cannot lock entropy pool: " + shownPath + " (" + std::strerror(error) + ")");
}

std::uint64_t PoolLock::tailDigest(const char* bytes, std::size_t length) {
    return digest(reinterpret_cast<const unsigned char*>(bytes), length);
}

bool PoolLock::lockDescriptor(int fd, Mode mode, const Waiting& waiting, const std::string& shownPath) {
    const int operation = mode == Mode::EXCLUSIVE ? LOCK_EX : LOCK_SH;
    if (flockRetrying(fd, operation | LOCK_NB) == 0) {
        return true;
    }
    if (errno != EWOULDBLOCK) {
        throw cannotLock(shownPath, errno);
    }
    if (waiting.tryOnly) {
        return false;
    }
    const LongWaitNotice notice(waiting.onLongWait);
    if (flockRetrying(fd, operation) != 0) {
        throw cannotLock(shownPath, errno);
    }
    return true;
}

// Opens, or makes, the lock file; false when there is none to be had for a shared lock.
bool PoolLock::open(const std::string& lockPath, const struct stat* existing, Mode mode, const std::string& shownPath) {
    constexpr int FLAGS = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (;;) {
        fd.reset(::open(lockPath.c_str(), O_RDWR | FLAGS));
        stampWritable = fd.valid();
        if (!fd.valid() && errno == ENOENT) {
            fd.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | FLAGS, 0600));
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
                stampWritable = true;
            }
        } else if (!fd.valid() && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            fd.reset(::open(lockPath.c_str(), O_RDONLY | FLAGS));
        }
        break;
    }
    if (!fd.valid()) {
        const int error = errno;
        if (mode == Mode::SHARED && (error == EACCES || error == EPERM || error == EROFS)) {
            return false;
        }
        throw cannotLock(shownPath, error);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        throw cannotLock(shownPath, EINVAL);
    }
    if ((status.st_mode & 0444) != 0444 && (status.st_uid == ::geteuid() || ::geteuid() == 0)) {
        // Made under a narrow umask by an older program: others must be able to lock it too.
        static_cast<void>(::fchmod(fd.get(), (status.st_mode & 07777) | 0444));
    }
    return true;
}

PoolLock::PoolLock(const std::string& pool, const std::string& shownPath, Mode mode, const struct stat* existing,
                   const Waiting& waiting) {
    const std::string lockPath = besidePool(pool, ".lock");
    for (;;) {
        if (!open(lockPath, existing, mode, shownPath)) {
            return;
        }
        if (!lockDescriptor(fd.get(), mode, waiting, shownPath)) {
            isBusy = true;
            return;
        }
        // Granted on the file we opened; it must still be the one others find by name.
        struct stat held {};
        struct stat named {};
        if (::fstat(fd.get(), &held) == 0 && ::lstat(lockPath.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
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

std::optional<PoolLock::Known> PoolLock::known(const struct stat& pool, std::optional<std::uint64_t> tail) const {
    const auto matches = [&](const StampFields& recorded) {
        Known state{static_cast<std::size_t>(recorded[7]), recorded[8] == 1, tail.value_or(recorded[9])};
        return fieldsOf(pool, state) == recorded;
    };
    if (ownStatus && matches(fieldsOf(*ownStatus, ownState))) {
        return ownState;
    }
    if (!fd.valid()) {
        return std::nullopt;
    }
    struct stat lock {};
    if (::fstat(fd.get(), &lock) != 0) {
        return std::nullopt;
    }
    // Only a stamp that no one could write who may not write the pool is believed, and only for a
    // file last changed strictly before the stamp was written.
    const bool trustedWriter =
        (lock.st_uid == 0 || lock.st_uid == pool.st_uid || lock.st_uid == ::geteuid()) &&
        ((lock.st_mode & S_IWOTH) == 0 || (pool.st_mode & S_IWOTH) != 0) &&
        ((lock.st_mode & S_IWGRP) == 0 || ((pool.st_mode & S_IWGRP) != 0 && lock.st_gid == pool.st_gid));
    if (!trustedWriter || !before(pool.st_mtim, lock.st_mtim) || !before(pool.st_ctim, lock.st_mtim)) {
        return std::nullopt;
    }
    std::array<char, STAMP_SIZE + 1> text{};
    if (::pread(fd.get(), text.data(), STAMP_SIZE, 0) <= 0) {
        return std::nullopt;
    }
    StampFields stored{};
    std::uint64_t storedChecksum = 0;
    const int read = std::sscanf(text.data(),
                                 "%" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64
                                 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64,
                                 &stored[0], &stored[1], &stored[2], &stored[3], &stored[4], &stored[5], &stored[6],
                                 &stored[7], &stored[8], &stored[9], &storedChecksum);
    if (read != static_cast<int>(STAMP_FIELDS) + 1 || storedChecksum != checksum(stored) || !matches(stored)) {
        return std::nullopt;
    }
    return Known{static_cast<std::size_t>(stored[7]), stored[8] == 1, stored[9]};
}

void PoolLock::remember(const struct stat& pool, Known state) {
    ownStatus = pool;
    ownState = state;
    if (!stampWritable) {
        return;
    }
    const StampFields fields = fieldsOf(pool, state);
    std::array<char, STAMP_SIZE + 1> text{};
    std::snprintf(text.data(), text.size(),
                  "%" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64
                  " %" PRIu64 " %" PRIu64 " %" PRIu64,
                  fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7], fields[8],
                  fields[9], checksum(fields));
    // One fixed-size write, padded, so that no stale tail of an older stamp survives.
    std::size_t used = 0;
    while (used < STAMP_SIZE - 1 && text[used] != '\0') {
        ++used;
    }
    for (; used < STAMP_SIZE - 1; ++used) {
        text[used] = ' ';
    }
    text[STAMP_SIZE - 1] = '\n';
    // Written again while its time is not past the pool's: a kernel with fine-grained times for
    // files whose times were just looked at then gives it a later one. Elsewhere it stays racily
    // clean, and the next holder reads the pool once.
    struct stat lock {};
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::pwrite(fd.get(), text.data(), STAMP_SIZE, 0) != static_cast<ssize_t>(STAMP_SIZE) ||
            ::fstat(fd.get(), &lock) != 0 ||
            (before(pool.st_mtim, lock.st_mtim) && before(pool.st_ctim, lock.st_mtim))) {
            return;
        }
    }
}
