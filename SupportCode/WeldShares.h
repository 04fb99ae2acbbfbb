#pragma once

#include "Vector3.h"

#include <cstdint>
#include <vector>

// For each point, the index of the first point that welds with it as the welding maps weld
// (WeldMap): its own index when none before it does. Found on several threads, each welding
// in order the points whose key falls to its share, so the result is the same for any
// number of threads.
std::vector<std::uint32_t> firstEqualPoints(const std::vector<Vector3<float>>& points,
                                            unsigned int threads);
