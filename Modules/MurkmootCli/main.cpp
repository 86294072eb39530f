// Murkmoot in a terminal: one question on standard input, the council's report on standard output.

#include "GameStart.h"
#include "IntroSplash.h"
#include "Murkmoot.h"
#include "core/CommandLine.h"
#include "core/Logging.h"

#include <exception>
#include <iostream>
#include <memory>
#include <optional>

namespace {

const CommandLine::Program PROGRAM{
    "MurkmootCli",
    "Usage: MurkmootCli [--pool FILE] [--no-journal] [--journal [N] | --help | --version]\n"
    "Asks the goblin council one question: it reads the question from standard input and prints\n"
    "the council's report on standard output. Each consultation draws 13 or 14 values from the\n"
    "entropy pool. Other arguments are ignored.\n"
    "  --pool FILE  the pool to draw from; by default Assets/Data/entropy_pool.txt under the\n"
    "               working directory in a build tree, else your own pool,\n"
    "               $XDG_DATA_HOME/murkmoot/entropy_pool.txt (~/.local/share/murkmoot/), made\n"
    "               with 100000 values from /dev/urandom on the first start\n"
    "  --no-journal keep this consultation out of your journal of past answers\n"
    "  --journal [N]\n"
    "               print your last N consultations (5 by default), newest last, and exit\n"};

} // namespace

int main(int argc, char** argv) {
    int answered = 0;
    const std::optional<GameStart> start = GameStart::begin(PROGRAM, argc, argv, answered, true);
    if (!start) {
        return answered;
    }
    std::string pool;
    std::unique_ptr<Murkmoot> oracle;
    int status = 0;
    try {
        pool = start->choosePool(std::cerr);
        introSplash();
        oracle = std::make_unique<Murkmoot>(std::cin, std::cout, pool);
        oracle->runOracle();
    } catch (const std::exception& error) {
        // What was printed stays printed and drawn values stay consumed; say why we stopped.
        std::cout.flush();
        std::cerr << error.what() << std::endl;
        if (const std::string hint = pool.empty() ? "" : start->getFiles().missingPoolHint(pool); !hint.empty()) {
            std::cerr << hint << std::endl;
        }
        status = 1;
    }
    flushLogRepeats();
    logFile.close();
    oracle.reset();
    return status;
}
