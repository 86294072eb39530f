#pragma once
// Where a program's files are. In a build tree (Assets/ beside the executable) everything stays
// relative to the working directory, as it always was. Installed, the read-only data sits in the
// data directory the build was configured with (<prefix>/share/murkmoot by default), found from
// the executable's own place so that any prefix works, and
// each player's pool and logs live under the XDG data and state homes: an installed program
// writes nothing in the working directory or under its prefix.

#include <filesystem>
#include <stdexcept>
#include <string>

class AppPaths {
public:
    // A player's directory that is not the player's own (another owner, or writable by others).
    class ForeignDirectory : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // The pool in a build tree, relative to the working directory.
    static constexpr const char* BUILD_TREE_POOL = "Assets/Data/entropy_pool.txt";

    // For the running executable.
    static AppPaths forThisProgram();
    // For an executable in `executableDirectory`.
    explicit AppPaths(std::filesystem::path executableDirectory);

    bool isInstalled() const { return installed; }
    const std::filesystem::path& getExecutableDirectory() const { return executableDirectory; }
    // The directory holding Assets/.
    std::filesystem::path dataDirectory() const;

    // The pool used when none is named: BUILD_TREE_POOL, or the player's pool
    // ($XDG_DATA_HOME/murkmoot/entropy_pool.txt), whose directory is made when missing.
    std::string defaultPool() const;
    // $XDG_STATE_HOME/murkmoot (default ~/.local/state/murkmoot), made when missing: the
    // player's logs.
    std::string stateDirectory() const;

private:
    // The directory under $variable (default ~/<fallback>) that holds this game's files, made
    // with mode 0700 where missing. Throws std::runtime_error naming what failed, ForeignDirectory
    // (one line naming it and its owner) when it is not the player's alone.
    static std::string playerDirectory(const char* variable, const char* fallback);

    std::filesystem::path executableDirectory;
    bool installed = false;
};
