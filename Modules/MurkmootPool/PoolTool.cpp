#include "PoolTool.h"

#include "AddedRecord.h"
#include "core/CommandLine.h"
#include "PoolFile.h"
#include "PoolFill.h"
#include "PoolError.h"
#include "PoolImport.h"
#include "PoolPlace.h"
#include "Sha256.h"
#include "UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <span>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const CommandLine::Program PROGRAM{
    "MurkmootPool",
    "Usage: MurkmootPool status [--pool FILE]\n"
    "       MurkmootPool add [--format auto|text|bytes|qrng-json] [--again] [--pool FILE] [SOURCE|-]\n"
    "       MurkmootPool fill N [--source FILE] [--pool FILE]\n"
    "       MurkmootPool --help | --version\n"
    "Inspects and refills the entropy pool, also while the games are running.\n"
    "  status  the values left, about how many consultations they last (13 or 14 values each)\n"
    "          and whether the file is in the written form (one plain decimal per line)\n"
    "  add     puts the values SOURCE holds in front of those in the pool, which keep their\n"
    "          turn; SOURCE is a file, or - (the default) for standard input. --format:\n"
    "            text       integers, read as the games read the pool\n"
    "            bytes      every 4 bytes one 32-bit value, little-endian\n"
    "            qrng-json  a quantum random number service's JSON response, or an array of\n"
    "                       them; only \"data\" enters the pool (types uint8, uint16, hex16)\n"
    "            auto       qrng-json for a JSON object or an array of objects, else text\n"
    "                       (the default)\n"
    "          SOURCE may hold up to 100000000 values in up to 2147483648 bytes. Data already\n"
    "          added to the pool is refused, unless --again says to add it once more.\n"
    "  fill    adds N values read as bytes from FILE (default /dev/urandom)\n"
    "  --pool FILE  the pool; by default the one the games beside this program use:\n"
    "               Assets/Data/entropy_pool.txt in a build tree, else\n"
    "               $XDG_DATA_HOME/murkmoot/entropy_pool.txt (~/.local/share/murkmoot/);\n"
    "               add and fill create it when it does not exist, and say so\n"};

const CommandLine::Option POOL{"--pool", true};
const CommandLine::Option FORMAT{"--format", true};
const CommandLine::Option SOURCE{"--source", true};
const CommandLine::Option AGAIN{"--again", false};

const CommandLine::Option STATUS_OPTIONS[] = {POOL};
const CommandLine::Option ADD_OPTIONS[] = {POOL, FORMAT, AGAIN};
const CommandLine::Option FILL_OPTIONS[] = {POOL, SOURCE};
const CommandLine::Option ALL_OPTIONS[] = {POOL, FORMAT, SOURCE, AGAIN};

const char* const BUILD_TREE_POOL = "Assets/Data/entropy_pool.txt";
const char* const STANDARD_INPUT = "-";

// The council asks only with at least this many values, and a consultation draws 13 or 14.
constexpr std::size_t FEWEST_TO_ASK = 15;
constexpr std::size_t FEWEST_DRAWS = 13;
constexpr std::size_t MOST_DRAWS = 14;

// A fill is held in memory before it enters the pool: 400 MB at most. An add takes as many.
constexpr std::size_t MOST_FILL_VALUES = 100'000'000;
// Room for that many values in any compact form (JSON of uint8 values takes about 16 bytes a
// value), while an endless source is refused within seconds.
constexpr std::size_t MOST_SOURCE_BYTES = std::size_t{1} << 31;
constexpr std::size_t VALUE_BYTES = PoolFill::VALUE_BYTES;
constexpr std::size_t PREPEND_BATCH = 65'536;

std::string values(std::size_t count) { return std::to_string(count) + (count == 1 ? " value" : " values"); }

std::string sourceName(const std::string& name) { return name == STANDARD_INPUT ? "standard input" : name; }

// Refuses a source that is the pool itself: adding the pool to itself would hand every value out
// twice.
void refuseThePool(const std::string& source, const std::string& pool) {
    struct stat sourceStat {};
    struct stat poolStat {};
    if (source != STANDARD_INPUT && ::stat(source.c_str(), &sourceStat) == 0 &&
        ::stat(pool.c_str(), &poolStat) == 0 && sourceStat.st_dev == poolStat.st_dev &&
        sourceStat.st_ino == poolStat.st_ino) {
        throw std::runtime_error(source + ": is the pool itself; its values would be handed out twice");
    }
}

// A digest of the values themselves: the same data is the same whatever form it came in.
std::string digestOf(const std::vector<int>& values) {
    Sha256 digest;
    std::string bytes;
    for (std::size_t at = 0; at < values.size(); at += PREPEND_BATCH) {
        bytes.clear();
        for (std::size_t i = at; i < std::min(values.size(), at + PREPEND_BATCH); ++i) {
            for (std::size_t k = 0; k < VALUE_BYTES; ++k) {
                bytes.push_back(static_cast<char>(static_cast<std::uint32_t>(values[i]) >> (8 * k)));
            }
        }
        digest.update(bytes);
    }
    return digest.hexDigest();
}

