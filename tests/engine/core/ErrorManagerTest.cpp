#include "core/ErrorManager.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

TEST(ErrorManagerDeathTest, ShowsTheErrorAndExits) {
    SDL_SetError("disk on fire");
    EXPECT_EQ(ErrorManager::composeErrorText("No music"), "Error: No music\nSDL_Error: disk on fire");
    // With no display to reach, no message box waits for a user.
    EXPECT_EXIT({ unsetenv("DISPLAY"); unsetenv("WAYLAND_DISPLAY"); ErrorManager::handleError("boom"); },
                ::testing::ExitedWithCode(255), "");
}
