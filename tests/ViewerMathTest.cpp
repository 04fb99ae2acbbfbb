#include "SupportCode/ViewerMath.h"

#include "viewer/Framing.h"

#include <gtest/gtest.h>

#include <cmath>

using ViewerMath::MousePosition;

TEST(ViewerMath, FPSIsTwiceTheFramesOnceMoreThanHalfASecondHasPassed)
{
    float since = 0.0f, fps = 0.0f;
    unsigned int frames = 0;
    for (float t : {0.0f, 0.1f, 0.25f, 0.4f, 0.5f}) // exactly 0.5 is not more than 0.5
    {
        EXPECT_FALSE(ViewerMath::updateFPS(t, since, frames, fps)) << t;
        ++frames;
    }
    EXPECT_TRUE(ViewerMath::updateFPS(0.5000001f, since, frames, fps));
    EXPECT_TRUE(fps == 10.0f && since == 0.5000001f && frames == 0u);
    frames = 1; // one frame every two seconds shows 2, whatever the interval
    EXPECT_TRUE(ViewerMath::updateFPS(2.5f, since, frames, fps));
    EXPECT_EQ(fps, 2.0f);

    EXPECT_EQ(ViewerMath::fpsText(0.0f), "FPS: 0");
    EXPECT_EQ(ViewerMath::fpsText(59.6f), "FPS: 60");
    EXPECT_EQ(ViewerMath::fpsText(1e9f), "FPS: 100000000") << "cut to nine characters";
    const Vector3<float> red(0.7f, 0.0f, 0.0f), yellow(0.7f, 0.7f, 0.0f), green(0.0f, 0.5f, 0.0f);
    const std::pair<float, Vector3<float>> colours[] = {
        {19.99f, red}, {20.0f, yellow}, {49.99f, yellow}, {50.0f, green}};
    for (const auto& [fpsValue, colour] : colours)
        EXPECT_EQ(ViewerMath::fpsColour(fpsValue), colour) << fpsValue;
}

TEST(ViewerMath, MouseSamplesCountYFromTheBottomAndMinusOneStartsAfresh)
{
    MousePosition pos = ViewerMath::NO_MOUSE_SAMPLE, old = {0, 0};
    ViewerMath::takeMouseSample(100, 18, 768, pos, old);
    EXPECT_EQ(pos, (MousePosition{100, 750}));
    EXPECT_EQ(old, pos) << "the first sample fills both";
    ViewerMath::takeMouseSample(130, 800, 768, pos, old); // below the window while dragging
    EXPECT_EQ(old, (MousePosition{100, 750}));
    EXPECT_EQ(pos, (MousePosition{130, -32}));
    ViewerMath::takeMouseSample(-1, 769, 768, pos, old); // reads as (-1, -1)
    ViewerMath::takeMouseSample(40, 68, 768, pos, old);
    EXPECT_EQ(pos, (MousePosition{40, 700}));
    EXPECT_EQ(old, pos);

    const struct
    {
        int x, y;
        unsigned int width, height;
        float sx, sy;
    } screens[] = {{256, 384, 1024, 768, 1, 1.5f}, // 4 x 3 units across the window
                   {256, 384, 512, 384, 2, 3},     // a smaller window: more units
                   {300, 200, 0, 0, 0, 0}};        // no window: no turn
    for (const auto& s : screens)
    {
        float x = -1.0f, y = -1.0f;
        ViewerMath::mouseScreenCoordinates(s.x, s.y, s.width, s.height, x, y);
        EXPECT_TRUE(x == s.sx && y == s.sy)
            << s.width << " x " << s.height << ": " << x << ", " << y;
    }
}

TEST(ViewerFraming, PlacedSideBySideOnTheGridUnitSizedAndCentred)
{
    using Framing::Box;
    const auto box = [](Vector3<float> lo, Vector3<float> hi)
    {
        Box b;
        b.add(lo);
        b.add(hi);
        return b;
    };
    const std::vector<Box> boxes = {box({-10, 5, 3}, {30, 25, 13}), // largest side x: 40
                                    box({0, -2, 0}, {1, 2, 0.5f}),  // y: 4
                                    box({1, 1, 1}, {1, 1, 1}),      // no extent: unscaled
                                    Box()};
    const std::vector<Matrix4x4<float>> t = Framing::placeSideBySide(boxes);
    ASSERT_EQ(t.size(), 4u);
    const float widths[] = {1.0f, 0.25f, 0.0f, 0.0f};
    float left = -(1.25f + 3 * Framing::PLACEMENT_GAP) / 2;
    for (std::size_t i = 0; i < 3; ++i)
    {
        const Box p = Framing::transformed(boxes[i], t[i]);
        const Vector3<float> size = p.max - p.min;
        EXPECT_NEAR(std::max(size[0], std::max(size[1], size[2])), i < 2 ? 1.0f : 0.0f, 1e-6f);
        EXPECT_NEAR(p.min[1], 0.0f, 1e-6f) << i;
        EXPECT_NEAR(p.min[2] + p.max[2], 0.0f, 1e-6f) << i;
        EXPECT_NEAR(p.min[0], left, 1e-6f) << i;
        left += widths[i] + Framing::PLACEMENT_GAP;
    }
    EXPECT_TRUE(Framing::transformed(Box(), t[3]).empty);
}

TEST(ViewerFraming, TheBoundingSphereJustFitsTheVerticalFieldOfView)
{
    for (float r : {0.5f, 1.0f, 30.0f})
        EXPECT_NEAR(r / Framing::viewDistance(r, 45.0), std::sin(22.5 * M_PI / 180), 1e-6) << r;
    // A tiny scene keeps clear of the near plane.
    EXPECT_FLOAT_EQ(Framing::viewDistance(0.001f, 45.0), 0.001f + Framing::NEAR_MARGIN);
    Framing::Box b;
    b.add(Vector3<float>(-1, 0, 2));
    b.add(Vector3<float>(1, 2, 4));
    EXPECT_EQ(b.centre(), Vector3<float>(0, 1, 3));
    EXPECT_FLOAT_EQ(b.radius(), std::sqrt(3.0f));
}
