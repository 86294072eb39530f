#pragma once
// Whole-character steps through UTF-8 text, so the typing effect and Backspace never split a
// character. Malformed bytes count as one character each.

#include <cstddef>
#include <string>

// Length in bytes of the character starting at offset (0 at or past the end).
std::size_t utf8CharLength(const std::string& text, std::size_t offset);
// Removes the last character, if any.
void utf8PopBack(std::string& text);
