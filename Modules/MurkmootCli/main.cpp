// Murkmoot in a terminal: one question on standard input, the council's report on standard output.

#include "IntroSplash.h"
#include "Murkmoot.h"
#include "core/Logging.h"

#include <exception>
#include <iostream>
#include <memory>

int main() {
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
