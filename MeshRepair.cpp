#include "MeshRepair.h"

#include "MeshAnalysis.h"

#include "SupportCode/VertexFaces.h"
#include "SupportCode/WeldKey.h"
#include "SupportCode/WeldMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <queue>
#include <unordered_map>
#include <utility>

namespace MeshRepair
{
namespace
{
constexpr std::uint32_t NONE = 0xffffffffu;

using Tris = std::vector<Vector3<unsigned int>>;
using Verts = std::vector<Vector3<float>>;

// Half-edge h = 3 f + k runs from corner k of triangle f to corner k + 1; corner 3 f + k
// is numbered as the half-edge leaving it.
std::uint32_t next(std::uint32_t h)
{
    return h % 3 == 2 ? h - 2 : h + 1;
}
std::uint32_t from(const Tris& t, std::uint32_t h)
{
    return t[h / 3][h % 3];
}
std::uint32_t to(const Tris& t, std::uint32_t h)
{
    return from(t, next(h));
}
bool repeatedCorner(const Vector3<unsigned int>& t)
{
    return t[0] == t[1] || t[1] == t[2] || t[2] == t[0];
}

std::array<std::uint32_t, 3> sortedCorners(const Vector3<unsigned int>& t)
{
    std::array<std::uint32_t, 3> s{t[0], t[1], t[2]};
    if (s[0] > s[1])
        std::swap(s[0], s[1]);
    if (s[1] > s[2])
        std::swap(s[1], s[2]);
    if (s[0] > s[1])
        std::swap(s[0], s[1]);
    return s;
}

struct D3
{
    double x = 0, y = 0, z = 0;
    D3 operator-(const D3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    D3 operator+(const D3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    D3 operator*(double s) const { return {x * s, y * s, z * s}; }
    double dot(const D3& o) const { return x * o.x + y * o.y + z * o.z; }
    D3 cross(const D3& o) const
    {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    double length() const { return std::sqrt(dot(*this)); }
    D3 unit() const
    {
        const double l = length();
        return l > 0 ? *this * (1.0 / l) : D3{};
    }
};
D3 d3(const Vector3<float>& p)
{
    return {p[0], p[1], p[2]};
}
// Twice the area vector of a, b, c.
D3 areaVector(const Verts& v, std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    const D3 pa = d3(v[a]);
    return (d3(v[b]) - pa).cross(d3(v[c]) - pa);
}

class DisjointSets
{
public:
    explicit DisjointSets(std::size_t n) : mParent(n)
    {
        for (std::size_t i = 0; i < n; ++i)
            mParent[i] = static_cast<std::uint32_t>(i);
    }
    std::uint32_t find(std::uint32_t i)
    {
        while (mParent[i] != i)
            i = mParent[i] = mParent[mParent[i]];
        return i;
    }
    // The smaller root wins, so results do not depend on the order of the unions.
    void unite(std::uint32_t a, std::uint32_t b)
    {
        a = find(a);
        b = find(b);
        if (a < b)
            mParent[b] = a;
        else if (b < a)
            mParent[a] = b;
    }

private:
    std::vector<std::uint32_t> mParent;
};

// Drops the positions no triangle uses, keeping the order of the others.
std::uint64_t dropUnreferenced(MeshData& mesh)
{
    std::vector<std::uint32_t> newIndex(mesh.verts.size(), NONE);
    for (const Vector3<unsigned int>& t : mesh.tris)
        for (unsigned int k = 0; k < 3; ++k)
            newIndex[t[k]] = 0;
    std::uint32_t kept = 0;
    for (std::size_t i = 0; i < mesh.verts.size(); ++i)
        if (newIndex[i] == 0)
        {
            mesh.verts[kept] = mesh.verts[i];
            newIndex[i] = kept++;
        }
    const std::uint64_t dropped = mesh.verts.size() - kept;
    if (dropped == 0)
        return 0;
    mesh.verts.resize(kept);
    for (Vector3<unsigned int>& t : mesh.tris)
        for (unsigned int k = 0; k < 3; ++k)
            t[k] = newIndex[t[k]];
    return dropped;
}

// Every position i becomes rep[i] (rep[i] <= i, rep[rep[i]] == rep[i]); the kept ones
// keep their order.
WeldResult applyMerge(MeshData& mesh, std::vector<std::uint32_t>& rep)
{
    WeldResult result;
    std::uint32_t kept = 0;
    for (std::size_t i = 0; i < rep.size(); ++i)
    {
        if (rep[i] == i)
        {
            mesh.verts[kept] = mesh.verts[i];
            rep[i] = kept++;
        }
        else
            rep[i] = rep[rep[i]]; // already renumbered: rep[i] < i
    }
    result.mergedPositions = rep.size() - kept;
    if (result.mergedPositions == 0)
        return result;
    mesh.verts.resize(kept);
    for (Vector3<unsigned int>& t : mesh.tris)
    {
        const bool wasProper = !repeatedCorner(t);
        for (unsigned int k = 0; k < 3; ++k)
            t[k] = rep[t[k]];
        result.collapsedTriangles += wasProper && repeatedCorner(t) ? 1u : 0u;
    }
    return result;
}

// --- edges ---------------------------------------------------------------------------------

// The partner of each half-edge across its edge, NONE at a boundary (and along a side with
// a repeated corner). Edges of more than two triangles are paired into sheets.
struct Partners
{
    std::vector<std::uint32_t> of;
    std::uint64_t nonManifoldEdges = 0;
    std::uint64_t unpaired = 0;
};

// Pairs the half-edges of one edge {lo, hi} with more than two triangles (see makeManifold).
void pairAround(const MeshData& mesh, std::uint32_t lo, std::uint32_t hi,
                const std::uint64_t* group, std::size_t n, Partners& p)
{
    const D3 a = d3(mesh.verts[lo]);
    const D3 e = d3(mesh.verts[hi]) - a;
    const double ee = e.dot(e);
    struct Around
    {
        double angle;
        std::uint32_t h;
        bool forward; // runs lo -> hi
    };
    std::vector<Around> around(n);
    std::vector<D3> offsets(n);
    D3 r1, r2;
    for (std::size_t i = 0; i < n; ++i)
    {
        const std::uint32_t h = static_cast<std::uint32_t>(group[i]);
        const D3 c = d3(mesh.verts[from(mesh.tris, next(next(h)))]) - a;
        offsets[i] = ee > 0 ? c - e * (c.dot(e) / ee) : c;
        if (r1.length() == 0 && offsets[i].length() > 0)
        {
            r1 = offsets[i].unit();
            r2 = e.cross(r1).unit();
        }
        around[i] = {0.0, h, from(mesh.tris, h) == lo};
    }
    for (std::size_t i = 0; i < n; ++i)
        around[i].angle = std::atan2(offsets[i].dot(r2), offsets[i].dot(r1));
    std::sort(around.begin(), around.end(),
              [](const Around& x, const Around& y)
              { return x.angle < y.angle || (x.angle == y.angle && x.h < y.h); });
    // A triangle running lo -> hi faces towards larger angles: the solid side of a sheet
    // lies from one running hi -> lo round to the next running lo -> hi. Matched as
    // brackets round the circle, so pairs never cross.
    std::vector<bool> paired(n, false);
    std::vector<std::size_t> open;
    std::size_t pairs = 0;
    for (int lap = 0; lap < 2; ++lap)
        for (std::size_t i = 0; i < n; ++i)
        {
            if (paired[i])
                continue;
            if (!around[i].forward)
            {
                if (lap == 0)
                    open.push_back(i);
            }
            else if (!open.empty())
            {
                const std::size_t j = open.back();
                open.pop_back();
                paired[i] = paired[j] = true;
                p.of[around[i].h] = around[j].h;
                p.of[around[j].h] = around[i].h;
                ++pairs;
            }
        }
    p.unpaired += n - 2 * pairs;
}

Partners buildPartners(const MeshData& mesh)
{
    const Tris& t = mesh.tris;
    const std::size_t numVerts = mesh.verts.size();
    const std::uint32_t numHalf = static_cast<std::uint32_t>(3 * t.size());
    Partners p;
    p.of.assign(numHalf, NONE);
    // Half-edges in rows by their lower end, each as (higher end, half-edge).
    std::vector<std::uint32_t> start(numVerts + 1, 0);
    for (std::uint32_t h = 0; h < numHalf; ++h)
        ++start[std::min(from(t, h), to(t, h)) + std::size_t(1)];
    for (std::size_t v = 0; v < numVerts; ++v)
        start[v + 1] += start[v];
    std::vector<std::uint64_t> rows(numHalf);
    for (std::uint32_t h = 0; h < numHalf; ++h)
    {
        const std::uint32_t a = from(t, h), b = to(t, h);
        rows[start[std::min(a, b)]++] = static_cast<std::uint64_t>(std::max(a, b)) << 32 | h;
    }
    for (std::size_t v = numVerts; v > 0; --v)
        start[v] = start[v - 1];
    start[0] = 0;
    for (std::uint32_t lo = 0; lo < numVerts; ++lo)
    {
        std::uint64_t* const row = rows.data() + start[lo];
        const std::size_t len = start[lo + 1] - start[lo];
        std::sort(row, row + len);
        for (std::size_t i = 0; i < len;)
        {
            const std::uint32_t hi = static_cast<std::uint32_t>(row[i] >> 32);
            std::size_t j = i + 1;
            while (j < len && static_cast<std::uint32_t>(row[j] >> 32) == hi)
                ++j;
            if (hi == lo)
                ; // a side with a repeated corner: no edge
            else if (j - i == 2)
            {
                const auto h0 = static_cast<std::uint32_t>(row[i]);
                const auto h1 = static_cast<std::uint32_t>(row[i + 1]);
                p.of[h0] = h1;
                p.of[h1] = h0;
            }
            else if (j - i > 2)
            {
                ++p.nonManifoldEdges;
                pairAround(mesh, lo, hi, row + i, j - i, p);
            }
            i = j;
        }
    }
    return p;
}

// One vertex per fan: corners joined across linked edges share a vertex; each further fan
// of a vertex gets a copy of its position.
void splitFans(MeshData& mesh, const std::vector<std::uint32_t>& partner, ManifoldResult& r)
{
    Tris& t = mesh.tris;
    const std::uint32_t numHalf = static_cast<std::uint32_t>(3 * t.size());
    DisjointSets corners(numHalf);
    for (std::uint32_t h = 0; h < numHalf; ++h)
    {
        const std::uint32_t q = partner[h];
        if (q != NONE && h < q)
        {
            const bool opposite = from(t, q) != from(t, h);
            corners.unite(h, opposite ? next(q) : q);
            corners.unite(next(h), opposite ? q : next(q));
        }
        if (from(t, h) == to(t, h)) // a repeated corner stays one
            corners.unite(h, next(h));
    }
    std::vector<std::uint32_t> owner(numHalf, NONE);       // by root corner: its vertex
    std::vector<std::uint8_t> state(mesh.verts.size(), 0); // 1 taken, 2 split
    for (std::uint32_t c = 0; c < numHalf; ++c)
    {
        const std::uint32_t root = corners.find(c);
        std::uint32_t& v = t[c / 3][c % 3];
        if (owner[root] == NONE)
        {
            if (state[v] == 0)
            {
                state[v] = 1;
                owner[root] = v;
            }
            else
            {
                r.splitVertices += state[v] == 1 ? 1u : 0u;
                state[v] = 2;
                ++r.addedVertices;
                owner[root] = static_cast<std::uint32_t>(mesh.verts.size());
                const Vector3<float> p = mesh.verts[v];
                mesh.verts.push_back(p);
            }
        }
        v = owner[root];
    }
}

ManifoldResult manifoldWith(MeshData& mesh, Partners& p)
{
    ManifoldResult r;
    r.nonManifoldEdges = p.nonManifoldEdges;
    r.unpairedTriangles = p.unpaired;
    splitFans(mesh, p.of, r);
    if (r.nonManifoldEdges > 0)
        r.nonManifoldEdgesLeft = buildPartners(mesh).nonManifoldEdges;
    return r;
}

// --- orientation ---------------------------------------------------------------------------

// Six times the signed volume of the faces listed, reversed where flip says, about the
// first corner of the first.
double volume6(const MeshData& mesh, const std::uint32_t* faces, std::size_t n,
               const std::vector<std::uint8_t>& flip)
{
    const D3 centre = d3(mesh.verts[mesh.tris[faces[0]][0]]);
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i)
    {
        const Vector3<unsigned int>& t = mesh.tris[faces[i]];
        const D3 p0 = d3(mesh.verts[t[0]]) - centre;
        D3 p1 = d3(mesh.verts[t[1]]) - centre, p2 = d3(mesh.verts[t[2]]) - centre;
        if (flip[faces[i]])
            std::swap(p1, p2);
        sum += p0.dot(p1.cross(p2));
    }
    return sum;
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one breadth-first search
OrientResult orientWith(MeshData& mesh, std::vector<std::uint32_t>& partner)
{
    OrientResult r;
    Tris& t = mesh.tris;
    const std::uint32_t numFaces = static_cast<std::uint32_t>(t.size());
    std::vector<std::uint8_t> seen(numFaces, 0), flip(numFaces, 0);
    std::vector<std::uint32_t> queue;
    queue.reserve(numFaces);
    for (std::uint32_t seed = 0; seed < numFaces; ++seed)
    {
        if (seen[seed])
            continue;
        ++r.components;
        const std::size_t first = queue.size();
        queue.push_back(seed);
        seen[seed] = 1;
        std::uint64_t conflicts = 0;
        bool closed = true;
        for (std::size_t i = first; i < queue.size(); ++i)
        {
            const std::uint32_t f = queue[i];
            for (std::uint32_t h = 3 * f; h < 3 * f + 3; ++h)
            {
                const std::uint32_t q = partner[h];
                if (q == NONE)
                {
                    closed = closed && from(t, h) == to(t, h);
                    continue;
                }
                const std::uint32_t g = q / 3;
                const std::uint8_t want = flip[f] ^ (from(t, q) == from(t, h) ? 1 : 0);
                if (!seen[g])
                {
                    seen[g] = 1;
                    flip[g] = want;
                    queue.push_back(g);
                }
                else if (flip[g] != want && h < q)
                    ++conflicts;
            }
        }
        const std::size_t size = queue.size() - first;
        if (conflicts > 0)
        {
            ++r.nonOrientableComponents;
            r.inconsistentEdgesLeft += conflicts;
        }
        else if (closed && volume6(mesh, queue.data() + first, size, flip) < 0)
        {
            ++r.turnedOutward;
            for (std::size_t i = first; i < queue.size(); ++i)
                flip[queue[i]] ^= 1;
        }
    }
    for (std::uint32_t f = 0; f < numFaces; ++f)
        r.flippedTriangles += flip[f];
    if (r.flippedTriangles == 0)
        return r;
    for (std::uint32_t f = 0; f < numFaces; ++f)
        if (flip[f])
            std::swap(t[f][1], t[f][2]);
    // Reversing a triangle moves its side k to side 2 - k.
    auto moved = [&flip](std::uint32_t h) { return flip[h / 3] ? h - h % 3 + (2 - h % 3) : h; };
    std::vector<std::uint32_t> remapped(partner.size(), NONE);
    for (std::uint32_t h = 0; h < partner.size(); ++h)
        if (partner[h] != NONE)
            remapped[moved(h)] = moved(partner[h]);
    partner.swap(remapped);
    return r;
}

// --- hole filling --------------------------------------------------------------------------

// Edge counts by vertex pair, in open addressing.
class EdgeCounts
{
public:
    explicit EdgeCounts(std::size_t expected)
    {
        std::size_t size = 16;
        while (size < 2 * expected)
            size *= 2;
        mKeys.assign(size, EMPTY);
        mCounts.assign(size, 0);
    }
    std::uint32_t count(std::uint32_t a, std::uint32_t b) const
    {
        const std::size_t i = slot(key(a, b));
        return mKeys[i] == EMPTY ? 0 : mCounts[i];
    }
    void add(std::uint32_t a, std::uint32_t b, int delta)
    {
        const std::uint64_t k = key(a, b);
        const std::size_t i = slot(k);
        if (mKeys[i] == EMPTY)
        {
            if (++mUsed * 2 > mKeys.size())
            {
                grow();
                add(a, b, delta);
                return;
            }
            mKeys[i] = k;
        }
        mCounts[i] = static_cast<std::uint32_t>(static_cast<int>(mCounts[i]) + delta);
    }

private:
    static constexpr std::uint64_t EMPTY = ~std::uint64_t(0);
    static std::uint64_t key(std::uint32_t a, std::uint32_t b)
    {
        return static_cast<std::uint64_t>(std::min(a, b)) << 32 | std::max(a, b);
    }
    std::size_t slot(std::uint64_t k) const
    {
        const std::size_t mask = mKeys.size() - 1;
        std::uint64_t h = (k ^ (k >> 31)) * 0x9E3779B97F4A7C15ull; // both ends in every bit
        h = (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ull;
        std::size_t i = static_cast<std::size_t>(h >> 32) & mask;
        while (mKeys[i] != EMPTY && mKeys[i] != k)
            i = (i + 1) & mask;
        return i;
    }
    void grow()
    {
        std::vector<std::uint64_t> keys;
        std::vector<std::uint32_t> counts;
        keys.swap(mKeys);
        counts.swap(mCounts);
        mKeys.assign(keys.size() * 2, EMPTY);
        mCounts.assign(keys.size() * 2, 0);
        mUsed = 0;
        for (std::size_t i = 0; i < keys.size(); ++i)
            if (keys[i] != EMPTY)
            {
                ++mUsed;
                const std::size_t j = slot(keys[i]);
                mKeys[j] = keys[i];
                mCounts[j] = counts[i];
            }
    }

    std::vector<std::uint64_t> mKeys;
    std::vector<std::uint32_t> mCounts;
    std::size_t mUsed = 0;
};

struct KeyHash
{
    std::size_t operator()(const WeldKey& k) const
    {
        return static_cast<std::size_t>((k.x * 0x9E3779B97F4A7C15ull) ^
                                        (k.y * 0xC2B2AE3D27D4EB4Full) ^
                                        (k.z * 0x165667B19E3779F9ull));
    }
};

// Loops at most this long are triangulated by dynamic programming (cubic in the length),
// longer ones by clipping ears (n log n), so no hole makes the whole run quadratic.
constexpr std::size_t DP_LIMIT = 48;

// Fills the loops of one mesh.
class HoleFiller
{
public:
    HoleFiller(MeshData& mesh, const std::vector<std::uint32_t>& partner)
        : mMesh(mesh), mEdges(3 * mesh.tris.size() / 2 + 16), mMergeTo(mesh.verts.size())
    {
        for (std::uint32_t v = 0; v < mMergeTo.size(); ++v)
            mMergeTo[v] = v;
        const Tris& t = mesh.tris;
        for (std::uint32_t h = 0; h < 3 * t.size(); ++h)
            if (from(t, h) != to(t, h) && (partner[h] == NONE || h < partner[h]))
                mEdges.add(from(t, h), to(t, h), partner[h] == NONE ? 1 : 2);
        mAround.build(mesh.verts.size(), t.size(), [&t](std::size_t f) { return t[f]; });
    }

    // A boundary loop as the half-edges it follows; false when it has too many edges.
    bool fill(const std::vector<std::uint32_t>& loop, FillResult& r)
    {
        mCopies.clear();
        mPatch.clear();
        mAdded.clear();
        const Tris& t = mMesh.tris;
        for (const std::uint32_t h : loop)
            if (mEdges.count(from(t, h), to(t, h)) != 1)
                return false;
        // Cut where the loop comes back to a position: the stack holds (vertex, side).
        std::vector<std::pair<std::uint32_t, std::uint32_t>> stack;
        std::unordered_map<WeldKey, std::size_t, KeyHash> onStack;   // position -> stack index
        std::vector<std::pair<std::uint32_t, std::uint32_t>> merges; // copy -> kept
        auto keyOf = [this](std::uint32_t v) { return WeldKey::of(mMesh.verts[v]); };
        for (const std::uint32_t h : loop)
        {
            const std::uint32_t v = from(t, h);
            const auto found = onStack.find(keyOf(v));
            if (found == onStack.end())
            {
                onStack[keyOf(v)] = stack.size();
                stack.emplace_back(v, h);
                continue;
            }
            const std::size_t at = found->second;
            const std::uint32_t kept = stack[at].first;
            if (v != kept)
            {
                merges.emplace_back(v, kept);
                mCopies.emplace(kept, v);
            }
            if (!triangulate(std::vector<std::pair<std::uint32_t, std::uint32_t>>(
                    stack.begin() + static_cast<std::ptrdiff_t>(at), stack.end())))
                return rollBack();
            for (std::size_t i = at + 1; i < stack.size(); ++i)
                onStack.erase(keyOf(stack[i].first));
            stack.resize(at + 1);
            stack[at].second = h;
        }
        if (!triangulate(stack) || !mergesKeepManifold(merges))
            return rollBack();
        for (const auto& [copy, kept] : merges)
            mMergeTo[copy] = kept;
        r.mergedCopies += merges.size();
        for (const Vector3<unsigned int>& tri : mPatch)
            mMesh.tris.push_back(tri);
        r.addedTriangles += mPatch.size();
        return true;
    }

    // Makes the merged copies one vertex.
    void mergeCopies()
    {
        for (Vector3<unsigned int>& tri : mMesh.tris)
            for (unsigned int k = 0; k < 3; ++k)
                tri[k] = mMergeTo[tri[k]];
    }

private:
    using Ring = std::vector<std::pair<std::uint32_t, std::uint32_t>>;   // (vertex, side out)
    using Merges = std::vector<std::pair<std::uint32_t, std::uint32_t>>; // (copy, kept)

    bool rollBack()
    {
        for (const auto& [a, b] : mAdded)
            mEdges.add(a, b, -1);
        return false;
    }

    // Whether the mesh or the patch has an edge between a and b, counting copies merged
    // into either.
    bool hasEdge(std::uint32_t a, std::uint32_t b) const
    {
        if (mEdges.count(a, b) != 0)
            return true;
        if (mCopies.empty())
            return false;
        std::vector<std::uint32_t> as{a}, bs{b};
        for (auto [i, end] = mCopies.equal_range(a); i != end; ++i)
            as.push_back(i->second);
        for (auto [i, end] = mCopies.equal_range(b); i != end; ++i)
            bs.push_back(i->second);
        for (const std::uint32_t x : as)
            for (const std::uint32_t y : bs)
                if (mEdges.count(x, y) != 0)
                    return true;
        return false;
    }

    // Whether merging the copies, with the patch in place, leaves every edge at a merged
    // vertex with at most two triangles, no duplicate triangle and one fan round each.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity): one check over small sets
    bool mergesKeepManifold(const Merges& merges) const
    {
        if (merges.empty())
            return true;
        std::unordered_map<std::uint32_t, std::uint32_t> renamed;
        std::vector<std::uint32_t> faceIds;
        for (const auto& [copy, kept] : merges)
        {
            renamed[copy] = kept;
            for (const std::uint32_t v : {copy, kept})
                faceIds.insert(faceIds.end(), mAround.begin(v), mAround.end(v));
        }
        std::sort(faceIds.begin(), faceIds.end());
        faceIds.erase(std::unique(faceIds.begin(), faceIds.end()), faceIds.end());
        std::vector<std::array<std::uint32_t, 3>> faces, sorted;
        faces.reserve(faceIds.size() + mPatch.size());
        sorted.reserve(faceIds.size() + mPatch.size());
        auto name = [&renamed](std::uint32_t v)
        {
            const auto found = renamed.find(v);
            return found == renamed.end() ? v : found->second;
        };
        for (const std::uint32_t f : faceIds)
            faces.push_back(
                {name(mMesh.tris[f][0]), name(mMesh.tris[f][1]), name(mMesh.tris[f][2])});
        for (const Vector3<unsigned int>& t : mPatch)
            faces.push_back({name(t[0]), name(t[1]), name(t[2])});
        for (const auto& f : faces)
            sorted.push_back(sortedCorners({f[0], f[1], f[2]}));
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
            return false;
        for (const auto& [copy, kept] : merges)
        {
            // The faces at kept, joined across their edges there: one fan, no edge of three.
            std::vector<std::pair<std::uint32_t, std::size_t>> ends; // far end, face
            for (std::size_t i = 0; i < faces.size(); ++i)
                for (unsigned int k = 0; k < 3; ++k)
                    if (faces[i][k] == kept)
                    {
                        ends.emplace_back(faces[i][(k + 1) % 3], i);
                        ends.emplace_back(faces[i][(k + 2) % 3], i);
                    }
            std::sort(ends.begin(), ends.end());
            DisjointSets fans(faces.size());
            std::size_t joins = 0, fanFaces = ends.size() / 2;
            for (std::size_t i = 0; i < ends.size();)
            {
                std::size_t j = i + 1;
                while (j < ends.size() && ends[j].first == ends[i].first)
                    ++j;
                if (j - i > 2)
                    return false;
                if (j - i == 2 && fans.find(static_cast<std::uint32_t>(ends[i].second)) !=
                                      fans.find(static_cast<std::uint32_t>(ends[i + 1].second)))
                {
                    fans.unite(static_cast<std::uint32_t>(ends[i].second),
                               static_cast<std::uint32_t>(ends[i + 1].second));
                    ++joins;
                }
                i = j;
            }
            if (fanFaces > 0 && joins + 1 != fanFaces)
                return false;
        }
        return true;
    }

    void addDiagonal(std::uint32_t a, std::uint32_t b)
    {
        mEdges.add(a, b, 1);
        mAdded.emplace_back(a, b);
    }

    D3 faceNormal(std::uint32_t side) const
    {
        const Vector3<unsigned int>& t = mMesh.tris[side / 3];
        return areaVector(mMesh.verts, t[0], t[1], t[2]).unit();
    }

    // The patch triangle over ring positions i < m < j, turned against the ring.
    Vector3<unsigned int> patchTriangle(const Ring& ring, std::size_t i, std::size_t m,
                                        std::size_t j) const
    {
        return {ring[j].first, ring[m].first, ring[i].first};
    }
    bool proper(const Vector3<unsigned int>& tri) const
    {
        const Verts& v = mMesh.verts;
        return !repeatedCorner(tri) && !exactlyCollinear(v[tri[0]], v[tri[1]], v[tri[2]]);
    }

    bool triangulate(const Ring& ring)
    {
        const std::size_t n = ring.size();
        if (n < 3)
            return n == 2; // a slit between copies: merging them closes it
        if (n == 3)
        {
            // Its mirror would be a duplicate: a floating triangle stays one.
            if (ring[0].second / 3 == ring[1].second / 3 &&
                ring[1].second / 3 == ring[2].second / 3)
                return false;
            const Vector3<unsigned int> tri = patchTriangle(ring, 0, 1, 2);
            if (!proper(tri))
                return false;
            mPatch.push_back(tri);
            return true;
        }
        return n <= DP_LIMIT ? triangulateOptimal(ring) : clipEars(ring);
    }

    // Minimises the largest fold between neighbouring triangles (1 - cosine), then the
    // area, over every triangulation (cubic in the loop's length).
    // NOLINTNEXTLINE(readability-function-cognitive-complexity): one dynamic programme
    bool triangulateOptimal(const Ring& ring)
    {
        const std::size_t n = ring.size();
        struct Cell
        {
            double fold = 0, area = 0;
            std::uint32_t apex = NONE; // NONE: no valid triangulation (or a side)
            D3 normal;
        };
        std::vector<Cell> cells(n * n);
        auto at = [&](std::size_t i, std::size_t j) -> Cell& { return cells[i * n + j]; };
        auto usable = [&](std::size_t i, std::size_t j)
        {
            if (j == i + 1 || (i == 0 && j == n - 1))
                return true;
            return ring[i].first != ring[j].first && !hasEdge(ring[i].first, ring[j].first);
        };
        auto across = [&](std::size_t i, std::size_t j)
        { return j == i + 1 ? faceNormal(ring[i].second) : at(i, j).normal; };
        for (std::size_t len = 2; len < n; ++len)
            for (std::size_t i = 0; i + len < n; ++i)
            {
                const std::size_t j = i + len;
                Cell& best = at(i, j);
                if (!usable(i, j))
                    continue;
                for (std::size_t m = i + 1; m < j; ++m)
                {
                    if ((m > i + 1 && at(i, m).apex == NONE) ||
                        (j > m + 1 && at(m, j).apex == NONE))
                        continue;
                    const Vector3<unsigned int> tri = patchTriangle(ring, i, m, j);
                    if (!proper(tri))
                        continue;
                    const D3 a = areaVector(mMesh.verts, tri[0], tri[1], tri[2]);
                    const D3 nrm = a.unit();
                    double fold = std::max(1 - nrm.dot(across(i, m)), 1 - nrm.dot(across(m, j)));
                    if (i == 0 && j == n - 1)
                        fold = std::max(fold, 1 - nrm.dot(faceNormal(ring[n - 1].second)));
                    if (m > i + 1)
                        fold = std::max(fold, at(i, m).fold);
                    if (j > m + 1)
                        fold = std::max(fold, at(m, j).fold);
                    const double area = 0.5 * a.length() + (m > i + 1 ? at(i, m).area : 0) +
                                        (j > m + 1 ? at(m, j).area : 0);
                    if (best.apex == NONE || fold < best.fold - 1e-12 ||
                        (fold <= best.fold + 1e-12 && area < best.area))
                        best = {fold, area, static_cast<std::uint32_t>(m), nrm};
                }
            }
        if (at(0, n - 1).apex == NONE)
            return false;
        std::vector<std::pair<std::size_t, std::size_t>> todo{{0, n - 1}};
        while (!todo.empty())
        {
            const auto [i, j] = todo.back();
            todo.pop_back();
            const std::size_t m = at(i, j).apex;
            mPatch.push_back(patchTriangle(ring, i, m, j));
            for (const auto& [x, y] : {std::make_pair(i, m), std::make_pair(m, j)})
                if (y > x + 1)
                {
                    addDiagonal(ring[x].first, ring[y].first);
                    todo.emplace_back(x, y);
                }
        }
        return true;
    }

    // Clips the ear that folds least against the triangles beside it, again and again.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity): one clipping loop
    bool clipEars(const Ring& ring)
    {
        const std::size_t n = ring.size();
        std::vector<std::size_t> prev(n), nextOf(n);
        std::vector<D3> out(n); // normal of the triangle across the side leaving each
        std::vector<std::uint32_t> version(n, 0);
        std::vector<std::uint8_t> gone(n, 0);
        for (std::size_t i = 0; i < n; ++i)
        {
            prev[i] = (i + n - 1) % n;
            nextOf[i] = (i + 1) % n;
            out[i] = faceNormal(ring[i].second);
        }
        using Entry = std::pair<double, std::pair<std::size_t, std::uint32_t>>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<>> heap;
        auto ear = [&](std::size_t i) -> Vector3<unsigned int> {
            return {ring[nextOf[i]].first, ring[i].first, ring[prev[i]].first};
        };
        auto push = [&](std::size_t i)
        {
            const Vector3<unsigned int> tri = ear(i);
            if (!proper(tri) || hasEdge(tri[0], tri[2]))
                return;
            const D3 nrm = areaVector(mMesh.verts, tri[0], tri[1], tri[2]).unit();
            const double fold = std::max(1 - nrm.dot(out[prev[i]]), 1 - nrm.dot(out[i]));
            heap.push({fold, {i, ++version[i]}});
        };
        for (std::size_t i = 0; i < n; ++i)
            push(i);
        std::size_t left = n;
        while (left > 3)
        {
            if (heap.empty())
                return false;
            const auto [i, v] = heap.top().second;
            heap.pop();
            if (v != version[i])
                continue;
            const Vector3<unsigned int> tri = ear(i);
            if (hasEdge(tri[0], tri[2])) // a diagonal made since
            {
                ++version[i];
                continue;
            }
            mPatch.push_back(tri);
            addDiagonal(tri[0], tri[2]);
            const std::size_t p = prev[i], q = nextOf[i];
            out[p] = areaVector(mMesh.verts, tri[0], tri[1], tri[2]).unit();
            nextOf[p] = q;
            prev[q] = p;
            ++version[i];
            gone[i] = 1;
            --left;
            ++version[p];
            ++version[q];
            push(p);
            push(q);
        }
        std::size_t i = 0;
        while (gone[i])
            ++i;
        const Vector3<unsigned int> last = ear(i);
        if (!proper(last))
            return false;
        mPatch.push_back(last);
        return true;
    }

    MeshData& mMesh;
    EdgeCounts mEdges;
    VertexFaces mAround; // the triangles at each vertex before filling
    std::vector<std::uint32_t> mMergeTo;
    std::unordered_multimap<std::uint32_t, std::uint32_t> mCopies; // kept -> copies, this loop
    std::vector<Vector3<unsigned int>> mPatch;                     // this loop's triangles
    std::vector<std::pair<std::uint32_t, std::uint32_t>> mAdded;   // this loop's diagonals
};

// The boundary loops as the half-edges they follow; a walk that meets a vertex with no or
// several boundary sides leaving it is returned empty (left unfilled).
std::vector<std::vector<std::uint32_t>> boundaryLoops(const MeshData& mesh,
                                                      const std::vector<std::uint32_t>& partner)
{
    const Tris& t = mesh.tris;
    constexpr std::uint32_t SEVERAL = NONE - 1;
    std::vector<std::uint32_t> leaving(mesh.verts.size(), NONE);
    std::vector<std::uint32_t> sides;
    for (std::uint32_t h = 0; h < partner.size(); ++h)
        if (partner[h] == NONE && from(t, h) != to(t, h))
        {
            std::uint32_t& l = leaving[from(t, h)];
            l = l == NONE ? h : SEVERAL;
            sides.push_back(h);
        }
    std::vector<std::vector<std::uint32_t>> loops;
    std::vector<std::uint8_t> walked(partner.size(), 0);
    for (const std::uint32_t first : sides)
    {
        if (walked[first])
            continue;
        std::vector<std::uint32_t> loop;
        bool ok = true;
        for (std::uint32_t h = first;;)
        {
            walked[h] = 1;
            loop.push_back(h);
            const std::uint32_t n = leaving[to(t, h)];
            if (n == first)
                break;
            if (n == NONE || n == SEVERAL || walked[n])
            {
                ok = false;
                break;
            }
            h = n;
        }
        if (!ok)
            loop.clear();
        loops.push_back(std::move(loop));
    }
    return loops;
}

FillResult fillWith(MeshData& mesh, std::vector<std::uint32_t>& partner, std::uint64_t maxEdges)
{
    FillResult r;
    const std::vector<std::vector<std::uint32_t>> loops = boundaryLoops(mesh, partner);
    r.holes = loops.size();
    if (loops.empty())
        return r;
    HoleFiller filler(mesh, partner);
    for (const std::vector<std::uint32_t>& loop : loops)
    {
        if (loop.size() > maxEdges)
            ++r.holesTooLarge;
        else if (!loop.empty() && filler.fill(loop, r))
            ++r.filledHoles;
        else
            ++r.holesLeft;
    }
    if (r.mergedCopies > 0)
    {
        filler.mergeCopies();
        dropUnreferenced(mesh);
    }
    if (r.addedTriangles > 0)
        r.turnedOutward = orient(mesh).turnedOutward;
    return r;
}

bool indicesInRange(const MeshData& mesh)
{
    for (const Vector3<unsigned int>& t : mesh.tris)
        if (t[0] >= mesh.verts.size() || t[1] >= mesh.verts.size() || t[2] >= mesh.verts.size())
            return false;
    return true;
}

// Cells of the grid for welding within a distance.
struct Cell
{
    std::int64_t x, y, z;
    bool operator==(const Cell& o) const { return x == o.x && y == o.y && z == o.z; }
};
struct CellHash
{
    std::size_t operator()(const Cell& c) const
    {
        return static_cast<std::size_t>(static_cast<std::uint64_t>(c.x) * 0x9E3779B97F4A7C15ull ^
                                        static_cast<std::uint64_t>(c.y) * 0xC2B2AE3D27D4EB4Full ^
                                        static_cast<std::uint64_t>(c.z) * 0x165667B19E3779F9ull);
    }
};
} // namespace

WeldResult weldExact(MeshData& mesh)
{
    const Verts& v = mesh.verts;
    std::vector<std::uint32_t> rep(v.size());
    WeldMap first;
    auto positionOf = [&v](unsigned int i) -> const Vector3<float>& { return v[i]; };
    first.reserve(v.size(), positionOf);
    constexpr std::size_t AHEAD = 8; // positions are far apart in the table
    for (std::size_t i = 0; i < v.size(); ++i)
    {
        if (i + AHEAD < v.size())
            first.prefetch(v[i + AHEAD]);
        rep[i] = first.findOrInsert(v[i], static_cast<unsigned int>(i), positionOf);
    }
    return applyMerge(mesh, rep);
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one pass over a grid
WeldResult weldWithin(MeshData& mesh, double distance)
{
    if (!(distance > 0) || !std::isfinite(distance))
        return {};
    const Verts& v = mesh.verts;
    const double d2 = distance * distance;
    std::unordered_map<Cell, std::uint32_t, CellHash> head; // cell -> last kept position in it
    std::vector<std::uint32_t> chain(v.size(), NONE);       // earlier kept one in the same cell
    std::vector<std::uint32_t> rep(v.size());
    for (std::uint32_t i = 0; i < v.size(); ++i)
    {
        rep[i] = i;
        const D3 p = d3(v[i]);
        const double cx = std::floor(p.x / distance), cy = std::floor(p.y / distance),
                     cz = std::floor(p.z / distance);
        constexpr double LIMIT = 4.0e18; // cell numbers must fit with room for the neighbours
        if (!(std::fabs(cx) < LIMIT && std::fabs(cy) < LIMIT && std::fabs(cz) < LIMIT))
            continue; // not finite, or too far out to place: merged with nothing
        const Cell c{static_cast<std::int64_t>(cx), static_cast<std::int64_t>(cy),
                     static_cast<std::int64_t>(cz)};
        double bestD2 = d2;
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
                for (std::int64_t dz = -1; dz <= 1; ++dz)
                {
                    const auto found = head.find({c.x + dx, c.y + dy, c.z + dz});
                    for (std::uint32_t k = found == head.end() ? NONE : found->second; k != NONE;
                         k = chain[k])
                    {
                        const D3 e = d3(v[k]) - p;
                        const double e2 = e.dot(e);
                        if (e2 < bestD2 || (e2 == bestD2 && e2 < d2 && k < rep[i]))
                        {
                            bestD2 = e2;
                            rep[i] = k;
                        }
                    }
                }
        if (rep[i] == i)
        {
            auto [slot, added] = head.try_emplace(c, i);
            if (!added)
            {
                chain[i] = slot->second;
                slot->second = i;
            }
        }
    }
    return applyMerge(mesh, rep);
}

CleanResult removeDegenerate(MeshData& mesh)
{
    CleanResult r;
    Tris& t = mesh.tris;
    std::size_t size = 16;
    while (size < 2 * t.size())
        size *= 2;
    std::vector<std::uint32_t> table(size, NONE); // kept triangles by their sorted corners
    auto slotOf = [size](const std::array<std::uint32_t, 3>& s)
    {
        std::uint64_t h = (static_cast<std::uint64_t>(s[0]) << 32 | s[1]) * 0x9E3779B97F4A7C15ull;
        h = (h ^ (h >> 29) ^ s[2]) * 0xC2B2AE3D27D4EB4Full;
        return static_cast<std::size_t>(h >> 32) & (size - 1);
    };
    constexpr std::size_t AHEAD = 8; // triangles ahead whose slot is loaded
    std::size_t kept = 0;
    for (std::size_t f = 0; f < t.size(); ++f)
    {
        if (f + AHEAD < t.size())
            __builtin_prefetch(&table[slotOf(sortedCorners(t[f + AHEAD]))]);
        const Vector3<unsigned int> tri = t[f];
        if (repeatedCorner(tri))
        {
            ++r.repeatedCornerTriangles;
            continue;
        }
        if (exactlyCollinear(mesh.verts[tri[0]], mesh.verts[tri[1]], mesh.verts[tri[2]]))
        {
            ++r.zeroAreaTriangles;
            continue;
        }
        const std::array<std::uint32_t, 3> s = sortedCorners(tri);
        std::size_t i = slotOf(s);
        while (table[i] != NONE && sortedCorners(t[table[i]]) != s)
            i = (i + 1) & (size - 1);
        if (table[i] != NONE)
        {
            ++r.duplicateTriangles;
            continue;
        }
        table[i] = static_cast<std::uint32_t>(kept);
        t[kept++] = tri;
    }
    t.resize(kept);
    r.unreferencedVertices = dropUnreferenced(mesh);
    return r;
}

ComponentResult removeSmallComponents(MeshData& mesh, std::uint64_t maxFaces)
{
    ComponentResult r;
    if (maxFaces == 0)
        return r;
    Tris& t = mesh.tris;
    DisjointSets sets(mesh.verts.size());
    for (const Vector3<unsigned int>& tri : t)
    {
        sets.unite(tri[0], tri[1]);
        sets.unite(tri[0], tri[2]);
    }
    std::vector<std::uint64_t> faces(mesh.verts.size(), 0); // by root
    for (const Vector3<unsigned int>& tri : t)
        ++faces[sets.find(tri[0])];
    for (std::size_t v = 0; v < faces.size(); ++v)
        r.removedComponents += faces[v] > 0 && faces[v] <= maxFaces ? 1u : 0u;
    std::size_t kept = 0;
    for (std::size_t f = 0; f < t.size(); ++f)
        if (faces[sets.find(t[f][0])] > maxFaces)
            t[kept++] = t[f];
    r.removedTriangles = t.size() - kept;
    t.resize(kept);
    r.removedVertices = dropUnreferenced(mesh);
    return r;
}

ManifoldResult makeManifold(MeshData& mesh)
{
    Partners p = buildPartners(mesh);
    return manifoldWith(mesh, p);
}

OrientResult orient(MeshData& mesh)
{
    Partners p = buildPartners(mesh);
    return orientWith(mesh, p.of);
}

FillResult fillHoles(MeshData& mesh, std::uint64_t maxEdges)
{
    Partners p = buildPartners(mesh);
    return fillWith(mesh, p.of, maxEdges);
}

bool repair(MeshData& mesh, const Options& options, Report& report)
{
    report = Report();
    if (!indicesInRange(mesh))
        return false;
    report.weld = weldExact(mesh);
    report.weldWithin = weldWithin(mesh, options.weldDistance);
    report.clean = removeDegenerate(mesh);
    report.components = removeSmallComponents(mesh, options.minComponent);
    // The pairing of triangles into sheets serves the later steps too: splitting keeps
    // triangles and their sides where they are.
    Partners p = buildPartners(mesh);
    report.manifold = manifoldWith(mesh, p);
    report.orientation = orientWith(mesh, p.of);
    report.fill = fillWith(mesh, p.of, options.maxHole);
    return true;
}
} // namespace MeshRepair
