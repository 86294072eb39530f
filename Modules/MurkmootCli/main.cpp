// Murkmoot in a terminal: one question on standard input, the council's report on standard output.

#include "core/CommandLine.h"
#include "IntroSplash.h"
#include "Murkmoot.h"
#include "core/Logging.h"

#include <exception>
#include <iostream>
#include <memory>

namespace {

const CommandLine::Program PROGRAM{
    "MurkmootCli",
    "Usage: MurkmootCli [--help | --version]\n"
    "Asks the goblin council one question: it reads the question from standard input and prints\n"
    "the council's report on standard output. Run it from the directory that holds\n"
    "Assets/Data/entropy_pool.txt; each consultation draws 13 or 14 values from that pool.\n"};

} // namespace

int main(int argc, char** argv) {
    try {
        const CommandLine line({argv + 1, argv + argc}, {});
        if (line.answersHelpOrVersion(PROGRAM, std::cout)) {
            return 0;
        }
        if (!line.words().empty()) {
            throw CommandLine::UsageError("unexpected argument \"" + line.words().front() + "\"");
        }
    } catch (const CommandLine::UsageError& error) {
        return CommandLine::reportUsageError(PROGRAM, error.what(), std::cerr);
    }

    initializeLogging();
    introSplash();
    auto oracle = std::make_unique<Murkmoot>();
    int status = 0;
    try {
        oracle->runOracle();
    } catch (const std::exception& error) {
        // What was printed stays printed and drawn values stay consumed; say why we stopped.
        std::cout.flush();
        std::cerr << error.what() << std::endl;
        status = 1;
    }
    flushLogRepeats();
    logFile.close();
    oracle.reset();
    return status;
}
