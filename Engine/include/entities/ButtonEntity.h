#pragma once
// A clickable image with one texture per state. The button does not follow the pointer itself:
// its scene tests the pointer with contains(), sets the state and triggers the click.

#include "entities/ImageEntity.h"

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

class ButtonEntity : public ImageEntity {
public:
    enum ButtonState { NORMAL = 0, HOVER = 1, CLICKED = 2, RIGHT_CLICKED = 3 };

    // The image's parameters plus the tooltip switch. The state textures are the first three of
    // the list; with fewer than three the button has none and draws nothing.
    ButtonEntity(const std::string& id, const std::string& texturePath, const std::string& type,
                 int x, int y, int width, int height, float velocityX, float velocityY,
                 std::vector<SDL_Texture*> textures, bool isAnimated, int opacity, bool isVisible,
                 bool tooltipEnabled);
    ~ButtonEntity() override = default;

    // Draws the state's texture, always opaque.
    void render(SDL_Renderer* renderer) override;
    // A button neither animates nor moves.
    void update(int deltaTime) override;

    void setState(ButtonState newState) { changes.set(state, newState); }
    ButtonState getState() const { return state; }
    void setClickAction(const std::function<void()>& action) { clickAction = action; }
    const std::function<void()>& getClickAction() const { return clickAction; }
    // Runs the click action if one is set.
    void triggerClick();
    // Hit test for a pointer in window pixels, mapped to logical pixels exactly as the renderer of
    // the program's window draws. Both edges count as inside; a point in the letterbox bars hits
    // nothing.
    bool contains(int x, int y) const;
    // A mouse-button press inside the button triggers the click; the state is left alone.
    void handleEvent(SDL_Event& event);

    const std::string& getToolTipText() const { return toolTipText; }
    void setToolTipText(const std::string& text) { toolTipText = text; }
    void setTooltipEnabled(bool enabled) { tooltipEnabled = enabled; }
    bool isTooltipEnabled() const { return tooltipEnabled; }

    // The hit test proper, on a point already in logical pixels.
    bool containsLogical(int logicalX, int logicalY) const;

private:
    ButtonState state = NORMAL;
    std::function<void()> clickAction;
    // Not owned: the image base's texture list owns them.
    SDL_Texture* normalTexture = nullptr;
    SDL_Texture* hoverTexture = nullptr;
    SDL_Texture* clickedTexture = nullptr;
    std::string toolTipText;
    bool tooltipEnabled = false;
};
