#include "GoblinData.h"
#include "Murkmoot.h"
#include "MurkmootWorkflow.h"
#include "OracleFixture.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <unordered_map>

using GoblinTypes::GoblinProfile;
using GoblinTypes::GoblinVote;

namespace {

std::vector<std::string> names(const std::vector<GoblinProfile>& council) {
    std::vector<std::string> result;
    for (const GoblinProfile& profile : council) {
        result.push_back(profile.name);
    }
    return result;
}

std::vector<GoblinVote> votesFor(const std::vector<std::string>& answers) {
    std::vector<GoblinVote> votes;
    for (const std::string& answer : answers) {
        GoblinVote vote;
        vote.core = answer;
        votes.push_back(vote);
    }
    return votes;
}

} // namespace

TEST(GoblinLore, TablesHaveTheirLengthsAndEachProgramsDressing) {
    EXPECT_EQ(GoblinData::allGoblins.size(), 25U);
    EXPECT_EQ(GoblinData::prefixes.size(), 42U);
    EXPECT_EQ(GoblinData::cores.size(), 6U);
    EXPECT_EQ(GoblinData::suffixes.size(), 34U);
    EXPECT_EQ(GoblinData::consensusSuffixes.size(), 10U);
    EXPECT_EQ(GoblinData::finalSuffixes.size(), 12U);
    EXPECT_EQ(GoblinData::overrideLines.size(), 5U);
    for (const auto* table : {&GoblinData::suffixes, &GoblinData::consensusSuffixes, &GoblinData::finalSuffixes}) {
        for (std::string_view row : *table) {
            EXPECT_EQ(row.substr(0, 1), " ");
            EXPECT_NE(row.substr(1, 1), " ");
        }
    }
    EXPECT_EQ(Murkmoot::DIALECT.endingLead, "\xE2\x80\x94 ");
    EXPECT_EQ(GoblinData::allGoblins[GoblinData::FUNGUS_JIM_ROW].name, "Fungus Jim");

    const GoblinTypes::OracleResult result;
    EXPECT_TRUE(result.council.empty() && result.votes.empty() && result.finalVerdict.empty());
    EXPECT_FALSE(result.overridden);
    EXPECT_FALSE(GoblinTypes::OverrideResult{}.triggered);
}

TEST(GoblinLore, RowsAreChosenByTheUnsignedReadingOfTheValue) {
    EXPECT_EQ(OracleCouncil::tableRow(-1, 6), 3U);
    EXPECT_EQ(OracleCouncil::tableRow(-1, 42), 15U);
    EXPECT_EQ(OracleCouncil::tableRow(-1, 34), 17U);
    EXPECT_EQ(OracleCouncil::tableRow(-1, 25), 15U);
    EXPECT_EQ(OracleCouncil::tableRow(-1, 5), 0U);
    EXPECT_EQ(OracleCouncil::tableRow(1234, 42), 16U);
    EXPECT_EQ(OracleCouncil::tableRow(-2147483647 - 1, 10), 8U); // 2^64 - 2^31 ends in 8
}

class CouncilSummoning : public OracleFixture {};

TEST_F(CouncilSummoning, TakesEachMemberFromWhoIsLeftInRosterOrder) {
    MurkmootWorkflow oracle;
    writePool({0, 0, 0, 0, 0});
    EXPECT_EQ(names(oracle.summonCouncil(5)),
              (std::vector<std::string>{"Squat Goblin", "Grizzle", "Whisperfang", "Bogwort", "Picklesnout"}));
    writePool({20, 21, 22, 23, 24});
    EXPECT_EQ(names(oracle.summonCouncil(5)),
              (std::vector<std::string>{"Pudding Brain", "Cofflegrim", "Moonfungus", "Crackletongue", "Oozebeard"}));
    writePool({25, 25, 25, 25, 25});
    EXPECT_EQ(names(oracle.summonCouncil(5)),
              (std::vector<std::string>{"Squat Goblin", "Whisperfang", "Picklesnout", "Sootsnout", "Mirefang"}));
    EXPECT_EQ(poolText(), "");

    // Fungus Jim speaks each program's own words.
    writePool({7});
    EXPECT_EQ(oracle.summonCouncil(1)[0].description, "insists he is not a goblin, just damp.");
    Murkmoot cli;
    writePool({7});
    EXPECT_EQ(cli.summonCouncil(1)[0].description,
              "insists he\u2019s \u2018not a goblin, just damp.\u2019");

    writePool({1, 2});
    EXPECT_THROW(oracle.summonCouncil(3), std::runtime_error);
    EXPECT_EQ(poolText(), "") << "values drawn before the failure stay consumed";
}

TEST_F(CouncilSummoning, AVoteIsComposedFromOneDraw) {
    const GoblinProfile grizzle{"Grizzle", "smells like smoke and wet rope."};
    MurkmootWorkflow windowed;
    Murkmoot cli;
    writePool({9});
    GoblinVote vote = windowed.goblinVote(grizzle);
    EXPECT_EQ(vote.voteText, "Grizzle (9)  smells like smoke and wet rope.  barks: \"Absolutely  carved "
                             "into damp stone long ago.\"");
    EXPECT_EQ(vote.core, "Absolutely");
    EXPECT_EQ(vote.entropyValue, 9);
    EXPECT_EQ(vote.goblinName, "Grizzle");
    EXPECT_EQ(vote.goblinDescription, "smells like smoke and wet rope.");

    writePool({9});
    vote = cli.goblinVote(grizzle);
    EXPECT_EQ(vote.voteText, "Grizzle (9)\n\u21B3 smells like smoke and wet rope.\n\u21B3 barks: "
                             "\"Absolutely \u2014 carved into damp stone long ago.\"");

    writePool({-1});
    vote = windowed.goblinVote(grizzle);
    EXPECT_EQ(vote.voteText, "Grizzle (-1)  smells like smoke and wet rope.  mumbles: \"Absolutely  "
                             "Squat Goblin already forbade it.\"");
    writePool({1234});
    vote = cli.goblinVote(grizzle);
    EXPECT_EQ(vote.core, "Perhaps");
    EXPECT_NE(vote.voteText.find("howls: \"Perhaps \u2014 written on the underside of a toadstool.\""),
              std::string::npos);
}