std::string localTime(std::int64_t secondsSinceEpoch) {
    const auto time = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm parts{};
    char text[32] = "";
    if (::localtime_r(&time, &parts) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    }
    return text;
}

// The words after the command's name.
std::span<const std::string> argumentsOf(const CommandLine& line) { return std::span(line.words()).subspan(1); }

} // namespace

PoolTool::PoolTool(std::istream& input, std::ostream& output, std::ostream& errors, DefaultPool defaultPoolPath,
                   MissingPoolHint hint)
    : in(input), out(output), err(errors), defaultPool(std::move(defaultPoolPath)), missingPoolHint(std::move(hint)) {}

std::string PoolTool::poolPath(const CommandLine& line) const {
    if (const std::optional<std::string> named = line.option(POOL.name)) {
        return *named;
    }
    return defaultPool ? defaultPool() : BUILD_TREE_POOL;
}

int PoolTool::run(const std::vector<std::string>& args) {
    struct Command {
        std::string_view name;
        std::span<const CommandLine::Option> options;
        void (PoolTool::*perform)(const CommandLine&);
    };
    static const Command COMMANDS[] = {{"status", STATUS_OPTIONS, &PoolTool::status},
                                       {"add", ADD_OPTIONS, &PoolTool::add},
                                       {"fill", FILL_OPTIONS, &PoolTool::fill}};
    try {
        // Options may stand before or after the command: the first word names it.
        const CommandLine line(args, ALL_OPTIONS);
        if (line.answersHelpOrVersion(PROGRAM, out)) {
            return 0;
        }
        if (line.words().empty()) {
            throw CommandLine::UsageError("no command given");
        }
        const std::string& word = line.words().front();
        const auto command = std::find_if(std::begin(COMMANDS), std::end(COMMANDS),
                                          [&](const Command& c) { return c.name == word; });
        if (command == std::end(COMMANDS)) {
            throw CommandLine::UsageError("unknown command \"" + word + "\"");
        }
        if (const std::optional<std::string> beyond = line.firstOptionBeyond(command->options)) {
            throw CommandLine::UsageError(word + " takes no option " + *beyond);
        }
        (this->*command->perform)(line);
        return 0;
    } catch (const CommandLine::UsageError& error) {
        return CommandLine::reportUsageError(PROGRAM, error.what(), err);
    } catch (const std::exception& error) {
        err << error.what() << "\n";
        return 1;
    }
}

void PoolTool::status(const CommandLine& line) {
    if (const auto words = argumentsOf(line); !words.empty()) {
        throw CommandLine::UsageError("status takes no argument \"" + words.front() + "\"");
    }
    PoolFile pool(poolPath(line));
    PoolFile::Status status;
    try {
        status = pool.inspect();
    } catch (const PoolError& error) {
        // Before the first game there is no pool yet: say how to make one.
        const std::string hint = missingPoolHint ? missingPoolHint(pool.getPath()) : "";
        if (hint.empty()) {
            throw;
        }
        throw PoolError(error.kind(), error.what() + ("\n" + hint));
    }
    out << "Pool: " << pool.getPath() << "\n";
    out << "Values left: " << status.count << "\n";
    if (status.count < FEWEST_TO_ASK) {
        out << "Consultations: none; below " << FEWEST_TO_ASK
            << " values the council rests until the pool is refilled\n";
    } else {
        const std::size_t fewest = (status.count - FEWEST_TO_ASK) / MOST_DRAWS + 1;
        const std::size_t most = (status.count - FEWEST_TO_ASK) / FEWEST_DRAWS + 1;
        out << "Consultations: about " << fewest;
        if (most != fewest) {
            out << " to " << most;
        }
        out << " (" << FEWEST_DRAWS << " or " << MOST_DRAWS << " values each)\n";
    }
    out << "Written form: "
        << (status.writtenForm ? "yes (one plain decimal per line)\n"
                               : "no (the next draw or refill rewrites it in the written form)\n");
}

void PoolTool::add(const CommandLine& line) {
    const auto words = argumentsOf(line);
    if (words.size() > 1) {
        throw CommandLine::UsageError("add takes one source, not \"" + words[1] + "\" too");
    }
    const std::string formatName = line.option(FORMAT.name).value_or("auto");
    const auto format = PoolImport::formatNamed(formatName);
    if (!format) {
        throw CommandLine::UsageError("unknown format \"" + formatName + "\"");
    }
    const std::string source = words.empty() ? STANDARD_INPUT : words.front();
    const std::string pool = poolPath(line);
    refuseThePool(source, pool);
    const std::string origin = sourceName(source);
    UniqueFd file;
    const PoolImport::Imported imported = PoolImport::importValues(
        openSource(source, file), *format, origin, {MOST_FILL_VALUES, MOST_SOURCE_BYTES});
    if (imported.values.empty()) {
        throw std::runtime_error(origin + ": no values to add; the pool is unchanged");
    }
    std::string notes;
    if (imported.unusedBytes != 0) {
        notes = "Left out the last " + std::to_string(imported.unusedBytes) +
                (imported.unusedBytes == 1 ? " byte" : " bytes") + " of " + origin + ": a value takes " +
                std::to_string(VALUE_BYTES) + ".\n";
    }
    const bool again = line.option(AGAIN.name).has_value();
    prepend(pool, imported.values, notes, SourceCheck{origin, digestOf(imported.values), again});
}

