#include "core/Logging.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

using testsupport::lines;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::WorkingDirectory;
using testsupport::writeFile;

namespace fs = std::filesystem;

namespace {

class Logging : public ::testing::Test {
protected:
    Logging() : cwd(dir.path()) {}
    ~Logging() override {
        logFile.close();
        setDebugEnabled(false);
        setLoggingEnabled(true);
    }

    std::vector<fs::path> archives() const {
        std::vector<fs::path> found;
        if (fs::is_directory("logging")) {
            for (const auto& entry : fs::directory_iterator("logging")) {
                found.push_back(entry.path());
            }
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    TempDir dir;
    WorkingDirectory cwd;
};

std::string evaluatedMessage(bool& evaluated) {
    evaluated = true;
    return "built";
}

} // namespace

TEST_F(Logging, LinesCarryPrefixTimestampAndSourceTag) {
    initializeLogging();
    LOG_INFO("hello " + std::to_string(42));
    LOG_WARN("careful");
    LOG_ERROR("broken");
    logMessage("bare", static_cast<LogLevel>(7), "some/file", 12);
    logMessage("never", LogLevel::NONE, "some/file", 13);
    addLogBlankLine(2);
    addLogBlankLine(0);
    bool evaluated = false;
    LOG_DEBUG(evaluatedMessage(evaluated));
    EXPECT_FALSE(evaluated) << "a disabled level must not build its message";
    setDebugEnabled(true);
    LOG_DEBUG("now on");
    setLoggingEnabled(false);
    LOG_ERROR("switched off");
    logMessage("switched off", LogLevel::ERROR, "f", 1);
    addLogBlankLine(1);
    setLoggingEnabled(true);
    logFile.close();
    LOG_ERROR("closed");

    const std::vector<std::string> written = lines(readFile("log.txt"));
    ASSERT_EQ(written.size(), 7U);
    const std::string stamp = R"( \[\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\] )";
    const std::string tag = R"(\[tests/oracle/LoggingTest:\d+\])";
    EXPECT_TRUE(std::regex_match(written[0], std::regex(R"(\.\.\[INFO\] hello 42)" + stamp + tag))) << written[0];
    EXPECT_TRUE(std::regex_match(written[1], std::regex(R"(\*\*\[WARN\] careful)" + stamp + tag))) << written[1];
    EXPECT_TRUE(std::regex_match(written[2], std::regex(R"(!!\[ERROR\] broken)" + stamp + tag))) << written[2];
    EXPECT_TRUE(std::regex_match(written[3], std::regex(R"(\?\?\[UNKNOWN\] bare)" + stamp + R"(\[some/file:12\])")))
        << written[3];
    EXPECT_EQ(written[4], "");
    EXPECT_EQ(written[5], "");
    EXPECT_TRUE(std::regex_match(written[6], std::regex(R"(--\[DEBUG\] now on)" + stamp + tag))) << written[6];
}

TEST_F(Logging, EachStartArchivesThePreviousLogWithoutReplacingAnother) {
    initializeLogging();
    logFile.close();
    EXPECT_FALSE(fs::exists("logging")) << "nothing to archive on a first run";
    EXPECT_TRUE(fs::exists("log.txt"));

    for (const char* run : {"first", "second", "third"}) {
        writeFile("log.txt", std::string(run) + "\n");
        initializeLogging();
        logFile.close();
        EXPECT_EQ(readFile("log.txt"), "");
    }
    // Three starts within a few milliseconds share a timestamp; all three logs survive.
    const std::vector<fs::path> kept = archives();
    ASSERT_EQ(kept.size(), 3U);
    std::vector<std::string> contents;
    for (const fs::path& archive : kept) {
        EXPECT_TRUE(std::regex_match(archive.filename().string(),
                                     std::regex(R"(log_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_\d+)?\.txt)")))
            << archive;
        contents.push_back(readFile(archive));
    }
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"first\n", "second\n", "third\n"}));
}

TEST_F(Logging, AnArchiveThatCannotBeMadeKeepsThePreviousLog) {
    writeFile("logging", "a file where the archive directory should be\n");
    writeFile("log.txt", "previous run\n");
    testing::internal::CaptureStderr();
    initializeLogging();
    const std::string warning = testing::internal::GetCapturedStderr();
    LOG_INFO("this run");
    logFile.close();
    EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
    EXPECT_NE(warning.find("log.txt"), std::string::npos);
    const std::vector<std::string> written = lines(readFile("log.txt"));
    ASSERT_EQ(written.size(), 2U);
    EXPECT_EQ(written[0], "previous run");
    EXPECT_EQ(written[1].rfind("..[INFO] this run", 0), 0U);
}

TEST_F(Logging, AnUnopenableLogEndsTheProcessWithStatusOne) {
    writeFile("logging", "blocks the archive\n");
    fs::create_directory("log.txt"); // cannot be archived, cannot be opened as a file
    EXPECT_EXIT(initializeLogging(), ::testing::ExitedWithCode(1), "Failed to open log file.");
}
