#include "HalfEdgeMesh.h"

#include "ObjIO.h"
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
#include <vector>

namespace
{
using V3 = Vector3<float>;
using HE = HalfEdgeMesh;
using List = std::vector<unsigned int>;
constexpr unsigned int BORDER = HalfEdgeMesh::BORDER;
constexpr unsigned int UNINIT = HalfEdgeMesh::UNINITIALIZED;
constexpr double PI = 3.14159265358979323846;

class HalfEdgeMeshProbe : public HalfEdgeMesh
{
public:
    using HalfEdgeMesh::addHalfEdgePair;
    using HalfEdgeMesh::addVertex;
    using HalfEdgeMesh::mCurvature;
    using HalfEdgeMesh::mEdges;
    using HalfEdgeMesh::mFaces;
    using HalfEdgeMesh::mUniqueVerts;
    using HalfEdgeMesh::mVerts;

    List neighbours(unsigned int v) const
    {
        List out{12345u}; // must be replaced, not appended to
        findNeighbourTriangles(v, out);
        return out;
    }
    // The three drawn corners of face f as the links give them.
    std::array<unsigned int, 3> corners(unsigned int f) const
    {
        const HalfEdge& h0 = mEdges[mFaces[f].edge];
        return {h0.vert, mEdges[h0.next].vert, mEdges[h0.prev].vert};
    }
};

std::string validateOutput(const HalfEdgeMesh& mesh)
{
    std::ostringstream text;
    std::streambuf* old = std::cerr.rdbuf(text.rdbuf());
    mesh.validate();
    std::cerr.rdbuf(old);
    return text.str();
}

std::string report(std::size_t edges, std::size_t faces, std::size_t verts,
                   std::size_t isolated = 0)
{
    return "Done with edge check (checked " + std::to_string(edges) +
           " edges)\nDone with face check (checked " + std::to_string(faces) +
           " faces)\nDone with vertex check (checked " + std::to_string(verts) +
           " vertices)\nLooping through triangle neighborhood of each vertex... \nDone: " +
           std::to_string(isolated) + " isolated vertices found\n";
}

// Triangle soups: fed to the mesh, and summed independently in double.
using Soup = std::vector<std::array<V3, 3>>;

void feed(HalfEdgeMesh& mesh, const Soup& soup)
{
    for (const auto& t : soup)
        mesh.addTriangle(t[0], t[1], t[2]);
}

double soupArea(const Soup& soup)
{
    double sum = 0.0;
    for (const auto& t : soup)
    {
        double u[3], w[3];
        for (int k = 0; k < 3; k++)
        {
            u[k] = double(t[1][k]) - t[0][k];
            w[k] = double(t[2][k]) - t[0][k];
        }
        const double x = u[1] * w[2] - u[2] * w[1], y = u[2] * w[0] - u[0] * w[2],
                     z = u[0] * w[1] - u[1] * w[0];
        sum += 0.5 * std::sqrt(x * x + y * y + z * z);
    }
    return sum;
}

Soup reversed(Soup soup)
{
    for (auto& t : soup)
        std::swap(t[1], t[2]);
    return soup;
}

// Convex solids: each triangle is wound so that its normal points away from the centre.
Soup convex(const std::vector<std::array<V3, 3>>& tris, const V3& centre)
{
    Soup soup;
    for (const auto& t : tris)
    {
        const bool out = cross(t[1] - t[0], t[2] - t[0]) * (t[0] - centre) > 0.0f;
        soup.push_back(out ? t : std::array<V3, 3>{t[0], t[2], t[1]});
    }
    return soup;
}

Soup tetrahedron(float dx = 0.0f)
{
    const V3 a(dx, 0, 0), b(dx + 1, 0, 0), c(dx, 1, 0), d(dx, 0, 1);
    return convex({{a, b, c}, {a, b, d}, {a, c, d}, {b, c, d}}, V3(dx + 0.25f, 0.25f, 0.25f));
}

Soup unitCube()
{
    std::vector<std::array<V3, 3>> tris;
    for (int axis = 0; axis < 3; axis++)
        for (float side : {0.0f, 1.0f})
        {
            V3 q[4];
            for (int k = 0; k < 4; k++)
            {
                q[k][axis] = side;
                q[k][(axis + 1) % 3] = (k == 1 || k == 2) ? 1.0f : 0.0f;
                q[k][(axis + 2) % 3] = k >= 2 ? 1.0f : 0.0f;
            }
            tris.push_back({q[0], q[1], q[2]});
            tris.push_back({q[0], q[2], q[3]});
        }
    return convex(tris, V3(0.5f, 0.5f, 0.5f));
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

Soup disc(int k = 8) // a fan around the origin, counter-clockwise seen from +z
{
    auto rim = [k](int i)
    { return V3(float(std::cos(2 * PI * (i % k) / k)), float(std::sin(2 * PI * (i % k) / k)), 0); };
    Soup soup;
    for (int i = 0; i < k; i++)
        soup.push_back({V3(0, 0, 0), rim(i), rim(i + 1)});
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
    {
        const auto it = m.mUniqueVerts.find(m.mVerts[v].vec);
        if (m.mVerts[v].edge >= E || m.mEdges[m.mVerts[v].edge].vert != v ||
            it == m.mUniqueVerts.end() || it->second != v)
            return ::testing::AssertionFailure() << "vertex " << v;
    }
    for (unsigned int f = 0; f < m.mFaces.size(); f++)
        if (m.mFaces[f].edge >= E || m.mEdges[m.mFaces[f].edge].face != f)
            return ::testing::AssertionFailure() << "face " << f;
    if (m.mUniqueVerts.size() != m.mVerts.size() || E % 2 != 0)
        return ::testing::AssertionFailure() << "sizes";
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------------------
//  C---D
//  | \ |     A, B, C first; then C, B, D reuses the border half-edge C -> B
//  A---B
TEST(HalfEdgeMeshConstruction, OneTriangleThenASecondSharingAnEdge)
{
    const V3 A(0, 0, 0), B(1, 0, 0), C(0, 1, 0), D(1, 1, 0);
    HalfEdgeMeshProbe mesh;
    EXPECT_TRUE(mesh.addTriangle(A, B, C));
    ASSERT_EQ(mesh.mEdges.size(), 6u);
    ASSERT_EQ(mesh.mVerts.size(), 3u);
    ASSERT_EQ(mesh.mFaces.size(), 1u);
    //                      vert face    next    prev    pair
    const HE::HalfEdge one[6] = {{0, 0, 2, 4, 1}, {1, BORDER, UNINIT, UNINIT, 0},
                                 {1, 0, 4, 0, 3}, {2, BORDER, UNINIT, UNINIT, 2},
                                 {2, 0, 0, 2, 5}, {0, BORDER, UNINIT, UNINIT, 4}};
    for (unsigned int h = 0; h < 6; h++)
    {
        SCOPED_TRACE(h);
        const HE::HalfEdge& e = mesh.mEdges[h];
        EXPECT_EQ(List({e.vert, e.face, e.next, e.prev, e.pair}),
                  List({one[h].vert, one[h].face, one[h].next, one[h].prev, one[h].pair}));
    }
    EXPECT_EQ(List({mesh.mVerts[0].edge, mesh.mVerts[1].edge, mesh.mVerts[2].edge}),
              List({5, 2, 4}));
    EXPECT_EQ(mesh.mFaces[0].edge, 0u);
    EXPECT_TRUE(mesh.mCurvature.empty());

    // Unmerged, A's edge is border 5, whose missing prev stops the ring walk before it
    // meets a face: A counts as isolated until the boundary is merged.
    EXPECT_EQ(validateOutput(mesh), "HalfEdge 1 not properly initialized\n"
                                    "HalfEdge 3 not properly initialized\n"
                                    "HalfEdge 5 not properly initialized\n" +
                                        report(6, 1, 3, 1));
    mesh.mergeAllBoundaries(); // the border loop 1 -> 5 -> 3
    EXPECT_EQ(List({mesh.mEdges[1].next, mesh.mEdges[5].next, mesh.mEdges[3].next}),
              List({5, 3, 1}));
    EXPECT_EQ(List({mesh.mEdges[1].prev, mesh.mEdges[5].prev, mesh.mEdges[3].prev}),
              List({3, 1, 5}));
    EXPECT_EQ(validateOutput(mesh), report(6, 1, 3));
    for (unsigned int v = 0; v < 3; v++)
        EXPECT_EQ(mesh.neighbours(v), List{0}) << v;
    EXPECT_FLOAT_EQ(mesh.area(), 0.5f);
    EXPECT_EQ(mesh.genus(), 0);

    EXPECT_TRUE(mesh.addTriangle(C, B, D));
    ASSERT_EQ(mesh.mEdges.size(), 10u);
    ASSERT_EQ(mesh.mVerts.size(), 4u);
    const HE::HalfEdge& taken = mesh.mEdges[3];
    EXPECT_EQ(List({taken.face, taken.next, taken.prev}), List({1, 6, 8}));
    EXPECT_EQ(List({mesh.mEdges[6].vert, mesh.mEdges[8].vert}), List({1, 3}));
    EXPECT_EQ(List({mesh.mEdges[7].face, mesh.mEdges[9].face}), List({BORDER, BORDER}));
    EXPECT_EQ(mesh.mFaces[1].edge, 3u);
    mesh.mergeAllBoundaries();
    EXPECT_TRUE(invariantsHold(mesh));
    EXPECT_EQ(validateOutput(mesh), report(10, 2, 4));
    // B's edge is its newest outgoing half-edge, 6 (B -> D); the rotation then meets 2.
    EXPECT_EQ(mesh.neighbours(1), List({1, 0}));
}

TEST(HalfEdgeMeshConstruction, WeldsExactlyEqualPositionsAndFindsTheNewerHalfOfALoop)
{
    HalfEdgeMeshProbe mesh;
    unsigned int i = 99;
    EXPECT_TRUE(mesh.addVertex(V3(0, 0, 0), i));
    EXPECT_FALSE(mesh.addVertex(V3(-0.0f, 0, -0.0f), i)) << "-0 and +0 weld";
    EXPECT_EQ(i, 0u);
    EXPECT_TRUE(mesh.addVertex(V3(std::nextafter(0.0f, 1.0f), 0, 0), i));
    EXPECT_EQ(i, 1u);
    EXPECT_EQ(mesh.mUniqueVerts.size(), 2u);

    // A triangle with two welded corners: its first pair runs from vertex 0 to itself.
    mesh.addTriangle(V3(0, 0, 0), V3(0, 0, 0), V3(1, 0, 0));
    unsigned int i1 = 0, i2 = 0;
    EXPECT_FALSE(mesh.addHalfEdgePair(0, 0, i1, i2));
    EXPECT_EQ(List({i1, i2}), List({1, 0})) << "the newer half, as a newest-first scan";
    EXPECT_TRUE(mesh.addHalfEdgePair(1, 1, i1, i2));
    EXPECT_EQ(List({i1, i2, mesh.mVerts[1].edge}), List({4, 5, 5}));
}

// Against a newest-first scan of all half-edges, on random vertex pairs including loops.
TEST(HalfEdgeMeshConstruction, EdgeLookupFindsWhatANewestFirstScanFinds)
{
    HalfEdgeMeshProbe mesh;
    unsigned int v = 0;
    for (int k = 0; k < 12; k++)
        mesh.addVertex(V3(float(k), 0, 0), v);
    std::mt19937 rng(5u);
    std::uniform_int_distribution<unsigned int> pick(0, 11);
    for (int call = 0; call < 3000; call++)
    {
        const unsigned int a = pick(rng), b = pick(rng);
        unsigned int want = UNINIT;
        for (std::size_t h = mesh.mEdges.size(); h-- > 0 && want == UNINIT;)
            if (mesh.mEdges[h].vert == a && mesh.mEdges[mesh.mEdges[h].pair].vert == b)
                want = static_cast<unsigned int>(h);
        unsigned int i1 = 0, i2 = 0;
        const bool created = mesh.addHalfEdgePair(a, b, i1, i2);
        ASSERT_EQ(created, want == UNINIT) << a << " " << b;
        if (!created)
        {
            ASSERT_EQ(List({i1, i2}), List({want, mesh.mEdges[want].pair})) << a << " " << b;
        }
    }
}

// ---------------------------------------------------------------------------------------
struct MeshCase
{
    const char* name;
    Soup soup;
    int genus;
    bool closed;
    double volume; // NaN: not checked
};

class EveryMesh : public ::testing::TestWithParam<MeshCase>
{
};

TEST_P(EveryMesh, KeepsInvariantsGenusAndMeasures)
{
    const MeshCase& c = GetParam();
    HalfEdgeMeshProbe mesh;
    feed(mesh, c.soup);
    mesh.mergeAllBoundaries();
    ASSERT_TRUE(invariantsHold(mesh));
    bool closed = true;
    for (const HE::HalfEdge& e : mesh.mEdges)
        closed = closed && e.face != BORDER;
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(validateOutput(mesh),
              report(mesh.mEdges.size(), mesh.mFaces.size(), mesh.mVerts.size()));
    EXPECT_EQ(mesh.genus(), c.genus);
    const double area = soupArea(c.soup);
    EXPECT_NEAR(mesh.area(), area, 1e-5 * area);

    EXPECT_EQ(mesh.volume(), 0.0f) << "the volume reads the stored normals";
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    if (!std::isnan(c.volume))
    {
        EXPECT_NEAR(mesh.volume(), c.volume, 1e-6);
    }
    for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
        EXPECT_NEAR(mesh.mVerts[v].v_normal.length(), 1.0f, 1e-6f) << v;
}

INSTANTIATE_TEST_SUITE_P(
    Surfaces, EveryMesh,
    ::testing::Values(MeshCase{"tetrahedron", tetrahedron(), 0, true, 1.0 / 6.0},
                      MeshCase{"cube", unitCube(), 0, true, 1.0},
                      MeshCase{"reversedCube", reversed(unitCube()), 0, true, -1.0},
                      MeshCase{"torus", torus(), 1, true, NAN},
                      MeshCase{"disc", disc(), 0, false, NAN},
                      MeshCase{"twoTetrahedra",
                               []
                               {
                                   Soup s = tetrahedron(), t = tetrahedron(5.0f);
                                   s.insert(s.end(), t.begin(), t.end());
                                   return s;
                               }(),
                               -1, true, 2.0 / 6.0}),
    [](const ::testing::TestParamInfo<MeshCase>& info) { return std::string(info.param.name); });

TEST(HalfEdgeMeshMeasures, EmptyMeshAndDegenerateFaces)
{
    HalfEdgeMeshProbe mesh;
    mesh.mergeAllBoundaries();
    EXPECT_EQ(validateOutput(mesh), report(0, 0, 0));
    EXPECT_EQ(mesh.area(), 0.0f);
    EXPECT_EQ(mesh.volume(), 0.0f);
    EXPECT_EQ(mesh.genus(), 1);
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::FLAT_SHADING);
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
    EXPECT_EQ(mesh.curvature(7, V3(0, 0, 1)), 0.0f);

    // Zero-area faces have no direction: (0, 0, 0) normals, never NaN.
    mesh.addTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0));           // collinear
    mesh.addTriangle(V3(0, 0, 5), V3(1e-30f, 0, 5), V3(0, 1e-30f, 5)); // cross underflows
    mesh.mergeAllBoundaries();
    mesh.calculateVertexNormals(); // face normals still unset: nothing to average
    EXPECT_EQ(mesh.mVerts[0].v_normal, V3(0, 0, 0));
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.mFaces[0].normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.mFaces[1].normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.volume(), 0.0f);
    clearGLCalls();
    mesh.draw();
    for (const GLCall& call : recordedGLCalls())
        for (float a : call.args)
            EXPECT_TRUE(std::isfinite(a)) << call.name;
}

