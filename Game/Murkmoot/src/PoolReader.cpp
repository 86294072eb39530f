#include "PoolReader.h"

#include <cstring>
#include <stdexcept>

namespace {

// Messages quote at most this much of a number: a run of digits can be megabytes long.
constexpr std::size_t QUOTE_LIMIT = 24;
constexpr std::uint64_t POSITIVE_LIMIT = 2147483647U;
constexpr std::uint64_t NEGATIVE_LIMIT = 2147483648U;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::uint64_t loadWord(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Whether all eight bytes of a little-endian word are ASCII digits.
bool isEightDigits(std::uint64_t word) {
    return (((word + 0x4646464646464646U) | (word - 0x3030303030303030U)) & 0x8080808080808080U) == 0;
}

// The value of eight ASCII digits, first byte most significant, in three multiply steps instead
// of eight dependent ones.
std::uint64_t eightDigitsValue(std::uint64_t word) {
    word -= 0x3030303030303030U;
    word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFU;
    word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFU;
    return (word * 10000 + (word >> 32)) & 0xFFFFFFFFU;
}

unsigned digitAt(const char* cursor) {
    return static_cast<unsigned>(static_cast<unsigned char>(*cursor)) - '0';
}

int signedValue(bool negative, std::uint64_t magnitude) {
    return static_cast<int>(negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude));
}

} // namespace

PoolReader::PoolReader(std::string originName, std::vector<int>* output)
    : origin(std::move(originName)), values(output) {}

// [cursor, end) holds whole lines. Returns end, or the start of the first line that is not in
// the written form. Most of the cost of reading a pool is here, so it avoids branches that random
// data cannot predict (sign, nine or ten digits); the final line feed stops every digit run.
const char* PoolReader::scanWrittenLines(const char* cursor, const char* const end) {
    while (cursor != end) {
        const char* const lineStart = cursor;
        const bool negative = *cursor == '-';
        cursor += negative ? 1 : 0;
        const char* const digits = cursor;
        std::uint64_t magnitude = 0;
        if (end - cursor > 10 && isEightDigits(loadWord(cursor))) {
            magnitude = eightDigitsValue(loadWord(cursor));
            cursor += 8;
            const unsigned ninth = digitAt(cursor);
            const unsigned tenth = digitAt(cursor + 1);
            const bool hasNinth = ninth < 10;
            const bool hasTenth = hasNinth & (tenth < 10);
            magnitude = hasNinth ? magnitude * 10 + ninth : magnitude;
            magnitude = hasTenth ? magnitude * 10 + tenth : magnitude;
            cursor += static_cast<int>(hasNinth) + static_cast<int>(hasTenth);
        } else {
            for (unsigned digit = digitAt(cursor); digit < 10 && cursor - digits <= 10; digit = digitAt(++cursor)) {
                magnitude = magnitude * 10 + digit;
            }
        }
        const auto length = cursor - digits;
        const std::uint64_t limit = negative ? NEGATIVE_LIMIT : POSITIVE_LIMIT;
        const bool deviates = (length == 0) | (*cursor != '\n') | (magnitude > limit) |
                              ((*digits == '0') & ((length > 1) | negative));
        if (deviates) {
            return lineStart; // includes runs longer than ten digits: *cursor is a digit then
        }
        if (values != nullptr) {
            values->push_back(signedValue(negative, magnitude));
        }
        ++valueCount;
        ++cursor;
    }
    return end;
}

void PoolReader::feed(std::string_view text) {
    if (!fastPath) {
        feedAnyText(text);
        return;
    }
    if (!carry.empty()) {
        const std::size_t newline = text.find('\n');
        const std::size_t take = newline == std::string_view::npos ? text.size() : newline + 1;
        if (carry.size() + take > MAX_WRITTEN_LINE) {
            const std::string pending = std::move(carry);
            leaveFastPath(pending);
            feedAnyText(text);
            return;
        }
        carry.append(text.substr(0, take));
        text.remove_prefix(take);
        if (newline == std::string_view::npos) {
            return;
        }
        if (scanWrittenLines(carry.data(), carry.data() + carry.size()) != carry.data() + carry.size()) {
            const std::string pending = std::move(carry);
            leaveFastPath(pending);
            feedAnyText(text);
            return;
        }
        carry.clear();
    }
    const std::size_t lastNewline = text.rfind('\n');
    const std::size_t linesLength = lastNewline == std::string_view::npos ? 0 : lastNewline + 1;
    const char* const stop = scanWrittenLines(text.data(), text.data() + linesLength);
    if (stop != text.data() + linesLength) {
        leaveFastPath(text.substr(static_cast<std::size_t>(stop - text.data())));
        return;
    }
    const std::string_view tail = text.substr(linesLength);
    if (tail.size() >= MAX_WRITTEN_LINE) {
        leaveFastPath(tail);
        return;
    }
    carry.assign(tail);
}

void PoolReader::finish() {
    if (fastPath && !carry.empty()) {
        const std::string pending = std::move(carry); // no final line feed
        leaveFastPath(pending);
    }
    if (pendingMinus) {
        refuse(numberLine, "a \"-\" with no digits after it");
    }
    if (inNumber) {
        endNumber();
    }
}

// Everything before `pending` was whole lines in the written form, which the general reader
// would have read the same way; it carries on from the start of the line that deviates.
void PoolReader::leaveFastPath(std::string_view pending) {
    fastPath = false;
    carry.clear();
    line = valueCount + 1;
    feedAnyText(pending);
}

void PoolReader::feedAnyText(std::string_view text) {
    for (const char c : text) {
        if (inNumber) {
            if (isDigit(c)) {
                // Saturate: only "too large" matters beyond the limit, and the run may be long.
                magnitude = magnitude > NEGATIVE_LIMIT ? magnitude : magnitude * 10 + static_cast<unsigned>(c - '0');
                if (numberText.size() <= QUOTE_LIMIT) {
                    numberText += c;
                }
                continue;
            }
            endNumber();
        }
        if (pendingMinus) {
            if (!isDigit(c)) {
                refuse(numberLine, "a \"-\" with no digits after it");
            }
            pendingMinus = false;
            inNumber = true;
            magnitude = static_cast<unsigned>(c - '0');
            numberText += c;
            continue;
        }
        if (c == '\n') {
            ++line;
        } else if (c == '-' || isDigit(c)) {
            negative = c == '-';
            pendingMinus = negative;
            inNumber = !negative;
            magnitude = negative ? 0 : static_cast<unsigned>(c - '0');
            numberLine = line;
            numberText.assign(1, c);
        }
        // Anything else (white space, signs, brackets, letters) only separates values.
    }
}

void PoolReader::endNumber() {
    inNumber = false;
    if (magnitude > (negative ? NEGATIVE_LIMIT : POSITIVE_LIMIT)) {
        std::string quoted = numberText.substr(0, QUOTE_LIMIT);
        if (numberText.size() > QUOTE_LIMIT) {
            quoted += "…";
        }
        refuse(numberLine, "\"" + quoted + "\" does not fit in 32 bits");
    }
    if (values != nullptr) {
        values->push_back(signedValue(negative, magnitude));
    }
    ++valueCount;
}

void PoolReader::refuse(std::size_t lineNumber, const std::string& what) const {
    throw std::runtime_error("Malformed entropy pool: " + origin + ": line " + std::to_string(lineNumber) + ": " +
                             what);
}
