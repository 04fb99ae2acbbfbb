#include "MeshAnalysis.h"

#include "SupportCode/VertexFaces.h"
#include "SupportCode/WeldMap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace
{
constexpr std::uint32_t NONE = 0xffffffffu;

using Face = std::array<std::uint32_t, 3>;

// Union-find with path halving over the parent links parentOf(i) refers to; sets are
// joined under the smaller root so that results do not depend on the order of the unions.
template <class ParentOf> std::uint32_t findRoot(ParentOf parentOf, std::uint32_t i)
{
    while (parentOf(i) != i)
    {
        parentOf(i) = parentOf(parentOf(i));
        i = parentOf(i);
    }
    return i;
}

template <class ParentOf> void uniteRoots(ParentOf parentOf, std::uint32_t a, std::uint32_t b)
{
    a = findRoot(parentOf, a);
    b = findRoot(parentOf, b);
    if (a < b)
        parentOf(b) = a;
    else if (b < a)
        parentOf(a) = b;
}

class DisjointSets
{
    // Defined first: the members below deduce its type.
    auto parentOf()
    {
        return [this](std::uint32_t i) -> std::uint32_t& { return mParent[i]; };
    }

public:
    void reset(std::size_t n)
    {
        mParent.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            mParent[i] = static_cast<std::uint32_t>(i);
    }
    void reserve(std::size_t n) { mParent.reserve(n); }
    void add(std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i)
            mParent.push_back(static_cast<std::uint32_t>(mParent.size()));
    }
    std::uint32_t find(std::uint32_t i) { return findRoot(parentOf(), i); }
    void unite(std::uint32_t a, std::uint32_t b) { uniteRoots(parentOf(), a, b); }
    bool isRoot(std::uint32_t i) const { return mParent[i] == i; }
    std::size_t size() const { return mParent.size(); }
    // Always inlined: GCC counts a function whose only effect is a prefetch pure, and drops
    // the calls.
    [[gnu::always_inline]] void prefetch(std::uint32_t i) const { __builtin_prefetch(&mParent[i]); }

private:
    std::vector<std::uint32_t> mParent;
};

// What is kept of a boundary side id, in one record: the ids met at a vertex were given
// out at any time before, so each is a cache miss, paid once for all four fields.
struct BoundarySide
{
    std::uint32_t loop = 0;         // union-find parent over side ids
    std::uint32_t properLoop = 0;   // the same among triangles with three different corners
    std::uint32_t component = NONE; // NONE for no boundary edge
    std::uint32_t properBoundary = 0;
};

// One edge {v, w} as seen from v while its triangles are visited.
struct EdgeAtVertex
{
    std::uint32_t w = 0;
    std::uint32_t faces = 0;       // triangles with this side
    std::uint32_t properFaces = 0; // of those, with three different corners
    std::uint32_t outwardOnly = 0; // run along it from v to w only
    std::uint32_t inwardOnly = 0;  // from w to v only
    std::uint32_t properOutward = 0;
    // The last of its triangles, and of those with three different corners, each with its
    // first side along the edge: the same seen from either end.
    std::uint32_t lastFace = 0, lastSide = 0;
    std::uint32_t lastProperFace = 0, lastProperSide = 0;
};

// Counts of the surface without the triangles with repeated corners.
struct ProperTally
{
    std::uint64_t vertices = 0, edges = 0, boundaryEdges = 0, boundaryLoops = 0;
    std::uint64_t nonManifoldEdges = 0, nonManifoldVertices = 0, inconsistentEdges = 0;
};

// Everything the steps share. Faces are vertex triples; the vertex pass visits one vertex
// at a time, with the edges at that vertex in `around`.
struct State
{
    explicit State(MeshAnalysis::Report& r) : report(r) {}

    MeshAnalysis::Report& report;
    std::vector<Face> faces;
    std::vector<Vector3<float>> vertexPosition;
    std::vector<bool> repeatedCorners;      // by face: two or three corners on one vertex
    double signedVolume6 = 0.0;             // six times the volume, taken about the box centre
    std::vector<std::uint32_t> componentOf; // by vertex
    VertexFaces incident;                   // the triangles at each vertex

