#include "PoolReader.h"

#include "PoolError.h"

#include <bit>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

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

#if defined(__SSE2__)

// Which bytes of a 64-byte block are which, one bit per byte.
struct BlockMasks {
    std::uint64_t newline = 0;
    std::uint64_t minus = 0;
    std::uint64_t zero = 0;
    std::uint64_t aboveOne = 0; // "2" to "9"
    bool foreign = false;       // a byte that is none of these and no digit either
};

std::uint64_t bitsOf(int movemask) { return static_cast<std::uint64_t>(static_cast<unsigned>(movemask)); }

// The masks of a block, 16 bytes at a time: what every x86-64 processor has. (A 32-byte copy
// saved about 10 ms per 10 million values, on a first read only: not worth a second path.)
BlockMasks masksOf(const char* block) {
    BlockMasks masks;
    __m128i foreign = _mm_setzero_si128();
#pragma GCC unroll 4
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + part * 16));
        const auto bits = [&](__m128i selected) { return bitsOf(_mm_movemask_epi8(selected)) << (part * 16); };
        const __m128i newline = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
        const __m128i minus = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('-'));
        const __m128i outside = _mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8('0')),
                                             _mm_cmpgt_epi8(bytes, _mm_set1_epi8('9')));
        foreign = _mm_or_si128(foreign, _mm_andnot_si128(_mm_or_si128(newline, minus), outside));
        masks.newline |= bits(newline);
        masks.minus |= bits(minus);
        masks.zero |= bits(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('0')));
        masks.aboveOne |= bits(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('1'))); // foreign bytes aside
    }
    masks.foreign = _mm_movemask_epi8(foreign) != 0;
    return masks;
}

// Bit i is set where bits i to i + 9 of `bits` are all set: ten digits in a row from i.
std::uint64_t runsOfTen(std::uint64_t bits) {
    const std::uint64_t two = bits & (bits >> 1);
    const std::uint64_t four = two & (two >> 2);
    const std::uint64_t eight = four & (four >> 4);
    return eight & (eight >> 2);
}

// Whether ten digits exceed the 32-bit limit. Big-endian loads compare like the digits they hold.
[[gnu::always_inline]] inline bool exceedsLimit(const char* digits, bool negative) {
    static constexpr char HIGH[] = "21474836";
    const std::uint64_t high = __builtin_bswap64(loadWord(digits));
    const std::uint64_t highLimit = __builtin_bswap64(loadWord(HIGH));
    const unsigned low = static_cast<unsigned>(static_cast<unsigned char>(digits[8])) << 8 |
                         static_cast<unsigned char>(digits[9]);
    const unsigned lowLimit = negative ? ('4' << 8 | '8') : ('4' << 8 | '7');
    return (high > highLimit) | ((high == highLimit) & (low > lowLimit));
}

// Whether the ten-digit numbers starting at the set bits of `starts` in the block at `block`
// stay within the 32-bit limits. Only those starting with "2" or more need a look; a block has
// one of them at most nearly always, so one is looked at without a branch.
[[gnu::always_inline]] inline bool withinLimits(const char* block, std::uint64_t starts,
                                                std::uint64_t negativeStarts) {
    static constexpr char SMALL[] = "0000000000";
    const std::uint64_t lowest = starts & (~starts + 1);
    const int at = std::countr_zero(lowest | (std::uint64_t{1} << 63));
    bool exceeded = exceedsLimit(lowest != 0 ? block + at : SMALL, ((negativeStarts >> at) & 1U) != 0);
    for (starts ^= lowest; starts != 0; starts &= starts - 1) {
        const int next = std::countr_zero(starts);
        exceeded |= exceedsLimit(block + next, ((negativeStarts >> next) & 1U) != 0);
    }
    return !exceeded;
}

