#include "TextCheck.h"

#include "ImportRefusal.h"

namespace PoolImport {

namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

} // namespace

void TextCheck::feed(std::string_view piece) {
    for (const char byte : piece) {
        const auto c = static_cast<unsigned char>(byte);
        if (following > 0) {
            if (!isContinuation(c)) {
                refuse();
            }
            --following;
        } else if (c < 0x80) {
            const bool space = c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
            if ((c < 0x20 && !space) || c == 0x7F) {
                refuse();
            }
        } else if (c >= 0xC2 && c <= 0xDF) {
            following = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            following = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            following = 3;
        } else {
            refuse();
        }
    }
}

void TextCheck::finish() const {
    if (following != 0) {
        refuse();
    }
}

void TextCheck::refuse() const {
    throw Refusal(origin, "holds bytes that are not text; to add them as raw bytes use --format bytes");
}

} // namespace PoolImport
