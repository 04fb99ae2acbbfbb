#include "SupportCode/ColorMap.h"

#include <gtest/gtest.h>

#include <cmath>

using V3 = Vector3<float>;

// Red at low and below, black in the middle, blue at high and above; a reversed range is a
// hard step, and a value without a place on the ramp (NaN, or low == high == value) black.
TEST(ColorMap, ScalarRamp)
{
    const float nan = std::nanf("");
    const struct
    {
        float value, low, high;
        V3 colour;
    } cases[] = {{-10, -3, 3, {1, 0, 0}}, {-3, -3, 3, {1, 0, 0}},      {-1.5f, -3, 3, {0.5f, 0, 0}},
                 {0, -3, 3, {0, 0, 0}},   {1.5f, -3, 3, {0, 0, 0.5f}}, {3, -3, 3, {0, 0, 1}},
                 {10, -3, 3, {0, 0, 1}},  {0.5f, 0, 1, {0, 0, 0}},     {0, 1, 1, {1, 0, 0}},
                 {2, 1, 1, {0, 0, 1}},    {0, 2, 1, {1, 0, 0}},        {1.5f, 2, 1, {1, 0, 0}},
                 {2, 2, 1, {0, 0, 1}},    {5, 2, 1, {0, 0, 1}},        {nan, -3, 3, {0, 0, 0}},
                 {1, 1, 1, {0, 0, 0}},    {1, nan, 3, {0, 0, 0}}};
    const ColorMap map;
    for (const auto& c : cases)
        EXPECT_EQ(map.map(c.value, c.low, c.high), c.colour)
            << c.value << " in " << c.low << ", " << c.high;
}

TEST(ColorMap, EachVectorComponentOnItsOwn)
{
    const ColorMap map;
    EXPECT_EQ(map.map(V3(0, 0, 1), -1.0f, 1.0f), V3(0.5f, 0.5f, 1.0f));
    EXPECT_EQ(map.map(V3(-1, 0, 0), -1.0f, 1.0f), V3(0.0f, 0.5f, 0.5f));
    EXPECT_EQ(map.map(V3(2, -2, 0), -1.0f, 1.0f), V3(1.0f, 0.0f, 0.5f));
    EXPECT_EQ(map.map(V3(std::nanf(""), 1.0f, 0.5f), -1.0f, 1.0f), V3(0.5f, 1.0f, 0.75f));
    EXPECT_EQ(map.map(V3(1, 0, 2), 1.0f, 1.0f), V3(0.5f, 0.0f, 1.0f));
}
