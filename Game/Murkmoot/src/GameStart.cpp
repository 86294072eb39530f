#include "GameStart.h"

#include <iostream>
#include <vector>

const CommandLine::Option GameStart::POOL{"--pool", true};

GameStart::GameStart(std::optional<std::string> named)
    : files(AppPaths::forThisProgram()), namedPool(std::move(named)) {}

std::optional<GameStart> GameStart::begin(const CommandLine::Program& program, int argc, char** argv, int& status) {
    static const CommandLine::Option OPTIONS[] = {POOL};
    const std::optional<CommandLine> line =
        CommandLine::readOrAnswer(program, {argv + 1, argv + argc}, OPTIONS, std::cout, std::cerr, status);
    if (!line) {
        return std::nullopt;
    }
    GameStart start(line->option(POOL.name));
    start.files.startLog(std::cerr);
    return start;
}
