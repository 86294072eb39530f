#pragma once
// What was already added to one pool: a digest of each source's values and when it was added,
// kept in a small file beside the pool ("." + name + ".added"), so that the same data does not
// enter the pool twice by mistake. Only the last MOST_ENTRIES are kept. Read and written only
// by the holder of the pool's exclusive lock, and written only along with the pool (see
// PoolFile::Companion): a record must never tell of data that did not go in.

#include "FileReplacement.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

class PoolPlace;

class AddedRecord {
public:
    static constexpr std::size_t MOST_ENTRIES = 1000;

    // The record of the pool at `pool`, which must outlive it. A record that cannot be read is
    // an empty one.
    explicit AddedRecord(const PoolPlace& pool);

    const std::string& getPath() const { return path; }

    // When the data with this digest was added (seconds since the epoch), if it was.
    std::optional<std::int64_t> addedAt(const std::string& digest) const;

    // The record with the digest added at `when`, written and on disk but not yet in place: its
    // commit() puts it there. It is no more writable than the pool: it takes the pool's owner and
    // mode (`pool`, nullptr for a pool being created). Throws PoolError CANNOT_WRITE naming the
    // record.
    FileReplacement prepare(const std::string& digest, std::int64_t when, const struct stat* pool);

private:
    const PoolPlace& pool;
    std::string name;
    std::string path;
    std::vector<std::pair<std::string, std::int64_t>> entries; // oldest first
};