// ---------------------------------------------------------------------------------------
// Input that is not edge-manifold or not consistently oriented: every walk must end and
// the measures follow the triangles that were given.

// A ring walk that stops at the first repeated half-edge, written plainly.
List plainRing(const HalfEdgeMeshProbe& m, unsigned int v)
{
    List faces;
    std::set<unsigned int> seen;
    const auto& E = m.mEdges;
    for (unsigned int h = m.mVerts[v].edge; h < E.size() && seen.insert(h).second;
         h = E[h].prev < E.size() ? E[E[h].prev].pair : UNINIT)
        if (E[h].face != BORDER)
            faces.push_back(E[h].face);
    return faces;
}

// Boundary merging written plainly: each rotation capped at the half-edge count.
std::vector<HE::HalfEdge> plainMerge(std::vector<HE::HalfEdge> E)
{
    auto rotate = [&E](unsigned int h, bool aroundEnd)
    {
        for (std::size_t steps = 0; steps <= E.size() && h < E.size(); steps++)
        {
            if (E[h].face == BORDER)
                return h;
            const unsigned int link = aroundEnd ? E[h].prev : E[h].next;
            h = link < E.size() ? E[link].pair : UNINIT;
        }
        return UNINIT;
    };
    for (unsigned int i = 0; i < E.size(); i++)
        if (E[i].face == BORDER)
        {
            const unsigned int p = E[i].pair;
            E[i].next = rotate(E[p].prev < E.size() ? E[E[p].prev].pair : UNINIT, true);
            if (E[i].next < E.size())
                E[E[i].next].prev = i;
            E[i].prev = rotate(E[p].next < E.size() ? E[E[p].next].pair : UNINIT, false);
            if (E[i].prev < E.size())
                E[E[i].prev].next = i;
        }
    return E;
}

