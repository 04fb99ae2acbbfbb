#include "SupportCode/ColorMap.h"

#include <gtest/gtest.h>

#include <cmath>

using V3 = Vector3<float>;

TEST(ColorMapScalar, RampRedBlackBlue)
{
    const ColorMap map;
    EXPECT_EQ(map.map(-10.0f, -3.0f, 3.0f), V3(1, 0, 0));
    EXPECT_EQ(map.map(-3.0f, -3.0f, 3.0f), V3(1, 0, 0));
    EXPECT_EQ(map.map(-1.5f, -3.0f, 3.0f), V3(0.5f, 0, 0));
    EXPECT_EQ(map.map(0.0f, -3.0f, 3.0f), V3(0, 0, 0));
    EXPECT_EQ(map.map(1.5f, -3.0f, 3.0f), V3(0, 0, 0.5f));
    EXPECT_EQ(map.map(3.0f, -3.0f, 3.0f), V3(0, 0, 1));
    EXPECT_EQ(map.map(10.0f, -3.0f, 3.0f), V3(0, 0, 1));
    EXPECT_EQ(map.map(0.5f, 0.0f, 1.0f), V3(0, 0, 0)); // the midpoint of any range
}

TEST(ColorMapScalar, DegenerateAndReversedRanges)
{
    const ColorMap map;
    EXPECT_EQ(map.map(0.0f, 1.0f, 1.0f), V3(1, 0, 0)); // below low == high
    EXPECT_EQ(map.map(2.0f, 1.0f, 1.0f), V3(0, 0, 1)); // above
    EXPECT_EQ(map.map(0.0f, 2.0f, 1.0f), V3(1, 0, 0)); // low > high: a hard step
    EXPECT_EQ(map.map(1.5f, 2.0f, 1.0f), V3(1, 0, 0));
    EXPECT_EQ(map.map(2.0f, 2.0f, 1.0f), V3(0, 0, 1));
    EXPECT_EQ(map.map(5.0f, 2.0f, 1.0f), V3(0, 0, 1));
}

TEST(ColorMapScalar, UndefinedPositionsGetTheMiddleColour)
{
    const ColorMap map;
    EXPECT_EQ(map.map(std::nanf(""), -3.0f, 3.0f), V3(0, 0, 0));
    EXPECT_EQ(map.map(1.0f, 1.0f, 1.0f), V3(0, 0, 0)); // 0/0 on the ramp
    EXPECT_EQ(map.map(1.0f, std::nanf(""), 3.0f), V3(0, 0, 0));
}

TEST(ColorMapVector, EachComponentOnItsOwn)
{
    const ColorMap map;
    EXPECT_EQ(map.map(V3(0, 0, 1), -1.0f, 1.0f), V3(0.5f, 0.5f, 1.0f));
    EXPECT_EQ(map.map(V3(-1, 0, 0), -1.0f, 1.0f), V3(0.0f, 0.5f, 0.5f));
    EXPECT_EQ(map.map(V3(2, -2, 0), -1.0f, 1.0f), V3(1.0f, 0.0f, 0.5f));
    EXPECT_EQ(map.map(V3(0, 0, 0), -1.0f, 1.0f), V3(0.5f, 0.5f, 0.5f));

    const V3 odd = map.map(V3(std::nanf(""), 1.0f, 0.5f), -1.0f, 1.0f);
    EXPECT_EQ(odd, V3(0.5f, 1.0f, 0.75f));
    EXPECT_EQ(map.map(V3(1, 0, 2), 1.0f, 1.0f), V3(0.5f, 0.0f, 1.0f));
}
