#include "Consultation.h"

#include "TestSupport.h"

#include <chrono>
#include <fcntl.h>
#include <regex>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

Consultation::Consultation(const std::string& binary, const std::filesystem::path& directory,
                           const std::filesystem::path& output)
    : outPath(output) {
    int input[2];
    if (::pipe(input) != 0) {
        throw std::runtime_error("pipe failed");
    }
    pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || ::chdir(directory.c_str()) != 0) {
            ::_exit(127);
        }
        ::dup2(input[0], 0);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::close(input[1]);
        ::execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(input[0]);
    questionFd = input[1];
}

Consultation::~Consultation() {
    if (questionFd >= 0) {
        ::close(questionFd);
    }
}

bool Consultation::waitForPrompt() const {
    for (int tries = 0; tries < 2000; ++tries) {
        if (readFile(outPath).find("\n> ") != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

void Consultation::type() {
    if (questionFd >= 0) {
        static_cast<void>(::write(questionFd, "q\n", 2));
        ::close(questionFd);
        questionFd = -1;
    }
}

std::string Consultation::answer() {
    type();
    int status = 0;
    ::waitpid(pid, &status, 0);
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return readFile(outPath);
}

int Consultation::drawsIn(const std::string& report) {
    return report.find("Puddingbrain overrides") == std::string::npos ? 13 : 14;
}

std::vector<int> Consultation::voteValues(const std::string& report) {
    static const std::regex vote(R"(votes:\n[^\n(]*\((-?\d+)\))");
    std::vector<int> values;
    for (auto match = std::sregex_iterator(report.begin(), report.end(), vote); match != std::sregex_iterator();
         ++match) {
        values.push_back(std::stoi((*match)[1]));
    }
    return values;
}

Consultation::Tally Consultation::tally(const std::vector<std::string>& reports) {
    Tally result;
    for (const std::string& report : reports) {
        result.drawn += static_cast<std::size_t>(drawsIn(report));
        const std::vector<int> values = voteValues(report);
        result.shown.insert(result.shown.end(), values.begin(), values.end());
    }
    return result;
}

} // namespace testsupport
