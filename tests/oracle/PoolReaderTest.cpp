// Reading pool text: every integer in any text, alike in pieces of any size and when counting alone.

#include "EntropyManager.h"
#include "PoolError.h"
#include "PoolReader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// What reading `text` gives: the count, whether it is the written form, and the values (none
// when only counting); or the message it is refused with. Piece size 0 reads it whole.
std::string read(std::string_view text, std::size_t pieceSize, bool countOnly = false) {
    std::vector<int> values;
    PoolReader reader("p", countOnly ? nullptr : &values);
    bool writtenForm = false;
    try {
        if (pieceSize == 0) {
            values = EntropyManager::parsePool(text, "p", &writtenForm);
        } else {
            for (std::size_t at = 0; at < text.size(); at += pieceSize) {
                reader.feed(text.substr(at, pieceSize));
            }
            reader.finish();
            writtenForm = reader.writtenForm();
        }
    } catch (const PoolError& error) {
        EXPECT_EQ(error.kind(), PoolError::Kind::MALFORMED);
        return error.what();
    }
    std::string result =
        std::to_string(pieceSize == 0 ? values.size() : reader.count()) + (writtenForm ? " written:" : " any:");
    for (const int value : countOnly ? std::vector<int>{} : values) {
        result += " " + std::to_string(value);
    }
    return result;
}

} // namespace

TEST(EntropyPoolReading, TakesEveryIntegerOfAnyTextAlikeInPiecesOfAnySize) {
    const std::string refused = "Malformed entropy pool: p: line ";
    const std::string noDigits = ": a \"-\" with no digits after it";
    const std::string noFit = "\" does not fit in 32 bits";
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "0 written:"}, {"12\n-7\n2147483647\n-2147483648\n0\n", "5 written: 12 -7 2147483647 -2147483648 0"},
        {"[12, -7, 30]", "3 any: 12 -7 30"}, {"1 2\t3\r\n4\v5\f6", "6 any: 1 2 3 4 5 6"},
        {"3.9 +5 12-7 0x1F", "7 any: 3 9 5 12 -7 0 1"}, {"no digits at all", "0 any:"},
        // Close to the written form, but not it.
        {"12\n-7\n30", "3 any: 12 -7 30"}, {"12 \n", "1 any: 12"}, {"007\n-0\n", "2 any: 7 0"}, {"01\n", "1 any: 1"},
        {"-0\n", "1 any: 0"}, {"+1\n", "1 any: 1"}, {"1\n\n", "1 any: 1"}, {"\n1\n", "1 any: 1"}, {"1,\n", "1 any: 1"},
        {"5:\n", "1 any: 5"}, {"12345678:\n0\n", "2 any: 12345678 0"}, {"123456789:\n0\n", "2 any: 123456789 0"},
        {"00000000000000000000002147483647", "1 any: 2147483647"},
        // A "-" without digits or a value beyond 32 bits would be an invented value. A long run is
        // quoted short: the message goes to a terminal and a log line.
        {"1\n2\n-\n3\n", refused + "3" + noDigits},
        {"5 - 6", refused + "1" + noDigits},
        {"--5", refused + "1" + noDigits},
        {"99999999999 1", refused + "1: \"99999999999" + noFit}, {"2147483648", refused + "1: \"2147483648" + noFit},
        {"1\n-2147483649\n", refused + "2: \"-2147483649" + noFit},
        {"1\n00000000000000000000002147483648\n", refused + "2: \"000000000000000000000021…" + noFit},
        {"7\n-" + std::string(1000000, '9') + "\n", refused + "2: \"-99999999999999999999999…" + noFit}};
    for (const auto& [text, expected] : cases) {
        for (std::size_t pieceSize = 0; pieceSize <= 5; ++pieceSize) {
            EXPECT_EQ(read(text, pieceSize), expected) << text << " in pieces of " << pieceSize;
            EXPECT_EQ(read(text, pieceSize, true), read(text, 0, true)) << text << " in pieces of " << pieceSize;
        }
    }
}

TEST(EntropyPoolReading, CountingAloneJudgesEveryLineAsReadingDoes) {
    // Counting looks at 64 bytes at once; a deviation must be seen wherever it falls in them.
    std::vector<int> values;
    for (int i = 0; i < 20; ++i) {
        // Ten digits each, none starting with "2": only a deviation can need a closer look.
        values.push_back((i % 3 == 0 ? -1 : 1) * (1000000000 + i * 2999999));
    }
    const std::string base = EntropyManager::formatPool(values);
    for (const char* line : {"2147483647\n", "-2147483648\n", "0\n", "-1\n", "1999999999\n", "-0\n", "01\n",
                             "12345678901\n", "11000000000\n", "2147483648\n", "-2147483649\n", "2200000000\n", "\n",
                             "-\n", "1-2\n", "3000000000\n", "1 \n"}) {
        // Short lines in front move it to every place in a block.
        for (const std::string first : {"", "22\n"}) {
            for (std::string padding = first; padding.size() < 66; padding += "1\n") {
                const std::string text = padding + line + base;
                ASSERT_EQ(read(text, text.size(), true), read(text, 0, true)) << line << " after " << padding.size();
            }
        }
    }
}
