// The real MurkmootPool binary (and MurkmootCli's command line), run in a scratch directory as a
// user runs them. What each format yields is PoolImportTest's; this is the plumbing around it.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using testsupport::lines;
using testsupport::ProcessResult;
using testsupport::readFile;
using testsupport::runProcess;
using testsupport::TempDir;
using testsupport::writeFile;

namespace fs = std::filesystem;

namespace {

const char* const POOL = "Assets/Data/entropy_pool.txt";

class PoolTool : public ::testing::Test {
protected:
    ProcessResult pool(const std::vector<std::string>& args, const std::string& input = "") {
        return runProcess(MURKMOOT_POOL_BINARY, dir.path(), input, args);
    }
    void writePool(const std::string& text) { writeFile(dir.path() / POOL, text); }
    std::string poolText() const { return readFile(dir.path() / POOL); }
    void writeSource(const std::string& bytes) { writeFile(dir.path() / "source", bytes); }

    TempDir dir;
};

} // namespace

TEST_F(PoolTool, StatusTellsValuesConsultationsAndForm) {
    std::string hundred;
    for (int i = 0; i < 100; ++i) {
        hundred += std::to_string(i) + "\n";
    }
    writePool(hundred);
    EXPECT_EQ(pool({"status"}).out, "Pool: Assets/Data/entropy_pool.txt\n"
                                    "Values left: 100\n"
                                    "Consultations: about 7 (13 or 14 values each)\n"
                                    "Written form: yes (one plain decimal per line)\n");
    writePool("[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28]");
    EXPECT_EQ(lines(pool({"status"}).out),
              (std::vector<std::string>{"Pool: Assets/Data/entropy_pool.txt", "Values left: 28",
                                        "Consultations: about 1 to 2 (13 or 14 values each)",
                                        "Written form: no (the next draw or refill rewrites it in the written form)"}));
    writePool("1 2 3 4 5 6 7 8 9 10 11 12 13 14");
    EXPECT_EQ(lines(pool({"status"}).out).at(2),
              "Consultations: none; below 15 values the council rests until the pool is refilled");

    // A bad pool gets the games' own message.
    writePool("1\n2\n3\n99999999999\n4\n");
    const ProcessResult result = pool({"status"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "Malformed entropy pool: Assets/Data/entropy_pool.txt: line 4: \"99999999999\" "
                          "does not fit in 32 bits\n");
    fs::remove(dir.path() / POOL);
    EXPECT_EQ(pool({"status"}).err, "Failed to open entropy pool: Assets/Data/entropy_pool.txt\n");
}

TEST_F(PoolTool, AddAndFillPutNewValuesInFront) {
    writePool("5\n6\n");
    writeSource(R"({"success": true, "type": "uint16", "length": "2", "data": [1, 0]})");
    EXPECT_EQ(pool({"add", "source"}).out, "Added 1 value; the pool now holds 3.\n");
    writeSource(std::string("\x01\x00\x00\x00\xfe\xff\xff\xff\x05\x06", 10));
    ProcessResult result = pool({"add", "--format=bytes", "--pool", POOL, "source"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Left out the last 2 bytes of source: a value takes 4.\n"
                          "Added 2 values; the pool now holds 5.\n");
    EXPECT_EQ(pool({"add", "-"}, "[7, 8]").out, "Added 2 values; the pool now holds 7.\n");
    EXPECT_EQ(pool({"fill", "1", "--source", "source"}).out, "Added 1 value; the pool now holds 8.\n");
    EXPECT_EQ(poolText(), "1\n7\n8\n1\n-2\n1\n5\n6\n");

    // A missing pool is created; fill reads /dev/urandom by default.
    fs::remove(dir.path() / POOL);
    result = pool({"fill", "1000"});
    EXPECT_EQ(result.out, "Added 1000 values; the pool now holds 1000.\n");
    EXPECT_EQ(lines(poolText()).size(), 1000U);
}

TEST_F(PoolTool, EveryFailureIsOneLineAndLeavesThePoolUntouched) {
    const struct {
        std::vector<std::string> args;
        std::string source;
        std::string err;
    } cases[] = {
        {{"add", "source"}, R"({"success": false, "type": "uint16", "data": [1, 2]})",
         "source: the response: \"success\" is false\n"},
        {{"add", "source"}, std::string("\x8a\x01\x00\xff\x10\x20\x30\x40", 8),
         "source: holds bytes that are not text; to add them as raw bytes use --format bytes\n"},
        {{"add", "--format", "bytes", "source"}, "abc", "source: no values to add; the pool is unchanged\n"},
        {{"add", "missing"}, "", "Failed to read missing (No such file or directory)\n"},
        {{"add", POOL}, "", std::string(POOL) + ": is the pool itself; its values would be handed out twice\n"},
        {{"fill", "3", "--source", "source"}, "0123456789a", "source: ends after 11 bytes; 3 values take 12\n"},
        {{"add", "source"}, "7", "Malformed entropy pool: Assets/Data/entropy_pool.txt: line 2: a \"-\" with no digits after it\n"},
    };
    const std::string untouched = "[3, 4,\n5 -]"; // malformed, so that only the last case gets that far
    for (const auto& c : cases) {
        writePool(untouched);
        writeSource(c.source);
        const ProcessResult result = pool(c.args);
        EXPECT_EQ(result.exitStatus, 1) << c.err;
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(poolText(), untouched) << c.err;
    }
}

TEST_F(PoolTool, CommandLineMistakesShowTheUsageAndExitTwo) {
    const struct {
        std::vector<std::string> args;
        std::string firstLine;
    } cases[] = {
        {{}, "no command given"},
        {{"refill"}, "unknown command \"refill\""},
        {{"--pool", "p", "status"}, "the command comes first: MurkmootPool status ..."},
        {{"status", "--format", "text"}, "unknown option \"--format\""},
        {{"add", "--format", "csv", "x"}, "unknown format \"csv\""},
        {{"add", "--pool"}, "--pool needs a value"},
        {{"fill", "12x"}, "N must be a whole number from 1 to 100000000, not \"12x\""},
    };
    const std::string usage = pool({"--help"}).out;
    for (const auto& c : cases) {
        const ProcessResult result = pool(c.args);
        EXPECT_EQ(result.exitStatus, 2) << c.firstLine;
        EXPECT_EQ(result.err, "MurkmootPool: " + c.firstLine + "\n" + usage);
    }
}

TEST_F(PoolTool, BothProgramsAnswerHelpAndVersion) {
    for (const std::string binary : {MURKMOOT_POOL_BINARY, MURKMOOT_CLI_BINARY}) {
        const std::string name = fs::path(binary).filename().string();
        const ProcessResult help = runProcess(binary, dir.path(), "", {"--help"});
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_EQ(help.out.rfind("Usage: " + name, 0), 0U) << help.out;
        EXPECT_EQ(runProcess(binary, dir.path(), "", {"--version"}).out, name + " 1.0\n");
        const ProcessResult unknown = runProcess(binary, dir.path(), "", {"--pool-size"});
        EXPECT_EQ(unknown.exitStatus, 2);
        EXPECT_EQ(unknown.err, name + ": unknown option \"--pool-size\"\n" + help.out);
        EXPECT_EQ(unknown.out, "");
    }
    // Answering its command line, the terminal program neither starts a log nor asks.
    EXPECT_FALSE(fs::exists(dir.path() / "log.txt"));
}
