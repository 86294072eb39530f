#include "PoolLock.h"

#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr std::size_t STAMP_SIZE = 192;
constexpr std::size_t STAMP_FIELDS = 9;
using StampFields = std::array<std::uint64_t, STAMP_FIELDS>;

std::string besidePool(const std::string& pool, const char* suffix) {
    const std::size_t slash = pool.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    return pool.substr(0, nameStart) + "." + pool.substr(nameStart) + suffix;
}

StampFields fieldsOf(const struct stat& pool, PoolLock::Known state) {
    return {static_cast<std::uint64_t>(pool.st_dev),          static_cast<std::uint64_t>(pool.st_ino),
            static_cast<std::uint64_t>(pool.st_size),         static_cast<std::uint64_t>(pool.st_mtim.tv_sec),
            static_cast<std::uint64_t>(pool.st_mtim.tv_nsec), static_cast<std::uint64_t>(pool.st_ctim.tv_sec),
            static_cast<std::uint64_t>(pool.st_ctim.tv_nsec), static_cast<std::uint64_t>(state.count),
            state.writtenForm ? 1U : 0U};
}

// Guards against a stamp torn by a reader racing a writer on a file system that does not make
// small writes atomic, and against a stray file of the same name.
std::uint64_t checksum(const StampFields& fields) {
    std::uint64_t hash = 14695981039346656037U;
    for (const std::uint64_t field : fields) {
        hash = (hash ^ field) * 1099511628211U;
    }
    return hash;
}

int flockRetrying(int fd, int operation) {
    int result = 0;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

std::string PoolLock::directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string PoolLock::temporaryPath(const std::string& pool) { return besidePool(pool, ".new"); }

PoolLock::PoolLock(const std::string& pool, Mode mode, const struct stat* owner) {
    const std::string lockPath = besidePool(pool, ".lock");
    fd.reset(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
    stampWritable = fd.valid();
    if (!fd.valid()) {
        fd.reset(::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!fd.valid()) {
        fd.reset(::open(directoryOf(pool).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    if (fd.valid() && stampWritable && owner != nullptr && ::geteuid() == 0) {
        // A lock file made by root would keep the pool's owner from writing stamps.
        struct stat status {};
        if (::fstat(fd.get(), &status) == 0 && (status.st_uid != owner->st_uid || status.st_gid != owner->st_gid)) {
            static_cast<void>(::fchown(fd.get(), owner->st_uid, owner->st_gid));
        }
    }
    // Without any lock this process still works alone, as it would have before locking existed.
    if (fd.valid()) {
        static_cast<void>(flockRetrying(fd.get(), mode == Mode::EXCLUSIVE ? LOCK_EX : LOCK_SH));
    }
    // No rewrite is under way while we hold the lock, so a temporary is a killed rewrite's.
    static_cast<void>(::unlink(temporaryPath(pool).c_str()));
}

PoolLock::~PoolLock() {
    if (fd.valid()) {
        static_cast<void>(flockRetrying(fd.get(), LOCK_UN));
    }
}

std::optional<PoolLock::Known> PoolLock::known(const struct stat& pool) const {
    if (!fd.valid()) {
        return std::nullopt;
    }
    std::array<char, STAMP_SIZE + 1> text{};
    const ssize_t length = ::pread(fd.get(), text.data(), STAMP_SIZE, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    StampFields stored{};
    std::uint64_t storedChecksum = 0;
    const int read = std::sscanf(text.data(),
                                 "%" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64
                                 " %" SCNu64 " %" SCNu64 " %" SCNu64,
                                 &stored[0], &stored[1], &stored[2], &stored[3], &stored[4], &stored[5], &stored[6],
                                 &stored[7], &stored[8], &storedChecksum);
    if (read != static_cast<int>(STAMP_FIELDS) + 1 || storedChecksum != checksum(stored)) {
        return std::nullopt;
    }
    const StampFields current = fieldsOf(pool, Known{stored[7], stored[8] == 1});
    if (current != stored) {
        return std::nullopt;
    }
    return Known{static_cast<std::size_t>(stored[7]), stored[8] == 1};
}

void PoolLock::remember(const struct stat& pool, Known state) {
    if (!stampWritable) {
        return;
    }
    const StampFields fields = fieldsOf(pool, state);
    std::array<char, STAMP_SIZE + 1> text{};
    std::snprintf(text.data(), text.size(),
                  "%" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64
                  " %" PRIu64 " %" PRIu64,
                  fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7], fields[8],
                  checksum(fields));
    // One fixed-size write, padded, so that no stale tail of an older stamp survives.
    std::size_t used = 0;
    while (used < STAMP_SIZE - 1 && text[used] != '\0') {
        ++used;
    }
    for (; used < STAMP_SIZE - 1; ++used) {
        text[used] = ' ';
    }
    text[STAMP_SIZE - 1] = '\n';
    static_cast<void>(::pwrite(fd.get(), text.data(), STAMP_SIZE, 0));
}
