#pragma once

#include "io/MeshFile.h"

#include <cstdint>
#include <limits>

// Repair of an indexed triangle set (a reader's MeshData) in steps, each a function that
// changes the mesh in place and returns what it changed. No step moves a position: every
// position of the result is, bit for bit, one of the input's, and the only positions added
// are the copies makeManifold makes where it splits a vertex. Triangle indices must lie
// below the number of positions (the readers guarantee it; repair checks it).
//
// repair() runs them in this order: weldExact, weldWithin (when asked), removeDegenerate,
// removeSmallComponents (when asked), makeManifold, orient, fillHoles.
namespace MeshRepair
{
struct WeldResult
{
    std::uint64_t mergedPositions = 0;    // positions that became another one
    std::uint64_t collapsedTriangles = 0; // triangles that got a repeated corner by it
};

// Positions with equal coordinates (+0 and -0 alike, NaN only with the same bits) become
// the first of them; positions keep their order.
WeldResult weldExact(MeshData& mesh);

// Each position closer than distance to an earlier kept one becomes that one (a spatial
// grid: linear time). Triangles that get a repeated corner are counted, not dropped:
// removeDegenerate drops them. Non-finite positions and distance <= 0 merge nothing.
WeldResult weldWithin(MeshData& mesh, double distance);

struct CleanResult
{
    std::uint64_t repeatedCornerTriangles = 0;
    std::uint64_t zeroAreaTriangles = 0; // three different corners, exactly collinear
    std::uint64_t duplicateTriangles = 0;
    std::uint64_t unreferencedVertices = 0;
};

// Drops triangles with a repeated corner or exactly zero area (the analysis' test,
// exactlyCollinear), triangles on the same three vertices as an earlier one in any order
// (a face and its mirror enclose nothing: a two-sided sliver, so the later goes), and
// positions no triangle uses.
CleanResult removeDegenerate(MeshData& mesh);

struct ComponentResult
{
    std::uint64_t removedComponents = 0;
    std::uint64_t removedTriangles = 0;
    std::uint64_t removedVertices = 0;
};

// Drops the components (joined through shared vertices) of at most maxFaces triangles,
// and the positions only they used. maxFaces 0 drops nothing.
ComponentResult removeSmallComponents(MeshData& mesh, std::uint64_t maxFaces);

struct ManifoldResult
{
    std::uint64_t nonManifoldEdges = 0;  // edges with more than two triangles, before
    std::uint64_t unpairedTriangles = 0; // at such edges, left with a boundary edge there
    std::uint64_t splitVertices = 0;     // vertices given copies
    std::uint64_t addedVertices = 0;     // the copies
    std::uint64_t nonManifoldEdgesLeft = 0;
};

// Pairs the triangles around each edge of more than two into sheets: in their angular
// order around the edge, each triangle with the next one running the edge the other way
// across the solid side between them (so sheets neither cross nor join two solids that
// touch along the edge); a triangle without a partner keeps the edge as a boundary. Then
// gives each vertex one copy per fan of triangles joined across its edges, which both
// separates the sheets and splits non-manifold vertices.
ManifoldResult makeManifold(MeshData& mesh);

struct OrientResult
{
    std::uint64_t components = 0;              // joined through edges
    std::uint64_t flippedTriangles = 0;        // reversed in the result, for either reason
    std::uint64_t turnedOutward = 0;           // closed components turned inside out
    std::uint64_t nonOrientableComponents = 0; // a Möbius band, say
    std::uint64_t inconsistentEdgesLeft = 0;   // in those
};

// Orients each component breadth-first across its edges from its first triangle, then
// reverses every closed component whose signed volume is negative. A component that
// cannot be oriented is left as far as the search got, its conflicting edges counted.
OrientResult orient(MeshData& mesh);

struct FillResult
{
    std::uint64_t holes = 0; // boundary loops
    std::uint64_t filledHoles = 0;
    std::uint64_t addedTriangles = 0;
    std::uint64_t mergedCopies = 0;  // copies of a vertex a loop passed, made one again
    std::uint64_t holesTooLarge = 0; // more than maxEdges edges: left
    std::uint64_t holesLeft = 0;     // could not be filled without a defect: left
    std::uint64_t turnedOutward = 0; // components closed by a fill that faced inwards
};

// Fills boundary loops of at most maxEdges edges with triangles over their own vertices.
// A loop that passes one position twice (copies of a pinch vertex) is cut there into
// simpler loops and the copies merged once all are filled. A patch never adds an edge the
// mesh has, a duplicate or a zero-area triangle; a loop that cannot be filled so is left.
// Expects the mesh oriented and manifold, as the steps before leave it.
FillResult fillHoles(MeshData& mesh,
                     std::uint64_t maxEdges = std::numeric_limits<std::uint64_t>::max());

struct Options
{
    std::uint64_t minComponent = 0; // drop components of at most this many triangles
    std::uint64_t maxHole = std::numeric_limits<std::uint64_t>::max();
    double weldDistance = 0.0; // 0: exact welding only
};

struct Report
{
    WeldResult weld;
    WeldResult weldWithin;
    CleanResult clean;
    ComponentResult components;
    ManifoldResult manifold;
    OrientResult orientation;
    FillResult fill;
};

// Every step in order. False, changing nothing, when a triangle indexes beyond positions.
bool repair(MeshData& mesh, const Options& options, Report& report);
} // namespace MeshRepair
