#include "EntropyManager.h"
#include "PoolFile.h"
#include "PoolReader.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <vector>

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::vector<int> parse(const std::string& text) { return EntropyManager::parsePool(text, "pool.txt"); }

// The message of the runtime error `action` throws, or "" when it throws nothing.
template <typename Action>
std::string errorOf(Action action) {
    try {
        action();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

} // namespace

TEST(EntropyPoolReading, TakesEveryIntegerOutOfAnyText) {
    EXPECT_EQ(parse("[12, -7, 30]"), (std::vector<int>{12, -7, 30}));
    EXPECT_EQ(parse("1 2\t3\r\n4\v5\f6"), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(parse("3.9"), (std::vector<int>{3, 9}));
    EXPECT_EQ(parse("+5"), (std::vector<int>{5}));
    EXPECT_EQ(parse("12-7"), (std::vector<int>{12, -7}));
    EXPECT_EQ(parse("0x1F"), (std::vector<int>{0, 1}));
    EXPECT_EQ(parse("007\n-0\n"), (std::vector<int>{7, 0}));
    EXPECT_EQ(parse("2147483647 -2147483648"), (std::vector<int>{2147483647, -2147483648}));
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(parse("no digits at all").empty());
}

TEST(EntropyPoolReading, RecognisesTheWrittenForm) {
    bool writtenForm = false;
    EntropyManager::parsePool("12\n-7\n30\n", "p", &writtenForm);
    EXPECT_TRUE(writtenForm);
    EntropyManager::parsePool("", "p", &writtenForm);
    EXPECT_TRUE(writtenForm);
    for (const char* text : {"12\n-7\n30", "12 \n", "012\n", "-0\n", "+1\n", "1\n\n", "\n1\n", "1,\n"}) {
        EntropyManager::parsePool(text, "p", &writtenForm);
        EXPECT_FALSE(writtenForm) << text;
    }
}

TEST(EntropyPoolReading, RefusesValuesItWouldHaveToInvent) {
    // A "-" without digits and values beyond 32 bits would otherwise become made-up numbers
    // and cut off everything after them.
    EXPECT_EQ(errorOf([] { parse("1\n2\n-\n3\n"); }),
              "Malformed entropy pool: pool.txt: line 3: a \"-\" with no digits after it");
    EXPECT_NE(errorOf([] { parse("5 - 6"); }).find("line 1"), std::string::npos);
    EXPECT_NE(errorOf([] { parse("--5"); }), "");
    EXPECT_EQ(errorOf([] { parse("99999999999 1"); }),
              "Malformed entropy pool: pool.txt: line 1: \"99999999999\" does not fit in 32 bits");
    EXPECT_NE(errorOf([] { parse("2147483648"); }), "");
    EXPECT_NE(errorOf([] { parse("-2147483649"); }), "");
    EXPECT_NE(errorOf([] { parse("1\n00000000000000000000002147483648\n"); }), "");
    EXPECT_EQ(parse("00000000000000000000002147483647"), (std::vector<int>{2147483647}));
    // A long run is quoted short: the message goes to a terminal and a log line.
    EXPECT_EQ(errorOf([] { parse("7\n-" + std::string(1000000, '9') + "\n"); }),
              "Malformed entropy pool: pool.txt: line 2: \"-99999999999999999999999…\" does not fit in 32 bits");
}

TEST(EntropyPoolReading, ReadsTheSameInPiecesOfAnySize) {
    // Files are read in pieces; a piece may end inside a value, a line or a sign.
    for (const std::string& text : std::vector<std::string>{"12\n-7\n2147483647\n-2147483648\n0\n", "[1, -22, 333]\n4444\n55555", "1\n2\n3.9 +5\n6",
                                   "1\n2\n-\n3\n", "8\n" + std::string(30, '1') + "\n"}) {
        std::string whole;
        bool wholeWrittenForm = false;
        try {
            whole = EntropyManager::formatPool(EntropyManager::parsePool(text, "p", &wholeWrittenForm));
        } catch (const std::runtime_error& error) {
            whole = error.what();
        }
        for (std::size_t pieceSize = 1; pieceSize <= 5; ++pieceSize) {
            std::vector<int> values;
            PoolReader reader("p", &values);
            std::string got;
            try {
                for (std::size_t at = 0; at < text.size(); at += pieceSize) {
                    reader.feed(std::string_view(text).substr(at, pieceSize));
                }
                reader.finish();
                got = EntropyManager::formatPool(values);
                EXPECT_EQ(reader.count(), values.size());
                EXPECT_EQ(reader.writtenForm(), wholeWrittenForm) << text;
            } catch (const std::runtime_error& error) {
                got = error.what();
            }
            EXPECT_EQ(got, whole) << text << " in pieces of " << pieceSize;
        }
    }
}

TEST(EntropyPoolReading, CountingAloneJudgesEveryLineAsReadingDoes) {
    // Counting looks at many lines at once; a deviation must be seen wherever it falls.
    std::vector<int> values;
    for (int i = 0; i < 300; ++i) {
        // Ten digits each, none starting with "2": only a deviation can need a closer look.
        values.push_back((i % 3 == 0 ? -1 : 1) * (1000000000 + i * 2999999));
    }
    const std::string base = EntropyManager::formatPool(values);
    for (const char* line : {"2147483647\n", "-2147483648\n", "0\n", "-1\n", "1999999999\n",
                                    "-0\n", "01\n", "12345678901\n", "2147483648\n", "-2147483649\n",
                                    "2200000000\n", "\n", "-\n", "1-2\n", "3000000000\n", "1 \n"}) {
        for (std::size_t shift = 2; shift < 66; ++shift) {
            // Short lines in front move the deviation to every place in a 64-byte block.
            std::string padding = shift % 2 == 1 ? "22\n" : "";
            while (padding.size() < shift) {
                padding += "1\n";
            }
            const std::string text = padding + line + base;
            std::string read;
            bool writtenForm = false;
            try {
                read = std::to_string(EntropyManager::parsePool(text, "p", &writtenForm).size());
            } catch (const std::runtime_error& error) {
                read = error.what();
            }
            for (const bool wide : {true, false}) {
                PoolReader::allowWideVectors(wide);
                PoolReader counter("p");
                std::string counted;
                try {
                    counter.feed(text);
                    counter.finish();
                    counted = std::to_string(counter.count());
                    EXPECT_EQ(counter.writtenForm(), writtenForm) << line << " after " << padding.size();
                } catch (const std::runtime_error& error) {
                    counted = error.what();
                }
                PoolReader::allowWideVectors(true);
                ASSERT_EQ(counted, read) << line << " after " << padding.size() << (wide ? " wide" : " narrow");
            }
        }
    }
}

TEST(EntropyPoolFile, LoadsSavesAndDraws) {
    TempDir dir;
    const auto pool = (dir.path() / "pool.txt").string();
    {
        writeFile(pool, "[12, -7, 30]");
        EXPECT_EQ(EntropyManager::loadPool(pool), (std::vector<int>{12, -7, 30}));
        EXPECT_EQ(EntropyManager::drawFromPool(pool), 30);
        EXPECT_EQ(readFile(pool), "12\n-7\n");
    }
    {
        const std::vector<int> written{0, -1, 2147483647, -2147483648, 42};
        EntropyManager::savePool(written, pool);
        EXPECT_EQ(readFile(pool), "0\n-1\n2147483647\n-2147483648\n42\n");
        EXPECT_EQ(EntropyManager::loadPool(pool), written);
    }
    {
        // Drawing the last value leaves an empty file, not a missing one; then the pool is empty.
        writeFile(pool, "5\n");
        EXPECT_EQ(EntropyManager::drawFromPool(pool), 5);
        EXPECT_EQ(readFile(pool), "");
        EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(pool); }), "Entropy pool empty");
        EXPECT_EQ(readFile(pool), "");
    }
    {
        // Missing, a directory, a FIFO: refused at once, never waited on.
        const auto fifo = (dir.path() / "fifo").string();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
        for (const std::string& path : {(dir.path() / "missing.txt").string(), dir.path().string(), fifo}) {
            const std::string refused = "Failed to open entropy pool: " + path;
            EXPECT_EQ(errorOf([&] { EntropyManager::loadPool(path); }), refused);
            EXPECT_EQ(errorOf([&] { EntropyManager::countPoolFile(path); }), refused);
            EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(path); }), refused);
        }
    }
    {
        // A malformed file is refused whole and left exactly as it was.
        writeFile(pool, "1\n2\n-\n3\n");
        EXPECT_NE(errorOf([&] { EntropyManager::loadPool(pool); }).find(pool), std::string::npos);
        EXPECT_NE(errorOf([&] { EntropyManager::drawFromPool(pool); }).find("line 3"), std::string::npos);
        EXPECT_EQ(readFile(pool), "1\n2\n-\n3\n");
    }
}

