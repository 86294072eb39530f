#include "EntropyManager.h"

#include <cerrno>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace EntropyManager {

namespace {

constexpr std::size_t MAX_DECIMAL_LENGTH = 11; // "-2147483648"

// Closes a POSIX descriptor on every path out.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int get() const { return fd; }
    bool valid() const { return fd >= 0; }

private:
    int fd = -1;
};

struct MappingDeleter {
    std::size_t length = 0;
    void operator()(void* address) const { ::munmap(address, length); }
};

std::runtime_error writeError(const std::string& path, int error) {
    return std::runtime_error("Failed to write entropy pool: " + path + " (" + std::strerror(error) +
                              ")");
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t lineOf(std::string_view text, std::size_t position) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < position && i < text.size(); ++i) {
        line += text[i] == '\n' ? 1 : 0;
    }
    return line;
}

std::runtime_error malformed(std::string_view text, std::size_t position, const std::string& origin,
                             const std::string& what) {
    return std::runtime_error("Malformed entropy pool: " + origin + ": line " +
                              std::to_string(lineOf(text, position)) + ": " + what);
}

// Parses "-?[0-9]+" at `position`; the caller has checked the first character.
int parseValue(std::string_view text, std::size_t& position, const std::string& origin) {
    const std::size_t start = position;
    const bool negative = text[position] == '-';
    position += negative ? 1 : 0;
    if (position >= text.size() || !isDigit(text[position])) {
        throw malformed(text, start, origin, "a \"-\" with no digits after it");
    }
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<int>::min())
                                        : std::numeric_limits<int>::max();
    std::int64_t magnitude = 0;
    bool tooLarge = false;
    for (; position < text.size() && isDigit(text[position]); ++position) {
        magnitude = magnitude * 10 + (text[position] - '0');
        if (magnitude > limit) {
            tooLarge = true;
            magnitude = limit; // keep consuming the run without overflowing
        }
    }
    if (tooLarge) {
        throw malformed(text, start, origin,
                        "\"" + std::string(text.substr(start, position - start)) +
                            "\" does not fit in 32 bits");
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

std::uint64_t loadWord(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Whether all eight bytes of a little-endian word are ASCII digits.
bool isEightDigits(std::uint64_t word) {
    return (((word + 0x4646464646464646U) | (word - 0x3030303030303030U)) & 0x8080808080808080U) == 0;
}

// The value of eight ASCII digits, first byte most significant, in three multiply steps instead
// of eight dependent ones.
std::uint64_t eightDigitsValue(std::uint64_t word) {
    word -= 0x3030303030303030U;
    word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFU;
    word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFU;
    return (word * 10000 + (word >> 32)) & 0xFFFFFFFFU;
}

unsigned digitAt(const char* cursor) { return static_cast<unsigned>(static_cast<unsigned char>(*cursor)) - '0'; }

// The common case: text exactly in the written form. Returns nothing at the first deviation,
// and the general reader takes over. This is most of the cost of loading a pool, so it avoids
// branches that random data cannot predict (sign, nine or ten digits).
std::optional<std::vector<int>> parseWrittenForm(std::string_view text) {
    std::vector<int> values;
    if (text.empty()) {
        return values;
    }
    if (text.back() != '\n') {
        return std::nullopt;
    }
    values.reserve(text.size() / 8);
    // The final line feed stops every digit run, so the digit loop needs no end check.
    const char* cursor = text.data();
    const char* const end = text.data() + text.size();
    while (cursor != end) {
        const bool negative = *cursor == '-';
        cursor += negative ? 1 : 0;
        const char* const digits = cursor;
        std::uint64_t magnitude = 0;
        if (end - cursor > 10 && isEightDigits(loadWord(cursor))) {
            magnitude = eightDigitsValue(loadWord(cursor));
            cursor += 8;
            const unsigned ninth = digitAt(cursor);
            const unsigned tenth = digitAt(cursor + 1);
            const bool hasNinth = ninth < 10;
            const bool hasTenth = hasNinth & (tenth < 10);
            magnitude = hasNinth ? magnitude * 10 + ninth : magnitude;
            magnitude = hasTenth ? magnitude * 10 + tenth : magnitude;
            cursor += static_cast<int>(hasNinth) + static_cast<int>(hasTenth);
        } else {
            for (unsigned digit = digitAt(cursor); digit < 10 && cursor - digits <= 10; digit = digitAt(++cursor)) {
                magnitude = magnitude * 10 + digit;
            }
        }
        const auto length = cursor - digits;
        const std::uint64_t limit = negative ? 2147483648U : 2147483647U;
        const bool deviates = (length == 0) | (*cursor != '\n') | (magnitude > limit) |
                              ((*digits == '0') & ((length > 1) | negative));
        if (deviates) {
            return std::nullopt; // includes runs longer than ten digits: *cursor is a digit then
        }
        values.push_back(static_cast<int>(negative ? -static_cast<std::int64_t>(magnitude)
                                                   : static_cast<std::int64_t>(magnitude)));
        ++cursor;
    }
    return values;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
};

FileIdentity identityOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool sameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
}

// What this process last knew to be in a pool file: its identity while it held exactly the
// written form of `count` values. A draw that finds the file unchanged only cuts the last line
// off, which costs the same for any pool size; anything else gets a full atomic rewrite.
struct KnownPoolFile {
    std::string path;
    FileIdentity identity;
    std::size_t count = 0;
};
std::optional<KnownPoolFile> knownPoolFile;

void rememberPoolFile(const std::string& path, const struct stat& status, std::size_t count) {
    knownPoolFile = KnownPoolFile{path, identityOf(status), count};
}

void rememberPoolFile(const std::string& path, std::size_t count) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        rememberPoolFile(path, status, count);
    } else {
        knownPoolFile.reset();
    }
}