    std::vector<std::uint32_t> slotOf; // far end -> index into around; NONE between vertices
    std::vector<EdgeAtVertex> around;
    DisjointSets fans;            // over around
    DisjointSets edgeJoinedFaces; // over faces: joined through their edges
    std::vector<std::uint32_t> fanBoundaryEdge, fanProperBoundaryEdge;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> higherCorners;

    // A boundary edge has one triangle; it is named by that triangle's side along it,
    // 3 ids a face, given out to faces with a boundary edge as they are met.
    std::vector<std::uint32_t> sideIdBase; // by face, or NONE; empty until needed
    std::vector<BoundarySide> sides;       // by side id

    ProperTally proper;
    MeshAnalysis::Defects* defects = nullptr; // lists wanted when set
};

// Adds the edge {a, b} to one of the defect lists, when they are wanted.
void noteEdge(const State& s, std::vector<Vector3<float>> MeshAnalysis::Defects::*list,
              std::uint32_t a, std::uint32_t b)
{
    if (s.defects == nullptr)
        return;
    (s.defects->*list).push_back(s.vertexPosition[a]);
    (s.defects->*list).push_back(s.vertexPosition[b]);
}

std::string plural(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool indicesInRange(std::size_t numPositions, const std::vector<Vector3<unsigned int>>& triangles)
{
    for (const Vector3<unsigned int>& t : triangles)
        if (t[0] >= numPositions || t[1] >= numPositions || t[2] >= numPositions)
            return false;
    return true;
}

// Every position is represented by the first position equal to it; returns how many
// distinct positions there are.
std::uint64_t weldPositions(const std::vector<Vector3<float>>& positions,
                            std::vector<std::uint32_t>& representative)
{
    representative.resize(positions.size());
    WeldMap first;
    auto positionOf = [&positions](unsigned int i) -> const Vector3<float>&
    { return positions[i]; };
    first.reserve(positions.size(), positionOf);
    // Positions in a file are far apart in the table: look a few ahead.
    constexpr std::size_t AHEAD = 8;
    for (std::size_t i = 0; i < positions.size(); ++i)
    {
        if (i + AHEAD < positions.size())
            first.prefetch(positions[i + AHEAD]);
        representative[i] =
            first.findOrInsert(positions[i], static_cast<unsigned int>(i), positionOf);
    }
    return first.size();
}

// Positions that are the first of their kind.
std::uint64_t countFirsts(const std::vector<std::uint32_t>& firstEqual)
{
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < firstEqual.size(); ++i)
        n += firstEqual[i] == i ? 1u : 0u;
    return n;
}

// Vertices numbered in the order corners first use them; faces as vertex triples.
void numberVertices(const std::vector<Vector3<float>>& positions,
                    const std::vector<Vector3<unsigned int>>& triangles,
                    const std::vector<std::uint32_t>& representative,
                    std::uint64_t distinctPositions, State& s)
{
    std::vector<std::uint32_t> vertexOf(positions.size(), NONE); // by representative
    s.vertexPosition.reserve(distinctPositions);
    s.faces.resize(triangles.size());
    // Where corners are used at random, each of the three lookups a corner makes is a cache
    // miss: each is started a few faces before the one that needs it.
    constexpr std::size_t AHEAD = 4;
    for (std::size_t f = 0; f < triangles.size(); ++f)
    {
        for (unsigned int k = 0; k < 3; ++k)
        {
            if (f + 2 * AHEAD < triangles.size())
                __builtin_prefetch(&representative[triangles[f + 2 * AHEAD][k]]);
            if (f + AHEAD < triangles.size())
            {
                const std::uint32_t rep = representative[triangles[f + AHEAD][k]];
                __builtin_prefetch(&vertexOf[rep]);
                __builtin_prefetch(&positions[rep]);
            }
        }
        for (unsigned int k = 0; k < 3; ++k)
        {
            const std::uint32_t rep = representative[triangles[f][k]];
            if (vertexOf[rep] == NONE)
            {
                vertexOf[rep] = static_cast<std::uint32_t>(s.vertexPosition.size());
                s.vertexPosition.push_back(positions[rep]);
            }
            s.faces[f][k] = vertexOf[rep];
        }
    }
}

void measureBox(State& s)
{
    MeshAnalysis::Report& r = s.report;
    r.hasBoundingBox = !s.vertexPosition.empty();
    if (!r.hasBoundingBox)
        return;
    r.boxMin = r.boxMax = s.vertexPosition[0];
    for (const Vector3<float>& p : s.vertexPosition)
        for (unsigned int k = 0; k < 3; ++k)
        {
            r.boxMin[k] = std::min(r.boxMin[k], p[k]);
            r.boxMax[k] = std::max(r.boxMax[k], p[k]);
        }
}

