#pragma once
// One plain-text log file per process ("log.txt" in the starting directory), the previous one
// archived under logging/. Always write through the LOG_* guards: they skip building the message
// when the level is off and stamp the caller's repository-relative source path and line.

#include <chrono>
#include <cstddef>
#include <fstream>
#include <string>

enum LogLevel : int { NONE = 0, INFO = 1, WARN = 2, ERROR = 3, DEBUG = 4 };

extern bool loggingEnabled;
extern bool logInfoEnabled;
extern bool logWarnEnabled;
extern bool logErrorEnabled;
extern bool debugEnabled;

extern std::ofstream logFile;

// Moves from (in the directory open as fromDirectory) to to (in toDirectory) unless to exists, in
// one step, like renameat2 with RENAME_NOREPLACE: 0, or -1 with errno set. EINVAL or ENOSYS stand
// for a file system without such a rename. The path itself moves: a symbolic link is not followed.
using ArchiveRename = int (*)(int fromDirectory, const char* from, int toDirectory, const char* to);
int renameWithoutReplacing(int fromDirectory, const char* from, int toDirectory, const char* to);

// Starts this process's own log, log.txt in directory, created afresh and never through a
// symbolic link. A log.txt already there (the previous run's, or one a start running beside this
// one has just made) is moved to logging/log_<timestamp>.txt, or log_<timestamp>_2.txt and so on,
// never replacing an archive, and the fresh log is created again. Archives go only into a real
// logging/ directory, never through a link; when archiving fails it warns once on standard error
// and writes after the log found there (a link found there gives way to a new log). Returns
// false, with logFile closed, when no log can be opened.
bool startLogging(const std::string& directory, ArchiveRename rename = renameWithoutReplacing);
// As startLogging, but writes "Failed to open log file." to standard error and exits with
// status 1 when no log can be opened. Without an argument: in the working directory.
void initializeLogging(const std::string& directory);
void initializeLogging();
// Local time as "%Y-%m-%d_%H-%M-%S".
std::string getFormattedTimeStamp();
// Writes one line. The same message from the same file and line coming back within a second of
// its previous occurrence is counted instead of written again; the count is written as
// "Repeated N more times: message" once the repeats pause, at least once a minute while they
// go on, and by flushLogRepeats. now is the time the repeats are measured by; without it, the
// steady clock's.
void logMessage(const std::string& message, LogLevel level, const char* file, int line,
                std::chrono::steady_clock::time_point now);
void logMessage(const std::string& message, LogLevel level, const char* file, int line);
// Writes the pending repeat counts and forgets every repeat. Call before the last line of a run
// and before closing or reopening logFile; it also runs at process exit.
void flushLogRepeats();
void addLogBlankLine(int count);
void setLoggingEnabled(bool enabled);
void setDebugEnabled(bool enabled);

namespace logging_detail {
// A source path with its extension cut off, built at compile time from __FILE__.
template <std::size_t N>
struct SourceTag {
    char text[N]{};
    constexpr explicit SourceTag(const char (&path)[N]) {
        std::size_t end = N - 1;
        for (std::size_t i = 0; i + 1 < N; ++i) {
            if (path[i] == '/') {
                end = N - 1;
            } else if (path[i] == '.') {
                end = i;
            }
        }
        for (std::size_t i = 0; i < end; ++i) {
            text[i] = path[i];
        }
    }
};
} // namespace logging_detail

#define MURKMOOT_LOG_SOURCE_TAG                                                              \
    ([]() -> const char* {                                                                   \
        static constexpr ::logging_detail::SourceTag tag{__FILE__};                          \
        return tag.text;                                                                     \
    }())

#define MURKMOOT_LOG_GUARDED(levelSwitch, level, message)                                    \
    do {                                                                                     \
        if ((levelSwitch) && loggingEnabled && logFile.is_open()) {                          \
            logMessage((message), (level), MURKMOOT_LOG_SOURCE_TAG, __LINE__);               \
        }                                                                                    \
    } while (false)

#define LOG_INFO(message) MURKMOOT_LOG_GUARDED(logInfoEnabled, LogLevel::INFO, message)
#define LOG_WARN(message) MURKMOOT_LOG_GUARDED(logWarnEnabled, LogLevel::WARN, message)
#define LOG_ERROR(message) MURKMOOT_LOG_GUARDED(logErrorEnabled, LogLevel::ERROR, message)
#define LOG_DEBUG(message) MURKMOOT_LOG_GUARDED(debugEnabled, LogLevel::DEBUG, message)
