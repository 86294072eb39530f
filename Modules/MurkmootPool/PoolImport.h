#pragma once
// Turns what people collect entropy with into pool values. Pure functions: nothing here touches
// the pool. Every refusal is a std::runtime_error whose message starts with the source's name.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace PoolImport {

enum class Format { AUTO, TEXT, BYTES, QRNG_JSON };

// "auto", "text", "bytes" or "qrng-json"; nothing for any other name.
std::optional<Format> formatNamed(std::string_view name);

struct Imported {
    std::vector<int> values;
    std::size_t unusedBytes = 0; // 1 to 3 bytes at the end that do not make a whole value
};

// Every 4 bytes one 32-bit value, little-endian, in order.
Imported fromBytes(std::string_view bytes);

// A quantum random number service's answer: one response object or an array of them. Only the
// "data" of each enters, as bytes in order: a uint8 value is one byte, a uint16 value two (low
// byte first), a hex16 string the bytes its hex digits spell (first pair first). Refuses
// "success": false, a missing "data" and a value outside its type, naming the element.
std::string qrngJsonBytes(std::string_view json, const std::string& origin);

// A JSON object or an array of objects is QRNG_JSON; anything else TEXT, unless it holds bytes
// that are not text (then this throws, pointing to --format bytes).
Format detect(std::string_view source, const std::string& origin);

// The values `source` holds in `format` (AUTO detects it first).
Imported importValues(std::string_view source, Format format, const std::string& origin);

} // namespace PoolImport
