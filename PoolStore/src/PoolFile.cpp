#include "PoolFile.h"

#include "FileReplacement.h"
#include "LockedPool.h"
#include "PoolError.h"
#include "PoolReader.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace {

// Big enough to read at the speed of the page cache, small enough to stay in the CPU's caches
// (larger pieces measured slower: the copy out of the page cache then misses them).
constexpr std::size_t CHUNK_SIZE = 1 << 16;

constexpr std::size_t FORMAT_BATCH = 1 << 16;

using Opened = LockedPool::Opened;
using Known = PoolStamp::Known;

// What a failed change of the pool file says.
std::string describe(const std::string& path) { return "entropy pool: " + path; }

// Appends the written form of the values.
void writeValues(FileReplacement& out, const std::vector<int>& values) {
    std::string text;
    text.reserve(std::min(values.size(), FORMAT_BATCH) * PoolReader::MAX_WRITTEN_LINE);
    for (std::size_t at = 0; at < values.size();) {
        const std::size_t end = std::min(values.size(), at + FORMAT_BATCH);
        text.clear();
        for (; at < end; ++at) {
            PoolFile::appendLine(text, values[at]);
        }
        out.write(text);
    }
}

// Hands `onPiece` the file's bytes in pieces, with plain reads, never a mapping: a file that
// shrinks meanwhile only ends the text early.
template <typename OnPiece>
void forEachPiece(int fd, const std::string& path, OnPiece onPiece) {
    const std::unique_ptr<char[]> buffer(new char[CHUNK_SIZE]);
    off_t offset = 0;
    for (;;) {
        const ssize_t length = ::pread(fd, buffer.get(), CHUNK_SIZE, offset);
        if (length < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw PoolError::notAPool(path);
        }
        if (length == 0) {
            return;
        }
        offset += length;
        onPiece(std::string_view(buffer.get(), static_cast<std::size_t>(length)));
    }
}

// Reads the whole file through `reader`; `afterPiece` runs after each piece.
template <typename AfterPiece>
void readThrough(int fd, const std::string& path, PoolReader& reader, AfterPiece afterPiece) {
    forEachPiece(fd, path, [&](std::string_view piece) {
        reader.feed(piece);
        afterPiece();
    });
    reader.finish();
    afterPiece();
}

// The file's last bytes, as many as PoolStamp::TAIL_SIZE.
struct Tail {
    char bytes[PoolStamp::TAIL_SIZE] = {};
    std::size_t length = 0;
    std::uint64_t digest() const { return PoolStamp::tailDigest(bytes, length); }
};

Tail tailOf(const Opened& file) {
    Tail tail;
    const off_t length = std::min<off_t>(file.status.st_size, static_cast<off_t>(PoolStamp::TAIL_SIZE));
    const ssize_t got =
        ::pread(file.fd.get(), tail.bytes, static_cast<std::size_t>(length), file.status.st_size - length);
    tail.length = got > 0 ? static_cast<std::size_t>(got) : 0;
    return tail;
}

// What the stamp knows of the file, or what one read of it finds (then remembered); nothing when
// the file changed during the read, so that the caller looks at it again.
std::optional<Known> knownOrScanned(LockedPool& pool, const Opened& file, const Tail& tail, bool checkTail) {
    const std::uint64_t digest = tail.digest();
    const std::optional<std::uint64_t> checked = checkTail ? std::optional(digest) : std::nullopt;
    if (const std::optional<Known> known = pool.stamp().known(file.status, checked)) {
        return known;
    }
    PoolReader reader(pool.shownPath());
    readThrough(file.fd.get(), pool.shownPath(), reader, [] {});
    if (!pool.unchanged(file)) {
        return std::nullopt;
    }
    const Known state{reader.count(), reader.writtenForm(), digest};
    pool.stamp().remember(file.status, state);
    return state;
}

