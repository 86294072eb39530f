#pragma once
// The one way into a pool file: finds where the pool is (PoolPlace), refuses what is no pool,
// locks, checks that what was locked is still what the name leads to, and opens.
//
// Two locks are held: the lock file's (PoolLock), which every program and a person's `flock`
// share, and one on the pool file itself. A lock file removed while someone holds it lets a
// newcomer lock a fresh one; the newcomer then still waits on the pool file. Both are taken in
// that order by everyone, so no two holders wait on each other.

#include "PoolLock.h"
#include "PoolPlace.h"
#include "PoolStamp.h"
#include "UniqueFd.h"

#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>

class LockedPool {
public:
    // `path` is the name as given (messages say it); `mayBeMissing` allows a pool not made yet.
    // Throws PoolError: PoolPlace's refusals, NOT_A_POOL for a pool that is no regular file
    // (before any lock file is made for it), and PoolLock's.
    LockedPool(const std::string& path, PoolLock::Mode mode, bool mayBeMissing, const PoolLock::Waiting& waiting);
    ~LockedPool();
    LockedPool(const LockedPool&) = delete;
    LockedPool& operator=(const LockedPool&) = delete;

    // Only with Waiting::tryOnly: someone else holds the pool, and nothing was locked. A pool this
    // process holds already (through a PoolFile::Hold) counts as held by someone else: waiting
    // for it would wait forever, so without tryOnly that is refused (PoolError BUSY).
    bool busy() const { return isBusy; }

    struct Opened {
        UniqueFd fd;
        struct stat status {};
    };
    // The pool file at its name now, opened with `access` (O_RDONLY or O_RDWR) and locked.
    // A pool that exists but may not be written throws PoolError CANNOT_WRITE.
    Opened open(int access);
    bool exists() const;
    // Whether the pool's name still leads to the file `file` was opened on, unchanged.
    bool unchanged(const Opened& file) const;

    const PoolPlace& place() const { return poolPlace; }
    const std::string& shownPath() const { return poolPlace.shownPath(); }
    PoolStamp& stamp() { return *poolStamp; }

private:
    bool lockPoolFile(const PoolLock::Waiting& waiting);

    PoolPlace poolPlace;
    std::string identity;
    PoolLock::Mode mode;
    bool isBusy = false;
    std::unique_ptr<PoolLock> lock;
    std::optional<PoolStamp> poolStamp;
    UniqueFd poolLock;
    struct stat locked {};
};
