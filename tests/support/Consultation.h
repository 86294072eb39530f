#pragma once
// One real MurkmootCli run whose question is typed when the test says so, so that several runs
// can be made to draw at the same moment.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

class Consultation {
public:
    // Starts `binary` in `directory`; its standard output and error go to `output`.
    Consultation(const std::string& binary, const std::filesystem::path& directory,
                 const std::filesystem::path& output);
    Consultation(const Consultation&) = delete;
    Consultation& operator=(const Consultation&) = delete;
    ~Consultation();

    // Waits until the council sits and the prompt is shown (the question is not read yet).
    bool waitForPrompt() const;

    void type();

    // Types the question if not yet done, and waits for the report.
    std::string answer();

    int exitStatus = -1;

    // The number of values a report's consultation drew.
    static int drawsIn(const std::string& report);
    // The values the report shows: each vote's draw.
    static std::vector<int> voteValues(const std::string& report);

    // What several reports drew in all, and the vote values they show, in report order.
    struct Tally {
        std::size_t drawn = 0;
        std::vector<int> shown;
    };
    static Tally tally(const std::vector<std::string>& reports);

private:
    std::filesystem::path outPath;
    pid_t pid = -1;
    int questionFd = -1;
};

} // namespace testsupport