// Remembers the state of a pool file just put in place by a rewrite.
void rememberCommitted(LockedPool& pool, const struct stat& committed, std::size_t count) {
    Opened file;
    file.fd = pool.place().open(O_RDONLY);
    file.status = committed;
    if (pool.unchanged(file)) { // false too when it cannot be opened
        pool.stamp().remember(file.status, {count, true, tailOf(file).digest()});
    }
}

// Copies the written form of every value in the file into `out`; returns the last value, which
// is left out when `holdBackLast` is set, or nothing when the file holds no value.
std::optional<int> copyValues(const Opened& file, const std::string& path, FileReplacement& out, bool holdBackLast) {
    std::vector<int> batch;
    PoolReader reader(path, &batch);
    std::optional<int> last;
    readThrough(file.fd.get(), path, reader, [&] {
        if (batch.empty()) {
            return;
        }
        if (last) {
            writeValues(out, {*last});
        }
        last = batch.back();
        batch.pop_back();
        writeValues(out, batch);
        batch.clear();
    });
    if (last && !holdBackLast) {
        writeValues(out, {*last});
    }
    return last;
}

// Copies a file that is already in the written form as it is.
void copyBytes(const Opened& file, const std::string& path, FileReplacement& out) {
    forEachPiece(file.fd.get(), path, [&out](std::string_view piece) { out.write(piece); });
}

// The last line of the tail, when the file ends in the written form: its value and length.
std::optional<std::pair<int, off_t>> lastLine(const Tail& tail, off_t fileSize) {
    const std::size_t length = tail.length;
    if (length < 2 || tail.bytes[length - 1] != '\n') {
        return std::nullopt;
    }
    std::size_t start = length - 1;
    while (start > 0 && tail.bytes[start - 1] != '\n') {
        --start;
    }
    if (start == 0 && static_cast<off_t>(length) != fileSize) {
        return std::nullopt; // longer than any line of the written form
    }
    int value = 0;
    const auto parsed = std::from_chars(tail.bytes + start, tail.bytes + length - 1, value);
    if (parsed.ec != std::errc() || parsed.ptr != tail.bytes + length - 1) {
        return std::nullopt;
    }
    return std::make_pair(value, static_cast<off_t>(length - start));
}

struct Drawn {
    int value = 0;
    std::size_t left = 0;
    UniqueFd cut; // the file cut in place, to be made durable
};

// Takes the file's last value, on the size checked right before the cut; a file changed while it
// was being looked at is looked at again.
Drawn drawFrom(LockedPool& pool) {
    const std::string& path = pool.shownPath();
    for (;;) {
        Opened file;
        try {
            file = pool.open(O_RDWR);
        } catch (const PoolError& error) {
            if (error.kind() != PoolError::Kind::CANNOT_WRITE) {
                throw;
            }
            // An empty pool says so even when it could not be changed anyway.
            const Opened readable = pool.open(O_RDONLY);
            const std::optional<Known> state = knownOrScanned(pool, readable, tailOf(readable), false);
            if (state && state->count == 0) {
                throw PoolError::empty();
            }
            throw;
        }
        const Tail tail = tailOf(file);
        const std::optional<Known> state = knownOrScanned(pool, file, tail, true);
        if (!state) {
            continue;
        }
        if (state->count == 0) {
            throw PoolError::empty();
        }
        const std::optional<std::pair<int, off_t>> line = state->writtenForm ? lastLine(tail, file.status.st_size)
                                                                             : std::nullopt;
        if (line) {
            if (!pool.unchanged(file)) {
                continue;
            }
            // A truncation is one atomic change of length: a kill leaves the old or the new file.
            if (::ftruncate(file.fd.get(), file.status.st_size - line->second) != 0 ||
                ::fstat(file.fd.get(), &file.status) != 0) {
                throw PoolError::cannotWrite(path, errno);
            }
            pool.stamp().remember(file.status, {state->count - 1, true, tailOf(file).digest()});
            return {line->first, state->count - 1, std::move(file.fd)};
        }
        // Any other text is rewritten whole, in the written form, without its last value.
        FileReplacement replacement(pool.place().directory(), pool.place().name(), describe(path), &file.status);
        const std::optional<int> value = copyValues(file, path, replacement, true);
        if (!value) {
            throw PoolError::empty(); // never a value made up
        }
        replacement.prepare();
        if (!pool.unchanged(file)) {
            continue;
        }
        rememberCommitted(pool, replacement.commit(), state->count - 1);
        return {*value, state->count - 1, UniqueFd()};
    }
}

