#include "PlayerFiles.h"

#include "Journal.h"
#include "PoolFile.h"
#include "PoolFill.h"
#include "core/Config.h"
#include "core/PoolHint.h"
#include "core/Logging.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <ostream>
#include <unistd.h>

PlayerFiles::PlayerFiles(AppPaths appPaths) : paths(std::move(appPaths)) {}

bool PlayerFiles::logsHere() const {
    // In someone else's build the log there is not ours to archive or extend.
    return !paths.isInstalled() && (::access(".", W_OK) == 0 || ::access(LOG_FILE_PATH, W_OK) == 0);
}

std::filesystem::path PlayerFiles::journalPath() const {
    if (paths.isInstalled()) {
        return Journal::defaultPath(paths, {});
    }
    return Journal::defaultPath(paths, logsHere() ? "." : paths.stateDirectory());
}

std::filesystem::path PlayerFiles::startLog(std::ostream& err) const {
    if (logsHere() && startLogging(".")) {
        return ".";
    }
    std::string directory;
    try {
        directory = paths.stateDirectory();
    } catch (const AppPaths::ForeignDirectory& error) {
        err << error.what() << std::endl; // the refusal says all
        std::exit(1);
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
    return directory;
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
    if (PoolFill::createFromSystem(file, PoolHint::NEW_POOL_VALUES)) {
        const std::string said = "Created your entropy pool " + pool + " with " + std::to_string(PoolHint::NEW_POOL_VALUES) +
                                 " values from " + PoolFill::SYSTEM_SOURCE + ".";
        err << said << std::endl;
        LOG_INFO(said);
    }
    return pool;
}

std::string PlayerFiles::missingPoolHint(const std::string& pool) const { return PoolHint::forMissing(paths, pool); }
