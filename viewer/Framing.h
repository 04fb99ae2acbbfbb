#pragma once

// Where meshes go and where the camera looks at them: plain arithmetic on boxes, kept free
// of OpenGL so that it can be tested without a window.

#include "SupportCode/Matrix4x4.h"
#include "SupportCode/Vector3.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace Framing
{
// An axis-aligned box; empty until a point is added.
struct Box
{
    Vector3<float> min{0.0f, 0.0f, 0.0f};
    Vector3<float> max{0.0f, 0.0f, 0.0f};
    bool empty = true;

    void add(const Vector3<float>& p)
    {
        for (int i = 0; i < 3; ++i)
        {
            min[i] = empty ? p[i] : std::min(min[i], p[i]);
            max[i] = empty ? p[i] : std::max(max[i], p[i]);
        }
        empty = false;
    }
    void add(const Box& b)
    {
        if (!b.empty)
        {
            add(b.min);
            add(b.max);
        }
    }
    // Halves first: the sum of two large coordinates may overflow.
    Vector3<float> centre() const { return min * 0.5f + max * 0.5f; }
    // Half the diagonal: the radius of the sphere around the centre through the corners.
    float radius() const { return (max - min).length() * 0.5f; }
};

// The box around the eight corners of b moved by t.
inline Box transformed(const Box& b, const Matrix4x4<float>& t)
{
    Box out;
    if (b.empty)
        return out;
    for (int corner = 0; corner < 8; ++corner)
    {
        const Vector3<float> p((corner & 1) ? b.max[0] : b.min[0],
                               (corner & 2) ? b.max[1] : b.min[1],
                               (corner & 4) ? b.max[2] : b.min[2]);
        const Vector4<float> q = t * Vector4<float>(p[0], p[1], p[2], 1.0f);
        out.add(Vector3<float>(q[0], q[1], q[2]));
    }
    return out;
}

// Gap between neighbours placed side by side, in the placed (unit) size.
constexpr float PLACEMENT_GAP = 0.25f;

// Model transforms that set meshes side by side along x: each scaled uniformly so that the
// largest side of its box is one unit (a box without extent keeps its size), standing on
// the grid (lowest point at y = 0), centred on z = 0, and the row centred on x = 0.
inline std::vector<Matrix4x4<float>> placeSideBySide(const std::vector<Box>& boxes)
{
    std::vector<float> scales, widths;
    float total = 0.0f;
    for (const Box& b : boxes)
    {
        // In double: the extent of float coordinates near the largest float overflows.
        double size[3] = {0.0, 0.0, 0.0};
        for (int k = 0; k < 3 && !b.empty; ++k)
            size[k] = static_cast<double>(b.max[k]) - static_cast<double>(b.min[k]);
        const double largest = std::max(size[0], std::max(size[1], size[2]));
        const float s = largest > 0.0 && std::isfinite(static_cast<float>(1.0 / largest))
                            ? static_cast<float>(1.0 / largest)
                            : 1.0f;
        scales.push_back(s);
        widths.push_back(static_cast<float>(size[0] * s));
        total += widths.back();
    }
    if (!boxes.empty())
        total += PLACEMENT_GAP * static_cast<float>(boxes.size() - 1);

    std::vector<Matrix4x4<float>> out;
    float left = -total * 0.5f;
    for (std::size_t i = 0; i < boxes.size(); ++i)
    {
        const Box& b = boxes[i];
        const float s = scales[i];
        const Vector3<float> c = b.empty ? Vector3<float>(0, 0, 0) : b.centre();
        const float lowest = b.empty ? 0.0f : b.min[1];
        // Scaled first, so that no step leaves the float range.
        out.push_back(Matrix4x4<float>::translation(left + widths[i] * 0.5f - c[0] * s, -lowest * s,
                                                    -c[2] * s) *
                      Matrix4x4<float>::scale(s));
        left += widths[i] + PLACEMENT_GAP;
    }
    return out;
}

// Where the home view of placed meshes looks from: the front (+z, so that a row along x
// runs across the window) and about 27 degrees above; unit length.
const Vector3<float> HOME_DIRECTION(0.0f, 0.4472136f, 0.8944272f);

// Kept between the eye and the nearest point of the sphere, beyond the near plane.
constexpr float NEAR_MARGIN = 0.1f;

// The distance from the centre of a sphere of this radius at which it just fits a vertical
// field of view of this many degrees (but no closer than NEAR_MARGIN to its surface).
inline float viewDistance(float radius, double fovDegrees)
{
    const double half = fovDegrees * 3.14159265358979323846 / 360.0;
    const float fit = static_cast<float>(static_cast<double>(radius) / std::sin(half));
    return std::max(fit, radius + NEAR_MARGIN);
}

// Where the camera stands and the point it looks at.
struct View
{
    Vector3<float> eye;
    Vector3<float> centre;
};

// The box around every boxes[i] moved by transforms[i].
inline Box sceneBox(const std::vector<Box>& boxes, const std::vector<Matrix4x4<float>>& transforms)
{
    Box all;
    for (std::size_t i = 0; i < boxes.size() && i < transforms.size(); ++i)
        all.add(transformed(boxes[i], transforms[i]));
    return all;
}

// The home view (the x key): from HOME_DIRECTION, far enough to see the whole box.
inline View homeView(const Box& all, double fovDegrees)
{
    const Vector3<float> centre = all.centre();
    return {centre + HOME_DIRECTION * viewDistance(all.radius(), fovDegrees), centre};
}

// The f key: the camera keeps its direction of view and moves back from the centre of the
// box until the box fits; nothing to frame in an empty scene.
inline std::optional<View> frameAlong(const Box& all, const Vector3<float>& lookDirection,
                                      double fovDegrees)
{
    if (all.empty)
        return std::nullopt;
    const Vector3<float> centre = all.centre();
    return View{centre - lookDirection * viewDistance(all.radius(), fovDegrees), centre};
}
} // namespace Framing
