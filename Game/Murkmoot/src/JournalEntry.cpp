#include "JournalEntry.h"

#include <nlohmann/json.hpp>

#include <ctime>

namespace {

using nlohmann::json;

// The string at `key`, or `fallback` when missing or not a string.
std::string text(const json& object, const char* key, const std::string& fallback = "") {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : fallback;
}

} // namespace

JournalEntry JournalEntry::fromResult(const GoblinTypes::OracleResult& result, const std::string& question,
                                      const std::string& program, std::chrono::system_clock::time_point when) {
    JournalEntry entry;
    entry.time = localTime(when);
    entry.program = program;
    entry.question = question;
    // The council's lines carry each member's description too; the votes name them alone, in
    // the same order.
    for (const GoblinTypes::GoblinVote& vote : result.votes) {
        entry.council.push_back(vote.goblinName);
        entry.votes.push_back({vote.goblinName, vote.entropyValue, vote.core});
    }
    entry.prophecy = result.prophecy;
    entry.verdict = result.finalVerdict;
    if (result.overridden) {
        entry.overrideLine = result.overrideMessage;
    }
    entry.consensus = result.consensusCore;
    return entry;
}

std::string JournalEntry::localTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[40];
    if (std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S%z", &local) == 0) {
        return "";
    }
    // strftime gives the offset as +hhmm; ISO 8601's extended form wants +hh:mm.
    std::string result(stamp);
    if (result.size() >= 5) {
        result.insert(result.size() - 2, ":");
    }
    return result;
}

std::string JournalEntry::toLine() const {
    // In the order a reader looks for them, time first.
    using ordered = nlohmann::ordered_json;
    ordered votesJson = ordered::array();
    for (const Vote& vote : votes) {
        votesJson.push_back({{"member", vote.member}, {"value", vote.value}, {"answer", vote.answer}});
    }
    const ordered object = {{"time", time},
                            {"program", program},
                            {"question", question},
                            {"council", council},
                            {"votes", votesJson},
                            {"prophecy", prophecy},
                            {"verdict", verdict},
                            {"override", overrideLine ? ordered(*overrideLine) : ordered(nullptr)},
                            {"consensus", consensus}};
    return object.dump(-1, ' ', false, ordered::error_handler_t::replace) + "\n";
}

std::optional<JournalEntry> JournalEntry::parse(std::string_view line) {
    const json object = json::parse(line.begin(), line.end(), nullptr, false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    for (const char* key : {"time", "question", "consensus", "verdict"}) {
        const auto found = object.find(key);
        if (found == object.end() || !found->is_string()) {
            return std::nullopt;
        }
    }
    JournalEntry entry;
    entry.time = text(object, "time");
    entry.program = text(object, "program");
    entry.question = text(object, "question");
    entry.prophecy = text(object, "prophecy");
    entry.verdict = text(object, "verdict");
    entry.consensus = text(object, "consensus");
    if (const auto found = object.find("override"); found != object.end() && found->is_string()) {
        entry.overrideLine = found->get<std::string>();
    }
    // Members and votes are kept where they are well formed; a stray one is left out.
    if (const auto found = object.find("council"); found != object.end() && found->is_array()) {
        for (const json& member : *found) {
            if (member.is_string()) {
                entry.council.push_back(member.get<std::string>());
            }
        }
    }
    if (const auto found = object.find("votes"); found != object.end() && found->is_array()) {
        for (const json& vote : *found) {
            const auto value = vote.is_object() ? vote.find("value") : vote.end();
            if (vote.is_object() && value != vote.end() && value->is_number_integer()) {
                entry.votes.push_back({text(vote, "member"), value->get<std::int32_t>(), text(vote, "answer")});
            }
        }
    }
    return entry;
}
