#include "viewer/CurvatureScale.h"
#include "viewer/MeshLoad.h"
#include "viewer/OutputPath.h"
#include "viewer/Pick.h"
#include "viewer/Summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <tuple>

namespace
{
MeshAnalysis::Report report(std::size_t components, bool hasGenus, std::int64_t genus)
{
    MeshAnalysis::Report r;
    r.components.resize(components);
    for (MeshAnalysis::Component& c : r.components)
    {
        c.hasGenus = hasGenus;
        c.genus = genus;
        c.genusUndefinedWhy = hasGenus ? "" : "2 non-manifold edges";
    }
    return r;
}
} // namespace

TEST(Summary, SaysWhyTheHalfEdgeGenusDiffersFromTheAnalysis)
{
    struct Case
    {
        MeshAnalysis::Report r;
        long long halfEdge;
        const char* expected;
    };
    std::vector<Case> cases;
    cases.push_back({report(1, true, 1), 1, ""});
    cases.push_back(
        {report(1, true, 1), 0, "genus 0 above is the half-edge structure's own count"});
    MeshAnalysis::Report r = report(1, false, 0);
    r.repeatedCornerTriangles = 108, r.nonManifoldEdges = 5;
    r.hasGenusIgnoringDegenerate = true, r.genusIgnoringDegenerate = 55;
    cases.push_back({r, 23,
                     "genus 23 above counts 108 triangles with a repeated corner; ignoring "
                     "them: genus 55"});
    r.repeatedCornerTriangles = 1, r.hasGenusIgnoringDegenerate = false;
    cases.push_back({r, 2, "genus 2 above counts 1 triangle with a repeated corner"});
    r.repeatedCornerTriangles = 0, r.nonManifoldEdges = 88, r.nonManifoldVertices = 3;
    cases.push_back(
        {r, 3, "genus 3 above counts 88 non-manifold edges, where no genus is defined"});
    r.nonManifoldEdges = 0, r.nonManifoldVertices = 1, r.inconsistentEdges = 4;
    cases.push_back(
        {r, 0, "genus 0 above counts 1 non-manifold vertex, where no genus is defined"});
    r.nonManifoldVertices = 0;
    cases.push_back({r, 0,
                     "genus 0 above counts 4 inconsistently oriented edges, where no genus "
                     "is defined"});
    r = report(2, true, 0);
    r.boundaryLoops = 2;
    cases.push_back({r, -1, "genus -1 above takes the 2 components as one surface"});
    r = report(1, true, 0);
    r.boundaryLoops = 2;
    cases.push_back({r, 1, "genus 1 above counts 2 boundary loops as half a handle each"});
    r.boundaryLoops = 1;
    cases.push_back({r, 0, ""}); // half a handle rounds down: they agree
    for (const Case& c : cases)
        EXPECT_EQ(Summary::genusDifference(c.r, c.halfEdge), c.expected) << c.halfEdge;

    r = report(1, true, 0);
    r.boundaryLoops = 2, r.area = 0.1, r.volumeUndefinedWhy = "open surface: 2 boundary loops";
    const std::string open = "Summary: 1 component, 2 boundary loops, 0 non-manifold edges, volume "
                             "undefined (open surface: 2 boundary loops), genus 0, area "
                             "0.10000000000000001";
    EXPECT_EQ(Summary::line(r, std::nullopt), open);
    EXPECT_EQ(Summary::line(r, 1),
              open + "; genus 1 above counts 2 boundary loops as half a handle each");
    r = report(6, false, 0);
    r.hasVolume = true, r.volume = 2.5, r.area = 3, r.nonManifoldEdges = 1;
    r.components[1].hasGenus = true, r.components[1].genus = 4;
    EXPECT_EQ(Summary::line(r, 7),
              "Summary: 6 components, 0 boundary loops, 1 non-manifold edge, volume 2.5, genus per "
              "component: undefined (2 non-manifold edges), 4, undefined (2 non-manifold edges), "
              "undefined (2 non-manifold edges), undefined (2 non-manifold edges) and 1 more, area "
              "3; genus 7 above counts 1 non-manifold edge, where no genus is defined");
}

