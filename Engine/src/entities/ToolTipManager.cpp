#include "entities/ToolTipManager.h"

namespace {
constexpr int TOOLTIP_MARGIN = 5;
} // namespace

ToolTipManager& ToolTipManager::getInstance() {
    static ToolTipManager instance;
    return instance;
}

void ToolTipManager::init(SDL_Renderer* newRenderer, const std::string& fontPath, int fontSize,
                          SDL_Color textColor, SDL_Color backgroundColor) {
    renderer = newRenderer;
    toolTip = std::make_unique<ToolTip>(renderer, "", fontPath, fontSize, textColor,
                                        backgroundColor, TOOLTIP_MARGIN);
    initialized = true;
    visible = false;
    currentText.clear();
}

void ToolTipManager::showToolTip(const std::string& text, int mouseX, int mouseY) {
    if (!initialized || !toolTip || (text == currentText && visible)) {
        return;
    }
    currentText = text;
    toolTip->setText(text);

    const int width = toolTip->getWidth();
    const int height = toolTip->getHeight();
    int x = mouseX - width / 2;
    int y = mouseY + POINTER_GAP;

    int boundsWidth = 0;
    int boundsHeight = 0;
    SDL_RenderGetLogicalSize(renderer, &boundsWidth, &boundsHeight);
    if (boundsWidth == 0 || boundsHeight == 0) {
        SDL_GetRendererOutputSize(renderer, &boundsWidth, &boundsHeight);
    }
    if (x < 0) {
        x = 0;
    }
    if (x + width > boundsWidth) {
        x = boundsWidth - width;
    }
    if (y + height > boundsHeight) {
        y = mouseY - height - POINTER_GAP;
    }
    toolTip->setPosition(x, y);
    toolTip->show();
    visible = true;
}

void ToolTipManager::hideToolTip() {
    if (!initialized || !toolTip) {
        return;
    }
    toolTip->hide();
    visible = false;
    currentText.clear();
}

void ToolTipManager::render() {
    if (initialized && toolTip) {
        toolTip->render();
    }
}

bool ToolTipManager::takeChange() { return initialized && toolTip && toolTip->takeChange(); }

void ToolTipManager::shutdown() {
    toolTip.reset();
    renderer = nullptr;
    initialized = false;
    visible = false;
    currentText.clear();
}
