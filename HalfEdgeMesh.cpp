#include "HalfEdgeMesh.h"

#include "SupportCode/ColorMap.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <iostream>

static_assert(sizeof(unsigned int) == 4, "indices are unsigned 32-bit");

namespace
{
bool isFinite(const Vector3<float>& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// A zero-length or overflowing vector has no direction; it gets (0, 0, 0) rather than
// NaN, so that colours, sums and the volume stay defined.
Vector3<float> unitOrZero(Vector3<float> v)
{
    v.normalize();
    return isFinite(v) ? v : Vector3<float>(0.0f, 0.0f, 0.0f);
}
} // namespace

// ---------------------------------------------------------------------------------------
// Construction

HalfEdgeMesh::HalfEdgeMesh()
{
    setShadingFlag(SMOOTH_SHADING);
}

HalfEdgeMesh::~HalfEdgeMesh() = default;

void HalfEdgeMesh::reserve(std::size_t positions, std::size_t triangles)
{
    if (mClosed)
        return;
    const std::size_t vertices = vertexBound(mVerts.size(), positions, triangles);
    // A triangle makes at most three pairs, and room for them all means no copy ever
    // (a soup makes six half-edges a triangle, a closed surface three). Pages of the room
    // that stay unused are never touched and so take address space, not memory. Between V
    // vertices there are at most V (V + 1) / 2 pairs, loops included: triangles that repeat
    // a few positions claim no room for half-edges they cannot make.
    std::size_t halfEdges = mEdges.size() + 6 * triangles;
    if (vertices < (std::size_t(1) << 32))
        halfEdges = std::min(halfEdges, vertices * (vertices + 1));
    mVerts.reserve(vertices);
    mFaces.reserve(mFaces.size() + triangles);
    mEdges.reserve(halfEdges);
    mPairList.reserve(halfEdges / 2);
    mPairListHead.reserve(vertices);
    mPairListLength.reserve(vertices);
    mUniqueVerts.reserve(vertices,
                         [this](unsigned int i) -> const Vector3<float>& { return mVerts[i].vec; });
}

void HalfEdgeMesh::addIndexedTriangles(const std::vector<Vector3<float>>& positions,
                                       const std::vector<Vector3<unsigned int>>& triangles,
                                       const std::vector<std::uint32_t>* firstEqual)
{
    if (triangles.empty() || mClosed)
        return;
    if (firstEqual != nullptr && firstEqual->size() != positions.size())
        firstEqual = nullptr;
    changed();
    const std::size_t vertices = usedPositions(positions.size(), triangles);
    mVerts.reserve(mVerts.size() + vertices);
    mFaces.reserve(mFaces.size() + triangles.size());
    mEdges.reserve(mEdges.size() + 6 * triangles.size());
    // The edge lookup grows with the pairs: room for all at once, as reserve() makes it.
    mPairList.reserve(mPairList.size() + 3 * triangles.size());
    mPairListHead.reserve(mVerts.size() + vertices);
    mPairListLength.reserve(mVerts.size() + vertices);
    std::vector<unsigned int> vertexOf(positions.size(), UNINITIALIZED);
    for (const Vector3<unsigned int>& t : triangles)
    {
        unsigned int c[3];
        for (unsigned int k = 0; k < 3; ++k)
        {
            unsigned int& vertex = vertexOf[firstEqual ? (*firstEqual)[t[k]] : t[k]];
            if (vertex == UNINITIALIZED)
            {
                vertex = static_cast<unsigned int>(mVerts.size());
                Vertex v;
                v.vec = positions[t[k]];
                mVerts.push_back(v);
            }
            c[k] = vertex;
        }
        linkTriangle(c[0], c[1], c[2]);
    }
}

bool HalfEdgeMesh::addVertex(const Vector3<float>& v, unsigned int& indx)
{
    const auto positionOf = [this](unsigned int i) -> const Vector3<float>&
    { return mVerts[i].vec; };
    const unsigned int next = static_cast<unsigned int>(mVerts.size());
    indx = mUniqueVerts.findOrInsert(v, next, positionOf);
    if (indx != next)
        return false;
    Vertex vertex;
    vertex.vec = v;
    mVerts.push_back(vertex);
    return true;
}

bool HalfEdgeMesh::addHalfEdgePair(unsigned int v1, unsigned int v2, unsigned int& indx1,
                                   unsigned int& indx2)
{
    if (!isVertexIndex(v1) || !isVertexIndex(v2))
    {
        indx1 = indx2 = UNINITIALIZED;
        return false;
    }
    const unsigned int found = findHalfEdge(v1, v2);
    if (found != UNINITIALIZED)
    {
        indx1 = found;
        indx2 = mEdges[found].pair;
        return false;
    }

    const unsigned int n = static_cast<unsigned int>(mEdges.size());
    indx1 = n;
    indx2 = n + 1;

    HalfEdge edge1;
    edge1.vert = v1;
    edge1.pair = n + 1;
    HalfEdge edge2;
    edge2.vert = v2;
    edge2.pair = n;

    mVerts[v1].edge = n;
    mVerts[v2].edge = n + 1;

    // Past what reserve() made room for, grow by half rather than double: the copy then
    // briefly holds 2.5 times the array instead of 3 times.
    if (mEdges.size() + 2 > mEdges.capacity())
        mEdges.reserve(mEdges.size() + mEdges.size() / 2 + 2);
    mEdges.push_back(edge1);
    mEdges.push_back(edge2);
    listHalfEdgePair(n, v1, v2);
    return true;
}

unsigned int HalfEdgeMesh::findHalfEdge(unsigned int v1, unsigned int v2) const
{
    const unsigned int lo = std::min(v1, v2);
    const unsigned int hi = std::max(v1, v2);
    if (hi >= mPairListHead.size())
        return UNINITIALIZED;
    if ((mPairListHead[lo].hiBits & hiBit(hi)) == 0)
        return UNINITIALIZED;
    unsigned int found = UNINITIALIZED;
    if (mPairListLength[lo] >= PAIR_LIST_LIMIT)
    {
        found = mOverflowEdges.find(edgeHash(lo, hi), [this, lo, hi](unsigned int n)
                                    { return pairEnds(n) == std::make_pair(lo, hi); });
    }
    else
    {
        // Every pair listed under lo has lo as its smaller vertex.
        unsigned int k = mPairListHead[lo].newest;
        for (unsigned int steps = 0; steps < PAIR_LIST_LIMIT && k < mPairList.size(); ++steps)
        {
            if (mPairList[k].hi == hi)
            {
                found = 2 * k;
                break;
            }
            k = mPairList[k].next;
        }
    }
    if (!isEdgeIndex(found) || !isEdgeIndex(found + 1))
        return UNINITIALIZED;
    // Both halves of a loop start at its vertex; a newest-first scan meets the newer one.
    if (v1 == v2)
        return found + 1;
    return mEdges[found].vert == v1 ? found : found + 1;
}

void HalfEdgeMesh::listHalfEdgePair(unsigned int n, unsigned int v1, unsigned int v2)
{
    if (mPairListHead.size() < mVerts.size())
    {
        mPairListHead.resize(mVerts.size());
        mPairListLength.resize(mVerts.size(), 0);
    }
    const unsigned int k = n / 2;
    mPairList.resize(k, PairNode{}); // pairs that were not made here stay unlisted
    const unsigned int lo = std::min(v1, v2);
    const auto hashOf = [this](unsigned int m)
    {
        const std::pair<unsigned int, unsigned int> ends = pairEnds(m);
        return edgeHash(ends.first, ends.second);
    };
    // A new pair matches nothing stored.
    const auto toTable = [this, lo, &hashOf](unsigned int m, unsigned int hi)
    {
        mOverflowEdges.findOrInsert(
            edgeHash(lo, hi), m, [](unsigned int) { return false; }, hashOf);
    };

    PairsUnder& under = mPairListHead[lo];
    under.hiBits |= hiBit(std::max(v1, v2));
    if (mPairListLength[lo] >= PAIR_LIST_LIMIT)
    {
        mPairList.push_back(PairNode{});
        toTable(n, std::max(v1, v2));
        return;
    }
    mPairList.push_back(PairNode{under.newest, std::max(v1, v2)});
    under.newest = k;
    if (++mPairListLength[lo] < PAIR_LIST_LIMIT)
        return;
    // A hub: its whole list moves to the table, so that its lookups no longer scan it.
    unsigned int m = under.newest;
    for (unsigned int steps = 0; steps < PAIR_LIST_LIMIT && m < mPairList.size(); ++steps)
    {
        toTable(2 * m, mPairList[m].hi);
        m = mPairList[m].next;
    }
    under.newest = UNINITIALIZED;
}

void HalfEdgeMesh::keepThirdCorner(unsigned int halfEdge)
{
    if (!isEdgeIndex(halfEdge))
        return;
    const unsigned int f = mEdges[halfEdge].face;
    if (!isFaceIndex(f) || mFaces[f].edge != halfEdge)
        return;
    const unsigned int prev = mEdges[halfEdge].prev;
    if (!isEdgeIndex(prev))
        return;
    const unsigned int corner = mEdges[prev].vert;
    if (mTakenByFace.empty())
    {
        mTakenFew.emplace(f, corner);
        // A map entry takes about 64 bytes: past a sixteenth of the faces, a slot for every
        // face is the smaller.
        if (mTakenFew.size() <= std::max<std::size_t>(1024, mFaces.size() / 16))
            return;
        // Room for every face announced, so the table is not copied as it grows.
        mTakenByFace.reserve(mFaces.capacity());
        mTakenByFace.assign(mFaces.size(), UNINITIALIZED);
        for (const auto& [face, vertex] : mTakenFew)
            mTakenByFace[face] = vertex;
        std::unordered_map<unsigned int, unsigned int>().swap(mTakenFew);
        return;
    }
    if (f >= mTakenByFace.size())
        mTakenByFace.resize(mFaces.size(), UNINITIALIZED);
    if (mTakenByFace[f] == UNINITIALIZED)
        mTakenByFace[f] = corner;
}

unsigned int HalfEdgeMesh::takenThirdCorner(unsigned int f) const
{
    if (f < mTakenByFace.size())
        return mTakenByFace[f];
    const auto taken = mTakenFew.empty() ? mTakenFew.end() : mTakenFew.find(f);
    return taken == mTakenFew.end() ? UNINITIALIZED : taken->second;
}

bool HalfEdgeMesh::addTriangle(const Vector3<float>& v1, const Vector3<float>& v2,
                               const Vector3<float>& v3)
{
    if (mClosed)
        return false;
    const auto [ind1, ind2, ind3] = weldCorners(v1, v2, v3);
    linkTriangle(ind1, ind2, ind3);
    return true;
}

void HalfEdgeMesh::closeForAdding()
{
    mClosed = true;
    mUniqueVerts = WeldMap();
    std::vector<PairsUnder>().swap(mPairListHead);
    std::vector<std::uint8_t>().swap(mPairListLength);
    std::vector<PairNode>().swap(mPairList);
    mOverflowEdges = IndexTable();
}

void HalfEdgeMesh::addTriangles(const std::vector<Vector3<float>>& positions,
                                const std::vector<Vector3<unsigned int>>& triangles,
                                std::size_t first, std::size_t last)
{
    if (first >= last || mClosed)
        return;
    changed();
    // Where positions are used again and again (a closed surface uses each about six
    // times), each position index is welded once and its later corners skip the welding
    // map: a weld costs up to three cache misses where corners are shared at random.
    // Positions used about once (a soup) gain nothing from that, and weld every corner.
    const bool reused = positions.size() < 2 * (last - first);
    std::vector<unsigned int> vertexOf(reused ? positions.size() : 0, UNINITIALIZED);
    const auto needed = [reused, &vertexOf](unsigned int p)
    { return !reused || vertexOf[p] == UNINITIALIZED; };
    const auto weld = [this, reused, &vertexOf, &positions](unsigned int p)
    {
        unsigned int scratch = UNINITIALIZED;
        unsigned int& vertex = reused ? vertexOf[p] : scratch;
        if (vertex == UNINITIALIZED) // welded as addTriangle would, corner by corner
            addVertex(positions[p], vertex);
        return vertex;
    };
    // Each triangle is welded LAG triangles before it is linked, so that what linking will
    // look up can load in between. Vertices are made in the same order as one by one.
    constexpr std::size_t LAG = 4;
    unsigned int welded[LAG][3];
    for (std::size_t t = first; t < last + LAG; ++t)
    {
        if (t >= first + LAG)
        {
            const unsigned int(&c)[3] = welded[(t - LAG) % LAG];
            linkTriangle(c[0], c[1], c[2]);
        }
        if (t >= last)
            continue;
        prefetchWelds(positions, triangles, t, last, needed);
        unsigned int(&c)[3] = welded[t % LAG];
        for (unsigned int k = 0; k < 3; ++k)
            c[k] = weld(triangles[t][k]);
        prefetchEdges(c);
    }
}

inline void HalfEdgeMesh::prefetchEdges(const unsigned int (&corners)[3]) const
{
    for (unsigned int k = 0; k < 3; ++k)
    {
        if (isVertexIndex(corners[k]))
            __builtin_prefetch(&mVerts[corners[k]].edge, 1);
        // A vertex not listed yet (or not welded yet) has no pair to look up.
        const unsigned int lo = std::min(corners[k], corners[(k + 1) % 3]);
        const unsigned int hi = std::max(corners[k], corners[(k + 1) % 3]);
        if (lo >= mPairListHead.size())
            continue;
        __builtin_prefetch(&mPairListHead[lo]);
        if (hi < mPairListHead.size() && mPairListLength[lo] >= PAIR_LIST_LIMIT)
            mOverflowEdges.prefetch(edgeHash(lo, hi));
    }
}

void HalfEdgeMesh::linkTriangle(unsigned int ind1, unsigned int ind2, unsigned int ind3)
{
    unsigned int edgeInd1 = 0;
    unsigned int edgeInd2 = 0;
    unsigned int edgeInd3 = 0;
    unsigned int edgeInd4 = 0;
    unsigned int edgeInd5 = 0;
    unsigned int edgeInd6 = 0;
    const bool border1 = addHalfEdgePair(ind1, ind2, edgeInd1, edgeInd2);
    const bool border2 = addHalfEdgePair(ind2, ind3, edgeInd3, edgeInd4);
    const bool border3 = addHalfEdgePair(ind3, ind1, edgeInd5, edgeInd6);

    // A half-edge found again (not created) may be the first of an earlier face, whose
    // third corner its links are about to stop telling.
    if (!border1)
        keepThirdCorner(edgeInd1);
    if (!border2)
        keepThirdCorner(edgeInd3);
    if (!border3)
        keepThirdCorner(edgeInd5);

    if (border1)
        mEdges[edgeInd2].face = BORDER;
    if (border2)
        mEdges[edgeInd4].face = BORDER;
    if (border3)
        mEdges[edgeInd6].face = BORDER;

    setNextHalfEdge(edgeInd1, edgeInd3);
    setNextHalfEdge(edgeInd3, edgeInd5);
    setNextHalfEdge(edgeInd5, edgeInd1);

    Face face;
    face.edge = edgeInd1;
    mFaces.push_back(face);

    const unsigned int faceInd = static_cast<unsigned int>(mFaces.size() - 1);
    mEdges[edgeInd1].face = faceInd;
    mEdges[edgeInd3].face = faceInd;
    mEdges[edgeInd5].face = faceInd;
}

// ---------------------------------------------------------------------------------------
// Walks

bool HalfEdgeMesh::faceCorners(unsigned int f, unsigned int& c0, unsigned int& c1,
                               unsigned int& c2) const
{
    if (!isFaceIndex(f))
        return false;
    const unsigned int h0 = mFaces[f].edge;
    if (!isEdgeIndex(h0) || !isEdgeIndex(mEdges[h0].pair))
        return false;
    c0 = mEdges[h0].vert;
    c1 = mEdges[mEdges[h0].pair].vert;
    const unsigned int taken = takenThirdCorner(f);
    if (taken != UNINITIALIZED)
        c2 = taken;
    else if (isEdgeIndex(mEdges[h0].prev))
        c2 = mEdges[mEdges[h0].prev].vert;
    else
        return false;
    return isVertexIndex(c0) && isVertexIndex(c1) && isVertexIndex(c2);
}

// On input that is not edge-manifold or not consistently oriented, links may have been
// overwritten, and a rotation can fall into a cycle that does not pass its start or reach
// a border. Brent's cycle detection recognises the first repeated half-edge within three
// times as many steps as there are distinct half-edges on the way, so every walk ends.
template <class Step, class Arrived>
HalfEdgeMesh::WalkEnd HalfEdgeMesh::walk(unsigned int first, Step step, Arrived arrived,
                                         std::vector<unsigned int>& path) const
{
    path.clear();
    unsigned int tortoise = first;
    std::size_t power = 1;
    std::size_t lambda = 0; // steps since the tortoise last moved
    for (unsigned int h = first;; h = step(h), ++lambda)
    {
        if (!isEdgeIndex(h))
            return WalkEnd::BROKEN;
        if (arrived(h))
            return WalkEnd::ARRIVED;
        if (lambda > 0 && h == tortoise)
        {
            // A cycle of length lambda: keep the walk up to its first repeated half-edge.
            std::size_t mu = path.size() - lambda;
            for (std::size_t i = 0; i + lambda < path.size(); ++i)
            {
                if (path[i] == path[i + lambda])
                {
                    mu = i;
                    break;
                }
            }
            path.resize(mu + lambda);
            return WalkEnd::REPEATED;
        }
        if (lambda == power)
        {
            tortoise = h;
            power *= 2;
            lambda = 0;
        }
        path.push_back(h);
    }
}

bool HalfEdgeMesh::outgoingRing(unsigned int v, std::vector<unsigned int>& out) const
{
    if (!isVertexIndex(v))
    {
        out.clear();
        return false;
    }
    const unsigned int start = mVerts[v].edge;
    const auto pairOfPrev = [this](unsigned int h) { return pairOf(prevOf(h)); };
    const auto backAtStart = [start, &out](unsigned int h) { return h == start && !out.empty(); };
    return walk(start, pairOfPrev, backAtStart, out) == WalkEnd::ARRIVED;
}

template <class Step>
unsigned int HalfEdgeMesh::rotateToBorder(unsigned int first, Step step,
                                          std::vector<unsigned int>* ends,
                                          std::vector<unsigned int>& path) const
{
    unsigned int result = UNINITIALIZED;
    const auto atEnd = [this, ends, &result](unsigned int h)
    {
        if (mEdges[h].face == BORDER)
            result = h;
        else if (ends && !ends->empty() && (*ends)[h] != BORDER)
            result = (*ends)[h]; // UNINITIALIZED if that rotation failed
        else
            return false;
        return true;
    };
    walk(first, step, atEnd, path);
    if (ends && path.size() >= MEMO_FROM)
    {
        // Sized when first needed.
        if (ends->empty())
            ends->assign(mEdges.size(), BORDER);
        for (const unsigned int passed : path)
            (*ends)[passed] = result;
    }
    return result;
}

inline void HalfEdgeMesh::prefetchRings(std::size_t v) const
{
    const auto firstEdge = [this](std::size_t u)
    { return u < mVerts.size() ? mVerts[u].edge : UNINITIALIZED; };
    const unsigned int h0 = firstEdge(v + 12);
    if (isEdgeIndex(h0))
        __builtin_prefetch(&mEdges[h0]);
    const unsigned int h1 = firstEdge(v + 8);
    if (isEdgeIndex(h1))
    {
        if (isEdgeIndex(mEdges[h1].prev))
            __builtin_prefetch(&mEdges[mEdges[h1].prev]);
        if (isFaceIndex(mEdges[h1].face))
            __builtin_prefetch(&mFaces[mEdges[h1].face]);
    }
    const unsigned int second = pairOf(prevOf(firstEdge(v + 4)));
    if (isEdgeIndex(second))
        __builtin_prefetch(&mEdges[second]);
}

bool HalfEdgeMesh::findNeighbourTriangles(unsigned int vertexIndex,
                                          std::vector<unsigned int>& foundTriangles) const
{
    // The ring is collected into the caller's list and turned into faces in place, so a
    // caller that passes one list for many vertices allocates nothing per vertex.
    outgoingRing(vertexIndex, foundTriangles);
    std::size_t count = 0;
    for (const unsigned int h : foundTriangles)
    {
        const unsigned int f = mEdges[h].face;
        if (isFaceIndex(f))
            foundTriangles[count++] = f;
    }
    foundTriangles.resize(count);
    return !foundTriangles.empty();
}

// ---------------------------------------------------------------------------------------
// Boundaries and validation

void HalfEdgeMesh::mergeAllBoundaries()
{
    RotationMemo memo;
    memo.shared = true;
    for (std::size_t i = 0; i < mEdges.size(); i++)
        if (mEdges[i].face == BORDER)
            linkBorderHalfEdge(static_cast<unsigned int>(i), memo);
}

// A rotation that cannot reach a border half-edge leaves the link UNINITIALIZED, so
// validate reports it. Interior half-edges are never relinked here.
void HalfEdgeMesh::mergeBoundaryEdge(unsigned int indx)
{
    RotationMemo unshared;
    linkBorderHalfEdge(indx, unshared);
}

void HalfEdgeMesh::linkBorderHalfEdge(unsigned int indx, RotationMemo& memo)
{
    if (!isEdgeIndex(indx) || mEdges[indx].face != BORDER)
        return;
    const unsigned int p = mEdges[indx].pair;
    const bool shared = memo.shared;
    const auto pairOfPrev = [this](unsigned int h) { return pairOf(prevOf(h)); };
    const auto pairOfNext = [this](unsigned int h) { return pairOf(nextOf(h)); };
    // Around the end vertex of the border half-edge, over outgoing half-edges.
    setNextHalfEdge(indx, rotateToBorder(pairOfPrev(p), pairOfPrev,
                                         shared ? &memo.viaPrev : nullptr, memo.path));
    // Around its start vertex, over incoming half-edges.
    setNextHalfEdge(
        rotateToBorder(pairOfNext(p), pairOfNext, shared ? &memo.viaNext : nullptr, memo.path),
        indx);
}

HalfEdgeMesh::Validation HalfEdgeMesh::validation() const
{
    Validation v;
    for (std::size_t i = 0; i < mEdges.size(); i++)
    {
        const HalfEdge& e = mEdges[i];
        if (e.vert == UNINITIALIZED || e.face == UNINITIALIZED || e.next == UNINITIALIZED ||
            e.prev == UNINITIALIZED || e.pair == UNINITIALIZED)
            v.unsetHalfEdges.push_back(static_cast<unsigned int>(i));
    }
    for (std::size_t i = 0; i < mFaces.size(); i++)
        if (mFaces[i].edge == UNINITIALIZED)
            v.unsetFaces.push_back(static_cast<unsigned int>(i));
    for (std::size_t i = 0; i < mVerts.size(); i++)
        if (mVerts[i].edge == UNINITIALIZED)
            v.unsetVertices.push_back(static_cast<unsigned int>(i));
    v.halfEdges = mEdges.size();
    v.faces = mFaces.size();
    v.vertices = mVerts.size();

    std::vector<unsigned int> neighbours;
    for (std::size_t i = 0; i < mVerts.size(); i++)
    {
        prefetchRings(i);
        if (!findNeighbourTriangles(static_cast<unsigned int>(i), neighbours))
            ++v.isolatedVertices;
    }
    return v;
}

void HalfEdgeMesh::Validation::print(std::ostream& out) const
{
    for (const unsigned int i : unsetHalfEdges)
        out << "HalfEdge " << i << " not properly initialized\n";
    out << "Done with edge check (checked " << halfEdges << " edges)\n";
    for (const unsigned int i : unsetFaces)
        out << "Face " << i << " not properly initialized\n";
    out << "Done with face check (checked " << faces << " faces)\n";
    for (const unsigned int i : unsetVertices)
        out << "Vertex " << i << " not properly initialized\n";
    out << "Done with vertex check (checked " << vertices << " vertices)\n";
    out << "Looping through triangle neighborhood of each vertex... " << std::flush;
    out << "\nDone: " << isolatedVertices << " isolated vertices found" << std::endl;
}

void HalfEdgeMesh::validate() const
{
    validation().print(std::cerr);
}

// ---------------------------------------------------------------------------------------
// Measures

template <class Visit> void HalfEdgeMesh::forEachTriangle(Visit visit) const
{
    for (std::size_t f = 0; f < mFaces.size(); f++)
    {
        unsigned int c0 = 0;
        unsigned int c1 = 0;
        unsigned int c2 = 0;
        if (faceCorners(static_cast<unsigned int>(f), c0, c1, c2))
            visit(f, mVerts[c0].vec, mVerts[c1].vec, mVerts[c2].vec);
    }
}

float HalfEdgeMesh::area() const
{
    float sum = 0.0f;
    forEachTriangle(
        [&sum](std::size_t, const Vector3<float>& p0, const Vector3<float>& p1,
               const Vector3<float>& p2)
        {
            // Halved and added in double, rounded back to float after each face.
            sum = static_cast<float>(sum + 0.5 * cross(p1 - p0, p2 - p0).length());
        });
    return sum;
}

float HalfEdgeMesh::volume() const
{
    float sum = 0.0f;
    forEachTriangle(
        [this, &sum](std::size_t f, const Vector3<float>& p0, const Vector3<float>& p1,
                     const Vector3<float>& p2)
        {
            const Vector3<float>& n = mFaces[f].normal;
            const float a = static_cast<float>(0.5 * cross(p1 - p0, p2 - p0).length());
            const Vector3<float> c = ((p0 + p1) + p2) * 0.33333334f;
            const float d = (n[0] * c[0] + n[1] * c[1]) + n[2] * c[2];
            sum += a * d;
        });
    return static_cast<float>(sum / 3.0);
}

// V - E + F = 2 - 2g, evaluated in signed arithmetic: several components make it negative
// (two spheres give -1), where unsigned arithmetic would wrap. No walk is needed: a sweep
// from every vertex over the rings reaches every vertex, so it could never fall short.
int HalfEdgeMesh::genus() const
{
    const long long e = static_cast<long long>(mEdges.size() / 2);
    const long long f = static_cast<long long>(mFaces.size());
    const long long v = static_cast<long long>(mVerts.size());
    const long long g = (e - f - v + 2) / 2;
    return static_cast<int>(std::clamp<long long>(g, INT_MIN, INT_MAX));
}

// ---------------------------------------------------------------------------------------
// Normals and drawing

float HalfEdgeMesh::curvature(unsigned int /*vertexIndex*/, const Vector3<float>& /*n*/)
{
    return 0.0f;
}

void HalfEdgeMesh::calculateFaceNormals()
{
    setShadingFlag(FLAT_SHADING);
    for (std::size_t f = 0; f < mFaces.size(); f++)
    {
        unsigned int c0 = 0;
        unsigned int c1 = 0;
        unsigned int c2 = 0;
        if (!faceCorners(static_cast<unsigned int>(f), c0, c1, c2))
        {
            mFaces[f].normal = Vector3<float>(0.0f, 0.0f, 0.0f);
            continue;
        }
        mFaces[f].normal = Mesh::faceNormal(mVerts[c0].vec, mVerts[c1].vec, mVerts[c2].vec);
    }
}

void HalfEdgeMesh::calculateVertexNormals()
{
    setShadingFlag(SMOOTH_SHADING);
    std::vector<unsigned int> neighbours;
    for (std::size_t v = 0; v < mVerts.size(); v++)
    {
        prefetchRings(v);
        findNeighbourTriangles(static_cast<unsigned int>(v), neighbours);
        Vector3<float> sum(0.0f, 0.0f, 0.0f);
        for (const unsigned int t : neighbours)
            sum += mFaces[t].normal;
        mVerts[v].v_normal = unitOrZero(sum);
    }
}

void HalfEdgeMesh::draw()
{
    const ColorMap colorMap;

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    float glMatrix[16];
    mTransform.toGLMatrix(glMatrix);
    glLoadMatrixf(glMatrix);

    glBegin(GL_TRIANGLES);
    const int triangleCount = static_cast<int>(mFaces.size());
    for (int i = 0; i < triangleCount; i++)
    {
        const unsigned int f = static_cast<unsigned int>(i);
        unsigned int c[3] = {0, 0, 0};
        if (!faceCorners(f, c[0], c[1], c[2]))
            continue;
        if (mShadingFlag == FLAT_SHADING)
        {
            const Vector3<float>& n = mFaces[f].normal;
            const Vector3<float> color = colorMap.map(n, -1.0f, 1.0f);
            glColor3f(color[0], color[1], color[2]);
            glNormal3f(n[0], n[1], n[2]);
            for (const unsigned int corner : c)
            {
                const Vector3<float>& p = mVerts[corner].vec;
                glVertex3f(p[0], p[1], p[2]);
            }
        }
        else if (mShadingFlag == SMOOTH_SHADING)
        {
            Vector3<float> colors[3];
            for (int k = 0; k < 3; k++)
                colors[k] = colorMap.map(mVerts[c[k]].v_normal, -1.0f, 1.0f);
            for (int k = 0; k < 3; k++)
            {
                const Vector3<float>& n = mVerts[c[k]].v_normal;
                const Vector3<float>& p = mVerts[c[k]].vec;
                glColor3f(colors[k][0], colors[k][1], colors[k][2]);
                glNormal3f(n[0], n[1], n[2]);
                glVertex3f(p[0], p[1], p[2]);
            }
        }
        else
        {
            for (const unsigned int corner : c)
            {
                const Vector3<float>& p = mVerts[corner].vec;
                glVertex3f(p[0], p[1], p[2]);
            }
        }
    }
    glEnd();
    glPopMatrix();
}
