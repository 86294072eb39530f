#include "entities/ImageEntity.h"

#include "core/Config.h"
#include "core/Logging.h"
#include "core/SdlPtrs.h"
#include "entities/SaturatingMath.h"

#include <algorithm>
#include <cmath>
#include <iostream>

namespace {
// Time base of the sway, shared by every image on purpose: one clock for the whole parallax layer.
float parallaxTime = 0.0F;

constexpr double TWO_PI = 6.283185307179586;
constexpr int MAX_CHANNEL = 255;
} // namespace

ImageEntity::ImageEntity(const std::string& id, const std::string& texturePath,
                         const std::string& type, int x, int y, int width, int height,
                         float velocityX, float velocityY, std::vector<SDL_Texture*> textures,
                         bool isAnimated, int opacity, bool isVisible)
    : Entity(id, texturePath, type),
      rect{x, y, width, height},
      baseX(x),
      velocityX(velocityX),
      velocityY(velocityY),
      isAnimated(isAnimated),
      opacity(std::clamp(opacity, 0, MAX_CHANNEL)),
      isVisible(isVisible),
      baseWidth(width),
      baseHeight(height) {
    this->textures.reserve(textures.size());
    for (SDL_Texture* texture : textures) {
        this->textures.push_back(makeSharedTexture(texture));
    }
}

void ImageEntity::loadResources(SDL_Renderer* renderer) { Entity::loadResources(renderer); }

void ImageEntity::unloadResources() { Entity::unloadResources(); }

void ImageEntity::render(SDL_Renderer* renderer) {
    if (!isVisible || textures.empty()) {
        return;
    }
    SDL_Texture* frame = textures[static_cast<std::size_t>(currentFrame)].get();
    SDL_SetTextureAlphaMod(frame, static_cast<Uint8>(std::clamp(opacity, 0, MAX_CHANNEL)));
    SDL_RenderCopy(renderer, frame, nullptr, &rect);
}

void ImageEntity::update(int deltaTime) {
    if (isAnimated && !textures.empty()) {
        frameTimer = saturatingAdd(frameTimer, deltaTime);
        if (frameTimer >= frameDuration) {
            changes.set(currentFrame, (currentFrame + 1) % static_cast<int>(textures.size()));
            frameTimer = 0;
        }
    }
    const float seconds = static_cast<float>(deltaTime) / 1000.0F;
    changes.set(rect.x, saturatingAdd(rect.x, truncateToInt(seconds * velocityX)));
    changes.set(rect.y, saturatingAdd(rect.y, truncateToInt(seconds * velocityY)));
}

void ImageEntity::scale(float scaleX, float scaleY) {
    const float centreX = static_cast<float>(rect.x) + 0.5F * static_cast<float>(rect.w);
    const float centreY = static_cast<float>(rect.y) + 0.5F * static_cast<float>(rect.h);
    rect.w = truncateToInt(static_cast<float>(baseWidth) * scaleX);
    rect.h = truncateToInt(static_cast<float>(baseHeight) * scaleY);
    rect.x = truncateToInt(centreX - 0.5F * static_cast<float>(rect.w));
    rect.y = truncateToInt(centreY - 0.5F * static_cast<float>(rect.h));
    changes.mark();
    std::cout << "Scaling ImageEntity: scaleX = " << scaleX << ", scaleY = " << scaleY
              << ", new width = " << rect.w << ", new height = " << rect.h << ", new x = " << rect.x
              << ", new y = " << rect.y << std::endl;
}

void ImageEntity::fadeIn(int deltaTime) {
    if (opacity < MAX_CHANNEL) {
        changes.set(opacity, std::min(opacity + deltaTime / 10, MAX_CHANNEL));
    }
}

void ImageEntity::fadeOut(int deltaTime) {
    if (opacity > 0) {
        changes.set(opacity, std::max(opacity - deltaTime / 10, 0));
    }
}

void ImageEntity::parallaxEffect(int deltaTime, float /*unusedA*/, float /*unusedB*/) {
    parallaxTime += static_cast<float>(deltaTime);
    const auto period = static_cast<float>(ADJUSTED_PERIOD);
    const auto amplitude = static_cast<float>(ADJUSTED_AMPLITUDE);
    const auto radians = static_cast<float>(
        std::fmod(TWO_PI * static_cast<double>(parallaxTime) / static_cast<double>(period), TWO_PI));
    const float sine = std::sin(radians);
    const float offset = amplitude * sine;
    changes.set(rect.x, saturatingAdd(baseX, truncateToInt(offset)));
    LOG_DEBUG("DeltaTime: " + std::to_string(deltaTime) + ", Time: " + std::to_string(parallaxTime) +
              ", Radians: " + std::to_string(radians) + ", Sine Output: " + std::to_string(sine) +
              ", New Position: " + std::to_string(offset) + ", X Position: " + std::to_string(rect.x));
}
