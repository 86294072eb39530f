#pragma once
// Engine core test helpers: a scratch directory, the program log and SDL's log captured, and a
// forked child whose exit status and standard output are collected.

#include "TestSupport.h"
#include "core/Logging.h"

#include <SDL.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

using testsupport::readFile;

// A scratch directory with a shortcut for writing files into it.
struct ScratchDir {
    testsupport::TempDir temp;
    std::filesystem::path path = temp.path();
    std::string write(const std::string& name, const std::string& text) const {
        testsupport::writeFile(path / name, text);
        return (path / name).string();
    }
};

// The program log goes to a scratch file while this lives.
struct LogCapture {
    ScratchDir dir;
    LogCapture() {
        flushLogRepeats();
        logFile.open(dir.path / "log.txt");
    }
    ~LogCapture() {
        flushLogRepeats();
        logFile.close();
    }
    bool has(const std::string& part) const { return readFile(dir.path / "log.txt").find(part) != std::string::npos; }
};

// SDL_Log and SDL_LogError lines are collected instead of printed while this lives.
struct SdlLogCapture {
    std::vector<std::string> lines;
    SdlLogCapture() { SDL_LogSetOutputFunction(&collect, this); }
    ~SdlLogCapture() { SDL_LogSetOutputFunction(nullptr, nullptr); }
    bool has(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }
    static void collect(void* self, int, SDL_LogPriority, const char* message) {
        static_cast<SdlLogCapture*>(self)->lines.emplace_back(message);
    }
};

struct ChildResult {
    int status = -1; // -1 when the child did not exit normally
    std::string output{};
};

// Runs body in a forked child that can reach no display, so nothing waits for a user; an alarm
// ends it if it blocks anyway. The child exits with 0 when body returns.
inline ChildResult runInChild(const std::function<void()>& body) {
    std::fflush(nullptr);
    int channel[2] = {-1, -1};
    if (pipe(channel) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(channel[1], STDOUT_FILENO);
        close(channel[0]);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        alarm(20);
        body();
        std::exit(0);
    }
    close(channel[1]);
    ChildResult result;
    char buffer[256];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) result.output.append(buffer, n);
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
