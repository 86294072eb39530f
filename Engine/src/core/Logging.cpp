#include "core/Logging.h"

#include "core/Config.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <system_error>

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

// Two starts within one second share a timestamp; the later archive gets a numeric suffix
// instead of replacing the earlier one.
std::filesystem::path freeArchiveName(const std::string& timeStamp) {
    const std::string stem = std::string(ARCHIVE_DIRECTORY) + "/log_" + timeStamp;
    std::filesystem::path candidate = stem + ".txt";
    std::error_code ec;
    for (int suffix = 2; std::filesystem::exists(candidate, ec); ++suffix) {
        candidate = stem + "_" + std::to_string(suffix) + ".txt";
    }
    return candidate;
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
    if (!fs::exists(LOG_FILE_PATH, ec)) {
        return;
    }
    fs::create_directory(ARCHIVE_DIRECTORY, ec);
    if (!ec) {
        fs::rename(LOG_FILE_PATH, freeArchiveName(getFormattedTimeStamp()), ec);
    }
    if (ec) {
        std::cerr << "Warning: could not archive " << LOG_FILE_PATH << " into " << ARCHIVE_DIRECTORY
                  << "/ (" << ec.message() << "); appending to it instead." << std::endl;
    }
}

void initializeLogging() {
    archiveOldLogFile();
    // A log that could not be archived is still there: keep it and write after it.
    std::error_code ec;
    const bool keepPrevious = std::filesystem::exists(LOG_FILE_PATH, ec);
    logFile.open(LOG_FILE_PATH, keepPrevious ? std::ios::app : std::ios::trunc);
    if (!logFile.is_open()) {
        std::cerr << "Failed to open log file." << std::endl;
        std::exit(1);
    }
}

void logMessage(const std::string& message, LogLevel level, const char* file, int line) {
    if (level == LogLevel::NONE || !loggingEnabled) {
        return;
    }
    logFile << prefixFor(level) << ' ' << message << " [" << getFormattedTimeStamp() << "] [" << file
            << ':' << line << "]\n";
    logFile.flush();
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
