#include "core/Logging.h"

#include "core/Config.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <system_error>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool loggingEnabled = LOGGING_ENABLED;
bool logInfoEnabled = LOG_INFO_ENABLED;
bool logWarnEnabled = LOG_WARN_ENABLED;
bool logErrorEnabled = LOG_ERROR_ENABLED;
bool debugEnabled = DEBUG_ENABLED;

std::ofstream logFile;

namespace {
const char* const ARCHIVE_DIRECTORY = "logging";

// Where log.txt and logging/ live; empty for the working directory, whose messages and paths
// stay as short as they always were.
std::string& logDirectory() {
    static std::string directory;
    return directory;
}

std::string inLogDirectory(const std::string& name) {
    return logDirectory().empty() ? name : logDirectory() + "/" + name;
}

const char* prefixFor(LogLevel level) {
    switch (level) {
    case LogLevel::INFO: return "..[INFO]";
    case LogLevel::WARN: return "**[WARN]";
    case LogLevel::ERROR: return "!![ERROR]";
    case LogLevel::DEBUG: return "--[DEBUG]";
    default: return "??[UNKNOWN]";
    }
}

using RepeatClock = std::chrono::steady_clock;
// A line that comes back from the same place with the same text within this pause continues a
// run of repeats; a longer pause ends the run. Per-frame lines come back far sooner, while a
// player's separate actions are usually further apart and keep their own lines.
constexpr auto REPEAT_PAUSE = std::chrono::seconds(1);
// A run that never pauses is still summarised this often, so it stays visible in the log.
constexpr auto REPEAT_REPORT_INTERVAL = std::chrono::minutes(1);
// Far more starts in one second than any person makes; beyond it archiving gives up.
constexpr int MAX_ARCHIVE_SUFFIX = 100000;

using RepeatKey = std::tuple<std::string, int, std::string>; // source file, line, message

struct RepeatRun {
    LogLevel level;
    long long unwritten;
    RepeatClock::time_point lastSeen;
    RepeatClock::time_point lastReport;
};

std::map<RepeatKey, RepeatRun>& repeatRuns() {
    static std::map<RepeatKey, RepeatRun> runs;
    return runs;
}

void writeLine(const std::string& message, LogLevel level, const std::string& file, int line) {
    logFile << prefixFor(level) << ' ' << message << " [" << getFormattedTimeStamp() << "] [" << file
            << ':' << line << "]\n";
    logFile.flush();
}

void writeRepeatSummary(const RepeatKey& key, const RepeatRun& run) {
    const auto& [file, line, message] = key;
    writeLine("Repeated " + std::to_string(run.unwritten) + (run.unwritten == 1 ? " more time: " : " more times: ") +
                  message,
              run.level, file, line);
}

// Summarises and forgets the runs that have paused long enough to count as ended. Looked at a
// few times a second only, so that many different lines in a burst stay cheap to write.
void closeEndedRuns(RepeatClock::time_point now) {
    static RepeatClock::time_point lastSweep{};
    if (now - lastSweep < std::chrono::milliseconds(REPEAT_PAUSE) / 4) {
        return;
    }
    lastSweep = now;
    auto& runs = repeatRuns();
    for (auto run = runs.begin(); run != runs.end();) {
        if (now - run->second.lastSeen <= REPEAT_PAUSE) {
            ++run;
            continue;
        }
        if (run->second.unwritten > 0) {
            writeRepeatSummary(run->first, run->second);
        }
        run = runs.erase(run);
    }
}

std::string archiveName(const std::string& timeStamp, int suffix) {
    const std::string stem = inLogDirectory(ARCHIVE_DIRECTORY) + "/log_" + timeStamp;
    return suffix < 2 ? stem + ".txt" : stem + "_" + std::to_string(suffix) + ".txt";
}

// Moves from to to unless to exists, in one step, so that two processes archiving at once can
// never both take the same name. The path itself moves: a symbolic link is not followed.
bool moveWithoutReplacing(const char* from, const char* to, std::error_code& ec) {
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // A file system without that rename: a hard link also refuses an existing name.
        if (link(from, to) == 0) {
            if (unlink(from) == 0) {
                return true;
            }
            const int unlinkError = errno;
            unlink(to);
            errno = unlinkError;
        }
    }
    if (errno != EEXIST) {
        ec.assign(errno, std::generic_category());
    }
    return false;
}

