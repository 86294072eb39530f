#pragma once
// Owns a POSIX file descriptor and closes it on every path out. Header-only, in a folder of its
// own, so that logging and the pool store share it without either depending on the other.

#include <unistd.h>

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int descriptor) : fd(descriptor) {}
    UniqueFd(UniqueFd&& other) noexcept : fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd; }
    bool valid() const { return fd >= 0; }
    int release() {
        const int descriptor = fd;
        fd = -1;
        return descriptor;
    }
    void reset(int descriptor = -1) {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = descriptor;
    }

private:
    int fd = -1;
};
