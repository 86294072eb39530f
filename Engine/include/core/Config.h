#pragma once
// Compile-time configuration shared by the engine and both programs. Everything here is plain
// standard C++ so the terminal program can use it without SDL.

#include <cstdint>

inline constexpr float VERSION = 1.0F;

inline constexpr int BASE_RESOLUTION_WIDTH = 3840;
inline constexpr int BASE_RESOLUTION_HEIGHT = 2160;
inline constexpr bool PRESERVE_ASPECT_RATIO = true;
inline constexpr bool FULLSCREEN_ENABLED = false;

inline constexpr int TOOLTIP_FONT_SIZE = 30;
inline constexpr int DEFAULT_FONT_SIZE = 24;

inline constexpr bool LOGGING_ENABLED = true;
inline constexpr bool LOG_INFO_ENABLED = true;
inline constexpr bool LOG_WARN_ENABLED = true;
inline constexpr bool LOG_ERROR_ENABLED = true;
inline constexpr bool DEBUG_ENABLED = false;
inline constexpr const char* LOG_FILE_PATH = "log.txt";

inline constexpr int DEFAULT_WRAP_WIDTH = 600;
inline constexpr int DEFAULT_TYPING_DELAY = 50; // milliseconds per character

// The image sway: one full period in milliseconds and its height in logical pixels.
inline constexpr double ADJUSTED_PERIOD = 2500.0;
inline constexpr double ADJUSTED_AMPLITUDE = 23.0;

// Same layout as SDL_Color, so the engine converts without knowing about this header's users.
struct RgbaColor {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;
};

inline constexpr RgbaColor FONT_COLOR_WHITE{255, 255, 255, 255};
inline constexpr RgbaColor FONT_COLOR_BLACK{0, 0, 0, 255};
inline constexpr RgbaColor FONT_COLOR_RED{255, 0, 0, 255};
inline constexpr RgbaColor FONT_COLOR_GREEN{0, 255, 0, 255};
inline constexpr RgbaColor FONT_COLOR_DARK_GREEN{0, 100, 0, 255};
inline constexpr RgbaColor FONT_COLOR_BLUE{0, 0, 255, 255};
inline constexpr RgbaColor FONT_COLOR_DARK_BLUE{0, 0, 139, 255};
inline constexpr RgbaColor FONT_COLOR_GALAXY_BLUE{72, 61, 139, 255};
inline constexpr RgbaColor FONT_COLOR_CYAN{0, 255, 255, 255};
inline constexpr RgbaColor FONT_COLOR_MAGENTA{255, 0, 255, 255};
inline constexpr RgbaColor FONT_COLOR_YELLOW{255, 255, 0, 255};
inline constexpr RgbaColor FONT_COLOR_ORANGE{255, 165, 0, 255};
inline constexpr RgbaColor FONT_COLOR_PURPLE{128, 0, 128, 255};
inline constexpr RgbaColor FONT_COLOR_BROWN{165, 42, 42, 255};
inline constexpr RgbaColor FONT_COLOR_GRAY{128, 128, 128, 255};
inline constexpr RgbaColor FONT_COLOR_DARK_GRAY{169, 169, 169, 255};
inline constexpr RgbaColor FONT_COLOR_LIGHT_GRAY{211, 211, 211, 255};
inline constexpr RgbaColor FONT_COLOR_CHARCOAL{54, 69, 79, 255};
