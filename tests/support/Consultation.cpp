#include "Consultation.h"

#include "TestSupport.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <regex>
#include <set>
#include <thread>
#include <unistd.h>

namespace testsupport {

std::vector<std::string> consultTogether(const std::string& binary, const std::filesystem::path& directory, int count,
                                         const std::function<void()>& meanwhile) {
    return consultTogether(std::vector<std::string>(static_cast<std::size_t>(count), binary), directory, meanwhile);
}

std::vector<std::string> consultTogether(const std::vector<std::string>& commands,
                                         const std::filesystem::path& directory,
                                         const std::function<void()>& meanwhile) {
    const int count = static_cast<int>(commands.size());
    // Shared by all the runs of a test, so that a program that never asks fails it soon.
    static int waits = 0;
    std::signal(SIGPIPE, SIG_IGN); // a run that ended early fails the check, not the test program
    const TempDir scratch;
    std::vector<FILE*> questions;
    for (int i = 0; i < count; ++i) {
        const std::string output = " >" + (scratch.path() / std::to_string(i)).string() + " 2>&1";
        const std::string& command = commands[static_cast<std::size_t>(i)];
        questions.push_back(::popen(("cd " + directory.string() + " && exec " + command + output).c_str(), "w"));
    }
    // All start at once, so that their first draws overlap too.
    for (int i = 0; i < count; ++i) {
        while (readFile(scratch.path() / std::to_string(i)).find("\n> ") == std::string::npos && ++waits < 4000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    meanwhile();
    for (FILE* question : questions) {
        static_cast<void>(::write(::fileno(question), "q\n", 2));
    }
    std::vector<std::string> reports;
    for (int i = 0; i < count; ++i) {
        ::pclose(questions[static_cast<std::size_t>(i)]);
        reports.push_back(readFile(scratch.path() / std::to_string(i)));
    }
    return reports;
}

std::string sharingProblem(const std::vector<std::string>& reports, const std::vector<int>& original,
                           std::vector<int> front, const std::string& poolText) {
    static const std::regex vote(R"(votes:\n[^\n(]*\((-?\d+)\))");
    auto kept = original.end();
    std::set<int> shown;
    std::size_t votes = 0;
    for (const std::string& report : reports) {
        kept -= report.find("Puddingbrain overrides") == std::string::npos ? 13 : 14;
        for (std::sregex_iterator match(report.begin(), report.end(), vote); match != std::sregex_iterator(); ++match) {
            shown.insert(std::stoi((*match)[1]));
            ++votes;
        }
    }
    front.insert(front.end(), original.begin(), kept);
    std::string expected;
    for (const int value : front) {
        expected += std::to_string(value) + "\n";
    }
    const std::set<int> gone(kept, original.end());
    if (votes != reports.size() * 5 || shown.size() != votes ||
        !std::includes(gone.begin(), gone.end(), shown.begin(), shown.end())) {
        return "a run did not vote, or a vote shows a value twice or one that was not drawn";
    }
    return poolText == expected ? "" : "the pool is not what was put in front of what was not drawn";
}

} // namespace testsupport