void PoolTool::fill(const CommandLine& line) {
    const auto words = argumentsOf(line);
    if (words.size() != 1) {
        throw CommandLine::UsageError(words.empty() ? "fill needs N, the number of values"
                                                    : "fill takes one N, not \"" + words[1] + "\" too");
    }
    const std::string& text = words.front();
    std::size_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end != text.data() + text.size() || count == 0 || count > MOST_FILL_VALUES) {
        throw CommandLine::UsageError("N must be a whole number from 1 to " + std::to_string(MOST_FILL_VALUES) +
                                      ", not \"" + text + "\"");
    }
    const std::string source = line.option(SOURCE.name).value_or(PoolFill::SYSTEM_SOURCE);
    const std::string pool = poolPath(line);
    refuseThePool(source, pool);
    UniqueFd file;
    const PoolImport::Read read = openSource(source, file);
    std::string bytes(count * VALUE_BYTES, '\0');
    std::size_t length = 0;
    for (std::size_t got = 1; got != 0 && length < bytes.size(); length += got) {
        got = read(bytes.data() + length, bytes.size() - length);
    }
    prepend(pool, PoolFill::values(std::string_view(bytes).substr(0, length), count, sourceName(source)), "",
            std::nullopt);
}

void PoolTool::prepend(const std::string& poolPath, const std::vector<int>& newValues, const std::string& notes,
                       const std::optional<SourceCheck>& check) {
    PoolFile pool(poolPath);
    bool created = false;
    std::string unrecorded;
    std::optional<FileReplacement> record;
    PoolFile::Companion companion;
    // Under the pool's lock, so that two adds of the same data cannot both pass the check.
    companion.prepare = [&](const PoolPlace& place, const struct stat* previous) {
        created = previous == nullptr;
        if (!check) {
            return;
        }
        AddedRecord added(place);
        if (const auto when = added.addedAt(check->digest); when && !check->again) {
            throw std::runtime_error(check->origin + ": already added on " + localTime(*when) +
                                     "; the pool is unchanged (--again adds it anyway)");
        }
        try {
            record.emplace(added.prepare(check->digest, std::time(nullptr), previous));
        } catch (const PoolError& error) {
            unrecorded = error.what(); // the values still go in: the record only ever warns
        }
    };
    // Only once the values are in the pool: a record of data that never went in would refuse
    // the retry. A kill between the two commits leaves the data in without a record, the safe
    // side: nothing is lost, and adding it again is not refused.
    companion.commit = [&] {
        try {
            if (record) {
                record->commit();
            }
        } catch (const PoolError& error) {
            unrecorded = error.what();
        }
    };
    std::size_t next = 0;
    const std::size_t added = pool.prepend(
        [&](std::vector<int>& batch) {
            const std::size_t size = std::min(PREPEND_BATCH, newValues.size() - next);
            batch.insert(batch.end(), newValues.begin() + static_cast<std::ptrdiff_t>(next),
                         newValues.begin() + static_cast<std::ptrdiff_t>(next + size));
            next += size;
            return size != 0;
        },
        companion);
    if (created) {
        out << "Created a new pool: " << pool.getPath() << "\n";
    }
    out << notes << "Added " << values(added) << "; the pool now holds " << pool.lastCount() << ".\n";
    if (!unrecorded.empty()) {
        err << unrecorded << "; adding the same data again will not be noticed\n";
    }
}

PoolImport::Read PoolTool::openSource(const std::string& name, UniqueFd& file) {
    if (name == STANDARD_INPUT) {
        if (&in == &std::cin && ::isatty(STDIN_FILENO) == 1) {
            // Else a user who forgot the file name sees a program that seems to hang.
            err << "Reading values from the terminal until end of input (Ctrl-D on a line of its own).\n"
                << std::flush;
        }
        return [this](char* buffer, std::size_t size) {
            in.read(buffer, static_cast<std::streamsize>(size));
            if (in.bad()) {
                throw std::runtime_error("Failed to read standard input");
            }
            return static_cast<std::size_t>(in.gcount());
        };
    }
    file.reset(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        throw std::runtime_error("Failed to read " + name + " (" + std::strerror(errno) + ")");
    }
    return [&file, name](char* buffer, std::size_t size) {
        for (;;) {
            const ssize_t got = ::read(file.get(), buffer, size);
            if (got >= 0) {
                return static_cast<std::size_t>(got);
            }
            if (errno != EINTR) {
                throw std::runtime_error("Failed to read " + name + " (" + std::strerror(errno) + ")");
            }
        }
    };
}
