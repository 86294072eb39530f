#include "OracleScene.h"

#include "AssetPaths.h"
#include "MurkmootWorkflow.h"
#include "OracleCouncil.h"
#include "PoolFile.h"
#include "core/Config.h"
#include "core/ControlManager.h"
#include "core/Logging.h"
#include "core/RenderUtils.h"
#include "entities/EntityFactory.h"
#include "entities/ToolTipManager.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <iostream>
#include <optional>

using GoblinTypes::OracleResult;

namespace {

constexpr const char* SCENE_NAME = "Deskhive";
constexpr const char* CLICK_SOUND_PATH = "Assets/Sound/Button/askButtonClickSound.wav";
constexpr const char* TEXT_BOX_IMAGE_PATH = "Assets/Image/GUI/TextBoxes/894x570_borderless_clear.png";
constexpr const char* SCENE_CONTROL_LIST_PATH = "Assets/Data/ZadadezazKeyControlList.json";
constexpr const char* CREDIT_LINE = "Goblin lore gathered in the damp";
constexpr int CLICK_VOLUME = 8;
constexpr const char* SCENE_ACTIONS[] = {"navigate_up", "navigate_down", "navigate_left", "navigate_right",
                                         "confirm", "switch_tab", "pause_menu", "past_answers"};
// The "Past answers" panel covers the result area: the votes, the response and the override.
constexpr SDL_Rect PAST_ANSWERS_PANEL{900, 500, 2300, 1200};

constexpr SDL_Color sdlColor(RgbaColor color) { return {color.r, color.g, color.b, color.a}; }

} // namespace

OracleScene::OracleScene(SDL_Renderer* sceneRenderer, const nlohmann::json& sceneData)
    : Scene(SCENE_NAME, sceneData, sceneRenderer), renderer(sceneRenderer) {
    clickSound.reset(Mix_LoadWAV(CLICK_SOUND_PATH));
    ToolTipManager::getInstance().init(renderer, DEFAULT_FONT_BOLD_PATH, TOOLTIP_FONT_SIZE,
                                       sdlColor(FONT_COLOR_CHARCOAL), sdlColor(FONT_COLOR_WHITE));

    ControlManager& controls = ControlManager::getInstance();
    controls.loadConfig(SCENE_CONTROL_LIST_PATH);
    controls.pushContext("menu");
    controls.registerAction("navigate_up", [this] { moveSelection(-1); });
    controls.registerAction("navigate_down", [this] { moveSelection(1); });
    controls.registerAction("navigate_left", [this] { moveSelection(-1); });
    controls.registerAction("navigate_right", [this] { moveSelection(1); });
    // Confirming asks the council and spends pool values: a held Return asks once.
    controls.registerAction("confirm", [this] { confirmSelection(); }, ControlManager::KeyRepeat::FIRST_PRESS_ONLY);
    controls.registerAction("switch_tab", [this] { moveTextBoxFocus(1); });
    controls.registerAction("pause_menu", [this] { exitOracleScene(); });
    controls.registerAction("past_answers", [this] { togglePastAnswers(); }, ControlManager::KeyRepeat::FIRST_PRESS_ONLY);
}

OracleScene::~OracleScene() {
    LOG_INFO("OracleScene destroyed");
    ControlManager& controls = ControlManager::getInstance();
    for (const char* action : SCENE_ACTIONS) {
        controls.unregisterAction(action);
    }
    controls.popContext();
}

std::shared_ptr<TextString> OracleScene::addLabel(const std::string& text, int x, int y, const char* fontPath,
                                                  int fontSize, SDL_Color color, bool visible, int wrap,
                                                  bool drawnEachFrame) {
    auto label = std::make_shared<TextString>(renderer, text, x, y, fontPath, fontSize, color, 0.0F, 0.0F,
                                              visible, false, wrap, DEFAULT_TYPING_DELAY);
    if (drawnEachFrame) {
        textEntities.push_back(label);
    }
    return label;
}

