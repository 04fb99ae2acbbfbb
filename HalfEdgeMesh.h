#pragma once

#include "Mesh.h"

#include "SupportCode/IndexTable.h"
#include "SupportCode/Vector3.h"
#include "SupportCode/WeldMap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <unordered_map>
#include <utility>
#include <vector>

// A triangle mesh stored as half-edges, welded by exact position.
//
// Invariants after any sequence of addTriangle calls:
//  1. Half-edges 2k and 2k+1 were created together and are each other's pair; pairs never
//     change afterwards.
//  2. The pair of a half-edge starts where the half-edge ends.
//  3. Between two distinct vertices each directed edge exists at most once.
//  4. mUniqueVerts maps the position of vertex i to i, one entry per vertex.
//  5. A half-edge used by a triangle has that face and assigned next/prev; any other has
//     face BORDER and next = prev = UNINITIALIZED until mergeAllBoundaries links it.
//  6. Nothing is ever removed or reordered.
// Input that is not edge-manifold or not consistently oriented is accepted: a later
// triangle takes over an already used half-edge. Every walk is therefore bounded and
// checks each index before following it.
class HalfEdgeMesh : public Mesh
{
public:
    // Both lie above every valid index, so one "i < size()" test rejects them.
    static constexpr unsigned int BORDER = 0xFFFFFFFFu;        // face of an outer half-edge
    static constexpr unsigned int UNINITIALIZED = BORDER - 1u; // an unassigned link

    struct HalfEdge
    {
        unsigned int vert = UNINITIALIZED; // origin vertex
        unsigned int face = UNINITIALIZED; // owning face, or BORDER
        unsigned int next = UNINITIALIZED; // next around the face or boundary loop
        unsigned int prev = UNINITIALIZED; // previous around the face or boundary loop
        unsigned int pair = UNINITIALIZED; // opposite half-edge; starts where this one ends
    };

    struct Vertex
    {
        Vector3<float> vec;                // position
        Vector3<float> v_normal;           // (0, 0, 0) until computed
        unsigned int edge = UNINITIALIZED; // a half-edge starting here, the newest created
    };

    struct Face
    {
        unsigned int edge = UNINITIALIZED; // the half-edge from the first corner
        Vector3<float> normal;             // unit normal; (0, 0, 0) until computed
    };

    // What validate() finds: the records holding UNINITIALIZED, by kind and in index order,
    // the numbers of records checked, and the vertices with no triangle around them.
    struct Validation
    {
        std::vector<unsigned int> unsetHalfEdges; // any of the five fields
        std::vector<unsigned int> unsetFaces;     // edge
        std::vector<unsigned int> unsetVertices;  // edge
        std::size_t halfEdges = 0;
        std::size_t faces = 0;
        std::size_t vertices = 0;
        std::size_t isolatedVertices = 0;

        std::size_t unsetRecords() const
        {
            return unsetHalfEdges.size() + unsetFaces.size() + unsetVertices.size();
        }
        // The report validate() prints.
        void print(std::ostream& out) const;
    };

    HalfEdgeMesh();
    ~HalfEdgeMesh() override;

    void draw() override;

    bool addTriangle(const Vector3<float>& v1, const Vector3<float>& v2,
                     const Vector3<float>& v3) override;
    void addTriangles(const std::vector<Vector3<float>>& positions,
                      const std::vector<Vector3<unsigned int>>& triangles, std::size_t first,
                      std::size_t last) override;
    void reserve(std::size_t positions, std::size_t triangles) override;
    // Builds an empty mesh from the triangles by their own indices, without welding: each
    // position a triangle uses becomes one vertex (numbered by first use, as welding numbers
    // them), so equal positions under different indices stay apart. The welding map stays
    // empty. Every index must lie below the count of positions.
    // With firstEqual (for each position, the first position equal to it: firstEqualPoints),
    // equal positions make one vertex, at the position of the first corner that uses it:
    // the mesh addTriangles builds, without its welding map.
    void addIndexedTriangles(const std::vector<Vector3<float>>& positions,
                             const std::vector<Vector3<unsigned int>>& triangles,
                             const std::vector<std::uint32_t>* firstEqual = nullptr);

    float area() const override;
    float volume() const override;
    int genus() const override;
    float curvature(unsigned int vertexIndex, const Vector3<float>& n) override;
    void calculateFaceNormals() override;
    void calculateVertexNormals() override;

    // Lets go of what only adding triangles reads, the welding map and the edge lookup (some
    // 30 bytes a triangle), once the mesh is complete. Everything else works as before, but
    // triangles are refused from then on: addTriangle returns false, and addTriangles and
    // addIndexedTriangles add nothing.
    void closeForAdding();
    bool closedForAdding() const { return mClosed; }

