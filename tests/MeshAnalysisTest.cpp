// The analysis on hand-built shapes for what needs geometry (volume, area, box, genus of a
// torus), and against a plain count on random soups. The defects in tests/bad are checked
// through meshinfo (MeshInfoTest).

#include "MeshAnalysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <random>
#include <set>

namespace
{
using V3 = Vector3<float>;
using Positions = std::vector<V3>;
using Triangles = std::vector<Vector3<unsigned int>>;

MeshAnalysis::Report analyse(const Positions& p, const Triangles& t)
{
    MeshAnalysis::Report r;
    EXPECT_TRUE(MeshAnalysis::analyse(p, t, r));
    return r;
}

// A tetrahedron with the right angle at 0, faces counter-clockwise from outside: volume 1/6.
const Positions TETRA_POSITIONS = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const Triangles TETRA = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

// n x m grid on a torus around the z axis, moved by dx; quads split along a diagonal.
void addTorus(unsigned int n, unsigned int m, float dx, Positions& p, Triangles& t)
{
    const unsigned int base = static_cast<unsigned int>(p.size());
    const float pi = 3.14159265f;
    for (unsigned int i = 0; i < n; ++i)
        for (unsigned int j = 0; j < m; ++j)
        {
            const float phi = 2 * pi * i / n, theta = 2 * pi * j / m;
            const float r = 2.0f + std::cos(theta);
            p.emplace_back(dx + r * std::cos(phi), r * std::sin(phi), std::sin(theta));
        }
    auto at = [&](unsigned int i, unsigned int j) { return base + (i % n) * m + (j % m); };
    for (unsigned int i = 0; i < n; ++i)
        for (unsigned int j = 0; j < m; ++j)
        {
            t.emplace_back(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            t.emplace_back(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
}
} // namespace

TEST(MeshAnalysis, RejectsIndicesBeyondThePositions)
{
    MeshAnalysis::Report r;
    r.faces = 99;
    EXPECT_FALSE(MeshAnalysis::analyse({{0, 0, 0}, {1, 0, 0}}, {{0, 1, 2}}, r));
    EXPECT_EQ(r.faces, 0u);
}

// One face of the reversed copy names (-0, 0, -0) for corner 0, which must weld with
// (0, 0, 0) to close it; a position that no triangle uses stays out of the box.
TEST(MeshAnalysis, TetrahedronVolumeFollowsOrientation)
{
    Positions p = TETRA_POSITIONS;
    p.emplace_back(5.0f, 5.0f, 5.0f);
    MeshAnalysis::Report r = analyse(p, TETRA);
    EXPECT_EQ(r.eulerCharacteristic, 2);
    EXPECT_EQ(r.components[0].genus, 0);
    ASSERT_TRUE(r.hasVolume);
    EXPECT_NEAR(r.volume, 1.0 / 6.0, 1e-15);
    EXPECT_NEAR(r.area, 1.5 + std::sqrt(3.0) / 2.0, 1e-15);
    EXPECT_EQ(r.isolatedVertices, 1u);
    EXPECT_EQ(r.boxMin, V3(0, 0, 0));
    EXPECT_EQ(r.boxMax, V3(1, 1, 1));

    p.emplace_back(-0.0f, 0.0f, -0.0f);
    Triangles reversed = TETRA;
    for (Vector3<unsigned int>& f : reversed)
        std::swap(f[1], f[2]);
    reversed[0][0] = 5;
    r = analyse(p, reversed);
    ASSERT_TRUE(r.hasVolume) << r.volumeUndefinedWhy;
    EXPECT_NEAR(r.volume, -1.0 / 6.0, 1e-15);
}

TEST(MeshAnalysis, GenusIsPerComponent)
{
    // A tetrahedron with its base twice more, then a torus: the first has no genus.
    Positions p = TETRA_POSITIONS;
    Triangles t = TETRA;
    t.emplace_back(0, 1, 2);
    t.push_back(TETRA[0]);
    addTorus(4, 4, 10.0f, p, t);
    const MeshAnalysis::Report r = analyse(p, t);
    ASSERT_EQ(r.components.size(), 2u);
    EXPECT_EQ(r.components[0].faces, 6u);
    EXPECT_EQ(r.components[0].eulerCharacteristic, 4);
    EXPECT_EQ(r.components[0].genusUndefinedWhy, "3 non-manifold edges");
    EXPECT_EQ(r.components[1].faces, 32u);
    EXPECT_EQ(r.components[1].genus, 1);
    EXPECT_EQ(r.eulerCharacteristic, 4);
    EXPECT_EQ(r.duplicateTriangles, 2u);
    EXPECT_EQ(r.volumeUndefinedWhy, "3 non-manifold edges");
}

// Random soups over a few positions, -0 and +0 among them, counted the plain way: welded
// through an ordered map, edges in a map from vertex pair to the triangles along it.
TEST(MeshAnalysis, CountsAsThePlainCount)
{
    const Positions pool = {{0, 0, 0}, {-0.0f, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                            {0, 0, 1}, {1, 0, 1},     {2, 0, 0}, {0, 2, 0}, {2, 2, 2}};
    for (unsigned int seed = 1; seed <= 40; ++seed)
    {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        Positions p(8 + seed % 8);
        for (V3& q : p)
            q = pool[rng() % pool.size()];
        Triangles t(2 + seed % 12);
        for (Vector3<unsigned int>& f : t)
            f = Vector3<unsigned int>(rng() % p.size(), rng() % p.size(), rng() % p.size());

        std::map<V3, unsigned int> weld;
        for (const V3& q : p)
            weld.emplace(q, static_cast<unsigned int>(weld.size()));
        std::set<unsigned int> used;
        std::set<std::array<unsigned int, 3>> seen;
        // By side: triangles along it, those running it only upwards, only downwards.
        std::map<std::pair<unsigned int, unsigned int>, std::array<unsigned int, 3>> sides;
        std::uint64_t repeated = 0, duplicates = 0;
        for (const Vector3<unsigned int>& f : t)
        {
            std::array<unsigned int, 3> v;
            for (unsigned int k = 0; k < 3; ++k)
                used.insert(v[k] = weld[p[f[k]]]);
            repeated += v[0] == v[1] || v[1] == v[2] || v[2] == v[0];
            std::map<std::pair<unsigned int, unsigned int>, unsigned int> ways; // 1 up, 2 down
            for (unsigned int k = 0; k < 3; ++k)
                if (v[k] != v[(k + 1) % 3])
                    ways[std::minmax(v[k], v[(k + 1) % 3])] |= v[k] < v[(k + 1) % 3] ? 1 : 2;
            for (const auto& w : ways)
            {
                ++sides[w.first][0];
                if (w.second < 3)
                    ++sides[w.first][w.second];
            }
            std::sort(v.begin(), v.end());
            duplicates += !seen.insert(v).second;
        }
        std::uint64_t boundary = 0, nonManifold = 0, inconsistent = 0;
        for (const auto& s : sides)
        {
            boundary += s.second[0] == 1;
            nonManifold += s.second[0] > 2;
            inconsistent += s.second[0] == 2 && (s.second[1] != 1 || s.second[2] != 1);
        }

        const MeshAnalysis::Report r = analyse(p, t);
        EXPECT_EQ(r.vertices, used.size());
        EXPECT_EQ(r.isolatedVertices, weld.size() - used.size());
        EXPECT_EQ(r.edges, sides.size());
        EXPECT_EQ(r.boundaryEdges, boundary);
        EXPECT_EQ(r.nonManifoldEdges, nonManifold);
        EXPECT_EQ(r.inconsistentEdges, inconsistent);
        EXPECT_EQ(r.repeatedCornerTriangles, repeated);
        EXPECT_EQ(r.duplicateTriangles, duplicates);
    }
}
