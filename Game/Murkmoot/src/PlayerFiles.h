#pragma once
// The files a game keeps for its player: the log and the entropy pool, wherever AppPaths puts
// them. Both games start through this, after their command line and before anything else.

#include "core/AppPaths.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

class PlayerFiles {
public:
    explicit PlayerFiles(AppPaths paths);

    // Starts the log: installed, in the state directory; in a build tree, in the working
    // directory, or where that cannot be written (someone else's build) in the state directory,
    // with one warning on `err`. Exits with status 1 and "Failed to open log file." when it can
    // start nowhere. Returns the directory the log is in.
    std::filesystem::path startLog(std::ostream& err) const;

    // The player's journal: beside their own pool when installed, beside the log in a build tree
    // (where startLog would put it, without starting it). Throws std::runtime_error when the
    // directory it needs is not to be had.
    std::filesystem::path journalPath() const;

    // The pool to draw from: `named` as given, else the default. Installed, a missing default
    // pool is made first with PoolHint::NEW_POOL_VALUES values from the system's random source, and that
    // is said once on `err` and in the log. Throws std::runtime_error when that fails.
    std::string choosePool(const std::optional<std::string>& named, std::ostream& err) const;

    // For a pool that does not exist, the line that tells how to make one; else "".
    std::string missingPoolHint(const std::string& pool) const;

    const AppPaths& getPaths() const { return paths; }

private:
    // A build tree's log goes in the working directory when that can be written.
    bool logsHere() const;

    AppPaths paths;
};