// Writes every value `source` gives; returns how many.
std::size_t writeAll(const PoolFile::ValueSource& source, FileReplacement& replacement) {
    std::size_t written = 0;
    std::vector<int> batch;
    for (bool more = true; more;) {
        more = source(batch);
        writeValues(replacement, batch);
        written += batch.size();
        batch.clear();
    }
    return written;
}

} // namespace

void PoolFile::appendLine(std::string& text, int value) {
    char line[16];
    char* end = std::to_chars(line, line + sizeof line - 1, value).ptr;
    *end++ = '\n';
    text.append(line, end);
}

PoolFile::PoolFile(std::string poolPath) : path(std::move(poolPath)) {}

PoolFile::~PoolFile() = default;

PoolFile::Hold::~Hold() {
    if (file != nullptr) {
        file->endHold(false);
    }
}

PoolFile::Hold& PoolFile::Hold::operator=(Hold&& other) noexcept {
    if (this != &other) {
        if (file != nullptr) {
            file->endHold(false);
        }
        file = std::exchange(other.file, nullptr);
    }
    return *this;
}

void PoolFile::Hold::release() {
    if (PoolFile* const ending = std::exchange(file, nullptr)) {
        ending->endHold(true);
    }
}

// Said once per PoolFile: one consultation, one program's question.
std::function<void()> PoolFile::longWaitNotice() {
    return [this] {
        if (!toldWaiting) {
            toldWaiting = true;
            std::cerr << "Waiting for the entropy pool: another program is using " + path + "\n" << std::flush;
        }
    };
}

template <typename Operation>
auto PoolFile::withPool(bool exclusive, bool mayBeMissing, Operation operation) {
    if (held) {
        return operation(*held);
    }
    LockedPool pool(path, exclusive ? PoolLock::Mode::EXCLUSIVE : PoolLock::Mode::SHARED, mayBeMissing,
                    {false, longWaitNotice()});
    return operation(pool);
}

PoolFile::Hold PoolFile::hold() {
    if (!held) {
        held = std::make_unique<LockedPool>(path, PoolLock::Mode::EXCLUSIVE, false,
                                            PoolLock::Waiting{false, longWaitNotice()});
    }
    ++holdDepth;
    return Hold(this);
}

std::optional<PoolFile::Hold> PoolFile::tryHold() {
    if (!held) {
        auto pool = std::make_unique<LockedPool>(path, PoolLock::Mode::EXCLUSIVE, false, PoolLock::Waiting{true, {}});
        if (pool->busy()) {
            return std::nullopt;
        }
        held = std::move(pool);
    }
    ++holdDepth;
    return Hold(this);
}

void PoolFile::makeDurable() {
    if (!unsynced.valid()) {
        return;
    }
    const UniqueFd file = std::move(unsynced);
    if (::fdatasync(file.get()) != 0) {
        throw PoolError::cannotWrite(path, errno);
    }
}

void PoolFile::endHold(bool mayThrow) {
    try {
        makeDurable();
    } catch (const std::runtime_error&) {
        if (--holdDepth == 0) {
            held.reset();
        }
        if (mayThrow) {
            throw;
        }
        return;
    }
    if (--holdDepth == 0) {
        held.reset();
    }
}

std::optional<PoolFile::Status> PoolFile::inspectWaiting(bool tryOnly) {
    const auto inspectIn = [this](LockedPool& pool) {
        for (;;) {
            const Opened file = pool.open(O_RDONLY);
            if (const std::optional<Known> state = knownOrScanned(pool, file, tailOf(file), false)) {
                count = state->count;
                return Status{state->count, state->writtenForm};
            }
        }
    };
    if (held || !tryOnly) {
        return withPool(false, false, inspectIn);
    }
    LockedPool pool(path, PoolLock::Mode::SHARED, false, {true, {}});
    if (pool.busy()) {
        return std::nullopt;
    }
    return inspectIn(pool);
}

