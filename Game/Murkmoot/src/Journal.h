#pragma once
// The player's journal: every completed consultation, one JSON line each, appended and never
// rewritten. The oracle never reads it, so it cannot change an answer.

#include "JournalEntry.h"

#include "core/AppPaths.h"

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <stdexcept>
#include <vector>

class Journal {
public:
    static constexpr const char* FILE_NAME = "journal.jsonl";

    // What reading the journal found: the entries, oldest first, and how many lines among
    // those read were not entries (torn by a kill, or edited by hand), for one warning.
    struct Reading {
        std::vector<JournalEntry> entries;
        std::size_t skippedLines = 0;
    };

    // The journal cannot be written or read; what() names the file and the reason.
    class Error : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    explicit Journal(std::filesystem::path file);

    // Installed, beside the player's own pool in their data directory (whichever pool a
    // consultation draws from); in a build tree, in `logDirectory`, beside log.txt.
    static std::filesystem::path defaultPath(const AppPaths& paths, const std::filesystem::path& logDirectory);

    // Appends `entry` as one line in one write, so that parallel consultations interleave whole
    // lines. The file is made 0600; a link or anything but a regular file at its name is refused.
    // After a line torn by a kill, the entry starts a line of its own. Throws Error.
    void append(const JournalEntry& entry) const;
    // As append, but a failure is a warning on `err` and in the log, given once for this
    // journal however many consultations follow: the consultation goes on without its entry.
    // Returns whether the entry was written.
    bool record(const JournalEntry& entry, std::ostream& err);

    // The last `count` entries, oldest first, read backwards from the end block by block: the
    // cost follows `count`, not the journal's length. A missing journal reads as empty.
    // Throws Error when the journal is there but cannot be read.
    Reading readLast(std::size_t count) const;

    const std::filesystem::path& getPath() const { return path; }

private:
    // Opens with `flags`, never through a link, and only a regular file; -1 when a journal to read
    // is missing. Throws Error.
    int open(int flags, const char* verb) const;
    [[noreturn]] void fail(const std::string& what, int error) const;

    std::filesystem::path path;
    bool warned = false;
};
