#include "core/AppPaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

const char* const GAME_DIRECTORY = "murkmoot";
// From the directory the games install to, to their data: set by the build from its configured
// install directories, so any layout (games/ and share/games/murkmoot, say) and any prefix work.
const char* const INSTALLED_DATA = MURKMOOT_INSTALLED_DATA;
const char* const POOL_NAME = "entropy_pool.txt";

std::string homeDirectory() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    const passwd* entry = getpwuid(getuid());
    if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/') {
        return entry->pw_dir;
    }
    throw std::runtime_error("Cannot find your home directory: set HOME");
}

// Every missing directory on the way, for this user alone.
void makeDirectories(const std::filesystem::path& directory) {
    std::filesystem::path partial;
    for (const std::filesystem::path& part : directory) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            throw std::runtime_error("Cannot make the directory " + partial.string() + " (" + std::strerror(errno) +
                                     ")");
        }
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(directory, ec)) {
        throw std::runtime_error("Cannot make the directory " + directory.string() + " (" +
                                 std::strerror(ENOTDIR) + ")");
    }
}

// A player's directory that another user owns or may write in would let that user read the
// future answers or swap the pool: refuse it rather than use it.
void requireOwnDirectory(const std::filesystem::path& directory) {
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) {
        throw std::runtime_error("Cannot use the directory " + directory.string() + " (" + std::strerror(errno) + ")");
    }
    const bool own = status.st_uid == ::geteuid();
    if (own && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0) {
        return;
    }
    const passwd* owner = ::getpwuid(status.st_uid);
    const std::string ownerName = owner != nullptr ? owner->pw_name : "user " + std::to_string(status.st_uid);
    throw AppPaths::ForeignDirectory("Refusing to use " + directory.string() + ": it belongs to " + ownerName +
                                     (own ? " but others may write in it" : ", not to you") +
                                     "; it must be yours and writable by you alone");
}

} // namespace

AppPaths AppPaths::forThisProgram() {
    std::error_code ec;
    // The real file, links resolved: an installed program reached through a link still finds
    // its own prefix. Without /proc the working directory stands in for the executable's.
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    return AppPaths(ec ? std::filesystem::current_path(ec) : executable.parent_path());
}

AppPaths::AppPaths(std::filesystem::path directory) : executableDirectory(std::move(directory)) {
    std::error_code ec;
    installed = !std::filesystem::is_directory(executableDirectory / "Assets", ec);
}

std::filesystem::path AppPaths::dataDirectory() const {
    return installed ? (executableDirectory / INSTALLED_DATA).lexically_normal() : executableDirectory;
}

std::string AppPaths::defaultPool() const {
    return installed ? playerDirectory("XDG_DATA_HOME", ".local/share") + "/" + POOL_NAME : BUILD_TREE_POOL;
}

std::string AppPaths::stateDirectory() const { return playerDirectory("XDG_STATE_HOME", ".local/state"); }

std::string AppPaths::playerDirectory(const char* variable, const char* fallback) {
    const char* base = std::getenv(variable);
    // A relative path there is not to be used.
    const std::filesystem::path home = base != nullptr && base[0] == '/' ? std::filesystem::path(base)
                                                                        : std::filesystem::path(homeDirectory()) / fallback;
    const std::filesystem::path directory = (home / GAME_DIRECTORY).lexically_normal();
    makeDirectories(directory);
    requireOwnDirectory(directory);
    return directory.string();
}
