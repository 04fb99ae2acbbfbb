// Splitting faces of more than three corners: the shape each face is taken for, the exact
// triangles, and the area they cover, on faces drawn in a plane and then set in space.

#include "io/Polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using meshio::PolygonShape;

namespace
{
using V3 = Vector3<float>;
using Points = std::vector<std::vector<float>>; // x y, or x y z

const PolygonShape CONVEX = PolygonShape::CONVEX, CONCAVE = PolygonShape::CONCAVE,
                   IRREGULAR = PolygonShape::IRREGULAR;

// The corners of plane points set in space three ways: as drawn (z = 0), in the plane
// x = 7 seen from below (the drawing mirrored, so its winding reverses), and turned about
// the x axis (by the angle of cosine 0.6).
std::vector<V3> place(const Points& points, int way)
{
    std::vector<V3> out;
    for (const std::vector<float>& p : points)
    {
        const float x = p[0], y = p[1], z = p.size() > 2 ? p[2] : 0.0f;
        out.push_back(way == 0   ? V3(x, y, z)
                      : way == 1 ? V3(7 + z, y, x)
                                 : V3(x, 0.6f * y - 0.8f * z, 0.8f * y + 0.6f * z));
    }
    return out;
}

template <class Triple> std::string text(const std::vector<Triple>& triples)
{
    std::string s;
    for (const Triple& t : triples)
        s += (s.empty() ? "" : " ") + std::to_string(t[0]) + std::to_string(t[1]) +
             std::to_string(t[2]);
    return s;
}

double area(const std::vector<V3>& c, const std::vector<meshio::CornerTriple>& triples)
{
    double sum = 0;
    for (const meshio::CornerTriple& t : triples)
    {
        const V3 e1 = c[t[1]] - c[t[0]], e2 = c[t[2]] - c[t[0]];
        const double x = double(e1[1]) * e2[2] - double(e1[2]) * e2[1];
        const double y = double(e1[2]) * e2[0] - double(e1[0]) * e2[2];
        const double z = double(e1[0]) * e2[1] - double(e1[1]) * e2[0];
        sum += std::sqrt(x * x + y * y + z * z) / 2;
    }
    return sum;
}

// Corners written "x y[ z];x y[ z];...".
Points P(const std::string& text)
{
    Points out;
    std::istringstream points(text);
    for (std::string point; std::getline(points, point, ';');)
    {
        std::istringstream in(point);
        out.emplace_back(std::istream_iterator<float>(in), std::istream_iterator<float>());
    }
    return out;
}

// A regular polygon of n corners of radius 1, or with every other corner at radius
// inner (a star).
Points ring(int n, float inner = 1.0f)
{
    Points p;
    for (int i = 0; i < n; ++i)
    {
        const double a = 2 * 3.14159265358979 * i / n;
        const float r = i % 2 ? inner : 1.0f;
        p.push_back({float(r * std::cos(a)), float(r * std::sin(a))});
    }
    return p;
}
} // namespace

