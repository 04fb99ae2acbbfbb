#pragma once

#include "Vector3.h"

#include <vector>

// True when no two points weld as the welding maps weld (WeldMap), found on several
// threads: each welds, in order, the points whose key falls to its share.
bool allDistinct(const std::vector<Vector3<float>>& points, unsigned int threads);
