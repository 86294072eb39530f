#pragma once
// A file replaced whole, in two steps. prepare() writes the new contents beside the old file and
// makes them durable; the new file has no name meanwhile (O_TMPFILE), so a kill leaves nothing
// behind. commit() then puts it in the old one's place in one rename and makes that durable, so
// readers and a kill at any instant see the old or the new file, whole. A file that describes
// another (what was added to a pool) is prepared with it and committed only after it, so that it
// never tells of a change that did not happen.
//
// Callers hold the exclusive lock of whatever the file belongs to: the temporary name a commit
// uses is then theirs alone, and one found there is a leftover of a killed commit.

#include "UniqueFd.h"

#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

class FileReplacement {
public:
    // Each step that reaches the disk, in order.
    enum class Step { WRITE, SYNC, LINK, RENAME, SYNC_DIRECTORY };
    // A seam for tests: when set, runs before each step with the name of the file being
    // replaced, and a non-zero result fails that step with that errno.
    using Fault = int (*)(Step step, const std::string& name);
    static void injectFault(Fault fault);

    // Replaces `name` in `directory` (an open directory). Failures throw PoolError CANNOT_WRITE,
    // "Failed to write <description> (<reason>)". `previous`, when the file exists, gives the
    // owner, group and mode the new file keeps.
    FileReplacement(int directory, std::string name, std::string description, const struct stat* previous);
    // Without commit() the old file stays as it was.
    ~FileReplacement();
    FileReplacement(FileReplacement&& other) noexcept;
    FileReplacement& operator=(FileReplacement&&) = delete;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    void write(std::string_view text);
    // How much has been written so far, and going back to an earlier size.
    off_t size() const { return flushed + static_cast<off_t>(buffer.size()); }
    void cutTo(off_t length);

    // Everything but the rename: the contents, owner and mode, on disk.
    void prepare();
    // Puts the new file in the old one's place, durably; returns its status.
    struct stat commit();

    // The one name a commit links its finished file to before renaming it over `name`.
    static std::string temporaryName(const std::string& name) { return "." + name + ".new"; }

private:
    void flush();
    // Runs one step: `action` says whether it succeeded, with errno set when not.
    template <typename Action>
    void run(Step step, Action action);
    [[noreturn]] void fail(int error) const;

    UniqueFd directory;
    std::string name;
    std::string temporary;
    std::string description;
    UniqueFd fd;
    bool named = false;
    bool keepsOwner = false;
    bool prepared = false;
    struct stat previous {};
    std::string buffer;
    off_t flushed = 0;
};
