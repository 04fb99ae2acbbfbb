#pragma once

#include "io/MeshWriter.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Empty when data written in format and read back gives the same data: the same position
// bits (STL: the same triangle soup, -0 and 0 alike, as its reader welds them) and the same
// triangles in order; else what differs.
std::string roundTripDifference(const MeshData& data, WriteFormat format);

// Reads the bytes as a mesh through every reader, and also takes them as raw positions and
// triangles (any float bits but NaN and infinity); traps unless each mesh makes the round
// trip through every format (OBJ only with positions: without, it is no mesh to its reader).
void runWriterRoundTrip(const std::uint8_t* data, std::size_t size);
