#pragma once
// MurkmootPool's commands: status, add and fill, run against a pool file that the games may be
// using at the same moment. Every change goes through PoolFile, which locks the pool and
// replaces it atomically; a source is read and checked whole before the pool is touched.

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class CommandLine;

class PoolTool {
public:
    // The pool used without --pool, asked for only when a command needs it; none: the one in
    // Assets/Data/ under the working directory.
    using DefaultPool = std::function<std::string()>;

    PoolTool(std::istream& in, std::ostream& out, std::ostream& err, DefaultPool defaultPool = {});

    // Runs one command line (without the program name) and returns the exit status: 0 when it
    // did what was asked, 1 when it failed (one line on `err`, the pool untouched), 2 for a
    // command line it does not understand.
    int run(const std::vector<std::string>& args);

private:
    void status(const CommandLine& line);
    void add(const CommandLine& line);
    void fill(const CommandLine& line);

    std::string poolPath(const CommandLine& line) const;

    // Puts `values` in front of the pool and reports what it holds now.
    void prepend(const std::string& poolPath, const std::vector<int>& values);

    // Everything a source holds ("-" is standard input), or its first `limit` bytes.
    std::string readSource(const std::string& name, std::size_t limit);

    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    DefaultPool defaultPool;
};
