#pragma once
// A program's command line, read by getopt_long against the table of options that program knows:
// options may come before or after the other words, "--" ends them, and a long option may be
// shortened while it stays unambiguous. Every program answers --help or -h (its usage, which
// begins "Usage:", on standard output) and --version (name and version, copyright and licence, as
// GNU programs print them), and meets a mistake with one line saying what, then
// "Try '<program> --help'." on standard error and exit status 2. Each program keeps only its own
// texts and table.

#include <optional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CommandLine {
public:
    // An option written "--name VALUE" or "--name=VALUE" when it takes a value, else "--name".
    // One whose value is optional takes it attached ("--name=VALUE"), or as the next word when
    // that word is a number; given without one, its value is "".
    struct Option {
        std::string_view name; // with its "--"
        bool takesValue = false;
        bool valueOptional = false;
    };

    struct Program {
        std::string_view name;
        std::string_view usage; // begins "Usage:", ends with a line feed
    };

    class UsageError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // `args` without the program name. Throws UsageError for an option not in `known` (--help
    // and --version always are), one without its value, or a value given to one that takes none.
    // A lone "-" is a word, and so is everything after "--".
    CommandLine(const std::vector<std::string>& args, std::span<const Option> known);

    // Reads `args` (without the program name) for a program that only takes options: answers
    // --help and --version on `out` and a mistake on `err`. Returns the command line to act on, or
    // nothing when it answered, with `status` set to the exit status of that answer.
    static std::optional<CommandLine> readOrAnswer(const Program& program, const std::vector<std::string>& args,
                                                   std::span<const Option> known, std::ostream& out,
                                                   std::ostream& err, int& status);

    // Answers --help or --version on `out`; returns whether it did.
    bool answersHelpOrVersion(const Program& program, std::ostream& out) const;

    // Everything that is not an option, in order.
    const std::vector<std::string>& words() const { return positional; }

    // The value of the last occurrence of an option, or nothing when it was not given.
    std::optional<std::string> option(std::string_view name) const;

    // The first option given that `allowed` does not hold (--help and --version always pass).
    std::optional<std::string> firstOptionBeyond(std::span<const Option> allowed) const;

    // One line naming the mistake and where help is; returns the exit status for it.
    static int reportUsageError(const Program& program, const std::string& message, std::ostream& err);

    // `text` as a POSIX shell reads it back: as it is when every character is plain, else quoted.
    static std::string shellQuoted(const std::string& text);

    static constexpr int USAGE_EXIT_STATUS = 2;

private:
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> given;
};
