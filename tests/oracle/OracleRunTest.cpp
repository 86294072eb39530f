#include "MurkmootWorkflow.h"
#include "OracleFixture.h"
#include "core/Logging.h"

#include <sstream>

namespace {

// Drawn from the end: council 3, 7, 0, 12, 20; votes 9, 16, 42, 1234, -1; prophecy 13, verdict 13,
// override test 7.
const std::vector<int> WORKED_POOL{8, 5, 7, 13, 13, -1, 1234, 42, 16, 9, 20, 12, 0, 7, 3};
// The same, but the override test draws 30, a multiple of ten only.
const std::vector<int> OVERRIDE_POOL{8, 5, 30, 13, 13, -1, 1234, 42, 16, 9, 20, 12, 0, 7, 3};

const std::string ROSTER = "\n🧌 The goblin council assembles...\n"
                           "📜 Council Roster:\n"
                           "- Bogwort (wades knee-deep in secrets.)\n"
                           "- Mirefang (teeth stained with swampwater.)\n"
                           "- Squat Goblin (forever hunched, forever stubborn.)\n"
                           "- Ashdribble (whispers prophecies through soot.)\n"
                           "- Pudding Brain (says little, hums in resonance.)\n";

const std::string WINDOWED_VOTES =
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
    std::ostringstream out;
};

} // namespace

TEST_F(OracleRun, WindowedReportWithAndWithoutTheOverride) {
    writePool(WORKED_POOL);
    GoblinTypes::OracleResult result = MurkmootWorkflow(out).runOracle("will it rain?");
    EXPECT_EQ(out.str(), ROSTER + WINDOWED_VOTES +
                             "\n🔮 The Murkmoot has spoken:\nConsensus Core: Perhaps\n"
                             "Prophecy: Perhaps  whispered thrice in the dripping dark.\n"
                             "Final Verdict: Perhaps  until the moon cracks and spills its silver.\n");
    EXPECT_EQ(poolText(), "8\n5\n");
    ASSERT_EQ(result.council.size(), 5U);
    EXPECT_EQ(result.council[4], "Pudding Brain  says little, hums in resonance.");
    ASSERT_EQ(result.votes.size(), 5U);
    EXPECT_EQ(result.votes[3].entropyValue, 1234);
    EXPECT_EQ(result.finalVerdict, "Perhaps  until the moon cracks and spills its silver.");
    EXPECT_FALSE(result.overridden);

    // The override draws its line (5) and hides the consensus; the result still keeps the prophecy.
    writePool(OVERRIDE_POOL);
    out.str("");
    result = MurkmootWorkflow(out).runOracle("");
    EXPECT_EQ(out.str(), ROSTER + WINDOWED_VOTES +
                             "\n🔮 The council has spoken... but Puddingbrain overrides! ⚠️\n"
                             "Pudding Brain says little but hums in resonance...\n\n"
                             "Final Verdict: RESONANCE: the hum drowns all dissent.\n");
    EXPECT_EQ(poolText(), "8\n");
    EXPECT_TRUE(result.overridden);
    EXPECT_EQ(result.finalVerdict, "RESONANCE: the hum drowns all dissent.");
    EXPECT_EQ(result.overrideMessage, result.finalVerdict);
    EXPECT_EQ(result.prophecy, "Perhaps  whispered thrice in the dripping dark.");
}

TEST_F(OracleRun, WindowedRunLogsQuestionAndPoolSizeAndKeepsEveryVoteDraw) {
    flushLogRepeats();
    logFile.open("test-log.txt", std::ios::trunc);
    writePool(WORKED_POOL);
    MurkmootWorkflow oracle(out);
    oracle.runOracle("rain?");
    oracle.goblinVote({"Grizzle", "smells like smoke and wet rope."}); // draws the 5
    logFile.close();
    EXPECT_EQ(logMessages("test-log.txt"), (std::vector<std::string>{
                                               "..[INFO] Running oracle with question: rain?",
                                               "..[INFO] Initial entropy pool size: 15",
                                               "**[WARN] Entropy history not initialized, creating new instance."}))
        << "the history is created once";
    EXPECT_EQ(oracle.getEntropyHistory()->getHistory(), (std::vector<int>{9, 16, 42, 1234, -1, 5}));
}
