// Several real MurkmootCli processes on one pool at once, some waiting at their prompt, while
// others refill the file: no value is handed out twice, none that left the file comes back, and
// every state of the file is the written form of what it held, cut short.

#include "EntropyManager.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <regex>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testsupport::readFile;
using testsupport::TempDir;

namespace {

const char* const POOL = "Assets/Data/entropy_pool.txt";

// One MurkmootCli run whose question is typed when the test says so.
class Consultation {
public:
    Consultation(const std::filesystem::path& directory, const std::filesystem::path& output) : outPath(output) {
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
            ::execl(MURKMOOT_CLI_BINARY, MURKMOOT_CLI_BINARY, static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(input[0]);
        questionFd = input[1];
    }
    Consultation(const Consultation&) = delete;
    Consultation& operator=(const Consultation&) = delete;
    ~Consultation() {
        if (questionFd >= 0) {
            ::close(questionFd);
        }
    }

    // Waits until the council sits and the prompt is shown (the question is not read yet).
    bool waitForPrompt() const {
        for (int tries = 0; tries < 2000; ++tries) {
            if (readFile(outPath).find("\n> ") != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    void type() {
        if (questionFd >= 0) {
            static_cast<void>(::write(questionFd, "q\n", 2));
            ::close(questionFd);
            questionFd = -1;
        }
    }

    // Types the question if not yet done, and waits for the report.
    std::string answer() {
        type();
        int status = 0;
        ::waitpid(pid, &status, 0);
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return readFile(outPath);
    }

    int exitStatus = -1;

private:
    std::filesystem::path outPath;
    pid_t pid = -1;
    int questionFd = -1;
};

std::vector<int> distinct(int count, int offset) {
    std::vector<int> values;
    for (int i = 0; i < count; ++i) {
        values.push_back(offset + i * 7);
    }
    return values;
}

int drawsIn(const std::string& report) {
    return report.find("Puddingbrain overrides") == std::string::npos ? 13 : 14;
}

// The values the report shows: each vote's draw.
std::vector<int> voteValues(const std::string& report) {
    static const std::regex vote(R"(votes:\n[^\n(]*\((-?\d+)\))");
    std::vector<int> values;
    for (auto match = std::sregex_iterator(report.begin(), report.end(), vote); match != std::sregex_iterator();
         ++match) {
        values.push_back(std::stoi((*match)[1]));
    }
    return values;
}

class PoolSharing : public ::testing::Test {
protected:
    PoolSharing() { std::filesystem::create_directories(dir.path() / "Assets/Data"); }

    std::string pool() const { return readFile(dir.path() / POOL); }
    void writePool(const std::vector<int>& values) const {
        EntropyManager::savePool(values, (dir.path() / POOL).string());
    }
    std::filesystem::path output(int index) const { return scratch.path() / ("out" + std::to_string(index)); }

    TempDir dir;
    TempDir scratch;
};

} // namespace

TEST_F(PoolSharing, OverlappingConsultationsNeverRepeatOrRestoreAValue) {
    const std::vector<int> original = distinct(3000, 1000);
    writePool(original);

    // Every state anyone can see is the written form of a prefix of the pool.
    std::atomic<bool> sampling{true};
    std::atomic<int> badStates{0};
    std::thread sampler([&] {
        while (sampling) {
            const std::string text = pool();
            bool writtenForm = false;
            const std::vector<int> now = EntropyManager::parsePool(text, POOL, &writtenForm);
            if (!writtenForm || now.size() > original.size() || !std::equal(now.begin(), now.end(), original.begin())) {
                ++badStates;
            }
        }
    });

    Consultation waiter(dir.path(), output(0));
    ASSERT_TRUE(waiter.waitForPrompt());
    std::vector<std::string> reports;
    for (int round = 0; round < 4; ++round) {
        // All summon at once, then all answer at once: their draws overlap as much as can be.
        std::vector<std::unique_ptr<Consultation>> running;
        for (int i = 0; i < 8; ++i) {
            running.push_back(std::make_unique<Consultation>(dir.path(), output(1 + round * 8 + i)));
        }
        for (auto& consultation : running) {
            ASSERT_TRUE(consultation->waitForPrompt());
        }
        for (auto& consultation : running) {
            consultation->type();
        }
        for (auto& consultation : running) {
            reports.push_back(consultation->answer());
            EXPECT_EQ(consultation->exitStatus, 0) << reports.back();
        }
    }
    reports.push_back(waiter.answer());
    EXPECT_EQ(waiter.exitStatus, 0);
    sampling = false;
    sampler.join();
    EXPECT_EQ(badStates, 0);

    std::size_t drawn = 0;
    std::vector<int> shown;
    for (const std::string& report : reports) {
        drawn += static_cast<std::size_t>(drawsIn(report));
        for (const int value : voteValues(report)) {
            shown.push_back(value);
        }
    }
    ASSERT_EQ(shown.size(), reports.size() * 5);
    // The file lost exactly one line per draw, from its end: nothing came back.
    const std::vector<int> left(original.begin(), original.end() - static_cast<std::ptrdiff_t>(drawn));
    EXPECT_EQ(pool(), EntropyManager::formatPool(left));
    // Every value shown was handed out once, and came from the part that is gone.
    const std::set<int> unique(shown.begin(), shown.end());
    EXPECT_EQ(unique.size(), shown.size());
    const std::set<int> gone(original.end() - static_cast<std::ptrdiff_t>(drawn), original.end());
    EXPECT_TRUE(std::includes(gone.begin(), gone.end(), unique.begin(), unique.end()));
}

TEST_F(PoolSharing, ARefillWhileAProgramWaitsIsKept) {
    const std::vector<int> original = distinct(100, 5);
    writePool(original);
    Consultation waiting(dir.path(), output(0));
    ASSERT_TRUE(waiting.waitForPrompt()); // 5 drawn

    // A refill in front of the pool (replacing the file), then a value appended by hand.
    std::vector<int> refilled = distinct(50, 90000);
    refilled.insert(refilled.end(), original.begin(), original.end() - 5);
    writePool(refilled);
    testsupport::writeFile(scratch.path() / "appended", readFile(dir.path() / POOL) + "77\n");
    std::filesystem::copy_file(scratch.path() / "appended", dir.path() / POOL,
                               std::filesystem::copy_options::overwrite_existing);

    const std::string report = waiting.answer();
    ASSERT_EQ(waiting.exitStatus, 0) << report;
    const std::size_t after = static_cast<std::size_t>(drawsIn(report) - 5);
    EXPECT_EQ(voteValues(report).front(), 77) << "the file's last value now is the next one drawn";
    refilled.push_back(77);
    refilled.resize(refilled.size() - after);
    EXPECT_EQ(pool(), EntropyManager::formatPool(refilled));
}
