#include "PoolPlace.h"

#include "PoolError.h"

#include <cerrno>
#include <climits>
#include <deque>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

// The components of a path; "" and "." say nothing and are left out.
void pushComponents(std::deque<std::string>& todo, const std::string& path) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at <= path.size();) {
        std::size_t end = path.find('/', at);
        end = end == std::string::npos ? path.size() : end;
        std::string part = path.substr(at, end - at);
        if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        at = end + 1;
    }
    todo.insert(todo.begin(), parts.begin(), parts.end());
}

std::vector<std::string> workingDirectory() {
    char buffer[PATH_MAX];
    std::deque<std::string> parts;
    if (::getcwd(buffer, sizeof buffer) != nullptr) {
        pushComponents(parts, buffer);
    }
    return {parts.begin(), parts.end()};
}

std::string joined(const std::vector<std::string>& parts) {
    std::string path;
    for (const std::string& part : parts) {
        path += "/" + part;
    }
    return path.empty() ? "/" : path;
}

UniqueFd openRoot(bool absolute) {
    return UniqueFd(::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

} // namespace

PoolPlace::PoolPlace(const std::string& path, bool mayBeMissing) : shown(path) {
    if (path.empty()) {
        throw PoolError::missing(path);
    }
    std::deque<std::string> todo;
    pushComponents(todo, path);
    std::vector<std::string> real = path.front() == '/' ? std::vector<std::string>{} : workingDirectory();
    directoryFd = openRoot(path.front() == '/');
    int links = 0;
    bool finalIsLink = false;
    while (directoryFd.valid()) {
        if (todo.empty()) {
            throw PoolError::notAPool(path); // a path that ends in a directory
        }
        const std::string part = std::move(todo.front());
        todo.pop_front();
        const bool last = todo.empty();
        if (part == "..") {
            directoryFd.reset(::openat(directoryFd.get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!real.empty()) {
                real.pop_back();
            }
            continue;
        }
        UniqueFd next(::openat(directoryFd.get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat found {};
        if (!next.valid()) {
            if (errno != ENOENT || !last) {
                throw errno == ENOENT || errno == ENOTDIR ? PoolError::missing(path) : PoolError::notAPool(path);
            }
            if (!mayBeMissing || finalIsLink) {
                throw PoolError::missing(path);
            }
        } else if (::fstat(next.get(), &found) != 0) {
            throw PoolError::notAPool(path);
        } else if (S_ISLNK(found.st_mode)) {
            struct stat holder {};
            if (++links > MOST_LINKS || ::fstat(directoryFd.get(), &holder) != 0) {
                throw PoolError::notAPool(path);
            }
            if ((holder.st_mode & S_ISVTX) != 0 && (holder.st_mode & S_IWOTH) != 0 && found.st_uid != holder.st_uid &&
                found.st_uid != ::geteuid()) {
                throw PoolError::notAPool(path, "a link another user left in a shared directory");
            }
            // The very link that was judged, read through its own descriptor.
            char target[PATH_MAX];
            const ssize_t length = ::readlinkat(next.get(), "", target, sizeof target);
            if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
                throw PoolError::notAPool(path);
            }
            const std::string followed(target, static_cast<std::size_t>(length));
            finalIsLink = finalIsLink || last; // the rest is the link's target
            pushComponents(todo, followed);
            if (followed.front() == '/') {
                directoryFd = openRoot(true);
                real.clear();
            }
            continue;
        } else if (!last) {
            if (!S_ISDIR(found.st_mode)) {
                throw PoolError::missing(path);
            }
            directoryFd = std::move(next);
            real.push_back(part);
            continue;
        }
        fileName = part;
        realDirectory = joined(real);
        if (::fstat(directoryFd.get(), &directoryStatus) != 0) {
            throw PoolError::notAPool(path);
        }
        return;
    }
    throw errno == ENOENT || errno == ENOTDIR ? PoolError::missing(path) : PoolError::notAPool(path);
}

std::string PoolPlace::besidePath(const std::string& suffix) const {
    return realDirectory + (realDirectory == "/" ? "" : "/") + besideName(suffix);
}

int PoolPlace::status(struct stat& status) const {
    return ::fstatat(directoryFd.get(), fileName.c_str(), &status, AT_SYMLINK_NOFOLLOW);
}

UniqueFd PoolPlace::open(int flags) const {
    return UniqueFd(::openat(directoryFd.get(), fileName.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
}

UniqueFd PoolPlace::openDirectory() const {
    return UniqueFd(::openat(directoryFd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

std::string PoolPlace::identity() const {
    return std::to_string(directoryStatus.st_dev) + ":" + std::to_string(directoryStatus.st_ino) + "/" + fileName;
}
