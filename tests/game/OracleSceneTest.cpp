// The oracle chamber without a window manager: a dummy-driver window with a software renderer,
// the repository's assets, and a pool written by each test.

#include "EntropyManager.h"
#include "OracleCouncil.h"
#include "OracleScene.h"
#include "TestSupport.h"
#include "core/ControlManager.h"
#include "core/FrameLoop.h"
#include "core/JSONManager.h"
#include "core/Logging.h"
#include "core/SdlPtrs.h"
#include "entities/SceneManager.h"
#include "entities/ToolTipManager.h"

#include <SDL_image.h>
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

// Events name only the fields a test needs; SDL's other fields stay zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

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
    static inline SDL_Window* window = nullptr;
    static inline SDL_Renderer* renderer = nullptr;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new SdlEnvironment);

// The first 16 x 16 region, in reading order, where two pictures of one size differ by more than
// font hinting or texture filtering make them: more than two pixels whose colour is 128 or more apart, in some
// channel, from every pixel around the same place in the other picture. Empty when none does.
std::string firstDifferingRegion(const SDL_Surface& shown, const SDL_Surface& wanted) {
    constexpr int REGION = 16;
    const auto pixel = [](const SDL_Surface& picture, int x, int y) {
        const int nearX = std::clamp(x, 0, picture.w - 1);
        return static_cast<const Uint8*>(picture.pixels) + std::clamp(y, 0, picture.h - 1) * picture.pitch + nearX * 4;
    };
    const auto apart = [&](const SDL_Surface& from, const SDL_Surface& to, int x, int y) {
        int least = 255;
        for (int around = 0; around < 9; ++around) {
            const Uint8* a = pixel(from, x, y);
            const Uint8* b = pixel(to, x + around % 3 - 1, y + around / 3 - 1);
            least = std::min(least, std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])}));
        }
        return least >= 128;
    };
    for (int top = 0; top < shown.h; top += REGION) {
        for (int left = 0; left < shown.w; left += REGION) {
            int differing = 0;
            for (int y = top; y < std::min(top + REGION, shown.h); ++y) {
                for (int x = left; x < std::min(left + REGION, shown.w); ++x) {
                    differing += std::memcmp(pixel(shown, x, y), pixel(wanted, x, y), 3) != 0 &&
                                 (apart(shown, wanted, x, y) || apart(wanted, shown, x, y));
                }
            }
            if (differing > 2) {
                return "x " + std::to_string(left) + ", y " + std::to_string(top) + " (16 x 16 window pixels)";
            }
        }
    }
    return "";
}

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
        SceneManager::getInstance().clearScenes(); // a test that made the scene current leaves it to no one
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

TEST_F(OracleSceneTest, WithoutAPoolSetUpAndAskingStillRun) {
    buildScene();
    EXPECT_EQ(scene->getGoblinPortrait()->getId(), "firstGoboPortrait");
    EXPECT_EQ(scene->getEntropyPoolText()->getText(), "0");
    EXPECT_NE(log().find("!![ERROR] No portrait draw from the entropy pool: "), std::string::npos);

    // Asking without a pool: the click plays quietly on a free channel (with every channel busy,
    // no channel changes), the council rests, nothing escapes.
    Mix_AllocateChannels(1);
    Mix_Volume(0, MIX_MAX_VOLUME);
    const MixChunkPtr busy(Mix_LoadWAV("Assets/Sound/Button/askButtonClickSound.wav"));
    Mix_PlayChannel(0, busy.get(), -1);
    scene->askOracle();
    EXPECT_EQ(Mix_Volume(0, -1), MIX_MAX_VOLUME);
    Mix_HaltChannel(0);
    scene->confirmSelection();
    EXPECT_EQ(Mix_Volume(0, -1), 8);
    Mix_HaltChannel(0);
    Mix_AllocateChannels(MIX_CHANNELS);
    EXPECT_EQ(scene->getResultLabels()[2]->getText(), OracleScene::RESTING_TEXT);
}

