#pragma once

// Midpoint split of a triangle mesh for the size series: each triangle becomes four, each
// edge's midpoint is made once so the result stays as watertight as the input.

#include <cstdint>
#include <string>
#include <vector>

namespace subdiv
{

struct IndexedMesh
{
    std::vector<float> xyz;          // three per position
    std::vector<std::uint32_t> tris; // three 0-based corners per triangle, in file order
};

// Reads an OBJ ("v" and triangle "f" lines; other keywords skipped) or a binary STL (its
// corners welded by exact position, numbered by first appearance). Chosen by the
// extension. On failure returns false and sets error to one line naming the file.
bool readMesh(const std::string& path, IndexedMesh& mesh, std::string& error);

// Writes OBJ or binary STL by the extension, through a temporary file renamed into place;
// refuses to replace a file that exists.
bool writeMesh(const std::string& path, const IndexedMesh& mesh, std::string& error);

// Splits once: triangle (a b c) gives (a ab ca) (ab b bc) (ca bc c) (ab bc ca). New
// positions follow the old, in order of their edge's first use; the midpoint is the
// float nearest the exact one, the same from either end. False when the result would not
// fit 32-bit indices.
bool splitOnce(IndexedMesh& mesh, std::string& error);

} // namespace subdiv
