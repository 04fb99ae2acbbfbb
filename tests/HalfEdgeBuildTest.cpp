// The half-edge build finds edges through per-vertex pair lists (and a table past the list
// limit), welds through a hash of positions, recovers the third corner of a face from its
// links, and merges boundaries with shared rotations. Each is held against the plain
// version: every edge found by a newest-first scan of all half-edges, positions welded by
// a scan of the positions so far, the third corner as the triangle named it, each border
// half-edge merged alone.

#include "HalfEdgeMesh.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace
{
using V3 = Vector3<float>;
using HE = HalfEdgeMesh;
using Tri = std::array<unsigned int, 3>;

class Probe : public HalfEdgeMesh
{
public:
    using HalfEdgeMesh::addVertex;
    using HalfEdgeMesh::mEdges;
    using HalfEdgeMesh::mergeBoundaryEdge;
    using HalfEdgeMesh::mFaces;
    using HalfEdgeMesh::mUniqueVerts;
    using HalfEdgeMesh::mVerts;

    unsigned int welded(const V3& p) const
    {
        return mUniqueVerts.find(p, [this](unsigned int i) -> const V3& { return mVerts[i].vec; });
    }
};

// The construction exactly as written down, quadratic and all.
struct PlainBuild
{
    std::vector<HE::HalfEdge> edges;
    std::vector<unsigned int> vertexEdge;
    std::vector<unsigned int> faceEdge;
    std::map<V3, unsigned int> unique;

    void addTriangle(const V3 (&p)[3])
    {
        unsigned int v[3], e[6];
        for (unsigned int k = 0; k < 3; ++k)
            v[k] = unique.emplace(p[k], static_cast<unsigned int>(unique.size())).first->second;
        vertexEdge.resize(unique.size(), HE::UNINITIALIZED);
        for (unsigned int k = 0; k < 3; ++k)
            if (pair(v[k], v[(k + 1) % 3], e[2 * k], e[2 * k + 1]))
                edges[e[2 * k + 1]].face = HE::BORDER;
        const unsigned int f = static_cast<unsigned int>(faceEdge.size());
        faceEdge.push_back(e[0]);
        for (unsigned int k = 0; k < 6; k += 2)
        {
            edges[e[k]].next = e[(k + 2) % 6];
            edges[e[(k + 2) % 6]].prev = e[k];
        }
        edges[e[0]].face = edges[e[2]].face = edges[e[4]].face = f;
    }

    bool pair(unsigned int v1, unsigned int v2, unsigned int& i1, unsigned int& i2)
    {
        for (std::size_t h = edges.size(); h-- > 0;)
            if (edges[h].vert == v1 && edges[edges[h].pair].vert == v2)
            {
                i1 = static_cast<unsigned int>(h);
                i2 = edges[h].pair;
                return false;
            }
        const unsigned int none = HE::UNINITIALIZED;
        i1 = static_cast<unsigned int>(edges.size());
        i2 = i1 + 1;
        edges.push_back({v1, none, none, none, i2});
        edges.push_back({v2, none, none, none, i1});
        vertexEdge[v1] = i1;
        vertexEdge[v2] = i2; // for a loop, the newer half
        return true;
    }
};

V3 point(unsigned int i)
{
    return V3(static_cast<float>(i % 7), static_cast<float>(i / 7), 0.0f);
}

// A fan of 200 triangles around vertex 0 (far past the list walk limit), then a book of 60
// pages on edge 0-1, some reversed, some looping at 0; then random soups over 90 vertices,
// four of them hubs, where vertices pass the walk limit at different times and both-busy,
// one-busy and loop lookups all occur.
std::vector<std::vector<Tri>> soups()
{
    std::vector<std::vector<Tri>> cases(1);
    for (unsigned int i = 1; i <= 200; ++i)
        cases[0].push_back({0, i, i % 200 + 1});
    for (unsigned int page = 0; page < 60; ++page)
        cases[0].push_back(page % 3 == 0 ? Tri{1, 0, 300 + page}
                                         : Tri{0, page % 3 == 1 ? 1u : 0u, 300 + page});
    for (unsigned int seed = 1; seed <= 3; ++seed)
    {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<unsigned int> any(0, 89), hub(0, 3), coin(0, 3);
        cases.emplace_back(1500);
        for (Tri& t : cases.back())
            for (unsigned int& c : t)
                c = coin(rng) == 0 ? hub(rng) : any(rng);
    }
    return cases;
}

std::array<unsigned int, 5> fields(const HE::HalfEdge& e)
{
    return {e.vert, e.face, e.next, e.prev, e.pair};
}

void expectSameEdges(const std::vector<HE::HalfEdge>& got, const std::vector<HE::HalfEdge>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t h = 0; h < want.size(); ++h)
        ASSERT_EQ(fields(got[h]), fields(want[h])) << "half-edge " << h;
}
} // namespace

