#pragma once
// A source as a stream of pieces, never held whole, refused once it runs past its byte limit or
// goes on too long without a value; optionally checked to be text as it is read.

#include "PoolImport.h"
#include "TextCheck.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace PoolImport {

class BoundedSource {
public:
    static constexpr std::size_t PIECE_SIZE = 1 << 16;
    // Text or JSON that goes on this long without a value is no source of values (`yes`, say).
    static constexpr std::size_t MOST_BYTES_WITHOUT_VALUE = std::size_t{1} << 26;

    // What the start of a source says it is. The white space before the first telling byte is
    // dropped, its line feeds counted so that messages still name the right line.
    struct Detected {
        Format format = Format::TEXT;
        std::size_t lineFeeds = 0;
        bool bracket = false;  // a "[" came first
        std::span<char> rest; // the piece from the telling byte on
    };

    // `rawBytes`: every 4 bytes make a value, so no stretch goes without one.
    BoundedSource(const Read& read, const std::string& origin, std::size_t mostBytes, bool rawBytes);

    // The next piece; empty at the end.
    std::span<char> next();

    // From now on, refuses what is not text.
    void checkText() { text.emplace(origin); }

    // Says how many values (or data elements) the reader found so far; a source that finds none
    // for MOST_BYTES_WITHOUT_VALUE bytes is refused. Raw bytes never report, and never need to.
    void found(std::size_t count);

    // Reads up to the first telling byte: a JSON object or an array of objects is QRNG_JSON,
    // anything else TEXT.
    Detected detect();

private:
    const Read& read;
    const std::string& origin;
    std::size_t mostBytes;
    std::vector<char> buffer;
    std::size_t total = 0;
    std::size_t foundCount = 0;
    std::size_t totalAtLastFind = 0;
    bool raw;
    bool ended = false;
    std::optional<TextCheck> text;
};

} // namespace PoolImport