// The typed question is asked, the labels appear one by one, and then the chamber must look like
// the picture in reference/. MURKMOOT_UPDATE_REFERENCE=1 rewrites that picture; a differing one
// is written beside the build for a look.
TEST_F(OracleSceneTest, AskingRevealsTheAnswerOneLabelAtATime) {
    // Multiples of ten make Puddingbrain override; the odd set-up draw brings the hooded goblin.
    EntropyManager::savePool({150, 140, 130, 120, 110, 100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 3}, POOL);
    buildScene();
    scene->moveTextBoxFocus(1);
    SDL_Event typed{.text = {.type = SDL_TEXTINPUT, .text = "Will it rain?"}};
    scene->handleInput(typed);
    scene->confirmSelection(); // Return on the selected Ask button

    // The update at which each label shows (none shows before): council, votes, consensus,
    // prophecy, verdict, override heading (always), override line.
    std::array<int, 7> shownAt{};
    for (int update = 1; update <= 130; ++update) {
        scene->update(17.0F);
        for (std::size_t label = 0; label < shownAt.size(); ++label) {
            if (shownAt[label] == 0 && scene->getResultLabels()[label]->isVisible()) {
                shownAt[label] = update;
            }
        }
    }
    EXPECT_EQ(shownAt, (std::array<int, 7>{3, 24, 118, 53, 71, 1, 89}));
    // Where each label stands and its first line.
    const std::array<std::tuple<int, int, std::string>, 7> layout{{
        {2300, 180, "Rustclaw  nails that scrape iron to dust."},
        {950, 580, R"(Rustclaw (60)  nails that scrape iron to dust.  squeaks: "Yes  the puddles freeze in omen.")"},
        {1200, 1750, "Consensus: Perhaps"},
        {950, 1240, "Prophecy: Perhaps  the fungi bow, the Arbiters hesitate, yet the resonance hums on."},
        {950, 1340, "Verdict: RESONANCE: the hum drowns all dissent."},
        {950, 1450, "Override"},
        {950, 1500, "Pudding Brain Override: RESONANCE: the hum drowns all dissent."}}};
    for (std::size_t label = 0; label < layout.size(); ++label) {
        const TextString& shownLabel = *scene->getResultLabels()[label];
        const std::string firstLine = shownLabel.getText().substr(0, shownLabel.getText().find('\n'));
        EXPECT_EQ(std::make_tuple(shownLabel.getX(), shownLabel.getY(), firstLine), layout[label]) << label;
    }
    const std::array<std::tuple<int, int, std::string>, 3> headings{
        {{2300, 120, "The Council:"}, {950, 530, "Votes:"}, {950, 1180, "Oracle's Response:"}}};
    for (std::size_t heading = 0; heading < headings.size(); ++heading) {
        const TextString& shownHeading = *scene->getHeadings()[heading];
        EXPECT_EQ(std::make_tuple(shownHeading.getX(), shownHeading.getY(), shownHeading.getText()), headings[heading]);
    }

    scene->getTextBox()->setActive(false); // no blinking caret in the picture
    const SdlSurfacePtr shown(SDL_CreateRGBSurfaceWithFormat(0, 1920, 1080, 32, SDL_PIXELFORMAT_RGBA32));
    const auto render = [&] {
        SDL_RenderClear(SdlEnvironment::renderer);
        scene->render(SdlEnvironment::renderer);
        SDL_RenderReadPixels(SdlEnvironment::renderer, nullptr, shown->format->format, shown->pixels, shown->pitch);
    };
    render();
    const std::string reference = MURKMOOT_REFERENCE_DIR "/chamber-answered.png";
    if (std::getenv("MURKMOOT_UPDATE_REFERENCE") != nullptr) {
        IMG_SavePNG(shown.get(), reference.c_str());
    }
    const SdlSurfacePtr loaded(IMG_Load(reference.c_str()));
    const SdlSurfacePtr wanted(loaded ? SDL_ConvertSurfaceFormat(loaded.get(), shown->format->format, 0) : nullptr);
    ASSERT_TRUE(wanted && wanted->w == shown->w && wanted->h == shown->h) << reference << ": none, or not 1920 x 1080";
    const std::string region = firstDifferingRegion(*shown, *wanted);
    if (!region.empty()) {
        IMG_SavePNG(shown.get(), MURKMOOT_ACTUAL_DIR "/chamber-answered.png");
        ADD_FAILURE() << "the chamber differs from " << reference << " first at " << region
                      << ": see " MURKMOOT_ACTUAL_DIR "/chamber-answered.png";
    }
    // The tolerance still sees a label gone: here the verdict.
    scene->getResultLabels()[4]->setVisibility(false);
    render();
    EXPECT_NE(firstDifferingRegion(*shown, *wanted), "");
}

