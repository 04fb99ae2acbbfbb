#pragma once

#include "MeshAnalysis.h"

#include <optional>
#include <string>

// The one line that sums up the analysis of a command-line file, after the half-edge mesh's
// own area and genus lines: the same counts meshinfo reports, the area to the last digit,
// and, when the genus printed above is not the analysis', why the two differ.
namespace Summary
{
// Empty when the half-edge genus agrees with the analysis (one component of that genus).
std::string genusDifference(const MeshAnalysis::Report& r, long long halfEdgeGenus);
// Without a half-edge genus (curvature files print none) no difference is told.
std::string line(const MeshAnalysis::Report& r, std::optional<long long> halfEdgeGenus);
} // namespace Summary
