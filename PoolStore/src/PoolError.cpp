#include "PoolError.h"

#include <cerrno>
#include <cstring>

namespace {

std::string withReason(const std::string& text, int error) { return text + " (" + std::strerror(error) + ")"; }

} // namespace

PoolError PoolError::missing(const std::string& path) {
    return {Kind::MISSING, "Failed to open entropy pool: " + path};
}

PoolError PoolError::notAPool(const std::string& path, const std::string& reason) {
    return {Kind::NOT_A_POOL, "Failed to open entropy pool: " + path + (reason.empty() ? "" : " (" + reason + ")")};
}

PoolError PoolError::malformed(const std::string& origin, std::size_t line, const std::string& what) {
    return {Kind::MALFORMED, "Malformed entropy pool: " + origin + ": line " + std::to_string(line) + ": " + what};
}

PoolError PoolError::empty() { return {Kind::EMPTY, "Entropy pool empty"}; }

PoolError PoolError::busy(const std::string& path) {
    return {Kind::BUSY, withReason("Cannot lock entropy pool: " + path, EDEADLK)};
}

PoolError PoolError::cannotLock(const std::string& path, int error) {
    return {Kind::CANNOT_LOCK, withReason("Cannot lock entropy pool: " + path, error)};
}

PoolError PoolError::cannotWrite(const std::string& path, int error) {
    return cannotWriteFile("entropy pool: " + path, error);
}

PoolError PoolError::cannotWriteFile(const std::string& description, int error) {
    return {Kind::CANNOT_WRITE, withReason("Failed to write " + description, error)};
}
