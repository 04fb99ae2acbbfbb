#include "HalfEdgeMesh.h"

#include "tests/RecordingGL.h"

#include "SupportCode/Matrix4x4.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace
{
using V3 = Vector3<float>;
using HE = HalfEdgeMesh;
using List = std::vector<unsigned int>;
using Soup = std::vector<std::array<V3, 3>>;
constexpr unsigned int BORDER = HE::BORDER;
constexpr unsigned int UNINIT = HE::UNINITIALIZED;
constexpr double PI = 3.14159265358979323846;

class HalfEdgeMeshProbe : public HalfEdgeMesh
{
public:
    using HalfEdgeMesh::addHalfEdgePair;
    using HalfEdgeMesh::addVertex;
    using HalfEdgeMesh::mEdges;
    using HalfEdgeMesh::mFaces;
    using HalfEdgeMesh::mUniqueVerts;
    using HalfEdgeMesh::mVerts;

    explicit HalfEdgeMeshProbe(const Soup& soup = {})
    {
        for (const auto& t : soup)
            addTriangle(t[0], t[1], t[2]);
    }
    List neighbours(unsigned int v) const
    {
        List out{12345u}; // must be replaced, not appended to
        findNeighbourTriangles(v, out);
        return out;
    }
    List fields(unsigned int h) const
    {
        const HalfEdge& e = mEdges[h];
        return {e.vert, e.face, e.next, e.prev, e.pair};
    }
    std::string validated() const
    {
        std::ostringstream text;
        std::streambuf* old = std::cerr.rdbuf(text.rdbuf());
        validate();
        std::cerr.rdbuf(old);
        return text.str();
    }
};

std::string report(std::size_t edges, std::size_t faces, std::size_t verts,
                   std::size_t isolated = 0)
{
    return "Done with edge check (checked " + std::to_string(edges) +
           " edges)\nDone with face check (checked " + std::to_string(faces) +
           " faces)\nDone with vertex check (checked " + std::to_string(verts) +
           " vertices)\nLooping through triangle neighborhood of each vertex... \nDone: " +
           std::to_string(isolated) + " isolated vertices found\n";
}

// Area and signed volume (divergence theorem) of a soup, summed independently in double.
std::pair<double, double> measures(const Soup& soup)
{
    double area = 0.0, volume = 0.0;
    for (const auto& t : soup)
    {
        double c[3];
        for (int k = 0; k < 3; k++)
        {
            const int a = (k + 1) % 3, b = (k + 2) % 3;
            c[k] = (double(t[1][a]) - t[0][a]) * (double(t[2][b]) - t[0][b]) -
                   (double(t[1][b]) - t[0][b]) * (double(t[2][a]) - t[0][a]);
        }
        area += 0.5 * std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        volume += (c[0] * t[0][0] + c[1] * t[0][1] + c[2] * t[0][2]) / 6.0;
    }
    return {area, volume};
}

// Winds each triangle of a convex solid so that its normal points away from the centre.
Soup convex(Soup soup, const V3& centre, bool inward = false)
{
    for (auto& t : soup)
        if ((cross(t[1] - t[0], t[2] - t[0]) * (t[0] - centre) < 0.0f) != inward)
            std::swap(t[1], t[2]);
    return soup;
}

Soup tetrahedra(int count) // outward faces, apart from each other along x
{
    Soup soup;
    for (float dx = 0.0f; dx < 5.0f * count; dx += 5.0f)
    {
        const V3 a(dx, 0, 0), b(dx + 1, 0, 0), c(dx, 1, 0), d(dx, 0, 1);
        soup.insert(soup.end(), {{a, c, b}, {a, b, d}, {a, d, c}, {b, c, d}});
    }
    return soup;
}

Soup unitCube(bool inward = false, std::size_t keep = 12)
{
    const int quads[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    auto c = [](int i) { return V3(float(i & 1), float(i >> 1 & 1), float(i >> 2 & 1)); };
    Soup tris;
    for (const auto& q : quads)
    {
        tris.push_back({c(q[0]), c(q[1]), c(q[2])});
        tris.push_back({c(q[0]), c(q[2]), c(q[3])});
    }
    tris.resize(keep);
    return convex(tris, V3(0.5f, 0.5f, 0.5f), inward);
}

// An n x m grid wrapped both ways; positions depend on the wrapped index, so seams weld.
Soup torus(int n = 12, int m = 8)
{
    auto at = [n, m](int i, int j)
    {
        const double u = 2 * PI * (i % n) / n, v = 2 * PI * (j % m) / m;
        return V3(float((2 + std::cos(v)) * std::cos(u)), float((2 + std::cos(v)) * std::sin(u)),
                  float(std::sin(v)));
    };
    Soup soup;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < m; j++)
        {
            soup.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            soup.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    return soup;
}

Soup bunny() // positions and faces straight from the text, independent of the reader
{
    std::ifstream in("Objs/bunnySmall.obj");
    std::vector<V3> pos;
    Soup soup;
    float x = 0, y = 0, z = 0;
    std::size_t i = 0, j = 0, k = 0;
    for (std::string tag; in >> tag;)
        if (tag == "v" && in >> x >> y >> z)
            pos.emplace_back(x, y, z);
        else if (tag == "f" && in >> i >> j >> k)
            soup.push_back({pos.at(i - 1), pos.at(j - 1), pos.at(k - 1)});
    return soup;
}

// What holds for a merged, edge-manifold, consistently oriented mesh; names the first
// record that breaks it.
::testing::AssertionResult invariantsHold(const HalfEdgeMeshProbe& m)
{
    const std::size_t E = m.mEdges.size();
    for (unsigned int h = 0; h < E; h++)
    {
        const HE::HalfEdge& e = m.mEdges[h];
        const bool ok =
            e.pair == (h ^ 1u) && m.mEdges[e.pair].pair == h && e.next < E && e.prev < E &&
            m.mEdges[e.next].prev == h && m.mEdges[e.prev].next == h &&
            m.mEdges[e.next].vert == m.mEdges[e.pair].vert &&
            (e.face == BORDER ? m.mEdges[e.pair].face != BORDER
                              : e.face < m.mFaces.size() && m.mEdges[e.next].face == e.face &&
                                    m.mEdges[m.mEdges[e.next].next].next == h);
        if (!ok)
            return ::testing::AssertionFailure() << "half-edge " << h;
    }
    for (unsigned int v = 0; v < m.mVerts.size(); v++)
        if (m.mVerts[v].edge >= E || m.mEdges[m.mVerts[v].edge].vert != v ||
            m.mUniqueVerts.find(m.mVerts[v].vec,
                                [&m](unsigned int i) -> const Vector3<float>&
                                { return m.mVerts[i].vec; }) != v)
            return ::testing::AssertionFailure() << "vertex " << v;
    for (unsigned int f = 0; f < m.mFaces.size(); f++)
        if (m.mFaces[f].edge >= E || m.mEdges[m.mFaces[f].edge].face != f)
            return ::testing::AssertionFailure() << "face " << f;
    if (m.mUniqueVerts.size() != m.mVerts.size() || E % 2 != 0)
        return ::testing::AssertionFailure() << "sizes";
    return ::testing::AssertionSuccess();
}

//  C---D
//  | \ |     A, B, C first; then C, B, D reuses the border half-edge C -> B
//  A---B
TEST(HalfEdgeMeshConstruction, OneTriangleThenASecondSharingAnEdge)
{
    const V3 A(0, 0, 0), B(1, 0, 0), C(0, 1, 0), D(1, 1, 0);
    HalfEdgeMeshProbe mesh({{A, B, C}});
    ASSERT_EQ(mesh.mEdges.size(), 6u);
    ASSERT_EQ(mesh.mVerts.size(), 3u);
    //                   vert face    next    prev    pair
    const List one[6] = {{0, 0, 2, 4, 1}, {1, BORDER, UNINIT, UNINIT, 0},
                         {1, 0, 4, 0, 3}, {2, BORDER, UNINIT, UNINIT, 2},
                         {2, 0, 0, 2, 5}, {0, BORDER, UNINIT, UNINIT, 4}};
    for (unsigned int h = 0; h < 6; h++)
        EXPECT_EQ(mesh.fields(h), one[h]) << "half-edge " << h;
    EXPECT_EQ(List({mesh.mVerts[0].edge, mesh.mVerts[1].edge, mesh.mVerts[2].edge}),
              List({5, 2, 4}));
    EXPECT_EQ(mesh.mFaces[0].edge, 0u);

    // Unmerged, A's edge is border 5, whose missing prev stops the ring walk before it
    // meets a face: A counts as isolated until the boundary is merged.
    EXPECT_EQ(mesh.validated(), "HalfEdge 1 not properly initialized\n"
                                "HalfEdge 3 not properly initialized\n"
                                "HalfEdge 5 not properly initialized\n" +
                                    report(6, 1, 3, 1));
    mesh.mergeAllBoundaries(); // the border loop 1 -> 5 -> 3
    EXPECT_EQ(mesh.fields(1), List({1, BORDER, 5, 3, 0}));
    EXPECT_EQ(mesh.fields(5), List({0, BORDER, 3, 1, 4}));
    EXPECT_EQ(mesh.fields(3), List({2, BORDER, 1, 5, 2}));
    EXPECT_EQ(mesh.validated(), report(6, 1, 3));
    for (unsigned int v = 0; v < 3; v++)
        EXPECT_EQ(mesh.neighbours(v), List{0}) << v;
    EXPECT_FLOAT_EQ(mesh.area(), 0.5f);
    EXPECT_EQ(mesh.genus(), 0);

    mesh.addTriangle(C, B, D);
    ASSERT_EQ(mesh.mEdges.size(), 10u);
    EXPECT_EQ(mesh.fields(3), List({2, 1, 6, 8, 2})) << "taken over by the new face";
    EXPECT_EQ(List({mesh.mEdges[6].vert, mesh.mEdges[8].vert}), List({1, 3}));
    EXPECT_EQ(List({mesh.mEdges[7].face, mesh.mEdges[9].face}), List({BORDER, BORDER}));
    EXPECT_EQ(mesh.mFaces[1].edge, 3u);
    mesh.mergeAllBoundaries();
    EXPECT_TRUE(invariantsHold(mesh));
    EXPECT_EQ(mesh.validated(), report(10, 2, 4));
    // B's edge is its newest outgoing half-edge, 6 (B -> D); the rotation then meets 2.
    EXPECT_EQ(mesh.neighbours(1), List({1, 0}));
}

// Corners 1 and 2 weld, so the triangle's first pair runs from vertex 0 to itself; both
// halves start there, and the lookup hands back the newer one, as a newest-first scan
// of all half-edges would meet it.
TEST(HalfEdgeMeshConstruction, ALoopAtOneVertexFindsItsNewerHalfFirst)
{
    HalfEdgeMeshProbe mesh({{V3(0, 0, 0), V3(0, 0, 0), V3(1, 0, 0)}});
    unsigned int i1 = 0, i2 = 0;
    EXPECT_FALSE(mesh.addHalfEdgePair(0, 0, i1, i2));
    EXPECT_EQ(List({i1, i2}), List({1, 0}));
}

struct MeshCase
{
    const char* name;
    Soup (*make)();
    std::size_t faces;
    bool closed;
    int genus;     // signed: two spheres give -1
    double volume; // what the independent sum must give; NaN: not known in closed form
};

void PrintTo(const MeshCase& c, std::ostream* os)
{
    *os << c.name;
}

class EveryMesh : public ::testing::TestWithParam<MeshCase>
{
};

TEST_P(EveryMesh, KeepsInvariantsGenusAndMeasures)
{
    const MeshCase& c = GetParam();
    const Soup soup = c.make();
    ASSERT_EQ(soup.size(), c.faces);
    HalfEdgeMeshProbe mesh(soup);
    mesh.mergeAllBoundaries();
    ASSERT_TRUE(invariantsHold(mesh));
    bool closed = true;
    for (const HE::HalfEdge& e : mesh.mEdges)
        closed = closed && e.face != BORDER;
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(mesh.validated(), report(mesh.mEdges.size(), c.faces, mesh.mVerts.size()));
    EXPECT_EQ(mesh.genus(), c.genus);

    const auto [area, volume] = measures(soup);
    if (!std::isnan(c.volume))
    {
        ASSERT_NEAR(volume, c.volume, 1e-12) << "the reference sum itself";
    }
    EXPECT_NEAR(mesh.area(), area, 1e-5 * area);
    EXPECT_EQ(mesh.volume(), 0.0f) << "the volume reads the stored normals";
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::FLAT_SHADING);
    EXPECT_NEAR(mesh.volume(), volume, 1e-6 * (1.0 + area));
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
    for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
        EXPECT_NEAR(mesh.mVerts[v].v_normal.length(), 1.0f, 1e-6f) << v;
}

INSTANTIATE_TEST_SUITE_P(
    Surfaces, EveryMesh,
    ::testing::Values(MeshCase{"empty", [] { return Soup(); }, 0, true, 1, 0.0},
                      MeshCase{"tetrahedron", [] { return tetrahedra(1); }, 4, true, 0, 1.0 / 6.0},
                      MeshCase{"cube", [] { return unitCube(); }, 12, true, 0, 1.0},
                      MeshCase{"reversedCube", [] { return unitCube(true); }, 12, true, 0, -1.0},
                      MeshCase{"torus", [] { return torus(); }, 192, true, 1, NAN},
                      MeshCase{"openBox", [] { return unitCube(false, 10); }, 10, false, 0, NAN},
                      MeshCase{"twoTetrahedra", [] { return tetrahedra(2); }, 8, true, -1,
                               2.0 / 6.0},
                      MeshCase{"bunny", bunny, 3674, true, 0, NAN}),
    [](const ::testing::TestParamInfo<MeshCase>& c) { return std::string(c.param.name); });

// ---------------------------------------------------------------------------------------
// Input that is not edge-manifold or not consistently oriented: every walk must end, and
// agree with plain walks that stop at the first repeated half-edge.
List plainRing(const HalfEdgeMeshProbe& m, unsigned int v)
{
    const auto& E = m.mEdges;
    List faces;
    std::set<unsigned int> seen;
    for (unsigned int h = m.mVerts[v].edge; h < E.size() && seen.insert(h).second;
         h = E[h].prev < E.size() ? E[E[h].prev].pair : UNINIT)
        if (E[h].face != BORDER)
            faces.push_back(E[h].face);
    return faces;
}

std::vector<HE::HalfEdge> plainMerge(std::vector<HE::HalfEdge> E)
{
    auto step = [&E](unsigned int link) { return link < E.size() ? E[link].pair : UNINIT; };
    auto rotate = [&](unsigned int h, bool aroundEnd)
    {
        for (std::size_t steps = 0; steps <= E.size() && h < E.size(); steps++)
        {
            if (E[h].face == BORDER)
                return h;
            h = step(aroundEnd ? E[h].prev : E[h].next);
        }
        return UNINIT;
    };
    for (unsigned int i = 0; i < E.size(); i++)
        if (E[i].face == BORDER)
        {
            const unsigned int p = E[i].pair;
            E[i].next = rotate(step(E[p].prev), true);
            if (E[i].next < E.size())
                E[E[i].next].prev = i;
            E[i].prev = rotate(step(E[p].next), false);
            if (E[i].prev < E.size())
                E[E[i].prev].next = i;
        }
    return E;
}

// Every walk ends, links and rings match the plain walks, validate reports exactly the
// unlinked half-edges and the vertices without faces, and the measures stay finite.
void expectSoundOnAnyInput(const Soup& soup)
{
    HalfEdgeMeshProbe mesh(soup);
    const std::vector<HE::HalfEdge> merged = plainMerge(mesh.mEdges);
    mesh.mergeAllBoundaries();
    std::string problems;
    for (unsigned int h = 0; h < merged.size(); h++)
    {
        ASSERT_EQ(List({mesh.mEdges[h].next, mesh.mEdges[h].prev}),
                  List({merged[h].next, merged[h].prev}))
            << "links of half-edge " << h;
        if (merged[h].next == UNINIT || merged[h].prev == UNINIT)
            problems += "HalfEdge " + std::to_string(h) + " not properly initialized\n";
    }
    std::size_t isolated = 0;
    for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
    {
        ASSERT_EQ(mesh.neighbours(v), plainRing(mesh, v)) << "ring of vertex " << v;
        isolated += mesh.neighbours(v).empty();
    }
    EXPECT_EQ(mesh.validated(),
              problems + report(merged.size(), soup.size(), mesh.mVerts.size(), isolated));
    EXPECT_NEAR(mesh.area(), measures(soup).first, 1e-5 * measures(soup).first + 1e-6);
    mesh.genus();
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_TRUE(std::isfinite(mesh.volume()));
    for (const HE::Vertex& v : mesh.mVerts)
        EXPECT_TRUE(std::isfinite(v.v_normal * v.v_normal));
}

TEST(HalfEdgeMeshBadInput, NamedAndRandomSoupsEndAndMatchThePlainWalks)
{
    const V3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), d(0, -1, 0), e(0, 0, 1), f(-1, 0, 0);
    Soup damagedTorus = torus(6, 4);
    std::swap(damagedTorus[7][1], damagedTorus[7][2]);
    damagedTorus.push_back(damagedTorus.front());
    const std::pair<const char*, Soup> cases[] = {
        {"threeTrianglesOnOneEdge", {{a, b, c}, {b, a, d}, {a, b, e}}},
        {"flippedNeighbour", {{a, b, c}, {a, b, d}}},
        {"duplicateTriangle", {{a, b, c}, {a, b, c}}},
        {"reversedDuplicate", {{a, b, c}, {a, c, b}}},
        {"twoFansMeetingAtOneVertex", {{a, b, c}, {a, f, f + d}}},
        // The reversed duplicate takes over b -> a; rotations from d's borders circle
        // inside the pillow without meeting a border, and validate names their links.
        {"pillowOnAnEdge", {{a, d, b}, {a, b, c}, {a, c, b}}},
        {"flippedAndDuplicatedFacesOfATorus", damagedTorus},
    };
    for (const auto& [name, soup] : cases)
    {
        SCOPED_TRACE(name);
        expectSoundOnAnyInput(soup);
    }
    // Few positions: welded corners, flips, duplicates, edges with many triangles, and
    // rotations that fall into cycles away from their start.
    std::mt19937 rng(20240611u);
    for (int round = 0; round < 3000 && !HasFatalFailure(); round++)
    {
        Soup soup(1 + round % 13);
        for (auto& t : soup)
            for (V3& p : t)
            {
                const int i = int(rng() % unsigned(1 + round % 8));
                p = V3(float(i % 3), float(i / 3), float((i * 7) % 5));
            }
        SCOPED_TRACE(round);
        expectSoundOnAnyInput(soup);
    }
}

