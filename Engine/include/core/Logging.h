#pragma once
// One plain-text log file per process ("log.txt" in the starting directory), the previous one
// archived under logging/. Always write through the LOG_* guards: they skip building the message
// when the level is off and stamp the caller's repository-relative source path and line.

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

// Archives the previous log in `directory` and opens a fresh log.txt there; returns false, with
// no log open, when it cannot be opened. log.txt is never opened through a symbolic link.
bool startLogging(const std::string& directory);
// As startLogging, but a log that cannot be opened ends the process with status 1 after
// "Failed to open log file." on standard error. Without a directory: the working directory.
void initializeLogging(const std::string& directory);
void initializeLogging();
// Moves an existing log.txt (a symbolic link as it is), in the directory logging was last started
// in, to logging/log_<timestamp>.txt, or
// log_<timestamp>_2.txt and so on, never replacing an archive, even one made at the same moment
// by another process. On failure it warns on standard error and leaves log.txt where it is.
void archiveOldLogFile();
// Local time as "%Y-%m-%d_%H-%M-%S".
std::string getFormattedTimeStamp();
// Writes one line. The same message from the same file and line coming back within a second of
// its previous occurrence is counted instead of written again; the count is written as
// "Repeated N more times: message" once the repeats pause, at least once a minute while they
// go on, and by flushLogRepeats.
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
        if (loggingEnabled && logFile.is_open() && (levelSwitch)) {                          \
            logMessage((message), (level), MURKMOOT_LOG_SOURCE_TAG, __LINE__);               \
        }                                                                                    \
    } while (false)

#define LOG_INFO(message) MURKMOOT_LOG_GUARDED(logInfoEnabled, LogLevel::INFO, message)
#define LOG_WARN(message) MURKMOOT_LOG_GUARDED(logWarnEnabled, LogLevel::WARN, message)
#define LOG_ERROR(message) MURKMOOT_LOG_GUARDED(logErrorEnabled, LogLevel::ERROR, message)
#define LOG_DEBUG(message) MURKMOOT_LOG_GUARDED(debugEnabled, LogLevel::DEBUG, message)
