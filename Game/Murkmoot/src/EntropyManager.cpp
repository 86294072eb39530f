#include "EntropyManager.h"

#include "PoolFile.h"
#include "PoolReader.h"

namespace EntropyManager {

std::vector<int> parsePool(std::string_view text, const std::string& origin, bool* isWrittenForm) {
    return PoolReader::parse(text, origin, isWrittenForm);
}

std::string formatPool(const std::vector<int>& pool) {
    std::string text;
    text.reserve(pool.size() * PoolReader::MAX_WRITTEN_LINE);
    for (const int value : pool) {
        PoolFile::appendLine(text, value);
    }
    return text;
}

std::vector<int> loadPool(const std::string& path) { return PoolFile(path).readAll(); }

void savePool(const std::vector<int>& pool, const std::string& path) { PoolFile(path).replace(pool); }

int drawFromPool(const std::string& path) { return PoolFile(path).draw(); }

int getPoolSize(const std::vector<int>& pool) { return static_cast<int>(pool.size()); }

int countPoolFile(const std::string& path) { return static_cast<int>(PoolFile(path).inspect().count); }

} // namespace EntropyManager
