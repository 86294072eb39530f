#pragma once
// Float-to-int truncation and int addition that saturate instead of overflowing, for positions
// driven by data (velocities, sizes, deltas) that may be absurd.

#include <cmath>
#include <cstdint>
#include <limits>

// Truncates toward zero; NaN gives 0, values beyond int's range give its nearest bound.
inline int truncateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

inline int clampToInt(std::int64_t value) {
    if (value > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (value < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

inline int saturatingAdd(int a, int b) { return clampToInt(static_cast<std::int64_t>(a) + b); }