std::string decimal(int value) {
    char buffer[MAX_DECIMAL_LENGTH + 1];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, result.ptr};
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t written = ::write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Removes the last line when the file is exactly as this process left it. Returns false when it
// is not (the caller then rewrites it whole); throws when the file refuses writing.
bool cutLastLine(const std::vector<int>& pool, const std::string& path) {
    if (!knownPoolFile || knownPoolFile->path != path || knownPoolFile->count != pool.size()) {
        return false;
    }
    const FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!fd.valid()) {
        if (errno == ENOENT || errno == ELOOP) {
            return false;
        }
        throw writeError(path, errno);
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !sameIdentity(identityOf(status), knownPoolFile->identity)) {
        return false;
    }
    // Check the bytes too: the line before the cut, if any, must end where ours begins.
    const std::string lastLine = decimal(pool.back()) + "\n";
    const off_t lineLength = static_cast<off_t>(lastLine.size());
    if (status.st_size < lineLength) {
        return false;
    }
    const off_t readFrom = status.st_size > lineLength ? status.st_size - lineLength - 1 : 0;
    std::string tail(static_cast<std::size_t>(status.st_size - readFrom), '\0');
    if (::pread(fd.get(), tail.data(), tail.size(), readFrom) != static_cast<ssize_t>(tail.size())) {
        return false;
    }
    const bool lastLineMatches =
        status.st_size == lineLength ? tail == lastLine : tail == "\n" + lastLine;
    if (!lastLineMatches) {
        return false;
    }
    // A truncation is one atomic metadata change: a kill leaves the old or the new length.
    if (::ftruncate(fd.get(), status.st_size - lineLength) != 0) {
        throw writeError(path, errno);
    }
    if (::fstat(fd.get(), &status) == 0) {
        rememberPoolFile(path, status, pool.size() - 1);
    } else {
        knownPoolFile.reset();
    }
    return true;
}

