#include "Murkmoot.h"

#include "PoolError.h"

#include <ostream>
#include <stdexcept>

const std::string Murkmoot::entropyPoolPath = "Assets/Data/entropy_pool.txt";

const OracleDialect Murkmoot::DIALECT = {
    .fungusJimDescription = "insists he’s ‘not a goblin, just damp.’",
    .endingLead = "— ",
    .overrideSeparator = " — ",
    .councilSeparator = " — ",
    .voteAfterValue = ")\n↳ ",
    .voteAfterDescription = "\n↳ ",
    .overrideDivisor = 100,
};

Murkmoot::Murkmoot(std::istream& input, std::ostream& out, const std::string& poolPath)
    : OracleCouncil(DIALECT, poolPath, out), in(input) {}

GoblinTypes::OracleResult Murkmoot::runOracle() { return consult(); }

void Murkmoot::onRosterShown(std::size_t poolSizeLeft) {
    std::ostream& out = output();
    out << "\n"
        << "Current Entropy Pool Size: " << poolSizeLeft << "\n"
        << "❓ Ask the goblin council a question: \n> " << std::flush;
    question.clear();
    in >> question; // one word; the rest of the line stays unread
    if (poolSizeLeft < LOW_POOL_THRESHOLD) {
        out << "⚠️ Warning: Low entropy pool size (" << poolSizeLeft
            << "). Consider replenishing the pool.\n";
    }
}

void Murkmoot::onVotingHeld() {
    if (getPool().inspect().count < MOST_DRAWS_AFTER_SUMMONS) {
        throw PoolError::empty();
    }
}
