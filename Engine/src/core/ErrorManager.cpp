#include "core/ErrorManager.h"

#include <SDL.h>

#include <cstdlib>

std::string ErrorManager::composeErrorText(const std::string& message) {
    return "Error: " + message + "\nSDL_Error: " + SDL_GetError();
}

void ErrorManager::handleError(const std::string& message) {
    // SDL's error text first: the message box itself may overwrite it.
    const std::string text = composeErrorText(message);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Error", text.c_str(), nullptr);
    SDL_Quit();
    std::exit(-1);
}