// Whether t[0] + ... + t[5] is exactly zero. Grows a non-overlapping expansion of the sum
// with error-free additions (no term can overflow or lose bits to underflow here: they
// are products of two floats); such an expansion is zero only when every part is.
bool sumIsZero(const double (&t)[6])
{
    double sum = 0.0, magnitude = 0.0;
    for (const double x : t)
    {
        sum += x;
        magnitude += std::fabs(x);
    }
    // Six terms added in order err by less than 6e-16 of their magnitudes.
    if (std::fabs(sum) > 1e-15 * magnitude)
        return false;
    double parts[6];
    unsigned int numParts = 0;
    for (const double x : t)
    {
        double q = x;
        unsigned int kept = 0;
        for (unsigned int i = 0; i < numParts; ++i)
        {
            const double a = q, b = parts[i];
            q = a + b;
            const double bPart = q - a, aPart = q - bPart;
            const double error = (a - aPart) + (b - bPart);
            if (error != 0.0)
                parts[kept++] = error;
        }
        parts[kept++] = q;
        numParts = kept;
    }
    for (unsigned int i = 0; i < numParts; ++i)
        if (parts[i] != 0.0)
            return false;
    return true;
}

// Exactly collinear corners, wherever they lie: each component of (b - a) x (c - a),
// written as a sum of six products of coordinates, each product exact in double.
bool collinear(const Vector3<float>& a, const Vector3<float>& b, const Vector3<float>& c)
{
    for (unsigned int k = 0; k < 3; ++k)
    {
        const unsigned int i = (k + 1) % 3, j = (k + 2) % 3;
        auto p = [](float x, float y) { return static_cast<double>(x) * y; };
        const double terms[6] = {p(a[i], b[j]),  -p(a[j], b[i]), p(b[i], c[j]),
                                 -p(b[j], c[i]), p(c[i], a[j]),  -p(c[j], a[i])};
        if (!sumIsZero(terms))
            return false;
    }
    return true;
}

// How many faces ahead a loop over faces starts loading what their corners index: where
// corners are shared at random, each such access is a cache miss.
constexpr std::size_t FACES_AHEAD = 8;

// Area, degenerate triangles and the volume sum (taken about the box centre, which
// changes nothing for a closed surface and keeps the terms small).
void measureTriangles(State& s)
{
    MeshAnalysis::Report& r = s.report;
    double centre[3] = {0.0, 0.0, 0.0};
    if (r.hasBoundingBox)
        for (unsigned int k = 0; k < 3; ++k)
            centre[k] = 0.5 * (static_cast<double>(r.boxMin[k]) + r.boxMax[k]);
    s.repeatedCorners.assign(s.faces.size(), false);
    for (std::size_t f = 0; f < s.faces.size(); ++f)
    {
        if (f + FACES_AHEAD < s.faces.size()) // corners shared at random lie anywhere
            for (const std::uint32_t corner : s.faces[f + FACES_AHEAD])
                __builtin_prefetch(&s.vertexPosition[corner]);
        const Face& t = s.faces[f];
        double p[3][3];
        for (unsigned int i = 0; i < 3; ++i)
            for (unsigned int k = 0; k < 3; ++k)
                p[i][k] = static_cast<double>(s.vertexPosition[t[i]][k]) - centre[k];
        const double e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const double c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        r.area += 0.5 * std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        // p0 . (p1 x p2) = p0 . ((p1 - p0) x (p2 - p0))
        s.signedVolume6 += p[0][0] * c[0] + p[0][1] * c[1] + p[0][2] * c[2];
        const bool repeated = t[0] == t[1] || t[1] == t[2] || t[2] == t[0];
        s.repeatedCorners[f] = repeated;
        r.repeatedCornerTriangles += repeated ? 1u : 0u;
        if (repeated ||
            collinear(s.vertexPosition[t[0]], s.vertexPosition[t[1]], s.vertexPosition[t[2]]))
        {
            ++r.degenerateTriangles;
            if (s.defects != nullptr)
                for (unsigned int i = 0; i < 3; ++i)
                    s.defects->degenerateTriangles.push_back(s.vertexPosition[t[i]]);
        }
    }
}