void expectSoundOnAnyInput(const Soup& soup)
{
    HalfEdgeMeshProbe mesh;
    feed(mesh, soup);
    const std::vector<HE::HalfEdge> merged = plainMerge(mesh.mEdges);
    mesh.mergeAllBoundaries();
    for (unsigned int h = 0; h < merged.size(); h++)
        ASSERT_TRUE(mesh.mEdges[h].next == merged[h].next && mesh.mEdges[h].prev == merged[h].prev)
            << "links of half-edge " << h;
    for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
        ASSERT_EQ(mesh.neighbours(v), plainRing(mesh, v)) << "ring of vertex " << v;
    EXPECT_NE(validateOutput(mesh).find("Done: "), std::string::npos);
    const double area = soupArea(soup);
    EXPECT_NEAR(mesh.area(), area, 1e-5 * area + 1e-6);
    mesh.genus();
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_TRUE(std::isfinite(mesh.volume()));
    for (const HE::Vertex& v : mesh.mVerts)
        EXPECT_TRUE(std::isfinite(v.v_normal * v.v_normal));
}

TEST(HalfEdgeMeshBadInput, NamedCasesEndAndMeasureTheGivenTriangles)
{
    const V3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), d(0, -1, 0), e(0, 0, 1);
    Soup damagedTorus = torus(6, 4);
    std::swap(damagedTorus[7][1], damagedTorus[7][2]);
    const std::array<V3, 3> twice = damagedTorus.front();
    damagedTorus.push_back(twice);
    const std::pair<const char*, Soup> cases[] = {
        {"threeTrianglesOnOneEdge", {{a, b, c}, {b, a, d}, {a, b, e}}},
        {"flippedNeighbour", {{a, b, c}, {a, b, d}}},
        {"duplicateTriangle", {{a, b, c}, {a, b, c}}},
        {"reversedDuplicate", {{a, b, c}, {a, c, b}}},
        {"flippedAndDuplicatedFacesOfATorus", damagedTorus},
    };
    for (const auto& [name, soup] : cases)
    {
        SCOPED_TRACE(name);
        expectSoundOnAnyInput(soup);
    }
}

