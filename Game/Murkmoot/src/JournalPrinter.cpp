#include "JournalPrinter.h"

#include <ostream>

namespace {

// The journal is a file anyone with the player's rights can edit: control characters in it must
// not reach the terminal as escape sequences.
std::string printable(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        result += byte < 0x20 || byte == 0x7f ? '?' : c;
    }
    return result;
}

} // namespace

std::string JournalPrinter::format(const std::vector<JournalEntry>& entries) {
    if (entries.empty()) {
        return EMPTY;
    }
    std::string text;
    for (const JournalEntry& entry : entries) {
        if (!text.empty()) {
            text += "\n";
        }
        text += printable(entry.time);
        if (!entry.program.empty()) {
            text += "  " + printable(entry.program);
        }
        text += "\nQuestion:  " + (entry.question.empty() ? std::string("(none asked)") : printable(entry.question));
        text += "\nConsensus: " + printable(entry.consensus);
        text += "\nVerdict:   " + printable(entry.verdict);
        if (entry.overrideLine) {
            text += "\nOverride:  " + printable(*entry.overrideLine);
        }
        text += "\n";
    }
    return text;
}

std::string JournalPrinter::skippedWarning(std::size_t skippedLines, const std::filesystem::path& journal) {
    if (skippedLines == 0) {
        return "";
    }
    return "Warning: skipped " + std::to_string(skippedLines) + (skippedLines == 1 ? " line" : " lines") +
           " of the journal " + journal.string() + " that " + (skippedLines == 1 ? "is" : "are") +
           " not a consultation.\n";
}

int JournalPrinter::show(const Journal& journal, std::size_t count, std::ostream& out, std::ostream& err) {
    Journal::Reading reading;
    try {
        reading = journal.readLast(count);
    } catch (const Journal::Error& error) {
        err << error.what() << std::endl;
        return 1;
    }
    err << skippedWarning(reading.skippedLines, journal.getPath()) << std::flush;
    out << format(reading.entries) << std::flush;
    return 0;
}
