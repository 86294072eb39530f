#include "core/Logging.h"
#include "OracleFixture.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <regex>

#include <sys/wait.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

const std::regex ARCHIVE_NAME(R"(log_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_\d+)?\.txt)");

class Logging : public OracleFixture {
protected:
    ~Logging() override {
        flushLogRepeats();
        logFile.close();
        setDebugEnabled(false);
    }

    // The archived logs' contents, sorted; every name must be an archive's.
    static std::vector<std::string> archived(const fs::path& directory = "logging") {
        std::vector<std::string> contents;
        for (const auto& entry : fs::directory_iterator(directory)) {
            EXPECT_TRUE(std::regex_match(entry.path().filename().string(), ARCHIVE_NAME)) << entry.path();
            contents.push_back(fs::is_symlink(entry) ? fs::read_symlink(entry).string() : readFile(entry.path()));
        }
        std::sort(contents.begin(), contents.end());
        return contents;
    }
};

} // namespace

TEST_F(Logging, LinesCarryPrefixTimestampAndSourceTag) {
    initializeLogging();
    LOG_INFO("hello " + std::to_string(42));
    logMessage("bare", static_cast<LogLevel>(7), "some/file", 12);
    logMessage("never", LogLevel::NONE, "some/file", 13);
    addLogBlankLine(2);
    bool built = false;
    LOG_DEBUG((built = true, "built"));
    EXPECT_FALSE(built) << "a disabled level must not build its message";
    setDebugEnabled(true);
    LOG_DEBUG("now on");
    setLoggingEnabled(false);
    logMessage("switched off", LogLevel::ERROR, "f", 1);
    addLogBlankLine(1);
    setLoggingEnabled(true);
    LOG_WARN("careful");
    LOG_ERROR("broken");
    EXPECT_EQ(logMessages(), (std::vector<std::string>{"..[INFO] hello 42", "??[UNKNOWN] bare", "", "",
                                                    "--[DEBUG] now on", "**[WARN] careful", "!![ERROR] broken"}));
    const std::string stamp = R"( \[\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\] \[)";
    const std::regex tagged("hello 42" + stamp + R"(tests/oracle/LoggingTest:\d+\]\n.*bare)" + stamp +
                            R"(some/file:12\]\n)");
    EXPECT_TRUE(std::regex_search(readFile("log.txt"), tagged)) << readFile("log.txt");
}

TEST_F(Logging, ParallelStartsInOneDirectoryEachKeepALogOfTheirOwn) {
    writeFile("log.txt", "before\n");
    // Eight programs, each started ten times, all at once in one directory: every start writes a
    // line into its own log, and none may truncate or share another's.
    int gate[2];
    ASSERT_EQ(pipe(gate), 0);
    std::vector<pid_t> children;
    for (int process = 0; process < 8; ++process) {
        children.push_back(fork());
        if (children.back() == 0) {
            close(gate[1]);
            char go = 0;
            bool started = read(gate[0], &go, 1) == 0; // all go at once when the gate closes
            for (int start = 0; started && start < 10; ++start) {
                started = startLogging(".");
                LOG_INFO(std::to_string(process) + "/" + std::to_string(start));
            }
            _exit(started ? 0 : 1);
        }
    }
    close(gate[0]);
    close(gate[1]);
    for (const pid_t child : children) {
        int status = -1;
        waitpid(child, &status, 0);
        EXPECT_EQ(status, 0) << "a start could not open a log";
    }
    std::vector<std::string> logs = archived();
    EXPECT_EQ(logs.size(), 80U);
    logs.push_back(readFile("log.txt"));
    std::vector<std::string> expected{"before"};
    for (int start = 0; start < 80; ++start) {
        expected.push_back("..[INFO] " + std::to_string(start / 10) + "/" + std::to_string(start % 10));
    }
    for (std::string& log : logs) { // one line each: every start's own, none shared or cut short
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        log = log.substr(0, std::min(log.find(" ["), log.find('\n')));
    }
    std::sort(logs.begin(), logs.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(logs, expected);
}

TEST_F(Logging, WithoutANoReplaceRenameArchivesAreLinkedAndNeverReplaced) {
    const ArchiveRename missing = [](int, const char*, int, const char*) { return errno = EINVAL, -1; };
    fs::create_directory("elsewhere");
    for (const char* run : {"first", "second", "third", "fourth"}) {
        ASSERT_TRUE(startLogging("elsewhere", missing));
        LOG_INFO(run);
    }
    EXPECT_EQ(logMessages("elsewhere/log.txt"), std::vector<std::string>{"..[INFO] fourth"});
    EXPECT_EQ(archived("elsewhere/logging").size(), 3U) << "one start per archive, whatever second each fell in";
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(static_cast<mode_t>(fs::status("elsewhere/logging").permissions()), 0777 & ~mask); // as mkdir makes it

    // A rename refused outright: the log is kept and written after, with a warning.
    const ArchiveRename refused = [](int, const char*, int, const char*) { return errno = EACCES, -1; };
    testing::internal::CaptureStderr();
    ASSERT_TRUE(startLogging("elsewhere", refused));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("could not archive"), std::string::npos);
    LOG_INFO("fifth");
    EXPECT_EQ(logMessages("elsewhere/log.txt"), (std::vector<std::string>{"..[INFO] fourth", "..[INFO] fifth"}));
}

