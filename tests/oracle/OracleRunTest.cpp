#include "Murkmoot.h"
#include "MurkmootWorkflow.h"
#include "OracleFixture.h"
#include "core/Logging.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <stdexcept>

namespace {

// Drawn from the end: council 3, 7, 0, 12, 20; votes 9, 16, 42, 1234, -1; prophecy 13, verdict 13,
// override test 7.
const std::vector<int> WORKED_POOL{8, 5, 7, 13, 13, -1, 1234, 42, 16, 9, 20, 12, 0, 7, 3};

std::vector<int> withFirstValues(std::vector<int> pool, std::initializer_list<int> first) {
    std::copy(first.begin(), first.end(), pool.begin());
    return pool;
}

const char* const ROSTER = "\n🧌 The goblin council assembles...\n"
                           "📜 Council Roster:\n"
                           "- Bogwort (wades knee-deep in secrets.)\n"
                           "- Mirefang (teeth stained with swampwater.)\n"
                           "- Squat Goblin (forever hunched, forever stubborn.)\n"
                           "- Ashdribble (whispers prophecies through soot.)\n"
                           "- Pudding Brain (says little, hums in resonance.)\n";

const char* const WINDOWED_VOTES =
    "\n🧌 Bogwort votes:\n"
    "Bogwort (9)  wades knee-deep in secrets.  barks: \"Absolutely  carved into damp stone long ago.\"\n"
    "\n🧌 Mirefang votes:\n"
    "Mirefang (16)  teeth stained with swampwater.  howls: \"Perhaps  the council drums on hollow logs.\"\n"
    "\n🧌 Squat Goblin votes:\n"
    "Squat Goblin (42)  forever hunched, forever stubborn.  grumbles: \"Yes  the swamp remembers.\"\n"
    "\n🧌 Ashdribble votes:\n"
    "Ashdribble (1234)  whispers prophecies through soot.  howls: \"Perhaps  written on the underside of a "
    "toadstool.\"\n"
    "\n🧌 Pudding Brain votes:\n"
    "Pudding Brain (-1)  says little, hums in resonance.  mumbles: \"Absolutely  Squat Goblin already "
    "forbade it.\"\n";

class OracleRun : public OracleFixture {
protected:
    void TearDown() override {
        flushLogRepeats();
        logFile.close();
    }

    void captureLog() {
        flushLogRepeats();
        logFile.open("test-log.txt", std::ios::trunc);
    }
    std::vector<std::string> logLines() {
        logFile.flush();
        return testsupport::lines(testsupport::readFile("test-log.txt"));
    }
};

} // namespace

TEST_F(OracleRun, WindowedReportForTheWorkedExample) {
    writePool(WORKED_POOL);
    std::ostringstream out;
    const GoblinTypes::OracleResult result = MurkmootWorkflow(out).runOracle("will it rain?");
    EXPECT_EQ(out.str(), std::string(ROSTER) + WINDOWED_VOTES +
                             "\n🔮 The Murkmoot has spoken:\n"
                             "Consensus Core: Perhaps\n"
                             "Prophecy: Perhaps  whispered thrice in the dripping dark.\n"
                             "Final Verdict: Perhaps  until the moon cracks and spills its silver.\n");
    EXPECT_EQ(poolText(), "8\n5\n");
    EXPECT_EQ(result.council, (std::vector<std::string>{
                                  "Bogwort  wades knee-deep in secrets.", "Mirefang  teeth stained with swampwater.",
                                  "Squat Goblin  forever hunched, forever stubborn.",
                                  "Ashdribble  whispers prophecies through soot.",
                                  "Pudding Brain  says little, hums in resonance."}));
    ASSERT_EQ(result.votes.size(), 5U);
    EXPECT_EQ(result.votes[3].entropyValue, 1234);
    EXPECT_EQ(result.consensusCore, "Perhaps");
    EXPECT_EQ(result.finalVerdict, "Perhaps  until the moon cracks and spills its silver.");
    EXPECT_FALSE(result.overridden);
    EXPECT_EQ(result.overrideMessage, "");
}

TEST_F(OracleRun, WindowedOverrideHidesConsensusButKeepsItInTheResult) {
    writePool(withFirstValues(WORKED_POOL, {8, 5, 30}));
    std::ostringstream out;
    const GoblinTypes::OracleResult result = MurkmootWorkflow(out).runOracle("");
    EXPECT_EQ(out.str(), std::string(ROSTER) + WINDOWED_VOTES +
                             "\n🔮 The council has spoken... but Puddingbrain overrides! ⚠️\n"
                             "Pudding Brain says little but hums in resonance...\n\n"
                             "Final Verdict: RESONANCE: the hum drowns all dissent.\n");
    EXPECT_EQ(poolText(), "8\n");
    EXPECT_TRUE(result.overridden);
    EXPECT_EQ(result.finalVerdict, "RESONANCE: the hum drowns all dissent.");
    EXPECT_EQ(result.overrideMessage, result.finalVerdict);
    EXPECT_EQ(result.consensusCore, "Perhaps");
    EXPECT_EQ(result.prophecy, "Perhaps  whispered thrice in the dripping dark.");
}

