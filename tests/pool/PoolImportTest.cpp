// The importers on samples shaped like real service responses and generator output.

#include "PoolImport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using PoolImport::Format;
using PoolImport::importValues;

namespace {

int word(std::uint32_t b0, std::uint32_t b1, std::uint32_t b2, std::uint32_t b3) {
    return static_cast<int>(b0 | b1 << 8 | b2 << 16 | b3 << 24);
}

std::string refusal(const std::string& source, Format format) {
    try {
        importValues(source, format, "sample.json");
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "accepted";
}

} // namespace

TEST(PoolImport, BytesAreLittleEndianWordsAndTheRemainderIsReported) {
    const std::string bytes("\x01\x00\x00\x00\xff\xff\xff\xff\x78\x56\x34\x12\x00\x00\x00\x80", 16);
    for (std::size_t extra = 0; extra < 4; ++extra) {
        const auto imported = importValues(bytes + std::string(extra, '\x07'), Format::BYTES, "raw.bin");
        EXPECT_EQ(imported.values, (std::vector<int>{1, -1, 0x12345678, INT32_MIN}));
        EXPECT_EQ(imported.unusedBytes, extra);
    }
    EXPECT_TRUE(importValues("", Format::BYTES, "raw.bin").values.empty());
}

TEST(PoolImport, Uint16ResponseOfAThousandAndTwentyFourValues) {
    std::mt19937 generator(7);
    std::vector<std::uint32_t> data(1024);
    std::string response = R"({"success": true, "type": "uint16", "length": "1024", "data": [)";
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = i == 0 ? 65535 : i == 1 ? 0 : generator() % 65536; // both ends of the range too
        response += (i == 0 ? "" : ", ") + std::to_string(data[i]);
    }
    response += "]}";

    const auto imported = importValues(response, Format::AUTO, "response.json");
    ASSERT_EQ(imported.values.size(), 512U);
    EXPECT_EQ(imported.unusedBytes, 0U);
    for (std::size_t i = 0; i < 512; ++i) {
        ASSERT_EQ(imported.values[i], static_cast<int>(data[2 * i] | data[2 * i + 1] << 16)) << i;
    }
}

TEST(PoolImport, ArrayOfUint8ResponsesJoinsTheirBytesInOrder) {
    // 6 + 5 bytes: the second response's bytes continue the first's; 3 are left over.
    const std::string responses = R"([
        {"success": true, "type": "uint8", "length": "6", "data": [1, 2, 3, 4, 255, 0]},
        {"success": true, "type": "uint8", "length": "5", "data": [16, 32, 64, 128, 9]}
    ])";
    const auto imported = importValues(responses, Format::AUTO, "responses.json");
    EXPECT_EQ(imported.values, (std::vector<int>{word(1, 2, 3, 4), word(255, 0, 16, 32)}));
    EXPECT_EQ(imported.unusedBytes, 3U);
}

TEST(PoolImport, Hex16BlocksSpellTheirBytesFirstPairFirst) {
    const std::string response = R"({"success": true, "type": "hex16", "length": "3", "size": "4",
        "data": ["a1b2c3d4", "00FF10e0", "deadbeef"]})";
    const auto imported = importValues(response, Format::QRNG_JSON, "hex.json");
    EXPECT_EQ(imported.values,
              (std::vector<int>{word(0xa1, 0xb2, 0xc3, 0xd4), word(0x00, 0xff, 0x10, 0xe0), word(0xde, 0xad, 0xbe, 0xef)}));
}

TEST(PoolImport, RefusesResponsesThatAreNotDataNamingTheElement) {
    const struct {
        std::string source;
        std::string message;
    } cases[] = {
        {R"({"success": false, "type": "uint16", "data": [1, 2]})", "sample.json: the response: \"success\" is false"},
        {R"({"success": true, "type": "uint16", "length": "1024"})", "sample.json: the response: no \"data\""},
        {R"([{"type": "uint8", "data": [1]}, {"type": "uint8", "length": "4", "size": "1"}])",
         "sample.json: response 2: no \"data\""},
        {R"({"type": "uint8", "data": [1, 256]})",
         "sample.json: the response: data[1]: 256 is not a uint8 (a whole number from 0 to 255)"},
        {R"([{"type": "uint16", "data": [1]}, {"type": "uint16", "data": [0, -1]}])",
         "sample.json: response 2: data[1]: -1 is not a uint16 (a whole number from 0 to 65535)"},
        {R"({"type": "uint16", "data": [65536]})",
         "sample.json: the response: data[0]: 65536 is not a uint16 (a whole number from 0 to 65535)"},
        {R"({"type": "uint8", "data": [1.5]})",
         "sample.json: the response: data[0]: 1.5 is not a uint8 (a whole number from 0 to 255)"},
        {R"({"type": "hex16", "data": ["abc"]})",
         "sample.json: the response: data[0]: \"abc\" is not a hex16 block (pairs of hex digits)"},
        {R"({"type": "hex16", "data": ["12", "0x12"]})",
         "sample.json: the response: data[1]: \"0x12\" is not a hex16 block (pairs of hex digits)"},
        {R"({"type": "int32", "data": [1]})", "sample.json: the response: type \"int32\" is not uint8, uint16 or hex16"},
        {R"({"data": [1]})", "sample.json: the response: no \"type\" (uint8, uint16 or hex16)"},
        {R"([{"type": "uint8", "data": [1]}, 7])", "sample.json: response 2: not a response object"},
        {"[1, 2]", "sample.json: response 1: not a response object"},
        {"{\"type\": \"uint8\", \"data\": [1,", "sample.json: not valid JSON"},
    };
    for (const auto& c : cases) {
        const std::string message = refusal(c.source, Format::QRNG_JSON);
        EXPECT_EQ(message.substr(0, c.message.size()), c.message) << c.source;
    }
}

TEST(PoolImport, AutoReadsTextUnlessItIsAResponseOrNotText) {
    // A JSON array of numbers is plain text to the pool reader.
    EXPECT_EQ(importValues("[12, -7, 3]\n", Format::AUTO, "list.json").values, (std::vector<int>{12, -7, 3}));
    EXPECT_EQ(importValues("1\n2\n", Format::AUTO, "pool.txt").values, (std::vector<int>{1, 2}));
    EXPECT_EQ(importValues("\xEF\xBB\xBF  [ {\"type\": \"uint8\", \"data\": [1, 0, 0, 0]}]", Format::AUTO, "bom.json")
                  .values,
              (std::vector<int>{1}));
    // Metadata alone never becomes values, whatever the format is taken for.
    EXPECT_EQ(refusal(R"({"success": true, "type": "uint16", "length": "1024"})", Format::AUTO),
              "sample.json: the response: no \"data\"");
    EXPECT_EQ(refusal(std::string("12\n\x00\x9f\x13", 6), Format::AUTO),
              "sample.json: holds bytes that are not text; to add them as raw bytes use --format bytes");
    EXPECT_EQ(importValues("7 café 8", Format::AUTO, "notes.txt").values, (std::vector<int>{7, 8}));
    // Text as text: the "--format text" reader is the pool's own.
    EXPECT_EQ(importValues(R"({"type": "uint16", "length": "1024"})", Format::TEXT, "t").values,
              (std::vector<int>{16, 1024}));
}
