#include "PoolFile.h"

#include "PoolLock.h"
#include "PoolReader.h"
#include "PoolReplacement.h"
#include "UniqueFd.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <unistd.h>

namespace {

// Big enough to read at the speed of the page cache, small enough to stay in the CPU's caches
// (larger pieces measured slower: the copy out of the page cache then misses them).
constexpr std::size_t CHUNK_SIZE = 1 << 16;

std::runtime_error openError(const std::string& path) {
    return std::runtime_error("Failed to open entropy pool: " + path);
}

std::string realPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

// The file the pool's operations act on: a link's target, so that the link stays a link.
// `mayBeMissing` allows a pool that does not exist yet, in an existing directory.
std::string resolveTarget(const std::string& path, bool mayBeMissing) {
    std::string target = realPath(path);
    if (!target.empty()) {
        return target;
    }
    struct stat status {};
    if (!mayBeMissing || errno != ENOENT || ::lstat(path.c_str(), &status) == 0) {
        throw openError(path); // a dangling link too: where it points is not ours to create
    }
    const std::size_t slash = path.rfind('/');
    const std::string directory = realPath(slash == std::string::npos ? "." : path.substr(0, slash + 1));
    if (directory.empty()) {
        throw openError(path);
    }
    return directory + (directory.back() == '/' ? "" : "/") + path.substr(slash + 1);
}

// An open pool file and its status. Only regular files are pools: a FIFO would block forever,
// and a device or socket never ends.
struct OpenPool {
    UniqueFd fd;
    struct stat status {};
};

OpenPool openPool(const std::string& target, const std::string& path, int access) {
    OpenPool pool;
    pool.fd.reset(::open(target.c_str(), access | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!pool.fd.valid()) {
        if ((errno == EACCES || errno == EROFS || errno == EPERM) && access != O_RDONLY &&
            ::access(target.c_str(), R_OK) == 0) {
            throw PoolReplacement::writeError(path, errno); // readable, but not ours to change
        }
        throw openError(path);
    }
    if (::fstat(pool.fd.get(), &pool.status) != 0 || !S_ISREG(pool.status.st_mode)) {
        throw openError(path);
    }
    return pool;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// Reads the whole file through `reader` with plain reads, never a mapping: a file that shrinks
// meanwhile only ends the text early. `afterPiece` runs after each piece.
template <typename AfterPiece>
void readThrough(int fd, const std::string& path, PoolReader& reader, AfterPiece afterPiece) {
    const std::unique_ptr<char[]> buffer(new char[CHUNK_SIZE]);
    off_t offset = 0;
    for (;;) {
        const ssize_t length = ::pread(fd, buffer.get(), CHUNK_SIZE, offset);
        if (length < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw openError(path);
        }
        if (length == 0) {
            break;
        }
        offset += length;
        reader.feed(std::string_view(buffer.get(), static_cast<std::size_t>(length)));
        afterPiece();
    }
    reader.finish();
    afterPiece();
}

PoolLock::Known scan(int fd, const std::string& path) {
    PoolReader reader(path);
    readThrough(fd, path, reader, [] {});
    return {reader.count(), reader.writtenForm()};
}

// The stamp's word when it still holds, else one read of the whole file, remembered.
PoolLock::Known knownOrScanned(PoolLock& lock, const OpenPool& pool, const std::string& path) {
    if (const std::optional<PoolLock::Known> known = lock.known(pool.status)) {
        return *known;
    }
    const PoolLock::Known state = scan(pool.fd.get(), path);
    struct stat after {};
    if (::fstat(pool.fd.get(), &after) == 0 && sameFile(after, pool.status)) {
        lock.remember(after, state);
    }
    return state;
}

// Copies the written form of every value in the file into `out`; returns the last value, which
// is left out when `holdBackLast` is set.
int copyValues(const OpenPool& pool, const std::string& path, PoolReplacement& out, bool holdBackLast) {
    std::vector<int> batch;
    PoolReader reader(path, &batch);
    int last = 0;
    bool haveLast = false;
    readThrough(pool.fd.get(), path, reader, [&] {
        if (batch.empty()) {
            return;
        }
        if (haveLast) {
            out.writeValues({last});
        }
        last = batch.back();
        haveLast = true;
        batch.pop_back();
        out.writeValues(batch);
        batch.clear();
    });
    if (haveLast && !holdBackLast) {
        out.writeValues({last});
    }
    return last;
}

// Copies a file that is already in the written form as it is.
void copyBytes(const OpenPool& pool, const std::string& path, PoolReplacement& out) {
    const std::unique_ptr<char[]> buffer(new char[CHUNK_SIZE]);
    for (off_t offset = 0;;) {
        const ssize_t length = ::pread(pool.fd.get(), buffer.get(), CHUNK_SIZE, offset);
        if (length < 0 && errno == EINTR) {
            continue;
        }
        if (length < 0) {
            throw openError(path);
        }
        if (length == 0) {
            return;
        }
        out.write(std::string_view(buffer.get(), static_cast<std::size_t>(length)));
        offset += length;
    }
}

// The file's last line, when the file ends in the written form; nothing otherwise.
std::optional<std::pair<int, off_t>> lastLine(const OpenPool& pool) {
    const off_t size = pool.status.st_size;
    char tail[PoolReader::MAX_WRITTEN_LINE + 1] = {};
    const off_t length = std::min<off_t>(size, static_cast<off_t>(sizeof tail));
    if (length < 2 || ::pread(pool.fd.get(), tail, static_cast<std::size_t>(length), size - length) != length ||
        tail[length - 1] != '\n') {
        return std::nullopt;
    }
    off_t start = length - 1;
    while (start > 0 && tail[start - 1] != '\n') {
        --start;
    }
    if (start == 0 && length != size) {
        return std::nullopt; // longer than any line of the written form
    }
    int value = 0;
    const auto parsed = std::from_chars(tail + start, tail + length - 1, value);
    if (parsed.ec != std::errc() || parsed.ptr != tail + length - 1) {
        return std::nullopt;
    }
    return std::make_pair(value, length - start);
}

} // namespace

PoolFile::PoolFile(std::string poolPath) : path(std::move(poolPath)) {}

PoolFile::Status PoolFile::inspect() {
    const std::string target = resolveTarget(path, false);
    PoolLock lock(target, PoolLock::Mode::SHARED, nullptr);
    const OpenPool pool = openPool(target, path, O_RDONLY);
    const PoolLock::Known state = knownOrScanned(lock, pool, path);
    count = state.count;
    return {state.count, state.writtenForm};
}

int PoolFile::draw() {
    const std::string target = resolveTarget(path, false);
    struct stat owner {};
    const bool exists = ::stat(target.c_str(), &owner) == 0;
    PoolLock lock(target, PoolLock::Mode::EXCLUSIVE, exists ? &owner : nullptr);
    OpenPool pool;
    try {
        pool = openPool(target, path, O_RDWR);
    } catch (const std::runtime_error&) {
        // An empty pool says so even when it could not be changed anyway.
        const OpenPool readable = openPool(target, path, O_RDONLY);
        if (knownOrScanned(lock, readable, path).count == 0) {
            throw std::runtime_error("Entropy pool empty");
        }
        throw;
    }
    const PoolLock::Known state = knownOrScanned(lock, pool, path);
    if (state.count == 0) {
        throw std::runtime_error("Entropy pool empty");
    }
    if (state.writtenForm) {
        if (const auto line = lastLine(pool)) {
            // A truncation is one atomic change of length: a kill leaves the old or the new file.
            if (::ftruncate(pool.fd.get(), pool.status.st_size - line->second) != 0) {
                throw PoolReplacement::writeError(path, errno);
            }
            struct stat after {};
            if (::fstat(pool.fd.get(), &after) == 0) {
                lock.remember(after, {state.count - 1, true});
            }
            count = state.count - 1;
            return line->first;
        }
    }
    // Any other text is rewritten whole, in the written form, without its last value.
    PoolReplacement replacement(target, path, &pool.status);
    const int value = copyValues(pool, path, replacement, true);
    lock.remember(replacement.commit(), {state.count - 1, true});
    count = state.count - 1;
    return value;
}

std::vector<int> PoolFile::readAll() {
    const std::string target = resolveTarget(path, false);
    PoolLock lock(target, PoolLock::Mode::SHARED, nullptr);
    const OpenPool pool = openPool(target, path, O_RDONLY);
    std::vector<int> values;
    PoolReader reader(path, &values);
    readThrough(pool.fd.get(), path, reader, [] {});
    count = values.size();
    return values;
}

void PoolFile::replace(const std::vector<int>& values) {
    const std::string target = resolveTarget(path, true);
    struct stat owner {};
    const bool exists = ::stat(target.c_str(), &owner) == 0;
    PoolLock lock(target, PoolLock::Mode::EXCLUSIVE, exists ? &owner : nullptr);
    OpenPool old;
    if (exists) {
        old = openPool(target, path, O_RDWR); // a pool that refuses writing is not replaced
    }
    PoolReplacement replacement(target, path, exists ? &old.status : nullptr);
    replacement.writeValues(values);
    lock.remember(replacement.commit(), {values.size(), true});
    count = values.size();
}

std::size_t PoolFile::prepend(const ValueSource& source, const BeforeCommit& beforeCommit) {
    const std::string target = resolveTarget(path, true);
    struct stat owner {};
    const bool exists = ::stat(target.c_str(), &owner) == 0;
    PoolLock lock(target, PoolLock::Mode::EXCLUSIVE, exists ? &owner : nullptr);
    OpenPool old;
    PoolLock::Known oldState{};
    if (exists) {
        old = openPool(target, path, O_RDWR);
        oldState = knownOrScanned(lock, old, path); // refuse a malformed pool before taking anything
    }
    PoolReplacement replacement(target, path, exists ? &old.status : nullptr);
    std::size_t added = 0;
    std::vector<int> batch;
    while (source(batch)) {
        replacement.writeValues(batch);
        added += batch.size();
        batch.clear();
    }
    replacement.writeValues(batch);
    added += batch.size();
    if (added == 0 && exists) {
        count = oldState.count;
        return 0;
    }
    if (exists && oldState.writtenForm) {
        copyBytes(old, path, replacement);
    } else if (exists) {
        copyValues(old, path, replacement, false);
    }
    if (beforeCommit) {
        beforeCommit(target, exists ? &old.status : nullptr);
    }
    lock.remember(replacement.commit(), {added + oldState.count, true});
    count = added + oldState.count;
    return added;
}

bool PoolFile::create(const ValueSource& source) {
    const std::string target = resolveTarget(path, true);
    PoolLock lock(target, PoolLock::Mode::EXCLUSIVE, nullptr);
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0) {
        return false; // made while this program waited for the lock
    }
    PoolReplacement replacement(target, path, nullptr);
    std::size_t added = 0;
    std::vector<int> batch;
    while (source(batch)) {
        replacement.writeValues(batch);
        added += batch.size();
        batch.clear();
    }
    replacement.writeValues(batch);
    added += batch.size();
    lock.remember(replacement.commit(), {added, true});
    count = added;
    return true;
}
