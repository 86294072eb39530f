#pragma once
// One entropy pool file, shared by every running copy of every program that uses it. The file is
// the truth: each operation locks the pool (see LockedPool), looks at the file as it is now and
// leaves it in the written form (one plain decimal per line). No value is handed out twice, none
// comes back, and a kill or a power cut at any instant leaves the old or the new file and no
// temporary behind: a draw is on disk before it returns, or before its Hold ends.
//
// The lock is held for one operation, or for as long as a Hold lives; never while a program waits
// for its user. An operation that waits more than about a second for another program says so
// once on standard error.
//
// Every failure is a PoolError, whose kind says which (see PoolError.h): a malformed file is
// left untouched, and a failed change leaves the file as it was.

#include "UniqueFd.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

class LockedPool;
class PoolPlace;

class PoolFile {
public:
    struct Status {
        std::size_t count = 0;
        bool writtenForm = true; // false: readable, but not one plain decimal per line
    };

    // Fills `batch` (cleared by the caller) with the next values; returns false when there are
    // no more. Throwing abandons the whole change.
    using ValueSource = std::function<bool(std::vector<int>& batch)>;

    // Keeps the pool to this PoolFile, locked exclusively, while it lives: its operations then
    // use that lock and no one else's change comes between them. Holds nest; the outermost one
    // unlocks. Every draw made so far is on disk when any Hold ends.
    class Hold {
    public:
        Hold(Hold&& other) noexcept : file(std::exchange(other.file, nullptr)) {}
        Hold& operator=(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        ~Hold();
        // Ends the hold now; throws when the draws cannot be made durable.
        void release();

    private:
        friend class PoolFile;
        explicit Hold(PoolFile* held) : file(held) {}
        PoolFile* file;
    };

    explicit PoolFile(std::string path);
    ~PoolFile();
    PoolFile(const PoolFile&) = delete;
    PoolFile& operator=(const PoolFile&) = delete;

    const std::string& getPath() const { return path; }

    // Waits for the pool and keeps it (see Hold).
    Hold hold();
    // The same, but nothing when another program holds the pool now: never waits.
    std::optional<Hold> tryHold();

    // Checks the whole file and counts its values. Cheap when the file is as some user of the
    // pool last left it (a stamp beside the pool says so); otherwise one pass over the file.
    Status inspect();
    // The same, but nothing when another program holds the pool now: never waits.
    std::optional<Status> tryInspect();

    // Takes the value that is last in the file now, and cuts it off the file before returning.
    int draw();

    // The number of values the last inspect() or draw() of this object left in the file.
    std::size_t lastCount() const { return count; }

    // Every value, in file order.
    std::vector<int> readAll();

    // Replaces the contents with the written form of `values`.
    void replace(const std::vector<int>& values);

    // A file that goes with a change of the pool (what was added to it, say). `prepare` runs
    // under the exclusive lock once the new values are read, before the pool's new file is
    // committed, given where the pool is and its status before the change (nullptr when the
    // change creates it); throwing abandons the change. `commit` runs only once the pool's new
    // file is in place.
    struct Companion {
        std::function<void(const PoolPlace& place, const struct stat* previous)> prepare;
        std::function<void()> commit;
    };

    // Puts the values `source` gives in front of those already in the file (which keep their
    // turn), in the order given; creates the file when it does not exist. Returns how many were
    // added; lastCount() then holds the new total. `companion` is not run when nothing changes.
    std::size_t prepend(const ValueSource& source, const Companion& companion = {});

    // Makes the file, holding the values `source` gives, unless a file is already there (then it
    // stays as it is and nothing is read from `source`). Returns whether it made it; two
    // programs making the same pool at once make it once.
    bool create(const ValueSource& source);

    // The written form of one value: plain decimal and a line feed.
    static void appendLine(std::string& text, int value);

private:
    template <typename Operation>
    auto withPool(bool exclusive, bool mayBeMissing, Operation operation);
    void endHold(bool mayThrow);
    void makeDurable();
    std::function<void()> longWaitNotice();
    std::optional<Status> inspectWaiting(bool tryOnly);

    std::string path;
    std::size_t count = 0;
    std::unique_ptr<LockedPool> held;
    int holdDepth = 0;
    UniqueFd unsynced; // the pool as cut by draws not yet made durable
    bool toldWaiting = false;
};
