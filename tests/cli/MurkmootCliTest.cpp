// The real MurkmootCli binary, driven through its standard input and output in a scratch
// directory, as a user would run it.

#include "TestSupport.h"
#include "Journal.h"
#include "JournalPrinter.h"
#include "PoolFile.h"
#include "core/AppPaths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace testsupport;

const std::string POOL = "Assets/Data/entropy_pool.txt";
// Drawn from the end: five summon the council and five vote; then come the prophecy, the verdict
// and Puddingbrain's test (a multiple of 100 overrides, and the next value picks his line).
const std::string VOTED = "13\n13\n-1\n1234\n42\n16\n9\n20\n12\n0\n7\n3\n";
const std::string BANNER =
    "\n-------------------------------------------\n|           Welcome to Murkmoot           |\n"
    "|       Five goblins, one question,       |\n| and a pool of numbers that never lies.  |\n"
    "|    Entropy drawn once, never twice.     |\n|  Murkmoot 1.0 - a damp cave production  |\n"
    "-------------------------------------------\n";
const std::string ROSTER =
    "\n🧌 The goblin council assembles...\n📜 Council Roster:\n- Bogwort (wades knee-deep in secrets.)\n"
    "- Mirefang (teeth stained with swampwater.)\n- Squat Goblin (forever hunched, forever stubborn.)\n"
    "- Ashdribble (whispers prophecies through soot.)\n- Pudding Brain (says little, hums in resonance.)\n";
const std::string VOTES =
    "\n🧌 Bogwort votes:\nBogwort (9)\n↳ wades knee-deep in secrets.\n"
    "↳ barks: \"Absolutely — carved into damp stone long ago.\"\n\n🧌 Mirefang votes:\nMirefang (16)\n"
    "↳ teeth stained with swampwater.\n↳ howls: \"Perhaps — the council drums on hollow logs.\"\n\n"
    "🧌 Squat Goblin votes:\nSquat Goblin (42)\n↳ forever hunched, forever stubborn.\n"
    "↳ grumbles: \"Yes — the swamp remembers.\"\n\n🧌 Ashdribble votes:\nAshdribble (1234)\n"
    "↳ whispers prophecies through soot.\n↳ howls: \"Perhaps — written on the underside of a toadstool.\"\n\n"
    "🧌 Pudding Brain votes:\nPudding Brain (-1)\n↳ says little, hums in resonance.\n"
    "↳ mumbles: \"Absolutely — Squat Goblin already forbade it.\"\n";
const std::string SPOKEN = "\n🔮 The Murkmoot has spoken:\nConsensus Core: Perhaps\n"
                           "Prophecy: Perhaps — whispered thrice in the dripping dark.\n"
                           "Final Verdict: Perhaps — until the moon cracks and spills its silver.\n";

// What is shown up to the question, warning of a pool below 20 after the summons.
static std::string asked(int left) {
    const std::string size = std::to_string(left);
    return "\nCurrent Entropy Pool Size: " + size + "\n❓ Ask the goblin council a question: \n> " +
           (left < 20 ? "⚠️ Warning: Low entropy pool size (" + size + "). Consider replenishing the pool.\n" : "");
}

// In front of the values drawn: twelve zeros at most.
static std::string zeros(std::size_t count) { return std::string("0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n0\n", 2 * count); }

