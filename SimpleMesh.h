#pragma once

#include "Mesh.h"

#include "SupportCode/Vector3.h"
#include "SupportCode/VertexFaces.h"
#include "SupportCode/WeldMap.h"

#include <cstddef>
#include <vector>

// The indexed face set: a list of distinct vertex positions and a list of triangles that
// name them by index. Equal positions are welded exactly through mUniqueVerts.
//
// Invariants:
//  1. mUniqueVerts maps every element of mVerts to its index, and no two elements of mVerts
//     compare equivalent under the position order.
//  2. Every index in mFaces is smaller than mVerts.size().
//  3. Vertices and faces are only appended; an index never changes once handed out.
class SimpleMesh : public Mesh
{
public:
    struct Face
    {
        unsigned int v1; // first corner; v1, v2, v3 is the winding
        unsigned int v2;
        unsigned int v3;
    };

    SimpleMesh() = default;
    ~SimpleMesh() override = default;

    void draw() override;
    bool addTriangle(const Vector3<float>& v1, const Vector3<float>& v2,
                     const Vector3<float>& v3) override;
    void reserve(std::size_t positions, std::size_t triangles) override;

    // Signed discrete mean curvature at a vertex of a closed ring; n only decides the sign.
    // Outside the formula's domain: one line on standard error and a quiet NaN.
    float curvature(unsigned int vertexIndex, const Vector3<float>& n) override;
    void calculateFaceNormals() override;
    void calculateVertexNormals() override;

    // Curvature of every vertex with the vertex normals in mNormals, into curvatureArray.
    void calcCurv();

    const std::vector<Vector3<float>>& getVerts() const { return mVerts; }
    const std::vector<Vector3<float>>& getNormals() const { return mNormals; }
    const std::vector<Face>& getTris() const { return mFaces; }

protected:
    void prefetchPosition(const Vector3<float>& v) const override { mUniqueVerts.prefetch(v); }
    void prefetchStoredPosition(const Vector3<float>& v) const override
    {
        mUniqueVerts.prefetchMatch(
            v, [this](unsigned int i) -> const Vector3<float>& { return mVerts[i]; });
    }
    bool addVertex(const Vector3<float>& v, unsigned int& indx) override;
    // Every face naming the vertex, once each, in ascending face order.
    bool findNeighbourTriangles(unsigned int vertexIndex,
                                std::vector<unsigned int>& foundTriangles) const override;

    std::vector<Vector3<float>> mVerts;   // distinct positions, by vertex index
    std::vector<Face> mFaces;             // triangles, in the order added
    std::vector<Vector3<float>> mNormals; // one per face or one per vertex
    WeldMap mUniqueVerts;                 // welding map: position to index
    float mMinCurv = 3.4028235e38f;       // smallest value of the last calcCurv
    float mMaxCurv = 1.1754944e-38f;      // largest value of the last calcCurv
    std::vector<float> curvatureArray;    // one curvature per vertex

private:
    // A face around the vertex of a curvature() call, seen from one of its other corners.
    struct RingEdge
    {
        Vector3<float> pos;   // the ring neighbour
        unsigned int order;   // the face's place in the vertex's face list
        Vector3<float> other; // the face's remaining corner
    };

    // The unit normal of a face, or (0, 0, 0) when it has no direction.
    Vector3<float> faceNormal(const Face& f) const;
    void buildVertexFaces() const;

    // Faces by vertex, built on the first query for the vertex and face counts it holds:
    // only appends change the mesh, so any vertex or face added since (also straight into
    // mVerts or mFaces by a subclass) makes the next query rebuild it. A cache, hence
    // mutable (single-threaded use).
    mutable VertexFaces mVertexFaces;
    mutable std::size_t mVertexFacesFaceCount = 0;

    // Scratch of curvature(), kept to avoid allocating for every vertex.
    std::vector<unsigned int> mRingFaces;
    std::vector<Vector3<float>> mRingPositions;
    std::vector<RingEdge> mRingEdges;
};
