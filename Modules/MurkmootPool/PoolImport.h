#pragma once
// Turns what people collect entropy with into pool values. Pure functions: nothing here touches
// the pool. Every refusal is a std::runtime_error whose message starts with the source's name.
//
// A source is read as a stream, piece by piece, and never held whole: only the values it makes
// are kept, and reading stops at the first piece past the limits.

#include <cstddef>
#include <functional>
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

// Puts the source's next bytes in `buffer` (at most `size`) and returns how many; 0 at its end.
using Read = std::function<std::size_t(char* buffer, std::size_t size)>;

struct Limits {
    std::size_t mostValues;
    std::size_t mostBytes; // of the source as read, values or not
};

// Limits no real source comes near, for sources already in memory.
inline constexpr Limits UNLIMITED{static_cast<std::size_t>(-1) / 8, static_cast<std::size_t>(-1)};

// JSON nested deeper than this is refused: a response needs 3 levels (an array of responses,
// a response, its data).
inline constexpr std::size_t MOST_JSON_DEPTH = 8;

// Every 4 bytes one 32-bit value, little-endian, in order.
Imported fromBytes(std::string_view bytes);

// The values a source holds in `format`. AUTO reads a JSON object or an array of objects as
// QRNG_JSON and anything else as TEXT, refusing bytes that are not text (pointing to --format
// bytes). TEXT reads with the pool's own reader. QRNG_JSON is a quantum random number service's
// answer: one response object or an array of them; only the "data" of each enters, as bytes in
// order: a uint8 value is one byte, a uint16 value two (low byte first), a hex16 string the
// bytes its hex digits spell (first pair first). It refuses "success": false, a missing "data",
// a value outside its type (naming the element) and JSON nested deeper than MOST_JSON_DEPTH.
// A source longer than `limits.mostBytes` or holding more than `limits.mostValues` is refused.
Imported importValues(const Read& read, Format format, const std::string& origin, Limits limits);
Imported importValues(std::string_view source, Format format, const std::string& origin);

} // namespace PoolImport
