#include "core/Logging.h"
#include "OracleFixture.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <regex>

#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {
// Set by a test to hold still the clock the log counts repeats by, and to move it by hand.
std::optional<std::chrono::steady_clock::time_point> heldTime;
// Set by a test to stand for a file system without an atomic no-replace rename.
bool noReplaceRenameMissing = false;
} // namespace

// The log reads std::chrono::steady_clock::now() and moves files with renameat2(). This test
// program defines both itself, so every caller in it gets these: unless a test holds the clock or
// takes the rename away, they do just what the library's own do. No test has to wait real seconds.
std::chrono::steady_clock::time_point std::chrono::steady_clock::now() noexcept {
    timespec real{};
    clock_gettime(CLOCK_MONOTONIC, &real);
    return heldTime.value_or(time_point(seconds(real.tv_sec) + nanoseconds(real.tv_nsec)));
}

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) noexcept {
    return noReplaceRenameMissing ? (errno = EINVAL, -1)
                                  : static_cast<int>(syscall(SYS_renameat2, fromDir, from, toDir, to, flags));
}

namespace {

const std::regex ARCHIVE_NAME(R"(log_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_\d+)?\.txt)");

class Logging : public OracleFixture {
protected:
    ~Logging() override {
        flushLogRepeats();
        logFile.close();
        heldTime.reset();
        setDebugEnabled(false);
    }

    // The archived logs' contents, sorted; every name must be an archive's.
    static std::vector<std::string> archived() {
        std::vector<std::string> contents;
        for (const auto& entry : fs::directory_iterator("logging")) {
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

TEST_F(Logging, StartsAtOnceArchiveEveryPreviousLogWithoutReplacingAnother) {
    initializeLogging();
    EXPECT_FALSE(fs::exists("logging")) << "nothing to archive on a first run";
    // Also where the file system has no no-replace rename and archiving links and unlinks.
    for (const bool renameMissing : {false, true}) {
        noReplaceRenameMissing = renameMissing;
        fs::remove_all("logging");
        fs::create_directory("logging");
        // Eight programs started at once, each in its own directory, archive into one logging/,
        // many of them within the same second and so under the same timestamp.
        std::vector<pid_t> children;
        for (int process = 0; process < 8; ++process) {
            const fs::path own = std::to_string(renameMissing) + "-" + std::to_string(process);
            fs::create_directory(own);
            fs::create_directory_symlink(fs::absolute("logging"), own / "logging");
            children.push_back(fork());
            if (children.back() == 0) {
                bool fresh = chdir(own.c_str()) == 0;
                for (int start = 0; fresh && start < 10; ++start) {
                    writeFile("log.txt", std::to_string(process) + "/" + std::to_string(start) + "\n");
                    initializeLogging();
                    fresh = readFile("log.txt").empty();
                }
                _exit(fresh ? 0 : 1);
            }
        }
        for (const pid_t child : children) {
            int status = -1;
            waitpid(child, &status, 0);
            EXPECT_EQ(status, 0) << "a start did not begin a fresh log";
        }
        const std::vector<std::string> contents = archived();
        EXPECT_EQ(contents.size(), 80U) << renameMissing;
        EXPECT_EQ(std::adjacent_find(contents.begin(), contents.end()), contents.end()) << "an archive was replaced";
    }
    noReplaceRenameMissing = false;
}

TEST_F(Logging, RepeatsAreCountedUntilTheyPauseAndReportedEveryMinute) {
    initializeLogging();
    heldTime = std::chrono::steady_clock::now();
    const auto say = [](const std::string& text) { LOG_INFO(text); };
    say("ping");
    say("ping");
    LOG_INFO("ping"); // the same text from another place is a line of its own
    *heldTime += 2s;  // a pause ends the run: the next line written reports it first
    say("pong");
    say("ping");
    say("ping");
    *heldTime += 1s; // a second is no pause yet
    say("pong");
    *heldTime += 100ms; // just over a second since the last ping: its run has ended
    say("ping");
    flushLogRepeats();
    for (int frame = 0; frame < 130; ++frame) {
        say("ping"); // once its count is written, a line starts afresh
        *heldTime += 500ms;
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

    fs::remove_all("logging");
    writeFile("logging", "a file where the archive directory should be\n");
    fs::remove("log.txt");
    fs::create_symlink("precious.txt", "log.txt");
    for (const char* run : {"fresh", "this run"}) {
        // A link gives way to a fresh log; a log of ours is kept and written after, with a warning.
        testing::internal::CaptureStderr();
        initializeLogging();
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
        EXPECT_NE(warning.find("could not archive log.txt"), std::string::npos) << warning;
        LOG_INFO(run);
    }
    EXPECT_EQ(readFile("precious.txt"), "keep\n");
    EXPECT_EQ(logMessages(), (std::vector<std::string>{"..[INFO] fresh", "..[INFO] this run"}));

    fs::remove("log.txt");
    fs::create_directory("log.txt"); // cannot be archived, cannot be opened as a file
    EXPECT_EXIT(initializeLogging(), ::testing::ExitedWithCode(1), "Failed to open log file.");
}
