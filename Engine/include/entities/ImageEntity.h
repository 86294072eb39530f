#pragma once
// A picture on screen: one texture or a list of animation frames drawn into a rectangle with an
// opacity, optionally moving, fading, scaled about its centre or swaying sideways.

#include "entities/Entity.h"

#include <SDL.h>

#include <memory>
#include <vector>

class ImageEntity : public Entity {
public:
    // Takes ownership of every texture in the list: each is destroyed when the last holder of its
    // shared pointer lets go. Velocities are in logical pixels per second; opacity is clamped to
    // 0..255.
    ImageEntity(const std::string& id, const std::string& texturePath, const std::string& type, int x,
                int y, int width, int height, float velocityX, float velocityY,
                std::vector<SDL_Texture*> textures, bool isAnimated, int opacity, bool isVisible);
    ~ImageEntity() override = default;

    // Textures arrive loaded and leave with the entity: nothing to do here.
    void loadResources(SDL_Renderer* renderer) override;
    void unloadResources() override;
    void render(SDL_Renderer* renderer) override;
    // One animation frame at most per call (excess time dropped), then the movement, truncated
    // per call.
    void update(int deltaTime) override;
    // Resizes relative to the size at construction, keeping the centre; reports on standard output.
    void scale(float scaleX, float scaleY) override;

    int getX() const { return rect.x; }
    int getY() const { return rect.y; }
    int getWidth() const { return rect.w; }
    int getHeight() const { return rect.h; }
    // The setters move or resize the drawn rectangle only; the sway centre and base size stay.
    void setX(int x) { changes.set(rect.x, x); }
    void setY(int y) { changes.set(rect.y, y); }
    void setWidth(int width) { changes.set(rect.w, width); }
    void setHeight(int height) { changes.set(rect.h, height); }
    int getOpacity() const { return opacity; }
    void setVisibility(bool visible) { changes.set(isVisible, visible); }

    // Opacity steps of deltaTime / 10 per call, saturating at 255 and 0.
    void fadeIn(int deltaTime);
    void fadeOut(int deltaTime);
    // Sine sway of x around its starting value. The time base is one accumulator shared by every
    // image, so two images swaying in the same frame advance it twice. The two floats are unused.
    void parallaxEffect(int deltaTime, float unusedA, float unusedB);

protected:
    SDL_Rect rect{0, 0, 0, 0};
    int baseX = 0; // centre of the sway
    float velocityX = 0.0F;
    float velocityY = 0.0F;
    std::vector<std::shared_ptr<SDL_Texture>> textures;
    int currentFrame = 0;
    int frameTimer = 0;      // milliseconds towards the next frame
    int frameDuration = 100; // milliseconds per frame
    bool isAnimated = false;
    int opacity = 255;
    bool isVisible = true;
    int baseWidth = 0;  // reference size for scale()
    int baseHeight = 0;
};