// Random soups over a few positions: welded corners, flips, duplicates, edges with many
// triangles, and rotations that fall into cycles away from their start.
TEST(HalfEdgeMeshBadInput, RandomSoupsMatchThePlainWalks)
{
    std::mt19937 rng(20240611u);
    for (int round = 0; round < 3000 && !HasFatalFailure(); round++)
    {
        std::uniform_int_distribution<int> pick(0, round % 8);
        Soup soup(1 + round % 13);
        for (auto& t : soup)
            for (V3& p : t)
            {
                const int i = pick(rng);
                p = V3(float(i % 3), float(i / 3), float((i * 7) % 5));
            }
        SCOPED_TRACE(round);
        expectSoundOnAnyInput(soup);
    }
}

//  c       e
//  | \   / |     two fans meeting only at vertex a; each boundary stays in its own fan
//  a---b---d
TEST(HalfEdgeMeshBadInput, TwoFansAtOneVertexKeepSeparateBoundaries)
{
    HalfEdgeMeshProbe mesh;
    const V3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), d(-1, 0, 0), e(-1, -1, 0);
    mesh.addTriangle(a, b, c);
    mesh.addTriangle(a, d, e);
    mesh.mergeAllBoundaries();
    EXPECT_TRUE(invariantsHold(mesh));
    EXPECT_EQ(validateOutput(mesh), report(12, 2, 5));
    EXPECT_EQ(mesh.neighbours(0), List{1}) << "only the fan of its edge";
    EXPECT_EQ(List({mesh.mEdges[1].next, mesh.mEdges[5].next, mesh.mEdges[3].next}),
              List({5, 3, 1}));
}

