#pragma once
// The terminal program's welcome banner.

#include <iostream>

inline constexpr int BANNER_WIDTH = 43;

void introSplash(std::ostream& out = std::cout);
