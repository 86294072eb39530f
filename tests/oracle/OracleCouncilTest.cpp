#include "GoblinData.h"
#include "Murkmoot.h"
#include "MurkmootWorkflow.h"
#include "OracleFixture.h"
#include "PoolFile.h"

#include <optional>
#include <sstream>
#include <tuple>
#include <unordered_map>

class Council : public OracleFixture {};

TEST_F(Council, MembersAreTakenFromWhoIsLeftAndFungusJimSpeaksEachProgramsWords) {
    MurkmootWorkflow windowed;
    Murkmoot cli;
    writePool({25, 25, 25, 25, 25});
    std::vector<std::string> names;
    for (const GoblinTypes::GoblinProfile& profile : windowed.summonCouncil(5)) {
        names.push_back(profile.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Squat Goblin", "Whisperfang", "Picklesnout", "Sootsnout", "Mirefang"}));
    writePool({7, 7});
    EXPECT_EQ(windowed.summonCouncil(1)[0].description, "insists he is not a goblin, just damp.");
    EXPECT_EQ(cli.summonCouncil(1)[0].description, "insists he\u2019s \u2018not a goblin, just damp.\u2019");
}

// Ties were always settled by the iteration order of the standard string-keyed hash map. Compare
// every possible council of five against that map, which is how the answers were first counted.
TEST(Consensus, AgreesWithTheHashMapOrderForEveryCouncil) {
    for (std::size_t code = 0; code < 6 * 6 * 6 * 6 * 6; ++code) {
        std::vector<GoblinTypes::GoblinVote> votes(5);
        std::unordered_map<std::string, int> counts;
        for (std::size_t seat = 0, rest = code; seat < 5; ++seat, rest /= 6) {
            votes[seat].core = GoblinData::cores[rest % 6];
            ++counts[votes[seat].core];
        }
        std::string expected;
        int best = 0;
        for (const auto& [word, count] : counts) {
            if (count > best) {
                best = count;
                expected = word;
            }
        }
        ASSERT_EQ(OracleCouncil::consensus(votes), expected) << "council number " << code;
    }
}

TEST_F(Council, PuddingBrainOverridesOnMultiplesOfEachProgramsDivisor) {
    MurkmootWorkflow windowed;
    Murkmoot cli;
    for (const auto& [oracle, value, triggers] : std::vector<std::tuple<OracleCouncil*, int, bool>>{
             {&windowed, 0, true}, {&windowed, -10, true}, {&windowed, 30, true}, {&windowed, 5, false},
             {&windowed, 11, false}, {&cli, 0, true}, {&cli, -100, true}, {&cli, 300, true}, {&cli, 10, false},
             {&cli, 30, false}, {&cli, 150, false}}) {
        writePool({99, value});
        const GoblinTypes::OverrideResult result = oracle->puddingBrainOverrideLogic("Yes");
        EXPECT_EQ(result.triggered, triggers) << value;
        EXPECT_EQ(poolText(), triggers ? "" : "99\n") << value << ": a triggered override draws its line";
        EXPECT_EQ(result.message.empty(), !triggers) << value;
    }
    writePool({-1, 0});
    EXPECT_EQ(cli.puddingBrainOverrideLogic("").message, "RESONANCE \u2014 the hum drowns all dissent.");
}

// The terminal lets the pool go before its report shows: others may draw while the player reads.
TEST_F(Council, TheTerminalLetsThePoolGoBeforeItsReportShows) {
    writePool({8, 5, 7, 13, 13, -1, 1234, 42, 16, 9, 20, 12, 0, 7, 3});
    std::istringstream in("q\n");
    std::ostringstream out;
    Murkmoot cli(in, out, POOL);
    std::optional<bool> freeAtReport;
    OracleCouncil::setWitness([&](const GoblinTypes::OracleResult&, const std::string&) {
        freeAtReport = PoolFile(POOL).tryHold().has_value();
    });
    cli.runOracle();
    OracleCouncil::setWitness(nullptr);
    EXPECT_EQ(freeAtReport, std::optional<bool>(true));
}
