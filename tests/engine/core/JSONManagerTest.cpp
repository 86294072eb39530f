#include "CoreTestSupport.h"

#include "core/JSONManager.h"

#include <gtest/gtest.h>

using nlohmann::json;

TEST(JSONManager, Loading) {
    LogCapture log;
    ScratchDir dir;
    const std::string missing = (dir.path / "missing.json").string();
    EXPECT_TRUE(JSONManager::loadAndLogJson(missing).is_null());
    EXPECT_TRUE(log.has("!![ERROR] Failed to open file: " + missing + " ["));
    EXPECT_TRUE(log.has("] [Engine/src/core/jsonManager:"));
    EXPECT_TRUE(JSONManager::loadAndLogJson(dir.write("empty.json", "")).is_null());
    EXPECT_TRUE(log.has("!![ERROR] JSON parse error: "));
    EXPECT_TRUE(JSONManager::loadAndLogJson(dir.write("bad.json", "{\n  \"a\": tru }")).is_null());
    EXPECT_TRUE(log.has("line 2, column"));
    EXPECT_TRUE(JSONManager::loadAndLogJson(dir.write("huge.json", "[1e999]")).is_null());
    EXPECT_TRUE(log.has("!![ERROR] JSON parse error: [json.exception.out_of_range.406]"));
    // Non-strict: the first complete value is returned, whatever follows it.
    EXPECT_EQ(JSONManager::loadAndLogJson(dir.write("trail.json", "{\"a\": 1} trailing {")), json({{"a", 1}}));
    EXPECT_TRUE(JSONManager::loadAndLogJson(dir.write("null.json", "null")).is_null());
}

TEST(JSONManager, Saving) {
    LogCapture log;
    ScratchDir dir;
    const std::string path = (dir.path / "out.json").string();
    ASSERT_TRUE(JSONManager::saveJsonToFile(json{{"a", 1}}, path));
    EXPECT_EQ(readFile(path), "{\n    \"a\": 1\n}");
    EXPECT_TRUE(log.has("..[INFO] Saved JSON to file: " + path + " ["));
    ASSERT_TRUE(JSONManager::saveJsonToFile(json{{"name", "Gobbo \xC3\xA9\xE2\x9C\x93"}}, path));
    EXPECT_EQ(readFile(path), "{\n    \"name\": \"Gobbo \xC3\xA9\xE2\x9C\x93\"\n}");
    {
        // Invalid UTF-8 cannot be written, and the file saved before survives the attempt.
        EXPECT_FALSE(JSONManager::saveJsonToFile(json{{"bad", "\xFF\xFE"}}, path));
        EXPECT_EQ(readFile(path), "{\n    \"name\": \"Gobbo \xC3\xA9\xE2\x9C\x93\"\n}");
        EXPECT_TRUE(log.has("!![ERROR] Failed to write JSON to file: [json.exception.type_error.316]"));
    }
    {
        const auto target = dir.path / "no-such-dir" / "out.json";
        EXPECT_FALSE(JSONManager::saveJsonToFile(json::object(), target.string()));
        EXPECT_FALSE(std::filesystem::exists(target.parent_path()));
        EXPECT_TRUE(log.has("Failed to open file for writing: " + target.string()));
    }
    if (std::filesystem::exists("/dev/full")) {
        // A device that refuses the bytes must not be reported as saved.
        EXPECT_FALSE(JSONManager::saveJsonToFile(json{{"a", std::string(70000, 'x')}}, "/dev/full"));
    }
}
