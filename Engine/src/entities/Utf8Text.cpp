#include "entities/Utf8Text.h"

namespace {
bool isContinuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U; }

// Bytes the lead byte announces; a stray continuation or invalid lead counts as one.
std::size_t announcedLength(char lead) {
    const auto byte = static_cast<unsigned char>(lead);
    if (byte < 0x80U) {
        return 1;
    }
    if ((byte & 0xE0U) == 0xC0U) {
        return 2;
    }
    if ((byte & 0xF0U) == 0xE0U) {
        return 3;
    }
    if ((byte & 0xF8U) == 0xF0U) {
        return 4;
    }
    return 1;
}
} // namespace

std::size_t utf8CharLength(const std::string& text, std::size_t offset) {
    if (offset >= text.size()) {
        return 0;
    }
    const std::size_t announced = announcedLength(text[offset]);
    std::size_t length = 1;
    while (length < announced && offset + length < text.size() &&
           isContinuation(text[offset + length])) {
        ++length;
    }
    return length;
}

void utf8PopBack(std::string& text) {
    if (text.empty()) {
        return;
    }
    std::size_t start = text.size() - 1;
    for (int steps = 0; start > 0 && steps < 3 && isContinuation(text[start]); ++steps) {
        --start;
    }
    // Only a well-formed last character goes as a whole; otherwise one stray byte goes.
    if (start + utf8CharLength(text, start) == text.size()) {
        text.erase(start);
    } else {
        text.pop_back();
    }
}
