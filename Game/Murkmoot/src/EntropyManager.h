#pragma once
// The entropy pool: pre-collected random integers in a text file, consumed from the end, one
// value per draw. The file always holds exactly the values not yet handed out, one decimal per
// line, so no value is ever used twice, even across runs, crashes and the two programs.
//
// Every failure is a std::runtime_error whose message names the pool file.

#include <string>
#include <string_view>
#include <vector>

namespace EntropyManager {

// Reads every integer in the file, in order (see parsePool). Throws "Failed to open entropy
// pool: <path>" when the file cannot be read, or a message naming the file and the fault when
// the text holds a value that is not a 32-bit integer; the file is left untouched then.
std::vector<int> loadPool(const std::string& path);

// Replaces the file's contents with the pool in its written form. The replacement is atomic: a
// crash or kill leaves either the old or the new contents. Throws if the file cannot be written.
void savePool(const std::vector<int>& pool, const std::string& path);

// Takes the last value off the pool and the file. Throws "Entropy pool empty" on an empty pool;
// if the file cannot be updated it throws, and the value stays in both pool and file.
int drawFromPool(std::vector<int>& pool, const std::string& path);

int getPoolSize(const std::vector<int>& pool);

// The number of values in the pool file. Answered from what this process last read or wrote
// when the file has not changed since (one stat), otherwise by loading it; throws as loadPool.
int countPoolFile(const std::string& path);

// Extracts every integer from arbitrary text: white space and any character other than a digit
// or "-" separate values ("[1, 2]", "3.9" and "12-7" all read as lists). A "-" with no digit
// after it, or a value outside 32 bits, throws with `origin` and the line in the message.
// `isWrittenForm`, when given, reports whether the text is exactly formatPool() of the result.
std::vector<int> parsePool(std::string_view text, const std::string& origin,
                           bool* isWrittenForm = nullptr);

// The written form: one plain decimal per line, each ended by a line feed.
std::string formatPool(const std::vector<int>& pool);

} // namespace EntropyManager
