#include "SupportCode/ViewerMath.h"

#include <gtest/gtest.h>

using ViewerMath::MousePosition;

namespace
{
// The FPS state of the viewer, advanced frame by frame as the frame routine does.
struct FrameCounter
{
    float timeSinceLastFPS = 0.0f;
    unsigned int frames = 0;
    float fps = 0.0f;

    void frame(float timestamp)
    {
        ViewerMath::updateFPS(timestamp, timeSinceLastFPS, frames, fps);
        ++frames;
    }
};
} // namespace

TEST(ViewerFPS, ZeroUntilMoreThanHalfASecond)
{
    FrameCounter c;
    for (float t : {0.0f, 0.1f, 0.25f, 0.4f, 0.5f})
        c.frame(t);
    // Exactly half a second is not more than half a second.
    EXPECT_EQ(c.fps, 0.0f);
    EXPECT_EQ(c.frames, 5u);
    c.frame(0.5000001f);
    EXPECT_EQ(c.fps, 10.0f); // twice the five frames counted
    EXPECT_EQ(c.timeSinceLastFPS, 0.5000001f);
    EXPECT_EQ(c.frames, 1u);
}

TEST(ViewerFPS, TwiceTheFramesWhateverTheInterval)
{
    // One frame every two seconds: every update has seen one frame.
    FrameCounter slow;
    for (int i = 0; i < 5; ++i)
        slow.frame(2.0f * static_cast<float>(i));
    EXPECT_EQ(slow.fps, 2.0f);

    // 60 frames per second over three seconds: about 60 shown.
    FrameCounter fast;
    for (int i = 0; i <= 180; ++i)
        fast.frame(static_cast<float>(i) / 60.0f);
    EXPECT_NEAR(fast.fps, 60.0f, 2.0f);

    unsigned int frames = 7;
    float since = 10.0f;
    float fps = 3.0f;
    EXPECT_FALSE(ViewerMath::updateFPS(10.5f, since, frames, fps));
    EXPECT_EQ(fps, 3.0f);
    EXPECT_EQ(frames, 7u);
    EXPECT_TRUE(ViewerMath::updateFPS(10.75f, since, frames, fps));
    EXPECT_EQ(fps, 14.0f);
    EXPECT_EQ(frames, 0u);
}

TEST(ViewerFPS, TextAndColour)
{
    EXPECT_EQ(ViewerMath::fpsText(0.0f), "FPS: 0");
    EXPECT_EQ(ViewerMath::fpsText(59.6f), "FPS: 60");
    // The figure is cut to nine characters instead of overflowing its buffer.
    EXPECT_EQ(ViewerMath::fpsText(1e9f), "FPS: 100000000");

    EXPECT_EQ(ViewerMath::fpsColour(0.0f), Vector3<float>(0.7f, 0.0f, 0.0f));
    EXPECT_EQ(ViewerMath::fpsColour(19.99f), Vector3<float>(0.7f, 0.0f, 0.0f));
    EXPECT_EQ(ViewerMath::fpsColour(20.0f), Vector3<float>(0.7f, 0.7f, 0.0f));
    EXPECT_EQ(ViewerMath::fpsColour(49.99f), Vector3<float>(0.7f, 0.7f, 0.0f));
    EXPECT_EQ(ViewerMath::fpsColour(50.0f), Vector3<float>(0.0f, 0.5f, 0.0f));
}

TEST(ViewerMouse, FirstSampleFillsBothAndYCountsFromTheBottom)
{
    MousePosition pos = ViewerMath::NO_MOUSE_SAMPLE;
    MousePosition old = {0, 0};
    ViewerMath::takeMouseSample(100, 18, 768, pos, old);
    EXPECT_EQ(pos, (MousePosition{100, 750}));
    EXPECT_EQ(old, pos);

    ViewerMath::takeMouseSample(130, 28, 768, pos, old);
    EXPECT_EQ(old, (MousePosition{100, 750}));
    EXPECT_EQ(pos, (MousePosition{130, 740}));

    // Outside the window while dragging, y goes negative.
    ViewerMath::takeMouseSample(-20, 800, 768, pos, old);
    EXPECT_EQ(pos, (MousePosition{-20, -32}));
}

TEST(ViewerMouse, ASampleAtMinusOneStartsAfresh)
{
    MousePosition pos = {10, 10};
    MousePosition old = {5, 5};
    // Below the bottom edge of a 768-pixel window at x = -1 reads as (-1, -1).
    ViewerMath::takeMouseSample(-1, 769, 768, pos, old);
    EXPECT_EQ(pos, ViewerMath::NO_MOUSE_SAMPLE);
    ViewerMath::takeMouseSample(40, 68, 768, pos, old);
    EXPECT_EQ(pos, (MousePosition{40, 700}));
    EXPECT_EQ(old, pos);
}

TEST(ViewerMouse, ScreenUnitsSpanTheWindow)
{
    float x = -1.0f;
    float y = -1.0f;
    ViewerMath::mouseScreenCoordinates(1024, 768, 1024, 768, x, y);
    EXPECT_EQ(x, 4.0f);
    EXPECT_EQ(y, 3.0f);
    ViewerMath::mouseScreenCoordinates(256, 384, 1024, 768, x, y);
    EXPECT_EQ(x, 1.0f);
    EXPECT_EQ(y, 1.5f);

    // The same pixel distance is more screen units in a smaller window.
    float smallX = 0.0f;
    float smallY = 0.0f;
    ViewerMath::mouseScreenCoordinates(256, 384, 512, 384, smallX, smallY);
    EXPECT_EQ(smallX, 2.0f);
    EXPECT_EQ(smallY, 3.0f);

    // A window without width or height turns nothing.
    ViewerMath::mouseScreenCoordinates(300, 200, 0, 0, x, y);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
}
