#include "Journal.h"

#include "UniqueFd.h"
#include "core/Logging.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Read backwards in blocks of this size.
constexpr std::size_t BLOCK_BYTES = 64 * 1024;
// No entry comes near this; a longer "line" is damage, skipped without being held in memory.
constexpr std::size_t MAX_LINE_BYTES = 1024 * 1024;

bool blank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

} // namespace

Journal::Journal(std::filesystem::path file) : path(std::move(file)) {}

std::filesystem::path Journal::defaultPath(const AppPaths& paths, const std::filesystem::path& logDirectory) {
    if (paths.isInstalled()) {
        return std::filesystem::path(paths.defaultPool()).parent_path() / FILE_NAME;
    }
    return logDirectory / FILE_NAME;
}

void Journal::fail(const std::string& what, int error) const {
    throw Error("Cannot " + what + " the journal " + path.string() + ": " + std::strerror(error));
}

int Journal::open(int flags, const char* verb) const {
    // Non-blocking so that a FIFO at the name is refused instead of waiting for a reader.
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno == ENOENT && (flags & O_CREAT) == 0) {
            return -1;
        }
        // O_NOFOLLOW reports a link at the name as ELOOP, which would read "too many levels".
        if (errno == ELOOP) {
            throw Error(std::string("Cannot ") + verb + " the journal " + path.string() + ": it is a symbolic link");
        }
        fail(verb, errno);
    }
    UniqueFd owner(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        fail(verb, errno);
    }
    if (!S_ISREG(status.st_mode)) {
        throw Error(std::string("Cannot ") + verb + " the journal " + path.string() + ": it is not a regular file");
    }
    return owner.release();
}

void Journal::append(const JournalEntry& entry) const {
    // Read access too, to see whether the journal ends with a line feed.
    const UniqueFd file(open(O_RDWR | O_APPEND | O_CREAT, "write"));
    const int fd = file.get();
    std::string line = entry.toLine();
    struct stat status {};
    char last = '\n';
    if (::fstat(fd, &status) == 0 && status.st_size > 0 && ::pread(fd, &last, 1, status.st_size - 1) == 1 &&
        last != '\n') {
        // A line torn by a kill must not swallow this entry.
        line.insert(line.begin(), '\n');
    }
    ssize_t written;
    do {
        written = ::write(fd, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        fail("write", errno);
    }
    if (static_cast<std::size_t>(written) != line.size()) {
        fail("write", ENOSPC);
    }
}

bool Journal::record(const JournalEntry& entry, std::ostream& err) {
    try {
        append(entry);
        return true;
    } catch (const Error& error) {
        if (!warned) {
            warned = true;
            const std::string warning = std::string(error.what()) + ". Consultations go on without it.";
            err << "Warning: " << warning << std::endl;
            LOG_WARN(warning);
        }
        return false;
    }
}

Journal::Reading Journal::readLast(std::size_t count) const {
    Reading reading;
    if (count == 0) {
        return reading;
    }
    const int fd = open(O_RDONLY, "read");
    if (fd < 0) {
        return reading;
    }
    const UniqueFd file(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        fail("read", errno);
    }

    // Lines come out newest first. `tail` holds what was read before the first line feed found
    // so far: the end of a line whose start is still unread.
    std::string tail;
    bool overlong = false;
    const auto take = [&](std::string_view line) {
        if (overlong) {
            overlong = false;
            ++reading.skippedLines;
        } else if (!blank(line)) {
            if (std::optional<JournalEntry> entry = JournalEntry::parse(line)) {
                reading.entries.push_back(std::move(*entry));
            } else {
                ++reading.skippedLines;
            }
        }
        return reading.entries.size() == count;
    };

    off_t position = status.st_size;
    std::string block;
    bool done = false;
    while (position > 0 && !done) {
        const std::size_t size = static_cast<std::size_t>(std::min<off_t>(position, BLOCK_BYTES));
        position -= static_cast<off_t>(size);
        block.resize(size);
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::pread(fd, block.data() + got, size - got, position + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                fail("read", errno);
            }
            if (n == 0) {
                break; // cut short under us: what was found so far stands
            }
            got += static_cast<std::size_t>(n);
        }
        if (got < size) {
            done = true;
            break;
        }
        // Only the new block can hold line feeds: `tail` is what preceded the first one.
        block += tail;
        std::size_t end = block.size();
        for (std::size_t searchEnd = size; searchEnd > 0;) {
            const std::size_t feed = block.rfind('\n', searchEnd - 1);
            if (feed == std::string::npos) {
                break;
            }
            if (take(std::string_view(block).substr(feed + 1, end - feed - 1))) {
                done = true;
                break;
            }
            end = feed;
            searchEnd = feed;
        }
        tail.assign(block, 0, end);
        if (tail.size() > MAX_LINE_BYTES) {
            overlong = true;
            tail.clear();
        }
    }
    if (!done && (overlong || !tail.empty())) {
        take(tail);
    }
    std::reverse(reading.entries.begin(), reading.entries.end());
    return reading;
}