// Components through shared vertices, numbered by their first triangle.
void labelComponents(State& s)
{
    const std::size_t numVerts = s.vertexPosition.size();
    std::vector<MeshAnalysis::Component>& components = s.report.components;
    DisjointSets sets;
    sets.reset(numVerts);
    for (std::size_t f = 0; f < s.faces.size(); ++f)
    {
        if (f + FACES_AHEAD < s.faces.size())
            for (const std::uint32_t corner : s.faces[f + FACES_AHEAD])
                sets.prefetch(corner);
        const Face& t = s.faces[f];
        sets.unite(t[0], t[1]);
        sets.unite(t[0], t[2]);
    }
    std::size_t roots = 0;
    for (std::uint32_t v = 0; v < numVerts; ++v)
        roots += sets.isRoot(v) ? 1u : 0u;
    components.reserve(roots);            // one allocation: a soup has a component per triangle
    s.componentOf.assign(numVerts, NONE); // first by root, then by vertex
    for (std::size_t f = 0; f < s.faces.size(); ++f)
    {
        if (f + FACES_AHEAD < s.faces.size())
            sets.prefetch(s.faces[f + FACES_AHEAD][0]);
        const Face& t = s.faces[f];
        std::uint32_t& id = s.componentOf[sets.find(t[0])];
        if (id == NONE)
        {
            id = static_cast<std::uint32_t>(components.size());
            components.emplace_back();
        }
    }
    for (std::uint32_t v = 0; v < numVerts; ++v)
    {
        // A root's entry is read before it is overwritten: roots are the smallest members.
        s.componentOf[v] = s.componentOf[sets.find(v)];
        ++components[s.componentOf[v]].vertices;
    }
    for (std::size_t f = 0; f < s.faces.size(); ++f)
    {
        if (f + FACES_AHEAD < s.faces.size())
            __builtin_prefetch(&s.componentOf[s.faces[f + FACES_AHEAD][0]]);
        MeshAnalysis::Component& c = components[s.componentOf[s.faces[f][0]]];
        ++c.faces;
        c.repeatedCornerTriangles += s.repeatedCorners[f] ? 1u : 0u;
    }
}

// Triangles whose lowest corner is v, by their other two corners in order: equal pairs are
// duplicates.
void noteIfLowestCorner(State& s, const Face& t, std::uint32_t v)
{
    if (t[0] < v || t[1] < v || t[2] < v)
        return;
    std::uint32_t a = t[0], b = t[1], c = t[2];
    if (a > b)
        std::swap(a, b);
    if (b > c)
        std::swap(b, c);
    if (a > b)
        std::swap(a, b);
    s.higherCorners.emplace_back(b, c);
}

// The edges at v with their triangles, and the triangles whose lowest corner is v. Each
// triangle with three different corners joins the far ends of its two edges at v: the
// groups so joined are v's fans.
// The sides of a triangle at v, by far end: bit 1 of ways runs v to w, bit 2 runs w to v.
struct SidesAt
{
    std::uint32_t far[2] = {0, 0}, firstSide[2] = {0, 0};
    unsigned int ways[2] = {0, 0};
    unsigned int count = 0;
};

SidesAt sidesAt(const Face& t, std::uint32_t v)
{
    SidesAt sides;
    for (unsigned int k = 0; k < 3; ++k)
    {
        const std::uint32_t from = t[k];
        const std::uint32_t to = t[(k + 1) % 3];
        if (from == to || (from != v && to != v))
            continue;
        const std::uint32_t w = from == v ? to : from;
        unsigned int j = 0;
        while (j < sides.count && sides.far[j] != w)
            ++j;
        if (j == sides.count)
        {
            sides.far[j] = w;
            sides.firstSide[sides.count++] = k;
        }
        sides.ways[j] |= from == v ? 1u : 2u;
    }
    return sides;
}

// The edge from the current vertex to w, entered when new.
EdgeAtVertex& edgeTo(State& s, std::uint32_t w)
{
    if (s.slotOf[w] == NONE)
    {
        s.slotOf[w] = static_cast<std::uint32_t>(s.around.size());
        s.around.emplace_back();
        s.around.back().w = w;
        s.fans.add(1);
    }
    return s.around[s.slotOf[w]];
}

