#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
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
}

TEST(EntropyPoolFile, LoadsSavesAndDraws) {
    TempDir dir;
    const auto pool = (dir.path() / "pool.txt").string();
    {
        writeFile(pool, "[12, -7, 30]");
        std::vector<int> values = EntropyManager::loadPool(pool);
        EXPECT_EQ(values, (std::vector<int>{12, -7, 30}));
        EXPECT_EQ(EntropyManager::drawFromPool(values, pool), 30);
        EXPECT_EQ(readFile(pool), "12\n-7\n");
        EXPECT_EQ(EntropyManager::getPoolSize(values), 2);
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
        std::vector<int> values = EntropyManager::loadPool(pool);
        EXPECT_EQ(EntropyManager::drawFromPool(values, pool), 5);
        EXPECT_TRUE(std::filesystem::exists(pool));
        EXPECT_EQ(readFile(pool), "");
        EXPECT_EQ(errorOf([&] { EntropyManager::drawFromPool(values, pool); }), "Entropy pool empty");
        EXPECT_EQ(readFile(pool), "");
    }
    {
        const auto missing = (dir.path() / "missing.txt").string();
        EXPECT_EQ(errorOf([&] { EntropyManager::loadPool(missing); }),
                  "Failed to open entropy pool: " + missing);
        EXPECT_EQ(errorOf([&] { EntropyManager::loadPool(dir.path().string()); }),
                  "Failed to open entropy pool: " + dir.path().string());
    }
    {
        // A malformed file is refused whole and left exactly as it was.
        writeFile(pool, "1\n2\n-\n3\n");
        EXPECT_NE(errorOf([&] { EntropyManager::loadPool(pool); }).find(pool), std::string::npos);
        EXPECT_EQ(readFile(pool), "1\n2\n-\n3\n");
    }
}

TEST(EntropyPoolFile, EveryDrawLeavesTheWrittenFormOfWhatRemains) {
    TempDir dir;
    const auto pool = (dir.path() / "pool.txt").string();
    std::vector<int> expected;
    for (int i = -500; i < 500; ++i) {
        expected.push_back(i * 7919);
    }
    EntropyManager::savePool(expected, pool);
    std::vector<int> values = EntropyManager::loadPool(pool);
    for (int draw = 0; draw < 20; ++draw) {
        EXPECT_EQ(EntropyManager::drawFromPool(values, pool), expected.back());
        expected.pop_back();
        ASSERT_EQ(readFile(pool), EntropyManager::formatPool(expected));
    }
    {
        // Text that is not in the written form is rewritten in it at the first draw.
        writeFile(pool, "[1, 2, 3, 4]");
        values = EntropyManager::loadPool(pool);
        EXPECT_EQ(EntropyManager::drawFromPool(values, pool), 4);
        EXPECT_EQ(readFile(pool), "1\n2\n3\n");
    }
    {
        // Someone else changed the file between draws: the in-memory pool is what gets written.
        values = EntropyManager::loadPool(pool);
        writeFile(pool, "9\n9\n9\n");
        EXPECT_EQ(EntropyManager::drawFromPool(values, pool), 3);
        EXPECT_EQ(readFile(pool), "1\n2\n");
        std::filesystem::remove(pool);
        EXPECT_EQ(EntropyManager::drawFromPool(values, pool), 2);
        EXPECT_EQ(readFile(pool), "1\n");
    }
    {
        // A pool vector that no longer matches the file's last line is not trusted either.
        writeFile(pool, "10\n20\n30\n");
        values = EntropyManager::loadPool(pool);
        values.back() = 31;
        EXPECT_EQ(EntropyManager::drawFromPool(values, pool), 31);
        EXPECT_EQ(readFile(pool), "10\n20\n");
    }
}

TEST(EntropyPoolFile, ReplacesASymlinkedPoolsTargetNotTheLink) {
    TempDir dir;
    const auto target = dir.path() / "real.txt";
    const auto link = dir.path() / "pool.txt";
    writeFile(target, "1, 2, 3");
    std::filesystem::create_symlink(target, link);
    std::vector<int> values = EntropyManager::loadPool(link.string());
    EXPECT_EQ(EntropyManager::drawFromPool(values, link.string()), 3);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(target), "1\n2\n");
}

TEST(EntropyPoolFile, CountsWithoutRereadingAnUnchangedFile) {
    TempDir dir;
    const auto pool = (dir.path() / "pool.txt").string();
    writeFile(pool, "1\n2\n3\n");
    EXPECT_EQ(EntropyManager::countPoolFile(pool), 3);
    std::vector<int> values = EntropyManager::loadPool(pool);
    EntropyManager::drawFromPool(values, pool);
    EXPECT_EQ(EntropyManager::countPoolFile(pool), 2);
    writeFile(pool, "[4, 5, 6, 7]"); // changed behind our back: counted afresh
    EXPECT_EQ(EntropyManager::countPoolFile(pool), 4);
    std::filesystem::remove(pool);
    EXPECT_THROW(EntropyManager::countPoolFile(pool), std::runtime_error);
}