    // Gives every border half-edge its next and prev around its boundary loop.
    void mergeAllBoundaries();
    // Reports unassigned records and isolated vertices on standard error.
    void validate() const;
    Validation validation() const;

    std::size_t numHalfEdges() const { return mEdges.size(); }
    std::size_t numVertices() const { return mVerts.size(); }
    std::size_t numFaces() const { return mFaces.size(); }

protected:
    void prefetchPosition(const Vector3<float>& v) const override { mUniqueVerts.prefetch(v); }
    void prefetchStoredPosition(const Vector3<float>& v) const override
    {
        mUniqueVerts.prefetchMatch(
            v, [this](unsigned int i) -> const Vector3<float>& { return mVerts[i].vec; });
    }
    bool addVertex(const Vector3<float>& v, unsigned int& indx) override;
    bool findNeighbourTriangles(unsigned int vertexIndex,
                                std::vector<unsigned int>& foundTriangles) const override;

    // addTriangle after welding: the triangle on vertices ind1, ind2, ind3.
    void linkTriangle(unsigned int ind1, unsigned int ind2, unsigned int ind3);
    // Finds or creates the half-edge v1 -> v2 (indx1) and its pair (indx2); true if created.
    bool addHalfEdgePair(unsigned int v1, unsigned int v2, unsigned int& indx1,
                         unsigned int& indx2);
    void mergeBoundaryEdge(unsigned int indx);
    // Slots examined so far by the edge table past the pair lists: its cost, for tests.
    std::uint64_t overflowEdgeProbes() const { return mOverflowEdges.probes(); }

    std::vector<HalfEdge> mEdges;
    std::vector<Vertex> mVerts;
    std::vector<Face> mFaces;
    std::vector<float> mCurvature; // unused by this mesh; stays empty
    WeldMap mUniqueVerts;
    bool mClosed = false; // closeForAdding was called

private:
    bool isEdgeIndex(unsigned int i) const { return i < mEdges.size(); }
    bool isVertexIndex(unsigned int i) const { return i < mVerts.size(); }
    bool isFaceIndex(unsigned int i) const { return i < mFaces.size(); }

    // The three corner vertices of face f, or false if they cannot be followed.
    bool faceCorners(unsigned int f, unsigned int& c0, unsigned int& c1, unsigned int& c2) const;
    // Calls visit(face, p0, p1, p2) for every face whose corners can be followed.
    template <class Visit> void forEachTriangle(Visit visit) const;

    // The one writer of next and prev: from's next is to and to's prev is from. An end that
    // is not a half-edge (UNINITIALIZED) is skipped, leaving the other end's link pointing
    // at nothing, as a rotation that found no border half-edge must.
    void setNextHalfEdge(unsigned int from, unsigned int to)
    {
        if (isEdgeIndex(from))
            mEdges[from].next = to;
        if (isEdgeIndex(to))
            mEdges[to].prev = from;
    }
    // The links of half-edge h, or UNINITIALIZED if h is not a half-edge.
    unsigned int pairOf(unsigned int h) const
    {
        return isEdgeIndex(h) ? mEdges[h].pair : UNINITIALIZED;
    }
    unsigned int prevOf(unsigned int h) const
    {
        return isEdgeIndex(h) ? mEdges[h].prev : UNINITIALIZED;
    }
    unsigned int nextOf(unsigned int h) const
    {
        return isEdgeIndex(h) ? mEdges[h].next : UNINITIALIZED;
    }

    // How a walk ended: at a half-edge that arrived() accepted, at a link that cannot be
    // followed, or at the first half-edge it met twice.
    enum class WalkEnd
    {
        ARRIVED,
        BROKEN,
        REPEATED
    };
    // The one bounded walk of the rotations: from first, follows step until arrived(h) holds
    // or the walk breaks or repeats. path receives the half-edges passed before the end, each
    // once, in walk order.
    template <class Step, class Arrived>
    WalkEnd walk(unsigned int first, Step step, Arrived arrived,
                 std::vector<unsigned int>& path) const;

    // Loops over all vertices walk each one's ring, which random connectivity puts anywhere
    // in the half-edges: the first steps of the rings of the vertices a few after v are
    // loaded in stages, each a few vertices before it is needed.
    // Always inlined, like every function here whose only effect is a prefetch: GCC counts
    // such a function pure and drops the calls.
    [[gnu::always_inline]] void prefetchRings(std::size_t v) const;
    // The distinct half-edges met by the rotation around vertex v (pair of prev), from the
    // vertex's edge, into out. True if the rotation closed; false if it met an unassigned
    // link or began to repeat without returning to its start.
    bool outgoingRing(unsigned int v, std::vector<unsigned int>& out) const;

