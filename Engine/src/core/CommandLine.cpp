#include "core/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <getopt.h>

namespace {

const std::string_view HELP = "--help";
const std::string_view VERSION = "--version";

// getopt_long's answers for --help (and -h) and --version; a known option i answers FIRST_KNOWN + i.
constexpr int HELP_CODE = 'h';
constexpr int VERSION_CODE = 1000;
constexpr int FIRST_KNOWN = 1001;
// What getopt_long returns for a word, when the option string begins with "-".
constexpr int WORD_CODE = 1;

const char* const VERSION_LINES = "Copyright (C) 2026 Murkmoot developers\n"
                                  "License: MIT <https://opensource.org/licenses/MIT>\n"
                                  "This is free software: you are free to change and redistribute it.\n"
                                  "There is NO WARRANTY, to the extent permitted by law.\n";

bool isNumber(const std::string& word) {
    return !word.empty() &&
           std::all_of(word.begin(), word.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

} // namespace

CommandLine::CommandLine(const std::vector<std::string>& args, std::span<const Option> known) {
    std::vector<std::string> names{std::string(HELP.substr(2)), std::string(VERSION.substr(2))};
    for (const Option& option : known) {
        names.emplace_back(option.name.substr(2));
    }
    std::vector<struct option> table{{names[0].c_str(), no_argument, nullptr, HELP_CODE},
                              {names[1].c_str(), no_argument, nullptr, VERSION_CODE}};
    for (std::size_t i = 0; i < known.size(); ++i) {
        const int argument = known[i].valueOptional ? optional_argument
                             : known[i].takesValue    ? required_argument
                                                      : no_argument;
        table.push_back({names[i + 2].c_str(), argument, nullptr, FIRST_KNOWN + static_cast<int>(i)});
    }
    table.push_back({nullptr, 0, nullptr, 0});
    const auto nameOf = [&](int code) {
        return code == HELP_CODE      ? std::string(HELP)
               : code == VERSION_CODE ? std::string(VERSION)
                                      : std::string(known[static_cast<std::size_t>(code - FIRST_KNOWN)].name);
    };

    std::vector<std::string> arguments{"program"};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    // "-": words are returned in order, whatever POSIXLY_CORRECT says; ":": no messages of its own.
    ::opterr = 0;
    ::optind = 0; // a full restart for every command line
    for (;;) {
        const int code = ::getopt_long(static_cast<int>(arguments.size()), argv.data(), "-:h", table.data(), nullptr);
        if (code == -1) {
            break;
        }
        if (code == WORD_CODE) {
            positional.emplace_back(::optarg);
        } else if (code == ':') {
            throw UsageError(nameOf(::optopt) + " needs a value");
        } else if (code == '?') {
            if (::optopt == 0) { // a long option, which getopt_long has stepped past
                const std::string written = argv[static_cast<std::size_t>(::optind) - 1];
                throw UsageError("unknown option \"" + written.substr(0, written.find('=')) + "\"");
            }
            if (::optopt == HELP_CODE || ::optopt >= VERSION_CODE) {
                throw UsageError(nameOf(::optopt) + " takes no value");
            }
            throw UsageError("unknown option \"-" + std::string(1, static_cast<char>(::optopt)) + "\"");
        } else if (const auto next = static_cast<std::size_t>(::optind);
                   ::optarg == nullptr && code >= FIRST_KNOWN &&
                   known[static_cast<std::size_t>(code - FIRST_KNOWN)].valueOptional && next < arguments.size() &&
                   isNumber(arguments[next])) {
            // getopt_long takes an optional value only when attached; a number after it is meant as one.
            given.emplace_back(nameOf(code), arguments[next]);
            ++::optind;
        } else {
            given.emplace_back(nameOf(code), ::optarg == nullptr ? "" : ::optarg);
        }
    }
    for (auto word = static_cast<std::size_t>(::optind); word < arguments.size(); ++word) {
        positional.push_back(arguments[word]); // after "--"
    }
}

std::optional<CommandLine> CommandLine::readOrAnswer(const Program& program, const std::vector<std::string>& args,
                                                     std::span<const Option> known, std::ostream& out,
                                                     std::ostream& err, int& status) {
    try {
        CommandLine line(args, known);
        if (line.answersHelpOrVersion(program, out)) {
            status = 0;
            return std::nullopt;
        }
        return line;
    } catch (const UsageError& error) {
        status = reportUsageError(program, error.what(), err);
        return std::nullopt;
    }
}

bool CommandLine::answersHelpOrVersion(const Program& program, std::ostream& out) const {
    if (option(HELP)) {
        out << program.usage;
        return true;
    }
    if (option(VERSION)) {
        out << program.name << " " << MURKMOOT_VERSION << "\n" << VERSION_LINES;
        return true;
    }
    return false;
}

std::optional<std::string> CommandLine::option(std::string_view name) const {
    for (auto entry = given.rbegin(); entry != given.rend(); ++entry) {
        if (entry->first == name) {
            return entry->second;
        }
    }
    return std::nullopt;
}

std::optional<std::string> CommandLine::firstOptionBeyond(std::span<const Option> allowed) const {
    for (const auto& entry : given) {
        const std::string& name = entry.first;
        if (name != HELP && name != VERSION &&
            std::none_of(allowed.begin(), allowed.end(), [&](const Option& option) { return option.name == name; })) {
            return name;
        }
    }
    return std::nullopt;
}

int CommandLine::reportUsageError(const Program& program, const std::string& message, std::ostream& err) {
    err << program.name << ": " << message << "\nTry '" << program.name << " --help'.\n";
    return USAGE_EXIT_STATUS;
}

std::string CommandLine::shellQuoted(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 ||
               std::string_view("/._-+").find(c) != std::string_view::npos;
    });
    if (plain) {
        return text;
    }
    std::string result = "'";
    for (const char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}
