#include "SupportCode/ViewerMath.h"

#include <gtest/gtest.h>

using ViewerMath::MousePosition;

TEST(ViewerFPS, TwiceTheFramesOnceMoreThanHalfASecondHasPassed)
{
    float since = 0.0f, fps = 0.0f;
    unsigned int frames = 0;
    for (float t : {0.0f, 0.1f, 0.25f, 0.4f, 0.5f}) // exactly 0.5 is not more than 0.5
    {
        EXPECT_FALSE(ViewerMath::updateFPS(t, since, frames, fps)) << t;
        ++frames;
    }
    EXPECT_EQ(fps, 0.0f);
    EXPECT_TRUE(ViewerMath::updateFPS(0.5000001f, since, frames, fps));
    EXPECT_EQ(fps, 10.0f);
    EXPECT_EQ(since, 0.5000001f);
    EXPECT_EQ(frames, 0u);

    frames = 1; // one frame every two seconds shows 2, whatever the interval
    EXPECT_TRUE(ViewerMath::updateFPS(2.5f, since, frames, fps));
    EXPECT_EQ(fps, 2.0f);
}

TEST(ViewerFPS, TextAndColour)
{
    EXPECT_EQ(ViewerMath::fpsText(0.0f), "FPS: 0");
    EXPECT_EQ(ViewerMath::fpsText(59.6f), "FPS: 60");
    EXPECT_EQ(ViewerMath::fpsText(1e9f), "FPS: 100000000") << "cut to nine characters";
    const Vector3<float> red(0.7f, 0.0f, 0.0f), yellow(0.7f, 0.7f, 0.0f), green(0.0f, 0.5f, 0.0f);
    EXPECT_EQ(ViewerMath::fpsColour(19.99f), red);
    EXPECT_EQ(ViewerMath::fpsColour(20.0f), yellow);
    EXPECT_EQ(ViewerMath::fpsColour(49.99f), yellow);
    EXPECT_EQ(ViewerMath::fpsColour(50.0f), green);
}

TEST(ViewerMouse, SamplesCountYFromTheBottomAndMinusOneStartsAfresh)
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
}

TEST(ViewerMouse, ScreenUnitsSpanTheWindow)
{
    float x = -1.0f, y = -1.0f;
    ViewerMath::mouseScreenCoordinates(256, 384, 1024, 768, x, y);
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(y, 1.5f);
    ViewerMath::mouseScreenCoordinates(256, 384, 512, 384, x, y); // smaller: more units
    EXPECT_EQ(x, 2.0f);
    EXPECT_EQ(y, 3.0f);
    ViewerMath::mouseScreenCoordinates(300, 200, 0, 0, x, y); // no window: no turn
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
}
