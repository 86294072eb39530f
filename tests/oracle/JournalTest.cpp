#include "Journal.h"
#include "JournalPrinter.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::readFile;
using testsupport::writeFile;
namespace fs = std::filesystem;

namespace {

// 2026-12-08 09:15:03 UTC.
const std::chrono::system_clock::time_point WHEN = std::chrono::system_clock::from_time_t(1796721303);

JournalEntry entry(const std::string& question, bool overridden = false) {
    GoblinTypes::OracleResult result;
    for (const char* name : {"Bogwort", "Mirefang"}) {
        result.council.push_back(std::string(name) + "  a goblin.");
        result.votes.push_back({name, "a goblin.", -7, "Yes, and more", "Yes"});
    }
    result.consensusCore = "Yes";
    result.prophecy = "Yes, the bog agrees.";
    result.overridden = overridden;
    result.overrideMessage = overridden ? "RESONANCE: the hum drowns all dissent." : "";
    result.finalVerdict = overridden ? result.overrideMessage : "Yes, it is sealed.";
    return JournalEntry::fromResult(result, question, "MurkmootCli", WHEN);
}

// An environment variable set for the scope, as it was afterwards; the time zone is reread.
struct Variable {
    Variable(const char* name, const std::string& value) : name(name) {
        if (const char* was = std::getenv(name)) {
            old = was;
        }
        ::setenv(name, value.c_str(), 1);
        ::tzset();
    }
    ~Variable() {
        old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name);
        ::tzset();
    }
    Variable(const Variable&) = delete;
    Variable& operator=(const Variable&) = delete;
    const char* name;
    std::optional<std::string> old;
};

std::vector<std::string> questions(const Journal::Reading& reading) {
    std::vector<std::string> asked;
    for (const JournalEntry& found : reading.entries) {
        asked.push_back(found.question);
    }
    return asked;
}

class JournalTest : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    fs::path file = dir.path() / Journal::FILE_NAME;
    Journal journal{file};
};

TEST_F(JournalTest, EntryIsOneJsonLineWithEveryFieldAndReadsBackTheSame) {
    const JournalEntry plain = [] {
        const Variable zone("TZ", "CET-1");
        return entry("Will it rain?");
    }();
    const JournalEntry overridden = entry("Shall I\n go?", true);

    const std::string line = plain.toLine();
    ASSERT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(line.rfind(R"({"time":"2026-12-08T10:15:03+01:00","program":"MurkmootCli","question":)", 0), 0U);
    EXPECT_EQ(nlohmann::json::parse(line),
              nlohmann::json::parse(R"({"time":"2026-12-08T10:15:03+01:00","program":"MurkmootCli",
                  "question":"Will it rain?","council":["Bogwort","Mirefang"],
                  "votes":[{"member":"Bogwort","value":-7,"answer":"Yes"},{"member":"Mirefang","value":-7,"answer":"Yes"}],
                  "prophecy":"Yes, the bog agrees.","verdict":"Yes, it is sealed.","override":null,"consensus":"Yes"})"));
    EXPECT_EQ(JournalEntry::parse(line), plain);
    EXPECT_EQ(JournalEntry::parse(overridden.toLine()), overridden);
    EXPECT_EQ(overridden.overrideLine, overridden.verdict);

    // A question that is not UTF-8 is still written, never thrown over.
    EXPECT_TRUE(JournalEntry::parse(entry("\xff\xfe").toLine()));
    for (const char* notEntry : {"", "garbage", "[1]", "{}", R"({"time":1,"question":"","consensus":"","verdict":""})",
                                 R"({"time":"t","question":"q","consensus":"Yes","verdict":"v)"}) {
        EXPECT_FALSE(JournalEntry::parse(notEntry)) << notEntry;
    }
}

TEST_F(JournalTest, PlacedBesideThePlayersPoolInstalledAndBesideTheLogInABuildTree) {
    fs::create_directories(dir.path() / "build/Assets");
    EXPECT_EQ(Journal::defaultPath(AppPaths(dir.path() / "build"), "/logs"), "/logs/journal.jsonl");

    const Variable data("XDG_DATA_HOME", dir.path() / "data");
    EXPECT_EQ(Journal::defaultPath(AppPaths(dir.path() / "bin"), "/logs"), dir.path() / "data/murkmoot/journal.jsonl");
}