void OracleScene::setupSceneItems(SDL_Renderer* /*renderer*/) {
    LOG_INFO("Setting up OracleScene items");

    int drawableWidth = 0;
    int drawableHeight = 0;
    SDL_GL_GetDrawableSize(SDL_GetWindowFromID(1), &drawableWidth, &drawableHeight);
    RenderUtils::adjustLogicalSize(renderer, drawableWidth, drawableHeight);
    int logicalWidth = 0;
    int logicalHeight = 0;
    float scaleX = 0.0F;
    float scaleY = 0.0F;
    SDL_RenderGetLogicalSize(renderer, &logicalWidth, &logicalHeight);
    SDL_RenderGetScale(renderer, &scaleX, &scaleY);
    LOG_DEBUG("__________________________");
    LOG_DEBUG("Logical size for screen: " + std::to_string(logicalWidth) + " x " + std::to_string(logicalHeight));
    LOG_DEBUG("Renderer scale for screen: scaleX = " + std::to_string(scaleX) + ", scaleY = " + std::to_string(scaleY));

    if (!createAndStoreEntityByID("oracleBackground")) {
        LOG_ERROR("Failed to create oracleBackground entity");
    }
    portraitSlot = entities.size();
    portraitPending = !choosePortrait();

    const SDL_Color darkGreen = sdlColor(FONT_COLOR_DARK_GREEN);
    const SDL_Color white = sdlColor(FONT_COLOR_WHITE);
    const SDL_Color orange = sdlColor(FONT_COLOR_ORANGE);
    const SDL_Color darkGray = sdlColor(FONT_COLOR_DARK_GRAY);
    const char* const fancy = QUADRIANA_FONT_PATH;
    const char* const pixel = PIXEL_STYLE_FONT_PATH;

    titleText = addLabel("Murkmoot", 300, 200, fancy, 150, darkGreen, true, 0);
    subtitleText = addLabel("-Enter the chamber-  -Quantum Entropy-", 400, 350, fancy, 50, darkGreen, true, 0);
    promptText = addLabel("Ask a question to the Murkmoot:", 300, 1750, fancy, 35, white, true, 0);
    councilLabel = addLabel("The Council:", 2300, 120, fancy, 35, orange, true, 0);
    councilText = addLabel("", 2300, 180, pixel, 30, white, false, 1200);
    textBox = std::make_shared<TextBox>(300, 1840, 3265, 220, fancy, 45, white, renderer, TEXT_BOX_IMAGE_PATH);
    textBoxes.push_back(textBox.get());
    typeHintText = addLabel("Type text below:", 300, 1850, fancy, 28, darkGray, true, 0);
    votesLabel = addLabel("Votes:", 950, 530, fancy, 35, orange, true, 0);
    votesText = addLabel("", 950, 580, pixel, 30, white, false, 2200);
    responseLabel = addLabel("Oracle's Response:", 950, 1180, fancy, 35, orange, true, 0);
    prophecyText = addLabel("", 950, 1240, pixel, 30, white, false, 1200, false);
    verdictText = addLabel("", 950, 1340, pixel, 30, white, false, 1200);
    consensusText = addLabel("", 1200, 1750, pixel, 30, white, false, 900);
    overrideLabel = addLabel("Override", 950, 1450, fancy, 35, orange, true, 0);
    overrideText = addLabel("", 950, 1500, pixel, 30, white, false, 2200);
    creditText = addLabel(CREDIT_LINE, 2700, 1550, fancy, 28, darkGray, true, 0);
    entropyPoolLabel = addLabel("Entropy Pool:", 1900, 1750, fancy, 35, orange, true, 0);
    LOG_INFO("test log");
    // Blank until the pool can be read: another program may hold it.
    entropyPoolText = addLabel("", 2200, 1750, pixel, 30, white, true, 2200);
    refreshPoolLabel();
    qrngCostLabel = addLabel("QRNG Cost per Question:", 2700, 1750, fancy, 35, orange, true, 0);
    qrngCostText = addLabel("13-ish bytes", 3240, 1750, pixel, 30, white, true, 2200);
    pastAnswersTitle = addLabel(PAST_ANSWERS_TITLE, 950, 530, fancy, 35, orange, false, 0, false);
    pastAnswersText = addLabel("", 950, 600, pixel, 30, white, false, 2200, false);

    std::shared_ptr<ButtonEntity> askButton(EntityFactory::createButtonEntity(getEntityByID("AskButton"), renderer));
    if (askButton) {
        askButton->setTooltipEnabled(true);
        askButton->setToolTipText(ASK_BUTTON_TOOLTIP);
        askButton->setClickAction([this] { askOracle(); });
        buttons.push_back(askButton.get());
        entities.push_back(askButton);
    }

    LOG_INFO("=== ENTITY DUMP AFTER SETUP ===");
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (entities[i]) {
            LOG_INFO("Entity index " + std::to_string(i) + " ID: " + entities[i]->getId());
        } else {
            LOG_ERROR("Entity index " + std::to_string(i) + " = NULL");
        }
    }
}

