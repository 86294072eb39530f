#pragma once
// The plain records one consultation produces. Strings hold UTF-8.

#include <cstdint>
#include <string>
#include <vector>

namespace GoblinTypes {

// One roster entry.
struct GoblinProfile {
    std::string name;
    std::string description; // lower-case start, ends with a full stop
};

// One member's vote; only `core` counts towards the consensus.
struct GoblinVote {
    std::string goblinName;
    std::string goblinDescription;
    std::int32_t entropyValue = 0; // the pool value drawn for this vote
    std::string voteText;
    std::string core;
};

struct OverrideResult {
    bool triggered = false;
    std::string message; // empty unless triggered
};

struct OracleResult {
    std::vector<std::string> council; // one line per member, in summoning order
    std::vector<GoblinVote> votes;    // same order as council
    std::string consensusCore;
    std::string prophecy;
    std::string finalVerdict; // the override line when overridden, else the verdict line
    bool overridden = false;
    std::string overrideMessage;
};

} // namespace GoblinTypes
