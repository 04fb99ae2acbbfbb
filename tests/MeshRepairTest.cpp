// The repair steps on small drawn meshes, each result pinned; then the meshrepair program.
#include "MeshRepair.h"

#include "MeshAnalysis.h"
#include "tests/ProgramRun.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <tuple>

namespace
{
using V3 = Vector3<float>;
using T3 = Vector3<unsigned int>;
using Tris = std::vector<T3>;
using namespace MeshRepair;

MeshData meshOf(std::vector<V3> verts, Tris tris)
{
    return MeshData{std::move(verts), std::move(tris), {}};
}
Tris flat(const std::string& corners)
{
    std::istringstream in(corners);
    Tris t;
    for (unsigned int a, b, c; in >> a >> b >> c;)
        t.push_back({a, b, c});
    return t;
}

// The closed unit cube, outward, two triangles a side (sides in the order -z +z -y +y -x +x).
MeshData cube()
{
    return meshOf(
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        flat("0 2 1 0 3 2 4 5 6 4 6 7 0 1 5 0 5 4 3 7 6 3 6 2 0 4 7 0 7 3 1 2 6 1 6 5"));
}

// The regular octahedron of radius 1, outward: four triangles round the top (4), then the bottom.
MeshData octahedron()
{
    return meshOf(
        {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}},
        {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}, {1, 0, 5}, {2, 1, 5}, {3, 2, 5}, {0, 3, 5}});
}
// Two triangles round the top missing, touching at the top only: a pinch there.
MeshData pinched()
{
    MeshData m = octahedron();
    m.tris.erase(m.tris.begin() + 2);
    m.tris.erase(m.tris.begin());
    return m;
}

// A tetrahedron, outward when (p1 - p0, p2 - p0, p3 - p0) is right-handed.
void addTetrahedron(MeshData& m, const V3& p0 = {0, 0, 0}, const V3& p1 = {1, 0, 0},
                    const V3& p2 = {0, 1, 0}, const V3& p3 = {0, 0, 1})
{
    const unsigned int b = static_cast<unsigned int>(m.verts.size());
    m.verts.insert(m.verts.end(), {p0, p1, p2, p3});
    for (const T3& t : {T3(0, 2, 1), T3(0, 1, 3), T3(0, 3, 2), T3(1, 2, 3)})
        m.tris.push_back({t[0] + b, t[1] + b, t[2] + b});
}

MeshAnalysis::Report analysed(const MeshData& m)
{
    MeshAnalysis::Report r;
    EXPECT_TRUE(MeshAnalysis::analyse(m.verts, m.tris, r));
    return r;
}

using Counts = std::vector<std::uint64_t>;
Counts counts(const ManifoldResult& m)
{
    return {m.nonManifoldEdges, m.unpairedTriangles, m.splitVertices, m.addedVertices,
            m.nonManifoldEdgesLeft};
}
Counts counts(const OrientResult& o)
{
    return {o.components, o.flippedTriangles, o.turnedOutward, o.nonOrientableComponents,
            o.inconsistentEdgesLeft};
}
Counts counts(const FillResult& f)
{
    return {f.holes,         f.filledHoles, f.addedTriangles, f.mergedCopies,
            f.holesTooLarge, f.holesLeft,   f.turnedOutward};
}

void expectSound(const MeshData& m)
{
    const MeshAnalysis::Report r = analysed(m);
    EXPECT_EQ((Counts{r.boundaryEdges, r.nonManifoldEdges, r.nonManifoldVertices,
                      r.inconsistentEdges, r.degenerateTriangles, r.duplicateTriangles}),
              Counts(6, 0));
}

// A triangle as its smallest rotation, so that sets of triangles compare.
Tris canonical(Tris tris)
{
    for (T3& t : tris)
        while (t[0] > t[1] || t[0] > t[2])
            t = T3(t[1], t[2], t[0]);
    std::sort(tris.begin(), tris.end());
    return tris;
}