// Even draws show the plain goblin, odd ones the hooded one. Without a usable pool the plain one
// sits and the program carries on. While another program holds the pool nothing is drawn and no
// portrait sits (false): the window never waits for the pool, and showing a goblin the pool has
// not chosen would swap it for the other one half the time once the pool is free.
bool OracleScene::choosePortrait() {
    static constexpr std::array<const char*, 2> CANDIDATES{"firstGoboPortrait", "hoodedGoboPortrait"};
    std::string portraitId = CANDIDATES[0];
    try {
        PoolFile pool(MurkmootWorkflow::poolPath());
        std::optional<PoolFile::Hold> hold = pool.tryHold();
        if (!hold) {
            return false;
        }
        const int value = pool.draw();
        hold->release(); // on disk before it shows
        portraitId = CANDIDATES[OracleCouncil::tableRow(value, CANDIDATES.size())];
    } catch (const std::exception& error) {
        LOG_ERROR(std::string("No portrait draw from the entropy pool: ") + error.what());
    }
    LOG_INFO("Selected portrait ID: " + portraitId);
    if (const std::shared_ptr<Entity> portrait = createAndStoreEntityByID(portraitId)) {
        LOG_INFO("Successfully created goblinPortrait entity");
        goblinPortrait = std::dynamic_pointer_cast<ImageEntity>(portrait);
        std::rotate(entities.begin() + static_cast<std::ptrdiff_t>(portraitSlot), entities.end() - 1, entities.end());
    }
    return true;
}

// Counting a pool file that no one changed since it was last read costs a few system calls. While
// another program holds the pool the last figure stays: the frame loop never waits for it.
void OracleScene::refreshPoolLabel() {
    if (!entropyPoolText) {
        return;
    }
    try {
        const std::optional<PoolFile::Status> status = PoolFile(MurkmootWorkflow::poolPath()).tryInspect();
        if (!status) {
            return;
        }
        const std::string count = std::to_string(status->count);
        if (count != entropyPoolText->getText()) { // a new texture only for a new number
            entropyPoolText->setText(count);
        }
        poolCounted = true;
    } catch (const std::exception& error) {
        if (entropyPoolText->getText() != "0") { // say it once, not on every update
            entropyPoolText->setText("0");
            if (poolCounted) { // a pool missing from the start is said by the portrait's draw
                LOG_ERROR(std::string("Entropy pool unavailable: ") + error.what());
            }
        }
    }
}

void OracleScene::askOracle() {
    LOG_INFO("AskButton clicked");
    setPastAnswersOpen(false); // the new answer shows where the panel was
    if (clickSound) {
        const int channel = Mix_PlayChannel(-1, clickSound.get(), 0);
        if (channel != -1) {
            Mix_Volume(channel, CLICK_VOLUME);
        }
    }

    for (const auto& label : {councilText, votesText, consensusText, prophecyText, overrideText, verdictText}) {
        label->setVisibility(false);
    }
    consultWhenFree();
}

// The size check and the whole run keep the pool to themselves, so that a run that passed the
// check cannot run dry midway because another program drew meanwhile. While another program holds
// the pool the question waits, and each update tries again: the window never waits for it.
void OracleScene::consultWhenFree() {
    MurkmootWorkflow workflow;
    std::optional<PoolFile::Hold> hold;
    int poolSize = 0;
    try {
        hold = workflow.getPool().tryHold();
        if (!hold) {
            if (!askPending) {
                LOG_INFO("The council waits: another program is using the entropy pool");
            }
            askPending = true;
            revealActive = false;
            return;
        }
        poolSize = static_cast<int>(workflow.getPool().inspect().count);
    } catch (const std::exception&) {
        poolSize = 0; // an unreadable pool has nothing to give
    }
    askPending = false;
    revealTimer = 0.0F;
    revealStep = 0;
    revealActive = true;
    const auto showResting = [this] {
        consensusText->setText(RESTING_TEXT);
        consensusText->setVisibility(true);
    };
    if (poolSize <= MAX_DRAWS_PER_RUN) {
        showResting();
        LOG_ERROR("Failed to load entropy pool for size check");
        return;
    }

    LOG_INFO("Current entropy pool size: " + std::to_string(poolSize));
    const std::string question = textBox ? textBox->getInput() : std::string();
    try {
        LOG_INFO("Running oracle with input: " + question);
        oracleResult = std::make_shared<OracleResult>(workflow.runOracle(question));
        hold->release();
    } catch (const std::exception& error) {
        // The pool turned out unusable mid-run: what was drawn stays drawn, the window stays up.
        showResting();
        LOG_ERROR(std::string("Oracle run failed: ") + error.what());
        return;
    }
    LOG_INFO("Input to oracle: " + question);
    setOracleResult(oracleResult);
    LOG_INFO("Oracle result - Council: " + std::to_string(oracleResult->council.size()) +
             " Votes: " + std::to_string(oracleResult->votes.size()) + " Consensus Core: " + oracleResult->consensusCore +
             " Prophecy: " + oracleResult->prophecy + " Overridden: " + (oracleResult->overridden ? "Yes" : "No") +
             " Final Verdict: " + oracleResult->finalVerdict);
}

