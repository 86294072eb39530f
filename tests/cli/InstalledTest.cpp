// The programs as a player has them once installed, in the layout the build was configured with
// (by default <prefix>/bin and <prefix>/share/murkmoot), started from some other directory, each
// player's pool and logs under their own XDG directories. The prefix is made by copying the built
// programs and Assets/ (no pool), or by `cmake --install`, which must install the programs.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

// Every path under `root` with its size, so that any file made or changed there shows.
std::string listing(const fs::path& root) {
    std::string text;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        text += entry.path().string() + " " + (entry.is_regular_file() ? std::to_string(entry.file_size()) : "") + "\n";
    }
    return text;
}

void copyPrefix(const fs::path& prefix) {
    fs::create_directories(prefix / MURKMOOT_GAMES_DIR);
    fs::create_directories(prefix / "bin");
    fs::copy(MURKMOOT_CLI_BINARY, prefix / MURKMOOT_GAMES_DIR);
    fs::copy(MURKMOOT_POOL_BINARY, prefix / "bin");
    const fs::path data = prefix / MURKMOOT_DATA_DIR;
    fs::create_directories(data);
    fs::copy(MURKMOOT_ASSETS_DIR, data / "Assets", fs::copy_options::recursive);
    for (const char* pool : {"entropy_pool.txt", ".entropy_pool.txt.lock"}) {
        fs::remove(data / "Assets/Data" / pool); // one made in the source tree
    }
}

struct Player {
    fs::path home;
    bool xdg; // with XDG_DATA_HOME and XDG_STATE_HOME of their own, else the defaults under HOME
    fs::path pool() const { return home / (xdg ? "data" : ".local/share") / "murkmoot/entropy_pool.txt"; }
    fs::path log() const { return home / (xdg ? "state" : ".local/state") / "murkmoot/log.txt"; }
    void enter() const {
        setenv("HOME", home.c_str(), 1);
        if (xdg) {
            setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
            setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
        } else {
            unsetenv("XDG_DATA_HOME");
            unsetenv("XDG_STATE_HOME");
        }
    }
};

class Installed : public ::testing::TestWithParam<bool> {};

} // namespace

TEST_P(Installed, EachPlayerDrawsFromAPoolOfTheirOwnAndNothingElseIsWritten) {
    const TempDir root;
    const fs::path prefix = root.path() / "prefix";
    const fs::path work = root.path() / "work";
    fs::create_directories(work);
    if (GetParam()) {
        const ProcessResult install =
            runProcess(MURKMOOT_CMAKE, work, "", {"--install", MURKMOOT_BUILD_DIR, "--prefix", prefix.string()});
        ASSERT_EQ(install.exitStatus, 0) << install.err;
        ASSERT_TRUE(fs::exists(prefix / MURKMOOT_GAMES_DIR / "MurkmootCli")) << "the build installs no programs";
        const fs::path menu = prefix / "share/applications/org.murkmoot.Murkmoot.desktop";
        if (fs::exists(menu)) { // the menu starts the game where this install put it
            EXPECT_NE(readFile(menu).find("\nExec=" + (prefix / MURKMOOT_GAMES_DIR / "Murkmoot").string() + "\n"),
                      std::string::npos);
        }
    } else {
        copyPrefix(prefix);
    }
    const std::string installed = listing(prefix);
    const std::string cli = (prefix / MURKMOOT_GAMES_DIR / "MurkmootCli").string();
    const Player players[] = {{root.path() / "one", true}, {root.path() / "two", false}};
    for (const Player& player : players) {
        player.enter();
        for (const std::string& said : {"Created your entropy pool " + player.pool().string() +
                                           " with 100000 values from /dev/urandom.\n",
                                       std::string()}) { // once only
            const ProcessResult asked = runProcess(cli, work, "q\n", {"why"}); // words are ignored
            EXPECT_EQ(asked.exitStatus, 0) << asked.err;
            EXPECT_EQ(asked.err, said);
            EXPECT_NE(asked.out.find("Final Verdict: "), std::string::npos);
        }
        const std::size_t left = lines(readFile(player.pool())).size();
        EXPECT_GE(left, 100000U - 28);
        EXPECT_LE(left, 100000U - 26);
        EXPECT_EQ(runProcess((prefix / "bin/MurkmootPool").string(), work, "", {"status"}).out.rfind(
                      "Pool: " + player.pool().string() + "\nValues left: " + std::to_string(left) + "\n", 0),
                  0U);
        EXPECT_TRUE(fs::exists(player.log()));
    }
    EXPECT_NE(readFile(players[0].pool()).substr(0, 10000), readFile(players[1].pool()).substr(0, 10000));

    // A pool named on the command line, relative to the working directory; a missing one says how
    // to make it.
    writeFile(root.path() / "shared.txt", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n");
    EXPECT_EQ(runProcess(cli, work, "q\n", {"--pool", "../shared.txt"}).exitStatus, 0);
    EXPECT_LE(lines(readFile(root.path() / "shared.txt")).size(), 2U);
    const ProcessResult missing = runProcess(cli, work, "q\n", {"--pool=it's gone.txt"});
    EXPECT_EQ(missing.err, "Failed to open entropy pool: it's gone.txt\n"
                           "Make one with: MurkmootPool --pool 'it'\\''s gone.txt' fill 100000\n");

    // Every completed consultation is in the player's journal beside their own pool, --pool or not.
    EXPECT_EQ(lines(readFile(players[0].pool().parent_path() / "journal.jsonl")).size(), 2U);
    EXPECT_EQ(lines(readFile(players[1].pool().parent_path() / "journal.jsonl")).size(), 3U);
    // One the game refuses to read where others may write is a failure, said as such.
    const fs::path shared = players[0].pool().parent_path();
    fs::permissions(shared, fs::perms::others_write, fs::perm_options::add);
    players[0].enter();
    const ProcessResult refused = runProcess(cli, work, "", {"--journal"});
    fs::permissions(shared, fs::perms::others_write, fs::perm_options::remove);
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.err.rfind("Refusing to use " + shared.string(), 0), 0U) << refused.err;
    EXPECT_TRUE(fs::is_empty(work));
    EXPECT_EQ(listing(prefix), installed);
}

INSTANTIATE_TEST_SUITE_P(Prefix, Installed, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "CmakeInstall" : "Copied"; });
