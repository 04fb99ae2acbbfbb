#include "SupportCode/ColorMap.h"

#include "SupportCode/Util.h"

#include <cmath>

ColorMap::ColorMap()
    : colors{Vector3<float>(1.0f, 0.0f, 0.0f), Vector3<float>(0.0f, 0.0f, 0.0f),
             Vector3<float>(0.0f, 0.0f, 1.0f)}
{
}

// A value whose place in the range is undefined (a NaN, or val == low == high where the
// ramp is 0/0) gets the middle of the range: black here, 0.5 per channel in the vector
// mapping. It never forms a table index.
Vector3<float> ColorMap::map(float val, float low, float high) const
{
    const float h = clamp(switch1(val, low, high), 0.0f, 1.0f);
    if (std::isnan(h))
        return colors[colors.size() / 2];

    const unsigned int n = static_cast<unsigned int>(colors.size());
    const float pos = h * static_cast<float>(n - 1);
    const float whole = std::floor(pos);
    const unsigned int index = static_cast<unsigned int>(whole);
    const float t = pos - whole;
    if (index >= n - 1)
        return colors[n - 1];
    return colors[index] * (1.0f - t) + colors[index + 1] * t;
}

Vector3<float> ColorMap::map(Vector3<float> vec, float low, float high) const
{
    Vector3<float> out;
    for (unsigned int i = 0; i < 3; i++)
    {
        const float c = switch1(vec[i], low, high);
        out[i] = std::isnan(c) ? 0.5f : c;
    }
    return out;
}
