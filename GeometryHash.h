#pragma once

#include "SupportCode/Vector3.h"

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
