#pragma once
// Where a pool is: its directory, open, and its name in it, reached from the path given one
// component at a time. Every symbolic link on the way is judged by the kernel's
// protected_symlinks rule: in a sticky directory anyone may write (/tmp), only a link of the
// directory's owner or of our own is followed, so that another user cannot point our reads and
// writes at a file of their choice, neither with the pool's own name nor with a directory before
// it. Everything after works on the open directory, never on the path again, so a link swapped in
// after the check changes nothing.

#include "UniqueFd.h"

#include <string>
#include <sys/stat.h>

class PoolPlace {
public:
    // Links followed in a row at most, as the kernel allows (ELOOP).
    static constexpr int MOST_LINKS = 40;

    // `path` is the pool's path as given; messages name it. Throws PoolError: MISSING when a
    // directory on the way is missing, or the pool itself unless `mayBeMissing` (never for a
    // dangling link: where it points is not ours to create); NOT_A_POOL for a link the rule
    // refuses, too many links, or a path that leads nowhere a pool can be.
    PoolPlace(const std::string& path, bool mayBeMissing);

    const std::string& shownPath() const { return shown; }
    // The directory, open with O_PATH: a base for *at() calls only.
    int directory() const { return directoryFd.get(); }
    const std::string& name() const { return fileName; }
    // The directory as a path with every link resolved, for messages about the files beside the pool.
    const std::string& directoryPath() const { return realDirectory; }

    // "." + name + suffix, a file beside the pool that belongs to it, and that file's path.
    std::string besideName(const std::string& suffix) const { return "." + fileName + suffix; }
    std::string besidePath(const std::string& suffix) const;

    // lstat of the pool's name now: 0, or -1 with errno set.
    int status(struct stat& status) const;
    // The pool's name, opened never through a link; invalid with errno set on failure.
    UniqueFd open(int flags) const;
    // The directory, opened for reading (for its fsync).
    UniqueFd openDirectory() const;

    // The same for every path that leads to this pool.
    std::string identity() const;

private:
    std::string shown;
    UniqueFd directoryFd;
    std::string fileName;
    std::string realDirectory;
    struct stat directoryStatus {};
};
