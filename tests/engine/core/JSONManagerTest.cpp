#include "TestSupport.h"
#include "core/JSONManager.h"

#include <gtest/gtest.h>

using nlohmann::json;

TEST(JSONManager, Loading) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / "in.json").string();
    const auto load = [&](const std::string& text) {
        testsupport::writeFile(path, text);
        return JSONManager::loadAndLogJson(path);
    };
    EXPECT_TRUE(JSONManager::loadAndLogJson((dir.path() / "missing.json").string()).is_null());
    // Unreadable input is null rather than an exception out of the loader.
    for (const char* bad : {"", "{\n  \"a\": tru }", "[1e999]"}) EXPECT_TRUE(load(bad).is_null()) << bad;
    // Non-strict: the first complete value is returned, whatever follows it.
    EXPECT_EQ(load("{\"a\": 1} trailing {"), json({{"a", 1}}));
}

TEST(JSONManager, Saving) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / "out.json").string();
    const std::string saved = "{\n    \"name\": \"Gobbo \xC3\xA9\xE2\x9C\x93\"\n}";
    ASSERT_TRUE(JSONManager::saveJsonToFile(json{{"name", "Gobbo \xC3\xA9\xE2\x9C\x93"}}, path));
    EXPECT_EQ(testsupport::readFile(path), saved);
    // Invalid UTF-8 cannot be written, and the file saved before survives the attempt.
    EXPECT_FALSE(JSONManager::saveJsonToFile(json{{"bad", "\xFF\xFE"}}, path));
    EXPECT_EQ(testsupport::readFile(path), saved);
    EXPECT_FALSE(JSONManager::saveJsonToFile(json::object(), (dir.path() / "no-such-dir" / "out.json").string()));
    if (std::filesystem::exists("/dev/full")) {
        // A device that refuses even a few bytes must not be reported as saved.
        EXPECT_FALSE(JSONManager::saveJsonToFile(json{{"a", 1}}, "/dev/full"));
    }
}