PoolFile::Status PoolFile::inspect() { return *inspectWaiting(false); }

std::optional<PoolFile::Status> PoolFile::tryInspect() { return inspectWaiting(true); }

int PoolFile::draw() {
    const bool lone = !held;
    Drawn drawn = withPool(true, false, [lone, this](LockedPool& pool) {
        Drawn taken = drawFrom(pool);
        // Made durable before the value can be shown; in a Hold, once when it ends.
        if (lone && taken.cut.valid() && ::fdatasync(taken.cut.get()) != 0) {
            throw PoolError::cannotWrite(path, errno);
        }
        return taken;
    });
    if (!lone && drawn.cut.valid()) {
        unsynced = std::move(drawn.cut);
    }
    count = drawn.left;
    return drawn.value;
}

std::vector<int> PoolFile::readAll() {
    return withPool(false, false, [this](LockedPool& pool) {
        for (;;) {
            const Opened file = pool.open(O_RDONLY);
            std::vector<int> values;
            PoolReader reader(path, &values);
            readThrough(file.fd.get(), path, reader, [] {});
            if (pool.unchanged(file)) {
                count = values.size();
                return values;
            }
        }
    });
}

void PoolFile::replace(const std::vector<int>& values) {
    withPool(true, true, [&](LockedPool& pool) {
        Opened old;
        const bool exists = pool.exists();
        if (exists) {
            old = pool.open(O_RDWR); // a pool that refuses writing is not replaced
        }
        FileReplacement replacement(pool.place().directory(), pool.place().name(), describe(path),
                                    exists ? &old.status : nullptr);
        writeValues(replacement, values);
        rememberCommitted(pool, replacement.commit(), values.size());
    });
    count = values.size();
}

std::size_t PoolFile::prepend(const ValueSource& source, const Companion& companion) {
    return withPool(true, true, [&](LockedPool& pool) {
        Opened old;
        std::optional<Known> oldState = Known{0, true, 0};
        const bool exists = pool.exists();
        const auto look = [&] {
            old = pool.open(O_RDWR);
            // Refuse a malformed pool before taking anything.
            while (!(oldState = knownOrScanned(pool, old, tailOf(old), false))) {
                old = pool.open(O_RDWR);
            }
        };
        if (exists) {
            look();
        }
        FileReplacement replacement(pool.place().directory(), pool.place().name(), describe(path),
                                    exists ? &old.status : nullptr);
        const std::size_t added = writeAll(source, replacement);
        if (added == 0 && exists) {
            count = oldState->count;
            return std::size_t{0};
        }
        if (companion.prepare) {
            companion.prepare(pool.place(), exists ? &old.status : nullptr);
        }
        const off_t newValues = replacement.size();
        for (;;) {
            if (exists && oldState->writtenForm) {
                copyBytes(old, path, replacement);
            } else if (exists) {
                copyValues(old, path, replacement, false);
            }
            replacement.prepare();
            // As a draw does: what was copied must still be the pool, or it is copied again.
            if (!exists || pool.unchanged(old)) {
                break;
            }
            replacement.cutTo(newValues);
            look();
        }
        count = added + oldState->count;
        rememberCommitted(pool, replacement.commit(), count);
        if (companion.commit) {
            companion.commit();
        }
        return added;
    });
}

bool PoolFile::create(const ValueSource& source) {
    return withPool(true, true, [&](LockedPool& pool) {
        if (pool.exists()) {
            return false; // made while this program waited for the lock
        }
        FileReplacement replacement(pool.place().directory(), pool.place().name(), describe(path), nullptr);
        count = writeAll(source, replacement);
        rememberCommitted(pool, replacement.commit(), count);
        return true;
    });
}