// The merge shares where rotations end between border half-edges; its links must come out
// as merging each border half-edge alone gives them.
TEST(HalfEdgeBuild, BuildsAndMergesAsThePlainVersions)
{
    const std::vector<std::vector<Tri>> cases = soups();
    for (std::size_t k = 0; k < cases.size(); ++k)
    {
        SCOPED_TRACE(k);
        Probe mesh, alone;
        PlainBuild plain;
        for (const Tri& t : cases[k])
        {
            const V3 p[3] = {point(t[0]), point(t[1]), point(t[2])};
            mesh.addTriangle(p[0], p[1], p[2]);
            alone.addTriangle(p[0], p[1], p[2]);
            plain.addTriangle(p);
        }
        expectSameEdges(mesh.mEdges, plain.edges);
        ASSERT_EQ(mesh.mVerts.size(), plain.vertexEdge.size());
        for (std::size_t v = 0; v < plain.vertexEdge.size(); ++v)
            ASSERT_EQ(mesh.mVerts[v].edge, plain.vertexEdge[v]) << "vertex " << v;
        ASSERT_EQ(mesh.mFaces.size(), plain.faceEdge.size());
        for (std::size_t f = 0; f < plain.faceEdge.size(); ++f)
            ASSERT_EQ(mesh.mFaces[f].edge, plain.faceEdge[f]) << "face " << f;
        ASSERT_EQ(mesh.mUniqueVerts.size(), plain.unique.size());
        for (const auto& [position, index] : plain.unique)
            ASSERT_EQ(mesh.welded(position), index) << position;

        // The area walks every face's corners: a third corner taken from links that a later
        // triangle rewrote would change it.
        float area = 0.0f;
        for (const Tri& t : cases[k])
        {
            const V3 a = point(t[0]), b = point(t[1]), c = point(t[2]);
            area = static_cast<float>(area + 0.5 * cross(b - a, c - a).length());
        }
        EXPECT_EQ(mesh.area(), area);

        mesh.mergeAllBoundaries();
        for (std::size_t i = 0; i < alone.mEdges.size(); ++i)
            if (alone.mEdges[i].face == HE::BORDER)
                alone.mergeBoundaryEdge(static_cast<unsigned int>(i));
        expectSameEdges(mesh.mEdges, alone.mEdges);
    }
}

// Welding is exact: -0 with +0, nothing within a rounding step, positions that share two
// coordinates apart. NaN has no order, so a coordinate holding it matches only the same bits.
TEST(HalfEdgeBuild, WeldsExactlyByPosition)
{
    auto same = [](const V3& a, const V3& b)
    {
        for (int i = 0; i < 3; ++i)
        {
            const bool bothNan = std::isnan(a[i]) && std::isnan(b[i]);
            const float fa = a[i], fb = b[i];
            std::uint32_t x = 0, y = 0;
            std::memcpy(&x, &fa, 4);
            std::memcpy(&y, &fb, 4);
            if (bothNan ? x != y : !(a[i] == b[i]))
                return false;
        }
        return true;
    };
    auto weldLikeAScan = [&same](const std::vector<V3>& pool, unsigned int seed)
    {
        SCOPED_TRACE(seed);
        Probe mesh;
        std::vector<V3> seen;
        std::mt19937 rng(seed);
        std::uniform_int_distribution<std::size_t> any(0, pool.size() - 1);
        for (int k = 0; k < 3000; ++k) // enough to grow the table several times
        {
            const V3& v = k < 2 * static_cast<int>(pool.size()) ? pool[k / 2] : pool[any(rng)];
            unsigned int want = static_cast<unsigned int>(seen.size());
            for (std::size_t i = 0; i < seen.size(); ++i)
                if (same(seen[i], v))
                {
                    want = static_cast<unsigned int>(i);
                    break;
                }
            const bool isNew = want == seen.size();
            if (isNew)
                seen.push_back(v);
            unsigned int got = 0;
            ASSERT_EQ(mesh.addVertex(v, got), isNew) << "position " << k << " " << v;
            ASSERT_EQ(got, want) << "position " << k;
        }
        ASSERT_EQ(mesh.mUniqueVerts.size(), seen.size());
    };
    const float nan = std::nanf(""), otherNan = -std::nanf("1"), next = std::nextafter(1.0f, 2.0f);
    std::vector<V3> pool = {V3(0, 0, 0),    V3(-0.0f, 0, 0),    V3(0, -0.0f, -0.0f), V3(1, 2, 3),
                            V3(next, 2, 3), V3(1, 2, -3),       V3(2, 0, 0),         V3(3, 0, 1),
                            V3(0, 5, 0),    V3(nan, 0, 0),      V3(0, nan, 1),       V3(1, 2, nan),
                            V3(nan, 5, 0),  V3(otherNan, 5, 0), V3(2, nan, 0)};
    for (int z = -300; z < 300; ++z)
        pool.emplace_back(1.0f, 2.0f, static_cast<float>(z) * 0.25f);
    for (unsigned int seed = 1; seed <= 20; ++seed)
        weldLikeAScan(pool, seed);
}
