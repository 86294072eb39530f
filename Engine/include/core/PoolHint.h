#pragma once
// The line every program prints when a pool is missing: a command that makes it, written so that
// it runs when pasted into a shell as printed.

#include "core/AppPaths.h"

#include <cstddef>
#include <string>

class PoolHint {
public:
    // A player's first pool: about 7,000 consultations.
    static constexpr std::size_t NEW_POOL_VALUES = 100'000;

    // For a pool that does not exist, "Make one with: <MurkmootPool> --pool <pool> fill N", the
    // pool tool found beside the program in a build tree and on the PATH once installed; else "".
    static std::string forMissing(const AppPaths& paths, const std::string& pool);
};
