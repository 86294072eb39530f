#include "core/DevTools.h"

#include <gtest/gtest.h>

#include <set>

TEST(DevTools, RandomNumbersCoverTheRangeGivenInEitherOrder) {
    std::set<int> faces;
    for (int i = 0; i < 600; ++i) {
        const int die = DevTools::getInstance().generateRandomNumber(6, 1);
        EXPECT_TRUE(die >= 1 && die <= 6) << die;
        faces.insert(die);
    }
    EXPECT_EQ(faces.size(), 6U);
}
