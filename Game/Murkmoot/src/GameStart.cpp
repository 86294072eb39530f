#include "GameStart.h"

#include "Journal.h"
#include "JournalPrinter.h"
#include "OracleCouncil.h"

#include <chrono>
#include <exception>
#include <iostream>
#include <memory>
#include <vector>

const CommandLine::Option GameStart::POOL{"--pool", true};
const CommandLine::Option GameStart::NO_JOURNAL{"--no-journal"};
const CommandLine::Option GameStart::JOURNAL{"--journal", false, true};

GameStart::GameStart(std::optional<std::string> named)
    : files(AppPaths::forThisProgram()), namedPool(std::move(named)) {}

std::optional<GameStart> GameStart::begin(const CommandLine::Program& program, int argc, char** argv, int& status,
                                          bool readsJournal) {
    static const CommandLine::Option OPTIONS[] = {POOL, NO_JOURNAL, JOURNAL};
    const std::span<const CommandLine::Option> known(OPTIONS, readsJournal ? 3 : 2);
    const std::optional<CommandLine> line =
        CommandLine::readOrAnswer(program, {argv + 1, argv + argc}, known, std::cout, std::cerr, status);
    if (!line) {
        return std::nullopt;
    }
    GameStart start(line->option(POOL.name));
    // Reading the journal back draws nothing and logs nothing: the last log stays as it was.
    if (const std::optional<std::string> count = line->option(JOURNAL.name)) {
        status = start.showJournal(program, *count);
        return std::nullopt;
    }
    const std::filesystem::path logDirectory = start.files.startLog(std::cerr);
    start.keepJournal(std::string(program.name), logDirectory, !line->option(NO_JOURNAL.name));
    return start;
}

int GameStart::showJournal(const CommandLine::Program& program, const std::string& value) const {
    std::size_t count = JOURNAL_DEFAULT_COUNT;
    if (!value.empty()) {
        try {
            count = std::stoul(value);
        } catch (const std::exception&) {
            count = 0;
        }
        if (count == 0 || value.find_first_not_of("0123456789") != std::string::npos) {
            return CommandLine::reportUsageError(
                program, "--journal takes a number of consultations, not \"" + value + "\"", std::cerr);
        }
    }
    try {
        return JournalPrinter::show(Journal(files.journalPath()), count, std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << error.what() << std::endl;
        return 1;
    }
}

void GameStart::keepJournal(const std::string& program, const std::filesystem::path& logDirectory, bool writing) {
    try {
        // Absolute: the windowed game moves to its data directory after this.
        journalPath = std::filesystem::absolute(Journal::defaultPath(files.getPaths(), logDirectory));
    } catch (const std::exception& error) {
        if (writing) {
            std::cerr << "Warning: consultations are not written in the journal: " << error.what() << std::endl;
        }
        return;
    }
    if (!writing) {
        return;
    }
    auto journal = std::make_shared<Journal>(*journalPath);
    OracleCouncil::setWitness([journal, program](const GoblinTypes::OracleResult& result, const std::string& question) {
        journal->record(JournalEntry::fromResult(result, question, program, std::chrono::system_clock::now()),
                        std::cerr);
    });
}
