// The half-edge build finds edges through per-vertex lists (and a table for busy vertices),
// welds through a cache before the map, and merges boundaries with shared rotations. Each
// is held against the plain version: positions welded by an ordered map alone, every edge
// found by a newest-first scan of all half-edges, each border half-edge merged alone.

#include "HalfEdgeMesh.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
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
        EXPECT_EQ(mesh.mUniqueVerts, plain.unique);

        mesh.mergeAllBoundaries();
        for (std::size_t i = 0; i < alone.mEdges.size(); ++i)
            if (alone.mEdges[i].face == HE::BORDER)
                alone.mergeBoundaryEdge(static_cast<unsigned int>(i));
        expectSameEdges(mesh.mEdges, alone.mEdges);
    }
}

// The weld cache must weld exactly as the map does: -0 with +0, nothing within a rounding
// step, positions that share two coordinates apart, and once a NaN has come (NaN breaks the
// map's order, and the map may then call a finite position equal to one holding NaN)
// whatever the map then says. A few of the seeds (48 among them) go wrong if the cache
// keeps answering after a NaN.
TEST(HalfEdgeBuild, WeldsAsTheOrderedMapDoes)
{
    // The first 200 positions come from pool[0, finite), the next 200 from all of it.
    auto weldLikeTheMap = [](const std::vector<V3>& pool, std::size_t finite, unsigned int seed)
    {
        SCOPED_TRACE(seed);
        Probe mesh;
        std::map<V3, unsigned int> plain;
        std::mt19937 rng(seed);
        std::uniform_int_distribution<std::size_t> early(0, finite - 1), late(0, pool.size() - 1);
        for (int k = 0; k < 400; ++k)
        {
            const V3& v = pool[k < 200 ? early(rng) : late(rng)];
            const auto found = plain.find(v);
            const bool isNew = found == plain.end();
            const unsigned int want =
                isNew ? static_cast<unsigned int>(plain.size()) : found->second;
            if (isNew)
                plain.emplace(v, want);
            unsigned int got = 0;
            ASSERT_EQ(mesh.addVertex(v, got), isNew) << "position " << k;
            ASSERT_EQ(got, want) << "position " << k;
        }
    };
    const float nan = std::nanf(""), next = std::nextafter(1.0f, 2.0f);
    const std::vector<V3> mixed = {
        V3(0, 0, 0),   V3(-0.0f, 0, 0), V3(0, -0.0f, -0.0f), V3(1, 2, 3),  V3(next, 2, 3),
        V3(1, 2, -3),  V3(2, 0, 0),     V3(3, 0, 1),         V3(0, 5, 0),  V3(nan, 0, 0),
        V3(0, nan, 1), V3(1, 2, nan),   V3(nan, 5, 0),       V3(2, nan, 0)};
    std::vector<V3> line;
    for (int z = -20; z < 20; ++z)
        line.emplace_back(1.0f, 2.0f, static_cast<float>(z));
    for (unsigned int seed = 1; seed <= 60; ++seed)
    {
        weldLikeTheMap(mixed, 9, seed);
        weldLikeTheMap(line, line.size(), seed);
    }
}