TEST_F(JournalTest, ParallelAppendsFromSeveralProcessesLeaveWholeLines) {
    constexpr int PROCESSES = 4;
    constexpr int EACH = 50;
    // Longer than a pipe's atomic write, so a split write would show.
    const std::string padding(6000, 'x');
    for (int p = 0; p < PROCESSES; ++p) {
        if (::fork() == 0) {
            for (int i = 0; i < EACH; ++i) {
                journal.append(entry(std::to_string(p) + padding));
            }
            ::_exit(0);
        }
    }
    for (int status = 0; ::wait(&status) > 0;) {
        EXPECT_EQ(status, 0);
    }
    const Journal::Reading reading = journal.readLast(PROCESSES * EACH + 1);
    EXPECT_EQ(reading.entries.size(), static_cast<std::size_t>(PROCESSES * EACH));
    EXPECT_EQ(reading.skippedLines, 0U);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600U);
}

TEST_F(JournalTest, TornLastLineIsSkippedOnceAndTheNextEntryStartsItsOwnLine) {
    journal.append(entry("first"));
    writeFile(file, readFile(file) + "\n" + entry("torn").toLine().substr(0, 40));
    journal.append(entry("after"));
    const Journal::Reading reading = journal.readLast(5);
    EXPECT_EQ(questions(reading), (std::vector<std::string>{"first", "after"}));
    EXPECT_EQ(reading.skippedLines, 1U);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(JournalPrinter::show(journal, 1, out, err), 0);
    EXPECT_EQ(out.str(), JournalPrinter::format({reading.entries.back()}));
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(JournalPrinter::show(journal, 2, out, err), 0);
    EXPECT_EQ(err.str(), "Warning: skipped 1 line of the journal " + file.string() + " that is not a consultation.\n");
}

TEST_F(JournalTest, RefusesALinkOrAnythingButAFileAndReportsWhatCannotBeWritten) {
    const fs::path target = dir.path() / "elsewhere";
    fs::create_symlink(target, file);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(JournalPrinter::show(journal, 5, out, err), 1);
    EXPECT_FALSE(journal.record(entry("q"), err));
    EXPECT_FALSE(journal.record(entry("q"), err));
    EXPECT_EQ(err.str(), "Cannot read the journal " + file.string() + ": it is a symbolic link\n"
                         "Warning: Cannot write the journal " + file.string() +
                         ": it is a symbolic link. Consultations go on without it.\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(fs::exists(target));

    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); // must not wait for a reader
    EXPECT_THROW(journal.append(entry("q")), Journal::Error);
    EXPECT_THROW(journal.readLast(5), Journal::Error);

    const Journal nowhere(dir.path() / "missing/journal.jsonl");
    EXPECT_THROW(nowhere.append(entry("q")), Journal::Error);
    EXPECT_EQ(JournalPrinter::show(nowhere, 5, out, err), 0);
    EXPECT_EQ(out.str(), JournalPrinter::EMPTY);
    if (::geteuid() != 0) {
        fs::remove(file);
        writeFile(file, "");
        fs::permissions(file, fs::perms::owner_read);
        EXPECT_THROW(journal.append(entry("q")), Journal::Error);
    }
}

TEST_F(JournalTest, ReadsTheLastEntriesAcrossBlocksOldestFirst) {
    EXPECT_TRUE(journal.readLast(5).entries.empty());
    // Over a megabyte without a line feed is damage, not an entry to hold in memory.
    writeFile(file, std::string(1536 * 1024, '{'));
    std::vector<std::string> asked;
    for (int i = 0; i < 1000; ++i) {
        asked.push_back("question " + std::to_string(i));
        journal.append(entry(asked.back()));
        if (i == 500) {
            writeFile(file, readFile(file) + "\n\n");
        }
    }
    Journal::Reading reading = journal.readLast(700);
    EXPECT_EQ(questions(reading), std::vector<std::string>(asked.end() - 700, asked.end()));
    EXPECT_EQ(reading.skippedLines, 0U);
    reading = journal.readLast(5000);
    EXPECT_EQ(questions(reading), asked);
    EXPECT_EQ(reading.skippedLines, 1U);
}

TEST(JournalPrinterTest, ShortBlocksNewestLastWithTheOverrideOnlyWhenThereWasOne) {
    JournalEntry plain = entry("Will it rain?");
    plain.time = "2026-12-08T10:15:03+01:00";
    JournalEntry overridden = entry("", true);
    overridden.time = "2026-12-08T10:16:00+01:00";
    overridden.program = "Murkmoot\x1b[2J";
    EXPECT_EQ(JournalPrinter::format({plain, overridden}),
              "2026-12-08T10:15:03+01:00  MurkmootCli\n"
              "Question:  Will it rain?\n"
              "Consensus: Yes\n"
              "Verdict:   Yes, it is sealed.\n"
              "\n"
              "2026-12-08T10:16:00+01:00  Murkmoot?[2J\n"
              "Question:  (none asked)\n"
              "Consensus: Yes\n"
              "Verdict:   RESONANCE: the hum drowns all dissent.\n"
              "Override:  RESONANCE: the hum drowns all dissent.\n");
}

} // namespace
