#include "CoreTestSupport.h"

#include "core/JSONManager.h"

#include <gtest/gtest.h>

using nlohmann::json;

TEST(JSONManager, LoadingFailuresGiveNullAndAnErrorLine) {
    LogCapture log;
    ScratchDir dir;
    {
        const std::string missing = (dir.path / "missing.json").string();
        EXPECT_TRUE(JSONManager::loadAndLogJson(missing).is_null());
        EXPECT_NE(log.text().find("!![ERROR] Failed to open file: " + missing + " ["), std::string::npos);
        EXPECT_NE(log.text().find("] [Engine/src/core/jsonManager:"), std::string::npos);
    }
    {
        EXPECT_TRUE(JSONManager::loadAndLogJson(dir.write("empty.json", "")).is_null());
        EXPECT_NE(log.text().find("!![ERROR] JSON parse error: "), std::string::npos);
    }
    {
        EXPECT_TRUE(JSONManager::loadAndLogJson(dir.write("bad.json", "{\n  \"a\": tru }")).is_null());
        EXPECT_NE(log.text().find("line 2, column"), std::string::npos);
    }
}

TEST(JSONManager, LoadingReadsOnlyTheFirstValue) {
    LogCapture log;
    ScratchDir dir;
    EXPECT_EQ(JSONManager::loadAndLogJson(dir.write("trail.json", "{\"a\": 1} trailing {garbage")),
              json({{"a", 1}}));
    // The literal null loads silently and looks like a failure to the caller.
    EXPECT_TRUE(JSONManager::loadAndLogJson(dir.write("null.json", "null")).is_null());
    EXPECT_EQ(log.text(), "");
}

TEST(JSONManager, SavingWritesIndentedUnescapedText) {
    LogCapture log;
    ScratchDir dir;
    const std::string path = (dir.path / "out.json").string();
    ASSERT_TRUE(JSONManager::saveJsonToFile(json{{"a", 1}}, path));
    EXPECT_EQ(readFile(path), "{\n    \"a\": 1\n}");
    EXPECT_NE(log.text().find("..[INFO] Saved JSON to file: " + path + " ["), std::string::npos);

    ASSERT_TRUE(JSONManager::saveJsonToFile(json{{"name", "Gobbo \xC3\xA9\xE2\x9C\x93"}}, path));
    EXPECT_EQ(readFile(path), "{\n    \"name\": \"Gobbo \xC3\xA9\xE2\x9C\x93\"\n}");
    EXPECT_EQ(JSONManager::loadAndLogJson(path)["name"], "Gobbo \xC3\xA9\xE2\x9C\x93");
}

TEST(JSONManager, SavingFailuresReturnFalseAndKeepOldFiles) {
    LogCapture log;
    ScratchDir dir;
    {
        // Invalid UTF-8 cannot be written; the file saved before must survive the attempt.
        const std::string path = dir.write("keep.json", "{\"kept\": true}");
        EXPECT_FALSE(JSONManager::saveJsonToFile(json{{"bad", "\xFF\xFE"}}, path));
        EXPECT_EQ(readFile(path), "{\"kept\": true}");
        const std::string text = log.text();
        EXPECT_NE(text.find("!![ERROR] Failed to write JSON to file: [json.exception.type_error.316]"),
                  std::string::npos);
        EXPECT_EQ(text.find("Saved JSON"), std::string::npos);
    }
    {
        const auto target = dir.path / "no-such-dir" / "out.json";
        EXPECT_FALSE(JSONManager::saveJsonToFile(json::object(), target.string()));
        EXPECT_FALSE(std::filesystem::exists(target.parent_path()));
        EXPECT_NE(log.text().find("Failed to open file for writing: " + target.string()), std::string::npos);
    }
    if (std::filesystem::exists("/dev/full")) {
        // A device that refuses the bytes must not be reported as saved.
        EXPECT_FALSE(JSONManager::saveJsonToFile(json{{"a", std::string(70000, 'x')}}, "/dev/full"));
    }
}