TEST(OutputPath, NamesAreTakenFromTheCallersDirectory)
{
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"out.png", "/home/u/meshes", "/home/u/meshes/out.png"},
        {"out.png", "/home/u/meshes/", "/home/u/meshes/out.png"},
        {"shots/a.png", "/x", "/x/shots/a.png"},
        {"../a.png", "/x/y", "/x/y/../a.png"},
        {"/abs/a.png", "/x", "/abs/a.png"},
        {"out.png", "", "out.png"},
        {"", "/x", ""},
    };
    for (const auto& [name, dir, expected] : cases)
        EXPECT_EQ(OutputPath::resolve(name, dir), expected) << name << " in " << dir;
    setenv("MV_CALLER_DIR", "/from/here", 1);
    EXPECT_EQ(OutputPath::callerDir(), "/from/here");
    unsetenv("MV_CALLER_DIR");
    EXPECT_EQ(OutputPath::callerDir(), "");

    EXPECT_EQ(OutputPath::pictureNames({"a/bunny.obj", "b/bunny.ply", "bunny", "x.y/.hidden",
                                        "dragon.tar.off", "dir/", "c/bunny.stl"}),
              (std::vector<std::string>{"bunny.png", "bunny-2.png", "bunny-3.png", ".hidden.png",
                                        "dragon.tar.png", "mesh.png", "bunny-4.png"}));
}

TEST(CurvatureScale, RangeIsThe98thPercentileOfTheMagnitudes)
{
    std::vector<float> v;
    for (int i = 1; i <= 100; ++i)
        v.push_back(i % 2 == 0 ? float(i) : -float(i));
    v.insert(v.end(), {NAN, NAN});
    EXPECT_EQ(CurvatureScale::magnitudePercentile(v, 0.98), 98.0f) << "NaNs do not count";
    EXPECT_EQ(CurvatureScale::magnitudePercentile(v, 1.0), 100.0f);
    EXPECT_EQ(CurvatureScale::magnitudePercentile(v, 0.001), 1.0f);
    v.resize(50);
    EXPECT_EQ(CurvatureScale::magnitudePercentile(v, 0.98), 49.0f);
    EXPECT_EQ(CurvatureScale::magnitudePercentile({-7.0f}, 0.98), 7.0f);
    EXPECT_EQ(CurvatureScale::magnitudePercentile({3, -9, 1, 4, 10, 2, 6, 5, -8, 7}, 0.98), 10.0f)
        << "rank 9.8 rounds up";
    EXPECT_EQ(CurvatureScale::magnitudePercentile({NAN}, 0.98), 0.0f);

    const CurvatureScale::Range r = CurvatureScale::fromData(v);
    EXPECT_TRUE(r.low == -49.0f && r.high == 49.0f);
    for (const std::vector<float>& flat : {std::vector<float>{}, {0.0f, 0.0f}, {NAN}})
    {
        const CurvatureScale::Range f = CurvatureScale::fromData(flat);
        EXPECT_TRUE(f.low == -1.0f && f.high == 1.0f) << flat.size();
    }

    const CurvatureScale::Range two{-2.0f, 2.0f}, shifted{0.0f, 6.0f};
    const std::tuple<float, CurvatureScale::Range, float> ramp[] = {
        {-2.0f, two, -3.0f}, {0.0f, two, 0.0f},   {2.0f, two, 3.0f},     {1.0f, two, 1.5f},
        {100.0f, two, 4.0f}, {-9.0f, two, -4.0f}, {3.0f, shifted, 0.0f}, {6.0f, shifted, 3.0f}};
    for (const auto& [value, range, expected] : ramp)
        EXPECT_EQ(CurvatureScale::toRamp(value, range), expected) << value;
    EXPECT_TRUE(std::isnan(CurvatureScale::toRamp(NAN, two)));
}