// The rows of all vertices follow each other, and a vertex's faces lie anywhere. So what
// visiting a face a few entries after row entry i (perhaps the next vertex's) needs is
// loaded in stages while these are counted: its record and where its boundary sides are,
// then those sides and the far-end slots of its corners. left: entries from i to the end.
// Always inlined: GCC counts a function whose only effect is a prefetch pure, and drops
// the calls.
[[gnu::always_inline]] inline void prefetchFacesAhead(const State& s, const std::uint32_t* i,
                                                      std::ptrdiff_t left)
{
    constexpr std::ptrdiff_t AHEAD = 8;
    if (left > 2 * AHEAD)
    {
        __builtin_prefetch(&s.faces[i[2 * AHEAD]]);
        if (!s.sideIdBase.empty())
            __builtin_prefetch(&s.sideIdBase[i[2 * AHEAD]]);
    }
    if (left > AHEAD)
    {
        s.edgeJoinedFaces.prefetch(i[AHEAD]);
        for (const std::uint32_t corner : s.faces[i[AHEAD]])
            if (corner < s.slotOf.size())
                __builtin_prefetch(&s.slotOf[corner]);
        if (!s.sideIdBase.empty() && s.sideIdBase[i[AHEAD]] != NONE)
            __builtin_prefetch(&s.sides[s.sideIdBase[i[AHEAD]]]);
    }
}

void gatherEdgesAround(State& s, std::uint32_t v)
{
    s.around.clear();
    s.fans.reset(0);
    s.higherCorners.clear();
    // At most two edges a triangle: a hub of many triangles grows its scratch once.
    const std::size_t mostEdges =
        2 * static_cast<std::size_t>(s.incident.end(v) - s.incident.begin(v));
    if (mostEdges > s.around.capacity())
    {
        s.around.reserve(mostEdges);
        s.fans.reserve(mostEdges);
    }
    const std::uint32_t* const lastRowEnd = s.incident.faces().data() + s.incident.faces().size();
    for (const std::uint32_t* i = s.incident.begin(v); i != s.incident.end(v); ++i)
    {
        prefetchFacesAhead(s, i, lastRowEnd - i);
        const std::uint32_t f = *i;
        const Face& t = s.faces[f];
        const SidesAt sides = sidesAt(t, v);
        const bool proper = !s.repeatedCorners[f];
        for (unsigned int j = 0; j < sides.count; ++j)
        {
            EdgeAtVertex& e = edgeTo(s, sides.far[j]);
            if (e.faces > 0 && e.w > v) // each edge joins its triangles once, at its lower end
                s.edgeJoinedFaces.unite(f, e.lastFace);
            const bool outward = sides.ways[j] == 1u;
            ++e.faces;
            e.outwardOnly += outward ? 1u : 0u;
            e.inwardOnly += sides.ways[j] == 2u ? 1u : 0u;
            e.lastFace = f;
            e.lastSide = sides.firstSide[j];
            if (!proper)
                continue;
            ++e.properFaces;
            e.properOutward += outward ? 1u : 0u;
            e.lastProperFace = f;
            e.lastProperSide = sides.firstSide[j];
        }
        if (proper)
            s.fans.unite(s.slotOf[sides.far[0]], s.slotOf[sides.far[1]]);
        noteIfLowestCorner(s, t, v);
    }
}

// Duplicates among the triangles whose lowest corner is v.
void countDuplicatesAt(State& s)
{
    std::sort(s.higherCorners.begin(), s.higherCorners.end());
    for (std::size_t i = 1; i < s.higherCorners.size(); ++i)
        if (s.higherCorners[i] == s.higherCorners[i - 1])
            ++s.report.duplicateTriangles;
}