void OracleScene::setOracleResult(std::shared_ptr<OracleResult> result) {
    oracleResult = std::move(result);
    std::string council;
    for (const std::string& line : oracleResult->council) {
        council += line + "\n";
    }
    std::string votes;
    for (const GoblinTypes::GoblinVote& vote : oracleResult->votes) {
        votes += vote.voteText + "\n\n";
    }
    councilText->setText(council);
    votesText->setText(votes);
    consensusText->setText("Consensus: " + oracleResult->consensusCore);
    prophecyText->setText("Prophecy: " + oracleResult->prophecy);
    verdictText->setText("Verdict: " + oracleResult->finalVerdict);
    overrideText->setText(oracleResult->overridden ? "Pudding Brain Override: " + oracleResult->overrideMessage
                                                   : std::string("No override"));
}

std::array<TextString*, 7> OracleScene::getResultLabels() const {
    return {councilText.get(), votesText.get(), consensusText.get(), prophecyText.get(),
            verdictText.get(),  overrideLabel.get(), overrideText.get()};
}

void OracleScene::handleInput(SDL_Event& event) {
    bool anyActive = false;
    for (TextBox* box : textBoxes) {
        if (box != nullptr) {
            box->handleEvent(event);
            anyActive = anyActive || box->isActive();
        }
    }
    if (anyActive && !SDL_IsTextInputActive()) {
        SDL_StartTextInput();
    } else if (!anyActive && SDL_IsTextInputActive()) {
        SDL_StopTextInput();
    }

    int rawX = 0;
    int rawY = 0;
    SDL_GetMouseState(&rawX, &rawY);
    float logicalX = 0.0F;
    float logicalY = 0.0F;
    SDL_RenderWindowToLogical(renderer, rawX, rawY, &logicalX, &logicalY);

    bool tooltipShown = false;
    for (const std::shared_ptr<Entity>& entity : entities) {
        auto* button = dynamic_cast<ButtonEntity*>(entity.get());
        if (button == nullptr) {
            continue;
        }
        const bool over = button->contains(rawX, rawY);
        if (event.type == SDL_MOUSEMOTION) {
            if (!over) {
                button->setState(ButtonEntity::NORMAL);
                continue;
            }
            button->setState(ButtonEntity::HOVER);
            LOG_DEBUG("rawX=" + std::to_string(rawX) + " logicalX=" + std::to_string(static_cast<int>(logicalX)));
            if (button->isTooltipEnabled() && !button->getToolTipText().empty()) {
                ToolTipManager::getInstance().showToolTip(button->getToolTipText(), static_cast<int>(logicalX + 15),
                                                          static_cast<int>(logicalY + 30));
                tooltipShown = true;
            }
        } else if (event.type == SDL_MOUSEBUTTONUP && over && event.button.button == SDL_BUTTON_LEFT) {
            LOG_INFO("Left click detected on button: " + button->getToolTipText());
            button->setState(ButtonEntity::CLICKED);
            button->triggerClick();
            LOG_INFO("Button left clicked: " + button->getToolTipText());
            break;
        } else if (event.type == SDL_MOUSEBUTTONUP && over && event.button.button == SDL_BUTTON_RIGHT) {
            LOG_INFO("Right click detected on button: " + button->getToolTipText());
            button->setState(ButtonEntity::RIGHT_CLICKED);
            // Run the right-click action through the button, then give it its own action back.
            const std::function<void()> ownAction = button->getClickAction();
            button->setClickAction([] { LOG_INFO("Right click action executed."); });
            button->triggerClick();
            button->setClickAction(ownAction);
            LOG_INFO("Button right clicked: " + button->getToolTipText());
            break;
        }
    }
    if (!tooltipShown) {
        ToolTipManager::getInstance().hideToolTip();
    }
    ControlManager::getInstance().dispatchEvent(event);
}

