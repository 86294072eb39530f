#include "core/Logging.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include <sys/wait.h>
#include <unistd.h>

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
        flushLogRepeats();
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

TEST_F(Logging, ARepeatedLineIsWrittenOnceThenCounted) {
    initializeLogging();
    for (int frame = 0; frame < 40; ++frame) {
        LOG_INFO("not visible");                               // every frame, one text
        LOG_ERROR("texture for " + std::to_string(frame % 2)); // every frame, two texts in turn
    }
    LOG_INFO("not visible"); // the same text from another place is a line of its own
    LOG_WARN("once");
    flushLogRepeats();
    LOG_INFO("not visible"); // once its count is written, a line starts afresh
    LOG_INFO("exiting");
    logFile.close();

    const std::vector<std::string> written = lines(readFile("log.txt"));
    ASSERT_EQ(written.size(), 10U) << readFile("log.txt");
    const auto startsWith = [&](std::size_t index, const std::string& start) {
        EXPECT_EQ(written[index].rfind(start, 0), 0U) << written[index];
    };
    startsWith(0, "..[INFO] not visible [");
    startsWith(1, "!![ERROR] texture for 0 [");
    startsWith(2, "!![ERROR] texture for 1 [");
    startsWith(3, "..[INFO] not visible [");
    startsWith(4, "**[WARN] once [");
    const std::set<std::string> summaries{written[5].substr(0, written[5].find(" [")),
                                          written[6].substr(0, written[6].find(" [")),
                                          written[7].substr(0, written[7].find(" ["))};
    EXPECT_EQ(summaries, (std::set<std::string>{"..[INFO] Repeated 39 more times: not visible",
                                                "!![ERROR] Repeated 19 more times: texture for 0",
                                                "!![ERROR] Repeated 19 more times: texture for 1"}));
    startsWith(8, "..[INFO] not visible [");
    startsWith(9, "..[INFO] exiting [");
}

TEST_F(Logging, ParallelStartsKeepEveryArchive) {
    // Eight programs started at once, each in its own directory, archive into one logging/.
    constexpr int PROCESSES = 8;
    constexpr int STARTS = 10;
    fs::create_directory("logging");
    std::vector<pid_t> children;
    for (int process = 0; process < PROCESSES; ++process) {
        const fs::path own = "start" + std::to_string(process);
        fs::create_directory(own);
        fs::create_directory_symlink(fs::absolute("logging"), own / "logging");
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (chdir(own.c_str()) != 0) {
                _exit(2);
            }
            for (int start = 0; start < STARTS; ++start) {
                writeFile("log.txt", std::to_string(process) + "/" + std::to_string(start) + "\n");
                initializeLogging();
                logFile.close();
            }
            _exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::set<std::string> contents;
    for (const fs::path& archive : archives()) {
        EXPECT_TRUE(std::regex_match(archive.filename().string(),
                                     std::regex(R"(log_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_\d+)?\.txt)")))
            << archive;
        contents.insert(readFile(archive));
    }
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(PROCESSES * STARTS)) << "an archive was replaced";
    EXPECT_EQ(archives().size(), static_cast<std::size_t>(PROCESSES * STARTS));
}

TEST_F(Logging, ALinkAsTheLogIsArchivedAndNeverWrittenThrough) {
    {
        fs::create_symlink("planted.txt", "log.txt"); // dangling
        initializeLogging();
        LOG_INFO("fresh");
        logFile.close();
        EXPECT_FALSE(fs::exists(fs::symlink_status("planted.txt"))) << "the link's target was created";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("log.txt")));
        EXPECT_EQ(readFile("log.txt").rfind("..[INFO] fresh", 0), 0U);
        ASSERT_EQ(archives().size(), 1U);
        EXPECT_EQ(fs::read_symlink(archives()[0]), "planted.txt") << "the link is archived as it is";
    }
    writeFile("precious.txt", "keep\n");
    {
        fs::remove("log.txt");
        fs::create_symlink("precious.txt", "log.txt");
        initializeLogging();
        LOG_INFO("fresh");
        logFile.close();
        EXPECT_EQ(readFile("precious.txt"), "keep\n");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status("log.txt")));
        EXPECT_EQ(archives().size(), 2U);
    }
    {
        // With nowhere to archive it, the link stays and the program stops rather than append.
        fs::remove_all("logging");
        writeFile("logging", "blocks the archive\n");
        fs::remove("log.txt");
        fs::create_symlink("precious.txt", "log.txt");
        EXPECT_EXIT(initializeLogging(), ::testing::ExitedWithCode(1), "Failed to open log file.");
        EXPECT_EQ(readFile("precious.txt"), "keep\n");
        EXPECT_TRUE(fs::is_symlink("log.txt"));
    }
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