// a, b, c, then a, c, d and its reverse a, d, c: three triangles on edge a-c, the pillow
// taking over c -> a. Rotations from b's border half-edges circle inside the pillow and
// never meet a border: their links stay unassigned, and validate names them.
TEST(HalfEdgeMeshBadInput, RotationThatNeverMeetsABorderLeavesItsLinkForValidate)
{
    HalfEdgeMeshProbe mesh;
    const V3 a(0, 0, 0), b(1, -1, 0), c(1, 0, 0), d(1, 1, 0);
    feed(mesh, {{a, b, c}, {a, c, d}, {a, d, c}});
    ASSERT_EQ(mesh.mEdges.size(), 10u);
    EXPECT_EQ(mesh.mEdges[4].face, 2u);
    mesh.mergeAllBoundaries();
    EXPECT_EQ(List({mesh.mEdges[1].next, mesh.mEdges[1].prev}), List({UNINIT, 3}));
    EXPECT_EQ(List({mesh.mEdges[3].next, mesh.mEdges[3].prev}), List({1, UNINIT}));
    EXPECT_EQ(validateOutput(mesh), "HalfEdge 1 not properly initialized\n"
                                    "HalfEdge 3 not properly initialized\n" +
                                        report(10, 3, 4));
}

TEST(HalfEdgeMeshBadInput, NeighbourQueriesOutsideTheStructureFindNothing)
{
    HalfEdgeMeshProbe mesh;
    mesh.addTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    for (unsigned int v : {3u, UNINIT, BORDER})
        EXPECT_TRUE(mesh.neighbours(v).empty()) << v;
    unsigned int lonely = 0;
    mesh.addVertex(V3(7, 7, 7), lonely);
    mesh.mergeAllBoundaries();
    EXPECT_TRUE(mesh.neighbours(lonely).empty());
    const std::string r = report(6, 1, 4, 1);
    const std::size_t at = r.find("Done with vertex");
    EXPECT_EQ(validateOutput(mesh),
              r.substr(0, at) + "Vertex 3 not properly initialized\n" + r.substr(at));
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.mVerts[3].v_normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.genus(), 0); // (3 - 1 - 4 + 2) / 2
}

