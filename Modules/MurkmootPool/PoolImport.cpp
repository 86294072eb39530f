#include "PoolImport.h"

#include "BoundedSource.h"
#include "ByteValues.h"
#include "PoolReader.h"
#include "QrngReader.h"

#include <algorithm>
#include <span>
#include <stdexcept>

namespace PoolImport {

namespace {

// Text, read with the pool's own reader.
Imported readText(BoundedSource& source, const BoundedSource::Detected& detected, const std::string& origin,
                  std::size_t mostValues) {
    std::vector<int> values;
    PoolReader reader(origin, &values);
    const std::string lineFeeds(std::min(detected.lineFeeds, BoundedSource::PIECE_SIZE), '\n');
    for (std::size_t left = detected.lineFeeds; left > 0; left -= std::min(left, lineFeeds.size())) {
        reader.feed(std::string_view(lineFeeds).substr(0, left));
    }
    const auto feed = [&](std::span<char> piece) {
        reader.feed({piece.data(), piece.size()});
        if (values.size() > mostValues) {
            ByteValues::refuseTooMany(origin, mostValues);
        }
        source.found(values.size());
    };
    feed(detected.rest);
    for (std::span<char> piece = source.next(); !piece.empty(); piece = source.next()) {
        feed(piece);
    }
    reader.finish();
    feed({}); // the last value ends only with the text
    return {std::move(values), 0};
}

} // namespace

std::optional<Format> formatNamed(std::string_view name) {
    if (name == "auto") {
        return Format::AUTO;
    }
    if (name == "text") {
        return Format::TEXT;
    }
    if (name == "bytes") {
        return Format::BYTES;
    }
    if (name == "qrng-json") {
        return Format::QRNG_JSON;
    }
    return std::nullopt;
}

Imported fromBytes(std::string_view bytes) {
    ByteValues out("bytes", UNLIMITED.mostValues);
    out.add(bytes);
    return out.finish();
}

Imported importValues(const Read& read, Format format, const std::string& origin, Limits limits) {
    BoundedSource source(read, origin, limits.mostBytes, format == Format::BYTES);
    BoundedSource::Detected detected;
    detected.format = format;
    if (format == Format::AUTO) {
        source.checkText();
        detected = source.detect();
    }
    switch (detected.format) {
    case Format::TEXT:
        return readText(source, detected, origin, limits.mostValues);
    case Format::QRNG_JSON:
        return readQrngResponses(source, detected, origin, limits.mostValues);
    case Format::BYTES: {
        ByteValues out(origin, limits.mostValues);
        for (std::span<char> piece = source.next(); !piece.empty(); piece = source.next()) {
            out.add({piece.data(), piece.size()});
        }
        return out.finish();
    }
    case Format::AUTO:
        break;
    }
    throw std::logic_error("format not detected");
}

Imported importValues(std::string_view source, Format format, const std::string& origin) {
    std::size_t at = 0;
    const Read read = [&](char* buffer, std::size_t size) {
        const std::size_t length = std::min(size, source.size() - at);
        std::copy_n(source.data() + at, length, buffer);
        at += length;
        return length;
    };
    return importValues(read, format, origin, UNLIMITED);
}

} // namespace PoolImport
