#pragma once
// One completed consultation as the player's journal keeps it: one JSON object on one line.

#include "GoblinTypes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JournalEntry {
    struct Vote {
        std::string member;
        std::int32_t value = 0; // the pool value drawn for this vote
        std::string answer;
        bool operator==(const Vote&) const = default;
    };

    std::string time;    // local time, ISO 8601 with its offset
    std::string program; // "Murkmoot" or "MurkmootCli"
    std::string question;
    std::vector<std::string> council; // member names in summoning order
    std::vector<Vote> votes;
    std::string prophecy;
    std::string verdict;                 // the final word, the override's line when overridden
    std::optional<std::string> overrideLine; // absent unless Pudding Brain overrode the council
    std::string consensus;

    bool operator==(const JournalEntry&) const = default;

    static JournalEntry fromResult(const GoblinTypes::OracleResult& result, const std::string& question,
                                   const std::string& program, std::chrono::system_clock::time_point when);
    // `when` in the local time zone, e.g. "2026-12-08T10:15:03+01:00".
    static std::string localTime(std::chrono::system_clock::time_point when);

    // The entry as one JSON line, '\n' included. Text that is not UTF-8 is written with
    // replacement characters rather than refused: a question is never worth losing an entry.
    std::string toLine() const;
    // The entry on `line` (with or without its '\n'), or nothing when the line is not one:
    // not JSON, not an object, or missing the time, question, consensus or verdict.
    static std::optional<JournalEntry> parse(std::string_view line);
};
