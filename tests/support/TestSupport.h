#pragma once
// Helpers for tests that touch the file system or run a real binary.

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// A fresh directory under the system temp dir, removed with everything in it at scope exit.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return root; }

private:
    std::filesystem::path root;
};

// Makes a directory the working directory for the current scope.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& directory);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::filesystem::path previous;
};

std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& contents);

struct ProcessResult {
    std::string out;
    std::string err;
    int exitStatus = -1; // -1 when it did not exit normally
};

// Runs `program` with `args` in `directory`, with `input` on its standard input.
ProcessResult runProcess(const std::string& program, const std::filesystem::path& directory,
                         const std::string& input, const std::vector<std::string>& args = {});

// Splits on line feeds; a final line feed does not add an empty line.
std::vector<std::string> lines(const std::string& text);

} // namespace testsupport