TEST(MeshRepairWeld, ExactKeepsTheFirstOfEqualPositionsInOrder)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    MeshData m = meshOf(
        {{-0.0f, 0, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {nan, 0, 0}, {nan, 0, 0}},
        {{0, 1, 3}, {2, 4, 3}, {5, 6, 3}, {2, 1, 6}});
    const WeldResult r = weldExact(m); // the two NaNs of the same bits merge too
    EXPECT_EQ((Counts{r.mergedPositions, r.collapsedTriangles}), (Counts{3, 1}));
    ASSERT_EQ(m.verts.size(), 4u);
    EXPECT_TRUE(std::signbit(m.verts[0][0])); // -0 came first: its bits stay
    EXPECT_EQ(m.verts[2], V3(0, 1, 0));
    EXPECT_EQ(m.tris, (Tris{{0, 1, 2}, {0, 1, 2}, {3, 3, 2}, {0, 1, 3}}));
}

TEST(MeshRepairWeld, WithinADistanceMergesIntoTheNearestKeptPosition)
{
    const float inf = std::numeric_limits<float>::infinity();
    MeshData base = meshOf({{0, 0, 0}, {0.9f, 0, 0}, {1.8f, 0, 0}, {0, 0.5f, 0}, {0, 0, 1}},
                           flat("0 1 4 1 2 4 0 3 4 5 6 4 3 7 4"));
    base.verts.insert(base.verts.end(), {{inf, 0, 0}, {inf, 0, 0}, {0.2f, 0.45f, 0}});
    MeshData m = base;
    const WeldResult r = weldWithin(m, 1.0);
    // 1, 3 and 7 go into 0; 2 is 1.8 from 0 (1 is not kept), 4 exactly 1; infinities stay.
    EXPECT_EQ((Counts{r.mergedPositions, r.collapsedTriangles}), (Counts{3, 3}));
    EXPECT_EQ(m.verts,
              (std::vector<V3>{{0, 0, 0}, {1.8f, 0, 0}, {0, 0, 1}, {inf, 0, 0}, {inf, 0, 0}}));
    EXPECT_EQ(m.tris, (Tris{{0, 0, 2}, {0, 1, 2}, {0, 0, 2}, {3, 4, 2}, {0, 0, 2}}));
    for (const double d : {0.0, -1.0, std::nan("")})
    {
        MeshData same = base;
        EXPECT_EQ(weldWithin(same, d).mergedPositions, 0u);
        EXPECT_EQ(same.tris, base.tris);
    }
}

TEST(MeshRepairClean, DropsDegenerateDuplicateAndMirroredTrianglesAndUnusedPositions)
{
    MeshData m = meshOf(
        {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {5, 5, 5}, {0, 0, 1}},
        {{0, 1, 2}, {0, 0, 2}, {0, 1, 3}, {1, 2, 0}, {0, 2, 1}, {2, 2, 2}, {0, 1, 5}, {5, 0, 1}});
    const CleanResult r = removeDegenerate(m);
    // Zero area: 0, 1, 3 on the x axis; duplicates: a rotation, a mirror, a rotation.
    EXPECT_EQ((Counts{r.repeatedCornerTriangles, r.zeroAreaTriangles, r.duplicateTriangles,
                      r.unreferencedVertices}),
              (Counts{2, 1, 3, 2}));
    EXPECT_EQ(m.verts, (std::vector<V3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}));
    EXPECT_EQ(m.tris, (Tris{{0, 1, 2}, {0, 1, 3}}));
}