TEST(HalfEdgeMeshBadInput, QueriesOutsideTheStructureAndDegenerateFaces)
{
    HalfEdgeMeshProbe mesh({{V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)}});
    for (unsigned int v : {3u, UNINIT, BORDER})
        EXPECT_TRUE(mesh.neighbours(v).empty()) << v;
    unsigned int lonely = 0;
    mesh.addVertex(V3(7, 7, 7), lonely);
    mesh.mergeAllBoundaries();
    EXPECT_TRUE(mesh.neighbours(lonely).empty());
    const std::string r = report(6, 1, 4, 1);
    const std::size_t at = r.find("Done with vertex");
    EXPECT_EQ(mesh.validated(),
              r.substr(0, at) + "Vertex 3 not properly initialized\n" + r.substr(at));
    EXPECT_EQ(mesh.genus(), 0); // (3 - 1 - 4 + 2) / 2
    EXPECT_EQ(mesh.curvature(7, V3(0, 0, 1)), 0.0f);

    // Zero-area faces have no direction: (0, 0, 0) normals, never NaN.
    mesh.addTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0));           // collinear
    mesh.addTriangle(V3(0, 0, 5), V3(1e-30f, 0, 5), V3(0, 1e-30f, 5)); // cross underflows
    mesh.mergeAllBoundaries();
    mesh.calculateVertexNormals(); // face normals still unset: nothing to average
    EXPECT_EQ(mesh.mVerts[0].v_normal, V3(0, 0, 0));
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.mFaces[1].normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.mFaces[2].normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.mVerts[3].v_normal, V3(0, 0, 0));
    clearGLCalls();
    mesh.draw();
    for (const GLCall& call : recordedGLCalls())
        for (float x : call.args)
            EXPECT_TRUE(std::isfinite(x)) << call.name;
}

