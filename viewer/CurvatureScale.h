#pragma once

#include <vector>

// Where curvature colours come from and where the colour bar's labels go: arithmetic only,
// testable without a window.
namespace CurvatureScale
{
struct Range
{
    float low = -1.0f, high = 1.0f;
};

// The nearest-rank percentile (fraction in (0, 1]) of |v| over the values that are not NaN;
// 0 without any.
float magnitudePercentile(const std::vector<float>& values, double fraction);
// Symmetric about 0 at the 98th percentile of |H|, so that a few extreme values of a scan
// do not wash out the rest; [-1, 1] when that is 0 (a flat mesh or no values).
Range fromData(const std::vector<float>& values);
// v on the drawing's fixed ramp (red at -3, black at 0, blue at 3): low goes to -3, high to 3.
float toRamp(float v, const Range& r);

// The colour bar in a window of width x height pixels: a bar of at most 240 pixels at the
// bottom right, its low and high labels under its ends and the title above it. A label is
// shown only where it lies wholly inside the window (and clear of the other label).
struct Layout
{
    int barX = 0, barY = 0, barWidth = 0, barHeight = 14;
    int lowX = 0, highX = 0, labelY = 0, titleX = 0, titleY = 0;
    bool bar = false, low = false, high = false, title = false;
};
Layout layout(int width, int height, int lowWidth, int highWidth, int titleWidth, int textHeight);
} // namespace CurvatureScale
