#pragma once
// Reads pool text in pieces of any size, so that a pool of any length is checked and counted in
// a small, fixed amount of memory. Any text is accepted: every integer in it is taken, in order,
// and everything that is neither a digit nor "-" separates values ("[1, 2]", "3.9" and "12-7"
// all read as lists). A "-" with no digit after it, or a value outside 32 bits, is refused with a
// PoolError (MALFORMED) naming the origin and the line, since using it would mean inventing a value.
//
// Text exactly in the written form (one plain decimal per line, each ended by a line feed) is
// recognised on a fast path that costs little more than reading the bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class PoolReader {
public:
    // Values found are appended to `values` when it is given; otherwise they are only counted.
    explicit PoolReader(std::string origin, std::vector<int>* values = nullptr);

    // The next piece of the text; pieces may split a value or a line anywhere.
    void feed(std::string_view text);
    // The end of the text.
    void finish();

    // Every integer in a whole text; `isWrittenForm`, when given, says whether the text is exactly
    // the written form of the result.
    static std::vector<int> parse(std::string_view text, const std::string& origin, bool* isWrittenForm = nullptr);

    std::size_t count() const { return valueCount; }
    // Whether everything fed so far is the written form of the values read.
    bool writtenForm() const { return fastPath; }

    // The longest line of the written form: "-2147483648" and its line feed.
    static constexpr std::size_t MAX_WRITTEN_LINE = 12;

private:
    const char* scanWrittenLines(const char* cursor, const char* end);
    void leaveFastPath(std::string_view pending);
    void feedAnyText(std::string_view text);
    void endNumber();
    [[noreturn]] void refuse(std::size_t line, const std::string& what) const;

    std::string origin;
    std::vector<int>* values = nullptr;
    std::size_t valueCount = 0;
    bool fastPath = true;
    std::string carry; // the unfinished last line on the fast path

    // The general reader's state between pieces.
    std::size_t line = 1;
    bool inNumber = false;
    bool pendingMinus = false;
    bool negative = false;
    std::uint64_t magnitude = 0;
    std::size_t numberLine = 1;
    std::string numberText; // the start of the current number, for messages
};
