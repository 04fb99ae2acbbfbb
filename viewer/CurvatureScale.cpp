#include "viewer/CurvatureScale.h"

#include <algorithm>
#include <cmath>

float CurvatureScale::magnitudePercentile(const std::vector<float>& values, double fraction)
{
    std::vector<float> m;
    m.reserve(values.size());
    for (const float v : values)
        if (!std::isnan(v))
            m.push_back(std::fabs(v));
    if (m.empty())
        return 0.0f;
    // Nearest rank: the smallest value with at least this fraction of all at or below it.
    const double rank = std::ceil(fraction * static_cast<double>(m.size()));
    const std::size_t k = static_cast<std::size_t>(std::clamp(rank, 1.0, double(m.size()))) - 1;
    std::nth_element(m.begin(), m.begin() + static_cast<std::ptrdiff_t>(k), m.end());
    return m[k];
}

CurvatureScale::Range CurvatureScale::fromData(const std::vector<float>& values)
{
    const float p = magnitudePercentile(values, 0.98);
    Range r;
    if (p > 0.0f && std::isfinite(p))
    {
        r.low = -p;
        r.high = p;
    }
    return r;
}

float CurvatureScale::toRamp(float v, const Range& r)
{
    if (std::isnan(v) || !(r.high > r.low))
        return v;
    // In double: a range near the float limits would overflow its width.
    const double t = (double(v) - double(r.low)) / (double(r.high) - double(r.low));
    return static_cast<float>(std::clamp(-3.0 + 6.0 * t, -4.0, 4.0));
}

CurvatureScale::Layout CurvatureScale::layout(int width, int height, int lowWidth, int highWidth,
                                              int titleWidth, int textHeight)
{
    Layout l;
    const int margin = 2;
    l.barWidth = std::min(240, width - 40);
    l.barX = width - l.barWidth - 20;
    l.barY = std::min(30, height - l.barHeight);
    l.bar = l.barWidth >= 20 && l.barY >= 0;
    if (!l.bar)
        return l;
    const auto inside = [width, margin](int x, int w)
    { return x >= margin && x + w + margin <= width; };
    l.labelY = l.barY - textHeight - 4;
    l.lowX = std::max(margin, l.barX);
    l.low = l.labelY >= 0 && inside(l.lowX, lowWidth);
    l.highX = std::min(l.barX + l.barWidth - highWidth, width - highWidth - margin);
    l.high =
        l.labelY >= 0 && inside(l.highX, highWidth) && (!l.low || l.lowX + lowWidth + 4 <= l.highX);
    l.titleY = l.barY + l.barHeight + 6;
    l.titleX = std::min(l.barX, width - titleWidth - margin);
    l.title = l.titleY + textHeight <= height && inside(l.titleX, titleWidth);
    return l;
}
