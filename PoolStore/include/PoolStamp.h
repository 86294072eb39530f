#pragma once
// What the last holder of a pool's lock knew of the pool file, written into the lock file, so
// that the next holder need not read the pool again: the file's identity (device, inode, size,
// modification and change times), its count, its form and a digest of its last bytes.
//
// Only a stamp that no one could have written who may not write the pool is believed, and only
// for a file whose times are strictly older than the stamp's own writing: times are coarse on
// some file systems, so a file changed again within the same tick keeps its whole identity, and
// such a racily clean file is read again.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <sys/stat.h>

class PoolStamp {
public:
    struct Known {
        std::size_t count = 0;
        bool writtenForm = true;
        std::uint64_t tail = 0; // digest of the file's last bytes (see tailDigest)
    };

    // `lockFile` is the pool's lock file, open and locked (-1 when there is none: then only what
    // this holder itself recorded is known); `writable` says whether the stamp may be written.
    PoolStamp(int lockFile, bool writable) : lockFile(lockFile), writable(writable) {}

    // What is known of a pool file with this status, if it cannot have changed since: recorded
    // by this holder, or by the stamp when it is trustworthy and not racily clean. `tail`, when
    // given, must match too.
    std::optional<Known> known(const struct stat& pool, std::optional<std::uint64_t> tail = std::nullopt) const;
    // Records the pool's state after this holder read or changed it. The stamp is best effort: a
    // stamp that cannot be written only costs the next holder a read.
    void remember(const struct stat& pool, Known state);

    // A digest of the file's last bytes, which every draw reads anyway.
    static constexpr std::size_t TAIL_SIZE = 16;
    static std::uint64_t tailDigest(const char* bytes, std::size_t length);

private:
    int lockFile = -1;
    bool writable = false;
    // What this holder last recorded; true for as long as the lock has been held since.
    std::optional<struct stat> ownStatus;
    Known ownState;
};
