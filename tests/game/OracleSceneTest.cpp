// The oracle chamber without a window manager: a dummy-driver window with a software renderer,
// the repository's assets, and a pool written by each test.

#include "EntropyManager.h"
#include "OracleScene.h"
#include "TestSupport.h"
#include "core/ControlManager.h"
#include "core/JSONManager.h"
#include "core/Logging.h"
#include "entities/ToolTipManager.h"

#include <SDL.h>
#include <SDL_image.h>
#include <SDL_mixer.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>

namespace fs = std::filesystem;
using testsupport::readFile;

namespace {

const char* const POOL = "Assets/Data/entropy_pool.txt";

// SDL and its libraries once for the whole run; the window is 1920 x 1080 like the game's.
class SdlEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(TTF_Init(), 0);
        IMG_Init(IMG_INIT_PNG);
        Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048);
        window = SDL_CreateWindow("test", 0, 0, 1920, 1080, 0);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
        ASSERT_NE(renderer, nullptr) << SDL_GetError();
        SDL_RenderSetLogicalSize(renderer, 3840, 2160);
    }
    void TearDown() override {
        ToolTipManager::getInstance().shutdown();
        SDL_DestroyRenderer(renderer);
        SDL_DestroyWindow(window);
        Mix_CloseAudio();
        TTF_Quit();
        SDL_Quit();
    }
    static SDL_Window* window;
    static SDL_Renderer* renderer;
};
SDL_Window* SdlEnvironment::window = nullptr;
SDL_Renderer* SdlEnvironment::renderer = nullptr;
const auto* const environment = ::testing::AddGlobalTestEnvironment(new SdlEnvironment);

std::vector<int> poolOf(std::size_t count, int last) {
    std::vector<int> values;
    for (std::size_t i = 1; i < count; ++i) {
        values.push_back(static_cast<int>(i) * 101 + 1); // never a multiple of 10: no override
    }
    values.push_back(last);
    return values;
}

class OracleSceneTest : public ::testing::Test {
protected:
    OracleSceneTest() : cwd(dir.path()) {
        // The shipped assets, with a pool of the test's own.
        fs::create_directories("Assets/Data");
        for (const char* shared : {"TTF", "Image", "Sound"}) {
            fs::create_directory_symlink(fs::path(MURKMOOT_ASSETS_DIR) / shared, fs::path("Assets") / shared);
        }
        for (const char* data : {"OracleSceneData.json", "GoblinControlList.json", "ZadadezazKeyControlList.json"}) {
            fs::create_symlink(fs::path(MURKMOOT_ASSETS_DIR) / "Data" / data, fs::path("Assets/Data") / data);
        }
        flushLogRepeats();
        logFile.open("test-log.txt", std::ios::trunc);
    }
    ~OracleSceneTest() override {
        scene.reset();
        flushLogRepeats();
        logFile.close();
    }

    void buildScene() {
        scene = std::make_shared<OracleScene>(SdlEnvironment::renderer,
                                              JSONManager::loadAndLogJson("Assets/Data/OracleSceneData.json"));
        scene->setupSceneItems(SdlEnvironment::renderer);
    }
    std::string log() {
        logFile.flush();
        return readFile("test-log.txt");
    }
    static std::vector<std::string> ids(const Scene& built) {
        std::vector<std::string> result;
        for (const auto& entity : built.getEntities()) {
            result.push_back(entity->getId());
        }
        return result;
    }
    // Which of the seven result labels are visible, as a string of 0s and 1s.
    std::string visibleLabels() const {
        std::string flags;
        for (TextString* label : scene->getResultLabels()) {
            flags += label->isVisible() ? '1' : '0';
        }
        return flags;
    }

    testsupport::TempDir dir;
    testsupport::WorkingDirectory cwd;
    std::shared_ptr<OracleScene> scene;
};

} // namespace

TEST_F(OracleSceneTest, SetUpDrawsThePortraitAndShowsWhatIsLeft) {
    EntropyManager::savePool(poolOf(40, 3), POOL); // odd: the hooded goblin
    buildScene();
    EXPECT_EQ(ids(*scene), (std::vector<std::string>{"oracleBackground", "hoodedGoboPortrait", "AskButton"}));
    ASSERT_TRUE(scene->getGoblinPortrait());
    EXPECT_EQ(scene->getEntropyPoolText()->getText(), "39");
    EXPECT_EQ(EntropyManager::countPoolFile(POOL), 39);
    EXPECT_EQ(visibleLabels(), "0000010") << "only the override heading shows before a question";
    ASSERT_EQ(scene->getButtons().size(), 1U);
    EXPECT_EQ(scene->getButtons()[0]->getToolTipText(), OracleScene::ASK_BUTTON_TOOLTIP);

    scene.reset();
    EntropyManager::savePool(poolOf(40, -4), POOL);
    buildScene();
    EXPECT_EQ(ids(*scene)[1], "firstGoboPortrait");
}