// Opens log.txt as a regular file in this directory, never through a symbolic link: a link
// someone placed must not make this program create or extend a file elsewhere.
bool openLogFileHere(bool append) {
    const int flags =
        O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    const std::string logPath = inLogDirectory(LOG_FILE_PATH);
    const int descriptor = open(logPath.c_str(), flags, 0666);
    if (descriptor < 0) {
        return false;
    }
    struct stat info {};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return false;
    }
    // The stream reopens the very file already open, whatever happens to the name meanwhile.
    logFile.open("/proc/self/fd/" + std::to_string(descriptor), std::ios::app);
    if (!logFile.is_open()) {
        // No /proc: open by name, and keep the stream only if the name is still that same file.
        logFile.open(logPath, std::ios::app);
        struct stat named {};
        if (lstat(logPath.c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_ino != info.st_ino ||
            named.st_dev != info.st_dev) {
            logFile.close();
        }
    }
    close(descriptor);
    return logFile.is_open();
}
} // namespace

std::string getFormattedTimeStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm calendar{};
    localtime_r(&now, &calendar);
    std::ostringstream text;
    text << std::put_time(&calendar, "%Y-%m-%d_%H-%M-%S");
    return text.str();
}

void archiveOldLogFile() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string logPath = inLogDirectory(LOG_FILE_PATH);
    // symlink_status: a link, even a dangling one, is archived like a file.
    const fs::file_status previous = fs::symlink_status(logPath, ec);
    if (!fs::exists(previous)) {
        return;
    }
    fs::create_directory(inLogDirectory(ARCHIVE_DIRECTORY), ec);
    if (!ec) {
        const std::string timeStamp = getFormattedTimeStamp();
        bool moved = false;
        for (int suffix = 1; !moved && !ec && suffix <= MAX_ARCHIVE_SUFFIX; ++suffix) {
            moved = moveWithoutReplacing(logPath.c_str(), archiveName(timeStamp, suffix).c_str(), ec);
        }
        if (ec == std::errc::no_such_file_or_directory) {
            ec.clear(); // a start running beside this one archived it first
        } else if (!moved && !ec) {
            ec = std::make_error_code(std::errc::file_exists);
        }
    }
    if (ec) {
        std::cerr << "Warning: could not archive " << logPath << " into " << inLogDirectory(ARCHIVE_DIRECTORY)
                  << "/ (" << ec.message() << "); "
                  << (fs::is_symlink(previous) ? "starting a new one." : "appending to it instead.") << std::endl;
    }
}

bool startLogging(const std::string& directory) {
    logDirectory() = directory == "." ? std::string() : directory;
    repeatRuns().clear();
    // Registered after the repeat table exists, so that it runs before the table is destroyed.
    static const bool flushAtExit = std::atexit(flushLogRepeats) == 0;
    static_cast<void>(flushAtExit);
    archiveOldLogFile();
    // A log that could not be archived is still there: keep it and write after it. A link that
    // could not be archived holds no log of ours; it goes, and its target stays untouched.
    std::error_code ec;
    const std::string logPath = inLogDirectory(LOG_FILE_PATH);
    const std::filesystem::file_status previous = std::filesystem::symlink_status(logPath, ec);
    if (std::filesystem::is_symlink(previous)) {
        std::filesystem::remove(logPath, ec);
    }
    const bool keepPrevious = std::filesystem::is_regular_file(previous);
    logFile.close();
    return openLogFileHere(keepPrevious);
}

void initializeLogging(const std::string& directory) {
    if (!startLogging(directory)) {
        std::cerr << "Failed to open log file." << std::endl;
        std::exit(1);
    }
}

void initializeLogging() { initializeLogging("."); }

void logMessage(const std::string& message, LogLevel level, const char* file, int line) {
    if (level == LogLevel::NONE || !loggingEnabled) {
        return;
    }
    const RepeatClock::time_point now = RepeatClock::now();
    closeEndedRuns(now);
    const auto [entry, first] =
        repeatRuns().try_emplace(RepeatKey{file != nullptr ? file : "", line, message}, RepeatRun{level, 0, now, now});
    RepeatRun& run = entry->second;
    if (!first && now - run.lastSeen > REPEAT_PAUSE) { // the run ended and has not been swept yet
        if (run.unwritten > 0) {
            writeRepeatSummary(entry->first, run);
        }
        run = RepeatRun{level, 0, now, now};
    } else if (!first) {
        ++run.unwritten;
        run.lastSeen = now;
        if (now - run.lastReport >= REPEAT_REPORT_INTERVAL) {
            writeRepeatSummary(entry->first, run);
            run.unwritten = 0;
            run.lastReport = now;
        }
        return;
    }
    writeLine(message, level, std::get<0>(entry->first), line);
}

void flushLogRepeats() {
    auto& runs = repeatRuns();
    if (loggingEnabled) {
        for (const auto& [key, run] : runs) {
            if (run.unwritten > 0) {
                writeRepeatSummary(key, run);
            }
        }
    }
    runs.clear();
}

void addLogBlankLine(int count) {
    if (!loggingEnabled || !logFile.is_open()) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        logFile << '\n';
        logFile.flush();
    }
}

void setLoggingEnabled(bool enabled) { loggingEnabled = enabled; }

void setDebugEnabled(bool enabled) { debugEnabled = enabled; }
