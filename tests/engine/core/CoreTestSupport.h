#pragma once
// Shared fixtures for the engine core tests: a scratch directory, the program log and SDL's log
// captured into memory, and a forked child whose exit status and standard output are collected.

#include "core/Logging.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct ScratchDir {
    std::filesystem::path path;
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "murkmoot-core-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary) << text;
        return (path / name).string();
    }
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Sends the program log to a scratch file for the fixture's lifetime.
struct LogCapture {
    ScratchDir dir;
    LogCapture() { logFile.open(dir.path / "log.txt"); }
    ~LogCapture() { logFile.close(); }
    std::string text() const { return readFile(dir.path / "log.txt"); }
};

// Collects SDL_Log / SDL_LogError output instead of printing it.
struct SdlLogCapture {
    std::vector<std::string> lines;
    SdlLogCapture() { SDL_LogSetOutputFunction(&collect, this); }
    ~SdlLogCapture() { SDL_LogSetOutputFunction(nullptr, nullptr); }
    bool has(const std::string& line) const {
        for (const auto& l : lines) {
            if (l == line) return true;
        }
        return false;
    }
    static void collect(void* self, int, SDL_LogPriority, const char* message) {
        static_cast<SdlLogCapture*>(self)->lines.emplace_back(message);
    }
};

struct ChildResult {
    bool exited = false;
    int status = -1;
    std::string output;
};

// Runs body in a forked child with no display reachable, so nothing can wait for a user; an
// alarm ends a child that blocks anyway. The child exits with 0 when body returns.
inline ChildResult runInChild(const std::function<void()>& body) {
    std::cout.flush();
    std::fflush(nullptr);
    int channel[2] = {-1, -1};
    if (pipe(channel) != 0) return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        dup2(channel[1], STDOUT_FILENO);
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
    result.exited = WIFEXITED(status);
    result.status = result.exited ? WEXITSTATUS(status) : -1;
    return result;
}