TEST_F(OracleSceneTest, SetUpWithoutAUsablePoolStillRuns) {
    for (const char* contents : {"", "1\n-\n2\n"}) {
        if (*contents != '\0' || fs::exists(POOL)) {
            testsupport::writeFile(POOL, contents);
        }
        buildScene();
        EXPECT_EQ(ids(*scene)[1], "firstGoboPortrait") << contents;
        EXPECT_EQ(scene->getEntropyPoolText()->getText(), "0");
        EXPECT_NE(log().find("!![ERROR] No portrait draw from the entropy pool: "), std::string::npos);
        scene.reset();
    }
    fs::remove(POOL);
    buildScene();
    EXPECT_NE(log().find("Failed to open entropy pool: Assets/Data/entropy_pool.txt"), std::string::npos);

    // Asking without a pool: the council rests, nothing escapes.
    scene->confirmSelection();
    EXPECT_EQ(scene->getResultLabels()[2]->getText(), OracleScene::RESTING_TEXT);
    EXPECT_TRUE(scene->getResultLabels()[2]->isVisible());
    EXPECT_FALSE(scene->getOracleResult());
}

TEST_F(OracleSceneTest, AskingRevealsOneLabelAtATime) {
    EntropyManager::savePool(poolOf(16, 2), POOL);
    buildScene();
    scene->confirmSelection(); // Return on the selected Ask button
    ASSERT_TRUE(scene->getOracleResult());
    EXPECT_EQ(EntropyManager::countPoolFile(POOL), 2);
    EXPECT_EQ(visibleLabels(), "0000010");
    EXPECT_TRUE(scene->isRevealActive());

    // council, votes, consensus, prophecy, verdict, override heading, override line
    const std::vector<std::pair<int, std::string>> expected{
        {3, "1000010"}, {24, "1100010"}, {53, "1101010"}, {71, "1101110"}, {89, "1101111"}, {118, "1111111"}};
    std::size_t next = 0;
    std::string previous = visibleLabels();
    for (int update = 1; update <= 130; ++update) {
        scene->update(17.0F);
        const std::string now = visibleLabels();
        if (now != previous) {
            ASSERT_LT(next, expected.size());
            EXPECT_EQ(update, expected[next].first) << now;
            EXPECT_EQ(now, expected[next].second);
            ++next;
            previous = now;
        }
    }
    EXPECT_EQ(next, expected.size());
    EXPECT_FALSE(scene->isRevealActive());
    EXPECT_EQ(scene->getEntropyPoolText()->getText(), "2");
    EXPECT_EQ(scene->getResultLabels()[6]->getText(), "No override");
    EXPECT_EQ(scene->getResultLabels()[2]->getText(), "Consensus: " + scene->getOracleResult()->consensusCore);
}

TEST_F(OracleSceneTest, ALongPauseStillRevealsOneLabelPerUpdate) {
    EntropyManager::savePool(poolOf(16, 2), POOL);
    buildScene();
    scene->askOracle();
    scene->update(5000.0F);
    EXPECT_EQ(visibleLabels(), "1000010");
    scene->update(1.0F);
    EXPECT_EQ(visibleLabels(), "1100010");
}

TEST_F(OracleSceneTest, FourteenValuesAreRefusedFifteenAreNot) {
    EntropyManager::savePool(poolOf(16, 2), POOL); // 15 after set-up
    buildScene();
    scene->askOracle();
    ASSERT_TRUE(scene->getOracleResult());
    const std::string firstVerdict = scene->getResultLabels()[4]->getText();

    EntropyManager::savePool(poolOf(14, 1), POOL);
    scene->askOracle();
    EXPECT_EQ(EntropyManager::countPoolFile(POOL), 14) << "nothing drawn";
    EXPECT_EQ(scene->getResultLabels()[2]->getText(), OracleScene::RESTING_TEXT);
    EXPECT_EQ(visibleLabels(), "0010010") << "the rest reveal again, the resting line at once";
    EXPECT_EQ(scene->getResultLabels()[4]->getText(), firstVerdict) << "the previous result stays";
    EXPECT_NE(log().find("!![ERROR] Failed to load entropy pool for size check"), std::string::npos);
}

TEST_F(OracleSceneTest, APoolThatFailsMidRunLeavesTheWindowUp) {
    // Text that is not in the written form is rewritten whole at the first draw; with the file
    // size limited below the pool's (but above the log's) that rewrite fails.
    EntropyManager::savePool(poolOf(20000, 2), POOL);
    buildScene();
    testsupport::writeFile(POOL, "[" + readFile(POOL) + "]");
    const auto askWithoutRoomToWrite = [this] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &small);
        scene->askOracle();
        const bool resting = scene->getResultLabels()[2]->getText() == OracleScene::RESTING_TEXT;
        const bool logged = log().find("!![ERROR] Oracle run failed: Failed to write entropy pool: ") != std::string::npos;
        std::exit(resting && logged && !scene->getOracleResult() ? 0 : 1);
    };
    EXPECT_EXIT(askWithoutRoomToWrite(), ::testing::ExitedWithCode(0), "");
}

