#include "MeshAnalysis.h"

#include "SupportCode/WeldKey.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace
{
constexpr std::uint32_t NONE = 0xffffffffu;

// Union-find with path halving; sets are joined under the smaller root so that results do
// not depend on the order of the unions.
class DisjointSets
{
public:
    explicit DisjointSets(std::size_t n = 0) { reset(n); }

    void reset(std::size_t n)
    {
        mParent.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            mParent[i] = static_cast<std::uint32_t>(i);
    }
    std::uint32_t add()
    {
        mParent.push_back(static_cast<std::uint32_t>(mParent.size()));
        return mParent.back();
    }
    std::uint32_t find(std::uint32_t i)
    {
        while (mParent[i] != i)
        {
            mParent[i] = mParent[mParent[i]];
            i = mParent[i];
        }
        return i;
    }
    void unite(std::uint32_t a, std::uint32_t b)
    {
        a = find(a);
        b = find(b);
        if (a < b)
            mParent[b] = a;
        else if (b < a)
            mParent[a] = b;
    }
    std::size_t size() const { return mParent.size(); }

private:
    std::vector<std::uint32_t> mParent;
};

struct WeldKeyHash
{
    std::size_t operator()(const WeldKey& k) const
    {
        std::uint64_t h = (static_cast<std::uint64_t>(k.x) << 32 | k.y) * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) ^ (static_cast<std::uint64_t>(k.z) * 0xC2B2AE3D27D4EB4Full);
        return static_cast<std::size_t>(h ^ (h >> 32));
    }
};

std::uint64_t edgeKey(std::uint32_t a, std::uint32_t b)
{
    return a < b ? (static_cast<std::uint64_t>(a) << 32 | b)
                 : (static_cast<std::uint64_t>(b) << 32 | a);
}

// One edge {v, w} as seen from v while its triangles are visited.
struct EdgeAtVertex
{
    std::uint32_t w = 0;
    std::uint32_t faces = 0;       // triangles with this side
    std::uint32_t properFaces = 0; // of those, with three different corners
    std::uint32_t outwardOnly = 0; // run along it from v to w only
    std::uint32_t inwardOnly = 0;  // from w to v only
};

std::string plural(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
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
} // namespace

