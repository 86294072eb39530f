// The real MurkmootPool binary (and MurkmootCli's command line), run in a scratch directory as a
// user runs them. What each format yields is PoolImportTest's; this is the plumbing around it.

#include "FileReplacement.h"
#include "PoolTool.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <pty.h>
#include <sstream>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

using namespace testsupport;
using Args = std::vector<std::string>;
namespace fs = std::filesystem;

const std::string POOL = "Assets/Data/entropy_pool.txt";

TEST(PoolTool, StatusCountsAndAddAndFillPutNewValuesInFront) {
    const TempDir dir;
    const std::string status = "Pool: " + POOL + "\nValues left: ";
    const std::string written = "Written form: yes (one plain decimal per line)\n";
    const std::tuple<Args, std::string, std::string> steps[] = {
        {{"status"}, "",
         status + "2\nConsultations: none; below 15 values the council rests until the pool is refilled\n"
                  "Written form: no (the next draw or refill rewrites it in the written form)\n"},
        {{"add", "source"}, R"({"type": "uint16", "data": [1, 0]})", "Added 1 value; the pool now holds 3.\n"},
        {{"add", "--format=bytes", "--pool", POOL, "source"}, std::string("\x01\0\0\0\xfe\xff\xff\xff\x05\x06", 10),
         "Left out the last 2 bytes of source: a value takes 4.\nAdded 2 values; the pool now holds 5.\n"},
        {{"add", "-"}, "", "Added 2 values; the pool now holds 7.\n"},
        {{"fill", "1", "--source", "source"}, std::string("\x09\0\0\0", 4), "Added 1 value; the pool now holds 8.\n"},
        {{"fill", "2", "--source", "source"}, std::string(7, '\0'), "source: ends after 7 bytes; 2 values take 8\n"},
        {{"fill", "7", "--source", "source"}, std::string(28, '\0'), "Added 7 values; the pool now holds 15.\n"},
        {{"status"}, "", status + "15\nConsultations: about 1 (13 or 14 values each)\n" + written},
        {{"fill", "13", "--source", "source"}, std::string(52, '\0'), "Added 13 values; the pool now holds 28.\n"},
        {{"status"}, "", status + "28\nConsultations: about 1 to 2 (13 or 14 values each)\n" + written},
    };
    writeFile(dir.path() / POOL, "[5, 6]");
    for (const auto& [args, source, out] : steps) {
        writeFile(dir.path() / "source", source);
        const ProcessResult result = runProcess(MURKMOOT_POOL_BINARY, dir.path(), "[7, 8]", args);
        EXPECT_EQ(result.out + result.err, out);
    }
    const std::string pool = readFile(dir.path() / POOL);
    EXPECT_TRUE(pool.ends_with("\n0\n9\n7\n8\n1\n-2\n1\n5\n6\n"));

    // The same data again, in any form, only when asked for.
    const Args again[] = {{"add", "-"}, {"add", "-", "--again"}};
    for (const Args& args : again) {
        const ProcessResult result = runProcess(MURKMOOT_POOL_BINARY, dir.path(), "1 -2", args);
        EXPECT_EQ(result.err.starts_with("standard input: already added on 20"), result.exitStatus == 1);
        EXPECT_TRUE(result.err.ends_with("; the pool is unchanged (--again adds it anyway)\n") || result.out.starts_with("Added 2 values"));
        EXPECT_EQ(readFile(dir.path() / POOL) == pool, args.size() == 2) << result.err;
    }

    // A missing pool is created, and that is said; fill reads /dev/urandom by default.
    std::filesystem::remove(dir.path() / POOL);
    const ProcessResult filled = runProcess(MURKMOOT_POOL_BINARY, dir.path(), "", {"fill", "1000"});
    EXPECT_EQ(filled.out, "Created a new pool: " + POOL + "\nAdded 1000 values; the pool now holds 1000.\n");
    EXPECT_EQ(lines(readFile(dir.path() / POOL)).size(), 1000U);
}

namespace {

// The step of replacing which file fails with EIO, while set.
std::optional<std::pair<FileReplacement::Step, std::string>> failing;

int injected(FileReplacement::Step step, const std::string& name) {
    return failing && failing->first == step && failing->second == name ? EIO : 0;
}

} // namespace

