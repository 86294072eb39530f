#include "core/Logging.h"

#include "core/Config.h"
#include "UniqueFd.h"

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
// Far more starts in one second than any person makes; beyond it archiving gives up, and so does
// a start that keeps finding log.txt taken again.
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
    const std::string stem = "log_" + timeStamp;
    return suffix < 2 ? stem + ".txt" : stem + "_" + std::to_string(suffix) + ".txt";
}

// The directory a log starts in, open, and log.txt's name as the user should read it.
struct LogPlace {
    const UniqueFd& directory;
    std::string shownName;
    std::string shownArchive;
};

void warnNotArchived(const LogPlace& place, const std::string& reason, bool isLink) {
    std::cerr << "Warning: could not archive " << place.shownName << " into " << place.shownArchive << " ("
              << reason << "); " << (isLink ? "starting a new one." : "appending to it instead.") << std::endl;
}

// Moves log.txt into logging/ under the first free archive name. True when it went, or when a
// start running beside this one moved it first; otherwise warns and returns false. The archive
// directory is opened without following a link, so no archive lands where a link points.
bool archivePrevious(const LogPlace& place, ArchiveRename rename) {
    struct stat previous {};
    if (fstatat(place.directory.get(), LOG_FILE_PATH, &previous, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) {
            warnNotArchived(place, std::generic_category().message(errno), false);
        }
        return errno == ENOENT;
    }
    const bool isLink = S_ISLNK(previous.st_mode);
    if (mkdirat(place.directory.get(), ARCHIVE_DIRECTORY, 0777) != 0 && errno != EEXIST) {
        warnNotArchived(place, std::generic_category().message(errno), isLink);
        return false;
    }
    const UniqueFd archive(
        openat(place.directory.get(), ARCHIVE_DIRECTORY, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (archive.get() < 0) {
        const std::string reason = errno == ELOOP ? "it is a symbolic link" : std::generic_category().message(errno);
        warnNotArchived(place, reason, isLink);
        return false;
    }
    const std::string timeStamp = getFormattedTimeStamp();
    for (int suffix = 1; suffix <= MAX_ARCHIVE_SUFFIX; ++suffix) {
        const std::string name = archiveName(timeStamp, suffix);
        int moved = rename(place.directory.get(), LOG_FILE_PATH, archive.get(), name.c_str());
        if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system without that rename: a hard link also refuses an existing name.
            moved = linkat(place.directory.get(), LOG_FILE_PATH, archive.get(), name.c_str(), 0);
            if (moved == 0 && unlinkat(place.directory.get(), LOG_FILE_PATH, 0) != 0) {
                const int unlinkError = errno;
                unlinkat(archive.get(), name.c_str(), 0);
                errno = unlinkError;
                moved = -1;
            }
        }
        if (moved == 0 || errno == ENOENT) {
            return true;
        }
        if (errno != EEXIST) {
            warnNotArchived(place, std::generic_category().message(errno), isLink);
            return false;
        }
    }
    warnNotArchived(place, std::generic_category().message(EEXIST), isLink);
    return false;
}

// Makes logFile write into the file open as descriptor, whatever happens to its name later.
bool adopt(const UniqueFd& log, const std::string& path) {
    struct stat info {};
    if (log.get() < 0 || fstat(log.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    // The stream reopens the very file already open.
    logFile.open("/proc/self/fd/" + std::to_string(log.get()), std::ios::app);
    if (!logFile.is_open()) {
        // No /proc: open by name, and keep the stream only if the name is still that same file.
        logFile.open(path, std::ios::app);
        struct stat named {};
        if (lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_ino != info.st_ino ||
            named.st_dev != info.st_dev) {
            logFile.close();
        }
    }
    return logFile.is_open();
}

// The log found there could not be archived: a log of ours is kept and written after; a link
// holds no log of ours and goes, its target untouched.
bool appendToPrevious(const LogPlace& place, const std::string& path) {
    struct stat previous {};
    if (fstatat(place.directory.get(), LOG_FILE_PATH, &previous, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(previous.st_mode)) {
        unlinkat(place.directory.get(), LOG_FILE_PATH, 0);
    }
    const UniqueFd log(openat(place.directory.get(), LOG_FILE_PATH,
                                O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
    return adopt(log, path);
}

std::string shown(const std::string& directory, const std::string& name) {
    return directory == "." ? name : (std::filesystem::path(directory) / name).string();
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

int renameWithoutReplacing(int fromDirectory, const char* from, int toDirectory, const char* to) {
    return renameat2(fromDirectory, from, toDirectory, to, RENAME_NOREPLACE);
}

bool startLogging(const std::string& directory, ArchiveRename rename) {
    repeatRuns().clear();
    // Registered after the repeat table exists, so that it runs before the table is destroyed.
    static const bool flushAtExit = std::atexit(flushLogRepeats) == 0;
    static_cast<void>(flushAtExit);
    logFile.close();
    const UniqueFd here(open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const LogPlace place{here, shown(directory, LOG_FILE_PATH), shown(directory, ARCHIVE_DIRECTORY) + "/"};
    const std::string path = (std::filesystem::path(directory) / LOG_FILE_PATH).string();
    // Created only where no file of that name is: a start running beside this one may have made
    // log.txt since it was archived, and then that one is archived in turn.
    for (int attempt = 0; here.get() >= 0 && attempt <= MAX_ARCHIVE_SUFFIX; ++attempt) {
        const UniqueFd fresh(openat(here.get(), LOG_FILE_PATH,
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666));
        if (fresh.get() >= 0 || errno != EEXIST) {
            return adopt(fresh, path);
        }
        if (!archivePrevious(place, rename)) {
            return appendToPrevious(place, path);
        }
    }
    return false;
}

void initializeLogging(const std::string& directory) {
    if (!startLogging(directory)) {
        std::cerr << "Failed to open log file." << std::endl;
        std::exit(1);
    }
}

void initializeLogging() { initializeLogging("."); }

void logMessage(const std::string& message, LogLevel level, const char* file, int line) {
    logMessage(message, level, file, line, RepeatClock::now());
}

void logMessage(const std::string& message, LogLevel level, const char* file, int line, RepeatClock::time_point now) {
    if (level == LogLevel::NONE || !loggingEnabled) {
        return;
    }
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
