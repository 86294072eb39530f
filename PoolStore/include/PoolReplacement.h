#pragma once
// A new pool file written beside the old one and renamed over it in one step, so that readers
// and a kill at any instant see the old or the new file, whole. The new file has no name while it
// is written (O_TMPFILE), so a kill then leaves nothing behind; it is named only for the moment
// before the rename. Callers hold the pool's exclusive lock.

#include "UniqueFd.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

class PoolReplacement {
public:
    // `target` is the pool's real path; `shownPath` is the one messages name. `previous`, when
    // the pool exists, gives the owner, group and mode the new file keeps.
    PoolReplacement(std::string target, std::string shownPath, const struct stat* previous);
    // Without commit() the old file stays as it was.
    ~PoolReplacement();
    PoolReplacement(const PoolReplacement&) = delete;
    PoolReplacement& operator=(const PoolReplacement&) = delete;

    void write(std::string_view text);
    // Appends the written form of the values.
    void writeValues(const std::vector<int>& values);

    // The written form of one value: plain decimal and a line feed.
    static void appendLine(std::string& text, int value);

    // What every failed change of a pool says: "Failed to write entropy pool: <path> (<reason>)".
    static std::runtime_error writeError(const std::string& path, int error);

    // Puts the new file in the old one's place, durably; returns the new file's status.
    struct stat commit();

private:
    void flush();
    [[noreturn]] void fail(int error) const;

    std::string target;
    std::string shownPath;
    std::string temporary;
    UniqueFd fd;
    bool named = false;
    bool keepsOwner = false;
    struct stat previous {};
    std::string buffer;
};
