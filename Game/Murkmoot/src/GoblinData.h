#pragma once
// The fixed roster and word tables. Every choice takes a pool value modulo a table's length, so
// the lengths are part of the behaviour: a row more or less changes every answer.
//
// The ending tables hold the windowed program's rows, each starting with one space; a program
// that dresses endings differently swaps that space for its own lead (see OracleDialect).

#include "GoblinTypes.h"

#include <array>
#include <string_view>
#include <vector>

namespace GoblinData {

extern const std::vector<GoblinTypes::GoblinProfile> allGoblins; // 25 members
extern const std::vector<std::string_view> prefixes;             // 42 voices
extern const std::vector<std::string_view> cores;                // 6 answer words
extern const std::vector<std::string_view> suffixes;             // 34 vote endings
extern const std::vector<std::string_view> consensusSuffixes;    // 10 prophecy endings
extern const std::vector<std::string_view> finalSuffixes;        // 12 verdict endings

// Pudding Brain's override lines: a leading word and the line's text, joined by each program's
// own separator.
struct OverrideLine {
    std::string_view word;
    std::string_view text;
};
extern const std::array<OverrideLine, 5> overrideLines;

// The roster row whose description differs between the two programs ("Fungus Jim").
inline constexpr std::size_t FUNGUS_JIM_ROW = 7;

} // namespace GoblinData
