#include "PoolStamp.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr std::size_t STAMP_SIZE = 256;
constexpr std::size_t STAMP_FIELDS = 10;
using StampFields = std::array<std::uint64_t, STAMP_FIELDS>;

StampFields fieldsOf(const struct stat& pool, const PoolStamp::Known& state) {
    return {static_cast<std::uint64_t>(pool.st_dev),          static_cast<std::uint64_t>(pool.st_ino),
            static_cast<std::uint64_t>(pool.st_size),         static_cast<std::uint64_t>(pool.st_mtim.tv_sec),
            static_cast<std::uint64_t>(pool.st_mtim.tv_nsec), static_cast<std::uint64_t>(pool.st_ctim.tv_sec),
            static_cast<std::uint64_t>(pool.st_ctim.tv_nsec), static_cast<std::uint64_t>(state.count),
            state.writtenForm ? 1U : 0U,                      state.tail};
}

// FNV-1a. Guards against a stamp torn by a reader racing a writer on a file system that does not
// make small writes atomic, and against a stray file of the same name.
std::uint64_t digest(const unsigned char* bytes, std::size_t length, std::uint64_t hash = 14695981039346656037U) {
    for (std::size_t i = 0; i < length; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211U;
    }
    return hash;
}

std::uint64_t checksum(const StampFields& fields) {
    return digest(reinterpret_cast<const unsigned char*>(fields.data()), sizeof fields);
}

bool before(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

} // namespace

std::uint64_t PoolStamp::tailDigest(const char* bytes, std::size_t length) {
    return digest(reinterpret_cast<const unsigned char*>(bytes), length);
}

std::optional<PoolStamp::Known> PoolStamp::known(const struct stat& pool, std::optional<std::uint64_t> tail) const {
    const auto matches = [&](const StampFields& recorded) {
        Known state{static_cast<std::size_t>(recorded[7]), recorded[8] == 1, tail.value_or(recorded[9])};
        return fieldsOf(pool, state) == recorded;
    };
    if (ownStatus && matches(fieldsOf(*ownStatus, ownState))) {
        return ownState;
    }
    struct stat lock {};
    if (lockFile < 0 || ::fstat(lockFile, &lock) != 0) {
        return std::nullopt;
    }
    const bool trustedWriter =
        (lock.st_uid == 0 || lock.st_uid == pool.st_uid || lock.st_uid == ::geteuid()) &&
        ((lock.st_mode & S_IWOTH) == 0 || (pool.st_mode & S_IWOTH) != 0) &&
        ((lock.st_mode & S_IWGRP) == 0 || ((pool.st_mode & S_IWGRP) != 0 && lock.st_gid == pool.st_gid));
    if (!trustedWriter || !before(pool.st_mtim, lock.st_mtim) || !before(pool.st_ctim, lock.st_mtim)) {
        return std::nullopt;
    }
    std::array<char, STAMP_SIZE + 1> text{};
    if (::pread(lockFile, text.data(), STAMP_SIZE, 0) <= 0) {
        return std::nullopt;
    }
    StampFields stored{};
    std::uint64_t storedChecksum = 0;
    const int read = std::sscanf(text.data(),
                                 "%" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64
                                 " %" SCNu64 " %" SCNu64 " %" SCNu64 " %" SCNu64,
                                 &stored[0], &stored[1], &stored[2], &stored[3], &stored[4], &stored[5], &stored[6],
                                 &stored[7], &stored[8], &stored[9], &storedChecksum);
    if (read != static_cast<int>(STAMP_FIELDS) + 1 || storedChecksum != checksum(stored) || !matches(stored)) {
        return std::nullopt;
    }
    return Known{static_cast<std::size_t>(stored[7]), stored[8] == 1, stored[9]};
}

void PoolStamp::remember(const struct stat& pool, Known state) {
    ownStatus = pool;
    ownState = state;
    if (!writable || lockFile < 0) {
        return;
    }
    const StampFields fields = fieldsOf(pool, state);
    std::array<char, STAMP_SIZE + 1> text{};
    std::snprintf(text.data(), text.size(),
                  "%" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64 " %" PRIu64
                  " %" PRIu64 " %" PRIu64 " %" PRIu64,
                  fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7], fields[8],
                  fields[9], checksum(fields));
    // One fixed-size write, padded, so that no stale tail of an older stamp survives.
    std::size_t used = 0;
    while (used < STAMP_SIZE - 1 && text[used] != '\0') {
        ++used;
    }
    for (; used < STAMP_SIZE - 1; ++used) {
        text[used] = ' ';
    }
    text[STAMP_SIZE - 1] = '\n';
    // Written again while its time is not past the pool's: a kernel with fine-grained times for
    // files whose times were just looked at then gives it a later one. Elsewhere it stays racily
    // clean, and the next holder reads the pool once.
    struct stat lock {};
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::pwrite(lockFile, text.data(), STAMP_SIZE, 0) != static_cast<ssize_t>(STAMP_SIZE) ||
            ::fstat(lockFile, &lock) != 0 ||
            (before(pool.st_mtim, lock.st_mtim) && before(pool.st_ctim, lock.st_mtim))) {
            return;
        }
    }
}
