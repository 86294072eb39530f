// Arbitrary bytes as a source for MurkmootPool add, in every format: each importer either refuses
// them with a runtime error or returns values, the same whether the source comes whole or in
// pieces of any size (which refusal may differ: the first fault seen wins), and raw bytes always
// come back whole.

#include "PoolImport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// The values, or the refusal's message.
std::pair<std::vector<int>, std::string> importOrRefuse(std::string_view source, PoolImport::Format format,
                                                        std::size_t pieceSize) {
    std::size_t at = 0;
    const PoolImport::Read read = [&](char* buffer, std::size_t size) {
        const std::size_t length = std::min({size, pieceSize, source.size() - at});
        std::memcpy(buffer, source.data() + at, length);
        at += length;
        return length;
    };
    try {
        return {PoolImport::importValues(read, format, "fuzz", PoolImport::UNLIMITED).values, ""};
    } catch (const std::runtime_error& error) {
        return {{}, error.what()};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    const std::size_t pieceSize = size == 0 ? 1 : 1 + data[size - 1] % 7;
    for (const auto format : {PoolImport::Format::AUTO, PoolImport::Format::QRNG_JSON}) {
        const auto whole = importOrRefuse(source, format, size + 1);
        const auto pieces = importOrRefuse(source, format, pieceSize);
        if (whole.first != pieces.first || whole.second.empty() != pieces.second.empty()) {
            std::abort();
        }
    }

    const PoolImport::Imported raw = PoolImport::fromBytes(source);
    if (raw.unusedBytes > 3 || raw.values.size() * 4 + raw.unusedBytes != size) {
        std::abort();
    }
    // Each value is its four bytes, low byte first, on any machine.
    for (std::size_t i = 0; i < raw.values.size(); ++i) {
        const auto value = static_cast<std::uint32_t>(raw.values[i]);
        for (std::size_t k = 0; k < 4; ++k) {
            if (static_cast<std::uint8_t>(value >> (8 * k)) != data[4 * i + k]) {
                std::abort();
            }
        }
    }
    return 0;
}