TEST_F(CouncilSummoning, TheWindowedOracleRemembersVoteDraws) {
    MurkmootWorkflow oracle;
    EXPECT_FALSE(oracle.getEntropyHistory());
    writePool({5, 6});
    oracle.goblinVote({"A", "a."});
    oracle.goblinVote({"B", "b."});
    ASSERT_TRUE(oracle.getEntropyHistory());
    EXPECT_EQ(oracle.getEntropyHistory()->getHistory(), (std::vector<int>{6, 5}));
}

TEST(Consensus, MostFrequentAnswerWithTiesToTheFirstVisited) {
    using V = std::vector<std::string>;
    EXPECT_EQ(OracleCouncil::consensus(votesFor(V{"Yes", "No", "No", "Yes", "Perhaps"})), "No");
    EXPECT_EQ(OracleCouncil::consensus(votesFor(V{"Absolutely", "Perhaps", "Yes", "Perhaps", "Yes"})), "Perhaps");
    EXPECT_EQ(OracleCouncil::consensus(votesFor(V{"Yes", "No", "Unlikely", "Absolutely", "Perhaps"})), "Perhaps");
    EXPECT_EQ(OracleCouncil::consensus(votesFor(V{"Yes", "No", "Unlikely", "Perhaps", "Absolutely"})), "Perhaps");
    EXPECT_EQ(OracleCouncil::consensus(votesFor(V{"No", "No", "Yes", "Yes", "Yes"})), "Yes");
    EXPECT_EQ(OracleCouncil::consensus(votesFor(V{"Absolutely", "Perhaps", "Perhaps", "Absolutely", "Yes"})),
              "Perhaps");
    EXPECT_EQ(OracleCouncil::consensus({}), "");
}

// Ties were always settled by the iteration order of the standard string-keyed hash map. Compare
// every possible council of five against that map, which is how the answers were first counted.
TEST(Consensus, AgreesWithTheHashMapOrderForEveryCouncil) {
    const auto& cores = GoblinData::cores;
    for (int code = 0; code < 6 * 6 * 6 * 6 * 6; ++code) {
        std::vector<std::string> answers;
        for (int seat = 0, rest = code; seat < 5; ++seat, rest /= 6) {
            answers.emplace_back(cores[static_cast<std::size_t>(rest % 6)]);
        }
        std::unordered_map<std::string, int> counts;
        for (const std::string& answer : answers) {
            ++counts[answer];
        }
        std::string expected;
        int best = 0;
        for (const auto& [word, count] : counts) {
            if (count > best) {
                best = count;
                expected = word;
            }
        }
        ASSERT_EQ(OracleCouncil::consensus(votesFor(answers)), expected)
            << answers[0] << "," << answers[1] << "," << answers[2] << "," << answers[3] << "," << answers[4];
    }
}

class Endings : public OracleFixture {};

TEST_F(Endings, ProphecyVerdictAndOverrideInEachProgramsWords) {
    MurkmootWorkflow windowed;
    Murkmoot cli;
    writePool({4});
    EXPECT_EQ(windowed.finalProphecy("Yes"), "Yes  as Pudding Brain hums beneath the earth.");
    writePool({4});
    EXPECT_EQ(cli.finalProphecy("Yes"), "Yes \u2014 as Pudding Brain hums beneath the earth.");
    writePool({13});
    EXPECT_EQ(windowed.finalProphecy("No"), "No  whispered thrice in the dripping dark.");
    writePool({13});
    EXPECT_EQ(windowed.finalVerdict("No"), "No  until the moon cracks and spills its silver.");

    struct Case {
        OracleCouncil* oracle;
        int value;
        bool triggers;
    };
    for (const Case& c : {Case{&windowed, 0, true}, Case{&windowed, -10, true}, Case{&windowed, 30, true},
                          Case{&windowed, 5, false}, Case{&windowed, 11, false}, Case{&cli, 0, true},
                          Case{&cli, -100, true}, Case{&cli, 300, true}, Case{&cli, 10, false},
                          Case{&cli, 30, false}, Case{&cli, 150, false}}) {
        writePool({99, c.value});
        const GoblinTypes::OverrideResult result = c.oracle->puddingBrainOverrideLogic("Yes");
        EXPECT_EQ(result.triggered, c.triggers) << c.value;
        EXPECT_EQ(poolText(), c.triggers ? "" : "99\n") << c.value;
        EXPECT_EQ(result.message.empty(), !c.triggers);
    }
    writePool({7, 0});
    EXPECT_EQ(windowed.puddingBrainOverrideLogic("").message, "TRUTH: etched across the silence of stars.");
    writePool({-1, 0});
    EXPECT_EQ(cli.puddingBrainOverrideLogic("").message, "RESONANCE \u2014 the hum drowns all dissent.");
    writePool({0});
    EXPECT_THROW(windowed.puddingBrainOverrideLogic(""), std::runtime_error)
        << "a triggered override with nothing left to draw fails";
}