TEST(Cli, ReportsAndFailuresAreByteExactAndEachDrawTakesTheLastValue) {
    const TempDir dir;
    const std::string malformed = "1\n2\n3\n99999999999\n4\n";
    const struct {
        std::string pool; // "": none yet
        std::string input; // never matters, and may be missing
        std::string out;
        std::string err;
        std::string left; // drawn values stay consumed, also when the pool runs dry; a bad file stays as it was
    } cases[] = {
        {"", "q", BANNER,
         "Failed to open entropy pool: " + POOL + "\nMake one with: " +
             (std::filesystem::path(MURKMOOT_CLI_BINARY).parent_path() / "MurkmootPool").string() + " --pool " + POOL +
             " fill 100000\n",
         ""},
        {zeros(12) + "7\n" + VOTED, "will it rain tomorrow\n", BANNER + ROSTER + asked(20) + VOTES + SPOKEN, "",
         zeros(12)},
        {zeros(11) + "7\n" + VOTED, "", BANNER + ROSTER + asked(19) + VOTES + SPOKEN, "", zeros(11)},
        // Exactly enough for the longest consultation: it runs to the last value.
        {zeros(1) + "100\n" + VOTED, "q",
         BANNER + ROSTER + asked(9) + VOTES + "\n🔮 The council has spoken... but Puddingbrain overrides! ⚠️\n"
                                              "Pudding Brain says little but hums in resonance...\n\n"
                                              "Final Verdict: RESONANCE — the hum drowns all dissent.\n",
         "", ""},
        // Enough for the roster but not for every draw that may follow: none of those is spent.
        {VOTED, "q", BANNER + ROSTER + asked(7), "Entropy pool empty\n", "13\n13\n-1\n1234\n42\n16\n9\n"},
        {malformed, "q", BANNER,
         "Malformed entropy pool: " + POOL + ": line 4: \"99999999999\" does not fit in 32 bits\n", malformed},
    };
    for (const auto& c : cases) {
        if (!c.pool.empty()) {
            writeFile(dir.path() / POOL, c.pool);
        }
        const ProcessResult result = runProcess(MURKMOOT_CLI_BINARY, dir.path(), c.input);
        EXPECT_EQ(result.exitStatus, c.err.empty() ? 0 : 1) << c.err;
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(readFile(dir.path() / POOL), c.left);
    }
    // Every start archived the log before, and this program writes no lines of its own.
    EXPECT_EQ(readFile(dir.path() / "log.txt"), "");
    const std::filesystem::directory_iterator archived(dir.path() / "logging");
    EXPECT_EQ(std::distance(archived, std::filesystem::directory_iterator()), 5);
}

TEST(Cli, WaitsForAnotherProgramHoldingThePoolAndSaysSo) {
    const TempDir dir;
    writeFile(dir.path() / POOL, zeros(12) + "7\n" + VOTED);
    std::promise<void> held;
    std::thread holder([&] {
        PoolFile pool((dir.path() / POOL).string());
        const PoolFile::Hold hold = pool.hold();
        held.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(2500)); // past the second before the notice
    });
    held.get_future().wait();
    const ProcessResult result = runProcess(MURKMOOT_CLI_BINARY, dir.path(), "q");
    holder.join();
    EXPECT_EQ(result.err, "Waiting for the entropy pool: another program is using " + POOL + "\n");
    EXPECT_EQ(result.out, BANNER + ROSTER + asked(20) + VOTES + SPOKEN);
}

