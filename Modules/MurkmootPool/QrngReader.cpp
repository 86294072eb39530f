#include "QrngReader.h"

#include "ByteValues.h"
#include "ImportRefusal.h"
#include "SourceStream.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <istream>
#include <optional>

namespace PoolImport {

namespace {

using nlohmann::json;

constexpr std::size_t MAX_QUOTED_LENGTH = 40; // a value quoted in a message, at most

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

std::string quotedString(const std::string& text) {
    return clipped(json(text).dump(-1, ' ', false, json::error_handler_t::replace));
}

// Follows QRNG responses as the parser reads them, holding only the data of the response being
// read (its "type" may come after its "data"), and turns it into bytes when the response ends.
class ResponseReader : public nlohmann::json_sax<json> {
public:
    ResponseReader(const std::string& originName, BoundedSource& from, ByteValues& output)
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
        throw Refusal(origin,
                      "not valid JSON (" + (bracket == std::string::npos ? what : what.substr(bracket + 2)) + ")");
    }

private:
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
            throw Refusal(origin, "JSON nested more than " + std::to_string(MOST_JSON_DEPTH) +
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
            throw Refusal(origin, response.name + ": \"" + key + "\" given twice");
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
            throw Refusal(origin, first + (type == DataType::UINT8 ? " is not a uint8 (a whole number from 0 to 255)"
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
            throw Refusal(origin, "not a response object or an array of them");
        }
        if (topArray && depth == 1) {
            throw Refusal(origin, "response " + std::to_string(responses + 1) + ": not a response object");
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
            throw Refusal(origin, r.name + ": \"success\" is " + *r.success);
        }
        if (!r.hasData) {
            throw Refusal(origin, r.name + ": no \"data\"");
        }
        if (!r.dataIsArray) {
            throw Refusal(origin, r.name + ": \"data\" is not an array");
        }
        if (!r.typeKind) {
            throw Refusal(origin, r.name + ": no \"type\" (uint8, uint16 or hex16)");
        }
        const DataType type = dataType();
        if (type == DataType::NONE) {
            const bool isString = r.typeKind == Scalar::Kind::STRING;
            throw Refusal(origin, r.name + ": type " + (isString ? quotedString(r.type) : r.type) +
                                      " is not uint8, uint16 or hex16");
        }
        emit(type);
        response = {};
    }

    const std::string& origin;
    BoundedSource& source;
    ByteValues& out;
    std::size_t elements = 0; // in every response so far
    std::size_t depth = 0;
    bool topArray = false;
    bool inData = false;
    std::size_t responses = 0;
    std::string field; // the last key of the response being read
    Response response;
};

} // namespace

Imported readQrngResponses(BoundedSource& source, const BoundedSource::Detected& detected, const std::string& origin,
                           std::size_t mostValues) {
    ByteValues out(origin, mostValues);
    ResponseReader reader(origin, source, out);
    SourceStream buffer(source, detected);
    std::istream stream(&buffer);
    json::sax_parse(stream, &reader);
    return out.finish();
}

} // namespace PoolImport
