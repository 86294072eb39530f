#pragma once
// The windowed program's fatal-error path: tell the user, then end the process.

#include <string>

class ErrorManager {
public:
    ErrorManager() = default;
    ~ErrorManager() = default;

    // Shows "Error: <message>\nSDL_Error: <SDL's error text>" in a message box, shuts SDL down
    // and exits with status -1 (255), also when no box can be shown.
    [[noreturn]] static void handleError(const std::string& message);

    // The message box text, with SDL's current error text read at the moment of the call.
    static std::string composeErrorText(const std::string& message);
};
