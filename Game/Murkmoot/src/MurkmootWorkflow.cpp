#include "MurkmootWorkflow.h"

#include "AssetPaths.h"
#include "core/Logging.h"

namespace {
std::string& chosenPool() {
    static std::string path = ENTROPY_QRNG_POOL_TEXT_PATH;
    return path;
}
} // namespace

const std::string& MurkmootWorkflow::poolPath() { return chosenPool(); }

void MurkmootWorkflow::setPoolPath(std::string path) { chosenPool() = std::move(path); }

const OracleDialect MurkmootWorkflow::DIALECT = {
    .fungusJimDescription = "insists he is not a goblin, just damp.",
    .endingLead = " ",
    .overrideSeparator = ": ",
    .councilSeparator = "  ",
    .voteAfterValue = ")  ",
    .voteAfterDescription = "  ",
    .overrideDivisor = 10,
};

MurkmootWorkflow::MurkmootWorkflow(std::ostream& out) : OracleCouncil(DIALECT, poolPath(), out) {}

GoblinTypes::OracleResult MurkmootWorkflow::runOracle(const std::string& asked) {
    question = asked;
    LOG_INFO("Running oracle with question: " + question);
    return consult();
}

void MurkmootWorkflow::onPoolLoaded(std::size_t poolSize) {
    LOG_INFO("Initial entropy pool size: " + std::to_string(poolSize));
}

void MurkmootWorkflow::onVoteDrawn(int value) {
    if (!entropyHistory) {
        LOG_WARN("Entropy history not initialized, creating new instance.");
        entropyHistory = std::make_shared<EntropyHistory>();
    }
    entropyHistory->addEntry(value);
}