// A record tells only of data that is in the pool: whatever step of the pool's change fails, the
// retry adds the data. A record that cannot be written only warns, naming the record.
TEST(PoolTool, TheRecordIsWrittenOnlyOnceThePoolHoldsTheData) {
    const TempDir dir;
    fs::create_directory(dir.path() / "real");
    fs::create_directory_symlink(dir.path() / "real", dir.path() / "link"); // messages name the real place
    const std::string pool = (dir.path() / "link" / "pool.txt").string();
    const std::string record = (fs::canonical(dir.path()) / "real" / ".pool.txt.added").string();
    writeFile(pool, "1\n");
    FileReplacement::injectFault(injected);
    const auto add = [&](const std::string& values) {
        std::istringstream in(values);
        std::ostringstream out;
        std::ostringstream err;
        const int status = PoolTool(in, out, err).run({"add", "--pool", pool, "-"});
        return std::to_string(status) + " " + out.str() + err.str();
    };
    using Step = FileReplacement::Step;
    const std::string failed = "1 Failed to write entropy pool: " + pool + " (Input/output error)\n";
    for (const Step step : {Step::WRITE, Step::SYNC, Step::LINK, Step::RENAME}) {
        failing.emplace(step, "pool.txt");
        EXPECT_EQ(add("5 6"), failed);
        EXPECT_EQ(readFile(pool), "1\n");
    }
    // Renamed but perhaps not lasting: that is a failure too, and still no record.
    failing.emplace(Step::SYNC_DIRECTORY, "pool.txt");
    EXPECT_EQ(add("5 6"), failed);
    EXPECT_FALSE(fs::exists(record));
    failing.reset();
    EXPECT_EQ(add("5 6"), "0 Added 2 values; the pool now holds 5.\n");
    EXPECT_TRUE(fs::exists(record));
    failing.emplace(Step::RENAME, ".pool.txt.added");
    EXPECT_EQ(add("7"), "0 Added 1 value; the pool now holds 6.\nFailed to write the record of data added to the pool: " +
                            record + " (Input/output error); adding the same data again will not be noticed\n");
    failing.reset();
    FileReplacement::injectFault(nullptr);
    writeFile(dir.path() / "real" / "..pool.txt.added.new", "left by a killed add\n");
    EXPECT_EQ(add("7"), "0 Added 1 value; the pool now holds 7.\n");
    EXPECT_TRUE(add("7").starts_with("1 standard input: already added on 20"));
    EXPECT_EQ(add("8"), "0 Added 1 value; the pool now holds 8.\n"); // other data: every value counts
    EXPECT_EQ(readFile(pool), "8\n7\n7\n5\n6\n5\n6\n1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "real"), {}), 3) << "a temporary left behind";
}

TEST(PoolTool, EveryFailureIsOneLineAndLeavesThePoolUntouched) {
    const TempDir dir;
    const std::string malformed = "Malformed entropy pool: " + POOL + ": line ";
    const std::string bad = "[3, 4,\n5 -]"; // malformed: only a good source gets as far as reading it
    const std::tuple<Args, std::string, std::string, std::string> cases[] = {
        {{"add", "source"}, R"({"success": false, "data": [1]})", "source: the response: \"success\" is false\n", bad},
        {{"add", "source"}, std::string("\x8a\x01\0\xff", 4),
         "source: holds bytes that are not text; to add them as raw bytes use --format bytes\n", bad},
        {{"add", "--format", "bytes", "source"}, "abc", "source: no values to add; the pool is unchanged\n", bad},
        {{"add", "source"}, "{\"data\": " + std::string(100'000, '[') + std::string(100'000, ']') + "}",
         "source: JSON nested more than 8 levels deep, more than any response needs; the pool is unchanged\n", bad},
        {{"add", "--format", "text", "/dev/zero"}, "",
         "/dev/zero: more than 67108864 bytes without a value; the pool is unchanged\n", bad},
        {{"add", "missing"}, "", "Failed to read missing (No such file or directory)\n", bad},
        {{"add", POOL}, "", POOL + ": is the pool itself; its values would be handed out twice\n", bad},
        {{"fill", "3", "--source", "source"}, "0123456789a", "source: ends after 11 bytes; 3 values take 12\n", bad},
        {{"add", "source"}, "7", malformed + "2: a \"-\" with no digits after it\n", bad},
        {{"status"}, "", malformed + "4: \"99999999999\" does not fit in 32 bits\n", "1\n2\n3\n99999999999\n4\n"},
    };
    for (const auto& [args, source, err, text] : cases) {
        writeFile(dir.path() / POOL, text);
        writeFile(dir.path() / "source", source);
        const ProcessResult result = runProcess(MURKMOOT_POOL_BINARY, dir.path(), "", args);
        EXPECT_EQ(result.exitStatus, 1) << err;
        EXPECT_EQ(result.err + result.out, err);
        EXPECT_EQ(readFile(dir.path() / POOL), text) << err;
    }
}

TEST(PoolTool, EveryProgramAnswersHelpVersionAndCommandLineMistakes) {
    const TempDir dir;
    const std::string tool = MURKMOOT_POOL_BINARY;
    const std::tuple<std::string, Args, std::string> mistakes[] = {
        {tool, {}, "no command given"},
        {tool, {"refill"}, "unknown command \"refill\""},
        {tool, {"status", "--format", "text"}, "status takes no option --format"},
        {tool, {"add", "-x"}, "unknown option \"-x\""},
        {tool, {"add", "--format", "csv", "x"}, "unknown format \"csv\""},
        {tool, {"add", "--pool"}, "--pool needs a value"},
        {tool, {"add", "--again=yes"}, "--again takes no value"},
        {tool, {"--source", "s", "fill", "--", "-3"}, "N must be a whole number from 1 to 100000000, not \"-3\""},
        {tool, {"status", "--help=yes"}, "--help takes no value"},
        {MURKMOOT_CLI_BINARY, {"--pool-size"}, "unknown option \"--pool-size\""},
        {MURKMOOT_CLI_BINARY, {"why", "--pool"}, "--pool needs a value"},
#ifdef MURKMOOT_WINDOW_BINARY
        {MURKMOOT_WINDOW_BINARY, {"-x"}, "unknown option \"-x\""},
#endif
    };
    for (const auto& [binary, args, firstLine] : mistakes) {
        const std::string name = std::filesystem::path(binary).filename().string();
        const ProcessResult help = runProcess(binary, dir.path(), "", {"--help"});
        EXPECT_EQ(help.out.rfind("Usage: " + name, 0) + help.exitStatus, 0U) << help.out;
        EXPECT_EQ(runProcess(binary, dir.path(), "", {"-h"}).out, help.out);
        EXPECT_EQ(runProcess(binary, dir.path(), "", {"--version"}).out,
                  name + " 1.0\nCopyright (C) 2026 Murkmoot developers\n"
                         "License: MIT <https://opensource.org/licenses/MIT>\n"
                         "This is free software: you are free to change and redistribute it.\n"
                         "There is NO WARRANTY, to the extent permitted by law.\n");
        const ProcessResult result = runProcess(binary, dir.path(), "", args);
        EXPECT_EQ(result.exitStatus, 2) << firstLine;
        EXPECT_EQ(result.out + result.err, name + ": " + firstLine + "\nTry '" + name + " --help'.\n");
    }
    // Answering their command lines, the games neither start a log nor ask nor open a window.
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "log.txt"));
}