TEST_F(OracleSceneTest, ResultLabelsShowTheOverride) {
    EntropyManager::savePool(poolOf(20, 2), POOL);
    buildScene();
    auto result = std::make_shared<GoblinTypes::OracleResult>();
    result->council = {"A  a.", "B  b."};
    GoblinTypes::GoblinVote vote;
    vote.voteText = "A (1)  a.  says: \"Yes  x.\"";
    result->votes = {vote, vote};
    result->consensusCore = "Yes";
    result->prophecy = "Yes  p.";
    result->finalVerdict = "VOID: nothing is decided, nothing ends.";
    result->overridden = true;
    result->overrideMessage = result->finalVerdict;
    scene->setOracleResult(result);
    const auto labels = scene->getResultLabels();
    EXPECT_EQ(labels[0]->getText(), "A  a.\nB  b.\n");
    EXPECT_EQ(labels[1]->getText(), vote.voteText + "\n\n" + vote.voteText + "\n\n");
    EXPECT_EQ(labels[3]->getText(), "Prophecy: Yes  p.");
    EXPECT_EQ(labels[4]->getText(), "Verdict: VOID: nothing is decided, nothing ends.");
    EXPECT_EQ(labels[6]->getText(), "Pudding Brain Override: VOID: nothing is decided, nothing ends.");
    EXPECT_EQ(visibleLabels(), "0000010") << "showing is the reveal's job";
}

TEST_F(OracleSceneTest, RightClickRunsItsActionAndGivesTheButtonItsAskBack) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    buildScene();
    ButtonEntity* ask = scene->getButtons().at(0);
    // The pointer over the button's centre, in window pixels (half the logical size).
    SDL_WarpMouseInWindow(SdlEnvironment::window, (ask->getX() + ask->getWidth() / 2) / 2,
                          (ask->getY() + ask->getHeight() / 2) / 2);
    SDL_PumpEvents();
    SDL_Event release{};
    release.type = SDL_MOUSEBUTTONUP;
    release.button.button = SDL_BUTTON_RIGHT;
    scene->handleInput(release);
    EXPECT_EQ(ask->getState(), ButtonEntity::RIGHT_CLICKED);
    EXPECT_NE(log().find("..[INFO] Right click action executed."), std::string::npos);
    EXPECT_FALSE(scene->getOracleResult());

    release.button.button = SDL_BUTTON_LEFT;
    scene->handleInput(release);
    EXPECT_EQ(ask->getState(), ButtonEntity::CLICKED);
    EXPECT_TRUE(scene->getOracleResult()) << "a left click after a right click still asks";

    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    scene->handleInput(motion);
    EXPECT_EQ(ask->getState(), ButtonEntity::HOVER);
    EXPECT_TRUE(ToolTipManager::getInstance().isShowing());
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_a;
    scene->handleInput(key);
    EXPECT_FALSE(ToolTipManager::getInstance().isShowing()) << "any other event hides the tooltip";
}

TEST_F(OracleSceneTest, KeyboardSelectionFocusAndLeaving) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    buildScene();
    testing::internal::CaptureStdout();
    scene->moveSelection(-1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Selected button index: 0\n");
    EXPECT_EQ(scene->getSelectedButtonIndex(), 0);
    EXPECT_EQ(scene->getButtons()[0]->getState(), ButtonEntity::HOVER);

    for (const bool activeBefore : {false, true}) {
        scene->getTextBox()->setActive(activeBefore);
        scene->moveTextBoxFocus(1);
        EXPECT_TRUE(scene->getTextBox()->isActive());
        EXPECT_TRUE(scene->hasActiveTextInput());
    }

    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    scene->exitOracleScene();
    SDL_Event event{};
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.type, SDL_QUIT);
}

TEST_F(OracleSceneTest, DestructionTakesItsActionsAndContextAlong) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    ControlManager& controls = ControlManager::getInstance();
    int applicationConfirms = 0;
    controls.registerAction("confirm", [&] { ++applicationConfirms; });
    buildScene();
    EXPECT_EQ(controls.getContextStack().back(), "menu");
    scene.reset();
    EXPECT_EQ(std::count(controls.getContextStack().begin(), controls.getContextStack().end(), "menu"), 0);
    SDL_Event returnKey{};
    returnKey.type = SDL_KEYDOWN;
    returnKey.key.keysym.sym = SDLK_RETURN;
    controls.dispatchEvent(returnKey);
    EXPECT_EQ(applicationConfirms, 0) << "a replaced callback does not come back";
    EXPECT_NE(log().find("..[INFO] OracleScene destroyed"), std::string::npos);
}
