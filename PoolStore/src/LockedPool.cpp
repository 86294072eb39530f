#include "LockedPool.h"

#include "PoolReplacement.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <unistd.h>

namespace {

std::string realPathOf(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// Follows links as the kernel's protected_symlinks rule allows: in a sticky directory anyone may
// write (/tmp), only a link of the directory's owner or of our own, so that another user cannot
// point our writes at a file of their choice.
void refuseForeignLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat link {};
        if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
            return;
        }
        const std::string directory = PoolLock::directoryOf(current);
        struct stat holder {};
        if (::stat(directory.c_str(), &holder) == 0 && (holder.st_mode & S_ISVTX) != 0 &&
            (holder.st_mode & S_IWOTH) != 0 && link.st_uid != holder.st_uid && link.st_uid != ::geteuid()) {
            throw std::runtime_error(LockedPool::openError(path).what() +
                                     std::string(" (a link another user left in a shared directory)"));
        }
        char target[PATH_MAX];
        const ssize_t length = ::readlink(current.c_str(), target, sizeof target - 1);
        if (length <= 0) {
            return;
        }
        const std::string next(target, static_cast<std::size_t>(length));
        current = next.front() == '/' ? next : directory + "/" + next;
    }
}

// The file the pool's operations act on: a link's target, so that the link stays a link.
std::string resolveTarget(const std::string& path, bool mayBeMissing) {
    refuseForeignLinks(path);
    std::string target = realPathOf(path);
    if (!target.empty()) {
        return target;
    }
    struct stat status {};
    if (!mayBeMissing || errno != ENOENT || ::lstat(path.c_str(), &status) == 0) {
        throw LockedPool::openError(path); // a dangling link too: where it points is not ours to create
    }
    const std::size_t slash = path.rfind('/');
    const std::string directory = realPathOf(slash == std::string::npos ? "." : path.substr(0, slash + 1));
    if (directory.empty()) {
        throw LockedPool::openError(path);
    }
    return directory + (directory.back() == '/' ? "" : "/") + path.substr(slash + 1);
}

// The pools this process has locked: a second lock of its own on one would never be granted.
std::mutex heldHereMutex;
std::set<std::string> heldHere;

bool sameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

} // namespace

std::runtime_error LockedPool::openError(const std::string& path) {
    return std::runtime_error("Failed to open entropy pool: " + path);
}

LockedPool::LockedPool(const std::string& shown, PoolLock::Mode lockMode, bool mayBeMissing,
                       const PoolLock::Waiting& waiting)
    : path(shown), realPath(resolveTarget(shown, mayBeMissing)), mode(lockMode) {
    // Only a regular file is a pool: a FIFO would block forever, a device or socket never ends.
    // Such a thing is refused before anything is made beside it.
    struct stat existing {};
    const bool found = ::stat(realPath.c_str(), &existing) == 0;
    if (found && !S_ISREG(existing.st_mode)) {
        throw openError(path);
    }
    {
        const std::lock_guard<std::mutex> guard(heldHereMutex);
        if (heldHere.count(realPath) != 0) {
            if (!waiting.tryOnly) {
                throw PoolLock::cannotLock(path, EDEADLK);
            }
            isBusy = true;
            return;
        }
    }
    lock = std::make_unique<PoolLock>(realPath, path, mode, found ? &existing : nullptr, waiting);
    if (lock->busy() || (found && !lockPoolFile(waiting))) {
        isBusy = true;
        lock.reset();
        return;
    }
    // No rewrite is under way while we hold the locks, so a temporary is a killed rewrite's.
    static_cast<void>(::unlink(PoolLock::temporaryPath(realPath).c_str()));
    const std::lock_guard<std::mutex> guard(heldHereMutex);
    heldHere.insert(realPath);
}

LockedPool::~LockedPool() {
    if (lock) {
        const std::lock_guard<std::mutex> guard(heldHereMutex);
        heldHere.erase(realPath);
    }
}

bool LockedPool::exists() const {
    struct stat status {};
    return ::stat(realPath.c_str(), &status) == 0;
}

// Locks the file now at the pool's name, and keeps at it until what is locked is what is there.
bool LockedPool::lockPoolFile(const PoolLock::Waiting& waiting) {
    for (;;) {
        // Writable where it may be: some network file systems grant an exclusive lock only then.
        constexpr int FLAGS = O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC;
        poolLock.reset(mode == PoolLock::Mode::EXCLUSIVE ? ::open(realPath.c_str(), O_RDWR | FLAGS) : -1);
        if (!poolLock.valid()) {
            poolLock.reset(::open(realPath.c_str(), O_RDONLY | FLAGS));
        }
        if (!poolLock.valid()) {
            if (errno == ENOENT) {
                return true; // removed meanwhile: nothing to lock until it is made again
            }
            throw openError(path);
        }
        if (::fstat(poolLock.get(), &locked) != 0 || !S_ISREG(locked.st_mode)) {
            throw openError(path);
        }
        if (!PoolLock::lockDescriptor(poolLock.get(), mode, waiting, path)) {
            poolLock.reset();
            return false;
        }
        struct stat named {};
        if (::stat(realPath.c_str(), &named) == 0 && sameInode(named, locked)) {
            return true;
        }
    }
}

LockedPool::Opened LockedPool::open(int access) {
    for (;;) {
        Opened pool;
        pool.fd.reset(::open(realPath.c_str(), access | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        if (!pool.fd.valid()) {
            if ((errno == EACCES || errno == EROFS || errno == EPERM) && access != O_RDONLY &&
                ::access(realPath.c_str(), R_OK) == 0) {
                throw PoolReplacement::writeError(path, errno); // readable, but not ours to change
            }
            throw openError(path);
        }
        if (::fstat(pool.fd.get(), &pool.status) != 0 || !S_ISREG(pool.status.st_mode)) {
            throw openError(path);
        }
        if (poolLock.valid() && sameInode(pool.status, locked)) {
            return pool;
        }
        // Replaced since it was locked (by this holder's own rewrite, or made anew).
        lockPoolFile({});
    }
}