TEST(MeshRepairComponents, DropsComponentsOfAtMostTheGivenSize)
{
    // The size limit; the components, triangles and positions removed; the triangles left.
    for (const Counts& c :
         {Counts{0, 0, 0, 0, 17}, Counts{1, 1, 1, 3, 16}, Counts{3, 1, 1, 3, 16},
          Counts{4, 2, 5, 7, 12}, Counts{11, 2, 5, 7, 12}, Counts{12, 3, 17, 15, 0}})
    {
        MeshData m = cube(); // 12 triangles, then a floating one and a tetrahedron
        m.verts.insert(m.verts.end(), {{5, 0, 0}, {6, 0, 0}, {5, 1, 0}});
        m.tris.push_back({8, 9, 10});
        addTetrahedron(m);
        const ComponentResult r = removeSmallComponents(m, c[0]);
        EXPECT_EQ((Counts{c[0], r.removedComponents, r.removedTriangles, r.removedVertices,
                          m.tris.size(), 15 - m.verts.size()}),
                  (Counts{c[0], c[1], c[2], c[3], c[4], c[3]}));
    }
}

// Edge 0-1 on the z axis; third corners at these angles round it, running 0 -> 1 (+) or back.
MeshData aroundEdge(const std::string& facesAt)
{
    MeshData m = meshOf({{0, 0, 0}, {0, 0, 1}}, {});
    std::istringstream in(facesAt);
    for (int degrees = 0; in >> degrees;)
    {
        const bool forward = in.get() == '+';
        const double a = degrees * M_PI / 180;
        m.verts.push_back(
            V3(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), 0.5f));
        const unsigned int c = static_cast<unsigned int>(m.verts.size() - 1);
        m.tris.push_back(forward ? T3(0, 1, c) : T3(1, 0, c));
    }
    return m;
}

TEST(MeshRepairManifold, PairsTheTrianglesRoundAnEdgeAcrossTheirSolidSide)
{
    // Name, makeManifold's counts, the faces (degrees, + forward or - back), the triangles after.
    const std::tuple<const char*, Counts, std::string, Tris> cases[] = {
        // A fin: the pair (90, 180) encloses a solid wedge and gets copies of the vertices.
        {"fin", {1, 1, 2, 2, 0}, "0+ 90- 180+", flat("0 1 2 5 6 3 6 5 4")},
        // Two sheets touching along the edge, solid between 0 and 90 and between 180 and 270.
        {"two sheets", {1, 0, 2, 2, 0}, "0- 90+ 180- 270+", flat("1 0 2 0 1 3 6 7 4 7 6 5")},
        // The same listed in another order: the angles decide, not the order.
        {"shuffled", {1, 0, 2, 2, 0}, "90+ 180- 0- 270+", flat("0 1 2 6 7 3 1 0 4 7 6 5")},
        // Two triangles running the same way, one running back: one pair, round the circle.
        {"same way", {1, 1, 2, 2, 0}, "0+ 120+ 240-", flat("0 1 2 5 6 3 1 0 4")},
    };
    for (const auto& [name, want, faces, after] : cases)
    {
        MeshData m = aroundEdge(faces);
        const MeshData before = m;
        EXPECT_EQ(counts(makeManifold(m)), want) << name;
        EXPECT_EQ(m.tris, after) << name;
        EXPECT_EQ(m.verts.size(), after.size() + 2 + want[3]) << name;
        for (std::size_t f = 0; f < m.tris.size(); ++f) // no corner moved
            for (unsigned int k = 0; k < 3; ++k)
                EXPECT_EQ(m.verts[m.tris[f][k]], before.verts[before.tris[f][k]]) << name;
    }
}

