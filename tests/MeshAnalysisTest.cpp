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
        for (U3& f : t)
            f = U3(rng() % p.size(), rng() % p.size(), rng() % p.size());

        std::map<V3, unsigned int> weld;
        for (const V3& q : p)
            weld.emplace(q, static_cast<unsigned int>(weld.size()));
        std::set<unsigned int> used;
        std::set<std::array<unsigned int, 3>> seen;
        // By side: triangles along it, those running it only upwards, only downwards.
        std::map<std::pair<unsigned int, unsigned int>, std::array<unsigned int, 3>> sides;
        std::uint64_t repeated = 0, duplicates = 0;
        for (const U3& f : t)
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
        EXPECT_EQ(
            std::vector<std::uint64_t>({r.vertices, r.isolatedVertices, r.edges, r.boundaryEdges,
                                        r.nonManifoldEdges, r.inconsistentEdges,
                                        r.repeatedCornerTriangles, r.duplicateTriangles}),
            std::vector<std::uint64_t>({used.size(), weld.size() - used.size(), sides.size(),
                                        boundary, nonManifold, inconsistent, repeated, duplicates}))
            << "vertices, isolated, edges, boundary, non-manifold, inconsistent, repeated, "
               "duplicates";
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

namespace
{
// Every count, measure and component of a report on one line.
std::string describe(const Soup& soup)
{
    Positions p;
    Triangles t;
    for (const auto& tri : soup)
    {
        t.emplace_back(p.size(), p.size() + 1, p.size() + 2);
        p.insert(p.end(), tri.begin(), tri.end());
    }
    const MeshAnalysis::Report r = analyse(p, t);
    char measures[200];
    std::snprintf(measures, sizeof measures, " chi=%lld area=%.12g vol=%.12g",
                  static_cast<long long>(r.eulerCharacteristic), r.area, r.volume);
    std::ostringstream s;
    s << "v=" << r.vertices << " f=" << r.faces << " e=" << r.edges << " be=" << r.boundaryEdges
      << " bl=" << r.boundaryLoops << " nme=" << r.nonManifoldEdges
      << " nmv=" << r.nonManifoldVertices << " inc=" << r.inconsistentEdges
      << " deg=" << r.degenerateTriangles << " rep=" << r.repeatedCornerTriangles
      << " dup=" << r.duplicateTriangles << measures << (r.hasVolume ? "" : " (")
      << r.volumeUndefinedWhy << (r.hasVolume ? "" : ")");
    for (const MeshAnalysis::Component& c : r.components)
        s << " [" << c.faces << " " << c.vertices << " " << c.edges << " " << c.boundaryLoops << " "
          << c.eulerCharacteristic << " g"
          << (c.hasGenus ? std::to_string(c.genus) : "(" + c.genusUndefinedWhy + ")") << "]";
    if (r.ignoredDegenerateTriangles > 0)
        s << " ignoring " << r.ignoredDegenerateTriangles << ": vol="
          << (r.hasVolumeIgnoringDegenerate ? std::to_string(r.volumeIgnoringDegenerate) : "none")
          << " g="
          << (r.hasGenusIgnoringDegenerate ? std::to_string(r.genusIgnoringDegenerate) : "none");
    return s.str();
}

Soup operator+(Soup a, const Soup& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
} // namespace

// Drawn shapes, each with every count and measure pinned.
TEST(MeshAnalysis, DrawnShapes)
{
    const V3 o(0, 0, 0), x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const Soup tetra = tetrahedra(1), cube = unitCube();
    const Soup mirrored =
        convex({{o, -x, -y}, {o, -y, -z}, {o, -z, -x}, {-x, -y, -z}}, V3(-0.25f, -0.25f, -0.25f));
    Soup flipped = tetra;
    std::swap(flipped[0][1], flipped[0][2]);
    const struct
    {
        const char* name;
        Soup soup;
        std::string expect;
    } cases[] = {
        {"tetrahedron", tetra,
         "v=4 f=4 e=6 be=0 bl=0 nme=0 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=2 area=2.36602540378 "
         "vol=0.166666666667 [4 4 6 0 2 g0]"},
        {"cube", cube,
         "v=8 f=12 e=18 be=0 bl=0 nme=0 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=2 area=6 vol=1 [12 8 18 "
         "0 2 g0]"},
        {"inward cube", unitCube(true),
         "v=8 f=12 e=18 be=0 bl=0 nme=0 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=2 area=6 vol=-1 [12 8 18 "
         "0 2 g0]"},
        {"cube without a face", unitCube(false, 10),
         "v=8 f=10 e=17 be=4 bl=1 nme=0 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=1 area=5 vol=0 (open "
         "surface: 1 boundary loop) [10 8 17 1 1 g0]"},
        {"tube", Soup(cube.begin() + 4, cube.end()),
         "v=8 f=8 e=16 be=8 bl=2 nme=0 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=0 area=4 vol=0 (open "
         "surface: 2 boundary loops) [8 8 16 2 0 g0]"},
        {"torus", torus(4, 4),
         "v=16 f=32 e=48 be=0 bl=0 nme=0 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=0 area=55.4256258422 "
         "vol=16 [32 16 48 0 0 g1]"},
        {"two tetrahedra sharing a vertex", tetra + mirrored,
         "v=7 f=8 e=12 be=0 bl=0 nme=0 nmv=1 inc=0 deg=0 rep=0 dup=0 chi=3 area=4.73205080757 "
         "vol=0.333333333333 [8 7 12 0 3 g(1 non-manifold vertex)]"},
        {"fin", tetra + Soup{{o, x, V3(0.5f, -1, 0)}},
         "v=5 f=5 e=8 be=2 bl=1 nme=1 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=2 area=2.86602540378 vol=0 "
         "(open surface: 1 boundary loop, 1 non-manifold edge) [5 5 8 1 2 g(1 non-manifold edge)]"},
        {"bow-tie", Soup{{o, x, y}, {o, -x, -y}},
         "v=5 f=2 e=6 be=6 bl=2 nme=0 nmv=1 inc=0 deg=0 rep=0 dup=0 chi=1 area=1 vol=0 (open "
         "surface: 2 boundary loops) [2 5 6 2 1 g(1 non-manifold vertex)]"},
        {"one face flipped", flipped,
         "v=4 f=4 e=6 be=0 bl=0 nme=0 nmv=0 inc=3 deg=0 rep=0 dup=0 chi=2 area=2.36602540378 vol=0 "
         "(3 inconsistently oriented edges) [4 4 6 0 2 g(3 inconsistently oriented edges)]"},
        {"repeated corners", tetra + Soup{{o, o, x}},
         "v=4 f=5 e=6 be=0 bl=0 nme=1 nmv=0 inc=0 deg=1 rep=1 dup=0 chi=3 area=2.36602540378 vol=0 "
         "(1 non-manifold edge) [5 4 6 0 3 g(1 triangle with repeated corners, 1 non-manifold "
         "edge)] ignoring 1: vol=0.166667 g=0"},
        {"zero area", tetra + Soup{{x, V3(2, 0, 0), V3(3, 0, 0)}},
         "v=6 f=5 e=9 be=3 bl=1 nme=0 nmv=1 inc=0 deg=1 rep=0 dup=0 chi=2 area=2.36602540378 vol=0 "
         "(open surface: 1 boundary loop) [5 6 9 1 2 g(1 non-manifold vertex)]"},
        {"torus and repeated corners",
         torus(4, 4) + Soup{{torus(4, 4)[0][0], torus(4, 4)[0][0], torus(4, 4)[0][1]}},
         "v=16 f=33 e=48 be=0 bl=0 nme=1 nmv=0 inc=0 deg=1 rep=1 dup=0 chi=1 area=55.4256258422 "
         "vol=0 (1 non-manifold edge) [33 16 48 0 1 g(1 triangle with repeated corners, 1 "
         "non-manifold edge)] ignoring 1: vol=16.000000 g=1"},
        {"square and repeated corners", Soup{{o, x, y}, {x, x + y, y}, {o, o, y}},
         "v=4 f=3 e=5 be=3 bl=1 nme=0 nmv=0 inc=1 deg=1 rep=1 dup=0 chi=2 area=1 vol=0 (open "
         "surface: 1 boundary loop, 1 inconsistently oriented edge) [3 4 5 1 2 g(1 triangle with "
         "repeated corners, 1 inconsistently oriented edge)] ignoring 1: vol=none g=0"},
        {"two tetrahedra, repeated corners",
         tetrahedra(2) + Soup{{o, o, x}, {V3(5, 0, 0), V3(5, 0, 0), V3(6, 0, 0)}},
         "v=8 f=10 e=12 be=0 bl=0 nme=2 nmv=0 inc=0 deg=2 rep=2 dup=0 chi=6 area=4.73205080757 "
         "vol=0 (2 non-manifold edges) [5 4 6 0 3 g(1 triangle with repeated corners, 1 "
         "non-manifold edge)] [5 4 6 0 3 g(1 triangle with repeated corners, 1 non-manifold edge)] "
         "ignoring 2: vol=0.333333 g=none"},
        {"torus and repeated corners off it",
         torus(4, 4) + Soup{{torus(4, 4)[0][0], torus(4, 4)[0][0], V3(9, 9, 9)}},
         "v=17 f=33 e=49 be=1 bl=1 nme=0 nmv=0 inc=0 deg=1 rep=1 dup=0 chi=1 area=55.4256258422 "
         "vol=0 (open surface: 1 boundary loop) [33 17 49 1 1 g(1 triangle with repeated corners)] "
         "ignoring 1: vol=16.000000 g=1"},
        {"tetrahedron and a point", tetra + Soup{{o, o, o}},
         "v=4 f=5 e=6 be=0 bl=0 nme=0 nmv=0 inc=0 deg=1 rep=1 dup=0 chi=3 area=2.36602540378 "
         "vol=0.166666666667 [5 4 6 0 3 g(1 triangle with repeated corners)] ignoring 1: "
         "vol=0.166667 g=0"},
        {"one face flipped and repeated corners", flipped + Soup{{o, o, x}},
         "v=4 f=5 e=6 be=0 bl=0 nme=1 nmv=0 inc=2 deg=1 rep=1 dup=0 chi=3 area=2.36602540378 vol=0 "
         "(1 non-manifold edge, 2 inconsistently oriented edges) [5 4 6 0 3 g(1 triangle with "
         "repeated corners, 1 non-manifold edge, 2 inconsistently oriented edges)] ignoring 1: "
         "vol=none g=none"},
        {"bow-tie and repeated corners", Soup{{o, x, y}, {o, -x, -y}, {o, o, x}},
         "v=5 f=3 e=6 be=5 bl=2 nme=0 nmv=1 inc=1 deg=1 rep=1 dup=0 chi=2 area=1 vol=0 (open "
         "surface: 2 boundary loops, 1 inconsistently oriented edge) [3 5 6 2 2 g(1 triangle with "
         "repeated corners, 1 non-manifold vertex, 1 inconsistently oriented edge)] ignoring 1: "
         "vol=none g=none"},
        {"second component first", Soup{{V3(5, 5, 5), V3(6, 5, 5), V3(5, 6, 5)}} + tetra,
         "v=7 f=5 e=9 be=3 bl=1 nme=0 nmv=0 inc=0 deg=0 rep=0 dup=0 chi=3 area=2.86602540378 vol=0 "
         "(open surface: 1 boundary loop) [1 3 3 1 1 g0] [4 4 6 0 2 g0]"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(c.soup), c.expect) << c.name;
}
