#pragma once

#include "../SupportCode/Vector3.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Splitting faces of more than three corners into triangles that cover them exactly.
//
// The readers cut a face as they parse it, before all positions are known: a quad a b c d
// into a b d and b c d, a larger face into the fan a b c, a c d, ... They mark which
// triangles came from one face (markFace), and once the positions are known splitFaces
// rewrites each such run in place: a simple planar face of n corners always gives n - 2
// triangles, so the count and the order of all other triangles stay.
namespace meshio
{
enum class PolygonShape
{
    CONVEX,    // planar and simple, every corner turning the same way (or going straight)
    CONCAVE,   // planar and simple, with a corner turning back
    IRREGULAR, // not planar, crossing or touching itself, a repeated corner, no area, or
               // not convex and of more than MAX_EXAMINED_CORNERS corners
};

// Faces larger than this are split truly only when convex: the examination of the others
// takes time quadratic in their corners (at this bound, a file of such faces at worst
// takes a few times as long to read as one of triangles).
constexpr std::size_t MAX_EXAMINED_CORNERS = 128;

using CornerTriple = std::array<unsigned int, 3>;

PolygonShape classifyPolygon(const Vector3<float>* corners, std::size_t count);

// Appends count - 2 triples of corner numbers (0 to count - 1, each in the face's winding)
// and returns the face's shape. A convex or irregular face keeps the readers' cut; so does
// a concave one where that cut lies inside it. Otherwise a quad is cut along a c (a b c,
// a c d) and a larger face by clipping ears in its plane.
PolygonShape splitPolygon(const Vector3<float>* corners, std::size_t count,
                          std::vector<CornerTriple>& out);

// Records that triangles [first, end), just appended, are one face. faceRuns holds a bit per
// triangle, set where a triangle continues the face of the one before; it stays empty
// while only triangles come.
void markFace(std::vector<bool>& faceRuns, std::size_t first, std::size_t end);

// Rewrites the triangles of every face marked in faceRuns by splitPolygon's split, then
// empties faceRuns. Returns how many of those faces were irregular.
std::uint64_t splitFaces(const std::vector<Vector3<float>>& verts,
                         std::vector<Vector3<unsigned int>>& tris, std::vector<bool>& faceRuns);
} // namespace meshio