TEST(MeshRepairManifold, SplitsVerticesIntoOnePerFan)
{
    // A bow-tie with a third wing: one vertex split into three.
    MeshData bowTie =
        meshOf({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 0, 0}, {-1, -1, 0}, {0, 1, 1}, {0, 0, 1}},
               {{0, 1, 2}, {0, 3, 4}, {0, 5, 6}});
    ManifoldResult r = makeManifold(bowTie);
    EXPECT_EQ(counts(r), (Counts{0, 0, 1, 2, 0}));
    EXPECT_EQ(bowTie.tris, (Tris{{0, 1, 2}, {7, 3, 4}, {8, 5, 6}}));

    // Two tetrahedra on one corner; then along an edge, where a wrong pairing joins them.
    for (const bool edge : {false, true})
    {
        MeshData m;
        addTetrahedron(m);
        addTetrahedron(m, {0, 0, 0}, edge ? V3(0, 0, 1) : V3(-1, 0, 0),
                       edge ? V3(-1, 0, 0) : V3(0, 0, -1), {0, -1, 0});
        weldExact(m);
        r = makeManifold(m);
        EXPECT_EQ(counts(r), (edge ? Counts{1, 0, 2, 2, 0} : Counts{0, 0, 1, 1, 0}));
        EXPECT_EQ(counts(orient(m)), (Counts{2, 0, 0, 0, 0}));
        EXPECT_EQ(m.tris.size(), 8u);
    }
}

TEST(MeshRepairOrient, FlipsAgainstTheFirstTriangleThenTurnsClosedOnesOutward)
{
    // Triangles reversed in the input; then the counts.
    const std::pair<std::vector<unsigned int>, Counts> cases[] = {
        {{}, {1, 0, 0, 0, 0}},
        {{3, 7, 8}, {1, 3, 0, 0, 0}},
        {{0}, {1, 1, 1, 0, 0}},
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {1, 12, 1, 0, 0}}};
    for (const auto& [flipped, want] : cases)
    {
        MeshData m = cube();
        for (const unsigned int f : flipped)
            std::swap(m.tris[f][1], m.tris[f][2]);
        EXPECT_EQ(counts(orient(m)), want) << flipped.size();
        EXPECT_EQ(m.tris, cube().tris) << flipped.size();
    }
    // An open box facing inwards is not turned: only closed ones are.
    MeshData box = cube();
    box.tris.erase(box.tris.begin() + 2, box.tris.begin() + 4);
    for (T3& t : box.tris)
        std::swap(t[1], t[2]);
    EXPECT_EQ(counts(orient(box)), (Counts{1, 0, 0, 0, 0}));
    // An open sheet keeps the way its first triangle faces.
    MeshData sheet = meshOf({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 2, 1}, {0, 2, 3}});
    EXPECT_EQ(orient(sheet).flippedTriangles, 1u);
    EXPECT_EQ(sheet.tris, (Tris{{0, 2, 1}, {0, 3, 2}}));
}

TEST(MeshRepairOrient, AMoebiusBandIsReportedAndLeftAsFarAsItGot)
{
    // Three quads round a loop, the last joined with a half twist: tops t0 t1 t2, bottoms
    // b0 b1 b2; the band closes t2 -> b0 and b2 -> t0.
    MeshData m = meshOf({{1, 0, 1}, {-0.5f, 0.87f, 1}, {-0.5f, -0.87f, 1}, {1, 0, 0}},
                        flat("0 3 4 0 4 1 1 4 5 1 5 2 2 5 0 2 0 3"));
    m.verts.insert(m.verts.end(), {{-0.5f, 0.87f, 0}, {-0.5f, -0.87f, 0}});
    const OrientResult r = orient(m);
    EXPECT_EQ(counts(r), (Counts{1, 3, 0, 1, 1})); // f5, f4, f3 turned; 1-5 conflicts
    EXPECT_EQ(analysed(m).inconsistentEdges, 1u);
}

