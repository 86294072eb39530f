#include "core/WindowSize.h"

int WINDOW_WIDTH = 1920;
int WINDOW_HEIGHT = 1080;
