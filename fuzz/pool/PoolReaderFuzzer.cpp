// Arbitrary bytes as a pool file: the reader either refuses them as malformed or returns
// values whose written form reads back identically. Reading in pieces, and only counting, must
// give the same answer as reading the whole text at once.

#include "EntropyManager.h"
#include "PoolError.h"
#include "PoolReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The count and form a reader that keeps no values reports, fed in pieces of `pieceSize`;
// nothing when it refuses the text.
bool countInPieces(std::string_view text, std::size_t pieceSize, std::size_t& count, bool& writtenForm) {
    PoolReader reader("fuzz");
    try {
        for (std::size_t at = 0; at < text.size(); at += pieceSize) {
            reader.feed(text.substr(at, pieceSize));
        }
        reader.finish();
    } catch (const PoolError& error) {
        if (error.kind() != PoolError::Kind::MALFORMED) {
            std::abort();
        }
        return false;
    }
    count = reader.count();
    writtenForm = reader.writtenForm();
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<int> values;
    bool writtenForm = false;
    bool refused = false;
    try {
        values = EntropyManager::parsePool(text, "fuzz", &writtenForm);
    } catch (const PoolError& error) {
        if (error.kind() != PoolError::Kind::MALFORMED) {
            std::abort();
        }
        refused = true;
    }
    const std::size_t pieceSize = size == 0 ? 1 : 1 + data[0] % 97;
    // Whole, and in pieces.
    for (const std::size_t pieces : {size + 1, pieceSize}) {
        std::size_t count = 0;
        bool countedWrittenForm = false;
        const bool accepted = countInPieces(text, pieces, count, countedWrittenForm);
        if (accepted == refused || (accepted && (count != values.size() || countedWrittenForm != writtenForm))) {
            std::abort();
        }
    }
    if (refused) {
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
