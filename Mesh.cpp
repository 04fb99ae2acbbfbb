#include "Mesh.h"

#include <cmath>
#include <iostream>

void Mesh::reserve(std::size_t, std::size_t) {}

std::array<unsigned int, 3> Mesh::weldCorners(const Vector3<float>& v1, const Vector3<float>& v2,
                                              const Vector3<float>& v3)
{
    changed();
    std::array<unsigned int, 3> corners = {0, 0, 0};
    addVertex(v1, corners[0]);
    addVertex(v2, corners[1]);
    addVertex(v3, corners[2]);
    return corners;
}

std::size_t Mesh::usedPositions(std::size_t positions,
                                const std::vector<Vector3<unsigned int>>& triangles)
{
    std::vector<bool> used(positions, false);
    std::size_t count = 0;
    for (const Vector3<unsigned int>& t : triangles)
        for (unsigned int k = 0; k < 3; ++k)
            if (!used[t[k]])
            {
                used[t[k]] = true;
                ++count;
            }
    return count;
}

void Mesh::addTriangles(const std::vector<Vector3<float>>& positions,
                        const std::vector<Vector3<unsigned int>>& triangles, std::size_t first,
                        std::size_t last)
{
    // A file brings positions mostly in the order triangles use them, but their welding
    // table slots are far apart: asking a few triangles ahead overlaps those cache misses.
    for (std::size_t t = first; t < last; ++t)
    {
        prefetchWelds(positions, triangles, t, last, [](unsigned int) { return true; });
        const Vector3<unsigned int>& c = triangles[t];
        addTriangle(positions[c[0]], positions[c[1]], positions[c[2]]);
    }
}

float Mesh::area() const
{
    std::cerr << "Error: area() not implemented for this Mesh" << std::endl;
    return -1.0f;
}

float Mesh::volume() const
{
    std::cerr << "Error: volume() not implemented for this Mesh" << std::endl;
    return -1.0f;
}

int Mesh::genus() const
{
    std::cerr << "Error: genus() not implemented for this Mesh" << std::endl;
    return -1;
}

void Mesh::calculateFaceNormals()
{
    std::cerr << "Error: calculateFaceNormals() not implemented for this Mesh" << std::endl;
}

void Mesh::calculateVertexNormals()
{
    std::cerr << "Error: calculateVertexNormals() not implemented for this Mesh" << std::endl;
}

float Mesh::triArea(const Vector3<float>& v1, const Vector3<float>& v2, const Vector3<float>& v3)
{
    const Vector3<float> e1 = v2 - v1;
    const Vector3<float> e2 = v3 - v1;
    return 0.5f * cross(e1, e2).length();
}

// In single precision, as always, while the squares in the length neither overflow nor
// underflow (a cross product length between 2^-60 and 2^62); outside that range, or for
// edges that overflow themselves, once more in double, where no float input can under-
// or overflow. Zero only for a zero cross product.
Vector3<float> Mesh::faceNormal(const Vector3<float>& p0, const Vector3<float>& p1,
                                const Vector3<float>& p2)
{
    Vector3<float> n = cross(p1 - p0, p2 - p0);
    const float length = n.length();
    if (length >= 0x1p-60f && length <= 0x1p62f)
        return n.normalize();

    double e1[3];
    double e2[3];
    for (unsigned int c = 0; c < 3; c++)
    {
        e1[c] = double(p1[c]) - double(p0[c]);
        e2[c] = double(p2[c]) - double(p0[c]);
    }
    const double c0 = e1[1] * e2[2] - e1[2] * e2[1];
    const double c1 = e1[2] * e2[0] - e1[0] * e2[2];
    const double c2 = e1[0] * e2[1] - e1[1] * e2[0];
    const double len = std::sqrt((c0 * c0 + c1 * c1) + c2 * c2);
    if (!(len > 0.0) || !std::isfinite(len))
        return Vector3<float>(0.0f, 0.0f, 0.0f);
    return Vector3<float>(float(c0 / len), float(c1 / len), float(c2 / len));
}