// Each edge is seen from both ends and counted at its lower one.
void countEdgesAt(State& s, std::uint32_t v)
{
    MeshAnalysis::Report& r = s.report;
    MeshAnalysis::Component& component = r.components[s.componentOf[v]];
    for (const EdgeAtVertex& e : s.around)
    {
        if (e.w < v)
            continue;
        ++r.edges;
        ++component.edges;
        if (e.faces == 1)
        {
            ++r.boundaryEdges;
            noteEdge(s, &MeshAnalysis::Defects::boundaryEdges, v, e.w);
        }
        else if (e.faces > 2)
        {
            ++r.nonManifoldEdges;
            ++component.nonManifoldEdges;
            noteEdge(s, &MeshAnalysis::Defects::nonManifoldEdges, v, e.w);
        }
        else if (e.outwardOnly != 1 || e.inwardOnly != 1)
        {
            ++r.inconsistentEdges;
            ++component.inconsistentEdges;
            noteEdge(s, &MeshAnalysis::Defects::inconsistentEdges, v, e.w);
        }
        ProperTally& p = s.proper;
        p.edges += e.properFaces > 0 ? 1u : 0u;
        p.boundaryEdges += e.properFaces == 1 ? 1u : 0u;
        p.nonManifoldEdges += e.properFaces > 2 ? 1u : 0u;
        p.inconsistentEdges += e.properFaces == 2 && e.properOutward != 1 ? 1u : 0u;
    }
}

// The id of a boundary edge: its one triangle's side along it.
std::uint32_t sideId(State& s, std::uint32_t face, std::uint32_t side)
{
    if (s.sideIdBase.empty()) // a closed surface never needs one
    {
        s.sideIdBase.assign(s.faces.size(), NONE);
        // Room for every side at once: growing by doubling would clear and copy about twice
        // what is used (a soup's sides take 48 bytes a triangle). Pages left unused are never
        // touched.
        s.sides.reserve(3 * s.faces.size());
    }
    std::uint32_t& base = s.sideIdBase[face];
    if (base == NONE)
    {
        base = static_cast<std::uint32_t>(s.sides.size());
        for (std::uint32_t k = 0; k < 3; ++k)
        {
            s.sides.emplace_back();
            s.sides.back().loop = s.sides.back().properLoop = base + k;
        }
    }
    return base + side;
}

// Joins a boundary edge to the one met before in its fan, if any, in the loops given by
// parentOf.
template <class ParentOf>
void joinAlongFan(ParentOf parentOf, std::uint32_t& fanEdge, std::uint32_t id)
{
    if (fanEdge == NONE)
        fanEdge = id;
    else
        uniteRoots(parentOf, fanEdge, id);
}

// More than one fan makes v non-manifold. Within a fan the boundary edges at v follow each
// other on a boundary loop.
void countFansAt(State& s, std::uint32_t v)
{
    std::uint32_t numFans = 0;
    if (s.fanBoundaryEdge.size() < s.around.size())
    {
        s.fanBoundaryEdge.resize(s.around.size());
        s.fanProperBoundaryEdge.resize(s.around.size());
    }
    std::fill_n(s.fanBoundaryEdge.begin(), s.around.size(), NONE);
    std::fill_n(s.fanProperBoundaryEdge.begin(), s.around.size(), NONE);
    const auto loopOf = [&s](std::uint32_t i) -> std::uint32_t& { return s.sides[i].loop; };
    const auto properLoopOf = [&s](std::uint32_t i) -> std::uint32_t&
    { return s.sides[i].properLoop; };
    for (std::uint32_t i = 0; i < s.around.size(); ++i)
    {
        const EdgeAtVertex& e = s.around[i];
        const std::uint32_t root = s.fans.find(i);
        if (e.properFaces > 0 && root == i)
            ++numFans;
        if (e.faces == 1)
        {
            const std::uint32_t id = sideId(s, e.lastFace, e.lastSide);
            s.sides[id].component = s.componentOf[v];
            joinAlongFan(loopOf, s.fanBoundaryEdge[root], id);
        }
        if (e.properFaces == 1)
        {
            const std::uint32_t id = sideId(s, e.lastProperFace, e.lastProperSide);
            s.sides[id].properBoundary = 1;
            joinAlongFan(properLoopOf, s.fanProperBoundaryEdge[root], id);
        }
    }
    // A vertex keeps a triangle with three different corners exactly when it has a fan.
    s.proper.vertices += numFans > 0 ? 1u : 0u;
    s.proper.nonManifoldVertices += numFans > 1 ? 1u : 0u;
    if (numFans > 1)
    {
        if (s.defects != nullptr)
            s.defects->nonManifoldVertices.push_back(s.vertexPosition[v]);
        ++s.report.nonManifoldVertices;
        ++s.report.components[s.componentOf[v]].nonManifoldVertices;
    }
}

