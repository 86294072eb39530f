#pragma once
// The journal as a player reads it in a terminal: one short block per consultation.

#include "Journal.h"
#include "JournalEntry.h"

#include <cstddef>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

class JournalPrinter {
public:
    static constexpr const char* EMPTY = "No consultations in the journal yet.\n";

    // Each entry as a block (time and program, question, consensus, verdict, and the override
    // when there was one), in the order given, blocks separated by a blank line; EMPTY when
    // there are none.
    static std::string format(const std::vector<JournalEntry>& entries);

    // Prints the last `count` entries of `journal` on `out`, with the skipped-lines warning or
    // the reason it cannot be read on `err`. Draws nothing and logs nothing. Returns the exit
    // status: 0, or 1 when the journal cannot be read.
    static int show(const Journal& journal, std::size_t count, std::ostream& out, std::ostream& err);

    // The one warning for lines that were skipped while reading `journal`; "" when none were.
    static std::string skippedWarning(std::size_t skippedLines, const std::filesystem::path& journal);
};
