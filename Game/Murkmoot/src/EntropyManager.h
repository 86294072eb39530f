#pragma once
// The entropy pool: pre-collected random integers in a text file, consumed from the end, one
// value per draw. The file always holds exactly the values not yet handed out, so no value is
// ever used twice, even across runs, crashes and programs running at once (see PoolFile, which
// does the work; these are the pool's operations by path).
//
// Every failure is a std::runtime_error whose message names the pool file.

#include <string>
#include <string_view>
#include <vector>

namespace EntropyManager {

// Every integer in the file, in order (see parsePool). Throws "Failed to open entropy pool:
// <path>" when the file cannot be read or is not a regular file, or a message naming the file
// and the line when the text holds a value that is not a 32-bit integer.
std::vector<int> loadPool(const std::string& path);

// Replaces the file's contents with the pool in its written form, atomically; throws if the file
// cannot be written.
void savePool(const std::vector<int>& pool, const std::string& path);

// Takes the value that is last in the file now off the file and returns it. Throws "Entropy
// pool empty" on an empty pool; if the file cannot be changed it throws and keeps the value.
int drawFromPool(const std::string& path);

int getPoolSize(const std::vector<int>& pool);

// The number of values in the pool file; one pass over it only when it changed since a program
// last read or wrote it. Throws as loadPool.
int countPoolFile(const std::string& path);

// Extracts every integer from arbitrary text: white space and any character other than a digit
// or "-" separate values ("[1, 2]", "3.9" and "12-7" all read as lists). A "-" with no digit
// after it, or a value outside 32 bits, throws with `origin` and the line in the message.
// `isWrittenForm`, when given, reports whether the text is exactly formatPool() of the result.
std::vector<int> parsePool(std::string_view text, const std::string& origin, bool* isWrittenForm = nullptr);

// The written form: one plain decimal per line, each ended by a line feed.
std::string formatPool(const std::vector<int>& pool);

} // namespace EntropyManager