TEST(Cli, EachCompletedConsultationIsWrittenInTheJournalAndReadBackWithoutTouchingAnything) {
    const TempDir dir;
    const Journal journal(dir.path() / "journal.jsonl");
    const auto ask = [&](const std::string& input, const std::vector<std::string>& args = {}) {
        writeFile(dir.path() / POOL, zeros(12) + "7\n" + VOTED);
        return runProcess(MURKMOOT_CLI_BINARY, dir.path(), input, args);
    };
    EXPECT_EQ(ask("will it rain\n").exitStatus, 0);
    // Run dry: the values left are too few, and nothing is written down.
    EXPECT_EQ(runProcess(MURKMOOT_CLI_BINARY, dir.path(), "q").exitStatus, 1);
    EXPECT_EQ(ask("hidden", {"--no-journal"}).exitStatus, 0);
    EXPECT_EQ(ask("snow").exitStatus, 0);
    const std::vector<JournalEntry> entries = journal.readLast(5).entries;
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].program, "MurkmootCli");
    EXPECT_EQ(entries[0].question, "will");
    EXPECT_EQ(entries[1].question, "snow");
    EXPECT_EQ(entries[0].consensus, "Perhaps");
    EXPECT_EQ(entries[0].verdict, "Perhaps — until the moon cracks and spills its silver.");
    EXPECT_EQ(entries[0].votes[4].value, -1);

    // Read back: the last N, newest last; no value drawn and no log started or archived.
    const std::string pool = readFile(dir.path() / POOL);
    const auto archived = [&] {
        return std::distance(std::filesystem::directory_iterator(dir.path() / "logging"), std::filesystem::directory_iterator());
    };
    const auto logsBefore = archived();
    for (const auto& [args, shown] : std::vector<std::pair<std::vector<std::string>, std::vector<JournalEntry>>>{
             {{"--journal"}, entries}, {{"--journal", "1"}, {entries[1]}}, {{"--journal=2"}, entries}}) {
        const ProcessResult read = runProcess(MURKMOOT_CLI_BINARY, dir.path(), "", args);
        EXPECT_EQ(read.exitStatus, 0);
        EXPECT_EQ(read.out, JournalPrinter::format(shown));
        EXPECT_EQ(read.err, "");
    }
    EXPECT_EQ(runProcess(MURKMOOT_CLI_BINARY, dir.path(), "", {"--journal=many"}).exitStatus, 2);
    EXPECT_EQ(readFile(dir.path() / POOL), pool);
    EXPECT_EQ(archived(), logsBefore);

    // A journal that cannot be written: one warning, and the report is whole.
    std::filesystem::remove(dir.path() / "journal.jsonl");
    std::filesystem::create_directory(dir.path() / "journal.jsonl");
    const ProcessResult unwritable = ask("q");
    EXPECT_EQ(unwritable.exitStatus, 0);
    EXPECT_EQ(unwritable.out, BANNER + ROSTER + asked(20) + VOTES + SPOKEN);
    EXPECT_EQ(lines(unwritable.err).size(), 1U) << unwritable.err;
    EXPECT_NE(unwritable.err.find("journal"), std::string::npos);
    const ProcessResult unreadable = runProcess(MURKMOOT_CLI_BINARY, dir.path(), "", {"--journal"});
    EXPECT_EQ(unreadable.exitStatus, 1) << "a failure, not a mistake in the command line";
    EXPECT_NE(unreadable.err.find("journal.jsonl"), std::string::npos) << unreadable.err;
}

// The player's own directories, as an installed game finds them (no Assets/ beside the program).
class PlayerDirectory : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1); }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    // The refusal of the pool's directory, or "" when it is used.
    std::string refusal() const {
        try {
            AppPaths(dir.path() / "bin").defaultPool();
            return "";
        } catch (const AppPaths::ForeignDirectory& error) {
            return error.what();
        }
    }

    const TempDir dir;
    const std::filesystem::path game = dir.path() / "data/murkmoot";
};

TEST_F(PlayerDirectory, OneOthersMayWriteInIsRefusedNamingItAndItsOwner) {
    std::filesystem::create_directories(game);
    const std::string me = ::getpwuid(::geteuid())->pw_name;
    for (const mode_t mode : {0770, 0707, 0700}) {
        ::chmod(game.c_str(), mode);
        EXPECT_EQ(refusal(), mode == 0700 ? ""
                                          : "Refusing to use " + game.string() + ": it belongs to " + me +
                                                " but others may write in it; it must be yours and writable by you alone");
    }
}

TEST_F(PlayerDirectory, ALinkToAnotherUsersDirectoryIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a directory to another user needs root";
    }
    std::filesystem::create_directories(dir.path() / "theirs");
    std::filesystem::create_directories(dir.path() / "data");
    ASSERT_EQ(::chown((dir.path() / "theirs").c_str(), 65534, 65534), 0);
    std::filesystem::create_directory_symlink(dir.path() / "theirs", game);
    const passwd* owner = ::getpwuid(65534);
    EXPECT_EQ(refusal(), "Refusing to use " + game.string() + ": it belongs to " +
                             (owner != nullptr ? owner->pw_name : "user 65534") +
                             ", not to you; it must be yours and writable by you alone");
}
