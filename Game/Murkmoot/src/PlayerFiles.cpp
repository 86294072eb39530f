#include "PlayerFiles.h"

#include "PoolFile.h"
#include "PoolFill.h"
#include "core/Config.h"
#include "core/Logging.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <unistd.h>

namespace {

const char* const POOL_TOOL = "MurkmootPool";

// A path as a shell takes it.
std::string quoted(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
               std::string_view("/._-+~").find(c) != std::string_view::npos;
    });
    if (plain) {
        return text;
    }
    std::string result = "'";
    for (const char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

} // namespace

PlayerFiles::PlayerFiles(AppPaths appPaths) : paths(std::move(appPaths)) {}

void PlayerFiles::startLog(std::ostream& err) const {
    // In someone else's build the log there is not ours to archive or extend.
    if (!paths.isInstalled() && (::access(".", W_OK) == 0 || ::access(LOG_FILE_PATH, W_OK) == 0) &&
        startLogging(".")) {
        return;
    }
    std::string directory;
    try {
        directory = paths.stateDirectory();
    } catch (const std::exception& error) {
        err << error.what() << "\nFailed to open log file." << std::endl;
        std::exit(1);
    }
    const std::string log = directory + "/" + LOG_FILE_PATH;
    if (!paths.isInstalled()) {
        err << "Warning: cannot write " << LOG_FILE_PATH << " here; logging to " << log << " instead." << std::endl;
    }
    initializeLogging(directory);
    if (!paths.isInstalled()) {
        LOG_WARN("Cannot write " + std::string(LOG_FILE_PATH) + " in the working directory; logging here instead.");
    }
}

std::string PlayerFiles::choosePool(const std::optional<std::string>& named, std::ostream& err) const {
    if (named) {
        return *named;
    }
    const std::string pool = paths.defaultPool();
    std::error_code ec;
    if (!paths.isInstalled() || std::filesystem::exists(std::filesystem::symlink_status(pool, ec))) {
        return pool;
    }
    PoolFile file(pool);
    if (PoolFill::createFromSystem(file, NEW_POOL_VALUES)) {
        const std::string said = "Created your entropy pool " + pool + " with " + std::to_string(NEW_POOL_VALUES) +
                                 " values from " + PoolFill::SYSTEM_SOURCE + ".";
        err << said << std::endl;
        LOG_INFO(said);
    }
    return pool;
}

std::string PlayerFiles::missingPoolHint(const std::string& pool) const {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(pool, ec))) {
        return "";
    }
    const std::string tool = paths.isInstalled() ? POOL_TOOL : (paths.getExecutableDirectory() / POOL_TOOL).string();
    return "Make one with: " + quoted(tool) + " --pool " + quoted(pool) + " fill " + std::to_string(NEW_POOL_VALUES);
}
