// MurkmootPool: inspects and refills the entropy pool, also while the games run.

#include "PoolTool.h"
#include "core/AppPaths.h"
#include "core/PoolHint.h"

#include <iostream>

int main(int argc, char** argv) {
    // By default the pool the games beside this program use.
    const AppPaths paths = AppPaths::forThisProgram();
    PoolTool tool(std::cin, std::cout, std::cerr, [&paths] { return paths.defaultPool(); },
                  [&paths](const std::string& pool) { return PoolHint::forMissing(paths, pool); });
    return tool.run({argv + 1, argv + argc});
}