void visitVertices(State& s)
{
    const std::uint32_t numVerts = static_cast<std::uint32_t>(s.vertexPosition.size());
    s.slotOf.assign(numVerts, NONE);
    s.edgeJoinedFaces.reset(s.faces.size());
    for (std::uint32_t v = 0; v < numVerts; ++v)
    {
        gatherEdgesAround(s, v);
        countDuplicatesAt(s);
        countEdgesAt(s, v);
        countFansAt(s, v);
        for (const EdgeAtVertex& e : s.around)
            s.slotOf[e.w] = NONE;
    }
    for (std::uint32_t f = 0; f < s.faces.size(); ++f)
        s.report.edgeComponents += s.edgeJoinedFaces.isRoot(f) ? 1u : 0u;
    s.edgeJoinedFaces = DisjointSets();
    // Freed before the second count of components, which needs none of them.
    s.incident.clear();
    for (std::vector<std::uint32_t>* index : {&s.slotOf, &s.sideIdBase})
        std::vector<std::uint32_t>().swap(*index);
}

void countBoundaryLoops(State& s)
{
    for (std::uint32_t i = 0; i < s.sides.size(); ++i)
    {
        const BoundarySide& side = s.sides[i];
        if (side.component != NONE && side.loop == i)
        {
            ++s.report.boundaryLoops;
            ++s.report.components[side.component].boundaryLoops;
        }
        s.proper.boundaryLoops += side.properBoundary && side.properLoop == i ? 1u : 0u;
    }
}

std::string genusUndefinedWhy(const MeshAnalysis::Component& c)
{
    std::string why;
    auto add = [&why](std::uint64_t n, const char* one, const char* many)
    {
        if (n == 0)
            return;
        why += why.empty() ? "" : ", ";
        why += plural(n, one, many);
    };
    add(c.repeatedCornerTriangles, "triangle with repeated corners",
        "triangles with repeated corners");
    add(c.nonManifoldEdges, "non-manifold edge", "non-manifold edges");
    add(c.nonManifoldVertices, "non-manifold vertex", "non-manifold vertices");
    add(c.inconsistentEdges, "inconsistently oriented edge", "inconsistently oriented edges");
    return why;
}

void decideGenus(MeshAnalysis::Report& r)
{
    r.eulerCharacteristic = static_cast<std::int64_t>(r.vertices) -
                            static_cast<std::int64_t>(r.edges) + static_cast<std::int64_t>(r.faces);
    for (MeshAnalysis::Component& c : r.components)
    {
        c.eulerCharacteristic = static_cast<std::int64_t>(c.vertices) -
                                static_cast<std::int64_t>(c.edges) +
                                static_cast<std::int64_t>(c.faces);
        c.genusUndefinedWhy = genusUndefinedWhy(c);
        if (!c.genusUndefinedWhy.empty())
            continue;
        // A connected orientable surface: chi = 2 - 2g - b.
        const std::int64_t twiceGenus =
            2 - c.eulerCharacteristic - static_cast<std::int64_t>(c.boundaryLoops);
        if (twiceGenus < 0 || twiceGenus % 2 != 0)
            c.genusUndefinedWhy = "its counts fit no orientable surface";
        else
        {
            c.hasGenus = true;
            c.genus = twiceGenus / 2;
        }
    }
}

void decideVolume(MeshAnalysis::Report& r, double signedVolume6)
{
    if (r.faces == 0)
    {
        r.volumeUndefinedWhy = "no triangles";
        return;
    }
    std::string why;
    auto add = [&why](const std::string& text) { why += (why.empty() ? "" : ", ") + text; };
    if (r.boundaryEdges > 0)
        add("open surface: " + plural(r.boundaryLoops, "boundary loop", "boundary loops"));
    if (r.nonManifoldEdges > 0)
        add(plural(r.nonManifoldEdges, "non-manifold edge", "non-manifold edges"));
    if (r.inconsistentEdges > 0)
        add(plural(r.inconsistentEdges, "inconsistently oriented edge",
                   "inconsistently oriented edges"));
    r.volumeUndefinedWhy = why;
    r.hasVolume = why.empty();
    if (r.hasVolume)
        r.volume = signedVolume6 / 6.0;
}

// Everything that follows from the faces and the vertex positions.
void analyseFaces(State& s)
{
    s.report.faces = s.faces.size();
    s.report.vertices = s.vertexPosition.size();
    measureBox(s);
    measureTriangles(s);
    labelComponents(s);
    s.incident.build(s.vertexPosition.size(), s.faces.size(),
                     [&s](std::size_t f) -> const Face& { return s.faces[f]; });
    visitVertices(s);
    countBoundaryLoops(s);
    decideGenus(s.report);
    decideVolume(s.report, s.signedVolume6);
}

