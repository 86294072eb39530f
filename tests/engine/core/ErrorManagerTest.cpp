#include "CoreTestSupport.h"

#include "core/ErrorManager.h"

#include <gtest/gtest.h>

TEST(ErrorManager, TextCarriesSdlErrorReadFirst) {
    SDL_SetError("disk on fire");
    EXPECT_EQ(ErrorManager::composeErrorText(""), "Error: \nSDL_Error: disk on fire");
    SDL_ClearError();
    EXPECT_EQ(ErrorManager::composeErrorText("No music"), "Error: No music\nSDL_Error: ");
}

TEST(ErrorManager, HandleErrorEndsTheProcessWith255WithoutDisplay) {
    {
        // SDL never initialised, as after a failed SDL_Init.
        const ChildResult child = runInChild([] { ErrorManager::handleError("boom"); });
        EXPECT_TRUE(child.exited);
        EXPECT_EQ(child.status, 255);
        EXPECT_EQ(child.output, "");
    }
    {
        const ChildResult child = runInChild([] {
            SDL_Init(SDL_INIT_VIDEO);
            ErrorManager::handleError("");
        });
        EXPECT_TRUE(child.exited);
        EXPECT_EQ(child.status, 255);
    }
}
