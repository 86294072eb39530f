#pragma once
// Paths of the files the windowed program reads, relative to its working directory.

inline constexpr const char* ORACLE_JSON_FILE_PATH = "Assets/Data/OracleSceneData.json";
inline constexpr const char* ENTROPY_QRNG_POOL_TEXT_PATH = "Assets/Data/entropy_pool.txt";
inline constexpr const char* ENTROPY_QRNG_POOL_JSON_PATH = "Assets/Data/qrng_pool.json"; // declared, not read
inline constexpr const char* FONT_PATH = "Assets/TTF/Lato-Regular.ttf";
inline constexpr const char* DEFAULT_FONT_PATH = "Assets/TTF/Lato-Regular.ttf";
inline constexpr const char* DEFAULT_FONT_BOLD_PATH = "Assets/TTF/Lato-Black.ttf";
inline constexpr const char* MAP_TITLE_FONT_PATH = "Assets/TTF/ALGER.ttf";
inline constexpr const char* BROADWAY_FONT_PATH = "Assets/TTF/BROADW.ttf";
inline constexpr const char* PIXEL_STYLE_FONT_PATH = "Assets/TTF/Silkscreen-Regular.ttf";
inline constexpr const char* QUADRIANA_FONT_PATH = "Assets/TTF/quadriana.ttf";
inline constexpr const char* COURIER_NEW_FONT_PATH = "Assets/TTF/cour.ttf";
inline constexpr const char* COURIER_NEW_BOLD_FONT_PATH = "Assets/TTF/courbd.ttf";
inline constexpr const char* COURIER_NEW_BOLD_ITALIC_FONT_PATH = "Assets/TTF/courbi.ttf";
inline constexpr const char* COURIER_NEW_ITALIC_FONT_PATH = "Assets/TTF/couri.ttf";
inline constexpr const char* WINDOW_ICON_PATH = "Assets/Image/Icon/murkmoot-256.png";
inline constexpr const char* CAVE_LOOP_MUSIC_PATH = "Assets/Sound/Music/GoblinDripJam.wav";
