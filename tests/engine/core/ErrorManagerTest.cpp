#include "CoreTestSupport.h"

#include "core/ErrorManager.h"

#include <gtest/gtest.h>

TEST(ErrorManager, HandleError) {
    SDL_SetError("disk on fire");
    EXPECT_EQ(ErrorManager::composeErrorText(""), "Error: \nSDL_Error: disk on fire");
    SDL_ClearError();
    EXPECT_EQ(ErrorManager::composeErrorText("No music"), "Error: No music\nSDL_Error: ");
    // Status 255 and nothing on standard output, with SDL never initialised and initialised.
    const ChildResult uninitialised = runInChild([] { ErrorManager::handleError("boom"); });
    EXPECT_EQ(uninitialised.status, 255);
    EXPECT_EQ(uninitialised.output, "");
    const ChildResult initialised = runInChild([] {
        SDL_Init(SDL_INIT_VIDEO);
        ErrorManager::handleError("");
    });
    EXPECT_EQ(initialised.status, 255);
}