TEST_F(OracleRun, WindowedRunLogsTheQuestionPoolSizeAndHistoryOnce) {
    captureLog();
    writePool(WORKED_POOL);
    std::ostringstream out;
    MurkmootWorkflow oracle(out);
    oracle.runOracle("");
    const std::vector<std::string> lines = logLines();
    ASSERT_EQ(lines.size(), 3U);
    const std::string stamp = R"( \[\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\] \[Game/Murkmoot/src/MurkmootWorkflow:\d+\]$)";
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(^\.\.\[INFO\] Running oracle with question: )" + stamp)))
        << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(^\.\.\[INFO\] Initial entropy pool size: 15)" + stamp)))
        << lines[1];
    EXPECT_TRUE(std::regex_match(
        lines[2], std::regex(R"(^\*\*\[WARN\] Entropy history not initialized, creating new instance\.)" + stamp)))
        << lines[2];
    EXPECT_EQ(oracle.getEntropyHistory()->getHistory(), (std::vector<int>{9, 16, 42, 1234, -1}));
}

TEST_F(OracleRun, PoolRunningOutMidRunKeepsWhatWasPrintedAndConsumed) {
    {
        // 14 values whose override triggers: exactly enough.
        writePool(withFirstValues(std::vector<int>(WORKED_POOL.begin() + 1, WORKED_POOL.end()), {5, 30}));
        std::ostringstream out;
        EXPECT_TRUE(MurkmootWorkflow(out).runOracle("").overridden);
        EXPECT_EQ(poolText(), "");
    }
    {
        // 13 values: the override line has nothing left to draw.
        writePool(withFirstValues(std::vector<int>(WORKED_POOL.begin() + 2, WORKED_POOL.end()), {30}));
        std::ostringstream out;
        MurkmootWorkflow oracle(out);
        try {
            oracle.runOracle("");
            ADD_FAILURE() << "the run should fail";
        } catch (const std::runtime_error& error) {
            EXPECT_STREQ(error.what(), "Entropy pool empty");
        }
        EXPECT_EQ(out.str(), ROSTER);
        EXPECT_EQ(poolText(), "");
    }
    {
        std::filesystem::remove(POOL);
        std::ostringstream out;
        EXPECT_THROW(
            {
                try {
                    MurkmootWorkflow(out).runOracle("");
                } catch (const std::runtime_error& error) {
                    EXPECT_STREQ(error.what(), "Failed to open entropy pool: Assets/Data/entropy_pool.txt");
                    throw;
                }
            },
            std::runtime_error);
        EXPECT_EQ(out.str(), "");
    }
}

TEST_F(OracleRun, TerminalReportAsksForOneWordAndWarnsWhenLow) {
    writePool(WORKED_POOL);
    std::istringstream in("  will it rain?\nsecond line\n");
    std::ostringstream out;
    Murkmoot oracle(in, out);
    const GoblinTypes::OracleResult result = oracle.runOracle();
    // The whole report, byte for byte, is checked through the real binary; here the steps only
    // the terminal takes.
    EXPECT_EQ(out.str().substr(0, std::string(ROSTER).size()), ROSTER);
    EXPECT_NE(out.str().find("- Pudding Brain (says little, hums in resonance.)\n\nCurrent Entropy Pool Size: 10\n"
                             "❓ Ask the goblin council a question: \n> "
                             "⚠️ Warning: Low entropy pool size (10). Consider replenishing the pool.\n\n🧌 Bogwort votes:\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("\nFinal Verdict: Perhaps — until the moon cracks and spills its silver.\n"), std::string::npos);
    EXPECT_EQ(oracle.getQuestion(), "will");
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, " it rain?") << "only the first word is taken";
    EXPECT_EQ(poolText(), "8\n5\n");
    EXPECT_EQ(result.council[0], "Bogwort — wades knee-deep in secrets.");

    // 30 is no multiple of 100: the terminal oracle does not override where the window would.
    writePool(withFirstValues(WORKED_POOL, {8, 5, 30}));
    std::istringstream empty;
    std::ostringstream out2;
    EXPECT_FALSE(Murkmoot(empty, out2).runOracle().overridden);
    EXPECT_EQ(poolText(), "8\n5\n");
}

TEST_F(OracleRun, TerminalWarningStartsBelowTwentyLeft) {
    for (const std::size_t size : {24U, 25U}) {
        std::vector<int> pool(size, 1);
        writePool(pool);
        std::istringstream in("q");
        std::ostringstream out;
        Murkmoot(in, out).runOracle();
        const std::string left = std::to_string(size - 5);
        EXPECT_NE(out.str().find("Current Entropy Pool Size: " + left + "\n"), std::string::npos);
        EXPECT_EQ(out.str().find("⚠️ Warning: Low entropy pool size (" + left + ")") != std::string::npos,
                  size == 24);
    }
    // Out of values at the override line: roster, size, prompt and warning, but no votes.
    writePool(withFirstValues(std::vector<int>(WORKED_POOL.begin() + 2, WORKED_POOL.end()), {300}));
    std::istringstream in("q");
    std::ostringstream out;
    EXPECT_THROW(Murkmoot(in, out).runOracle(), std::runtime_error);
    EXPECT_EQ(out.str(), std::string(ROSTER) +
                             "\nCurrent Entropy Pool Size: 8\n❓ Ask the goblin council a question: \n> "
                             "⚠️ Warning: Low entropy pool size (8). Consider replenishing the pool.\n");
    EXPECT_EQ(poolText(), "");
}