TEST(MeshRepairFill, FillsACubesMissingSideAndLeavesAFloatingTriangle)
{
    MeshData m = cube();
    m.tris.erase(m.tris.begin() + 2, m.tris.begin() + 4); // the top
    FillResult r = fillHoles(m);
    EXPECT_EQ(counts(r), (Counts{1, 1, 2, 0, 0, 0, 0}));
    expectSound(m);
    EXPECT_EQ((std::vector<double>{analysed(m).volume, analysed(m).area}),
              (std::vector<double>{1, 6}));

    // A lone triangle, and a hole over three points on a line: both left unfillable.
    for (MeshData u :
         {meshOf({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}),
          meshOf({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, {{0, 1, 3}, {1, 2, 3}})})
    {
        const Tris before = u.tris;
        EXPECT_EQ(counts(fillHoles(u)), (Counts{1, 0, 0, 0, 0, 1, 0}));
        EXPECT_EQ(u.tris, before);
    }
}

// A prism over a regular polygon of n corners with both ends open.
MeshData tube(unsigned int n)
{
    MeshData m;
    for (unsigned int i = 0, j = 1 % n; i < n; ++i, j = (i + 1) % n)
    {
        const double a = 2 * M_PI * i / n;
        for (const float z : {0.0f, 1.0f})
            m.verts.push_back(
                V3(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)), z));
        m.tris.insert(m.tris.end(), {{2 * i, 2 * j, 2 * j + 1}, {2 * i, 2 * j + 1, 2 * i + 1}});
    }
    return m;
}

TEST(MeshRepairFill, ClosesShortAndLongLoopsFlatWithinTheSizeLimit)
{
    // 30 corners: the optimal triangulation; 200: ears. Either way the ends are flat.
    for (const unsigned int n : {30u, 200u})
    {
        MeshData m = tube(n);
        const FillResult r = fillHoles(m);
        EXPECT_EQ(counts(r), (Counts{2, 2, 2 * (n - 2), 0, 0, 0, 0})) << n;
        expectSound(m);
        double polygon = 0; // the area of the end, from the float corners
        for (unsigned int i = 0; i < n; ++i)
        {
            const V3 &p = m.verts[2 * i], &q = m.verts[2 * ((i + 1) % n)];
            polygon += 0.5 * (static_cast<double>(p[0]) * q[1] - static_cast<double>(q[0]) * p[1]);
        }
        EXPECT_NEAR(analysed(m).volume, polygon, 1e-9) << n;
        EXPECT_NEAR(analysed(m).area, analysed(tube(n)).area + 2 * polygon, 1e-9) << n;
    }
    // A side triangle missing pinches the rims: one loop of 121 edges, split into 60 and 61.
    for (const std::uint64_t limit : {120u, 121u})
    {
        MeshData m = tube(60);
        m.tris.pop_back();
        Report r;
        ASSERT_TRUE(repair(m, Options{0, limit, 0.0}, r));
        const bool fits = limit == 121;
        EXPECT_EQ(counts(r.manifold), (Counts{0, 0, 1, 1, 0}));
        EXPECT_EQ(counts(r.fill),
                  (fits ? Counts{1, 1, 58 + 59, 1, 0, 0, 0} : Counts{1, 0, 0, 0, 1, 0, 0}));
        EXPECT_EQ(m.verts.size(), fits ? 120u : 121u);
        if (fits)
            expectSound(m);
    }
}

TEST(MeshRepairRepair, GivesBackTheTrianglesMissingAroundAPinchVertex)
{
    MeshData m = pinched();
    Report r;
    ASSERT_TRUE(repair(m, Options(), r));
    EXPECT_EQ(counts(r.manifold), (Counts{0, 0, 1, 1, 0}));
    EXPECT_EQ(counts(r.fill), (Counts{1, 1, 2, 1, 0, 0, 0}));
    EXPECT_EQ(m.verts, octahedron().verts);
    EXPECT_EQ(canonical(m.tris), canonical(octahedron().tris));

    MeshData bad = meshOf({{0, 0, 0}}, {{0, 0, 1}});
    EXPECT_FALSE(repair(bad, Options(), r));
    EXPECT_EQ(bad.tris, (Tris{{0, 0, 1}}));
}

