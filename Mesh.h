#pragma once

#include "SupportCode/Geometry.h"
#include "SupportCode/Vector3.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

// The abstract triangle mesh. The OBJ reader fills any mesh through addTriangle alone and
// the viewer asks it for normals and measures, so a new representation only implements
// these operations. The optional ones have default bodies that report themselves as
// missing on standard error.
class Mesh : public Geometry
{
public:
    // A fixed underlying type makes every int a valid flag; drawing has a branch for others.
    enum SHADING : int
    {
        SMOOTH_SHADING = 0,
        FLAT_SHADING = 1
    };

    Mesh() = default;
    ~Mesh() override = default;

    void draw() override = 0;

    // Adds one triangle; the corner order is its winding. Equal positions are welded.
    virtual bool addTriangle(const Vector3<float>& v1, const Vector3<float>& v2,
                             const Vector3<float>& v3) = 0;
    // A hint from a reader that knows what is coming: about this many more positions and
    // triangles. Meshes that reserve room for them skip the copies and the doubled peak of
    // growing arrays one element at a time. Ignoring it is always correct.
    virtual void reserve(std::size_t positions, std::size_t triangles);
    // How many of positions[0, positions) the triangles use (each index below positions, as
    // addTriangles needs): the most vertices they can make. A reader's reserve hint for
    // them, rather than for all positions read, keeps a welding table from being sized (and
    // its pages cleared) for positions never used.
    static std::size_t usedPositions(std::size_t positions,
                                     const std::vector<Vector3<unsigned int>>& triangles);
    // Adds triangles[first, last), each naming three of positions, in order, as addTriangle
    // would one by one; the readers' way of feeding a mesh.
    virtual void addTriangles(const std::vector<Vector3<float>>& positions,
                              const std::vector<Vector3<unsigned int>>& triangles,
                              std::size_t first, std::size_t last);

    virtual float area() const;
    virtual float volume() const;
    virtual int genus() const;
    virtual float curvature(unsigned int vertexIndex, const Vector3<float>& n) = 0;
    virtual void calculateFaceNormals();
    virtual void calculateVertexNormals();

    void setShadingFlag(SHADING s)
    {
        mShadingFlag = s;
        changed();
    }
    SHADING getShadingFlag() const { return mShadingFlag; }

    // Half the length of the cross product of the two edges from v1; never negative.
    static float triArea(const Vector3<float>& v1, const Vector3<float>& v2,
                         const Vector3<float>& v3);
    // The unit normal of the triangle (right-handed in corner order), or (0, 0, 0) when it
    // has no direction (zero area). Both meshes' face normals.
    static Vector3<float> faceNormal(const Vector3<float>& p0, const Vector3<float>& p1,
                                     const Vector3<float>& p2);

protected:
    // Hints that v is about to be welded, for a mesh whose welding map is far apart in
    // memory: start loading where the lookup of v begins; later, when that has come in,
    // the stored position it will compare. Ignoring them is always correct.
    virtual void prefetchPosition(const Vector3<float>& /*v*/) const {}
    virtual void prefetchStoredPosition(const Vector3<float>& /*v*/) const {}
    // Gives the hints above for the corners of the triangles ahead of t, in stages so that
    // each load has come in before the next needs it: the position eight triangles ahead,
    // its table slot four ahead, the stored position two ahead. needed(p) tells whether
    // position index p is still to be welded.
    template <class Needed>
    void prefetchWelds(const std::vector<Vector3<float>>& positions,
                       const std::vector<Vector3<unsigned int>>& triangles, std::size_t t,
                       std::size_t last, Needed needed) const
    {
        if (t + 8 < last)
            for (unsigned int k = 0; k < 3; ++k)
                __builtin_prefetch(&positions[triangles[t + 8][k]]);
        for (unsigned int k = 0; k < 3 && t + 4 < last; ++k)
            if (needed(triangles[t + 4][k]))
                prefetchPosition(positions[triangles[t + 4][k]]);
        for (unsigned int k = 0; k < 3 && t + 2 < last; ++k)
            if (needed(triangles[t + 2][k]))
                prefetchStoredPosition(positions[triangles[t + 2][k]]);
    }
    // Welds v through the mesh's position-keyed map: true if a new vertex was made.
    virtual bool addVertex(const Vector3<float>& v, unsigned int& indx) = 0;
    // The start of every addTriangle: marks the mesh changed and welds the three corners
    // through addVertex, in order; their vertex indices.
    std::array<unsigned int, 3> weldCorners(const Vector3<float>& v1, const Vector3<float>& v2,
                                            const Vector3<float>& v3);
    // The vertices a mesh holding `existing` may have after a reader's reserve hint: unused
    // positions never become vertices, and a triangle brings at most three.
    static std::size_t vertexBound(std::size_t existing, std::size_t positions,
                                   std::size_t triangles)
    {
        return existing + std::min(positions, 3 * triangles);
    }
    virtual bool findNeighbourTriangles(unsigned int vertexIndex,
                                        std::vector<unsigned int>& foundTriangles) const = 0;

    SHADING mShadingFlag = SMOOTH_SHADING;
};
