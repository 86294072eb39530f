#include "PoolReplacement.h"

#include "PoolLock.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

constexpr std::size_t FLUSH_SIZE = 1 << 18;

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

} // namespace

PoolReplacement::PoolReplacement(std::string realPath, std::string messagePath, const struct stat* old)
    : target(std::move(realPath)), shownPath(std::move(messagePath)), temporary(PoolLock::temporaryPath(target)) {
    if (old != nullptr) {
        keepsOwner = true;
        previous = *old;
    }
    const mode_t mode = keepsOwner ? (previous.st_mode & 07777) : 0666;
    fd.reset(::open(PoolLock::directoryOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (!fd.valid()) {
        // A file system without unnamed files: use the temporary name throughout; the next lock
        // holder removes it if we are killed.
        named = true;
        fd.reset(::open(temporary.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!fd.valid()) {
            fail(errno);
        }
    }
    buffer.reserve(FLUSH_SIZE + 16);
}

PoolReplacement::~PoolReplacement() {
    if (fd.valid() && named) {
        ::unlink(temporary.c_str());
    }
}

std::runtime_error PoolReplacement::writeError(const std::string& path, int error) {
    return std::runtime_error("Failed to write entropy pool: " + path + " (" + std::strerror(error) + ")");
}

void PoolReplacement::fail(int error) const { throw writeError(shownPath, error); }

void PoolReplacement::write(std::string_view text) {
    buffer.append(text);
    if (buffer.size() >= FLUSH_SIZE) {
        flush();
    }
}

void PoolReplacement::appendLine(std::string& text, int value) {
    char line[16];
    char* end = std::to_chars(line, line + sizeof line - 1, value).ptr;
    *end++ = '\n';
    text.append(line, end);
}

void PoolReplacement::writeValues(const std::vector<int>& values) {
    for (const int value : values) {
        appendLine(buffer, value);
        if (buffer.size() >= FLUSH_SIZE) {
            flush();
        }
    }
}

void PoolReplacement::flush() {
    if (!writeAll(fd.get(), buffer)) {
        fail(errno);
    }
    buffer.clear();
}

struct stat PoolReplacement::commit() {
    flush();
    if (keepsOwner) {
        struct stat now {};
        // Only root may give a file away; anyone else keeps what they can.
        if (::fstat(fd.get(), &now) == 0 && (now.st_uid != previous.st_uid || now.st_gid != previous.st_gid)) {
            static_cast<void>(::fchown(fd.get(), previous.st_uid, previous.st_gid));
        }
        if (::fchmod(fd.get(), previous.st_mode & 07777) != 0) {
            fail(errno);
        }
    }
    if (::fsync(fd.get()) != 0) {
        fail(errno);
    }
    if (!named) {
        const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
            ::linkat(fd.get(), "", AT_FDCWD, temporary.c_str(), AT_EMPTY_PATH) != 0) {
            fail(errno);
        }
        named = true;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fail(error);
    }
    named = false; // the name is the pool's now
    struct stat status {};
    ::fstat(fd.get(), &status);
    // Make the rename itself durable.
    const UniqueFd directory(::open(PoolLock::directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) {
        ::fsync(directory.get());
    }
    fd.reset();
    return status;
}