TEST_F(OracleSceneTest, AfterALongPauseAndARefusalFifteenValuesAreAskedFourteenNot) {
    EntropyManager::savePool(poolOf(16, 2), POOL); // 15 after set-up
    buildScene();
    EXPECT_EQ(visibleLabels(), "0000010") << "only the override heading shows before a question";
    scene->askOracle();
    scene->update(5000.0F);
    EXPECT_EQ(visibleLabels(), "1000010") << "one label per update, even after a long pause";
    scene->update(1.0F);
    EXPECT_EQ(visibleLabels(), "1100010");

    EntropyManager::savePool(poolOf(14, 1), POOL);
    scene->askOracle();
    EXPECT_EQ(EntropyManager::countPoolFile(POOL), 14) << "nothing drawn";
    EXPECT_EQ(scene->getResultLabels()[2]->getText(), OracleScene::RESTING_TEXT);
    EXPECT_EQ(visibleLabels(), "0010010") << "the rest reveal again, the resting line at once";
    EXPECT_EQ(scene->getResultLabels()[6]->getText(), "No override") << "the previous result stays";
    EXPECT_NE(log().find("!![ERROR] Failed to load entropy pool for size check"), std::string::npos);
}

TEST_F(OracleSceneTest, AQuestionAskedWhileAnotherHoldsThePoolWaitsForIt) {
    EntropyManager::savePool(poolOf(40, 2), POOL); // 39 after set-up
    buildScene();
    const auto left = [] { return testsupport::lines(readFile(POOL)).size(); };
    const int lock = ::open("Assets/Data/.entropy_pool.txt.lock", O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    scene->askOracle();
    scene->update(20.0F);
    EXPECT_EQ(left(), 39U) << "nothing drawn while another program holds the pool";
    EXPECT_EQ(visibleLabels(), "0000010");
    ::close(lock);
    scene->update(20.0F);
    EXPECT_EQ(left(), 26U) << "asked once the pool is free";
    scene->update(60.0F);
    EXPECT_EQ(visibleLabels(), "1000010");
}

// A frame is drawn when the picture changes (a caret blink, a hover, a refill, an expose) and not
// for events and updates that change nothing; a hidden window draws nothing.
TEST_F(OracleSceneTest, AFrameIsDrawnOnlyWhenThePictureChanges) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    buildScene();
    SceneManager::getInstance().setCurrentScene(scene);
    FrameLoop::Clock::time_point now{};
    FrameLoop loop(SdlEnvironment::renderer, now);
    const auto drawsAfter = [&](auto step) {
        step();
        return loop.drawIfChanged();
    };
    const auto send = [&](SDL_Event event) { return drawsAfter([&] { loop.handleEvent(event); }); };
    const auto updateBy = [&](int ms) {
        return drawsAfter([&] { loop.updateIfDue(now += std::chrono::milliseconds(ms)); });
    };
    const auto pointAt = [](int x, int y) {
        SDL_WarpMouseInWindow(SdlEnvironment::window, x, y);
        SDL_PumpEvents();
        return SDL_Event{.motion = {.type = SDL_MOUSEMOTION}};
    };
    // Whether the window shows what drawing the whole scene straight to it shows.
    const auto shown = [] {
        std::vector<Uint32> pixels(1920 * 1080);
        SDL_RenderReadPixels(SdlEnvironment::renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), 1920 * 4);
        return pixels;
    };
    const auto sameAsDrawnWhole = [&] {
        const std::vector<Uint32> before = shown();
        SDL_SetRenderDrawColor(SdlEnvironment::renderer, 24, 25, 26, 255);
        SDL_RenderClear(SdlEnvironment::renderer);
        scene->render(SdlEnvironment::renderer);
        return before == shown();
    };
    ASSERT_TRUE(loop.drawIfChanged()) << "the first frame";
    EXPECT_TRUE(sameAsDrawnWhole()) << "the frame shows the scene drawn whole";
    EXPECT_FALSE(loop.drawIfChanged());
    EXPECT_FALSE(updateBy(17) || updateBy(600)) << "updates that change nothing, the pool count read again";
    EXPECT_FALSE(send(pointAt(100, 100)) || send(SDL_Event{.key = {.type = SDL_KEYDOWN, .keysym = {.sym = SDLK_a}}}));

    const ButtonEntity* ask = scene->getButtons().at(0);
    const SDL_Event overAsk =
        pointAt((ask->getX() + ask->getWidth() / 2) / 2, (ask->getY() + ask->getHeight() / 2) / 2);
    EXPECT_TRUE(send(overAsk)) << "hover and tooltip";
    EXPECT_FALSE(send(overAsk)) << "the tooltip stays where it is";
    EXPECT_TRUE(send(pointAt(100, 100))) << "hover and tooltip gone";

    TextBox& box = *scene->getTextBox();
    EXPECT_TRUE(drawsAfter([&] { box.setActive(true); }));
    EXPECT_TRUE(drawsAfter([&] { box.update(100); })) << "the caret on";
    EXPECT_FALSE(drawsAfter([&] { box.update(400); }));
    EXPECT_TRUE(drawsAfter([&] { box.update(500); })) << "the caret off";
    EXPECT_TRUE(send(SDL_Event{.text = {.type = SDL_TEXTINPUT, .text = "?"}}));
    box.update(1000);
    loop.drawIfChanged();
    box.setActive(false);
    scene->takeChange(); // left with the caret's change alone: only the part around it is new
    box.update(1500);
    const Scene::Change caretOnly = scene->takeChangedPart();
    const SDL_Rect caret = box.getCaretArea();
    SDL_Rect both{};
    SDL_UnionRect(&caretOnly.part, &caret, &both);
    EXPECT_TRUE(caretOnly.any && !caretOnly.whole && SDL_RectEquals(&both, &caretOnly.part) &&
                !SDL_RectEquals(&caret, &caretOnly.part))
        << "the caret, with room around it";
    EXPECT_TRUE(send(SDL_Event{.window = {.type = SDL_WINDOWEVENT, .event = SDL_WINDOWEVENT_EXPOSED}}));
    EXPECT_TRUE(sameAsDrawnWhole());

    EntropyManager::savePool(poolOf(140, 2), POOL); // a refill
    EXPECT_TRUE(updateBy(600)) << "the pool count";
    EXPECT_EQ(scene->getEntropyPoolText()->getText(), "140");
    EXPECT_TRUE(send(SDL_Event{.window = {.type = SDL_WINDOWEVENT, .event = SDL_WINDOWEVENT_EXPOSED}}));
    EXPECT_FALSE(loop.drawIfChanged());

    EXPECT_FALSE(send(SDL_Event{.window = {.type = SDL_WINDOWEVENT, .event = SDL_WINDOWEVENT_MINIMIZED}}));
    EXPECT_FALSE(send(overAsk)) << "nothing drawn while minimized";
    EXPECT_TRUE(send(SDL_Event{.window = {.type = SDL_WINDOWEVENT, .event = SDL_WINDOWEVENT_RESTORED}}));
    EXPECT_EQ(loop.getFramesDrawn(), 12U);
}

