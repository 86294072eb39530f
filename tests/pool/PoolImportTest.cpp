// The importers on samples shaped like real service responses and generator output.

#include "PoolImport.h"

#include <gtest/gtest.h>

#include <stdexcept>

using enum PoolImport::Format;

// Four bytes, first byte lowest, as the pool value they make.
static int word(unsigned b0, unsigned b1, unsigned b2, unsigned b3) {
    return static_cast<int>(b0 | b1 << 8 | b2 << 16 | b3 << 24);
}

TEST(PoolImport, EachFormatYieldsItsValuesOrRefusesNamingTheElement) {
    const std::string words("\x01\x00\x00\x00\xff\xff\xff\xff\x78\x56\x34\x12\x00\x00\x00\x80", 16);
    const struct {
        std::string source;
        PoolImport::Format format;
        std::vector<int> values;
        std::size_t unusedBytes = 0;
        std::string refusal = "";
    } cases[] = {
        {words, BYTES, {1, -1, 0x12345678, INT32_MIN}},
        {words + "\x07\x07\x07", BYTES, {1, -1, 0x12345678, INT32_MIN}, 3},
        {"", BYTES, {}},
        // uint16 values pair up low half first.
        {R"({"success": true, "type": "uint16", "length": "4", "data": [65535, 0, 1, 65535]})", AUTO,
         {word(255, 255, 0, 0), word(1, 0, 255, 255)}},
        // An array of responses joins their bytes in order: 6 + 5, and 3 left over.
        {R"([{"success": true, "type": "uint8", "length": "6", "data": [1, 2, 3, 4, 255, 0]},
             {"success": true, "type": "uint8", "length": "5", "data": [16, 32, 64, 128, 9]}])",
         AUTO, {word(1, 2, 3, 4), word(255, 0, 16, 32)}, 3},
        {R"({"type": "hex16", "size": "4", "data": ["a1b2c3d4", "00FF10e0"]})", QRNG_JSON,
         {word(0xa1, 0xb2, 0xc3, 0xd4), word(0x00, 0xff, 0x10, 0xe0)}},
        {"\xEF\xBB\xBF  [ {\"type\": \"uint8\", \"data\": [1, 0, 0, 0]}]", AUTO, {1}},
        // A JSON array of numbers, or text with words in it, is plain text to the pool reader.
        {"[12, -7, 3]\n", AUTO, {12, -7, 3}},
        {"7 café 8", AUTO, {7, 8}},
        {R"({"type": "uint16", "length": "1024"})", TEXT, {16, 1024}},
        // Metadata alone never becomes values.
        {R"({"success": true, "type": "uint16", "length": "1024"})", AUTO, {}, 0, "s: the response: no \"data\""},
        {std::string("12\n\x00\x9f", 5), AUTO, {}, 0, "s: holds bytes that are not text; to add them as raw"},
        {R"({"success": false, "data": [1, 2]})", QRNG_JSON, {}, 0, "s: the response: \"success\" is false"},
        {R"([{"type": "uint8", "data": [1]}, {"type": "uint8"}])", QRNG_JSON, {}, 0, "s: response 2: no \"data\""},
        {R"({"type": "uint8", "data": [1, 256]})", QRNG_JSON, {}, 0,
         "s: the response: data[1]: 256 is not a uint8 (a whole number from 0 to 255)"},
        {R"([{"type": "uint16", "data": [1]}, {"type": "uint16", "data": [0, -1]}])", QRNG_JSON, {}, 0,
         "s: response 2: data[1]: -1 is not a uint16 (a whole number from 0 to 65535)"},
        {R"({"type": "uint16", "data": [65536]})", QRNG_JSON, {}, 0, "s: the response: data[0]: 65536 is not"},
        {R"({"type": "uint8", "data": [1.5]})", QRNG_JSON, {}, 0, "s: the response: data[0]: 1.5 is not a uint8"},
        {R"({"type": "hex16", "data": ["12", "0x12"]})", QRNG_JSON, {}, 0,
         "s: the response: data[1]: \"0x12\" is not a hex16 block (pairs of hex digits)"},
        {R"({"type": "int32", "data": [1]})", QRNG_JSON, {}, 0,
         "s: the response: type \"int32\" is not uint8, uint16 or hex16"},
        {R"({"data": [1]})", QRNG_JSON, {}, 0, "s: the response: no \"type\" (uint8, uint16 or hex16)"},
        {R"([{"type": "uint8", "data": [1]}, 7])", QRNG_JSON, {}, 0, "s: response 2: not a response object"},
        {"{\"type\": \"uint8\", \"data\": [1,", QRNG_JSON, {}, 0, "s: not valid JSON"},
    };
    for (const auto& c : cases) {
        try {
            const PoolImport::Imported imported = PoolImport::importValues(c.source, c.format, "s");
            EXPECT_EQ(imported.values, c.values) << c.source;
            EXPECT_EQ(imported.unusedBytes, c.unusedBytes) << c.source;
            EXPECT_EQ(c.refusal, "") << c.source;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, c.refusal.size()), c.refusal) << c.source;
            EXPECT_NE(c.refusal, "") << c.source;
        }
    }
}
