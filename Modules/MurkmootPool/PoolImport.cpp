#include "PoolImport.h"

#include "PoolFill.h"
#include "PoolReader.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <stdexcept>

namespace PoolImport {

namespace {

using nlohmann::json;

constexpr std::size_t VALUE_BYTES = 4;
constexpr std::size_t MAX_QUOTED_LENGTH = 40; // a value quoted in a message, at most

std::runtime_error refusal(const std::string& origin, const std::string& what) {
    return std::runtime_error(origin + ": " + what);
}

std::string quoted(const json& value) {
    std::string text = value.dump(-1, ' ', false, json::error_handler_t::replace);
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

// Whether `value` is a whole number from 0 to `max`; fills `number` when it is.
bool wholeNumberUpTo(const json& value, std::uint64_t max, std::uint64_t& number) {
    if (value.is_number_unsigned()) {
        number = value.get<std::uint64_t>();
        return number <= max;
    }
    if (value.is_number_integer()) {
        const std::int64_t signedNumber = value.get<std::int64_t>();
        number = static_cast<std::uint64_t>(signedNumber);
        return signedNumber >= 0 && number <= max;
    }
    return false;
}

// Appends the bytes of one response's data; `name` says which response in messages.
void appendResponse(const json& response, const std::string& name, const std::string& origin,
                    std::string& bytes) {
    if (!response.is_object()) {
        throw refusal(origin, name + ": not a response object");
    }
    const auto success = response.find("success");
    if (success != response.end() && *success != true) {
        throw refusal(origin, name + ": \"success\" is " + quoted(*success));
    }
    const auto data = response.find("data");
    if (data == response.end()) {
        throw refusal(origin, name + ": no \"data\"");
    }
    if (!data->is_array()) {
        throw refusal(origin, name + ": \"data\" is not an array");
    }
    const auto type = response.find("type");
    if (type == response.end()) {
        throw refusal(origin, name + ": no \"type\" (uint8, uint16 or hex16)");
    }
    const bool uint8 = *type == "uint8";
    const bool uint16 = *type == "uint16";
    if (!uint8 && !uint16 && *type != "hex16") {
        throw refusal(origin, name + ": type " + quoted(*type) + " is not uint8, uint16 or hex16");
    }
    for (std::size_t i = 0; i < data->size(); ++i) {
        const json& value = (*data)[i];
        const std::string element = name + ": data[" + std::to_string(i) + "]: " + quoted(value);
        std::uint64_t number = 0;
        if (uint8) {
            if (!wholeNumberUpTo(value, 0xFF, number)) {
                throw refusal(origin, element + " is not a uint8 (a whole number from 0 to 255)");
            }
            bytes.push_back(static_cast<char>(number));
        } else if (uint16) {
            if (!wholeNumberUpTo(value, 0xFFFF, number)) {
                throw refusal(origin, element + " is not a uint16 (a whole number from 0 to 65535)");
            }
            bytes.push_back(static_cast<char>(number & 0xFF));
            bytes.push_back(static_cast<char>(number >> 8));
        } else {
            const std::string* digits = value.get_ptr<const std::string*>();
            bool valid = digits != nullptr && !digits->empty() && digits->size() % 2 == 0;
            for (std::size_t d = 0; valid && d < digits->size(); d += 2) {
                const int high = hexDigit((*digits)[d]);
                const int low = hexDigit((*digits)[d + 1]);
                valid = high >= 0 && low >= 0;
                bytes.push_back(static_cast<char>(high * 16 + low));
            }
            if (!valid) {
                throw refusal(origin, element + " is not a hex16 block (pairs of hex digits)");
            }
        }
    }
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Whether `source` is text: printable ASCII, white space and well-formed UTF-8.
bool isText(std::string_view source) {
    for (std::size_t i = 0; i < source.size(); ++i) {
        const auto c = static_cast<unsigned char>(source[i]);
        if (c < 0x80) {
            const bool space = c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
            if ((c < 0x20 && !space) || c == 0x7F) {
                return false;
            }
            continue;
        }
        std::size_t following = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            following = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            following = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            following = 3;
        } else {
            return false;
        }
        if (i + following >= source.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= following; ++k) {
            if (!isContinuation(static_cast<unsigned char>(source[i + k]))) {
                return false;
            }
        }
        i += following;
    }
    return true;
}

char firstAfterSpace(std::string_view source, std::size_t from) {
    const std::size_t at = source.find_first_not_of(" \t\r\n", from);
    return at == std::string_view::npos ? '\0' : source[at];
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
    return {PoolFill::fromBytes(bytes), bytes.size() % VALUE_BYTES};
}

std::string qrngJsonBytes(std::string_view source, const std::string& origin) {
    json document;
    try {
        document = json::parse(source);
    } catch (const json::exception& error) {
        const std::string what = error.what();
        const std::size_t bracket = what.find("] ");
        throw refusal(origin, "not valid JSON (" +
                                  (bracket == std::string::npos ? what : what.substr(bracket + 2)) + ")");
    }
    std::string bytes;
    if (document.is_object()) {
        appendResponse(document, "the response", origin, bytes);
    } else if (document.is_array()) {
        for (std::size_t i = 0; i < document.size(); ++i) {
            appendResponse(document[i], "response " + std::to_string(i + 1), origin, bytes);
        }
    } else {
        throw refusal(origin, "not a response object or an array of them");
    }
    return bytes;
}

Format detect(std::string_view source, const std::string& origin) {
    if (!isText(source)) {
        throw refusal(origin, "holds bytes that are not text; to add them as raw bytes use --format bytes");
    }
    const std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
    const std::size_t start =
        source.find_first_not_of(" \t\r\n", source.starts_with(BYTE_ORDER_MARK) ? BYTE_ORDER_MARK.size() : 0);
    if (start == std::string_view::npos) {
        return Format::TEXT;
    }
    if (source[start] == '{' || (source[start] == '[' && firstAfterSpace(source, start + 1) == '{')) {
        return Format::QRNG_JSON;
    }
    return Format::TEXT;
}

Imported importValues(std::string_view source, Format format, const std::string& origin) {
    if (format == Format::AUTO) {
        format = detect(source, origin);
    }
    switch (format) {
    case Format::TEXT:
        return Imported{PoolReader::parse(source, origin), 0};
    case Format::BYTES:
        return fromBytes(source);
    case Format::QRNG_JSON:
        return fromBytes(qrngJsonBytes(source, origin));
    case Format::AUTO:
        break;
    }
    throw std::logic_error("format not detected");
}

} // namespace PoolImport
