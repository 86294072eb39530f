#include "core/CommandLine.h"

#include <algorithm>

namespace {

const std::string_view HELP = "--help";
const std::string_view SHORT_HELP = "-h";
const std::string_view VERSION = "--version";

} // namespace

CommandLine::CommandLine(std::vector<std::string> args, std::span<const Option> known) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = equals == std::string::npos && arg == SHORT_HELP ? std::string(HELP)
                                                                                  : arg.substr(0, equals);
        if (name == HELP || name == VERSION) {
            if (equals != std::string::npos) {
                throw UsageError(name + " takes no value");
            }
            given.emplace_back(name, "");
            continue;
        }
        const auto option = std::find_if(known.begin(), known.end(),
                                         [&](const Option& candidate) { return candidate.name == name; });
        if (option == known.end()) {
            throw UsageError("unknown option \"" + name + "\"");
        }
        if (!option->takesValue) {
            if (equals != std::string::npos) {
                throw UsageError(name + " takes no value");
            }
            given.emplace_back(name, "");
        } else if (equals != std::string::npos) {
            given.emplace_back(name, arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            given.emplace_back(name, args[++i]);
        } else {
            throw UsageError(name + " needs a value");
        }
    }
}

std::optional<CommandLine> CommandLine::readOrAnswer(const Program& program, std::vector<std::string> args,
                                                     std::span<const Option> known, std::ostream& out,
                                                     std::ostream& err, int& status) {
    try {
        CommandLine line(std::move(args), known);
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
        out << program.name << " " << MURKMOOT_VERSION << "\n";
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

int CommandLine::reportUsageError(const Program& program, const std::string& message, std::ostream& err) {
    err << program.name << ": " << message << "\n" << program.usage;
    return USAGE_EXIT_STATUS;
}
