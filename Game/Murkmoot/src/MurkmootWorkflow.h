#pragma once
// The windowed program's oracle: one consultation per call, with the question logged and the vote
// draws kept in an EntropyHistory. Create a new one for every question.

#include "EntropyHistory.h"
#include "GoblinTypes.h"
#include "OracleCouncil.h"

#include <iostream>
#include <memory>
#include <string>

class MurkmootWorkflow : public OracleCouncil {
public:
    // The pool the chamber and every consultation draw from: ENTROPY_QRNG_POOL_TEXT_PATH unless
    // the program chose another at start-up.
    static const std::string& poolPath();
    static void setPoolPath(std::string path);
    static const OracleDialect DIALECT;

    explicit MurkmootWorkflow(std::ostream& out = std::cout);

    // Loads the pool afresh, consults the council and prints the report; pool errors propagate.
    GoblinTypes::OracleResult runOracle(const std::string& question);

    const std::shared_ptr<EntropyHistory>& getEntropyHistory() const { return entropyHistory; }

protected:
    const std::string& askedQuestion() const override { return question; }
    void onPoolLoaded(std::size_t poolSize) override;
    void onVoteDrawn(int value) override;

private:
    std::shared_ptr<EntropyHistory> entropyHistory;
    std::string question;
};
