#pragma once

#include "MeshRepair.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Empty when what repair reported holds on its output: every position one of the input's
// bits, no degenerate, duplicate or unused vertex, the face count the steps account for,
// no boundary when every hole was filled, manifold and oriented when the report says so
// (measured by index, as a file keeping the split vertices is); else the first claim that
// fails. input is the mesh before repair, output after.
std::string repairClaimFailure(const MeshData& input, const MeshData& output,
                               const MeshRepair::Report& report);

// Takes the bytes as a small mesh on a coarse grid (so that corners coincide, lie on lines
// and repeat) and through every reader, repairs each and traps when a claim fails.
void runRepairCheck(const std::uint8_t* data, std::size_t size);
