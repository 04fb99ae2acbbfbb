#pragma once

#include "SupportCode/Vector3.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A hash of the triangles by their corners' positions (32 hex digits, 128 bits) that finds
// the same geometry saved again: it does not change with the file format, the order of the
// positions or of the triangles, the corner a triangle starts at, or positions written
// twice instead of shared (welded), and changes with any position's bits (-0 and 0 are one),
// any triangle added, removed or doubled (duplicate triangles count) and any orientation.
// Every index must lie below positions.size().
std::string geometryHash(const std::vector<Vector3<float>>& positions,
                         const std::vector<Vector3<unsigned int>>& triangles);

// The hash in parts: the sums of the triangles [first, last), which add up (the one by +,
// the other by ^) to the whole in any order, so that parts can be taken on several threads.
struct GeometryHashSums
{
    std::uint64_t sum = 0;
    std::uint64_t xored = 0;
};
GeometryHashSums geometryHashSums(const std::vector<Vector3<float>>& positions,
                                  const std::vector<Vector3<unsigned int>>& triangles,
                                  std::size_t first, std::size_t last);
std::string geometryHashText(const GeometryHashSums& sums);
