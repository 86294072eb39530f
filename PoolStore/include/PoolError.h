#pragma once
// Every failure of the pool store: a kind that callers switch on, and a message that names the
// file, in the words the programs show the player as they are.

#include <cstddef>
#include <stdexcept>
#include <string>

class PoolError : public std::runtime_error {
public:
    enum class Kind {
        MISSING,      // nothing at the name: "Failed to open entropy pool: <path>"
        NOT_A_POOL,   // something there that is no pool to use (a FIFO, a device, a directory, an
                      // unreadable file, a link the link rule refuses): the same words, perhaps a reason
        MALFORMED,    // "Malformed entropy pool: <origin>: line N: <what>"
        EMPTY,        // "Entropy pool empty"
        BUSY,         // held by this very process, so waiting would never end:
                      // "Cannot lock entropy pool: <path> (Resource deadlock avoided)"
        CANNOT_LOCK,  // "Cannot lock entropy pool: <path> (<reason>)"
        CANNOT_WRITE, // "Failed to write entropy pool: <path> (<reason>)", or a file beside the pool
                      // named in its own words
    };

    PoolError(Kind kind, const std::string& message) : std::runtime_error(message), errorKind(kind) {}

    Kind kind() const { return errorKind; }

    static PoolError missing(const std::string& path);
    // `reason`, when given, is added in parentheses.
    static PoolError notAPool(const std::string& path, const std::string& reason = "");
    static PoolError malformed(const std::string& origin, std::size_t line, const std::string& what);
    static PoolError empty();
    static PoolError busy(const std::string& path);
    static PoolError cannotLock(const std::string& path, int error);
    static PoolError cannotWrite(const std::string& path, int error);
    // A failure to write a file that `description` names ("Failed to write <what>: <path>").
    static PoolError cannotWriteFile(const std::string& description, int error);

private:
    Kind errorKind;
};
