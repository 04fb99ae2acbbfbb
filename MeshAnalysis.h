#pragma once

#include "SupportCode/Vector3.h"

#include <cstdint>
#include <string>
#include <vector>

// Counts and measures of a triangle list as the reader produced it: positions and index
// triples into them, before any mesh absorbed or repaired anything. Positions are welded
// exactly as the meshes weld them (equal coordinates, +0 and -0 alike) and vertices are
// numbered in the order corners first use them, as the meshes number theirs.
//
// Terms. An edge is an unordered pair of different vertices that some triangle has as a
// side; a triangle counts once per edge even if it runs along it both ways. A boundary
// edge has one triangle, a non-manifold edge more than two. An edge with two triangles is
// inconsistently oriented unless one runs along it each way. A vertex is non-manifold when
// the triangles around it fall into more than one fan (groups joined across its edges).
// Components are joined through shared vertices; edgeComponents counts the sets joined
// through shared edges instead (a triangle whose corners are all one vertex is one alone).
// Measures are taken in double precision.
class MeshAnalysis
{
public:
    struct Component
    {
        std::uint64_t faces = 0;
        std::uint64_t vertices = 0;
        std::uint64_t edges = 0;
        std::uint64_t boundaryLoops = 0;
        std::int64_t eulerCharacteristic = 0; // vertices - edges + faces
        // Defects that leave the genus undefined.
        std::uint64_t nonManifoldEdges = 0;
        std::uint64_t nonManifoldVertices = 0;
        std::uint64_t inconsistentEdges = 0;
        std::uint64_t repeatedCornerTriangles = 0;
        bool hasGenus = false;
        std::int64_t genus = 0;        // from chi = 2 - 2g - b, when hasGenus
        std::string genusUndefinedWhy; // when !hasGenus
    };

    struct Report
    {
        std::uint64_t positions = 0;        // positions in the input
        std::uint64_t vertices = 0;         // distinct positions some triangle uses
        std::uint64_t isolatedVertices = 0; // distinct positions no triangle uses
        std::uint64_t faces = 0;
        std::uint64_t edges = 0;
        std::uint64_t boundaryEdges = 0;
        std::uint64_t boundaryLoops = 0;
        std::uint64_t nonManifoldEdges = 0;
        std::uint64_t nonManifoldVertices = 0;
        std::uint64_t inconsistentEdges = 0;
        std::uint64_t degenerateTriangles = 0;     // exactly collinear corners, repeated included
        std::uint64_t repeatedCornerTriangles = 0; // two or three corners on one vertex
        std::uint64_t duplicateTriangles = 0; // same three vertices as an earlier one, any order
        std::uint64_t edgeComponents = 0;     // triangles joined through shared edges

        double area = 0.0;
        bool hasVolume = false;
        double volume = 0.0; // negative when the triangles face inwards
        std::string volumeUndefinedWhy;
        std::int64_t eulerCharacteristic = 0;

        // When triangles with repeated corners stand in the way of the volume or a genus:
        // the volume, and the genus when it is one component, of the surface without them.
        std::uint64_t ignoredDegenerateTriangles = 0; // 0: not measured
        bool hasVolumeIgnoringDegenerate = false;
        double volumeIgnoringDegenerate = 0.0;
        bool hasGenusIgnoringDegenerate = false;
        std::int64_t genusIgnoringDegenerate = 0;

        bool hasBoundingBox = false; // false without triangles
        Vector3<float> boxMin;
        Vector3<float> boxMax;

        std::vector<Component> components; // in the order of their first triangle
    };

    // Where the counted defects lie, in the input's coordinates: two ends per edge, one
    // position per vertex, three corners per triangle. Each list is as long as its count
    // in the report says.
    struct Defects
    {
        std::vector<Vector3<float>> boundaryEdges;
        std::vector<Vector3<float>> nonManifoldEdges;
        std::vector<Vector3<float>> inconsistentEdges;
        std::vector<Vector3<float>> nonManifoldVertices;
        std::vector<Vector3<float>> degenerateTriangles;
    };

    // False, with report left empty, when a triangle indexes beyond positions. With
    // defects, also lists where they are. With keepIndices every position index is a vertex
    // of its own, equal positions are not welded, and isolatedVertices counts the indices no
    // triangle uses. firstEqual, when given (and keepIndices is not), is the weld already
    // found: for each position, the first position equal to it (see firstEqualPoints).
    static bool analyse(const std::vector<Vector3<float>>& positions,
                        const std::vector<Vector3<unsigned int>>& triangles, Report& report,
                        Defects* defects = nullptr, bool keepIndices = false,
                        const std::vector<std::uint32_t>* firstEqual = nullptr);
};

// Whether a, b and c lie exactly on one line (two or three of them equal included): the
// analysis' test of a degenerate triangle, exact for any floats.
bool exactlyCollinear(const Vector3<float>& a, const Vector3<float>& b, const Vector3<float>& c);