// ---------------------------------------------------------------------------------------
// Drawing, against the recording stand-ins of the GL calls. Two faces at a right angle
// along p-q have normals (1, 0, 0) and (0, 1, 0), so corner normals and colours differ.
std::string call(const std::string& name, const std::vector<float>& args)
{
    std::ostringstream os;
    os << name;
    for (float a : args)
        os << " " << a;
    return os.str();
}

std::vector<std::string> drawn(HalfEdgeMesh& mesh)
{
    clearGLCalls();
    mesh.draw();
    std::vector<std::string> out;
    for (const GLCall& c : recordedGLCalls())
        out.push_back(call(c.name, c.args));
    return out;
}

TEST(HalfEdgeMeshDrawing, SendsWhatEachShadingFlagAsksFor)
{
    HalfEdgeMeshProbe mesh;
    const V3 p(0, 0, 0), q(0, 0, 1);
    mesh.addTriangle(p, V3(0, 3, 0), q); // plane x = 0, the larger face
    mesh.addTriangle(p, q, V3(1, 0, 0)); // plane y = 0
    mesh.mergeAllBoundaries();
    mesh.setTransform(Matrix4x4<float>::translation(1.0f, 2.0f, 3.0f));
    float gl[16];
    mesh.getTransform().toGLMatrix(gl);
    using Calls = std::vector<std::string>;
    auto expected = [&](auto perTriangle)
    {
        Calls want{call("glMatrixMode", {float(GL_MODELVIEW)}), call("glPushMatrix", {}),
                   call("glLoadMatrixf", std::vector<float>(gl, gl + 16)),
                   call("glBegin", {float(GL_TRIANGLES)})};
        for (unsigned int f = 0; f < mesh.mFaces.size(); f++)
            perTriangle(want, f);
        want.push_back(call("glEnd", {}));
        want.push_back(call("glPopMatrix", {}));
        return want;
    };
    auto args = [](const V3& v) { return std::vector<float>{v[0], v[1], v[2]}; };
    auto colour = [&args](const V3& n) { return args((n + V3(1, 1, 1)) * 0.5f); };

    // Nothing computed yet: smooth, with (0, 0, 0) normals drawn grey.
    EXPECT_EQ(drawn(mesh).at(4), call("glColor3f", {0.5f, 0.5f, 0.5f}));

    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.mFaces[0].normal, V3(1, 0, 0));
    EXPECT_EQ(mesh.mFaces[1].normal, V3(0, 1, 0));
    EXPECT_EQ(drawn(mesh), expected(
                               [&](Calls& w, unsigned int f)
                               {
                                   w.push_back(call("glColor3f", colour(mesh.mFaces[f].normal)));
                                   w.push_back(call("glNormal3f", args(mesh.mFaces[f].normal)));
                                   for (unsigned int c : mesh.corners(f))
                                       w.push_back(call("glVertex3f", args(mesh.mVerts[c].vec)));
                               }))
        << "flat: one colour and normal per triangle";

    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.mVerts[0].v_normal, V3(0.70710677f, 0.70710677f, 0.0f)) << "equal weights";
    EXPECT_EQ(mesh.mVerts[1].v_normal, V3(1, 0, 0));
    EXPECT_EQ(drawn(mesh),
              expected(
                  [&](Calls& w, unsigned int f)
                  {
                      for (unsigned int c : mesh.corners(f))
                      {
                          w.push_back(call("glColor3f", colour(mesh.mVerts[c].v_normal)));
                          w.push_back(call("glNormal3f", args(mesh.mVerts[c].v_normal)));
                          w.push_back(call("glVertex3f", args(mesh.mVerts[c].vec)));
                      }
                  }))
        << "smooth: colour, normal and position per corner";

    mesh.setShadingFlag(static_cast<Mesh::SHADING>(2));
    EXPECT_EQ(drawn(mesh), expected(
                               [&](Calls& w, unsigned int f)
                               {
                                   for (unsigned int c : mesh.corners(f))
                                       w.push_back(call("glVertex3f", args(mesh.mVerts[c].vec)));
                               }))
        << "any other flag: positions only";

    HalfEdgeMesh empty;
    EXPECT_EQ(drawn(empty).size(), 6u) << "matrix calls and an empty glBegin/glEnd";
}

