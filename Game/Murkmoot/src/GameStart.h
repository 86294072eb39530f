#pragma once
// Both games' first steps, in order: the command line (answering --help, --version and mistakes
// before anything else happens), then the log where the player's files are. What follows is each
// game's own.

#include "PlayerFiles.h"
#include "core/CommandLine.h"

#include <iosfwd>
#include <optional>
#include <string>

class GameStart {
public:
    // The games' one option.
    static const CommandLine::Option POOL;

    // Reads the command line (`argv` with the program name first) for `program`. When it
    // answered it (help, version or a mistake) returns nothing and sets `status` to the exit
    // status; otherwise the log has been started (see PlayerFiles::startLog).
    static std::optional<GameStart> begin(const CommandLine::Program& program, int argc, char** argv, int& status);

    // The pool to draw from: the one --pool named, else the player's (see PlayerFiles::choosePool).
    std::string choosePool(std::ostream& err) const { return files.choosePool(namedPool, err); }
    bool isPoolNamed() const { return namedPool.has_value(); }
    const PlayerFiles& getFiles() const { return files; }

private:
    explicit GameStart(std::optional<std::string> named);

    PlayerFiles files;
    std::optional<std::string> namedPool;
};
