#include "entities/ButtonEntity.h"

#include "core/Logging.h"
#include "entities/LogicalCoordinates.h"

#include <cstdint>

namespace {
// The program has one window; its renderer defines the logical space buttons live in.
constexpr Uint32 PROGRAM_WINDOW_ID = 1;
constexpr std::size_t STATE_TEXTURE_COUNT = 3;
} // namespace

ButtonEntity::ButtonEntity(const std::string& id, const std::string& texturePath,
                           const std::string& type, int x, int y, int width, int height,
                           float velocityX, float velocityY, std::vector<SDL_Texture*> textures,
                           bool isAnimated, int opacity, bool isVisible, bool tooltipEnabled)
    : ImageEntity(id, texturePath, type, x, y, width, height, velocityX, velocityY, textures,
                  isAnimated, opacity, isVisible),
      tooltipEnabled(tooltipEnabled) {
    if (textures.size() >= STATE_TEXTURE_COUNT) {
        normalTexture = textures[0];
        hoverTexture = textures[1];
        clickedTexture = textures[2];
    }
    LOG_INFO("ButtonEntity created with ID: " + id +
             " and textures loaded: " + std::to_string(textures.size()));
}

void ButtonEntity::render(SDL_Renderer* renderer) {
    SDL_Texture* texture = nullptr;
    switch (state) {
    case NORMAL: texture = normalTexture; break;
    case HOVER: texture = hoverTexture; break;
    case CLICKED: texture = clickedTexture; break;
    default: break;
    }
    if (isVisible && texture != nullptr) {
        SDL_RenderCopy(renderer, texture, nullptr, &rect);
    } else {
        LOG_INFO("ButtonEntity is not visible or no texture found for rendering");
    }
}

void ButtonEntity::update(int deltaTime) { Entity::update(deltaTime); }

void ButtonEntity::triggerClick() {
    if (clickAction) {
        clickAction();
    }
}

bool ButtonEntity::containsLogical(int logicalX, int logicalY) const {
    const std::int64_t right = static_cast<std::int64_t>(rect.x) + rect.w;
    const std::int64_t bottom = static_cast<std::int64_t>(rect.y) + rect.h;
    return rect.x <= logicalX && logicalX <= right && rect.y <= logicalY && logicalY <= bottom;
}

bool ButtonEntity::contains(int x, int y) const {
    SDL_Window* window = SDL_GetWindowFromID(PROGRAM_WINDOW_ID);
    SDL_Renderer* windowRenderer = window != nullptr ? SDL_GetRenderer(window) : nullptr;
    const LogicalPoint point = windowToLogical(windowRenderer, x, y);
    return point.inDrawingArea && containsLogical(point.x, point.y);
}

void ButtonEntity::handleEvent(SDL_Event& event) {
    if (event.type == SDL_MOUSEBUTTONDOWN && contains(event.button.x, event.button.y)) {
        triggerClick();
    }
}
