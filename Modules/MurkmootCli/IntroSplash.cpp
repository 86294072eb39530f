#include "IntroSplash.h"

#include <array>
#include <string>
#include <string_view>

namespace {
// Box lines hold plain ASCII, so bytes and columns agree.
constexpr std::array<std::string_view, 5> BOX_LINES = {
    "Welcome to Murkmoot",
    "Five goblins, one question,",
    "and a pool of numbers that never lies.",
    "Entropy drawn once, never twice.",
    "Murkmoot 1.0 - a damp cave production",
};

std::string boxLine(std::string_view text) {
    const std::size_t interior = BANNER_WIDTH - 2;
    const std::size_t left = (interior - text.size()) / 2;
    const std::size_t right = interior - text.size() - left;
    return "|" + std::string(left, ' ') + std::string(text) + std::string(right, ' ') + "|\n";
}
} // namespace

void introSplash(std::ostream& out) {
    const std::string border(BANNER_WIDTH, '-');
    std::string banner = "\n" + border + "\n";
    for (const std::string_view text : BOX_LINES) {
        banner += boxLine(text);
    }
    banner += border + "\n";
    out << banner << std::flush;
}