TEST_F(Logging, RepeatsAreCountedUntilTheyPauseAndReportedEveryMinute) {
    initializeLogging();
    auto now = std::chrono::steady_clock::now();
    const auto say = [&now](const std::string& text) { logMessage(text, LogLevel::INFO, "f", 1, now); };
    say("ping");
    say("ping");
    logMessage("ping", LogLevel::INFO, "f", 2, now); // the same text from another place is a line of its own
    now += 2s;  // a pause ends the run: the next line written reports it first
    say("pong");
    say("ping");
    say("ping");
    now += 1s; // a second is no pause yet
    say("pong");
    now += 100ms; // just over a second since the last ping: its run has ended
    say("ping");
    flushLogRepeats();
    for (int frame = 0; frame < 130; ++frame) {
        say("ping"); // once its count is written, a line starts afresh
        now += 500ms;
    }
    flushLogRepeats();
    EXPECT_EQ(logMessages(), (std::vector<std::string>{
                              "..[INFO] ping", "..[INFO] ping", "..[INFO] Repeated 1 more time: ping", "..[INFO] pong",
                              "..[INFO] ping", "..[INFO] Repeated 1 more time: ping", "..[INFO] ping",
                              "..[INFO] Repeated 1 more time: pong", "..[INFO] ping",
                              "..[INFO] Repeated 120 more times: ping", "..[INFO] Repeated 9 more times: ping"}));
}

TEST_F(Logging, ALogThatCannotBeArchivedIsKeptButALinkIsNeverWrittenThrough) {
    writeFile("precious.txt", "keep\n");
    fs::create_symlink("precious.txt", "log.txt");
    initializeLogging();
    EXPECT_EQ(archived(), std::vector<std::string>{"precious.txt"}) << "the link is archived as it is";

    // logging/ as a file, then as a link to a directory elsewhere: no archive is made.
    fs::create_directory("elsewhere");
    for (const bool link : {false, true}) {
        fs::remove_all("logging");
        link ? fs::create_directory_symlink("elsewhere", "logging") : writeFile("logging", "not a directory\n");
        fs::remove("log.txt");
        fs::create_symlink("precious.txt", "log.txt");
        for (const char* run : {"fresh", "this run"}) {
            // A link gives way to a fresh log; a log of ours is kept and written after, with a warning.
            testing::internal::CaptureStderr();
            initializeLogging();
            const std::string warning = testing::internal::GetCapturedStderr();
            EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
            EXPECT_NE(warning.find("could not archive log.txt into logging/"), std::string::npos) << warning;
            LOG_INFO(run);
        }
        EXPECT_EQ(readFile("precious.txt"), "keep\n");
        EXPECT_EQ(logMessages(), (std::vector<std::string>{"..[INFO] fresh", "..[INFO] this run"}));
    }
    EXPECT_TRUE(fs::is_empty("elsewhere"));

    fs::remove("log.txt");
    fs::create_directory("log.txt"); // cannot be archived, cannot be opened as a file
    EXPECT_FALSE(startLogging("."));
    EXPECT_FALSE(logFile.is_open());
    EXPECT_EXIT(initializeLogging(), ::testing::ExitedWithCode(1), "Failed to open log file.");
}
