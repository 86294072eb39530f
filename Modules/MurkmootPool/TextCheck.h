#pragma once
// Refuses, piece by piece, what is not text: printable ASCII, white space and well-formed UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace PoolImport {

class TextCheck {
public:
    explicit TextCheck(const std::string& origin) : origin(origin) {}

    // Throws Refusal at the first byte that is not text.
    void feed(std::string_view piece);
    // Throws Refusal when the text ends inside a character.
    void finish() const;

private:
    [[noreturn]] void refuse() const;

    const std::string& origin;
    std::size_t following = 0; // continuation bytes still due
};

} // namespace PoolImport
