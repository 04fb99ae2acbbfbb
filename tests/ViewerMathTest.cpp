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

namespace
{
Framing::Box box(Vector3<float> lo, Vector3<float> hi)
{
    Framing::Box b;
    b.add(hi);
    b.add(lo);
    return b;
}

void expectNear(const Vector3<float>& a, const Vector3<float>& b, const char* what)
{
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(a[k], b[k], 2e-6f * std::max(1.0f, std::fabs(b[k]))) << what << " " << k;
}
} // namespace

// The boxes placed side by side: equal boxes, a flat one, a point; then the home view of
// the row and the f key's view of single boxes, along two directions.
TEST(ViewerFraming, PlacedBoxesAndTheViewsOfThem)
{
    using V = Vector3<float>;
    const struct
    {
        std::vector<Framing::Box> boxes;
        std::vector<std::pair<V, V>> placed;
    } rows[] = {
        {{box({0, 0, 0}, {2, 2, 2}), box({5, 5, 5}, {7, 7, 6})},
         {{{-1.125f, 0, -0.5f}, {-0.125f, 1, 0.5f}}, {{0.125f, 0, -0.25f}, {1.125f, 1, 0.25f}}}},
        {{box({0, -3, 0}, {4, -3, 2})}, {{{-0.5f, 0, -0.25f}, {0.5f, 0, 0.25f}}}},
        {{box({3, 4, 5}, {3, 4, 5}), box({0, 0, 0}, {0, 0, 8}),
          Framing::Box()}, // no extent: unscaled
         {{{-0.25f, 0, 0}, {-0.25f, 0, 0}}, {{0, 0, -0.5f}, {0, 0, 0.5f}}, {}}},
    };
    for (const auto& row : rows)
    {
        const std::vector<Matrix4x4<float>> t = Framing::placeSideBySide(row.boxes);
        ASSERT_EQ(t.size(), row.placed.size());
        for (std::size_t i = 0; i < t.size(); ++i)
        {
            const Framing::Box p = Framing::transformed(row.boxes[i], t[i]);
            EXPECT_EQ(p.empty, row.boxes[i].empty);
            if (p.empty)
                continue;
            expectNear(p.min, row.placed[i].first, "min");
            expectNear(p.max, row.placed[i].second, "max");
        }
    }
    const Framing::Box row =
        Framing::sceneBox(rows[0].boxes, Framing::placeSideBySide(rows[0].boxes));
    expectNear(row.min, V(-1.125f, 0, -0.5f), "scene");
    expectNear(row.max, V(1.125f, 1, 0.5f), "scene");
    const Framing::View home = Framing::homeView(row, 45.0);
    expectNear(home.centre, V(0, 0.5f, 0), "home centre");
    expectNear(home.eye, V(0, 2.05283237f, 3.10566474f), "home eye");

    const struct
    {
        Framing::Box box;
        V direction, eye, homeEye;
    } views[] = {
        {box({-1, 0, -1}, {1, 2, 1}), V(0, 0, -1), V(0, 1, 4.52606688f),
         V(0, 3.02411866f, 4.04823732f)},
        {box({-1, 0, -1}, {1, 2, 1}), V(1, 0, 0), V(-4.52606688f, 1, 0),
         V(0, 3.02411866f, 4.04823732f)},
        {box({3, 4, 5}, {3, 4, 5}), V(0, 0, -1), V(3, 4, 5.1f), V(3, 4.04472136f, 5.08944272f)},
        {box({0, 0, 0}, {2, 0, 2}), V(0, -1, 0), V(1, 3.69551813f, 1),
         V(1, 1.65268597f, 4.30537193f)},
    };
    for (const auto& v : views)
    {
        const std::optional<Framing::View> framed = Framing::frameAlong(v.box, v.direction, 45.0);
        ASSERT_TRUE(framed.has_value());
        expectNear(framed->centre, v.box.centre(), "centre");
        expectNear(framed->eye, v.eye, "eye");
        expectNear(Framing::homeView(v.box, 45.0).eye, v.homeEye, "home eye");
    }
    EXPECT_FALSE(Framing::frameAlong(Framing::Box(), V(0, 0, -1), 45.0).has_value());
}
