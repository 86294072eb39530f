#include "PoolFill.h"

#include "UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr std::size_t READ_CHUNK = 65'536;
constexpr std::size_t CREATE_BATCH = 65'536;

std::string valueCount(std::size_t count) { return std::to_string(count) + (count == 1 ? " value" : " values"); }

} // namespace

std::vector<int> PoolFill::fromBytes(std::string_view bytes) {
    std::vector<int> result;
    result.reserve(bytes.size() / VALUE_BYTES);
    for (std::size_t at = 0; at + VALUE_BYTES <= bytes.size(); at += VALUE_BYTES) {
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < VALUE_BYTES; ++k) {
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + k])) << (8 * k);
        }
        result.push_back(static_cast<int>(value));
    }
    return result;
}

std::vector<int> PoolFill::values(std::string_view bytes, std::size_t count, const std::string& origin) {
    if (bytes.size() < count * VALUE_BYTES) {
        throw std::runtime_error(origin + ": ends after " + std::to_string(bytes.size()) + " bytes; " +
                                 valueCount(count) + " take " + std::to_string(count * VALUE_BYTES));
    }
    return fromBytes(bytes.substr(0, count * VALUE_BYTES));
}

std::string PoolFill::readBytes(const std::string& source, std::size_t limit) {
    const UniqueFd file(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        throw std::runtime_error("Failed to read " + source + " (" + std::strerror(errno) + ")");
    }
    std::string bytes;
    char chunk[READ_CHUNK];
    while (bytes.size() < limit) {
        const ssize_t got = ::read(file.get(), chunk, std::min(READ_CHUNK, limit - bytes.size()));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw std::runtime_error("Failed to read " + source + " (" + std::strerror(errno) + ")");
        }
        if (got == 0) {
            break;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return bytes;
}

bool PoolFill::createFromSystem(PoolFile& pool, std::size_t count) {
    const std::vector<int> fresh = values(readBytes(SYSTEM_SOURCE, count * VALUE_BYTES), count, SYSTEM_SOURCE);
    std::size_t next = 0;
    return pool.create([&](std::vector<int>& batch) {
        const std::size_t size = std::min(CREATE_BATCH, fresh.size() - next);
        batch.insert(batch.end(), fresh.begin() + static_cast<std::ptrdiff_t>(next),
                     fresh.begin() + static_cast<std::ptrdiff_t>(next + size));
        next += size;
        return size != 0;
    });
}
