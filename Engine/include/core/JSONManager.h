#pragma once
// Reading and writing JSON files. The expected failures (a file that cannot be opened, text that
// is not JSON, a value that cannot be written) are logged and reported through the result, never
// thrown, so callers only test for a null value or false.

#include <nlohmann/json.hpp>

#include <string>

class JSONManager {
public:
    JSONManager() = delete;

    // The first complete JSON value in the file (anything after it is ignored), or a JSON null
    // when the file cannot be opened or does not start with a value the library can hold (bad
    // syntax, a number beyond double's range). A file holding the literal null is
    // indistinguishable from a failure.
    static nlohmann::json loadAndLogJson(const std::string& filePath);

    // Writes data with 4-space indentation and non-ASCII text unescaped. The value is serialised
    // before the file is touched, so a value that cannot be written (invalid UTF-8) leaves an
    // existing file as it was. False when serialising, opening or writing fails.
    static bool saveJsonToFile(const nlohmann::json& data, const std::string& filePath);
};
