// MurkmootPool: inspects and refills the entropy pool, also while the games run.

#include "PoolTool.h"

#include <iostream>

int main(int argc, char** argv) {
    PoolTool tool(std::cin, std::cout, std::cerr);
    return tool.run({argv + 1, argv + argc});
}