TEST(CurvatureScale, ColourBarLabelsStayInsideTheWindow)
{
    using L = CurvatureScale::Layout;
    const std::tuple<int, int, int, L> cases[] = {
        // width, height, title width, layout
        {1024, 768, 200, {764, 30, 240, 14, 764, 979, 14, 764, 50, true, true, true, true}},
        {300, 200, 280, {40, 30, 240, 14, 40, 255, 14, 18, 50, true, true, true, true}},
        {100, 40, 80, {20, 26, 60, 14, 20, 55, 10, 18, 46, true, true, true, false}},
        {90, 100, 40, {20, 30, 50, 14, 20, 45, 14, 20, 50, true, true, false, true}},
        {96, 100, 40, {20, 30, 56, 14, 20, 51, 14, 20, 50, true, true, false, true}}, // 4 apart
        {1024, 20, 200, {764, 6, 240, 14, 764, 979, -10, 764, 26, true, false, false, false}},
        {59, 300, 40, {20, 30, 19, 14, 0, 0, 0, 0, 0, false, false, false, false}},
    };
    for (const auto& [width, height, title, expected] : cases)
    {
        const L l = CurvatureScale::layout(width, height, 30, 25, title, 12);
        const auto fields = [](const L& e)
        {
            return std::vector<int>({e.barX, e.barY, e.barWidth, e.barHeight, e.lowX, e.highX,
                                     e.labelY, e.titleX, e.titleY, e.bar, e.low, e.high, e.title});
        };
        EXPECT_EQ(fields(l), fields(expected)) << width << " x " << height;
    }
    for (int w = 0; w <= 1200; w += 7)
        for (int h = 0; h <= 200; h += 13)
        {
            const L l = CurvatureScale::layout(w, h, 30, 25, 200, 12);
            const auto inside = [w, h](bool shown, int x, int y, int width)
            { return !shown || (x >= 0 && x + width <= w && y >= 0 && y + 12 <= h); };
            EXPECT_TRUE(inside(l.low, l.lowX, l.labelY, 30) &&
                        inside(l.high, l.highX, l.labelY, 25) &&
                        inside(l.title, l.titleX, l.titleY, 200) &&
                        (!l.bar || (l.barX >= 0 && l.barX + l.barWidth <= w)))
                << w << " x " << h;
        }
}

TEST(Pick, NearestPointTriangleAndVertex)
{
    using V = Vector3<double>;
    const V a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
    // A point, then the nearest on the triangle a b c.
    const double cases[][6] = {
        {-1, -1, 0, 0, 0, 0},       {2, -0.5, 3, 1, 0, 0},          {-0.5, 2, 0, 0, 1, 0},
        {0.5, -1, 0, 0.5, 0, 0},    {-1, 0.5, 1, 0, 0.5, 0},        {1, 1, 0, 0.5, 0.5, 0},
        {1, 0.5, 0, 0.75, 0.25, 0}, {0.25, 0.25, 5, 0.25, 0.25, 0}, {0.25, 0.5, -2, 0.25, 0.5, 0}};
    for (const auto& p : cases)
        EXPECT_EQ(Pick::closestOnTriangle(V(p[0], p[1], p[2]), a, b, c), V(p[3], p[4], p[5]))
            << p[0] << " " << p[1];
    EXPECT_EQ(Pick::closestOnTriangle(V(5, 5, 5), b, b, b), b);

    using F = Vector3<float>;
    using T = Vector3<unsigned int>;
    const std::vector<F> positions = {F(0, 0, 0), F(1, 0, 0), F(0, 1, 0), F(1, 1, 0), F(5, 5, 5)};
    const std::vector<T> triangles = {T(0, 1, 5), T(0, 1, 2), T(1, 3, 2), T(4, 4, 4)};
    const std::tuple<F, std::size_t, unsigned int, double> picks[] = {
        {F(0.9f, 0.8f, 0.0f), 2, 3, 0.0}, // inside the second square half
        {F(0.5f, 0.5f, 2.0f), 1, 0, 4.0}, // the shared side: the first triangle; tied corners
        {F(0.1f, 0.2f, -1.0f), 1, 0, 1.0},
        {F(5.0f, 5.0f, 6.0f), 3, 4, 1.0}, // a triangle of one point
        {F(2.0f, 0.0f, 0.0f), 1, 1, 1.0}, // beyond a corner: the first triangle there
    };
    for (const auto& [p, triangle, vertex, distanceSquared] : picks)
    {
        const Pick::Hit h = Pick::nearest(positions, triangles, p);
        EXPECT_EQ(std::make_tuple(h.found, h.triangle, h.vertex, h.distanceSquared),
                  std::make_tuple(true, triangle, vertex, distanceSquared))
            << p[0] << " " << p[1] << " " << p[2];
    }
    EXPECT_FALSE(Pick::nearest(positions, {T(0, 1, 7)}, F(0, 0, 0)).found);
    EXPECT_FALSE(Pick::nearest({}, {}, F(0, 0, 0)).found);

    Pick::Hit h;
    h.vertex = 2, h.triangle = 1;
    const F previous(3.0f, 5.0f, 0.0f);
    EXPECT_EQ(Pick::describe("m/a.obj", h, F(0.0f, 1.0f, -0.25f), nullptr),
              "Pick: m/a.obj: vertex 2 (0, 1, -0.25), triangle 1");
    EXPECT_EQ(Pick::describe("a.obj", h, F(0.0f, 1.0f, 0.0f), &previous),
              "Pick: a.obj: vertex 2 (0, 1, 0), triangle 1; 5 from the vertex picked before");
}