TEST(EntropyPoolFile, EveryDrawTakesWhatIsLastInTheFileNow) {
    TempDir dir;
    const auto pool = (dir.path() / "pool.txt").string();
    std::vector<int> expected;
    for (int i = -500; i < 500; ++i) {
        expected.push_back(i * 7919);
    }
    EntropyManager::savePool(expected, pool);
    for (int draw = 0; draw < 20; ++draw) {
        EXPECT_EQ(EntropyManager::drawFromPool(pool), expected.back());
        expected.pop_back();
        ASSERT_EQ(readFile(pool), EntropyManager::formatPool(expected));
    }
    {
        // Text that is not in the written form is rewritten in it at the first draw.
        writeFile(pool, "[1, 2, 3, 4]");
        EXPECT_EQ(EntropyManager::drawFromPool(pool), 4);
        EXPECT_EQ(readFile(pool), "1\n2\n3\n");
    }
    {
        // Changed behind this process's back (a refill, an edit): the file is what counts.
        PoolFile file(pool);
        EXPECT_EQ(file.inspect().count, 3U);
        writeFile(pool, "9\n8\n1\n2\n");
        EXPECT_EQ(file.draw(), 2);
        EXPECT_EQ(file.lastCount(), 3U);
        EXPECT_EQ(readFile(pool), "9\n8\n1\n");
        writeFile(pool, "9\n8\n7\n"); // same length, other bytes
        EXPECT_EQ(file.draw(), 7);
        EXPECT_EQ(EntropyManager::countPoolFile(pool), 2);
    }
    {
        // Values put in front of the pool keep the ones already there first in line.
        std::vector<std::vector<int>> batches{{100, 101}, {102}};
        PoolFile file(pool);
        EXPECT_EQ(file.prepend([&](std::vector<int>& batch) {
            if (batches.empty()) {
                return false;
            }
            batch = batches.front();
            batches.erase(batches.begin());
            return true;
        }),
                  3U);
        EXPECT_EQ(file.lastCount(), 5U);
        EXPECT_EQ(readFile(pool), "100\n101\n102\n9\n8\n");
        EXPECT_EQ(file.draw(), 8);
    }
}

TEST(EntropyPoolFile, DrawsThroughASymlinkByCuttingItsTarget) {
    TempDir dir;
    const auto target = dir.path() / "real.txt";
    const auto link = dir.path() / "pool.txt";
    writeFile(target, "1\n2\n3\n");
    std::filesystem::create_symlink(target, link);
    struct stat before {};
    ::stat(target.c_str(), &before);
    EXPECT_EQ(EntropyManager::drawFromPool(link.string()), 3);
    EXPECT_EQ(EntropyManager::drawFromPool(link.string()), 2);
    struct stat after {};
    ::stat(target.c_str(), &after);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(target), "1\n");
    EXPECT_EQ(after.st_ino, before.st_ino) << "cut in place, not rewritten whole";
    // A dangling link is not a pool: nothing is created where it points.
    std::filesystem::remove(target);
    EXPECT_THROW(EntropyManager::savePool({1}, link.string()), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(target));
}
