#pragma once

#include "SupportCode/Vector3.h"

#include <cstddef>
#include <string>
#include <vector>

// What a click points at: the triangle nearest to the surface point the depth buffer gave,
// and that triangle's corner nearest to it. In the file's own coordinates and numbering.
namespace Pick
{
struct Hit
{
    bool found = false;
    std::size_t triangle = 0;   // index among the file's triangles, from 0
    unsigned int vertex = 0;    // index among the file's positions, from 0
    double distanceSquared = 0; // from the point to the triangle
};

// The point of triangle abc nearest to p.
Vector3<double> closestOnTriangle(const Vector3<double>& p, const Vector3<double>& a,
                                  const Vector3<double>& b, const Vector3<double>& c);
// The first of the nearest triangles, and the first of its nearest corners. Triangles that
// index beyond the positions are skipped.
Hit nearest(const std::vector<Vector3<float>>& positions,
            const std::vector<Vector3<unsigned int>>& triangles, const Vector3<float>& p);

// "Pick: NAME: vertex V (x, y, z), triangle T", and with a previous pick the distance
// between the two vertices, in file units.
std::string describe(const std::string& name, const Hit& hit, const Vector3<float>& position,
                     const Vector3<float>* previous);
} // namespace Pick
