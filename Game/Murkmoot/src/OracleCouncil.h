#pragma once
// One consultation of the goblin council, shared by both programs: summon five members, let each
// vote, find the consensus, dress it as prophecy and verdict, test Pudding Brain's override and
// print the report. Every choice comes from the entropy pool; the question never matters.
// Subclasses supply their program's texts (an OracleDialect) and the steps only they take.

#include "GoblinTypes.h"
#include "OracleDialect.h"
#include "PoolFile.h"

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

class OracleCouncil {
public:
    static constexpr int COUNCIL_SIZE = 5;

    // Told of every consultation that completed, with the question as asked, after its report;
    // a run that failed or ran dry is never witnessed. The programs write it in the player's
    // journal. One for the whole process, none by default.
    using Witness = std::function<void(const GoblinTypes::OracleResult&, const std::string& question)>;
    static void setWitness(Witness witness);

    OracleCouncil(const OracleDialect& dialect, std::string poolPath, std::ostream& out);
    virtual ~OracleCouncil() = default;
    OracleCouncil(const OracleCouncil&) = delete;
    OracleCouncil& operator=(const OracleCouncil&) = delete;

    // Draws `count` distinct members (count <= 25), one pool value each, in summoning order.
    std::vector<GoblinTypes::GoblinProfile> summonCouncil(int count);
    // One draw decides the member's voice, answer and ending.
    GoblinTypes::GoblinVote goblinVote(const GoblinTypes::GoblinProfile& profile);
    // The most frequent answer; ties go to the answer visited first (see the .cpp).
    static std::string consensus(const std::vector<GoblinTypes::GoblinVote>& votes);
    std::string finalProphecy(const std::string& consensusWord);
    std::string finalVerdict(const std::string& consensusWord);
    // One draw decides; a triggered override draws once more for its line.
    GoblinTypes::OverrideResult puddingBrainOverrideLogic(const std::string& consensusWord);

    // The table row a drawn value selects: the value sign-extended to 64 bits, read unsigned,
    // modulo the table's length.
    static std::size_t tableRow(int value, std::size_t rowCount);

    const OracleDialect& getDialect() const { return dialect; }
    // The pool this council draws from; a caller may hold it around a whole run (PoolFile::Hold).
    PoolFile& getPool() { return pool; }

protected:
    // The whole run; pool errors pass through unchanged. The pool is held around the draws, never
    // while a program waits for its user.
    GoblinTypes::OracleResult consult();

    // The question of the current run, as the program took it.
    virtual const std::string& askedQuestion() const = 0;

    // Hooks for the program-specific steps, in run order.
    virtual void onPoolLoaded(std::size_t /*poolSize*/) {}
    virtual void onRosterShown(std::size_t /*poolSizeLeft*/) {}
    // With the pool held for the votes, before their first draw.
    virtual void onVotingHeld() {}
    virtual void onVoteDrawn(int /*value*/) {}

    std::ostream& output() { return out; }

private:
    // Every value comes straight from the pool file, which other programs may share.
    int draw();
    // An ending row dressed with this program's lead.
    std::string ending(std::string_view row) const;
    GoblinTypes::GoblinProfile member(std::size_t row) const;

    const OracleDialect& dialect;
    PoolFile pool;
    std::ostream& out;
};
