// The real MurkmootPool binary (and MurkmootCli's command line), run in a scratch directory as a
// user runs them.

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

std::string numbers(int from, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string(from + i) + "\n";
    }
    return text;
}

class PoolTool : public ::testing::Test {
protected:
    ProcessResult pool(const std::vector<std::string>& args, const std::string& input = "") {
        return runProcess(MURKMOOT_POOL_BINARY, dir.path(), input, args);
    }
    void writePool(const std::string& text) { writeFile(dir.path() / POOL, text); }
    std::string poolText() const { return readFile(dir.path() / POOL); }
    void writeSource(const std::string& name, const std::string& bytes) { writeFile(dir.path() / name, bytes); }

    TempDir dir;
};

} // namespace

TEST_F(PoolTool, StatusTellsValuesConsultationsAndForm) {
    writePool(numbers(1, 100));
    ProcessResult result = pool({"status"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, "Pool: Assets/Data/entropy_pool.txt\n"
                          "Values left: 100\n"
                          "Consultations: about 7 (13 or 14 values each)\n"
                          "Written form: yes (one plain decimal per line)\n");

    writeSource("other.txt", "[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28]");
    result = pool({"status", "--pool", "other.txt"});
    EXPECT_EQ(result.out, "Pool: other.txt\n"
                          "Values left: 28\n"
                          "Consultations: about 1 to 2 (13 or 14 values each)\n"
                          "Written form: no (the next draw or refill rewrites it in the written form)\n");

    writePool(numbers(1, 14));
    EXPECT_EQ(lines(pool({"status"}).out).at(2),
              "Consultations: none; below 15 values the council rests until the pool is refilled");
}

TEST_F(PoolTool, StatusOfABadPoolSaysWhatTheGamesSay) {
    ProcessResult result = pool({"status"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "Failed to open entropy pool: Assets/Data/entropy_pool.txt\n");
    EXPECT_EQ(result.out, "");

    writePool("1\n2\n3\n99999999999\n4\n");
    result = pool({"status"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "Malformed entropy pool: Assets/Data/entropy_pool.txt: line 4: \"99999999999\" "
                          "does not fit in 32 bits\n");
}

TEST_F(PoolTool, AddPutsEachFormatsValuesInFrontOfThePool) {
    const struct {
        std::vector<std::string> args;
        std::string source;
        std::string added; // written form of what goes in front
        std::string out;
    } cases[] = {
        {{"add", "list.txt"}, "[10, -20, 30]", "10\n-20\n30\n", "Added 3 values; the pool now holds 5.\n"},
        {{"add", "--format", "text", "list.txt"}, "{\"type\": \"uint16\"}", "16\n", "Added 1 value; the pool now holds 3.\n"},
        {{"add", "--format=bytes", "list.txt"}, std::string("\x01\x00\x00\x00\xfe\xff\xff\xff\x05\x06", 10),
         "1\n-2\n",
         "Left out the last 2 bytes of list.txt: a value takes 4.\nAdded 2 values; the pool now holds 4.\n"},
        {{"add", "list.txt"}, R"({"success": true, "type": "uint16", "length": "4", "data": [1, 0, 65535, 65535]})",
         "1\n-1\n", "Added 2 values; the pool now holds 4.\n"},
        {{"add", "--pool", POOL, "--format", "qrng-json", "list.txt"},
         R"([{"type": "hex16", "size": "4", "data": ["ff000000"]}, {"type": "uint8", "data": [2, 0, 0, 0]}])",
         "255\n2\n", "Added 2 values; the pool now holds 4.\n"},
    };
    for (const auto& c : cases) {
        writePool("5\n6\n");
        writeSource("list.txt", c.source);
        const ProcessResult result = pool(c.args);
        EXPECT_EQ(result.exitStatus, 0) << c.source << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, c.out) << c.source;
        EXPECT_EQ(poolText(), c.added + "5\n6\n") << c.source;
    }

    // Standard input, by "-" or by default; a missing pool is created.
    fs::remove(dir.path() / POOL);
    EXPECT_EQ(pool({"add", "-"}, "7 8").out, "Added 2 values; the pool now holds 2.\n");
    EXPECT_EQ(pool({"add"}, "9").out, "Added 1 value; the pool now holds 3.\n");
    EXPECT_EQ(poolText(), "9\n7\n8\n");
}

TEST_F(PoolTool, FillAddsValuesReadAsBytes) {
    writePool("5\n");
    writeSource("generator.bin", std::string("\x02\x00\x00\x00\x00\x00\x00\x80\x09", 9));
    ProcessResult result = pool({"fill", "2", "--source", "generator.bin"});
    EXPECT_EQ(result.out, "Added 2 values; the pool now holds 3.\n");
    EXPECT_EQ(poolText(), "2\n-2147483648\n5\n");

    result = pool({"fill", "1000"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Added 1000 values; the pool now holds 1003.\n");
    EXPECT_EQ(lines(poolText()).size(), 1003U);
}

TEST_F(PoolTool, EveryFailureIsOneLineAndLeavesThePoolUntouched) {
    const std::string untouched = "[3, 4,\n5]";
    const struct {
        std::vector<std::string> args;
        std::string source;
        std::string err;
    } cases[] = {
        {{"add", "r.json"}, R"({"success": false, "type": "uint16", "data": [1, 2]})",
         "r.json: the response: \"success\" is false\n"},
        {{"add", "r.json"}, R"([{"success": true, "type": "uint8", "length": "1024", "size": "1"}])",
         "r.json: response 1: no \"data\"\n"},
        {{"add", "r.json"}, std::string("\x8a\x01\x00\xff\x10\x20\x30\x40", 8),
         "r.json: holds bytes that are not text; to add them as raw bytes use --format bytes\n"},
        {{"add", "r.json"}, " \n", "r.json: no values to add; the pool is unchanged\n"},
        {{"add", "--format", "bytes", "r.json"}, "abc", "r.json: no values to add; the pool is unchanged\n"},
        {{"add", "--format", "text", "r.json"}, "1 - 2", "Malformed entropy pool: r.json: line 1: a \"-\" with no digits after it\n"},
        {{"add", "missing.json"}, "", "Failed to read missing.json (No such file or directory)\n"},
        {{"add", POOL}, "", std::string(POOL) + ": is the pool itself; its values would be handed out twice\n"},
        {{"fill", "3", "--source", "r.json"}, "0123456789a", "r.json: ends after 11 bytes; 3 values take 12\n"},
    };
    for (const auto& c : cases) {
        writePool(untouched);
        writeSource("r.json", c.source);
        const ProcessResult result = pool(c.args);
        EXPECT_EQ(result.exitStatus, 1) << c.err;
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(poolText(), untouched) << c.err;
    }
}

TEST_F(PoolTool, CommandLineMistakesShowTheUsageAndExitTwo) {
    writePool("5\n");
    const struct {
        std::vector<std::string> args;
        std::string firstLine;
    } cases[] = {
        {{}, "MurkmootPool: no command given"},
        {{"refill"}, "MurkmootPool: unknown command \"refill\""},
        {{"status", "--format", "text"}, "MurkmootPool: unknown option \"--format\""},
        {{"add", "--format", "csv", "x"}, "MurkmootPool: unknown format \"csv\""},
        {{"add", "--pool"}, "MurkmootPool: --pool needs a value"},
        {{"add", "a", "b"}, "MurkmootPool: add takes one source, not \"b\" too"},
        {{"fill"}, "MurkmootPool: fill needs N, the number of values"},
        {{"fill", "0"}, "MurkmootPool: N must be a whole number from 1 to 100000000, not \"0\""},
        {{"fill", "12x"}, "MurkmootPool: N must be a whole number from 1 to 100000000, not \"12x\""},
    };
    const std::string usage = pool({"--help"}).out;
    for (const auto& c : cases) {
        const ProcessResult result = pool(c.args);
        EXPECT_EQ(result.exitStatus, 2) << c.firstLine;
        EXPECT_EQ(result.err, c.firstLine + "\n" + usage);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(poolText(), "5\n");
}

TEST_F(PoolTool, BothProgramsAnswerHelpAndVersion) {
    for (const std::string binary : {MURKMOOT_POOL_BINARY, MURKMOOT_CLI_BINARY}) {
        const std::string name = fs::path(binary).filename().string();
        const ProcessResult help = runProcess(binary, dir.path(), "", {"--help"});
        EXPECT_EQ(help.exitStatus, 0);
        EXPECT_EQ(help.out.rfind("Usage: " + name, 0), 0U) << help.out;
        EXPECT_EQ(help.err, "");
        const ProcessResult version = runProcess(binary, dir.path(), "", {"--version"});
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.out, name + " 1.0\n");

        const ProcessResult unknown = runProcess(binary, dir.path(), "", {"--pool-size"});
        EXPECT_EQ(unknown.exitStatus, 2);
        EXPECT_EQ(unknown.err, name + ": unknown option \"--pool-size\"\n" + help.out);
        EXPECT_EQ(unknown.out, "");
    }
    EXPECT_EQ(pool({"status", "--help"}).out.rfind("Usage: MurkmootPool", 0), 0U);
    // Answering its command line, the terminal program neither starts a log nor asks.
    EXPECT_FALSE(fs::exists(dir.path() / "log.txt"));
    EXPECT_EQ(runProcess(MURKMOOT_CLI_BINARY, dir.path(), "", {"question"}).exitStatus, 2);
}