    // Follows step from first to a border half-edge and returns it; UNINITIALIZED if a link
    // cannot be followed or the rotation cycles through interior half-edges.
    // Where rotations ended, shared by the border half-edges of one merge (ends, by
    // half-edge; BORDER while unknown). A rotation passes only through interior half-edges,
    // whose links merging never changes, so a later rotation through the same half-edge ends
    // where the first one did; sharing keeps a merge linear even where many triangles meet
    // at one edge. Only rotations of MEMO_FROM steps or more are kept: a shorter one costs
    // no more to walk again, and a mesh whose rotations are all short (a soup, random
    // triangles) then never fills the two arrays, eight bytes a half-edge.
    static constexpr std::size_t MEMO_FROM = 8;
    struct RotationMemo
    {
        bool shared = false;               // false: every rotation walks on its own
        std::vector<unsigned int> viaPrev; // by half-edge; empty until a rotation is kept
        std::vector<unsigned int> viaNext;
        std::vector<unsigned int> path; // scratch
    };
    template <class Step>
    unsigned int rotateToBorder(unsigned int first, Step step, std::vector<unsigned int>* ends,
                                std::vector<unsigned int>& path) const;
    // Links border half-edge indx both ways, sharing rotation ends through memo if shared.
    void linkBorderHalfEdge(unsigned int indx, RotationMemo& memo);

    // Edge lookup. The two halves of a pair are created together as 2k and 2k + 1, and
    // between two vertices there is at most one pair, so a pair is found by its two
    // vertices. Each pair is listed under the smaller of them, newest first:
    // mPairListHead[v] is the newest pair number, mPairList[k] the next older one and the
    // pair's larger vertex. A step of a walk is a cache miss wherever a vertex's pairs were
    // made far apart in time (random connectivity); a scanned surface makes them close
    // together and lists about three under a vertex. Once a vertex has PAIR_LIST_LIMIT, its
    // pairs, listed and later ones, go into mOverflowEdges instead, so that no lookup walks
    // further than that.
    static constexpr std::uint8_t PAIR_LIST_LIMIT = 8;
    struct PairNode
    {
        unsigned int next = UNINITIALIZED; // the next older pair under the same vertex
        unsigned int hi = UNINITIALIZED;   // the pair's larger vertex
    };
    // By vertex: its newest listed pair, and one bit for each hash of the larger vertices of
    // all its pairs, listed or in the table. A lookup whose bit is clear has nothing to
    // find: with random connectivity nearly every lookup is for a pair not yet made, and
    // would otherwise walk a whole list, a cache miss a step, or probe the table.
    struct PairsUnder
    {
        unsigned int newest = UNINITIALIZED; // UNINITIALIZED: no pair listed
        std::uint32_t hiBits = 0;
    };
    static std::uint32_t hiBit(unsigned int hi) { return 1u << ((hi * 0x9E3779B1u) >> 27); }
    std::vector<PairsUnder> mPairListHead;     // by vertex
    std::vector<std::uint8_t> mPairListLength; // by vertex
    std::vector<PairNode> mPairList;           // by pair number k = half-edge / 2
    IndexTable mOverflowEdges;                 // half-edge 2k, keyed by its two vertices
    // The smaller and larger vertex of the pair n, n + 1.
    std::pair<unsigned int, unsigned int> pairEnds(unsigned int n) const
    {
        return std::minmax(mEdges[n].vert, mEdges[n + 1].vert);
    }
    std::uint64_t edgeHash(unsigned int lo, unsigned int hi) const
    {
        return mOverflowEdges.hash(static_cast<std::uint64_t>(lo) << 32 | hi);
    }

    // The half-edge from v1 to v2 that a newest-first scan of all half-edges would meet
    // first, or UNINITIALIZED.
    unsigned int findHalfEdge(unsigned int v1, unsigned int v2) const;
    // Starts loading what linking a triangle on these vertices will look up or write; a
    // corner that is UNINITIALIZED skips its edges.
    [[gnu::always_inline]] void prefetchEdges(const unsigned int (&corners)[3]) const;
    // Lists the new pair n (from v1), n + 1 (from v2).
    void listHalfEdgePair(unsigned int n, unsigned int v1, unsigned int v2);

    // A face's first two corners are the ends of its edge, which no later triangle can
    // change; the third is the origin of that half-edge's prev, until a later triangle on a
    // non-manifold edge takes the half-edge over and relinks it. The third corners of such
    // faces are kept, taken just before the takeover: in a hash map while they are few (a
    // handful in a scanned surface), then in one slot a face (UNINITIALIZED: read the links),
    // so that input made of takeovers (one quad repeated) costs at most 4 bytes a face.
    std::unordered_map<unsigned int, unsigned int> mTakenFew; // face -> vertex
    std::vector<unsigned int> mTakenByFace;
    void keepThirdCorner(unsigned int halfEdge);
    unsigned int takenThirdCorner(unsigned int f) const;
};
