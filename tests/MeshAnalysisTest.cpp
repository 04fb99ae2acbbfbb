// The analysis on hand-built shapes for what needs geometry (volume, area, box, genus of a
// torus), and against a plain count on random soups. The defects in tests/bad are checked
// through meshinfo (MeshInfoTest).

#include "MeshAnalysis.h"

#include "tests/TestHelpers.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace
{
using Positions = std::vector<V3>;
using Triangles = std::vector<U3>;

MeshAnalysis::Report analyse(const Positions& p, const Triangles& t)
{
    MeshAnalysis::Report r;
    EXPECT_TRUE(MeshAnalysis::analyse(p, t, r));
    return r;
}

// A tetrahedron with the right angle at 0, faces counter-clockwise from outside: volume 1/6.
const Positions TETRA_POSITIONS = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const Triangles TETRA = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
} // namespace

// One face of the reversed copy names (-0, 0, -0) for corner 0, which must weld with
// (0, 0, 0) to close it; a position that no triangle uses stays out of the box.
TEST(MeshAnalysis, TetrahedronVolumeFollowsOrientation)
{
    MeshAnalysis::Report r;
    r.faces = 99;
    EXPECT_FALSE(MeshAnalysis::analyse({{0, 0, 0}, {1, 0, 0}}, {{0, 1, 2}}, r));
    EXPECT_EQ(r.faces, 0u) << "an index beyond the positions leaves the report empty";

    Positions p = TETRA_POSITIONS;
    p.emplace_back(5.0f, 5.0f, 5.0f);
    r = analyse(p, TETRA);
    EXPECT_TRUE(r.eulerCharacteristic == 2 && r.components[0].genus == 0 &&
                r.isolatedVertices == 1);
    ASSERT_TRUE(r.hasVolume);
    EXPECT_NEAR(r.volume, 1.0 / 6.0, 1e-15);
    EXPECT_NEAR(r.area, 1.5 + std::sqrt(3.0) / 2.0, 1e-15);
    EXPECT_TRUE(r.boxMin == V3(0, 0, 0) && r.boxMax == V3(1, 1, 1));

    p.emplace_back(-0.0f, 0.0f, -0.0f);
    Triangles reversed = TETRA;
    for (U3& f : reversed)
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
    for (const auto& tri : torus(4, 4)) // three positions a triangle: the analysis welds them
    {
        for (const V3& corner : tri)
            p.push_back(corner + V3(10, 0, 0));
        t.emplace_back(p.size() - 3, p.size() - 2, p.size() - 1);
    }
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
// Welded by position, and with keepIndices by index alone.
TEST(MeshAnalysis, CountsAsThePlainCount)
{
    const Positions pool = {{0, 0, 0}, {-0.0f, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                            {0, 0, 1}, {1, 0, 1},     {2, 0, 0}, {0, 2, 0}, {2, 2, 2}};
    for (unsigned int seed = 1; seed <= 80; ++seed)
    {
        const bool keep = seed % 2 == 0;
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        Positions p(8 + seed % 8);
        for (V3& q : p)
            q = pool[rng() % pool.size()];
        Triangles t(2 + seed % 12);
        for (U3& f : t)
            f = U3(rng() % p.size(), rng() % p.size(), rng() % p.size());

        std::map<V3, unsigned int> weld;
        for (const V3& q : p)
            weld.emplace(q, static_cast<unsigned int>(weld.size()));
        std::set<unsigned int> used;
        std::set<std::array<unsigned int, 3>> seen;
        // By side: triangles along it, those running it only upwards, only downwards.
        std::map<std::pair<unsigned int, unsigned int>, std::array<unsigned int, 3>> sides;
        std::map<std::pair<unsigned int, unsigned int>, std::size_t> firstAlong; // a triangle
        std::vector<std::size_t> joined(t.size()); // the union of triangles along a side
        std::uint64_t repeated = 0, duplicates = 0;
        for (std::size_t i = 0; i < t.size(); ++i)
        {
            std::array<unsigned int, 3> v;
            for (unsigned int k = 0; k < 3; ++k)
                used.insert(v[k] = keep ? t[i][k] : weld[p[t[i][k]]]);
            repeated += v[0] == v[1] || v[1] == v[2] || v[2] == v[0];
            std::map<std::pair<unsigned int, unsigned int>, unsigned int> ways; // 1 up, 2 down
            for (unsigned int k = 0; k < 3; ++k)
                if (v[k] != v[(k + 1) % 3])
                    ways[std::minmax(v[k], v[(k + 1) % 3])] |= v[k] < v[(k + 1) % 3] ? 1 : 2;
            joined[i] = i;
            for (const auto& w : ways)
            {
                ++sides[w.first][0];
                if (w.second < 3)
                    ++sides[w.first][w.second];
                const std::size_t from = joined[i];
                const std::size_t to = joined[firstAlong.emplace(w.first, i).first->second];
                for (std::size_t& j : joined) // relabel the whole set: small soups
                    j = j == from ? to : j;
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
        const std::size_t edgeComponents =
            std::set<std::size_t>(joined.begin(), joined.end()).size();
        const std::size_t distinct = keep ? p.size() : weld.size();
        MeshAnalysis::Report r;
        ASSERT_TRUE(MeshAnalysis::analyse(p, t, r, nullptr, keep));
        EXPECT_EQ(std::vector<std::uint64_t>({r.vertices, r.isolatedVertices, r.edges,
                                              r.boundaryEdges, r.nonManifoldEdges,
                                              r.inconsistentEdges, r.repeatedCornerTriangles,
                                              r.duplicateTriangles, r.edgeComponents}),
                  std::vector<std::uint64_t>({used.size(), distinct - used.size(), sides.size(),
                                              boundary, nonManifold, inconsistent, repeated,
                                              duplicates, edgeComponents}))
            << "vertices, isolated, edges, boundary, non-manifold, inconsistent, repeated, "
               "duplicates, components through edges";
    }
}

// Degenerate means exactly collinear, wherever the rest of the mesh lies: a triangle of area
// 5e-41 at the origin beside one far away, then triples on two lines, every other one with a
// corner moved one unit in the last place off its line. The line through the origin along
// (3, 5, 7) takes magnitudes from 2^-149 to 2^120; the line of (x, x + 1, 2x + 3) mixes
// integers up to 2^22 with fractions down to 2^-21, so the products do not cancel in pairs.
TEST(MeshAnalysis, DegenerateMeansExactlyCollinear)
{
    Positions p = {{0, 0, 0}, {1e-20f, 0, 0}, {0, 1e-20f, 0}, {10, 0, 0}, {10, 1, 0}, {11, 0, 0}};
    Triangles t = {{0, 1, 2}, {3, 4, 5}};
    std::mt19937 rng(7);
    auto onLine = [&rng](unsigned int i)
    {
        const float m = static_cast<float>(rng() % (1u << 20) + 1);
        if (i % 4 < 2)
        {
            const float x = std::ldexp(m, static_cast<int>(rng() % 250) - 149);
            return V3(3 * x, 5 * x, 7 * x);
        }
        const float x = rng() % 2 ? std::ldexp(m, 2) : std::ldexp(m, -21);
        return V3(x, x + 1, 2 * x + 3);
    };
    std::uint64_t collinear = 0;
    for (unsigned int i = 0; i < 300; ++i)
    {
        const V3 a = onLine(i), b = onLine(i);
        V3 c = onLine(i);
        if (a == b)
            continue;
        if (i % 2)
            c[i % 3] = std::nextafter(c[i % 3], 1e30f);
        collinear += i % 2 == 0;
        const unsigned int n = static_cast<unsigned int>(p.size());
        p.insert(p.end(), {a, b, c});
        t.emplace_back(n, n + 1, n + 2);
    }
    EXPECT_EQ(analyse(p, t).degenerateTriangles, collinear);
}

// Triangles with repeated corners left out when they alone stand in the way: added to a
// tetrahedron (one makes a non-manifold edge), beside another defect, beside a component.
TEST(MeshAnalysis, VolumeAndGenusIgnoringRepeatedCorners)
{
    Positions p = TETRA_POSITIONS;
    p.insert(p.end(), {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}});
    struct Case
    {
        Triangles extra;
        std::uint64_t ignored;
        bool hasVolume, hasGenus;
    } cases[] = {
        {{}, 0, false, false},
        {{{0, 0, 1}, {3, 3, 3}}, 2, true, true},
        {{{0, 0, 1}, {0, 2, 1}}, 1, false, false},
        {{{0, 0, 1}, {4, 4, 2}}, 2, true, true},
        {{{0, 0, 1}, {4, 5, 6}}, 1, false, false},
    };
    for (const Case& c : cases)
    {
        Triangles t = TETRA;
        t.insert(t.end(), c.extra.begin(), c.extra.end());
        const MeshAnalysis::Report r = analyse(p, t);
        EXPECT_EQ(r.ignoredDegenerateTriangles, c.ignored);
        EXPECT_EQ(r.hasVolumeIgnoringDegenerate, c.hasVolume);
        EXPECT_EQ(r.hasGenusIgnoringDegenerate, c.hasGenus);
        EXPECT_NEAR(r.volumeIgnoringDegenerate, c.hasVolume ? 1.0 / 6.0 : 0.0, 1e-15);
        EXPECT_EQ(r.genusIgnoringDegenerate, 0);
    }
}