void OracleScene::update(float deltaMs) {
    const int wholeMs = static_cast<int>(deltaMs);
    if (portraitPending && choosePortrait()) {
        portraitPending = false;
        refreshPoolLabel(); // the count after the portrait's draw, at once
    }
    for (std::size_t i = 0; i < entities.size(); ++i) {
        if (entities[i]) {
            entities[i]->update(wholeMs);
        } else {
            LOG_ERROR("Null entity at index " + std::to_string(i));
        }
    }
    for (std::size_t i = 0; i < textEntities.size(); ++i) {
        if (textEntities[i]) {
            textEntities[i]->update(wholeMs);
        } else {
            LOG_ERROR("Null textEntity at index " + std::to_string(i));
        }
    }
    for (TextBox* box : textBoxes) {
        box->update(SDL_GetTicks());
    }
    if (askPending) {
        consultWhenFree();
    }
    poolLabelTimer += deltaMs;
    if (revealActive || poolLabelTimer >= POOL_LABEL_REFRESH_MS) {
        poolLabelTimer = 0.0F;
        refreshPoolLabel();
    }
    if (!revealActive) {
        return;
    }
    runReveal(deltaMs);
    for (TextString* label : getResultLabels()) {
        if (label != nullptr) {
            label->update(wholeMs);
        }
    }
}

// One label per update at most, even after a long pause.
void OracleScene::runReveal(float deltaMs) {
    revealTimer += deltaMs;
    const std::array<TextString*, 6> revealOrder{councilText.get(), votesText.get(),  prophecyText.get(),
                                                 verdictText.get(),  overrideText.get(), consensusText.get()};
    const auto step = static_cast<std::size_t>(revealStep);
    if (step < revealOrder.size() && revealTimer > REVEAL_THRESHOLDS[step]) {
        if (revealOrder[step] != nullptr) {
            revealOrder[step]->setVisibility(true);
        }
        ++revealStep;
        revealActive = static_cast<std::size_t>(revealStep) < revealOrder.size();
    }
}

void OracleScene::render(SDL_Renderer* targetRenderer) {
    for (const std::shared_ptr<Entity>& entity : entities) {
        if (entity) {
            entity->render(targetRenderer);
        }
    }
    for (const std::shared_ptr<TextString>& label : textEntities) {
        if (label) {
            label->render();
        }
    }
    for (TextBox* box : textBoxes) {
        if (box != nullptr) {
            box->render();
        }
    }
    for (TextString* label : getResultLabels()) {
        if (label != nullptr) {
            label->render();
        }
    }
    if (pastAnswersOpen) {
        // Opaque, in the tooltip's charcoal framed in the labels' orange, so that the answers
        // under it do not show through; the renderer's colour is left as it was, for the next clear.
        Uint8 r = 0;
        Uint8 g = 0;
        Uint8 b = 0;
        Uint8 a = 0;
        SDL_GetRenderDrawColor(targetRenderer, &r, &g, &b, &a);
        SDL_SetRenderDrawColor(targetRenderer, FONT_COLOR_CHARCOAL.r, FONT_COLOR_CHARCOAL.g, FONT_COLOR_CHARCOAL.b, 255);
        SDL_RenderFillRect(targetRenderer, &PAST_ANSWERS_PANEL);
        SDL_SetRenderDrawColor(targetRenderer, FONT_COLOR_ORANGE.r, FONT_COLOR_ORANGE.g, FONT_COLOR_ORANGE.b, 255);
        SDL_RenderDrawRect(targetRenderer, &PAST_ANSWERS_PANEL);
        SDL_SetRenderDrawColor(targetRenderer, r, g, b, a);
        pastAnswersTitle->render();
        pastAnswersText->render();
    }
    ToolTipManager::getInstance().render();
}

bool OracleScene::hasActiveTextInput() const { return textBox && textBox->isActive(); }

bool OracleScene::takeChange() {
    bool changed = Scene::takeChange();
    for (const std::shared_ptr<TextString>& label : textEntities) {
        changed = label->takeChange() || changed;
    }
    for (TextString* label : getResultLabels()) { // the prophecy is drawn only among these
        changed = label->takeChange() || changed;
    }
    for (TextBox* box : textBoxes) {
        changed = box->takeChange() || changed;
    }
    for (const auto& label : {pastAnswersTitle, pastAnswersText}) {
        changed = (label && label->takeChange()) || changed;
    }
    changed = pastAnswersChanges.take() || changed;
    return ToolTipManager::getInstance().takeChange() || changed;
}

