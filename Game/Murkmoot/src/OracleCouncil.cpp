#include "OracleCouncil.h"

#include "GoblinData.h"

#include <algorithm>
#include <cstdint>
#include <list>
#include <ostream>
#include <unordered_map>

using GoblinTypes::GoblinProfile;
using GoblinTypes::GoblinVote;
using GoblinTypes::OracleResult;
using GoblinTypes::OverrideResult;

namespace {
OracleCouncil::Witness& witness() {
    static OracleCouncil::Witness told;
    return told;
}
} // namespace

void OracleCouncil::setWitness(Witness told) { witness() = std::move(told); }

OracleCouncil::OracleCouncil(const OracleDialect& dialectTable, std::string path, std::ostream& stream)
    : dialect(dialectTable), pool(std::move(path)), out(stream) {}

std::size_t OracleCouncil::tableRow(int value, std::size_t rowCount) {
    return static_cast<std::size_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)) %
                                    rowCount);
}

int OracleCouncil::draw() { return pool.draw(); }

std::string OracleCouncil::ending(std::string_view row) const {
    return std::string(dialect.endingLead) + std::string(row.substr(1));
}

GoblinProfile OracleCouncil::member(std::size_t row) const {
    GoblinProfile profile = GoblinData::allGoblins[row];
    if (row == GoblinData::FUNGUS_JIM_ROW) {
        profile.description = dialect.fungusJimDescription;
    }
    return profile;
}

std::vector<GoblinProfile> OracleCouncil::summonCouncil(int count) {
    std::vector<GoblinProfile> remaining;
    for (std::size_t row = 0; row < GoblinData::allGoblins.size(); ++row) {
        remaining.push_back(member(row));
    }
    std::vector<GoblinProfile> council;
    for (int seat = 0; seat < count; ++seat) {
        const std::size_t row = tableRow(draw(), remaining.size());
        council.push_back(remaining[row]);
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(row));
    }
    return council;
}

GoblinVote OracleCouncil::goblinVote(const GoblinProfile& profile) {
    const int value = draw();
    onVoteDrawn(value);
    const std::string_view voice = GoblinData::prefixes[tableRow(value, GoblinData::prefixes.size())];
    const std::string_view answer = GoblinData::cores[tableRow(value, GoblinData::cores.size())];
    const std::string_view endingRow = GoblinData::suffixes[tableRow(value, GoblinData::suffixes.size())];

    GoblinVote vote;
    vote.goblinName = profile.name;
    vote.goblinDescription = profile.description;
    vote.entropyValue = value;
    vote.core = answer;
    vote.voteText = profile.name + " (" + std::to_string(value) + std::string(dialect.voteAfterValue) +
                    profile.description + std::string(dialect.voteAfterDescription) +
                    std::string(voice) + ": \"" + std::string(answer) + " " + ending(endingRow) + "\"";
    return vote;
}

// Answers are visited newest first, except that "Yes" and "Absolutely" stay together at the place
// of whichever came first, the later one just in front of it. This is the iteration order of the
// string-keyed hash map the answers were first counted with, kept so that ties resolve as they
// always have.
std::string OracleCouncil::consensus(const std::vector<GoblinVote>& votes) {
    std::unordered_map<std::string, int> counts;
    std::list<std::string> visitingOrder;
    for (const GoblinVote& vote : votes) {
        if (counts[vote.core]++ > 0) {
            continue;
        }
        const char* partner = vote.core == "Yes" ? "Absolutely" : vote.core == "Absolutely" ? "Yes" : nullptr;
        const auto partnerPlace = partner == nullptr
                                      ? visitingOrder.end()
                                      : std::find(visitingOrder.begin(), visitingOrder.end(), partner);
        visitingOrder.insert(partnerPlace != visitingOrder.end() ? partnerPlace : visitingOrder.begin(),
                             vote.core);
    }
    std::string result;
    int bestCount = 0;
    for (const std::string& word : visitingOrder) {
        if (counts[word] > bestCount) {
            bestCount = counts[word];
            result = word;
        }
    }
    return result;
}

std::string OracleCouncil::finalProphecy(const std::string& consensusWord) {
    const int value = draw();
    return consensusWord + " " +
           ending(GoblinData::consensusSuffixes[tableRow(value, GoblinData::consensusSuffixes.size())]);
}

std::string OracleCouncil::finalVerdict(const std::string& consensusWord) {
    const int value = draw();
    return consensusWord + " " +
           ending(GoblinData::finalSuffixes[tableRow(value, GoblinData::finalSuffixes.size())]);
}

OverrideResult OracleCouncil::puddingBrainOverrideLogic(const std::string& /*consensusWord*/) {
    OverrideResult result;
    if (draw() % dialect.overrideDivisor != 0) {
        return result;
    }
    const GoblinData::OverrideLine& line =
        GoblinData::overrideLines[tableRow(draw(), GoblinData::overrideLines.size())];
    result.triggered = true;
    result.message = std::string(line.word) + std::string(dialect.overrideSeparator) + std::string(line.text);
    return result;
}

OracleResult OracleCouncil::consult() {
    // The pool is kept from the size check to the last summoning draw, and again from the first
    // vote to the override, but not while the terminal waits for its question. Each hold ends
    // with its draws on disk, before the roster or the report shows them.
    PoolFile::Hold summoning = pool.hold();
    onPoolLoaded(pool.inspect().count);
    const std::vector<GoblinProfile> council = summonCouncil(COUNCIL_SIZE);
    summoning.release();
    out << "\n🧌 The goblin council assembles...\n"
        << "📜 Council Roster:\n";
    for (const GoblinProfile& profile : council) {
        out << "- " << profile.name << " (" << profile.description << ")\n";
    }
    onRosterShown(pool.lastCount());

    PoolFile::Hold voting = pool.hold();
    onVotingHeld();
    std::vector<GoblinVote> votes;
    for (const GoblinProfile& profile : council) {
        votes.push_back(goblinVote(profile));
    }
    const std::string word = consensus(votes);
    const std::string prophecy = finalProphecy(word);
    const std::string verdict = finalVerdict(word);
    const OverrideResult override = puddingBrainOverrideLogic(word);
    voting.release();

    OracleResult result;
    for (const GoblinProfile& profile : council) {
        result.council.push_back(profile.name + std::string(dialect.councilSeparator) + profile.description);
    }
    result.votes = votes;
    result.consensusCore = word;
    result.prophecy = prophecy;
    result.overridden = override.triggered;
    result.overrideMessage = override.message;
    result.finalVerdict = override.triggered ? override.message : verdict;

    for (const GoblinVote& vote : votes) {
        out << "\n🧌 " << vote.goblinName << " votes:\n" << vote.voteText << "\n";
    }
    if (result.overridden) {
        out << "\n🔮 The council has spoken... but Puddingbrain overrides! ⚠️\n"
            << "Pudding Brain says little but hums in resonance...\n\n"
            << "Final Verdict: " << result.overrideMessage << "\n";
    } else {
        out << "\n🔮 The Murkmoot has spoken:\n"
            << "Consensus Core: " << result.consensusCore << "\n"
            << "Prophecy: " << result.prophecy << "\n"
            << "Final Verdict: " << result.finalVerdict << "\n";
    }
    out.flush();
    if (witness()) {
        witness()(result, askedQuestion());
    }
    return result;
}