// A command-line file is read alone, boxed by the corners its triangles use, and analysed
// beside the build or before it alike.
TEST(MeshLoad, FileReadAloneThenAnalysed)
{
    const std::string dir = testing::TempDir();
    const std::pair<const char*, const char*> files[] = {
        {"ml_square.obj", "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 -3\nv 9 9 9\nf 1 2 3\nf 1 3 4\n"},
        {"ml_points.obj", "v 1 2 3\n"},
        {"ml_bad.obj", "v 0 0 0\nf 1 2 3\n"}};
    for (const auto& [name, text] : files)
        std::ofstream(dir + name) << text;
    using O = MeshLoad::Outcome;
    const std::tuple<const char*, O, const char*> outcomes[] = {
        {"ml_none.obj", O::UNOPENED, "cannot open: No such file or directory"},
        {"ml_points.obj", O::NO_TRIANGLES, "no triangles"},
        {"ml_bad.obj", O::REJECTED,
         "Error: OBJ line 2: vertex index 2 is beyond the 1 positions in the file"}};
    for (const auto& [name, outcome, why] : outcomes)
    {
        MeshData data;
        const MeshLoad::Result r = MeshLoad::readFile(dir + name, data);
        EXPECT_EQ(std::make_tuple(r.outcome, r.why, r.box.empty, data.tris.size()),
                  std::make_tuple(outcome, std::string(why), true, std::size_t(0)))
            << name;
    }
    MeshData data;
    const MeshLoad::Result r = MeshLoad::readFile(dir + "ml_square.obj", data);
    using F = Vector3<float>;
    EXPECT_EQ(std::make_tuple(r.outcome, r.why, r.box.min, r.box.max, data.verts.size()),
              std::make_tuple(O::LOADED, std::string(), F(0, 0, -3), F(2, 1, 0), std::size_t(5)));
    for (const bool beside : {true, false})
    {
        const MeshLoad::Analysis a = MeshLoad::startAnalysis(data, beside).get();
        EXPECT_EQ(std::make_tuple(a.done, a.report.faces, a.report.boundaryEdges, a.report.area,
                                  a.defects.boundaryEdges.size()),
                  std::make_tuple(true, 2u, 4u, 4.5, std::size_t(8)))
            << beside;
    }
    data.tris.push_back({0, 1, 5}); // beyond the positions
    EXPECT_FALSE(MeshLoad::startAnalysis(data, true).get().done);
    EXPECT_EQ(std::make_pair(MeshLoad::analyseBeside(2097000, 152),
                             MeshLoad::analyseBeside(152, 2097001)),
              std::make_pair(true, false));
}