Scene::Change OracleScene::takeChangedPart() {
    // Room around the 2-pixel caret for the filtering of what is drawn under and beside it.
    constexpr int CARET_MARGIN = 8;
    Change change;
    for (TextBox* box : textBoxes) {
        if (box->takeCaretChange()) {
            const SDL_Rect caret = box->getCaretArea();
            const SDL_Rect area{caret.x - CARET_MARGIN, caret.y - CARET_MARGIN, caret.w + 2 * CARET_MARGIN,
                                caret.h + 2 * CARET_MARGIN};
            if (change.any) {
                SDL_UnionRect(&change.part, &area, &change.part);
            } else {
                change.part = area;
            }
            change.any = true;
        }
    }
    if (takeChange()) {
        change.any = true;
        change.whole = true;
    }
    return change;
}

void OracleScene::moveSelection(int direction) {
    if (buttons.empty()) {
        return;
    }
    const auto count = static_cast<std::uint64_t>(buttons.size());
    const std::uint64_t next = (static_cast<std::uint64_t>(static_cast<std::int64_t>(selectedButtonIndex)) +
                                static_cast<std::uint64_t>(static_cast<std::int64_t>(direction)) + count) %
                               count;
    selectedButtonIndex = static_cast<int>(next);
    std::cout << "Selected button index: " << selectedButtonIndex << "\n";
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i]->setState(i == next ? ButtonEntity::HOVER : ButtonEntity::NORMAL);
    }
}

void OracleScene::confirmSelection() {
    if (buttons.empty()) {
        return;
    }
    ButtonEntity* selected = buttons[static_cast<std::size_t>(selectedButtonIndex)];
    selected->setState(ButtonEntity::CLICKED);
    selected->triggerClick();
}

void OracleScene::moveTextBoxFocus(int direction) {
    if (textBoxes.empty()) {
        return;
    }
    const int count = static_cast<int>(textBoxes.size());
    textBoxes[static_cast<std::size_t>(focusedTextBoxIndex)]->setActive(false);
    focusedTextBoxIndex += direction;
    if (focusedTextBoxIndex < 0) {
        focusedTextBoxIndex = count - 1;
    } else if (focusedTextBoxIndex >= count) {
        focusedTextBoxIndex = 0;
    }
    textBoxes[static_cast<std::size_t>(focusedTextBoxIndex)]->setActive(true);
}

void OracleScene::togglePastAnswers() { setPastAnswersOpen(!pastAnswersOpen); }

void OracleScene::setPastAnswersOpen(bool open) {
    if (!pastAnswersText || open == pastAnswersOpen) {
        return;
    }
    if (open) {
        // Read afresh on every opening: the other game may have answered meanwhile.
        pastAnswersText->setText(pastAnswers());
    }
    pastAnswersChanges.set(pastAnswersOpen, open);
    pastAnswersTitle->setVisibility(open);
    pastAnswersText->setVisibility(open);
}

std::string OracleScene::pastAnswers() const {
    if (!journal) {
        return NO_JOURNAL_TEXT;
    }
    Journal::Reading reading;
    try {
        reading = journal->readLast(PAST_ANSWERS_SHOWN);
    } catch (const Journal::Error& error) {
        LOG_WARN(error.what());
        return error.what();
    }
    if (reading.skippedLines > 0) {
        LOG_WARN("Skipped " + std::to_string(reading.skippedLines) + " lines of the journal that are not consultations");
    }
    if (reading.entries.empty()) {
        return "No consultations in the journal yet.";
    }
    std::string text;
    for (const JournalEntry& entry : reading.entries) {
        // "2026-12-08T10:15:03+01:00" reads as "2026-12-08 10:15".
        std::string when = entry.time.substr(0, 16);
        std::replace(when.begin(), when.end(), 'T', ' ');
        text += (text.empty() ? "" : "\n") + when + "   " +
                (entry.question.empty() ? std::string("(no question)") : "\"" + entry.question + "\"") +
                "   Consensus: " + entry.consensus + "\nVerdict: " + entry.verdict + "\n";
    }
    return text;
}

void OracleScene::exitOracleScene() {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}
