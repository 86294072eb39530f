// Arbitrary bytes as a source for MurkmootPool add, in every format: each importer either refuses
// them with a runtime error or returns values, and raw bytes always come back whole.

#include "PoolImport.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace {

void importOrRefuse(std::string_view source, PoolImport::Format format) {
    try {
        PoolImport::importValues(source, format, "fuzz");
    } catch (const std::runtime_error&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    importOrRefuse(source, PoolImport::Format::AUTO);
    importOrRefuse(source, PoolImport::Format::QRNG_JSON);

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
