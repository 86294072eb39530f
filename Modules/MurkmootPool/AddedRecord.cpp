#include "AddedRecord.h"

#include "PoolPlace.h"
#include "UniqueFd.h"

#include <algorithm>
#include <charconv>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace {

constexpr std::size_t DIGEST_LENGTH = 64;
constexpr std::size_t MOST_LINE_LENGTH = DIGEST_LENGTH + 22; // digest, space, time, line feed
const char* const SUFFIX = ".added";

} // namespace

AddedRecord::AddedRecord(const PoolPlace& poolPlace)
    : pool(poolPlace), name(pool.besideName(SUFFIX)), path(pool.besidePath(SUFFIX)) {
    // Never a link, a FIFO or a device: whatever planted one gets an empty record.
    const UniqueFd fd(::openat(pool.directory(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat status {};
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return;
    }
    std::string text(MOST_ENTRIES * MOST_LINE_LENGTH, '\0');
    std::size_t length = 0;
    for (ssize_t got = 0; length < text.size(); length += static_cast<std::size_t>(got)) {
        got = ::read(fd.get(), text.data() + length, text.size() - length);
        if (got <= 0) {
            break;
        }
    }
    text.resize(length);
    // Lines that do not read as "<digest> <time>" are left out: the record only ever warns.
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string_view line = std::string_view(text).substr(at, end - at);
        at = end + 1;
        std::int64_t when = 0;
        if (line.size() > DIGEST_LENGTH + 1 && line[DIGEST_LENGTH] == ' ' &&
            line.find_first_not_of("0123456789abcdef") == DIGEST_LENGTH &&
            std::from_chars(line.data() + DIGEST_LENGTH + 1, line.data() + line.size(), when).ptr ==
                line.data() + line.size()) {
            entries.emplace_back(std::string(line.substr(0, DIGEST_LENGTH)), when);
        }
    }
}

std::optional<std::int64_t> AddedRecord::addedAt(const std::string& digest) const {
    const auto found = std::find_if(entries.rbegin(), entries.rend(), [&](const auto& e) { return e.first == digest; });
    return found == entries.rend() ? std::nullopt : std::optional(found->second);
}

FileReplacement AddedRecord::prepare(const std::string& digest, std::int64_t when, const struct stat* poolStatus) {
    std::erase_if(entries, [&](const auto& e) { return e.first == digest; });
    entries.emplace_back(digest, when);
    if (entries.size() > MOST_ENTRIES) {
        entries.erase(entries.begin(), entries.end() - static_cast<std::ptrdiff_t>(MOST_ENTRIES));
    }
    std::string text;
    for (const auto& [entryDigest, entryWhen] : entries) {
        text += entryDigest + " " + std::to_string(entryWhen) + "\n";
    }
    // Renamed over the old record whole, with the pool's owner and mode, as a pool is.
    FileReplacement replacement(pool.directory(), name, "the record of data added to the pool: " + path, poolStatus);
    replacement.write(text);
    replacement.prepare();
    return replacement;
}