TEST(PoolTool, TheHintForAMissingPoolRunsAsPrinted) {
    const TempDir dir;
    // Before the first game: status says how to make the pool, and so does the terminal game.
    const std::string pool = "my pool's.txt"; // quoted for the shell
    const ProcessResult status = runProcess(MURKMOOT_POOL_BINARY, dir.path(), "", {"status", "--pool", pool});
    const ProcessResult game = runProcess(MURKMOOT_CLI_BINARY, dir.path(), "", {"--pool", pool});
    const std::vector<std::string> said = lines(status.err);
    ASSERT_EQ(said.size(), 2U) << status.err;
    EXPECT_EQ(said[0], "Failed to open entropy pool: " + pool);
    EXPECT_TRUE(game.err.ends_with("\n" + said[1] + "\n")) << game.err;
    const std::string hint = "Make one with: ";
    ASSERT_TRUE(said[1].starts_with(hint));
    const ProcessResult made = runProcess("/bin/sh", dir.path(), "", {"-c", said[1].substr(hint.size())});
    EXPECT_EQ(made.exitStatus, 0) << made.err;
    EXPECT_EQ(lines(readFile(dir.path() / pool)).size(), 100000U);
}

TEST(PoolTool, AddOnATerminalSaysItReadsUntilEndOfInput) {
    const TempDir dir;
    int terminal = -1;
    int player = -1;
    ASSERT_EQ(::openpty(&terminal, &player, nullptr, nullptr, nullptr), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const int err = ::open((dir.path() / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int out = ::open("/dev/null", O_WRONLY);
        if (err < 0 || out < 0 || ::chdir(dir.path().c_str()) != 0 || ::dup2(player, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0) {
            ::_exit(127);
        }
        ::execl(MURKMOOT_POOL_BINARY, MURKMOOT_POOL_BINARY, "add", "--pool", "p", nullptr);
        ::_exit(127);
    }
    ::close(player);
    const std::string typed = "5 6\n\x04"; // a line, then Ctrl-D
    EXPECT_EQ(::write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    EXPECT_EQ(readFile(dir.path() / "err"),
              "Reading values from the terminal until end of input (Ctrl-D on a line of its own).\n");
    EXPECT_EQ(readFile(dir.path() / "p"), "5\n6\n");
}
