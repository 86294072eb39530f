#pragma once
// The advisory lock that serialises every use of one pool file between processes.
//
// The lock is taken on "." + name + ".lock" beside the pool, not on the pool itself, because a
// rewrite renames a new file over the pool and a lock on the old inode would protect nothing.
// After the lock is granted the file must still be the one at that name (a cleaner may have
// removed it meanwhile); otherwise it is taken again. Every user who may change the pool can
// lock it: the file is readable by all, and writable (for the stamp, see PoolStamp) by no one
// who may not write the pool. Where no such lock can be had, the operation is refused, never run
// unlocked.

#include "UniqueFd.h"

#include <functional>
#include <string>
#include <sys/stat.h>

class PoolPlace;

class PoolLock {
public:
    enum class Mode { SHARED, EXCLUSIVE };

    // How to wait: `tryOnly` gives up at once when another process holds the lock (busy() then
    // says so); otherwise `onLongWait` runs once when the wait passes about a second.
    struct Waiting {
        bool tryOnly = false;
        std::function<void()> onLongWait;
    };

    // Blocks until granted (see Waiting). `existing`, when the pool exists, is its status: a lock
    // file made for it gets its owner (when root makes it), group and write permissions. A shared
    // lock where no lock file can be made or opened is left to the pool's own lock (see
    // LockedPool); an exclusive one is refused with PoolError CANNOT_LOCK.
    PoolLock(const PoolPlace& pool, Mode mode, const struct stat* existing, const Waiting& waiting);
    ~PoolLock();
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;

    bool busy() const { return isBusy; }
    // The lock file, open and locked; -1 when a shared lock has none.
    int descriptor() const { return fd.get(); }
    // Whether the lock file may be written (for the stamp).
    bool writable() const { return fileWritable; }

    // Locks `fd` as `mode`, waiting as `waiting` says; false when tryOnly found it busy. A
    // failure to lock throws PoolError CANNOT_LOCK naming `shownPath`.
    static bool lockDescriptor(int fd, Mode mode, const Waiting& waiting, const std::string& shownPath);

private:
    bool open(const PoolPlace& pool, const struct stat* existing, Mode mode);

    UniqueFd fd;
    bool fileWritable = false;
    bool isBusy = false;
};
