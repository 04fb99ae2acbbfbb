// The analysis on hand-built shapes, and against a plain count on random soups. The defects in
// tests/bad are checked through meshinfo (MeshInfoTest).

#include "MeshAnalysis.h"

#include "tests/TestHelpers.h"

#include "SupportCode/WeldShares.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>
#include <tuple>

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
    EXPECT_TRUE(r.isolatedVertices == 1 && r.boxMin == V3(0, 0, 0) && r.boxMax == V3(1, 1, 1));

    p.emplace_back(-0.0f, 0.0f, -0.0f);
    Triangles reversed = TETRA;
    for (U3& f : reversed)
        std::swap(f[1], f[2]);
    reversed[0][0] = 5;
    r = analyse(p, reversed);
    ASSERT_TRUE(r.hasVolume) << r.volumeUndefinedWhy;
    EXPECT_NEAR(r.volume, -1.0 / 6.0, 1e-15);
}

// Random soups, -0 and +0 among the positions, counted plainly: welded through an ordered map.
TEST(MeshAnalysis, CountsAsThePlainCount)
{
    const Positions pool = {{0, 0, 0}, {-0.0f, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0},
                            {0, 0, 1}, {1, 0, 1},     {2, 0, 0}, {0, 2, 0}, {2, 2, 2}};
    for (unsigned int seed = 1; seed <= 90; ++seed)
    {
        // Welded here, kept by index, or welded beforehand on 1 to 4 threads.
        const bool keep = seed % 3 == 1, weldedBefore = seed % 3 == 2;
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
        const std::vector<std::uint32_t> first = firstEqualPoints(p, 1 + seed % 4);
        ASSERT_TRUE(MeshAnalysis::analyse(p, t, r, nullptr, keep, weldedBefore ? &first : nullptr));
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

// NaNs weld by their bits, -0 with +0; the first point of each kind, on any number of threads.
TEST(MeshAnalysis, FirstEqualPoints)
{
    const float nan = std::nanf(""), otherNan = std::nanf("1");
    const Positions p = {{0, 0, 0},   {1, 2, 3},        {-0.0f, 0, -0.0f}, {nan, 0, 0},
                         {nan, 0, 0}, {otherNan, 0, 0}, {1, 2, 3},         {0, 0, 0}};
    for (unsigned int threads : {0u, 1u, 2u, 3u, 7u})
        EXPECT_EQ(firstEqualPoints(p, threads),
                  std::vector<std::uint32_t>({0, 1, 0, 3, 3, 5, 1, 0}))
            << threads;
    EXPECT_TRUE(firstEqualPoints({}, 2).empty());
}

// Degenerate means exactly collinear: area 5e-41 counts not; points on (3, 5, 7)x from 2^-149 to
// 2^120 or on (x, x + 1, 2x + 3), every other triple a unit in the last place off the line.
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
    std::ostringstream s;
    s.precision(12);
    std::istringstream names("v f e be bl nme nmv inc deg rep dup");
    std::string name;
    for (const std::uint64_t n :
         {r.vertices, r.faces, r.edges, r.boundaryEdges, r.boundaryLoops, r.nonManifoldEdges,
          r.nonManifoldVertices, r.inconsistentEdges, r.degenerateTriangles,
          r.repeatedCornerTriangles, r.duplicateTriangles})
        if (names >> name && n != 0)
            s << name << "=" << n << " ";
    s << "chi=" << r.eulerCharacteristic << " area=" << r.area << " vol=";
    (r.hasVolume ? s << r.volume : s << "(" << r.volumeUndefinedWhy << ")");
    for (const MeshAnalysis::Component& c : r.components)
        s << " [" << c.faces << " " << c.vertices << " " << c.edges << " " << c.boundaryLoops << " "
          << c.eulerCharacteristic << " g"
          << (c.hasGenus ? std::to_string(c.genus) : "(" + c.genusUndefinedWhy + ")") << "]";
    if (r.ignoredDegenerateTriangles > 0)
    {
        s << " ignoring " << r.ignoredDegenerateTriangles << ": vol=";
        (r.hasVolumeIgnoringDegenerate ? s << r.volumeIgnoringDegenerate : s << "none") << " g=";
        (r.hasGenusIgnoringDegenerate ? s << r.genusIgnoringDegenerate : s << "none");
    }
    return s.str();
}

Soup operator+(Soup a, const Soup& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(MeshAnalysis, DrawnShapes)
{
    const V3 o(0, 0, 0), x(1, 0, 0), y(0, 1, 0), z(0, 0, 1);
    const Soup tetra = tetrahedra(1), cube = unitCube(), two = tetrahedra(2);
    const Soup mirrored =
        convex({{o, -x, -y}, {o, -y, -z}, {o, -z, -x}, {-x, -y, -z}}, V3(-0.25f, -0.25f, -0.25f));
    Soup flipped = tetra;
    std::swap(flipped[0][1], flipped[0][2]);
    Soup pinched = cube; // a second cube on the first one's corners 0 and 7
    for (auto& t : pinched)
        for (V3& c : t)
            c = c == o || c == V3(1, 1, 1) ? c : c + V3(5, 0, 0);
    const std::tuple<const char*, Soup, std::string> cases[] = {
        {"tetrahedron", tetra,
         "v=4 f=4 e=6 chi=2 area=2.36602540378 vol=0.166666666667 [4 4 6 0 2 g0]"},
        {"inward cube", unitCube(true), "v=8 f=12 e=18 chi=2 area=6 vol=-1 [12 8 18 0 2 g0]"},
        {"tube", Soup(cube.begin() + 4, cube.end()),
         "v=8 f=8 e=16 be=8 bl=2 chi=0 area=4 vol=(open surface: 2 boundary loops) [8 8 16 2 0 "
         "g0]"},
        {"torus", torus(4, 4), "v=16 f=32 e=48 chi=0 area=55.4256258422 vol=16 [32 16 48 0 0 g1]"},
        {"two tetrahedra sharing a vertex", tetra + mirrored,
         "v=7 f=8 e=12 nmv=1 chi=3 area=4.73205080757 vol=0.333333333333 [8 7 12 0 3 g(1 "
         "non-manifold vertex)]"},
        {"fin", tetra + Soup{{o, x, V3(0.5f, -1, 0)}},
         "v=5 f=5 e=8 be=2 bl=1 nme=1 chi=2 area=2.86602540378 vol=(open surface: 1 boundary loop, "
         "1 non-manifold edge) [5 5 8 1 2 g(1 non-manifold edge)]"},
        {"bow-tie", Soup{{o, x, y}, {o, -x, -y}},
         "v=5 f=2 e=6 be=6 bl=2 nmv=1 chi=1 area=1 vol=(open surface: 2 boundary loops) [2 5 6 2 1 "
         "g(1 non-manifold vertex)]"},
        {"one face flipped", flipped,
         "v=4 f=4 e=6 inc=3 chi=2 area=2.36602540378 vol=(3 inconsistently oriented edges) [4 4 6 "
         "0 2 g(3 inconsistently oriented edges)]"},
        {"repeated corners", tetra + Soup{{o, o, x}},
         "v=4 f=5 e=6 nme=1 deg=1 rep=1 chi=3 area=2.36602540378 vol=(1 non-manifold edge) [5 4 6 "
         "0 3 g(1 triangle with repeated corners, 1 non-manifold edge)] ignoring 1: "
         "vol=0.166666666667 g=0"},
        {"zero area", tetra + Soup{{x, V3(2, 0, 0), V3(3, 0, 0)}},
         "v=6 f=5 e=9 be=3 bl=1 nmv=1 deg=1 chi=2 area=2.36602540378 vol=(open surface: 1 boundary "
         "loop) [5 6 9 1 2 g(1 non-manifold vertex)]"},
        {"square and repeated corners", Soup{{o, x, y}, {x, x + y, y}, {o, o, y}},
         "v=4 f=3 e=5 be=3 bl=1 inc=1 deg=1 rep=1 chi=2 area=1 vol=(open surface: 1 boundary loop, "
         "1 inconsistently oriented edge) [3 4 5 1 2 g(1 triangle with repeated corners, 1 "
         "inconsistently oriented edge)] ignoring 1: vol=none g=0"},
        {"torus beside a tetrahedron with repeated corners",
         torus(4, 4) + Soup(two.begin() + 4, two.end()) +
             Soup{{V3(5, 0, 0), V3(5, 0, 0), V3(6, 0, 0)}},
         "v=20 f=37 e=54 nme=1 deg=1 rep=1 chi=3 area=57.791651246 vol=(1 non-manifold edge) [32 "
         "16 48 0 0 g1] [5 4 6 0 3 g(1 triangle with repeated corners, 1 non-manifold edge)] "
         "ignoring 1: vol=16.1666666667 g=none"},
        {"torus and repeated corners off it",
         torus(4, 4) + Soup{{torus(4, 4)[0][0], torus(4, 4)[0][0], V3(9, 9, 9)}},
         "v=17 f=33 e=49 be=1 bl=1 deg=1 rep=1 chi=1 area=55.4256258422 vol=(open surface: 1 "
         "boundary loop) [33 17 49 1 1 g(1 triangle with repeated corners)] ignoring 1: vol=16 "
         "g=1"},
        {"tetrahedron and a point", tetra + Soup{{o, o, o}},
         "v=4 f=5 e=6 deg=1 rep=1 chi=3 area=2.36602540378 vol=0.166666666667 [5 4 6 0 3 g(1 "
         "triangle with repeated corners)] ignoring 1: vol=0.166666666667 g=0"},
        {"square folded the same way, repeated corners", Soup{{o, x, y}, {x, y, x + y}, {o, o, y}},
         "v=4 f=3 e=5 be=3 bl=1 inc=2 deg=1 rep=1 chi=2 area=1 vol=(open surface: 1 boundary loop, "
         "2 inconsistently oriented edges) [3 4 5 1 2 g(1 triangle with repeated corners, 2 "
         "inconsistently oriented edges)] ignoring 1: vol=none g=none"},
        {"two cubes sharing two corners, repeated corners", cube + pinched + Soup{{o, o, x}},
         "v=14 f=25 e=36 nme=1 nmv=2 deg=1 rep=1 chi=3 area=28.1980390272 vol=(1 non-manifold "
         "edge) [25 14 36 0 3 g(1 triangle with repeated corners, 1 non-manifold edge, 2 "
         "non-manifold vertices)] ignoring 1: vol=2 g=none"},
        {"base twice more", tetra + Soup{tetra[0], tetra[0]},
         "v=4 f=6 e=6 nme=3 dup=2 chi=4 area=3.36602540378 vol=(3 non-manifold edges) [6 4 6 0 4 "
         "g(3 non-manifold edges)]"},
        {"second component first", Soup{{V3(5, 5, 5), V3(6, 5, 5), V3(5, 6, 5)}} + tetra,
         "v=7 f=5 e=9 be=3 bl=1 chi=3 area=2.86602540378 vol=(open surface: 1 boundary loop) [1 3 "
         "3 1 1 g0] [4 4 6 0 2 g0]"},
    };
    for (const auto& [name, soup, expect] : cases)
        EXPECT_EQ(describe(soup), expect) << name;
}
} // namespace
