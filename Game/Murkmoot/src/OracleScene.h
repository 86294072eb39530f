#pragma once
// The oracle chamber: a portrait chosen by the pool, the question box, the ask button and the
// labels that reveal a consultation's council, votes, prophecy, verdict, override and consensus
// one after another.

#include "GoblinTypes.h"
#include "Journal.h"
#include "core/SdlPtrs.h"
#include "entities/ButtonEntity.h"
#include "entities/ImageEntity.h"
#include "entities/Scene.h"
#include "entities/TextBox.h"
#include "entities/TextString.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <nlohmann/json.hpp>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class OracleScene : public Scene {
public:
    // Milliseconds after the ask at which each result label appears, in reveal order.
    static constexpr std::array<float, 6> REVEAL_THRESHOLDS{50.0F, 400.0F, 900.0F, 1200.0F, 1500.0F, 2000.0F};
    static constexpr const char* ASK_BUTTON_TOOLTIP = "Ask the goblin council";
    static constexpr const char* RESTING_TEXT = "The council rests.";
    // One run draws at most this many values; a smaller pool is not consulted.
    static constexpr int MAX_DRAWS_PER_RUN = 14;
    // Between reveals the pool counter is refreshed this often (ms), so that refills and other
    // programs' draws show up.
    static constexpr float POOL_LABEL_REFRESH_MS = 500.0F;
    // The "Past answers" panel shows this many of the latest consultations.
    static constexpr std::size_t PAST_ANSWERS_SHOWN = 5;
    static constexpr const char* PAST_ANSWERS_TITLE = "Past answers";
    static constexpr const char* NO_JOURNAL_TEXT = "No journal is kept here.";

    OracleScene(SDL_Renderer* renderer, const nlohmann::json& sceneData);
    ~OracleScene() override;

    void setupSceneItems(SDL_Renderer* renderer) override;
    void handleInput(SDL_Event& event) override;
    void update(float deltaMs) override;
    void render(SDL_Renderer* renderer) override;
    bool hasActiveTextInput() const override;
    // The entities' changes, the labels', the question box's and the tooltip's.
    bool takeChange() override;
    // A blink of the caret alone is a part: the small area around it.
    Change takeChangedPart() override;

    // Keyboard selection among the buttons, wrapping both ways.
    void moveSelection(int direction);
    // Clicks the selected button.
    void confirmSelection();
    // Moves keyboard focus to the next text box.
    void moveTextBoxFocus(int direction);
    // Writes a result into the labels; the reveal decides when they show.
    void setOracleResult(std::shared_ptr<GoblinTypes::OracleResult> result);
    // Ends the program through SDL's quit event.
    void exitOracleScene();

    // The journal the "Past answers" panel reads; without one the panel says none is kept.
    void setJournal(Journal journal) { this->journal = std::move(journal); }
    // Opens the panel over the result area with the latest consultations, read afresh, or closes
    // it (F2). A new question closes it too.
    void togglePastAnswers();
    bool isPastAnswersOpen() const { return pastAnswersOpen; }
    // The panel's text, one short block per consultation, newest last.
    const std::shared_ptr<TextString>& getPastAnswersText() const { return pastAnswersText; }

    // What the ask button does: consult the council on the typed question.
    void askOracle();

    // Read access for tests and tools.
    const std::shared_ptr<TextBox>& getTextBox() const { return textBox; }
    const std::vector<ButtonEntity*>& getButtons() const { return buttons; }
    const std::shared_ptr<GoblinTypes::OracleResult>& getOracleResult() const { return oracleResult; }
    // Empty until the pool could be drawn from: while another program holds it at start-up.
    const std::shared_ptr<ImageEntity>& getGoblinPortrait() const { return goblinPortrait; }
    // The seven result labels, in reveal-independent order: council, votes, consensus, prophecy,
    // verdict, override heading, override line.
    std::array<TextString*, 7> getResultLabels() const;
    // The headings over the results: council, votes, response.
    std::array<const TextString*, 3> getHeadings() const {
        return {councilLabel.get(), votesLabel.get(), responseLabel.get()};
    }
    const std::shared_ptr<TextString>& getEntropyPoolText() const { return entropyPoolText; }
    int getRevealStep() const { return revealStep; }
    bool isRevealActive() const { return revealActive; }
    int getSelectedButtonIndex() const { return selectedButtonIndex; }

private:
    std::shared_ptr<TextString> addLabel(const std::string& text, int x, int y, const char* fontPath,
                                         int fontSize, SDL_Color color, bool visible, int wrap,
                                         bool drawnEachFrame = true);
    bool choosePortrait();
    void refreshPoolLabel();
    void consultWhenFree();
    void runReveal(float deltaMs);
    void setPastAnswersOpen(bool open);
    // The latest consultations as the panel shows them.
    std::string pastAnswers() const;

    SDL_Renderer* renderer = nullptr; // not owned
    std::vector<std::shared_ptr<TextString>> textEntities;
    std::shared_ptr<ImageEntity> goblinPortrait;
    std::shared_ptr<TextString> titleText;
    std::shared_ptr<TextString> subtitleText;
    std::shared_ptr<TextString> promptText;
    std::shared_ptr<TextBox> textBox;
    std::shared_ptr<GoblinTypes::OracleResult> oracleResult;
    std::shared_ptr<TextString> responseLabel;
    std::shared_ptr<TextString> councilLabel;
    std::shared_ptr<TextString> councilText;
    std::shared_ptr<TextString> votesLabel;
    std::shared_ptr<TextString> votesText;
    std::shared_ptr<TextString> consensusText;
    std::shared_ptr<TextString> prophecyText;
    std::shared_ptr<TextString> verdictText;
    std::shared_ptr<TextString> overrideLabel;
    std::shared_ptr<TextString> overrideText;
    std::shared_ptr<TextString> creditText;
    std::shared_ptr<TextString> entropyPoolLabel;
    std::shared_ptr<TextString> entropyPoolText;
    std::shared_ptr<TextString> qrngCostLabel;
    std::shared_ptr<TextString> qrngCostText;
    std::shared_ptr<TextString> typeHintText;
    std::shared_ptr<TextString> pastAnswersTitle;
    std::shared_ptr<TextString> pastAnswersText;
    std::optional<Journal> journal;
    bool pastAnswersOpen = false;
    ChangeFlag pastAnswersChanges; // the panel's backdrop
    float revealTimer = 0.0F;
    int revealStep = 0;
    bool revealActive = false;
    bool askPending = false; // asked while another program held the pool
    bool portraitPending = false; // another program held the pool at start-up
    std::size_t portraitSlot = 0; // its place in the entity list: drawn over the background
    bool poolCounted = false; // the counter has shown a count
    float poolLabelTimer = 0.0F;
    MixChunkPtr clickSound;
    std::vector<ButtonEntity*> buttons; // not owned: the entity list owns them
    int selectedButtonIndex = 0;
    std::vector<TextBox*> textBoxes; // not owned: textBox owns the box
    int focusedTextBoxIndex = 0;
};
