#pragma once
// Both games' first steps, in order: the command line (answering --help, --version, --journal and
// mistakes before anything else happens), then the log where the player's files are, and the
// journal that every completed consultation is written in. What follows is each game's own.

#include "PlayerFiles.h"
#include "core/CommandLine.h"

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

class GameStart {
public:
    static const CommandLine::Option POOL;
    static const CommandLine::Option NO_JOURNAL;
    // "--journal [N]": print the last N consultations and exit; only where a program asks for it.
    static const CommandLine::Option JOURNAL;
    static constexpr std::size_t JOURNAL_DEFAULT_COUNT = 5;

    // Reads the command line (`argv` with the program name first) for `program`. When it
    // answered it (help, version, the journal when `readsJournal`, or a mistake) returns nothing
    // and sets `status` to the exit status; otherwise the log has been started (see
    // PlayerFiles::startLog) and, unless --no-journal, every completed consultation is written
    // in the player's journal under the program's name.
    static std::optional<GameStart> begin(const CommandLine::Program& program, int argc, char** argv, int& status,
                                          bool readsJournal = false);

    // The pool to draw from: the one --pool named, else the player's (see PlayerFiles::choosePool).
    std::string choosePool(std::ostream& err) const { return files.choosePool(namedPool, err); }
    bool isPoolNamed() const { return namedPool.has_value(); }
    const PlayerFiles& getFiles() const { return files; }
    // The player's journal, written or not (--no-journal); nothing when it has no place.
    const std::optional<std::filesystem::path>& getJournalPath() const { return journalPath; }

private:
    explicit GameStart(std::optional<std::string> named);

    // Prints the journal for --journal with `value` ("" for the default count); the exit status.
    int showJournal(const CommandLine::Program& program, const std::string& value) const;
    // Finds the journal beside the log in `logDirectory` (see Journal::defaultPath) and, when
    // `writing`, has every completed consultation written in it.
    void keepJournal(const std::string& program, const std::filesystem::path& logDirectory, bool writing);

    PlayerFiles files;
    std::optional<std::string> namedPool;
    std::optional<std::filesystem::path> journalPath;
};
