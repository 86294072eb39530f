// The importers on samples shaped like real service responses and generator output. The plainer
// cases (bytes, text, a refused response) go through the MurkmootPool binary in PoolToolTest.

#include "PoolImport.h"
#include "Sha256.h"

#include <gtest/gtest.h>

#include <stdexcept>

using enum PoolImport::Format;

// Four bytes, first byte lowest, as the pool value they make.
static int word(unsigned b0, unsigned b1, unsigned b2, unsigned b3) {
    return static_cast<int>(b0 | b1 << 8 | b2 << 16 | b3 << 24);
}

TEST(PoolImport, EachFormatYieldsItsValuesOrRefusesNamingTheElement) {
    const struct {
        std::string source;
        PoolImport::Format format;
        std::vector<int> values;
        std::size_t unusedBytes = 0;
        std::string refusal = "";
    } cases[] = {
        {std::string("\xff\xff\xff\xff\x78\x56\x34\x12\0\0\0\x80\x07\x07\x07", 15), BYTES,
         {-1, 0x12345678, INT32_MIN}, 3},
        // uint16 values pair up low half first.
        {R"({"type": "uint16", "data": [65535, 0, 1, 65535]})", AUTO, {word(255, 255, 0, 0), word(1, 0, 255, 255)}},
        // An array of responses joins their bytes in order: 6 + 5, and 3 left over.
        {R"([{"type": "uint8", "data": [1, 2, 3, 4, 255, 0]}, {"type": "uint8", "data": [16, 32, 64, 128, 9]}])",
         AUTO, {word(1, 2, 3, 4), word(255, 0, 16, 32)}, 3},
        {R"({"type": "hex16", "data": ["00FF", "10e0"]})", QRNG_JSON, {word(0, 255, 16, 224)}},
        // The type may follow the data; other fields nest freely.
        {R"({"data": [1, 0, 0, 0], "x": {"data": [[9]], "type": 1}, "success": true, "type": "uint8"})", AUTO, {1}},
        {"\xEF\xBB\xBF  [ {\"type\": \"uint8\", \"data\": [1, 0, 0, 0]}]", AUTO, {1}},
        // A JSON array of numbers is plain text to the pool reader.
        {"[12, -7, 3]\n", AUTO, {12, -7, 3}},
        {"7 café 8", AUTO, {7, 8}},
        // Text as text: "--format text" reads with the pool's own reader, whatever it looks like.
        {R"({"type": "uint16", "length": "1024"})", TEXT, {16, 1024}},
        // Metadata alone never becomes values.
        {R"({"success": true, "type": "uint16", "length": "1024"})", AUTO, {}, 0, "s: the response: no \"data\""},
        {R"([{"type": "uint8", "data": [1]}, {"type": "uint8"}])", QRNG_JSON, {}, 0, "s: response 2: no \"data\""},
        {R"({"type": "uint8", "data": [1, 256]})", QRNG_JSON, {}, 0, "s: the response: data[1]: 256 is not a uint8 (a"},
        {R"([{"type": "uint16", "data": [1]}, {"type": "uint16", "data": [0, -1]}])", QRNG_JSON, {}, 0,
         "s: response 2: data[1]: -1 is not a uint16 (a whole number from 0 to 65535)"},
        {R"({"type": "hex16", "data": ["12", "0x12"]})", QRNG_JSON, {}, 0, "s: the response: data[1]: \"0x12\" is not"},
        {R"({"type": "uint16", "data": [65536]})", QRNG_JSON, {}, 0, "s: the response: data[0]: 65536 is not a uint16"},
        {R"({"type": "uint8", "data": [1.5]})", QRNG_JSON, {}, 0, "s: the response: data[0]: 1.5 is not a uint8"},
        {R"({"type": "hex16", "data": ["abc"]})", QRNG_JSON, {}, 0, "s: the response: data[0]: \"abc\" is not a hex16"},
        {R"({"type": "hex16", "data": [""]})", QRNG_JSON, {}, 0, "s: the response: data[0]: \"\" is not a hex16"},
        {"\n1\n-\n", AUTO, {}, 0, "Malformed entropy pool: s: line 3: a \"-\""}, // counted from the very first line
        {R"({"data": [1]})", QRNG_JSON, {}, 0, "s: the response: no \"type\" (uint8, uint16 or hex16)"},
        {"[1, 2]", QRNG_JSON, {}, 0, "s: response 1: not a response object"},
        {R"({"type": "int32", "data": [1]})", QRNG_JSON, {}, 0, "s: the response: type \"int32\" is not uint8, uint16"},
        {R"([{"type": "uint8", "data": [1]}, 7])", QRNG_JSON, {}, 0, "s: response 2: not a response object"},
        {"{\"type\": \"uint8\", \"data\": [1,", QRNG_JSON, {}, 0, "s: not valid JSON"},
        {R"({"type": "uint8", "data": [1, [2]]})", QRNG_JSON, {}, 0, "s: the response: data[1]: [...] is not a uint8"},
        {R"({"type": "uint8", "data": {"0": 1}})", QRNG_JSON, {}, 0, "s: the response: \"data\" is not an array"},
        {R"({"type": "uint8", "data": [1], "data": [2]})", AUTO, {}, 0, "s: the response: \"data\" given twice"},
        {R"({"x": [[[[[[[[1]]]]]]]]})", AUTO, {}, 0, "s: JSON nested more than 8 levels deep"},
    };
    for (const auto& c : cases) {
        PoolImport::Imported imported;
        std::string refusal;
        try {
            imported = PoolImport::importValues(c.source, c.format, "s");
        } catch (const std::runtime_error& error) {
            refusal = error.what();
        }
        EXPECT_TRUE(refusal.starts_with(c.refusal) && refusal.empty() == c.refusal.empty()) << refusal;
        EXPECT_EQ(imported.values, c.values) << c.source;
        EXPECT_EQ(imported.unusedBytes, c.unusedBytes) << c.source;
    }
}

