#include "PoolImport.h"

#include "PoolFill.h"
#include "PoolReader.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <istream>
#include <span>
#include <stdexcept>
#include <streambuf>

namespace PoolImport {

namespace {

using nlohmann::json;

constexpr std::size_t VALUE_BYTES = PoolFill::VALUE_BYTES;
constexpr std::size_t MAX_QUOTED_LENGTH = 40; // a value quoted in a message, at most
constexpr std::size_t PIECE_SIZE = 1 << 16;
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
// Text or JSON that goes on this long without a value is no source of values (`yes`, say).
constexpr std::size_t MOST_BYTES_WITHOUT_VALUE = std::size_t{1} << 26;

std::runtime_error refusal(const std::string& origin, const std::string& what) {
    return std::runtime_error(origin + ": " + what);
}

std::string clipped(std::string text) {
    if (text.size() > MAX_QUOTED_LENGTH) {
        text = text.substr(0, MAX_QUOTED_LENGTH) + "...";
    }
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Refuses, piece by piece, what is not text: printable ASCII, white space and well-formed UTF-8.
class TextCheck {
public:
    explicit TextCheck(const std::string& originName) : origin(originName) {}

    void feed(std::string_view piece) {
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

    void finish() const {
        if (following != 0) {
            refuse();
        }
    }

private:
    [[noreturn]] void refuse() const {
        throw refusal(origin, "holds bytes that are not text; to add them as raw bytes use --format bytes");
    }

    const std::string& origin;
    std::size_t following = 0; // continuation bytes still due
};

// The source as a stream of pieces, refused once it runs past the byte limit.
class Source {
public:
    Source(const Read& readBytes, const std::string& originName, std::size_t most, bool rawBytes)
        : read(readBytes), origin(originName), mostBytes(most), buffer(PIECE_SIZE), raw(rawBytes) {}

    // The next piece; empty at the end.
    std::span<char> next() {
        const std::size_t length = ended ? 0 : read(buffer.data(), buffer.size());
        ended = length == 0;
        total += length;
        if (total > mostBytes) {
            throw refusal(origin, "longer than " + std::to_string(mostBytes) +
                                      " bytes, the most one add reads; the pool is unchanged");
        }
        if (!raw && total - totalAtLastFind > MOST_BYTES_WITHOUT_VALUE) {
            throw refusal(origin, "more than " + std::to_string(MOST_BYTES_WITHOUT_VALUE) +
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

    void checkText() { text.emplace(origin); }

    // Says how many values (or data elements) the reader found so far; a source that finds none
    // for MOST_BYTES_WITHOUT_VALUE bytes is refused. Raw bytes never report, and never need to.
    void found(std::size_t count) {
        if (count != foundCount) {
            foundCount = count;
            totalAtLastFind = total;
        }
    }

private:
    const Read& read;
    const std::string& origin;
    std::size_t mostBytes;
    std::vector<char> buffer;
    std::size_t total = 0;
    std::size_t foundCount = 0;
    std::size_t totalAtLastFind = 0;
    bool raw; // every 4 bytes make a value
    bool ended = false;
    std::optional<TextCheck> text;
};

// What the start of a source says it is. The white space before the first telling byte is
// dropped, its line feeds counted so that messages still name the right line.
struct Detected {
    Format format = Format::TEXT;
    std::size_t lineFeeds = 0;
    bool bracket = false;  // a "[" came first
    std::span<char> rest; // the piece from the telling byte on
};

// A JSON object or an array of objects is QRNG_JSON; anything else TEXT.
Detected detect(Source& source) {
    Detected detected;
    std::size_t seen = 0; // bytes looked at; a byte order mark may come first, in any pieces
    for (std::span<char> piece = source.next(); !piece.empty(); piece = source.next()) {
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

// Gathers bytes into values, four at a time, refusing more values than the limit.
class ByteValues {
public:
    ByteValues(const std::string& originName, std::size_t most) : origin(originName), mostValues(most) {}

    void add(std::string_view bytes) {
        for (; carried != 0 && !bytes.empty(); bytes.remove_prefix(1)) {
            addByte(static_cast<unsigned char>(bytes.front()));
        }
        const std::size_t whole = bytes.size() / VALUE_BYTES * VALUE_BYTES;
        const std::vector<int> words = PoolFill::fromBytes(bytes.substr(0, whole));
        values.insert(values.end(), words.begin(), words.end());
        bytes.remove_prefix(whole);
        for (const char byte : bytes) {
            addByte(static_cast<unsigned char>(byte));
        }
        refuseBeyondLimit(0);
    }

    void addByte(unsigned char byte) {
        word |= static_cast<std::uint32_t>(byte) << (8 * carried);
        if (++carried == VALUE_BYTES) {
            values.push_back(static_cast<int>(word));
            word = 0;
            carried = 0;
        }
    }

    // Refuses once what is gathered and `pending` bytes still to come make more values than the
    // limit allows.
    void refuseBeyondLimit(std::size_t pending) const {
        if ((values.size() * VALUE_BYTES + carried + pending) / VALUE_BYTES > mostValues) {
            refuseTooMany(origin, mostValues);
        }
    }

    [[noreturn]] static void refuseTooMany(const std::string& origin, std::size_t mostValues) {
        throw refusal(origin, "holds more than " + std::to_string(mostValues) +
                                  " values, the most one add takes; the pool is unchanged");
    }

    Imported finish() { return {std::move(values), carried}; }

private:
    const std::string& origin;
    std::size_t mostValues;
    std::vector<int> values;
    std::uint32_t word = 0;
    std::size_t carried = 0;
};

Imported readText(Source& source, const Detected& detected, const std::string& origin, std::size_t mostValues) {
    std::vector<int> values;
    PoolReader reader(origin, &values);
    const std::string lineFeeds(std::min(detected.lineFeeds, PIECE_SIZE), '\n');
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

// What the JSON parser reads: the "[" detection took, the rest of its piece, then the source.
class SourceStream : public std::streambuf {
public:
    SourceStream(Source& from, const Detected& detected) : source(from), pending(detected.rest) {
        if (detected.bracket) {
            setg(bracket, bracket, bracket + 1);
        }
    }

protected:
    int_type underflow() override {
        std::span<char> piece = pending.empty() ? source.next() : pending;
        pending = {};
        if (piece.empty()) {
            return traits_type::eof();
        }
        setg(piece.data(), piece.data(), piece.data() + piece.size());
        return traits_type::to_int_type(*gptr());
    }

private:
    Source& source;
    std::span<char> pending;
    char bracket[1] = {'['};
};

std::string quotedString(const std::string& text) {
    return clipped(json(text).dump(-1, ' ', false, json::error_handler_t::replace));
}

// One value as the parser reports it, enough to check it and to quote it in a message.
struct Scalar {
    enum class Kind { WHOLE, NEGATIVE, FLOAT, STRING, OTHER } kind = Kind::OTHER;
    std::uint64_t number = 0;
    const std::string* text = nullptr; // the string, or a fraction's digits as written
    const char* literal = "";          // true, false, null, [...] or {...}

    std::string quoted() const {
        switch (kind) {
        case Kind::WHOLE:
            return std::to_string(number);
        case Kind::NEGATIVE:
            return "-" + std::to_string(number);
        case Kind::FLOAT:
            return clipped(*text);
        case Kind::STRING:
            return quotedString(*text);
        case Kind::OTHER:
            break;
        }
        return literal;
    }
};

// Follows QRNG responses as the parser reads them, holding only the data of the response being
// read (its "type" may come after its "data"), and turns it into bytes when the response ends.
class ResponseReader : public nlohmann::json_sax<json> {
public:
    ResponseReader(const std::string& originName, Source& from, ByteValues& output)
        : origin(originName), source(from), out(output) {}

    bool null() override { return value({.literal = "null"}); }
    bool boolean(bool truth) override { return value({.literal = truth ? "true" : "false"}); }
    bool number_integer(number_integer_t number) override {
        return number >= 0 ? number_unsigned(static_cast<number_unsigned_t>(number)) // "-0"
                           : value({Scalar::Kind::NEGATIVE, static_cast<std::uint64_t>(-(number + 1)) + 1});
    }
    bool number_unsigned(number_unsigned_t number) override { return value({Scalar::Kind::WHOLE, number}); }
    bool number_float(number_float_t, const string_t& digits) override {
        return value({Scalar::Kind::FLOAT, 0, &digits});
    }
    bool string(string_t& text) override { return value({Scalar::Kind::STRING, 0, &text}); }
    bool binary(binary_t&) override { return value({.literal = "binary"}); }

    bool start_object(std::size_t) override {
        if (depth == 0 || (topArray && depth == 1)) {
            begin();
        } else {
            value({.literal = "{...}"});
        }
        return enter();
    }
    bool key(string_t& name) override {
        if (depth == responseDepth()) {
            field = name;
        }
        return true;
    }
    bool end_object() override {
        if (depth-- == responseDepth()) {
            end();
        }
        return true;
    }
    bool start_array(std::size_t) override {
        if (depth == 0) {
            topArray = true;
        } else if (depth == responseDepth() && field == "data") {
            startData(true);
            inData = true;
        } else {
            value({.literal = "[...]"});
        }
        return enter();
    }
    bool end_array() override {
        inData = inData && depth != responseDepth() + 1;
        --depth;
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error) override {
        const std::string what = error.what();
        const std::size_t bracket = what.find("] ");
        throw refusal(origin,
                      "not valid JSON (" + (bracket == std::string::npos ? what : what.substr(bracket + 2)) + ")");
    }

private:
    // The response being read.
    struct Response {
        std::string name;
        std::optional<std::string> success; // quoted, when it is not true
        std::optional<Scalar::Kind> typeKind;
        std::string type;                   // quoted, unless a string
        bool hasData = false;
        bool dataIsArray = false;
        bool direct = false; // the type came first: each element enters as soon as it is checked
        std::size_t elements = 0;
        std::vector<std::uint16_t> numbers; // up to 65535; larger ones are refused anyway
        std::string hexBytes;
        std::string notUint8, notUint16, notHex16; // the first element each type refuses
    };

    std::size_t responseDepth() const { return topArray ? 2 : 1; }

    bool enter() {
        if (++depth > MOST_JSON_DEPTH) {
            throw refusal(origin, "JSON nested more than " + std::to_string(MOST_JSON_DEPTH) +
                                      " levels deep, more than any response needs; the pool is unchanged");
        }
        return true;
    }

    void begin() {
        ++responses;
        response = {};
        response.name = topArray ? "response " + std::to_string(responses) : "the response";
        field.clear();
    }

    enum class DataType { NONE, UINT8, UINT16, HEX16 };

    DataType dataType() const {
        if (response.typeKind != Scalar::Kind::STRING) {
            return DataType::NONE;
        }
        return response.type == "uint8"    ? DataType::UINT8
               : response.type == "uint16" ? DataType::UINT16
               : response.type == "hex16"  ? DataType::HEX16
                                           : DataType::NONE;
    }

    // Which of two values for one key counts is not for us to guess: a real response has one.
    void refuseTwice(bool given, const char* key) const {
        if (given) {
            throw refusal(origin, response.name + ": \"" + key + "\" given twice");
        }
    }

    void startData(bool isArray) {
        refuseTwice(response.hasData, "data");
        response.hasData = true;
        response.dataIsArray = isArray;
        response.direct = isArray && dataType() != DataType::NONE;
    }

    // Refuses the first element the type refuses; otherwise the elements held enter as bytes.
    void emit(DataType type) {
        Response& r = response;
        const std::string& first = type == DataType::UINT8    ? r.notUint8
                                   : type == DataType::UINT16 ? r.notUint16
                                                              : r.notHex16;
        if (!first.empty()) {
            throw refusal(origin, first + (type == DataType::UINT8 ? " is not a uint8 (a whole number from 0 to 255)"
                                           : type == DataType::UINT16
                                               ? " is not a uint16 (a whole number from 0 to 65535)"
                                               : " is not a hex16 block (pairs of hex digits)"));
        }
        for (const std::uint16_t number : r.numbers) {
            out.addByte(static_cast<unsigned char>(number & 0xFF));
            if (type == DataType::UINT16) {
                out.addByte(static_cast<unsigned char>(number >> 8));
            }
        }
        out.add(r.hexBytes);
        r.numbers.clear();
        r.hexBytes.clear();
    }

    bool value(const Scalar& scalar) {
        if (depth == 0) {
            throw refusal(origin, "not a response object or an array of them");
        }
        if (topArray && depth == 1) {
            throw refusal(origin, "response " + std::to_string(responses + 1) + ": not a response object");
        }
        if (inData && depth == responseDepth() + 1) {
            element(scalar);
        } else if (depth == responseDepth()) {
            if (field == "success") {
                response.success = scalar.literal == std::string_view("true") ? std::nullopt
                                                                              : std::optional(scalar.quoted());
            } else if (field == "type") {
                refuseTwice(response.typeKind.has_value(), "type");
                response.typeKind = scalar.kind;
                response.type = scalar.kind == Scalar::Kind::STRING ? *scalar.text : scalar.quoted();
            } else if (field == "data") {
                startData(false);
            }
        }
        return true;
    }

    void element(const Scalar& scalar) {
        const std::size_t index = response.elements++;
        const auto refused = [&](std::string& first) {
            if (first.empty()) {
                first = response.name + ": data[" + std::to_string(index) + "]: " + scalar.quoted();
            }
        };
        if (scalar.kind == Scalar::Kind::WHOLE) {
            if (scalar.number > 0xFF) {
                refused(response.notUint8);
            }
            if (scalar.number > 0xFFFF) {
                refused(response.notUint16);
            }
            response.numbers.push_back(static_cast<std::uint16_t>(std::min<std::uint64_t>(scalar.number, 0xFFFF)));
            refused(response.notHex16);
        } else if (scalar.kind == Scalar::Kind::STRING) {
            const std::string& digits = *scalar.text;
            bool valid = !digits.empty() && digits.size() % 2 == 0;
            for (std::size_t d = 0; valid && d < digits.size(); d += 2) {
                const int high = hexDigit(digits[d]);
                const int low = hexDigit(digits[d + 1]);
                valid = high >= 0 && low >= 0;
                response.hexBytes.push_back(static_cast<char>(high * 16 + low));
            }
            if (!valid) {
                refused(response.notHex16);
            }
            refused(response.notUint8);
            refused(response.notUint16);
        } else {
            refused(response.notUint8);
            refused(response.notUint16);
            refused(response.notHex16);
        }
        if (response.direct) {
            emit(dataType());
        }
        // Whatever its type, a good response yields at least this much.
        out.refuseBeyondLimit(response.numbers.size() + response.hexBytes.size());
        source.found(++elements);
    }

    void end() {
        const Response& r = response;
        if (r.success) {
            throw refusal(origin, r.name + ": \"success\" is " + *r.success);
        }
        if (!r.hasData) {
            throw refusal(origin, r.name + ": no \"data\"");
        }
        if (!r.dataIsArray) {
            throw refusal(origin, r.name + ": \"data\" is not an array");
        }
        if (!r.typeKind) {
            throw refusal(origin, r.name + ": no \"type\" (uint8, uint16 or hex16)");
        }
        const DataType type = dataType();
        if (type == DataType::NONE) {
            const bool isString = r.typeKind == Scalar::Kind::STRING;
            throw refusal(origin, r.name + ": type " + (isString ? quotedString(r.type) : r.type) +
                                      " is not uint8, uint16 or hex16");
        }
        emit(type);
        response = {};
    }

    const std::string& origin;
    Source& source;
    ByteValues& out;
    std::size_t elements = 0; // in every response so far
    std::size_t depth = 0;
    bool topArray = false;
    bool inData = false;
    std::size_t responses = 0;
    std::string field; // the last key of the response being read
    Response response;
};

Imported readResponses(Source& source, const Detected& detected, const std::string& origin,
                       std::size_t mostValues) {
    ByteValues out(origin, mostValues);
    ResponseReader reader(origin, source, out);
    SourceStream buffer(source, detected);
    std::istream stream(&buffer);
    json::sax_parse(stream, &reader);
    return out.finish();
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
    Source source(read, origin, limits.mostBytes, format == Format::BYTES);
    Detected detected;
    detected.format = format;
    if (format == Format::AUTO) {
        source.checkText();
        detected = detect(source);
    }
    switch (detected.format) {
    case Format::TEXT:
        return readText(source, detected, origin, limits.mostValues);
    case Format::QRNG_JSON:
        return readResponses(source, detected, origin, limits.mostValues);
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