// ---------------------------------------------------------------------------------------

// Two faces at a right angle along p-q, of different areas: normals (1, 0, 0) and
// (0, 1, 0). Each colour is the normal carried from [-1, 1] onto [0, 1].
TEST(HalfEdgeMeshDrawing, SendsWhatEachShadingFlagAsksFor)
{
    const V3 p(0, 0, 0), q(0, 0, 1);
    HalfEdgeMeshProbe mesh({{p, V3(0, 3, 0), q}, {p, q, V3(1, 0, 0)}});
    mesh.mergeAllBoundaries();
    mesh.setTransform(Matrix4x4<float>::translation(1.0f, 2.0f, 3.0f));
    const std::vector<std::string> frame = {"MatrixMode " + std::to_string(GL_MODELVIEW),
                                            "PushMatrix",
                                            "LoadMatrixf 1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1",
                                            "Begin " + std::to_string(GL_TRIANGLES),
                                            "End",
                                            "PopMatrix"};
    auto framed = [&frame](std::vector<std::string> calls)
    {
        calls.insert(calls.begin(), frame.begin(), frame.begin() + 4);
        calls.insert(calls.end(), frame.begin() + 4, frame.end());
        return calls;
    };
    EXPECT_EQ(drawnCalls(mesh).at(4), "Color3f 0.5 0.5 0.5") << "no normals yet: smooth and grey";

    mesh.calculateFaceNormals();
    EXPECT_EQ(drawnCalls(mesh),
              framed({"Color3f 1 0.5 0.5", "Normal3f 1 0 0", "Vertex3f 0 0 0", "Vertex3f 0 3 0",
                      "Vertex3f 0 0 1", "Color3f 0.5 1 0.5", "Normal3f 0 1 0", "Vertex3f 0 0 0",
                      "Vertex3f 0 0 1", "Vertex3f 1 0 0"}));

    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.mVerts[0].v_normal, V3(0.70710677f, 0.70710677f, 0.0f)) << "equal weights";
    const std::string pq[2] = {"Color3f 0.853553 0.853553 0.5", "Normal3f 0.707107 0.707107 0"};
    EXPECT_EQ(drawnCalls(mesh),
              framed({pq[0], pq[1], "Vertex3f 0 0 0", "Color3f 1 0.5 0.5", "Normal3f 1 0 0",
                      "Vertex3f 0 3 0", pq[0], pq[1], "Vertex3f 0 0 1", pq[0], pq[1],
                      "Vertex3f 0 0 0", pq[0], pq[1], "Vertex3f 0 0 1", "Color3f 0.5 1 0.5",
                      "Normal3f 0 1 0", "Vertex3f 1 0 0"}));

    mesh.setShadingFlag(Mesh::SHADING(2));
    EXPECT_EQ(drawnCalls(mesh), framed({"Vertex3f 0 0 0", "Vertex3f 0 3 0", "Vertex3f 0 0 1",
                                        "Vertex3f 0 0 0", "Vertex3f 0 0 1", "Vertex3f 1 0 0"}));
    HalfEdgeMeshProbe empty;
    empty.setTransform(mesh.getTransform());
    EXPECT_EQ(drawnCalls(empty), framed({}));
}
} // namespace