TEST(PoolImport, ASourceIsRefusedAsSoonAsItGoesBeyondTheLimitsAndNotBefore) {
    const struct {
        std::string source;
        PoolImport::Format format;
        std::string refusal;
    } cases[] = {
        {"1 2 3 4", AUTO, "s: holds more than 3 values, the most one add takes; the pool is unchanged"},
        {std::string(16, 'x'), BYTES, "s: holds more than 3 values"},
        {R"([{"type": "uint16", "data": [1, 2, 3, 4]}, {"type": "uint8", "data": [1, 2, 3, 4, 5, 6, 7, 8, 9]}])", AUTO,
         "s: holds more than 3 values"},
        {std::string(101, ' '), TEXT, "s: longer than 100 bytes, the most one add reads; the pool is unchanged"},
        {std::string(15, 'x'), BYTES, ""}, // three values and three bytes too few for a fourth: within
    };
    for (const auto& c : cases) {
        std::size_t offered = 0;
        const PoolImport::Read read = [&](char* buffer, std::size_t) -> std::size_t {
            if (offered == c.source.size()) {
                return 0;
            }
            *buffer = c.source[offered++]; // one byte at a time: a piece may end anywhere
            return 1;
        };
        std::string refusal;
        try {
            PoolImport::importValues(read, c.format, "s", {3, 100});
        } catch (const std::runtime_error& error) {
            refusal = error.what();
        }
        EXPECT_TRUE(refusal.starts_with(c.refusal) && refusal.empty() == c.refusal.empty()) << refusal;
    }
}

TEST(PoolImport, TheDigestOfAddedDataMatchesKnownAnswers) {
    Sha256 digest;
    digest.update("a");
    digest.update("bc"); // pieces make the same digest as the whole
    EXPECT_EQ(digest.hexDigest(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(digest.hexDigest(), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"); // afresh: ""
}
