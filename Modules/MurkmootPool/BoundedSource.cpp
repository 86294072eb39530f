#include "BoundedSource.h"

#include "ImportRefusal.h"

#include <string_view>

namespace PoolImport {

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

} // namespace

BoundedSource::BoundedSource(const Read& readBytes, const std::string& originName, std::size_t most, bool rawBytes)
    : read(readBytes), origin(originName), mostBytes(most), buffer(PIECE_SIZE), raw(rawBytes) {}

std::span<char> BoundedSource::next() {
    const std::size_t length = ended ? 0 : read(buffer.data(), buffer.size());
    ended = length == 0;
    total += length;
    if (total > mostBytes) {
        throw Refusal(origin, "longer than " + std::to_string(mostBytes) +
                                  " bytes, the most one add reads; the pool is unchanged");
    }
    if (!raw && total - totalAtLastFind > MOST_BYTES_WITHOUT_VALUE) {
        throw Refusal(origin, "more than " + std::to_string(MOST_BYTES_WITHOUT_VALUE) +
                                  " bytes without a value; the pool is unchanged");
    }
    if (text) {
        text->feed({buffer.data(), length});
        if (ended) {
            text->finish();
        }
    }
    return {buffer.data(), length};
}

void BoundedSource::found(std::size_t count) {
    if (count != foundCount) {
        foundCount = count;
        totalAtLastFind = total;
    }
}

BoundedSource::Detected BoundedSource::detect() {
    Detected detected;
    std::size_t seen = 0; // bytes looked at; a byte order mark may come first, in any pieces
    for (std::span<char> piece = next(); !piece.empty(); piece = next()) {
        for (std::size_t at = 0; at < piece.size(); ++at, ++seen) {
            const char c = piece[at];
            if (seen < BYTE_ORDER_MARK.size() && c == BYTE_ORDER_MARK[seen]) {
                continue; // a broken mark is not text, and a pool reader separator anyway
            }
            seen = BYTE_ORDER_MARK.size();
            if (c == '\n') {
                ++detected.lineFeeds;
            } else if (c == '[' && !detected.bracket) {
                detected.bracket = true;
            } else if (c != ' ' && c != '\t' && c != '\r') {
                detected.format = c == '{' ? Format::QRNG_JSON : Format::TEXT;
                detected.rest = piece.subspan(at);
                return detected;
            }
        }
    }
    return detected;
}

} // namespace PoolImport