TEST(MeshRepairRepair, RunsTheStepsInOrderAndReportsEach)
{
    // A cube soup, one side reversed, a sliver, a duplicate, a floating triangle, a stray corner.
    MeshData m;
    MeshData c = cube();
    std::swap(c.tris[5][1], c.tris[5][2]);
    std::swap(c.tris[4][1], c.tris[4][2]);
    for (const T3& t : c.tris)
        for (unsigned int k = 0; k < 3; ++k)
            m.verts.push_back(c.verts[t[k]]);
    m.verts[34] = V3(1.0f, 1.0f, 1.0001f); // the last corner on (1, 1, 1)
    for (unsigned int i = 0; i < 36; i += 3)
        m.tris.push_back({i, i + 1, i + 2});
    m.tris.push_back({0, 0, 1});
    m.tris.push_back(m.tris[3]);
    m.verts.insert(m.verts.end(), {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}});
    m.tris.push_back({36, 37, 38});
    Report r;
    ASSERT_TRUE(repair(m, Options{1, 100, 0.001}, r));
    EXPECT_EQ((Counts{r.weld.mergedPositions, r.weldWithin.mergedPositions,
                      r.weldWithin.collapsedTriangles, r.clean.repeatedCornerTriangles,
                      r.clean.zeroAreaTriangles, r.clean.duplicateTriangles,
                      r.components.removedComponents, r.components.removedTriangles}),
              (Counts{39 - 12, 1, 0, 1, 0, 1, 1, 1}));
    EXPECT_EQ(counts(r.orientation), (Counts{1, 2, 0, 0, 0}));
    EXPECT_EQ(counts(r.fill), Counts(7, 0));
    EXPECT_EQ((Counts{m.tris.size(), m.verts.size()}), (Counts{12, 8}));
    expectSound(m);
    EXPECT_EQ(analysed(m).volume, 1.0);
}

class MeshRepairProgram : public testing::Test
{
protected:
    const Scratch scratch{"meshrepair-test"};
    MeshData read(const std::string& name) const
    {
        MeshData m;
        MeshReadStats stats;
        ReadError error;
        EXPECT_TRUE(readMeshFile(scratch.path(name), m, MeshReadOptions(), stats, error))
            << error.message;
        return m;
    }
    ProgramRun run(const std::string& args) const
    {
        return runShell("cd " + scratch.dir.string() + " && timeout 60 " MESHREPAIR_PATH " " +
                            args + " </dev/null",
                        scratch.path("run"));
    }
};

TEST_F(MeshRepairProgram, WrongUsageAndUnreadableInput)
{
    scratch.mesh("in.obj", cube(), WriteFormat::OBJ);
    const std::tuple<std::string, int, std::string> cases[] = {
        // arguments, status, first line
        {"", 2, "meshrepair: an input and an output file are needed"},
        {"in.obj a.obj b.obj", 2, "meshrepair: only one input and one output file"},
        {"--bogus in.obj out.obj", 2, "meshrepair: unknown option --bogus"},
        {"--min-component x in.obj out.obj", 2,
         "meshrepair: --min-component needs a number of triangles"},
        {"--max-hole -3 in.obj out.obj", 2, "meshrepair: --max-hole needs a number of edges"},
        {"--weld-distance -1 in.obj out.obj", 2,
         "meshrepair: --weld-distance needs a distance of 0 or more"},
        {"--require closed,round in.obj out.obj", 2,
         "meshrepair: unknown requirement 'round' (closed, manifold, oriented or no-degenerate)"},
        {"--format", 2, "meshrepair: --format needs obj, stl, ply or off"},
        {"missing.obj out.obj", 1, "meshrepair: "},
        {"in.obj in.obj", 1, "meshrepair: "},
    };
    for (const auto& [args, status, err] : cases)
    {
        const ProgramRun r = run(args);
        EXPECT_EQ(r.status, status) << args;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')).substr(0, err.size()), err) << args;
        EXPECT_EQ(r.out, "") << args;
        EXPECT_EQ(r.status == 2, contains(r.err, "Try meshrepair --help.")) << args;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.path("out.obj")));
    EXPECT_EQ(read("in.obj").tris, cube().tris); // never written over without --in-place
    const ProgramRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(contains(help.out, "--min-component K"));
    EXPECT_EQ(run("--version").out.rfind("meshrepair ", 0), 0u);
}

