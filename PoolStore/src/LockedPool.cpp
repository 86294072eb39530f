#include "LockedPool.h"

#include "FileReplacement.h"
#include "PoolError.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <unistd.h>

namespace {

// The pools this process has locked: a second lock of its own on one would never be granted.
std::mutex heldHereMutex;
std::set<std::string> heldHere;

bool sameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool sameFile(const struct stat& a, const struct stat& b) {
    return sameInode(a, b) && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
           a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

LockedPool::LockedPool(const std::string& shown, PoolLock::Mode lockMode, bool mayBeMissing,
                       const PoolLock::Waiting& waiting)
    : poolPlace(shown, mayBeMissing), identity(poolPlace.identity()), mode(lockMode) {
    // Only a regular file is a pool: a FIFO would block forever, a device or socket never ends.
    // Such a thing is refused before anything is made beside it.
    struct stat existing {};
    const bool found = poolPlace.status(existing) == 0;
    if (found && !S_ISREG(existing.st_mode)) {
        throw PoolError::notAPool(shown);
    }
    {
        const std::lock_guard<std::mutex> guard(heldHereMutex);
        if (heldHere.count(identity) != 0) {
            if (!waiting.tryOnly) {
                throw PoolError::busy(shown);
            }
            isBusy = true;
            return;
        }
    }
    lock = std::make_unique<PoolLock>(poolPlace, mode, found ? &existing : nullptr, waiting);
    if (lock->busy() || (found && !lockPoolFile(waiting))) {
        isBusy = true;
        lock.reset();
        return;
    }
    poolStamp.emplace(lock->descriptor(), lock->writable());
    // No rewrite is under way while we hold the locks, so a temporary is a killed rewrite's.
    static_cast<void>(
        ::unlinkat(poolPlace.directory(), FileReplacement::temporaryName(poolPlace.name()).c_str(), 0));
    const std::lock_guard<std::mutex> guard(heldHereMutex);
    heldHere.insert(identity);
}

LockedPool::~LockedPool() {
    if (lock) {
        const std::lock_guard<std::mutex> guard(heldHereMutex);
        heldHere.erase(identity);
    }
}

bool LockedPool::exists() const {
    struct stat status {};
    return poolPlace.status(status) == 0;
}

bool LockedPool::unchanged(const Opened& file) const {
    struct stat now {};
    struct stat named {};
    return ::fstat(file.fd.get(), &now) == 0 && sameFile(now, file.status) && poolPlace.status(named) == 0 &&
           sameInode(named, file.status);
}

// Locks the file now at the pool's name, and keeps at it until what is locked is what is there.
bool LockedPool::lockPoolFile(const PoolLock::Waiting& waiting) {
    for (;;) {
        // Writable where it may be: some network file systems grant an exclusive lock only then.
        constexpr int FLAGS = O_NONBLOCK;
        poolLock = mode == PoolLock::Mode::EXCLUSIVE ? poolPlace.open(O_RDWR | FLAGS) : UniqueFd();
        if (!poolLock.valid()) {
            poolLock = poolPlace.open(O_RDONLY | FLAGS);
        }
        if (!poolLock.valid()) {
            if (errno == ENOENT) {
                return true; // removed meanwhile: nothing to lock until it is made again
            }
            throw PoolError::notAPool(shownPath());
        }
        if (::fstat(poolLock.get(), &locked) != 0 || !S_ISREG(locked.st_mode)) {
            throw PoolError::notAPool(shownPath());
        }
        if (!PoolLock::lockDescriptor(poolLock.get(), mode, waiting, shownPath())) {
            return false;
        }
        struct stat named {};
        if (poolPlace.status(named) == 0 && sameInode(named, locked)) {
            return true;
        }
    }
}

LockedPool::Opened LockedPool::open(int access) {
    for (;;) {
        Opened pool;
        pool.fd = poolPlace.open(access | O_NONBLOCK);
        if (!pool.fd.valid()) {
            const int error = errno;
            if ((error == EACCES || error == EROFS || error == EPERM) && access != O_RDONLY &&
                ::faccessat(poolPlace.directory(), poolPlace.name().c_str(), R_OK, 0) == 0) {
                throw PoolError::cannotWrite(shownPath(), error); // readable, but not ours to change
            }
            throw error == ENOENT ? PoolError::missing(shownPath()) : PoolError::notAPool(shownPath());
        }
        if (::fstat(pool.fd.get(), &pool.status) != 0 || !S_ISREG(pool.status.st_mode)) {
            throw PoolError::notAPool(shownPath());
        }
        if (poolLock.valid() && sameInode(pool.status, locked)) {
            return pool;
        }
        // Replaced since it was locked (by this holder's own rewrite, or made anew).
        lockPoolFile({});
    }
}
