#pragma once
// MurkmootPool's commands: status, add and fill, run against a pool file that the games may be
// using at the same moment. Every change goes through PoolFile, which locks the pool and
// replaces it atomically; a source is read and checked whole before the pool is touched (and
// before the lock is taken: a slow source never keeps the games waiting).

#include "PoolImport.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

class CommandLine;
class UniqueFd;

class PoolTool {
public:
    // The pool used without --pool, asked for only when a command needs it; none: the one in
    // Assets/Data/ under the working directory.
    using DefaultPool = std::function<std::string()>;

    // For a pool that does not exist, the line saying how to make it (the games print the same).
    using MissingPoolHint = std::function<std::string(const std::string& pool)>;

    PoolTool(std::istream& in, std::ostream& out, std::ostream& err, DefaultPool defaultPool = {},
             MissingPoolHint missingPoolHint = {});

    // Runs one command line (without the program name) and returns the exit status: 0 when it
    // did what was asked, 1 when it failed (one line on `err`, the pool untouched), 2 for a
    // command line it does not understand.
    int run(const std::vector<std::string>& args);

private:
    void status(const CommandLine& line);
    void add(const CommandLine& line);
    void fill(const CommandLine& line);

    std::string poolPath(const CommandLine& line) const;

    // What add checks against the pool's record of the data added before.
    struct SourceCheck {
        std::string origin;
        std::string digest;
        bool again = false; // add it even when the record has it
    };

    // Puts `values` in front of the pool and reports what it holds now, after `notes`.
    void prepend(const std::string& poolPath, const std::vector<int>& values, const std::string& notes,
                 const std::optional<SourceCheck>& check);

    // Reads a source ("-" is standard input) through `file`.
    PoolImport::Read openSource(const std::string& name, UniqueFd& file);

    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    DefaultPool defaultPool;
    MissingPoolHint missingPoolHint;
};