// Over the complexity limit until it is split into named steps.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool MeshAnalysis::analyse(const std::vector<Vector3<float>>& positions,
                           const std::vector<Vector3<unsigned int>>& triangles, Report& report)
{
    report = Report();
    const std::size_t numPositions = positions.size();
    for (const Vector3<unsigned int>& t : triangles)
        if (t[0] >= numPositions || t[1] >= numPositions || t[2] >= numPositions)
            return false;
    report.positions = numPositions;
    report.faces = triangles.size();

    // Welding: every position is represented by the first position equal to it.
    std::vector<std::uint32_t> representative(numPositions);
    std::uint64_t distinctPositions = 0;
    {
        std::unordered_map<WeldKey, std::uint32_t, WeldKeyHash> first;
        first.reserve(numPositions);
        for (std::size_t i = 0; i < numPositions; ++i)
        {
            representative[i] =
                first.emplace(WeldKey::of(positions[i]), static_cast<std::uint32_t>(i))
                    .first->second;
        }
        distinctPositions = first.size();
    }

    // Vertices numbered in corner order; faces as vertex triples.
    std::vector<std::uint32_t> vertexOf(numPositions, NONE); // by representative
    std::vector<Vector3<float>> vertexPosition;
    std::vector<std::array<std::uint32_t, 3>> faces(triangles.size());
    for (std::size_t f = 0; f < triangles.size(); ++f)
        for (unsigned int k = 0; k < 3; ++k)
        {
            const std::uint32_t rep = representative[triangles[f][k]];
            if (vertexOf[rep] == NONE)
            {
                vertexOf[rep] = static_cast<std::uint32_t>(vertexPosition.size());
                vertexPosition.push_back(positions[rep]);
            }
            faces[f][k] = vertexOf[rep];
        }
    representative = std::vector<std::uint32_t>();
    vertexOf = std::vector<std::uint32_t>();
    const std::size_t numVerts = vertexPosition.size();
    report.vertices = numVerts;
    report.isolatedVertices = distinctPositions - numVerts;

    if (numVerts > 0)
    {
        report.hasBoundingBox = true;
        report.boxMin = report.boxMax = vertexPosition[0];
        for (const Vector3<float>& p : vertexPosition)
            for (unsigned int k = 0; k < 3; ++k)
            {
                report.boxMin[k] = std::min(report.boxMin[k], p[k]);
                report.boxMax[k] = std::max(report.boxMax[k], p[k]);
            }
    }

    // Area, degenerate triangles and the volume sum (taken about the box centre, which
    // changes nothing for a closed surface and keeps the terms small).
    double centre[3] = {0.0, 0.0, 0.0};
    if (report.hasBoundingBox)
        for (unsigned int k = 0; k < 3; ++k)
            centre[k] = 0.5 * (static_cast<double>(report.boxMin[k]) + report.boxMax[k]);
    double signedVolume6 = 0.0;
    std::vector<bool> repeatedCorners(faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f)
    {
        const std::array<std::uint32_t, 3>& t = faces[f];
        double p[3][3];
        for (unsigned int i = 0; i < 3; ++i)
            for (unsigned int k = 0; k < 3; ++k)
                p[i][k] = static_cast<double>(vertexPosition[t[i]][k]) - centre[k];
        const double e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const double c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        const double twiceArea = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        report.area += 0.5 * twiceArea;
        if (twiceArea == 0.0)
            ++report.degenerateTriangles;
        // p0 . (p1 x p2) = p0 . ((p1 - p0) x (p2 - p0))
        signedVolume6 += p[0][0] * c[0] + p[0][1] * c[1] + p[0][2] * c[2];
        if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0])
        {
            repeatedCorners[f] = true;
            ++report.repeatedCornerTriangles;
        }
    }

    // Components through shared vertices, numbered by their first triangle.
    std::vector<std::uint32_t> componentOf(numVerts, NONE);
    {
        DisjointSets sets(numVerts);
        for (const std::array<std::uint32_t, 3>& t : faces)
        {
            sets.unite(t[0], t[1]);
            sets.unite(t[0], t[2]);
        }
        std::vector<std::uint32_t> idOfRoot(numVerts, NONE);
        for (const std::array<std::uint32_t, 3>& t : faces)
        {
            const std::uint32_t root = sets.find(t[0]);
            if (idOfRoot[root] == NONE)
            {
                idOfRoot[root] = static_cast<std::uint32_t>(report.components.size());
                report.components.emplace_back();
            }
        }
        for (std::size_t v = 0; v < numVerts; ++v)
        {
            componentOf[v] = idOfRoot[sets.find(static_cast<std::uint32_t>(v))];
            ++report.components[componentOf[v]].vertices;
        }
    }
    for (std::size_t f = 0; f < faces.size(); ++f)
    {
        Component& c = report.components[componentOf[faces[f][0]]];
        ++c.faces;
        if (repeatedCorners[f])
            ++c.repeatedCornerTriangles;
    }

    // The triangles at each vertex, each listed once.
    std::vector<std::uint32_t> firstIncident(numVerts + 1, 0);
    auto forEachDistinctCorner = [&](std::size_t f, auto&& visit)
    {
        const std::array<std::uint32_t, 3>& t = faces[f];
        visit(t[0]);
        if (t[1] != t[0])
            visit(t[1]);
        if (t[2] != t[0] && t[2] != t[1])
            visit(t[2]);
    };
    for (std::size_t f = 0; f < faces.size(); ++f)
        forEachDistinctCorner(f, [&](std::uint32_t v) { ++firstIncident[v + 1]; });
    for (std::size_t v = 0; v < numVerts; ++v)
        firstIncident[v + 1] += firstIncident[v];
    std::vector<std::uint32_t> incident(firstIncident[numVerts]);
    {
        std::vector<std::uint32_t> fill(firstIncident.begin(), firstIncident.end() - 1);
        for (std::size_t f = 0; f < faces.size(); ++f)
            forEachDistinctCorner(f, [&](std::uint32_t v)
                                  { incident[fill[v]++] = static_cast<std::uint32_t>(f); });
    }

    // One pass over the vertices. Each edge is seen from both ends and counted at its
    // lower one. Around a vertex v, the triangles with three different corners join the
    // far ends of v's edges; the groups so joined are v's fans, and within a fan the
    // boundary edges at v follow each other on a boundary loop.
    std::vector<std::uint32_t> slotOf(numVerts, NONE); // w -> index into around
    std::vector<EdgeAtVertex> around;
    DisjointSets fans;
    std::vector<std::uint32_t> fanBoundaryEdge;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> higherCorners;
    std::unordered_map<std::uint64_t, std::uint32_t> boundaryEdgeId;
    DisjointSets loops;
    std::vector<std::uint32_t> loopComponent;

    for (std::uint32_t v = 0; v < numVerts; ++v)
    {
        around.clear();
        higherCorners.clear();
        auto slot = [&](std::uint32_t w)
        {
            if (slotOf[w] == NONE)
            {
                slotOf[w] = static_cast<std::uint32_t>(around.size());
                around.emplace_back();
                around.back().w = w;
            }
            return slotOf[w];
        };
        for (std::uint32_t i = firstIncident[v]; i < firstIncident[v + 1]; ++i)
        {
            const std::uint32_t f = incident[i];
            const std::array<std::uint32_t, 3>& t = faces[f];
            // The sides of f at v, by far end: bit 1 runs v to w, bit 2 runs w to v.
            std::uint32_t far[2];
            unsigned int ways[2] = {0, 0};
            unsigned int numFar = 0;
            for (unsigned int k = 0; k < 3; ++k)
            {
                const std::uint32_t from = t[k];
                const std::uint32_t to = t[(k + 1) % 3];
                if (from == to || (from != v && to != v))
                    continue;
                const std::uint32_t w = from == v ? to : from;
                const unsigned int way = from == v ? 1u : 2u;
                unsigned int j = 0;
                while (j < numFar && far[j] != w)
                    ++j;
                if (j == numFar)
                    far[numFar++] = w;
                ways[j] |= way;
            }
            const bool proper = !repeatedCorners[f];
            for (unsigned int j = 0; j < numFar; ++j)
            {
                EdgeAtVertex& e = around[slot(far[j])];
                ++e.faces;
                e.properFaces += proper ? 1u : 0u;
                e.outwardOnly += ways[j] == 1u ? 1u : 0u;
                e.inwardOnly += ways[j] == 2u ? 1u : 0u;
            }

            std::uint32_t s[3] = {t[0], t[1], t[2]};
            std::sort(s, s + 3);
            if (s[0] == v)
                higherCorners.emplace_back(s[1], s[2]);
        }

        // Duplicates among the triangles whose lowest corner is v.
        std::sort(higherCorners.begin(), higherCorners.end());
        for (std::size_t i = 1; i < higherCorners.size(); ++i)
            if (higherCorners[i] == higherCorners[i - 1])
                ++report.duplicateTriangles;

        Component& component = report.components[componentOf[v]];
        for (const EdgeAtVertex& e : around)
        {
            if (e.w < v)
                continue;
            ++report.edges;
            ++component.edges;
            if (e.faces == 1)
                ++report.boundaryEdges;
            else if (e.faces > 2)
            {
                ++report.nonManifoldEdges;
                ++component.nonManifoldEdges;
            }
            else if (e.outwardOnly != 1 || e.inwardOnly != 1)
            {
                ++report.inconsistentEdges;
                ++component.inconsistentEdges;
            }
        }

        // Fans: join the far ends of every triangle with three different corners.
        fans.reset(around.size());
        for (std::uint32_t i = firstIncident[v]; i < firstIncident[v + 1]; ++i)
        {
            const std::uint32_t f = incident[i];
            if (repeatedCorners[f])
                continue;
            const std::array<std::uint32_t, 3>& t = faces[f];
            const unsigned int k = t[0] == v ? 0 : (t[1] == v ? 1 : 2);
            fans.unite(slotOf[t[(k + 1) % 3]], slotOf[t[(k + 2) % 3]]);
        }
        std::uint32_t numFans = 0;
        fanBoundaryEdge.assign(around.size(), NONE);
        for (std::uint32_t i = 0; i < around.size(); ++i)
        {
            const EdgeAtVertex& e = around[i];
            const std::uint32_t root = fans.find(i);
            if (e.properFaces > 0 && root == i)
                ++numFans;
            if (e.faces != 1)
                continue;
            const auto inserted =
                boundaryEdgeId.emplace(edgeKey(v, e.w), static_cast<std::uint32_t>(loops.size()));
            if (inserted.second)
            {
                loops.add();
                loopComponent.push_back(componentOf[v]);
            }
            const std::uint32_t id = inserted.first->second;
            if (fanBoundaryEdge[root] == NONE)
                fanBoundaryEdge[root] = id;
            else
                loops.unite(fanBoundaryEdge[root], id);
        }
        if (numFans > 1)
        {
            ++report.nonManifoldVertices;
            ++component.nonManifoldVertices;
        }
        for (const EdgeAtVertex& e : around)
            slotOf[e.w] = NONE;
    }

    for (std::uint32_t i = 0; i < loops.size(); ++i)
        if (loops.find(i) == i)
        {
            ++report.boundaryLoops;
            ++report.components[loopComponent[i]].boundaryLoops;
        }

    report.eulerCharacteristic = static_cast<std::int64_t>(report.vertices) -
                                 static_cast<std::int64_t>(report.edges) +
                                 static_cast<std::int64_t>(report.faces);
    for (Component& c : report.components)
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

    if (report.faces == 0)
        report.volumeUndefinedWhy = "no triangles";
    else
    {
        std::string why;
        auto add = [&why](const std::string& s) { why += (why.empty() ? "" : ", ") + s; };
        if (report.boundaryEdges > 0)
            add("open surface: " + plural(report.boundaryLoops, "boundary loop", "boundary loops"));
        if (report.nonManifoldEdges > 0)
            add(plural(report.nonManifoldEdges, "non-manifold edge", "non-manifold edges"));
        if (report.inconsistentEdges > 0)
            add(plural(report.inconsistentEdges, "inconsistently oriented edge",
                       "inconsistently oriented edges"));
        report.volumeUndefinedWhy = why;
        report.hasVolume = why.empty();
        if (report.hasVolume)
            report.volume = signedVolume6 / 6.0;
    }
    return true;
}