TEST(Polygon, ShapeTrianglesAndArea)
{
    const struct
    {
        const char* name;
        Points corners;
        PolygonShape shape;
        const char* triangles; // corner numbers
        double area;           // of the triangles, each taken positive
    } CASES[] = {
        {"square", P("0 0;1 0;1 1;0 1"), CONVEX, "013 123", 1},
        // Turning back at c: only a c lies inside (the readers' cut covered 7.5).
        {"dart, b d outside", P("0 0;3 0;0.5 0.5;0 3"), CONCAVE, "012 023", 1.5},
        {"dart, b d inside", P("0 3;0 0;3 0;0.5 0.5"), CONCAVE, "013 123", 1.5},
        {"pentagon", P("0 0;1 0;2 1;1 2;0 1"), CONVEX, "012 023 034", 2.5},
        // The fan from the first corner covered 14.
        {"notched pentagon", P("0 0;4 0;4 4;2 1;0 4"), CONCAVE, "123 340 301", 10},
        // The notch touches the diagonal 5 1: no ear at 0.
        {"notch on a diagonal", P("0 0;6 0;6 6;3 2;0 6;0 4"), CONCAVE, "123 345 350 301", 24},
        {"notch, straight corner", P("0 0;2 0;4 0;4 4;2 1;0 4"), CONCAVE, "501 123 134 145", 10},
        // Concave, but every fan triangle from the first corner lies inside: kept.
        {"L, outer corner first", P("0 0;1 0;2 0;2 1;1 1;1 2;0 2;0 1"), CONCAVE,
         "012 023 034 045 056 067", 3},
        {"arrow", P("0 1;3 1;3 0;5 2;3 4;3 3;0 3"), CONCAVE, "601 123 345 356 361", 10},
        {"star", ring(12, 0.5f), CONCAVE, "1101 123 345 567 789 91011 9111 913 935 957", 1.5},
        {"straight corner", P("0 0;1 0;2 0;2 2;0 2"), CONVEX, "012 023 034", 4},
        {"bow-tie", P("0 0;2 0;0 1;2 2"), IRREGULAR, "013 123", 4},
        {"bow-tie, lobes alike", P("0 0;1 1;1 0;0 1"), IRREGULAR, "013 123", 1},
        {"pentagram", P("1 0;-0.81 0.59;0.31 -0.95;0.31 0.95;-0.81 -0.59"), IRREGULAR,
         "012 023 034", 2.7821},
        {"corner repeated in turn", P("0 0;1 0;1 0;0 1"), IRREGULAR, "013 123", 0.5},
        {"corner met twice", P("0 0;2 0;1 1;2 2;0 2;1 1"), IRREGULAR, "012 023 034 045", 4},
        {"turning straight back", P("0 0;2 0;1 0;1 1"), IRREGULAR, "013 123", 1.5},
        {"all in a line", P("0 0;1 0;2 0;3 0"), IRREGULAR, "013 123", 0},
        // Area below 1e-12 of the squared diagonal counts as none.
        {"sliver", P("0 0;1 0;1 1e-13;0 1e-13"), IRREGULAR, "013 123", 0},
        {"thin", P("0 0;1 0;1 1e-11;0 1e-11"), CONVEX, "013 123", 0},
        {"bent out of plane", P("0 0;1 0;1 1 1;0 1"), IRREGULAR, "013 123", 1.3660},
        // Darts lifted: the plane's tolerance is 1e-5 of the diagonal (4.24), plus 1e-6 of the
        // largest coordinate; every corner lies 1.5 times the lift from the corners' plane.
        {"dart, 2.5e-5", P("0 0;3 0;0.5 0.5 2.5e-5;0 3"), CONCAVE, "012 023", 1.5},
        {"dart, 3.5e-5", P("0 0;3 0;0.5 0.5 3.5e-5;0 3"), IRREGULAR, "013 123", 7.5},
        {"far dart, 6e-4", P("1000 0;1003 0;1000.5 0.5 6e-4;1000 3"), CONCAVE, "012 023", 1.5},
        {"far dart, 8e-4", P("1000 0;1003 0;1000.5 0.5 8e-4;1000 3"), IRREGULAR, "013 123", 7.5},
    };
    for (const auto& c : CASES)
        for (int way = 0; way < 3; ++way)
        {
            SCOPED_TRACE(std::string(c.name) + ", placed " + std::to_string(way));
            const std::vector<V3> corners = place(c.corners, way);
            std::vector<meshio::CornerTriple> out = {{9, 9, 9}};
            EXPECT_EQ(meshio::splitPolygon(corners.data(), corners.size(), out), c.shape);
            EXPECT_EQ(meshio::classifyPolygon(corners.data(), corners.size()), c.shape);
            ASSERT_EQ(out.front(), (meshio::CornerTriple{9, 9, 9})) << "appended";
            out.erase(out.begin());
            EXPECT_EQ(text(out), c.triangles);
            EXPECT_NEAR(area(corners, out), c.area, 1e-4);
        }
    // Large faces; an area of 0 stands for the readers' fan.
    const std::tuple<Points, PolygonShape, double> LARGE[] = {
        {ring(128, 0.9f), CONCAVE, 128 * 0.45 * std::sin(2 * 3.14159265358979 / 128)},
        {ring(130, 0.9f), IRREGULAR, 0}, // not examined
        {ring(400), CONVEX, 0}};
    for (const auto& [points, shape, covered] : LARGE)
    {
        SCOPED_TRACE(points.size());
        const std::vector<V3> corners = place(points, 0);
        std::vector<meshio::CornerTriple> out, fan;
        EXPECT_EQ(meshio::splitPolygon(corners.data(), corners.size(), out), shape);
        ASSERT_EQ(out.size(), corners.size() - 2);
        for (unsigned int i = 1; i + 1 < corners.size(); ++i)
            fan.push_back({0, i, i + 1});
        if (covered == 0)
            EXPECT_EQ(out, fan);
        else
            EXPECT_NEAR(area(corners, out), covered, 1e-5);
    }
}

// The readers' triangles rewritten in place: only those of marked faces, each face as
// splitPolygon splits it, faces next to each other kept apart.
TEST(Polygon, SplitFacesRewritesMarkedRuns)
{
    // A dart, a notched pentagon, a bow-tie.
    const std::vector<V3> verts =
        place(P("0 0;3 0;0.5 0.5;0 3;0 0;4 0;4 4;2 1;0 4;0 0;2 0;0 1;2 2"), 0);
    std::vector<Vector3<unsigned int>> tris;
    std::vector<bool> runs;
    // Fans as the readers cut them, four corners across b d (3 0 1 2: b d inside).
    const std::vector<unsigned int> faces[] = {{3, 0, 1},   {0, 1, 2, 3},    {4, 5, 6, 7, 8},
                                               {1, 2, 3},   {9, 10, 11, 12}, {3, 0, 1, 2},
                                               {0, 1, 2, 3}};
    for (const std::vector<unsigned int>& c : faces)
    {
        const std::size_t first = tris.size();
        if (c.size() == 4)
            tris.emplace_back(c[0], c[1], c[3]), tris.emplace_back(c[1], c[2], c[3]);
        else
            for (std::size_t i = 1; i + 1 < c.size(); ++i)
                tris.emplace_back(c[0], c[i], c[i + 1]);
        if (c.size() > 3)
            meshio::markFace(runs, first, tris.size());
    }
    EXPECT_EQ(runs.size(), tris.size());
    EXPECT_EQ(meshio::splitFaces(verts, tris, runs), 1u);
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(text(tris), "301 012 023 567 784 745 123 91012 101112 302 012 012 023");
}
