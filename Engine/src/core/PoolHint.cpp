#include "core/PoolHint.h"

#include "core/CommandLine.h"

#include <filesystem>
#include <system_error>

namespace {

const char* const POOL_TOOL = "MurkmootPool";

} // namespace

std::string PoolHint::forMissing(const AppPaths& paths, const std::string& pool) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(pool, ec))) {
        return "";
    }
    const std::string tool = paths.isInstalled() ? POOL_TOOL : (paths.getExecutableDirectory() / POOL_TOOL).string();
    return "Make one with: " + CommandLine::shellQuoted(tool) + " --pool " + CommandLine::shellQuoted(pool) +
           " fill " + std::to_string(NEW_POOL_VALUES);
}
