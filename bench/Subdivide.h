#pragma once

// Midpoint split of a triangle mesh for the size series: each triangle becomes four, and each
// edge's midpoint is made once, so the result is as watertight as the input.

#include "../io/MeshFile.h"

#include <cstdint>
#include <unordered_map>

// Triangle (a b c) gives (a ab ca) (ab b bc) (ca bc c) (ab bc ca). New positions follow the
// old in order of their edge's first use; a midpoint is the float nearest the exact one, the
// same from either end. False when the result would not fit 32-bit indices.
inline bool splitOnce(MeshData& mesh)
{
    const std::uint64_t v = mesh.verts.size(), f = mesh.tris.size();
    if (v + 3 * f >= 0xffffffffu)
        return false;
    std::unordered_map<std::uint64_t, unsigned int> made;
    made.reserve(3 * f / 2);
    auto midpoint = [&](unsigned int a, unsigned int b)
    {
        const std::uint64_t key = (std::uint64_t(std::min(a, b)) << 32) | std::max(a, b);
        const auto [it, added] = made.emplace(key, static_cast<unsigned int>(mesh.verts.size()));
        if (added)
        {
            Vector3<float> m;
            for (int k = 0; k < 3; ++k) // the sum of two floats is exact in double
                m[k] = static_cast<float>(0.5 * (double(mesh.verts[a][k]) + mesh.verts[b][k]));
            mesh.verts.push_back(m);
        }
        return it->second;
    };
    std::vector<Vector3<unsigned int>> out;
    out.reserve(4 * f);
    for (const Vector3<unsigned int>& t : mesh.tris)
    {
        const unsigned int a = t[0], b = t[1], c = t[2];
        const unsigned int ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
        out.insert(out.end(), {{a, ab, ca}, {ab, b, bc}, {ca, bc, c}, {ab, bc, ca}});
    }
    mesh.tris.swap(out);
    return true;
}
