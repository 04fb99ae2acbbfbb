#include "viewer/Pick.h"

#include <cmath>
#include <cstdio>

namespace
{
double dot(const Vector3<double>& a, const Vector3<double>& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vector3<double> wide(const Vector3<float>& v)
{
    return Vector3<double>(v[0], v[1], v[2]);
}

std::string number(double x)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", x);
    return buffer;
}
} // namespace

// By the region of the triangle's plane p projects into: a corner, a side or the inside.
Vector3<double> Pick::closestOnTriangle(const Vector3<double>& p, const Vector3<double>& a,
                                        const Vector3<double>& b, const Vector3<double>& c)
{
    const Vector3<double> ab = b - a, ac = c - a, ap = p - a;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0.0 && d2 <= 0.0)
        return a;
    const Vector3<double> bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0.0 && d4 <= d3)
        return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0 && d1 >= 0.0 && d3 <= 0.0)
        return a + ab * (d1 / (d1 - d3));
    const Vector3<double> cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0.0 && d5 <= d6)
        return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0 && d2 >= 0.0 && d6 <= 0.0)
        return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0.0 && d4 - d3 >= 0.0 && d5 - d6 >= 0.0)
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double sum = va + vb + vc;
    if (!(sum > 0.0)) // a degenerate triangle: its first corner
        return a;
    return a + ab * (vb / sum) + ac * (vc / sum);
}

Pick::Hit Pick::nearest(const std::vector<Vector3<float>>& positions,
                        const std::vector<Vector3<unsigned int>>& triangles,
                        const Vector3<float>& p)
{
    Hit hit;
    const Vector3<double> q = wide(p);
    for (std::size_t t = 0; t < triangles.size(); ++t)
    {
        const Vector3<unsigned int>& tri = triangles[t];
        if (tri[0] >= positions.size() || tri[1] >= positions.size() || tri[2] >= positions.size())
            continue;
        const Vector3<double> c = closestOnTriangle(
            q, wide(positions[tri[0]]), wide(positions[tri[1]]), wide(positions[tri[2]]));
        const double d = dot(c - q, c - q);
        if (!hit.found || d < hit.distanceSquared)
        {
            hit.found = true;
            hit.triangle = t;
            hit.distanceSquared = d;
        }
    }
    if (!hit.found)
        return hit;
    const Vector3<unsigned int>& tri = triangles[hit.triangle];
    double best = 0.0;
    for (int k = 0; k < 3; ++k)
    {
        const Vector3<double> d = wide(positions[tri[k]]) - q;
        if (k == 0 || dot(d, d) < best)
        {
            best = dot(d, d);
            hit.vertex = tri[k];
        }
    }
    return hit;
}

std::string Pick::describe(const std::string& name, const Hit& hit, const Vector3<float>& position,
                           const Vector3<float>* previous)
{
    std::string s = "Pick: " + name + ": vertex " + std::to_string(hit.vertex) + " (" +
                    number(position[0]) + ", " + number(position[1]) + ", " + number(position[2]) +
                    "), triangle " + std::to_string(hit.triangle);
    if (previous != nullptr)
    {
        const Vector3<double> d = wide(position) - wide(*previous);
        s += "; " + number(std::sqrt(dot(d, d))) + " from the vertex picked before";
    }
    return s;
}
