#pragma once
// Values for a pool from a source of random bytes: every 4 bytes one 32-bit value, little-endian,
// in order. MurkmootPool's fill and a player's first pool both come from here.

#include "PoolFile.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class PoolFill {
public:
    static constexpr const char* SYSTEM_SOURCE = "/dev/urandom";
    static constexpr std::size_t VALUE_BYTES = 4;

    // Every whole value `bytes` holds; 1 to 3 bytes left at the end are not used.
    static std::vector<int> fromBytes(std::string_view bytes);

    // The `count` values the first count * 4 bytes make; throws naming `origin` when `bytes`
    // ends before that.
    static std::vector<int> values(std::string_view bytes, std::size_t count, const std::string& origin);

    // Up to `limit` bytes from the start of the file `source`.
    static std::string readBytes(const std::string& source, std::size_t limit);

    // Makes `pool` with `count` values from the system's random source, unless a pool file is
    // already there: returns whether it made it. Two programs doing this at once make one pool.
    static bool createFromSystem(PoolFile& pool, std::size_t count);
};
