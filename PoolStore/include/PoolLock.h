#pragma once
// The advisory lock that serialises every use of one pool file between processes, and the stamp
// that lets them trust each other's work.
//
// The lock is taken on "." + name + ".lock" beside the pool, not on the pool itself, because a
// rewrite renames a new file over the pool and a lock on the old inode would protect nothing.
// After the lock is granted the file must still be the one at that name (a cleaner may have
// removed it meanwhile); otherwise it is taken again. Every user who may change the pool can
// lock it: the file is readable by all, and writable (for the stamp) by no one who may not write
// the pool. Where no such lock can be had, the operation is refused, never run unlocked.
//
// The stamp records the pool file's identity (device, inode, size, modification and change
// times), its count, its form and a digest of its last bytes, as the last lock holder left it.
// Time stamps are coarse on some file systems, so a file whose times are not strictly older than
// the stamp's own writing may have changed again within the same tick: such a file is read again.

#include "UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

class PoolLock {
public:
    enum class Mode { SHARED, EXCLUSIVE };

    struct Known {
        std::size_t count = 0;
        bool writtenForm = true;
        std::uint64_t tail = 0; // digest of the file's last bytes (see tailDigest)
    };

    // How to wait: `tryOnly` gives up at once when another process holds the lock (busy() then
    // says so); otherwise `onLongWait` runs once when the wait passes about a second.
    struct Waiting {
        bool tryOnly = false;
        std::function<void()> onLongWait;
    };

    // Blocks until granted (see Waiting). `pool` is the pool's real path (links resolved);
    // `existing`, when the pool exists, is its status: a lock file made for it gets its owner
    // (when root makes it), group and write permissions. A shared lock where no lock file can be
    // made or opened is left to the pool's own lock (see LockedPool); an exclusive one is refused
    // with "Cannot lock entropy pool: <shownPath> (<reason>)".
    PoolLock(const std::string& pool, const std::string& shownPath, Mode mode, const struct stat* existing,
             const Waiting& waiting);
    ~PoolLock();
    PoolLock(const PoolLock&) = delete;
    PoolLock& operator=(const PoolLock&) = delete;

    bool busy() const { return isBusy; }

    // What is known of a pool file with this status, if it cannot have changed since: recorded
    // by this holder, or by the stamp when it is trustworthy and not racily clean. `tail`, when
    // given, must match too.
    std::optional<Known> known(const struct stat& pool, std::optional<std::uint64_t> tail = std::nullopt) const;
    // Records the pool's state after this holder read or changed it. The stamp is best effort: a
    // stamp that cannot be written only costs the next holder a read.
    void remember(const struct stat& pool, Known state);

    // Locks `fd` as `mode`, waiting as `waiting` says; false when tryOnly found it busy. A
    // failure to lock throws cannotLock.
    static bool lockDescriptor(int fd, Mode mode, const Waiting& waiting, const std::string& shownPath);
    static std::runtime_error cannotLock(const std::string& shownPath, int error);

    // A digest of the file's last bytes, which every draw reads anyway.
    static constexpr std::size_t TAIL_SIZE = 16;
    static std::uint64_t tailDigest(const char* bytes, std::size_t length);

    // The one name a rewrite links its finished file to before renaming it over the pool. Only
    // the holder of the exclusive lock uses it, so any holder finding it finds a leftover.
    static std::string temporaryPath(const std::string& pool);
    // The directory holding `path` ("." for a bare name).
    static std::string directoryOf(const std::string& path);

private:
    bool open(const std::string& lockPath, const struct stat* existing, Mode mode, const std::string& shownPath);

    UniqueFd fd;
    bool stampWritable = false;
    bool isBusy = false;
    // What this holder last recorded; true for as long as the lock has been held since.
    std::optional<struct stat> ownStatus;
    Known ownState;
};