// The number of lines in [begin, end), whole lines starting at a line start, when every one is
// in the written form; nothing otherwise. It looks at 64 bytes at a time and follows no single
// line, so the cost per line is a few instructions and no line depends on the one before.
std::optional<std::size_t> countWrittenLines(const char* const begin, const char* const end) {
    static constexpr char SMALL[] = "0000000000";
    const auto size = static_cast<std::size_t>(end - begin);
    std::size_t count = 0;
    bool lineStartCarry = true;
    bool minusCarry = false;
    bool zeroStartCarry = false;
    std::uint64_t previousDigits = 0;
    std::uint64_t previousAboveOne = 0;
    std::uint64_t previousNegativeStarts = 0;
    const char* previousBlock = SMALL;
    alignas(32) char padded[64];
    for (std::size_t offset = 0; offset < size; offset += 64) {
        const std::size_t length = std::min<std::size_t>(64, size - offset);
        const std::uint64_t inside = length == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << length) - 1;
        const char* block = begin + offset;
        if (length < 64) {
            std::memcpy(padded, block, length);
            std::memset(padded + length, '\n', 64 - length);
            block = padded;
        }
        BlockMasks masks = masksOf(block); // the padding is line feeds: never foreign
        if (masks.foreign) {
            return std::nullopt; // a byte no written line holds
        }
        if (length < 64) {
            masks.newline &= inside;
            masks.zero &= inside;
            masks.aboveOne &= inside;
        }
        const std::uint64_t digitBytes = ~(masks.newline | masks.minus) & inside;
        const std::uint64_t lineStarts = ((masks.newline << 1) | std::uint64_t{lineStartCarry}) & inside;
        const std::uint64_t negativeStarts = ((masks.minus << 1) | std::uint64_t{minusCarry}) & inside;
        const std::uint64_t digitStarts = (lineStarts & ~masks.minus) | negativeStarts;
        const std::uint64_t zeroStarts = masks.zero & digitStarts;
        const std::uint64_t afterZeroStarts = ((zeroStarts << 1) | std::uint64_t{zeroStartCarry}) & inside;
        // Runs of digits: ten at most, inside this block or across from the one before.
        const std::uint64_t tens = runsOfTen(digitBytes);
        const int carried = std::countl_one(previousDigits);
        const int leading = std::countr_one(digitBytes);
        const bool crossing = carried > 0 && leading > 0;
        if ((masks.minus & ~lineStarts) != 0 ||        // a "-" inside a number
            (digitStarts & ~digitBytes) != 0 ||        // an empty line, or "-" alone
            (zeroStarts & negativeStarts) != 0 ||      // "-0"
            (afterZeroStarts & ~masks.newline) != 0 || // a leading zero
            (tens & (tens >> 1)) != 0 ||               // eleven digits or more
            (crossing && carried + leading > 10)) {
            return std::nullopt;
        }
        // Ten-digit numbers must stay within the limits: those in this block, and the one that
        // began in the block before, if any.
        const int crossingStart = 64 - carried;
        const bool crossingTen = crossing && carried + leading == 10 &&
                                 ((previousAboveOne >> (crossingStart & 63)) & 1U) != 0;
        if (!withinLimits(block, tens & digitStarts & masks.aboveOne, negativeStarts) ||
            (crossingTen && // rare enough for a branch
             exceedsLimit(previousBlock + crossingStart, ((previousNegativeStarts >> crossingStart) & 1U) != 0))) {
            return std::nullopt;
        }
        count += static_cast<std::size_t>(std::popcount(masks.newline));
        lineStartCarry = (masks.newline >> 63) != 0;
        minusCarry = (masks.minus >> 63) != 0;
        zeroStartCarry = (zeroStarts >> 63) != 0;
        previousDigits = digitBytes;
        previousAboveOne = masks.aboveOne;
        previousNegativeStarts = negativeStarts;
        previousBlock = begin + offset;
    }
    return count;
}

#else

std::optional<std::size_t> countWrittenLines(const char*, const char*) { return std::nullopt; }

#endif

} // namespace

std::vector<int> PoolReader::parse(std::string_view text, const std::string& origin, bool* isWrittenForm) {
    std::vector<int> values;
    PoolReader reader(origin, &values);
    reader.feed(text);
    reader.finish();
    if (isWrittenForm != nullptr) {
        *isWrittenForm = reader.writtenForm();
    }
    return values;
}

PoolReader::PoolReader(std::string originName, std::vector<int>* output)
    : origin(std::move(originName)), values(output) {}

// [cursor, end) holds whole lines. Returns end, or the start of the first line that is not in
// the written form. Most of the cost of reading a pool is here, so it avoids branches that random
// data cannot predict (sign, nine or ten digits); the final line feed stops every digit run.
const char* PoolReader::scanWrittenLines(const char* cursor, const char* const end) {
    if (values == nullptr) {
        if (const std::optional<std::size_t> lines = countWrittenLines(cursor, end)) {
            valueCount += *lines;
            return end;
        }
    }
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
    throw PoolError::malformed(origin, lineNumber, what);
}
