// The real MurkmootCli binary, driven through its standard input and output in a scratch
// directory, as a user would run it.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

using testsupport::lines;
using testsupport::readFile;
using testsupport::runProcess;
using testsupport::TempDir;
using testsupport::writeFile;

namespace fs = std::filesystem;

namespace {

const char* const POOL = "Assets/Data/entropy_pool.txt";
const char* const WORKED_POOL = "8\n5\n7\n13\n13\n-1\n1234\n42\n16\n9\n20\n12\n0\n7\n3\n";

class Cli : public ::testing::Test {
protected:
    testsupport::ProcessResult run(const std::string& input) {
        return runProcess(MURKMOOT_CLI_BINARY, dir.path(), input);
    }
    void writePool(const std::string& text) { writeFile(dir.path() / POOL, text); }
    std::string pool() const { return readFile(dir.path() / POOL); }

    TempDir dir;
};

std::string afterBanner(const std::string& out) {
    const std::size_t end = out.find("-\n\n🧌");
    return end == std::string::npos ? out : out.substr(end + 2);
}

} // namespace

TEST_F(Cli, AnswersOneQuestionAndConsumesThirteenValues) {
    writePool(WORKED_POOL);
    const auto result = run("will it rain tomorrow\n");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(pool(), "8\n5\n");
    EXPECT_EQ(afterBanner(result.out),
              "\n🧌 The goblin council assembles...\n"
              "📜 Council Roster:\n"
              "- Bogwort (wades knee-deep in secrets.)\n"
              "- Mirefang (teeth stained with swampwater.)\n"
              "- Squat Goblin (forever hunched, forever stubborn.)\n"
              "- Ashdribble (whispers prophecies through soot.)\n"
              "- Pudding Brain (says little, hums in resonance.)\n"
              "\nCurrent Entropy Pool Size: 10\n"
              "❓ Ask the goblin council a question: \n> "
              "⚠️ Warning: Low entropy pool size (10). Consider replenishing the pool.\n"
              "\n🧌 Bogwort votes:\nBogwort (9)\n↳ wades knee-deep in secrets.\n"
              "↳ barks: \"Absolutely — carved into damp stone long ago.\"\n"
              "\n🧌 Mirefang votes:\nMirefang (16)\n↳ teeth stained with swampwater.\n"
              "↳ howls: \"Perhaps — the council drums on hollow logs.\"\n"
              "\n🧌 Squat Goblin votes:\nSquat Goblin (42)\n↳ forever hunched, forever stubborn.\n"
              "↳ grumbles: \"Yes — the swamp remembers.\"\n"
              "\n🧌 Ashdribble votes:\nAshdribble (1234)\n↳ whispers prophecies through soot.\n"
              "↳ howls: \"Perhaps — written on the underside of a toadstool.\"\n"
              "\n🧌 Pudding Brain votes:\nPudding Brain (-1)\n↳ says little, hums in resonance.\n"
              "↳ mumbles: \"Absolutely — Squat Goblin already forbade it.\"\n"
              "\n🔮 The Murkmoot has spoken:\n"
              "Consensus Core: Perhaps\n"
              "Prophecy: Perhaps — whispered thrice in the dripping dark.\n"
              "Final Verdict: Perhaps — until the moon cracks and spills its silver.\n");

    // The question never matters, and an empty input still gets an answer.
    writePool(WORKED_POOL);
    const auto silent = run("");
    EXPECT_EQ(silent.exitStatus, 0);
    EXPECT_EQ(silent.out, result.out);
}

TEST_F(Cli, BannerIsABoxFortyThreeColumnsWide) {
    writePool(WORKED_POOL);
    const std::vector<std::string> out = lines(run("q\n").out);
    ASSERT_GE(out.size(), 9U);
    EXPECT_EQ(out[0], "");
    EXPECT_EQ(out[1], std::string(43, '-'));
    EXPECT_EQ(out[2], "|           Welcome to Murkmoot           |");
    for (std::size_t i = 3; i <= 6; ++i) {
        EXPECT_EQ(out[i].size(), 43U) << out[i];
        EXPECT_EQ(out[i].front(), '|');
        EXPECT_EQ(out[i].back(), '|');
        const std::string inner = out[i].substr(1, 41);
        const std::size_t left = inner.find_first_not_of(' ');
        const std::size_t right = 40 - inner.find_last_not_of(' ');
        EXPECT_LE(left > right ? left - right : right - left, 1U) << "centred: " << out[i];
    }
    EXPECT_EQ(out[7], std::string(43, '-'));
    EXPECT_EQ(out[8], "");
}

TEST_F(Cli, PoolSizeAndWarningAroundTwentyLeft) {
    std::string pool24;
    for (int i = 0; i < 24; ++i) {
        pool24 += std::to_string(i * 3 + 1) + "\n";
    }
    writePool(pool24);
    std::string out = run("q").out;
    EXPECT_NE(out.find("Current Entropy Pool Size: 19\n"), std::string::npos);
    EXPECT_NE(out.find("> ⚠️ Warning: Low entropy pool size (19). Consider replenishing the pool.\n"),
              std::string::npos);
    writePool("0\n" + pool24);
    out = run("q").out;
    EXPECT_NE(out.find("Current Entropy Pool Size: 20\n"), std::string::npos);
    EXPECT_EQ(out.find("Warning"), std::string::npos);
}

TEST_F(Cli, FailingRunsSayWhyAndExitWithOne) {
    {
        const auto result = run("q\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.err, "Failed to open entropy pool: Assets/Data/entropy_pool.txt\n");
        EXPECT_NE(result.out.find("Welcome to Murkmoot"), std::string::npos);
        EXPECT_EQ(result.out.find("council"), std::string::npos);
    }
    {
        // Twelve values: the run stops at the override test, after the council was shown.
        writePool("13\n13\n-1\n1234\n42\n16\n9\n20\n12\n0\n7\n3\n");
        const auto result = run("q\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.err, "Entropy pool empty\n");
        EXPECT_NE(result.out.find("- Pudding Brain (says little, hums in resonance.)\n"), std::string::npos);
        EXPECT_NE(result.out.find("Consider replenishing the pool.\n"), std::string::npos);
        EXPECT_EQ(result.out.find("votes:"), std::string::npos);
        EXPECT_EQ(pool(), "") << "drawn values stay consumed";
    }
    {
        const std::string malformed = "1\n2\n3\n99999999999\n4\n";
        writePool(malformed);
        const auto result = run("q\n");
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.err, "Malformed entropy pool: Assets/Data/entropy_pool.txt: line 4: \"99999999999\" "
                              "does not fit in 32 bits\n");
        EXPECT_EQ(pool(), malformed);
    }
    EXPECT_TRUE(fs::exists(dir.path() / "log.txt"));
}

TEST_F(Cli, EveryStartArchivesTheLastLog) {
    for (int start = 0; start < 3; ++start) {
        writePool(WORKED_POOL);
        EXPECT_EQ(run("q").exitStatus, 0);
    }
    EXPECT_EQ(readFile(dir.path() / "log.txt"), "") << "the terminal program writes no lines of its own";
    std::size_t archived = 0;
    for (const auto& entry : fs::directory_iterator(dir.path() / "logging")) {
        EXPECT_TRUE(std::regex_match(entry.path().filename().string(),
                                     std::regex(R"(log_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(_\d+)?\.txt)")));
        ++archived;
    }
    EXPECT_EQ(archived, 2U);
}