// Writes `contents` to a temporary file beside `path`, flushes it to disk and renames it over
// `path`, so readers and crashes only ever see a complete file.
void replaceAtomically(const std::string& path, std::string_view contents) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec) {
            target = resolved;
        }
    }
    mode_t mode = 0644;
    struct stat status {};
    if (::stat(target.c_str(), &status) == 0) {
        // Respect a pool file that refuses writing, as an in-place write would.
        const FileDescriptor probe(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
        if (!probe.valid()) {
            throw writeError(path, errno);
        }
        mode = status.st_mode & 07777;
    }
    const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::string hiddenName = ".";
    hiddenName += target.filename().string();
    hiddenName += ".XXXXXX";
    std::string temporary = (directory / hiddenName).string();
    const FileDescriptor fd(::mkstemp(temporary.data()));
    if (!fd.valid()) {
        throw writeError(path, errno);
    }
    int error = 0;
    if (!writeAll(fd.get(), contents) || ::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0) {
        error = errno;
    } else if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        throw writeError(path, error);
    }
    // Make the rename itself durable.
    const FileDescriptor directoryFd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directoryFd.valid()) {
        ::fsync(directoryFd.get());
    }
}

} // namespace

std::vector<int> parsePool(std::string_view text, const std::string& origin, bool* isWrittenForm) {
    if (auto values = parseWrittenForm(text)) {
        if (isWrittenForm != nullptr) {
            *isWrittenForm = true;
        }
        return std::move(*values);
    }
    if (isWrittenForm != nullptr) {
        *isWrittenForm = false;
    }
    std::vector<int> values;
    std::size_t position = 0;
    while (position < text.size()) {
        const char c = text[position];
        if (isSpace(c) || !(isDigit(c) || c == '-')) {
            ++position; // separators, signs, brackets, letters: all discarded
            continue;
        }
        values.push_back(parseValue(text, position, origin));
    }
    return values;
}

std::string formatPool(const std::vector<int>& pool) {
    std::string text;
    text.reserve(pool.size() * (MAX_DECIMAL_LENGTH + 1));
    char buffer[MAX_DECIMAL_LENGTH + 1];
    for (const int value : pool) {
        char* end = std::to_chars(buffer, buffer + MAX_DECIMAL_LENGTH, value).ptr;
        *end++ = '\n';
        text.append(buffer, end);
    }
    return text;
}

std::vector<int> loadPool(const std::string& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        throw std::runtime_error("Failed to open entropy pool: " + path);
    }
    const auto size = static_cast<std::size_t>(status.st_size);
    bool writtenForm = false;
    std::vector<int> pool;
    if (size > 0) {
        // Mapping the file's cached pages costs far less than copying them into fresh memory.
        // Like every pool access this assumes no other process rewrites the pool meanwhile.
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd.get(), 0);
        if (mapped == MAP_FAILED) {
            throw std::runtime_error("Failed to open entropy pool: " + path);
        }
        const std::unique_ptr<void, MappingDeleter> mapping(mapped, MappingDeleter{size});
        pool = parsePool(std::string_view(static_cast<const char*>(mapped), size), path, &writtenForm);
    } else {
        writtenForm = true;
    }
    if (writtenForm) {
        rememberPoolFile(path, status, pool.size());
    } else {
        knownPoolFile.reset();
    }
    return pool;
}

void savePool(const std::vector<int>& pool, const std::string& path) {
    knownPoolFile.reset();
    replaceAtomically(path, formatPool(pool));
    rememberPoolFile(path, pool.size());
}

int drawFromPool(std::vector<int>& pool, const std::string& path) {
    if (pool.empty()) {
        throw std::runtime_error("Entropy pool empty");
    }
    const int value = pool.back();
    if (!cutLastLine(pool, path)) {
        std::vector<int> remaining(pool.begin(), pool.end() - 1);
        savePool(remaining, path);
    }
    pool.pop_back();
    return value;
}

int getPoolSize(const std::vector<int>& pool) { return static_cast<int>(pool.size()); }

int countPoolFile(const std::string& path) {
    struct stat status {};
    if (knownPoolFile && knownPoolFile->path == path && ::stat(path.c_str(), &status) == 0 &&
        sameIdentity(identityOf(status), knownPoolFile->identity)) {
        return static_cast<int>(knownPoolFile->count);
    }
    return getPoolSize(loadPool(path));
}

} // namespace EntropyManager