TEST_F(MeshRepairProgram, RepairsWritesAndReportsEachStepAndWhatTheFormatLoses)
{
    scratch.mesh("pinch.obj", pinched(), WriteFormat::OBJ);
    const ProgramRun r = run("--require closed,manifold,oriented,no-degenerate pinch.obj out.ply");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* line :
         {"meshrepair pinch.obj -> out.ply (binary PLY)\n",
          "  faces                                        6              8\n",
          "  boundary edges                               6              0\n",
          "  non-manifold vertices                        1              0\n",
          "  volume                               undefined     1.33333333\n",
          "  make manifold                   0 non-manifold edges paired into sheets (0 triangles "
          "unpaired), 1 vertex split into 1 copy, 0 non-manifold edges left\n",
          "  fill holes                      1 of 1 hole filled with 2 triangles (1 copies "
          "merged), 0 over --max-hole, 0 left unfillable\n"})
        EXPECT_TRUE(contains(r.out, line)) << line << r.out;
    const MeshData out = read("out.ply");
    EXPECT_EQ(out.verts, octahedron().verts);
    EXPECT_EQ(canonical(out.tris), canonical(octahedron().tris));

    // --in-place writes over the input; --max-hole leaves the loop, and the gate fails.
    const ProgramRun gate =
        run("--in-place --max-hole 5 --json --require closed,oriented pinch.obj pinch.obj");
    EXPECT_EQ(gate.status, 3);
    EXPECT_EQ(gate.err, "meshrepair: not closed: 6 boundary edges\n");
    for (const char* part : {"\"input\": \"pinch.obj\"", "\"format\": \"OBJ\"",
                             "\"fill\": {\"holes\": 1, \"filled\": 0, \"added_triangles\": 0, "
                             "\"merged_copies\": 0, \"too_large\": 1, \"left\": 0",
                             "\"unmet\": [\"not closed: 6 boundary edges\"]", "\"notes\": []"})
        EXPECT_TRUE(contains(gate.out, part)) << part << gate.out;
    EXPECT_EQ(read("pinch.obj").verts.size(), 7u); // the split vertex kept apart

    // STL cannot carry a split; small components are dropped.
    const MeshData m = meshOf(
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 0, 0}, {-1, -1, 0}, {5, 5, 5}, {6, 5, 5}, {5, 6, 5}},
        {{0, 1, 2}, {0, 3, 4}, {5, 6, 7}, {0, 1, 2}});
    scratch.mesh("bowtie.off", m, WriteFormat::OFF);
    const ProgramRun stl = run("--min-component 1 bowtie.off out.stl");
    EXPECT_EQ(stl.status, 0) << stl.err;
    for (const char* line :
         {"  drop degenerate triangles       0 with a repeated corner, 0 of zero area, 1 "
          "duplicate; 0 unused positions\n",
          "  drop small components           1 component of at most 1 triangles (1 triangle)\n",
          "\nnote: STL cannot carry the 1 split vertex copy: read back, they weld with their "
          "originals (write OBJ, PLY or OFF to keep them)\n"})
        EXPECT_TRUE(contains(stl.out, line)) << line << stl.out;
    EXPECT_EQ(read("out.stl").tris, (Tris{{0, 1, 2}, {0, 3, 4}}));
    const ProgramRun welded = run("--format obj --weld-distance 1.2 bowtie.off out.txt");
    EXPECT_EQ(welded.status, 0) << welded.err;
    EXPECT_TRUE(contains(welded.out, "  weld within distance            4 positions merged, 4 "
                                     "triangles collapsed (dropped below)\n"))
        << welded.out;
    EXPECT_TRUE(
        contains(welded.out, "  faces                                        4              0\n"));
}
} // namespace
