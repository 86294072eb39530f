#pragma once
// The texts in which the two programs differ. Each program holds one table of this kind; the
// consultation itself is the same code for both.

#include <string_view>

struct OracleDialect {
    // Roster row 7's description.
    std::string_view fungusJimDescription;
    // Replaces the single leading space of every ending row (vote, prophecy, verdict endings).
    std::string_view endingLead;
    // Between an override line's leading word and its text.
    std::string_view overrideSeparator;
    // Between a member's name and description in the result's council lines.
    std::string_view councilSeparator;
    // A vote reads: name " (" value afterValue description afterDescription voice ": \"" ...
    std::string_view voteAfterValue;
    std::string_view voteAfterDescription;
    // Pudding Brain overrides when the drawn value is a multiple of this.
    int overrideDivisor = 10;
};
