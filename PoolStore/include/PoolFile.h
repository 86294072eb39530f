#pragma once
// One entropy pool file, shared by every running copy of every program that uses it. The file is
// the truth: each operation locks the pool, looks at the file as it is now and leaves it in the
// written form (one plain decimal per line). No value is handed out twice, none comes back, and a
// kill at any instant leaves the old or the new file and no temporary behind.
//
// Locking: an advisory lock on "." + name + ".lock" beside the pool (following a symbolic link to
// its target), which stays put when the pool is replaced by rename. The lock is held only for the
// length of one operation, never while a program waits for its user.
//
// Every failure is a std::runtime_error: "Failed to open entropy pool: <path>" (missing, or not a
// regular file), "Malformed entropy pool: <path>: line N: ..." (the file is left untouched),
// "Entropy pool empty", or "Failed to write entropy pool: <path> (<reason>)".

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class PoolFile {
public:
    struct Status {
        std::size_t count = 0;
        bool writtenForm = true; // false: readable, but not one plain decimal per line
    };

    // Fills `batch` (cleared by the caller) with the next values; returns false when there are
    // no more. Throwing abandons the whole change.
    using ValueSource = std::function<bool(std::vector<int>& batch)>;

    explicit PoolFile(std::string path);

    const std::string& getPath() const { return path; }

    // Checks the whole file and counts its values. Cheap when the file is as some user of the
    // pool last left it (a stamp beside the pool says so); otherwise one pass over the file.
    Status inspect();

    // Takes the value that is last in the file now, and cuts it off the file before returning.
    int draw();

    // The number of values the last inspect() or draw() of this object left in the file.
    std::size_t lastCount() const { return count; }

    // Every value, in file order.
    std::vector<int> readAll();

    // Replaces the contents with the written form of `values`.
    void replace(const std::vector<int>& values);

    // Runs under the exclusive lock just before a change is committed, given the pool's real
    // path and its status before the change (nullptr when the change creates it). Throwing
    // abandons the change.
    using BeforeCommit = std::function<void(const std::string& target, const struct stat* previous)>;

    // Puts the values `source` gives in front of those already in the file (which keep their
    // turn), in the order given; creates the file when it does not exist. Returns how many were
    // added; lastCount() then holds the new total. `beforeCommit` is not run when nothing changes.
    std::size_t prepend(const ValueSource& source, const BeforeCommit& beforeCommit = {});

    // Makes the file, holding the values `source` gives, unless a file is already there (then it
    // stays as it is and nothing is read from `source`). Returns whether it made it; two
    // programs making the same pool at once make it once.
    bool create(const ValueSource& source);

private:
    std::string path;
    std::size_t count = 0;
};
