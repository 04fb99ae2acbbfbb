#pragma once

#include "Vector3.h"

#include <vector>

// Welding on several threads. For each point, the index of the first point equal to it, as
// the welding maps weld (WeldMap): each thread welds, in order, the points whose key falls
// to its share, so the answer is the same for any number of threads.
void firstEqual(const std::vector<Vector3<float>>& points, unsigned int threads,
                std::vector<unsigned int>& first);

// True when no two points weld.
bool allDistinct(const std::vector<Vector3<float>>& points, unsigned int threads);