bool genusUndefined(const MeshAnalysis::Report& r)
{
    for (const MeshAnalysis::Component& c : r.components)
        if (!c.hasGenus)
            return true;
    return false;
}

// Components of the surface without the triangles with repeated corners.
std::uint64_t countProperComponents(const State& s)
{
    DisjointSets sets;
    sets.reset(s.vertexPosition.size());
    std::vector<bool> used(s.vertexPosition.size());
    for (std::size_t f = 0; f < s.faces.size(); ++f)
        if (!s.repeatedCorners[f])
        {
            const Face& t = s.faces[f];
            sets.unite(t[0], t[1]);
            sets.unite(t[0], t[2]);
            used[t[0]] = used[t[1]] = used[t[2]] = true;
        }
    std::uint64_t components = 0;
    for (std::uint32_t v = 0; v < s.vertexPosition.size(); ++v)
        components += used[v] && sets.isRoot(v) ? 1u : 0u;
    return components;
}

// The volume and genus of the surface without its triangles with repeated corners, when
// those stand in the way. Those triangles add nothing to the volume sum.
void measureWithoutRepeatedCorners(const State& s, MeshAnalysis::Report& r)
{
    if (r.repeatedCornerTriangles == 0 || (r.hasVolume && !genusUndefined(r)))
        return;
    const ProperTally& p = s.proper;
    const std::uint64_t faces = r.faces - r.repeatedCornerTriangles;
    r.ignoredDegenerateTriangles = r.repeatedCornerTriangles;
    const bool orientedManifold = p.nonManifoldEdges == 0 && p.inconsistentEdges == 0;
    r.hasVolumeIgnoringDegenerate = faces > 0 && orientedManifold && p.boundaryEdges == 0;
    r.volumeIgnoringDegenerate = r.hasVolumeIgnoringDegenerate ? s.signedVolume6 / 6.0 : 0.0;
    if (!orientedManifold || p.nonManifoldVertices > 0 || countProperComponents(s) != 1)
        return;
    // A connected orientable surface: chi = 2 - 2g - b.
    const std::int64_t twiceGenus =
        2 - static_cast<std::int64_t>(p.vertices) + static_cast<std::int64_t>(p.edges) -
        static_cast<std::int64_t>(faces) - static_cast<std::int64_t>(p.boundaryLoops);
    r.hasGenusIgnoringDegenerate = twiceGenus >= 0 && twiceGenus % 2 == 0;
    r.genusIgnoringDegenerate = r.hasGenusIgnoringDegenerate ? twiceGenus / 2 : 0;
}
} // namespace

bool MeshAnalysis::analyse(const std::vector<Vector3<float>>& positions,
                           const std::vector<Vector3<unsigned int>>& triangles, Report& report,
                           Defects* defects, bool keepIndices,
                           const std::vector<std::uint32_t>* firstEqual)
{
    report = Report();
    if (defects != nullptr)
        *defects = Defects();
    if (!indicesInRange(positions.size(), triangles))
        return false;
    report.positions = positions.size();
    State s(report);
    s.defects = defects;
    {
        std::vector<std::uint32_t> representative;
        const std::vector<std::uint32_t>* weld = &representative;
        std::uint64_t distinctPositions = positions.size();
        if (keepIndices)
        {
            representative.resize(positions.size());
            for (std::size_t i = 0; i < positions.size(); ++i)
                representative[i] = static_cast<std::uint32_t>(i);
        }
        else if (firstEqual != nullptr && firstEqual->size() == positions.size())
        {
            weld = firstEqual;
            distinctPositions = countFirsts(*firstEqual);
        }
        else
            distinctPositions = weldPositions(positions, representative);
        numberVertices(positions, triangles, *weld, distinctPositions, s);
        report.isolatedVertices = distinctPositions - s.vertexPosition.size();
    }
    analyseFaces(s);
    measureWithoutRepeatedCorners(s, report);
    return true;
}

bool exactlyCollinear(const Vector3<float>& a, const Vector3<float>& b, const Vector3<float>& c)
{
    return collinear(a, b, c);
}