// Set-up draws nothing and waits for nothing while another program holds the pool: the portrait
// and the count come with the first update after it lets go.
TEST_F(OracleSceneTest, SetUpUnderAHeldPoolWaitsForNothing) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    const int lock = ::open("Assets/Data/.entropy_pool.txt.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    buildScene();
    scene->update(20.0F);
    EXPECT_FALSE(scene->getGoblinPortrait());
    EXPECT_EQ(scene->getEntropyPoolText()->getText().find_first_of("0123456789"), std::string::npos) << "no count";
    ::close(lock);
    scene->update(20.0F);
    ASSERT_TRUE(scene->getGoblinPortrait());
    EXPECT_EQ(scene->getGoblinPortrait()->getId(), "firstGoboPortrait");
    EXPECT_EQ(scene->getEntropyPoolText()->getText(), "39");
    EXPECT_EQ(scene->getEntities().at(1), scene->getGoblinPortrait()) << "drawn over the background";
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
        const bool logged =
            log().find("!![ERROR] Oracle run failed: Failed to write entropy pool: ") != std::string::npos;
        std::exit(resting && logged && !scene->getOracleResult() ? 0 : 1);
    };
    EXPECT_EXIT(askWithoutRoomToWrite(), ::testing::ExitedWithCode(0), "");
}

TEST_F(OracleSceneTest, RightClickRunsItsActionAndGivesTheButtonItsAskBack) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    buildScene();
    ButtonEntity* ask = scene->getButtons().at(0);
    // The pointer over the button's centre, in window pixels (half the logical size).
    SDL_WarpMouseInWindow(SdlEnvironment::window, (ask->getX() + ask->getWidth() / 2) / 2,
                          (ask->getY() + ask->getHeight() / 2) / 2);
    SDL_PumpEvents();
    SDL_Event release{.button = {.type = SDL_MOUSEBUTTONUP, .button = SDL_BUTTON_RIGHT}};
    scene->handleInput(release);
    EXPECT_EQ(ask->getState(), ButtonEntity::RIGHT_CLICKED);
    EXPECT_NE(log().find("..[INFO] Right click action executed."), std::string::npos);
    EXPECT_FALSE(scene->getOracleResult());

    release.button.button = SDL_BUTTON_LEFT;
    scene->handleInput(release);
    EXPECT_EQ(ask->getState(), ButtonEntity::CLICKED);
    EXPECT_TRUE(scene->getOracleResult()) << "a left click after a right click still asks";

    SDL_Event motion{.motion = {.type = SDL_MOUSEMOTION}};
    scene->handleInput(motion);
    EXPECT_EQ(ask->getState(), ButtonEntity::HOVER);
    EXPECT_TRUE(ToolTipManager::getInstance().isShowing());
    EXPECT_EQ(ask->getToolTipText(), OracleScene::ASK_BUTTON_TOOLTIP);
    SDL_Event key{.key = {.type = SDL_KEYDOWN, .keysym = {.sym = SDLK_a}}};
    scene->handleInput(key);
    EXPECT_FALSE(ToolTipManager::getInstance().isShowing()) << "any other event hides the tooltip";
}