// ---------------------------------------------------------------------------------------
TEST(HalfEdgeMeshBunny, IsClosedGenusZeroAndItsAreaMatchesAnIndependentSum)
{
    const char* path = "Objs/bunnySmall.obj";
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    HalfEdgeMeshProbe mesh;
    ObjIO io;
    ASSERT_TRUE(io.load(&mesh, file));

    // Read again independently: positions and faces straight from the text.
    std::ifstream again(path);
    std::vector<V3> pos;
    Soup soup;
    for (std::string line; std::getline(again, line);)
    {
        std::istringstream ls(line);
        std::string tag;
        ls >> tag;
        float x = 0, y = 0, z = 0;
        std::size_t i[3];
        if (tag == "v" && ls >> x >> y >> z)
            pos.emplace_back(x, y, z);
        if (tag == "f" && ls >> i[0] >> i[1] >> i[2])
            soup.push_back({pos.at(i[0] - 1), pos.at(i[1] - 1), pos.at(i[2] - 1)});
    }
    ASSERT_EQ(soup.size(), 3674u);
    ASSERT_EQ(mesh.mFaces.size(), soup.size());
    ASSERT_EQ(mesh.mVerts.size(), 1839u);

    mesh.mergeAllBoundaries();
    EXPECT_TRUE(invariantsHold(mesh));
    for (const HE::HalfEdge& e : mesh.mEdges)
        ASSERT_NE(e.face, BORDER) << "the bunny is closed";
    EXPECT_EQ(validateOutput(mesh), report(mesh.mEdges.size(), 3674, 1839));
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    const double area = soupArea(soup);
    EXPECT_NEAR(mesh.area(), area, 1e-5 * area);
    EXPECT_EQ(mesh.genus(), 0);
    EXPECT_GT(mesh.volume(), 0.0f) << "outward faces";
}
} // namespace
