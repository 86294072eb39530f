// Arbitrary bytes as a pool file: the reader either refuses them with a runtime error or returns
// values whose written form reads back identically.

#include "EntropyManager.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<int> values;
    bool writtenForm = false;
    try {
        values = EntropyManager::parsePool(text, "fuzz", &writtenForm);
    } catch (const std::runtime_error&) {
        return 0;
    }
    const std::string written = EntropyManager::formatPool(values);
    if (writtenForm != (written == text)) {
        std::abort();
    }
    bool rereadWrittenForm = false;
    if (EntropyManager::parsePool(written, "fuzz", &rereadWrittenForm) != values || !rereadWrittenForm) {
        std::abort();
    }
    return 0;
}