TEST_F(OracleSceneTest, AnEvenDrawKeyboardSelectionAndLeaving) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    buildScene();
    EXPECT_EQ(scene->getGoblinPortrait()->getId(), "firstGoboPortrait") << "an even set-up draw";
    testing::internal::CaptureStdout();
    for (const SDL_Keycode arrow : {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}) {
        SDL_Event press{.key = {.type = SDL_KEYDOWN, .keysym = {.sym = arrow}}};
        scene->handleInput(press);
    }
    std::string selected;
    for (int arrow = 0; arrow < 4; ++arrow) {
        selected += "Selected button index: 0\n"; // every arrow moves the selection, around one button
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), selected);
    EXPECT_EQ(scene->getButtons()[0]->getState(), ButtonEntity::HOVER);

    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    scene->exitOracleScene();
    SDL_Event event{};
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.type, SDL_QUIT);
}

TEST_F(OracleSceneTest, DestructionTakesItsActionsAndContextAlong) {
    ControlManager& controls = ControlManager::getInstance();
    int applicationConfirms = 0;
    controls.registerAction("confirm", [&] { ++applicationConfirms; });
    buildScene();
    EXPECT_EQ(controls.getContextStack().back(), "menu");
    scene.reset();
    EXPECT_EQ(std::count(controls.getContextStack().begin(), controls.getContextStack().end(), "menu"), 0);
    SDL_Event returnKey{.key = {.type = SDL_KEYDOWN, .keysym = {.sym = SDLK_RETURN}}};
    controls.dispatchEvent(returnKey);
    EXPECT_EQ(applicationConfirms, 0) << "a replaced callback does not come back";
}

// F2 reads the journal afresh: the question just asked in the chamber is there, newest last.
TEST_F(OracleSceneTest, F2OpensThePastAnswersOverTheResultsAndF2OrANewQuestionClosesIt) {
    EntropyManager::savePool(poolOf(40, 2), POOL);
    Journal journal(dir.path() / "journal.jsonl");
    OracleCouncil::setWitness([&](const GoblinTypes::OracleResult& result, const std::string& question) {
        journal.record(JournalEntry::fromResult(result, question, "Murkmoot", std::chrono::system_clock::now()),
                       std::cerr);
    });
    buildScene();
    scene->setJournal(journal);
    SDL_Event f2{.key = {.type = SDL_KEYDOWN, .keysym = {.sym = SDLK_F2}}};
    scene->handleInput(f2);
    EXPECT_EQ(scene->getPastAnswersText()->getText(), "No consultations in the journal yet.");
    scene->handleInput(f2);
    journal.append(JournalEntry::fromResult({}, "First?", "MurkmootCli", std::chrono::system_clock::now()));
    scene->moveTextBoxFocus(1);
    SDL_Event typed{.text = {.type = SDL_TEXTINPUT, .text = "Will it rain?"}};
    scene->handleInput(typed);
    scene->confirmSelection();
    OracleCouncil::setWitness(nullptr);
    scene->takeChange();

    scene->handleInput(f2);
    EXPECT_TRUE(scene->isPastAnswersOpen());
    EXPECT_TRUE(scene->takeChange()) << "the panel is drawn";
    const std::string shown = scene->getPastAnswersText()->getText();
    EXPECT_LT(shown.find("\"First?\""), shown.find("\"Will it rain?\"   Consensus: ")) << shown;
    EXPECT_TRUE(scene->getPastAnswersText()->isVisible());
    scene->handleInput(f2);
    EXPECT_FALSE(scene->isPastAnswersOpen());
    EXPECT_TRUE(scene->takeChange()) << "the panel is gone";
    scene->handleInput(f2);
    scene->askOracle();
    EXPECT_FALSE(scene->isPastAnswersOpen()) << "a new question closes it";
    EXPECT_FALSE(scene->getPastAnswersText()->isVisible());
}
