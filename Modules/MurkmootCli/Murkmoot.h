#pragma once
// The terminal program's oracle: shows the pool size, asks for the question on its input (one
// word), warns when the pool runs low, then consults the council like the windowed program.

#include "GoblinTypes.h"
#include "OracleCouncil.h"

#include <iostream>
#include <string>

class Murkmoot : public OracleCouncil {
public:
    static const std::string entropyPoolPath;
    static const OracleDialect DIALECT;
    // Below this many values left after summoning, the user is told to refill the pool.
    static constexpr std::size_t LOW_POOL_THRESHOLD = 20;
    // After the summons: one draw per vote, the prophecy, the verdict, the override test and its
    // line when it triggers.
    static constexpr std::size_t MOST_DRAWS_AFTER_SUMMONS = COUNCIL_SIZE + 4;

    explicit Murkmoot(std::istream& in = std::cin, std::ostream& out = std::cout,
                      const std::string& poolPath = entropyPoolPath);

    // Loads the pool afresh and runs one consultation; pool errors propagate.
    GoblinTypes::OracleResult runOracle();

    // The question read by the last run: its first word, empty at end of input.
    const std::string& getQuestion() const { return question; }

protected:
    const std::string& askedQuestion() const override { return question; }
    void onRosterShown(std::size_t poolSizeLeft) override;
    // Another program may have drawn while the player typed: without every draw the rest of the
    // consultation may take, it draws none, as the values would be spent on votes nobody sees.
    void onVotingHeld() override;

private:
    std::istream& in;
    std::string question;
};
