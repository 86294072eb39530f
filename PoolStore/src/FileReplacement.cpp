#include "FileReplacement.h"

#include "PoolError.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::size_t FLUSH_SIZE = 1 << 18;

FileReplacement::Fault injectedFault = nullptr;

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

// Links the open, unnamed file to `name`; a leftover of a killed commit there goes first (the
// caller's lock makes the name its alone).
bool linkUnnamed(int fd, int directory, const std::string& name) {
    static_cast<void>(::unlinkat(directory, name.c_str(), 0));
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    return ::linkat(AT_FDCWD, self.c_str(), directory, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
           ::linkat(fd, "", directory, name.c_str(), AT_EMPTY_PATH) == 0;
}

} // namespace

void FileReplacement::injectFault(Fault fault) { injectedFault = fault; }

FileReplacement::FileReplacement(int directoryFd, std::string fileName, std::string what, const struct stat* old)
    : directory(::openat(directoryFd, ".", O_PATH | O_DIRECTORY | O_CLOEXEC)), name(std::move(fileName)), temporary(temporaryName(name)),
      description(std::move(what)) {
    if (old != nullptr) {
        keepsOwner = true;
        previous = *old;
    }
    const mode_t mode = keepsOwner ? (previous.st_mode & 07777) : 0666;
    if (!directory.valid()) {
        fail(errno);
    }
    fd.reset(::openat(directory.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (!fd.valid()) {
        // A file system without unnamed files: use the temporary name throughout; the next
        // commit, or the next lock holder, removes it if we are killed.
        named = true;
        static_cast<void>(::unlinkat(directory.get(), temporary.c_str(), 0));
        fd.reset(::openat(directory.get(), temporary.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC,
                          mode));
        if (!fd.valid()) {
            named = false;
            fail(errno);
        }
    }
    buffer.reserve(FLUSH_SIZE + 16);
}

FileReplacement::FileReplacement(FileReplacement&& other) noexcept
    : directory(std::move(other.directory)), name(std::move(other.name)), temporary(std::move(other.temporary)),
      description(std::move(other.description)), fd(std::move(other.fd)), named(std::exchange(other.named, false)),
      keepsOwner(other.keepsOwner), prepared(other.prepared), previous(other.previous),
      buffer(std::move(other.buffer)), flushed(other.flushed) {}

FileReplacement::~FileReplacement() {
    if (fd.valid() && named) {
        ::unlinkat(directory.get(), temporary.c_str(), 0);
    }
}

void FileReplacement::fail(int error) const { throw PoolError::cannotWriteFile(description, error); }

template <typename Action>
void FileReplacement::run(Step step, Action action) {
    if (const int injected = injectedFault != nullptr ? injectedFault(step, name) : 0) {
        fail(injected);
    }
    if (!action()) {
        fail(errno);
    }
}

void FileReplacement::write(std::string_view text) {
    buffer.append(text);
    if (buffer.size() >= FLUSH_SIZE) {
        flush();
    }
}

void FileReplacement::flush() {
    run(Step::WRITE, [this] { return writeAll(fd.get(), buffer); });
    flushed += static_cast<off_t>(buffer.size());
    buffer.clear();
}

void FileReplacement::cutTo(off_t length) {
    flush();
    if (::ftruncate(fd.get(), length) != 0 || ::lseek(fd.get(), length, SEEK_SET) != length) {
        fail(errno);
    }
    flushed = length;
    prepared = false;
}

void FileReplacement::prepare() {
    flush();
    if (keepsOwner) {
        struct stat now {};
        if (::fstat(fd.get(), &now) != 0) {
            fail(errno);
        }
        // Only root may give a file away; anyone else keeps what they can.
        if (now.st_uid != previous.st_uid || now.st_gid != previous.st_gid) {
            static_cast<void>(::fchown(fd.get(), previous.st_uid, previous.st_gid));
        }
        if (::fchmod(fd.get(), previous.st_mode & 07777) != 0) {
            fail(errno);
        }
    }
    run(Step::SYNC, [this] { return ::fsync(fd.get()) == 0; });
    prepared = true;
}

struct stat FileReplacement::commit() {
    if (!prepared) {
        prepare();
    }
    if (!named) {
        run(Step::LINK, [this] { return linkUnnamed(fd.get(), directory.get(), temporary); });
        named = true;
    }
    run(Step::RENAME, [this] {
        return ::renameat(directory.get(), temporary.c_str(), directory.get(), name.c_str()) == 0;
    });
    named = false; // the name is the file's now
    // From here on the new file is in place; a failure still says that it may not last.
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) {
        fail(errno);
    }
    // A directory that cannot be opened for its sync is as bad as a failed sync.
    const UniqueFd opened(::openat(directory.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!opened.valid()) {
        fail(errno);
    }
    run(Step::SYNC_DIRECTORY, [&opened] { return ::fsync(opened.get()) == 0; });
    fd.reset();
    return status;
}
