#pragma once
// The advisory lock that serialises every change to one pool file between processes, and the
// stamp that lets them trust each other's work.
//
// The lock is taken on "." + name + ".lock" beside the pool, not on the pool itself, because a
// rewrite renames a new file over the pool and a lock on the old inode would protect nothing.
// Where that file cannot be made (a directory we may not write), the directory is locked instead.
//
// The stamp records the pool file's identity (device, inode, size, modification and change
// times) as the last lock holder left it, with its count and form. A file that still has that
// identity need not be read again; anything else that touched it changed its change time.

#include "UniqueFd.h"

#include <cstddef>
#include <optional>
#include <string>
#include <sys/stat.h>

class PoolLock {
public:
    enum class Mode { SHARED, EXCLUSIVE };

    struct Known {
        std::size_t count = 0;
        bool writtenForm = true;
    };

    // Blocks until granted. `pool` is the pool's real path (links resolved); `owner`, when the
    // pool exists, gives a lock file made by root the pool's owner. Also removes a temporary
    // left by a rewrite that was killed before it finished (see temporaryPath).
    PoolLock(const std::string& pool, Mode mode, const struct stat* owner);
    ~PoolLock();
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;

    // What the stamp says about a pool file with this status, if it still describes it.
    std::optional<Known> known(const struct stat& pool) const;
    // Records the pool's state after this holder read or changed it. Best effort: a stamp that
    // cannot be written only costs the next holder a read.
    void remember(const struct stat& pool, Known state);

    // The one name a rewrite links its finished file to before renaming it over the pool. Only
    // the holder of the exclusive lock uses it, so any holder finding it finds a leftover.
    static std::string temporaryPath(const std::string& pool);
    // The directory holding `path` ("." for a bare name).
    static std::string directoryOf(const std::string& path);

private:
    UniqueFd fd;
    bool stampWritable = false;
};
