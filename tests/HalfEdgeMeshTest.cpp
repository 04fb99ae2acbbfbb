#include "HalfEdgeMesh.h"
#include "ObjIO.h"
#include "tests/RecordingGL.h"

#include "SupportCode/Matrix4x4.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using V3 = Vector3<float>;
using HE = HalfEdgeMesh;
constexpr unsigned int BORDER = HalfEdgeMesh::BORDER;
constexpr unsigned int UNINIT = HalfEdgeMesh::UNINITIALIZED;
constexpr double PI = 3.14159265358979323846;

class HalfEdgeMeshProbe : public HalfEdgeMesh
{
public:
    using HalfEdgeMesh::addHalfEdgePair;
    using HalfEdgeMesh::addVertex;
    using HalfEdgeMesh::findNeighbourTriangles;
    using HalfEdgeMesh::mCurvature;
    using HalfEdgeMesh::mEdges;
    using HalfEdgeMesh::mFaces;
    using HalfEdgeMesh::mUniqueVerts;
    using HalfEdgeMesh::mVerts;

    std::vector<unsigned int> neighbours(unsigned int v) const
    {
        std::vector<unsigned int> out{12345u}; // must be replaced, not appended to
        findNeighbourTriangles(v, out);
        return out;
    }
};

// Sends std::cerr (or std::cout) into a string for the lifetime of the object.
class Capture
{
public:
    explicit Capture(std::ostream& os) : mStream(os), mOld(os.rdbuf(mBuffer.rdbuf())) {}
    ~Capture() { mStream.rdbuf(mOld); }
    std::string text() const { return mBuffer.str(); }

private:
    std::ostream& mStream;
    std::ostringstream mBuffer;
    std::streambuf* mOld;
};

std::string validateOutput(const HalfEdgeMesh& mesh)
{
    Capture err(std::cerr);
    mesh.validate();
    return err.text();
}

std::string cleanReport(std::size_t edges, std::size_t faces, std::size_t verts)
{
    return "Done with edge check (checked " + std::to_string(edges) +
           " edges)\nDone with face check (checked " + std::to_string(faces) +
           " faces)\nDone with vertex check (checked " + std::to_string(verts) +
           " vertices)\nLooping through triangle neighborhood of each vertex... \n"
           "Done: 0 isolated vertices found\n";
}

// ---------------------------------------------------------------------------------------
// Triangle soups: the builders produce plain triangle lists, so each test can also compute
// an independent double-precision area from them.

using Tri = std::array<V3, 3>;
using Soup = std::vector<Tri>;

void feed(HalfEdgeMesh& mesh, const Soup& soup)
{
    for (const Tri& t : soup)
        mesh.addTriangle(t[0], t[1], t[2]);
}

double soupArea(const Soup& soup)
{
    double sum = 0.0;
    for (const Tri& t : soup)
    {
        double e1[3];
        double e2[3];
        for (int k = 0; k < 3; k++)
        {
            e1[k] = double(t[1][k]) - double(t[0][k]);
            e2[k] = double(t[2][k]) - double(t[0][k]);
        }
        const double cx = e1[1] * e2[2] - e1[2] * e2[1];
        const double cy = e1[2] * e2[0] - e1[0] * e2[2];
        const double cz = e1[0] * e2[1] - e1[1] * e2[0];
        sum += 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
    }
    return sum;
}

Soup reversed(Soup soup)
{
    for (Tri& t : soup)
        std::swap(t[1], t[2]);
    return soup;
}

// Winds a triangle of a convex solid so that its normal points away from `inside`.
Tri outward(const V3& a, const V3& b, const V3& c, const V3& inside)
{
    const V3 n = cross(b - a, c - a);
    return n * (a - inside) >= 0.0f ? Tri{a, b, c} : Tri{a, c, b};
}

Soup tetrahedron(const V3& offset = V3(0.0f, 0.0f, 0.0f))
{
    const V3 p[4] = {offset + V3(0, 0, 0), offset + V3(1, 0, 0), offset + V3(0, 1, 0),
                     offset + V3(0, 0, 1)};
    const V3 inside = offset + V3(0.25f, 0.25f, 0.25f);
    return {outward(p[0], p[1], p[2], inside), outward(p[0], p[1], p[3], inside),
            outward(p[0], p[2], p[3], inside), outward(p[1], p[2], p[3], inside)};
}

Soup unitCube()
{
    Soup soup;
    const V3 inside(0.5f, 0.5f, 0.5f);
    for (int axis = 0; axis < 3; axis++)
    {
        for (int side = 0; side < 2; side++)
        {
            V3 q[4];
            for (int k = 0; k < 4; k++)
            {
                const int u = (k == 1 || k == 2) ? 1 : 0;
                const int v = (k >= 2) ? 1 : 0;
                q[k][axis] = float(side);
                q[k][(axis + 1) % 3] = float(u);
                q[k][(axis + 2) % 3] = float(v);
            }
            soup.push_back(outward(q[0], q[1], q[2], inside));
            soup.push_back(outward(q[0], q[2], q[3], inside));
        }
    }
    return soup;
}

// An n x m grid wrapped both ways: a torus. Positions depend only on the wrapped index,
// so the seams weld exactly.
Soup torus(int n = 12, int m = 8)
{
    auto at = [n, m](int i, int j)
    {
        const double u = 2.0 * PI * (i % n) / n;
        const double v = 2.0 * PI * (j % m) / m;
        return V3(float((2.0 + std::cos(v)) * std::cos(u)), float((2.0 + std::cos(v)) * std::sin(u)),
                  float(std::sin(v)));
    };
    Soup soup;
    for (int i = 0; i < n; i++)
    {
        for (int j = 0; j < m; j++)
        {
            soup.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            soup.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
    return soup;
}

//     a fan of k triangles around the origin, counter-clockwise seen from +z
Soup disc(int k = 8)
{
    auto rim = [k](int i)
    {
        const double a = 2.0 * PI * (i % k) / k;
        return V3(float(std::cos(a)), float(std::sin(a)), 0.0f);
    };
    Soup soup;
    for (int i = 0; i < k; i++)
        soup.push_back({V3(0, 0, 0), rim(i), rim(i + 1)});
    return soup;
}

Soup twoTetrahedra()
{
    Soup soup = tetrahedron();
    const Soup second = tetrahedron(V3(5.0f, 0.0f, 0.0f));
    soup.insert(soup.end(), second.begin(), second.end());
    return soup;
}

// Checks what must hold for a merged, edge-manifold, consistently oriented mesh and names
// the first record that breaks it.
::testing::AssertionResult invariantsHold(const HalfEdgeMeshProbe& m)
{
    const std::size_t E = m.mEdges.size();
    if (E % 2 != 0)
        return ::testing::AssertionFailure() << "odd half-edge count " << E;
    for (unsigned int h = 0; h < E; h++)
    {
        const HE::HalfEdge& e = m.mEdges[h];
        if (e.pair != (h ^ 1u) || m.mEdges[e.pair].pair != h)
            return ::testing::AssertionFailure() << "half-edge " << h << ": pair";
        if (e.next >= E || e.prev >= E)
            return ::testing::AssertionFailure() << "half-edge " << h << ": unlinked";
        if (m.mEdges[e.next].prev != h || m.mEdges[e.prev].next != h)
            return ::testing::AssertionFailure() << "half-edge " << h << ": next/prev disagree";
        if (m.mEdges[e.next].vert != m.mEdges[e.pair].vert)
            return ::testing::AssertionFailure() << "half-edge " << h << ": next not at end";
        if (e.face != BORDER)
        {
            if (e.face >= m.mFaces.size() || m.mEdges[e.next].face != e.face ||
                m.mEdges[m.mEdges[e.next].next].next != h)
                return ::testing::AssertionFailure() << "half-edge " << h << ": face cycle";
        }
        else if (m.mEdges[e.pair].face == BORDER)
        {
            return ::testing::AssertionFailure() << "half-edge " << h << ": both halves border";
        }
    }
    for (unsigned int v = 0; v < m.mVerts.size(); v++)
    {
        const unsigned int h = m.mVerts[v].edge;
        if (h >= E || m.mEdges[h].vert != v)
            return ::testing::AssertionFailure() << "vertex " << v << ": edge";
        const auto it = m.mUniqueVerts.find(m.mVerts[v].vec);
        if (it == m.mUniqueVerts.end() || it->second != v)
            return ::testing::AssertionFailure() << "vertex " << v << ": welding map";
    }
    if (m.mUniqueVerts.size() != m.mVerts.size())
        return ::testing::AssertionFailure() << "welding map size";
    for (unsigned int f = 0; f < m.mFaces.size(); f++)
    {
        if (m.mFaces[f].edge >= E || m.mEdges[m.mFaces[f].edge].face != f)
            return ::testing::AssertionFailure() << "face " << f << ": edge";
    }
    return ::testing::AssertionSuccess();
}

bool isFinite(const V3& v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// ---------------------------------------------------------------------------------------
//  C
//  | \       one triangle, counter-clockwise seen from +z
//  A---B
class OneTriangle : public ::testing::Test
{
protected:
    void SetUp() override { mMesh.addTriangle(A, B, C); }
    const V3 A{0, 0, 0};
    const V3 B{1, 0, 0};
    const V3 C{0, 1, 0};
    HalfEdgeMeshProbe mMesh;
};

TEST_F(OneTriangle, BuildsThreeInnerAndThreeBorderHalfEdges)
{
    ASSERT_EQ(mMesh.mVerts.size(), 3u);
    ASSERT_EQ(mMesh.mEdges.size(), 6u);
    ASSERT_EQ(mMesh.mFaces.size(), 1u);
    EXPECT_TRUE(mMesh.mCurvature.empty());

    const unsigned int vert[6] = {0, 1, 1, 2, 2, 0};
    for (unsigned int h = 0; h < 6; h++)
    {
        SCOPED_TRACE(h);
        EXPECT_EQ(mMesh.mEdges[h].vert, vert[h]);
        EXPECT_EQ(mMesh.mEdges[h].pair, h ^ 1u);
    }
    // The inner cycle 0 -> 2 -> 4.
    EXPECT_EQ(mMesh.mEdges[0].next, 2u);
    EXPECT_EQ(mMesh.mEdges[2].next, 4u);
    EXPECT_EQ(mMesh.mEdges[4].next, 0u);
    EXPECT_EQ(mMesh.mEdges[0].prev, 4u);
    EXPECT_EQ(mMesh.mEdges[2].prev, 0u);
    EXPECT_EQ(mMesh.mEdges[4].prev, 2u);
    for (unsigned int h : {0u, 2u, 4u})
        EXPECT_EQ(mMesh.mEdges[h].face, 0u);
    for (unsigned int h : {1u, 3u, 5u})
    {
        SCOPED_TRACE(h);
        EXPECT_EQ(mMesh.mEdges[h].face, BORDER);
        EXPECT_EQ(mMesh.mEdges[h].next, UNINIT);
        EXPECT_EQ(mMesh.mEdges[h].prev, UNINIT);
    }
    EXPECT_EQ(mMesh.mVerts[0].edge, 5u);
    EXPECT_EQ(mMesh.mVerts[1].edge, 2u);
    EXPECT_EQ(mMesh.mVerts[2].edge, 4u);
    EXPECT_EQ(mMesh.mFaces[0].edge, 0u);
}

TEST_F(OneTriangle, MergingClosesTheBorderLoopOneFiveThree)
{
    mMesh.mergeAllBoundaries();
    EXPECT_EQ(mMesh.mEdges[1].next, 5u);
    EXPECT_EQ(mMesh.mEdges[5].next, 3u);
    EXPECT_EQ(mMesh.mEdges[3].next, 1u);
    EXPECT_EQ(mMesh.mEdges[1].prev, 3u);
    EXPECT_EQ(mMesh.mEdges[3].prev, 5u);
    EXPECT_EQ(mMesh.mEdges[5].prev, 1u);
    EXPECT_TRUE(invariantsHold(mMesh));

    // Merging again recomputes the same links.
    const std::vector<HE::HalfEdge> before = mMesh.mEdges;
    mMesh.mergeAllBoundaries();
    for (unsigned int h = 0; h < 6; h++)
    {
        EXPECT_EQ(mMesh.mEdges[h].next, before[h].next);
        EXPECT_EQ(mMesh.mEdges[h].prev, before[h].prev);
    }
}

TEST_F(OneTriangle, ValidateReportsExactLines)
{
    // Unmerged, vertex A's edge is border 5, whose missing prev stops the ring walk before
    // it meets a face: A counts as isolated until the boundary is merged.
    EXPECT_EQ(validateOutput(mMesh), "HalfEdge 1 not properly initialized\n"
                                     "HalfEdge 3 not properly initialized\n"
                                     "HalfEdge 5 not properly initialized\n"
                                     "Done with edge check (checked 6 edges)\n"
                                     "Done with face check (checked 1 faces)\n"
                                     "Done with vertex check (checked 3 vertices)\n"
                                     "Looping through triangle neighborhood of each vertex... \n"
                                     "Done: 1 isolated vertices found\n");
    mMesh.mergeAllBoundaries();
    EXPECT_EQ(validateOutput(mMesh), cleanReport(6, 1, 3));
}

TEST_F(OneTriangle, MeasuresNeighboursAndNormals)
{
    mMesh.mergeAllBoundaries();
    for (unsigned int v = 0; v < 3; v++)
        EXPECT_EQ(mMesh.neighbours(v), std::vector<unsigned int>{0u}) << "vertex " << v;
    EXPECT_FLOAT_EQ(mMesh.area(), 0.5f);
    EXPECT_EQ(mMesh.genus(), 0);
    EXPECT_EQ(mMesh.volume(), 0.0f) << "no normals yet";

    EXPECT_EQ(mMesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
    mMesh.calculateFaceNormals();
    EXPECT_EQ(mMesh.getShadingFlag(), Mesh::FLAT_SHADING);
    EXPECT_EQ(mMesh.mFaces[0].normal, V3(0, 0, 1));
    mMesh.calculateVertexNormals();
    EXPECT_EQ(mMesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
    for (unsigned int v = 0; v < 3; v++)
        EXPECT_EQ(mMesh.mVerts[v].v_normal, V3(0, 0, 1)) << "vertex " << v;
    EXPECT_EQ(mMesh.curvature(0, V3(0, 0, 1)), 0.0f);
    EXPECT_EQ(mMesh.curvature(1000, V3(0, 0, 1)), 0.0f);
}

//  C---D
//  | \ |     a second triangle C, B, D reuses the border half-edge C -> B
//  A---B
TEST_F(OneTriangle, SecondTriangleTakesOverTheSharedBorderHalfEdge)
{
    EXPECT_TRUE(mMesh.addTriangle(C, B, V3(1, 1, 0)));
    ASSERT_EQ(mMesh.mEdges.size(), 10u);
    ASSERT_EQ(mMesh.mVerts.size(), 4u);
    ASSERT_EQ(mMesh.mFaces.size(), 2u);
    EXPECT_EQ(mMesh.mEdges[3].face, 1u);
    EXPECT_EQ(mMesh.mEdges[3].next, 6u);
    EXPECT_EQ(mMesh.mEdges[3].prev, 8u);
    EXPECT_EQ(mMesh.mEdges[6].vert, 1u); // B -> D
    EXPECT_EQ(mMesh.mEdges[8].vert, 3u); // D -> C
    EXPECT_EQ(mMesh.mEdges[6].next, 8u);
    EXPECT_EQ(mMesh.mEdges[8].next, 3u);
    EXPECT_EQ(mMesh.mEdges[7].face, BORDER);
    EXPECT_EQ(mMesh.mEdges[9].face, BORDER);
    EXPECT_EQ(mMesh.mFaces[1].edge, 3u);

    mMesh.mergeAllBoundaries();
    EXPECT_TRUE(invariantsHold(mMesh));
    EXPECT_EQ(validateOutput(mMesh), cleanReport(10, 2, 4));
    // B's edge is the newest half-edge leaving it, 6 (B -> D); the rotation then meets 2.
    EXPECT_EQ(mMesh.neighbours(1), (std::vector<unsigned int>{1u, 0u}));
    EXPECT_FLOAT_EQ(mMesh.area(), 1.0f);
    EXPECT_EQ(mMesh.genus(), 0);
}

TEST(HalfEdgeMeshWelding, WeldsExactlyEqualPositionsOnly)
{
    HalfEdgeMeshProbe mesh;
    unsigned int i = 99;
    EXPECT_TRUE(mesh.addVertex(V3(1, 2, 3), i));
    EXPECT_EQ(i, 0u);
    EXPECT_FALSE(mesh.addVertex(V3(1, 2, 3), i));
    EXPECT_EQ(i, 0u);
    EXPECT_TRUE(mesh.addVertex(V3(0.0f, 0, 0), i));
    EXPECT_EQ(i, 1u);
    EXPECT_FALSE(mesh.addVertex(V3(-0.0f, 0, -0.0f), i)) << "-0 and +0 weld";
    EXPECT_EQ(i, 1u);
    EXPECT_TRUE(mesh.addVertex(V3(std::nextafter(1.0f, 2.0f), 2, 3), i));
    EXPECT_EQ(i, 2u);
    EXPECT_EQ(mesh.mVerts.size(), 3u);
    EXPECT_EQ(mesh.mUniqueVerts.size(), 3u);
    EXPECT_EQ(mesh.mVerts[2].edge, UNINIT);
    EXPECT_EQ(mesh.mVerts[2].v_normal, V3(0, 0, 0));
}

// Two corners welded into one: the pair of that edge has both halves starting at one
// vertex, and a later lookup picks the newer half, as a newest-first scan would.
TEST(HalfEdgeMeshWelding, LoopEdgeAtOneVertexFindsTheNewerHalf)
{
    HalfEdgeMeshProbe mesh;
    const V3 a(0, 0, 0);
    const V3 b(1, 0, 0);
    mesh.addTriangle(a, a, b);
    ASSERT_EQ(mesh.mEdges.size(), 4u);
    EXPECT_EQ(mesh.mEdges[0].vert, 0u);
    EXPECT_EQ(mesh.mEdges[1].vert, 0u);
    EXPECT_EQ(mesh.mEdges[1].face, BORDER);
    EXPECT_EQ(mesh.mEdges[3].face, 0u) << "found again as the third edge and taken over";
    EXPECT_EQ(mesh.mEdges[0].next, 2u);
    EXPECT_EQ(mesh.mEdges[2].next, 3u);
    EXPECT_EQ(mesh.mEdges[3].next, 0u);

    unsigned int i1 = 0;
    unsigned int i2 = 0;
    EXPECT_FALSE(mesh.addHalfEdgePair(0, 0, i1, i2));
    EXPECT_EQ(i1, 1u);
    EXPECT_EQ(i2, 0u);
    EXPECT_FALSE(mesh.addHalfEdgePair(1, 0, i1, i2));
    EXPECT_EQ(i1, 3u);
    EXPECT_EQ(i2, 2u);
    EXPECT_FALSE(mesh.addHalfEdgePair(0, 1, i1, i2));
    EXPECT_EQ(i1, 2u);
    EXPECT_EQ(i2, 3u);
    EXPECT_TRUE(mesh.addHalfEdgePair(1, 1, i1, i2));
    EXPECT_EQ(i1, 4u);
    EXPECT_EQ(i2, 5u);
    EXPECT_EQ(mesh.mVerts[1].edge, 5u);

    mesh.mergeAllBoundaries();
    validateOutput(mesh);
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.mFaces[0].normal, V3(0, 0, 0)) << "zero area: no direction";
    EXPECT_EQ(mesh.area(), 0.0f);
}

// ---------------------------------------------------------------------------------------
// Closed and open surfaces, each checked for structure, report, genus and measures.

struct MeshCase
{
    const char* name;
    Soup (*build)();
    int genus;
    bool closed;
    double volume; // NaN: not checked
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
    const Soup soup = c.build();
    HalfEdgeMeshProbe mesh;
    feed(mesh, soup);
    mesh.mergeAllBoundaries();
    ASSERT_TRUE(invariantsHold(mesh));

    std::size_t borders = 0;
    for (const HE::HalfEdge& e : mesh.mEdges)
        borders += e.face == BORDER ? 1 : 0;
    EXPECT_EQ(borders == 0, c.closed);

    EXPECT_EQ(validateOutput(mesh),
              cleanReport(mesh.mEdges.size(), mesh.mFaces.size(), mesh.mVerts.size()));
    {
        Capture out(std::cout);
        EXPECT_EQ(mesh.genus(), c.genus);
        EXPECT_EQ(out.text(), "");
    }

    const double area = soupArea(soup);
    EXPECT_NEAR(mesh.area(), area, 1e-5 * area);

    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    if (!std::isnan(c.volume))
    {
        EXPECT_NEAR(mesh.volume(), c.volume, 1e-5);
    }

    // Every vertex lies on at least one face, and a closed surface's vertex normal is a
    // unit vector.
    for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
    {
        EXPECT_FALSE(mesh.neighbours(v).empty()) << "vertex " << v;
        EXPECT_NEAR(mesh.mVerts[v].v_normal.length(), 1.0f, 1e-5f) << "vertex " << v;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Surfaces, EveryMesh,
    ::testing::Values(MeshCase{"tetrahedron", [] { return tetrahedron(); }, 0, true, 1.0 / 6.0},
                      MeshCase{"cube", unitCube, 0, true, 1.0},
                      MeshCase{"reversedCube", [] { return reversed(unitCube()); }, 0, true, -1.0},
                      MeshCase{"torus", [] { return torus(); }, 1, true, NAN},
                      MeshCase{"disc", [] { return disc(); }, 0, false, NAN},
                      MeshCase{"twoTetrahedra", twoTetrahedra, -1, true, 2.0 / 6.0}),
    [](const ::testing::TestParamInfo<MeshCase>& info) { return std::string(info.param.name); });

TEST(HalfEdgeMeshMeasures, CubeHasAreaSixAndVolumeOneBeforeAndAfterNormals)
{
    HalfEdgeMeshProbe mesh;
    feed(mesh, unitCube());
    mesh.mergeAllBoundaries();
    EXPECT_EQ(mesh.volume(), 0.0f) << "volume uses stored normals";
    mesh.calculateFaceNormals();
    EXPECT_FLOAT_EQ(mesh.area(), 6.0f);
    EXPECT_FLOAT_EQ(mesh.volume(), 1.0f);
}

TEST(HalfEdgeMeshMeasures, EmptyMesh)
{
    HalfEdgeMeshProbe mesh;
    mesh.mergeAllBoundaries();
    EXPECT_EQ(validateOutput(mesh), cleanReport(0, 0, 0));
    EXPECT_EQ(mesh.area(), 0.0f);
    EXPECT_EQ(mesh.volume(), 0.0f);
    EXPECT_EQ(mesh.genus(), 1);
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::FLAT_SHADING);
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
    EXPECT_TRUE(mesh.neighbours(0).empty());
}

// Two faces meeting at a right angle along the edge P-Q: the vertices on that edge see
// normals (1, 0, 0) and (0, 1, 0) with equal weight, whatever the faces' areas.
TEST(HalfEdgeMeshMeasures, VertexNormalAveragesFaceNormalsWithEqualWeight)
{
    HalfEdgeMeshProbe mesh;
    const V3 p(0, 0, 0);
    const V3 q(0, 0, 1);
    mesh.addTriangle(p, V3(0, 3, 0), q); // in the plane x = 0, normal +x
    mesh.addTriangle(p, q, V3(1, 0, 0)); // in the plane y = 0, normal +y
    mesh.mergeAllBoundaries();
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.mFaces[0].normal, V3(1, 0, 0));
    EXPECT_EQ(mesh.mFaces[1].normal, V3(0, 1, 0));
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.mVerts[0].v_normal, V3(0.70710677f, 0.70710677f, 0.0f));
    EXPECT_EQ(mesh.mVerts[2].v_normal, V3(0.70710677f, 0.70710677f, 0.0f));
    EXPECT_EQ(mesh.mVerts[1].v_normal, V3(1, 0, 0));
}

// Zero-area faces and faces whose normals cancel have no direction: they get (0, 0, 0)
// normals, so sums, volume and colours stay defined.
TEST(HalfEdgeMeshMeasures, DegenerateFacesGetZeroNormals)
{
    HalfEdgeMeshProbe mesh;
    mesh.addTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0)); // collinear
    mesh.addTriangle(V3(0, 0, 5), V3(1e-30f, 0, 5), V3(0, 1e-30f, 5)); // cross underflows
    mesh.mergeAllBoundaries();
    mesh.calculateVertexNormals(); // before any face normal: nothing to average
    for (const HE::Vertex& v : mesh.mVerts)
        EXPECT_EQ(v.v_normal, V3(0, 0, 0));
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.mFaces[0].normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.mFaces[1].normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.volume(), 0.0f);
    EXPECT_EQ(mesh.area(), 0.0f);

    clearGLCalls();
    mesh.draw();
    for (const GLCall& call : recordedGLCalls())
        for (float a : call.args)
            EXPECT_TRUE(std::isfinite(a)) << call.name;
}

// ---------------------------------------------------------------------------------------
// Input that is not edge-manifold or not consistently oriented. Every walk must end, no
// sanitizer may fire, and the measures follow the triangles that were given.

struct BadCase
{
    const char* name;
    Soup soup;
};

std::vector<BadCase> badCases()
{
    const V3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), d(0, -1, 0), e(0, 0, 1), f(2, 1, 0),
        g(2, -1, 0);
    return {
        {"threeTrianglesOnOneEdge", {{a, b, c}, {b, a, d}, {a, b, e}}},
        {"flippedNeighbour", {{a, b, c}, {a, b, d}}},
        {"duplicateTriangle", {{a, b, c}, {a, b, c}}},
        {"reversedDuplicate", {{a, b, c}, {a, c, b}}},
        {"twoFansAtOneVertex", {{a, b, c}, {a, d, e}, {b, f, g}}},
        {"flippedFaceInTorus",
         [] {
             Soup s = torus(6, 4);
             std::swap(s[7][1], s[7][2]);
             const Tri twice = s[3];
             s.push_back(twice);
             return s;
         }()},
    };
}

TEST(HalfEdgeMeshBadInput, EveryOperationEndsAndMeasuresTheGivenTriangles)
{
    for (const BadCase& c : badCases())
    {
        SCOPED_TRACE(c.name);
        HalfEdgeMeshProbe mesh;
        feed(mesh, c.soup);
        mesh.mergeAllBoundaries();
        const std::string report = validateOutput(mesh);
        EXPECT_NE(report.find("Done with edge check (checked " +
                              std::to_string(mesh.mEdges.size()) + " edges)\n"),
                  std::string::npos);
        EXPECT_NE(report.find("Done: "), std::string::npos);

        const double area = soupArea(c.soup);
        EXPECT_NEAR(mesh.area(), area, 1e-5 * area);
        mesh.calculateFaceNormals();
        mesh.calculateVertexNormals();
        EXPECT_TRUE(std::isfinite(mesh.volume()));
        for (const HE::Vertex& v : mesh.mVerts)
            EXPECT_TRUE(isFinite(v.v_normal));
        Capture out(std::cout);
        mesh.genus();
        for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
        {
            const std::vector<unsigned int> ring = mesh.neighbours(v);
            EXPECT_EQ(std::set<unsigned int>(ring.begin(), ring.end()).size(), ring.size())
                << "a face listed twice around vertex " << v;
        }
    }
}

//  c       e
//  | \   / |     two fans meet only at vertex a (b joins a third triangle);
//  a---b   d     each boundary rotation stays inside its own fan
TEST(HalfEdgeMeshBadInput, TwoFansAtOneVertexKeepSeparateBoundaries)
{
    HalfEdgeMeshProbe mesh;
    const V3 a(0, 0, 0), b(1, 0, 0), c(0, 1, 0), d(-1, 0, 0), e(-1, -1, 0);
    mesh.addTriangle(a, b, c);
    mesh.addTriangle(a, d, e);
    mesh.mergeAllBoundaries();
    EXPECT_TRUE(invariantsHold(mesh));
    EXPECT_EQ(validateOutput(mesh), cleanReport(12, 2, 5));
    EXPECT_EQ(mesh.neighbours(0), std::vector<unsigned int>{1u}) << "only the fan of its edge";
    for (unsigned int h : {1u, 3u, 5u})
        EXPECT_LT(mesh.mEdges[h].next, 6u) << "border " << h << " left its fan";
}

// Three triangles on the edge a-c: a, b, c, then a, c, d and its reverse a, d, c, which close
// a pillow and take over c -> a from the first. Rotations from the first triangle's border
// half-edges circle inside the pillow and never meet a border again; their links stay
// unassigned and validate names them.
TEST(HalfEdgeMeshBadInput, RotationThatNeverMeetsABorderLeavesItsLinkForValidate)
{
    HalfEdgeMeshProbe mesh;
    const V3 a(0, 0, 0), b(1, -1, 0), c(1, 0, 0), d(1, 1, 0);
    mesh.addTriangle(a, b, c);
    mesh.addTriangle(a, c, d);
    mesh.addTriangle(a, d, c);
    ASSERT_EQ(mesh.mEdges.size(), 10u);
    EXPECT_EQ(mesh.mEdges[4].face, 2u) << "c -> a taken over by the third triangle";
    mesh.mergeAllBoundaries();
    EXPECT_EQ(mesh.mEdges[1].next, UNINIT);
    EXPECT_EQ(mesh.mEdges[1].prev, 3u);
    EXPECT_EQ(mesh.mEdges[3].next, 1u);
    EXPECT_EQ(mesh.mEdges[3].prev, UNINIT);
    EXPECT_EQ(validateOutput(mesh), "HalfEdge 1 not properly initialized\n"
                                    "HalfEdge 3 not properly initialized\n"
                                    "Done with edge check (checked 10 edges)\n"
                                    "Done with face check (checked 3 faces)\n"
                                    "Done with vertex check (checked 4 vertices)\n"
                                    "Looping through triangle neighborhood of each vertex... \n"
                                    "Done: 0 isolated vertices found\n");
}

// Reading past an unmerged boundary, out of range or from a vertex without an edge.
TEST(HalfEdgeMeshBadInput, NeighbourQueriesOutsideTheStructureFindNothing)
{
    HalfEdgeMeshProbe mesh;
    mesh.addTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    EXPECT_TRUE(mesh.neighbours(3).empty());
    EXPECT_TRUE(mesh.neighbours(UNINIT).empty());
    EXPECT_TRUE(mesh.neighbours(BORDER).empty());

    // Unmerged: vertex 0's edge is border 5 with no prev; the walk stops there.
    EXPECT_TRUE(mesh.neighbours(0).empty());
    EXPECT_EQ(mesh.neighbours(1), std::vector<unsigned int>{0u});

    unsigned int lonely = 0;
    mesh.addVertex(V3(7, 7, 7), lonely);
    mesh.mergeAllBoundaries();
    EXPECT_TRUE(mesh.neighbours(lonely).empty());
    EXPECT_EQ(validateOutput(mesh), "Done with edge check (checked 6 edges)\n"
                                    "Done with face check (checked 1 faces)\n"
                                    "Vertex 3 not properly initialized\n"
                                    "Done with vertex check (checked 4 vertices)\n"
                                    "Looping through triangle neighborhood of each vertex... \n"
                                    "Done: 1 isolated vertices found\n");
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.mVerts[3].v_normal, V3(0, 0, 0));
    EXPECT_EQ(mesh.genus(), 0); // (3 - 1 - 4 + 2) / 2
}

// ---------------------------------------------------------------------------------------
// Differential check against a direct transcription of the construction: a newest-first
// scan for half-edges, boundary rotations capped at the half-edge count, and ring walks
// that stop at the first repeated half-edge. On random soups over a few positions (welded
// corners, flips, duplicates, edges with many triangles) every field must agree.

struct Reference
{
    std::vector<HE::HalfEdge> edges;
    std::vector<V3> pos;
    std::vector<unsigned int> vertEdge;
    std::vector<unsigned int> faceEdge;

    unsigned int vertex(const V3& p)
    {
        for (unsigned int i = 0; i < pos.size(); i++)
            if (pos[i] == p)
                return i;
        pos.push_back(p);
        vertEdge.push_back(UNINIT);
        return static_cast<unsigned int>(pos.size() - 1);
    }
    bool pair(unsigned int v1, unsigned int v2, unsigned int& i1, unsigned int& i2)
    {
        for (std::size_t k = edges.size(); k-- > 0;)
        {
            if (edges[k].vert == v1 && edges[edges[k].pair].vert == v2)
            {
                i1 = static_cast<unsigned int>(k);
                i2 = edges[k].pair;
                return false;
            }
        }
        const unsigned int n = static_cast<unsigned int>(edges.size());
        HE::HalfEdge e1, e2;
        e1.vert = v1;
        e1.pair = n + 1;
        e2.vert = v2;
        e2.pair = n;
        vertEdge[v1] = n;
        vertEdge[v2] = n + 1;
        edges.push_back(e1);
        edges.push_back(e2);
        i1 = n;
        i2 = n + 1;
        return true;
    }
    void addTriangle(const Tri& t)
    {
        const unsigned int v1 = vertex(t[0]), v2 = vertex(t[1]), v3 = vertex(t[2]);
        unsigned int e[6];
        const bool b1 = pair(v1, v2, e[0], e[1]);
        const bool b2 = pair(v2, v3, e[2], e[3]);
        const bool b3 = pair(v3, v1, e[4], e[5]);
        if (b1)
            edges[e[1]].face = BORDER;
        if (b2)
            edges[e[3]].face = BORDER;
        if (b3)
            edges[e[5]].face = BORDER;
        for (int k = 0; k < 3; k++)
        {
            edges[e[2 * k]].next = e[(2 * k + 2) % 6];
            edges[e[(2 * k + 2) % 6]].prev = e[2 * k];
        }
        faceEdge.push_back(e[0]);
        for (int k = 0; k < 3; k++)
            edges[e[2 * k]].face = static_cast<unsigned int>(faceEdge.size() - 1);
    }
    unsigned int rotate(unsigned int h, bool aroundEnd) const
    {
        for (std::size_t steps = 0; steps <= edges.size(); steps++)
        {
            if (h >= edges.size())
                return UNINIT;
            if (edges[h].face == BORDER)
                return h;
            const unsigned int link = aroundEnd ? edges[h].prev : edges[h].next;
            h = link < edges.size() ? edges[link].pair : UNINIT;
        }
        return UNINIT;
    }
    void merge()
    {
        for (unsigned int i = 0; i < edges.size(); i++)
        {
            if (edges[i].face != BORDER)
                continue;
            const HE::HalfEdge& p = edges[edges[i].pair];
            const unsigned int n = rotate(p.prev < edges.size() ? edges[p.prev].pair : UNINIT, true);
            edges[i].next = n;
            if (n < edges.size())
                edges[n].prev = i;
            const HE::HalfEdge& p2 = edges[edges[i].pair];
            const unsigned int q = rotate(p2.next < edges.size() ? edges[p2.next].pair : UNINIT, false);
            edges[i].prev = q;
            if (q < edges.size())
                edges[q].next = i;
        }
    }
    std::vector<unsigned int> ring(unsigned int v) const
    {
        std::vector<unsigned int> faces;
        std::set<unsigned int> seen;
        unsigned int h = vertEdge[v];
        while (h < edges.size() && seen.insert(h).second)
        {
            if (edges[h].face != BORDER)
                faces.push_back(edges[h].face);
            const unsigned int prev = edges[h].prev;
            h = prev < edges.size() ? edges[prev].pair : UNINIT;
        }
        return faces;
    }
};

::testing::AssertionResult sameEdges(const std::vector<HE::HalfEdge>& a,
                                     const std::vector<HE::HalfEdge>& b)
{
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    for (std::size_t h = 0; h < a.size(); h++)
    {
        if (a[h].vert != b[h].vert || a[h].face != b[h].face || a[h].next != b[h].next ||
            a[h].prev != b[h].prev || a[h].pair != b[h].pair)
            return ::testing::AssertionFailure()
                   << "half-edge " << h << ": " << a[h].vert << " " << a[h].face << " "
                   << a[h].next << " " << a[h].prev << " " << a[h].pair << " against "
                   << b[h].vert << " " << b[h].face << " " << b[h].next << " " << b[h].prev
                   << " " << b[h].pair;
    }
    return ::testing::AssertionSuccess();
}

void expectMatchesReference(const Soup& soup)
{
    HalfEdgeMeshProbe mesh;
    Reference ref;
    for (const Tri& t : soup)
    {
        mesh.addTriangle(t[0], t[1], t[2]);
        ref.addTriangle(t);
    }
    ASSERT_TRUE(sameEdges(mesh.mEdges, ref.edges));
    ASSERT_EQ(mesh.mVerts.size(), ref.pos.size());
    for (unsigned int v = 0; v < ref.pos.size(); v++)
        ASSERT_EQ(mesh.mVerts[v].edge, ref.vertEdge[v]) << "vertex " << v;
    for (unsigned int f = 0; f < ref.faceEdge.size(); f++)
        ASSERT_EQ(mesh.mFaces[f].edge, ref.faceEdge[f]) << "face " << f;

    mesh.mergeAllBoundaries();
    ref.merge();
    ASSERT_TRUE(sameEdges(mesh.mEdges, ref.edges)) << "after merging";
    for (unsigned int v = 0; v < ref.pos.size(); v++)
        ASSERT_EQ(mesh.neighbours(v), ref.ring(v)) << "ring of vertex " << v;

    const double area = soupArea(soup);
    EXPECT_NEAR(mesh.area(), area, 1e-5 * area + 1e-6);
    validateOutput(mesh);
    Capture out(std::cout);
    mesh.genus();
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_TRUE(std::isfinite(mesh.volume()));
}

TEST(HalfEdgeMeshReference, RandomSoupsOverFewPositionsMatchTheDirectConstruction)
{
    std::mt19937 rng(20240611u);
    for (int round = 0; round < 3000; round++)
    {
        const int positions = 1 + round % 8;
        const int triangles = 1 + round % 13;
        std::uniform_int_distribution<int> pick(0, positions - 1);
        Soup soup;
        for (int t = 0; t < triangles; t++)
        {
            Tri tri;
            for (V3& p : tri)
            {
                const int i = pick(rng);
                p = V3(float(i % 3), float(i / 3), float((i * 7) % 5));
            }
            soup.push_back(tri);
        }
        SCOPED_TRACE(round);
        expectMatchesReference(soup);
        if (HasFatalFailure())
            return;
    }
}

TEST(HalfEdgeMeshReference, DamagedTorusMatchesTheDirectConstruction)
{
    std::mt19937 rng(7u);
    for (int round = 0; round < 40; round++)
    {
        Soup soup = torus(8, 6);
        std::uniform_int_distribution<std::size_t> pick(0, soup.size() - 1);
        for (int k = 0; k < 1 + round % 5; k++)
        {
            std::swap(soup[pick(rng)][1], soup[pick(rng)][2]); // flip or scramble
            const Tri twice = soup[pick(rng)];
            soup.push_back(twice); // duplicate
            soup.erase(soup.begin() + static_cast<long>(pick(rng) % soup.size())); // hole
        }
        SCOPED_TRACE(round);
        expectMatchesReference(soup);
        if (HasFatalFailure())
            return;
    }
}

// ---------------------------------------------------------------------------------------
// Drawing, against the recording stand-ins of the GL calls.

class Drawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The right-angle pair of faces: corner normals differ, so per-corner colours do.
        mMesh.addTriangle(V3(0, 0, 0), V3(0, 3, 0), V3(0, 0, 1));
        mMesh.addTriangle(V3(0, 0, 0), V3(0, 0, 1), V3(1, 0, 0));
        mMesh.mergeAllBoundaries();
        Matrix4x4<float> t = Matrix4x4<float>::translation(1.0f, 2.0f, 3.0f);
        mMesh.setTransform(t);
        t.toGLMatrix(mGLMatrix);
        clearGLCalls();
    }
    void expectFrame(const std::vector<GLCall>& calls, std::size_t perTriangle)
    {
        ASSERT_EQ(calls.size(), 6 + 2 * perTriangle);
        EXPECT_EQ(calls[0].name, "glMatrixMode");
        EXPECT_EQ(calls[0].args, std::vector<float>{float(GL_MODELVIEW)});
        EXPECT_EQ(calls[1].name, "glPushMatrix");
        EXPECT_EQ(calls[2].name, "glLoadMatrixf");
        EXPECT_EQ(calls[2].args, std::vector<float>(mGLMatrix, mGLMatrix + 16));
        EXPECT_EQ(calls[3].name, "glBegin");
        EXPECT_EQ(calls[3].args, std::vector<float>{float(GL_TRIANGLES)});
        EXPECT_EQ(calls[calls.size() - 2].name, "glEnd");
        EXPECT_EQ(calls.back().name, "glPopMatrix");
    }
    static std::vector<float> args(const V3& v) { return {v[0], v[1], v[2]}; }
    static V3 colourOf(const V3& n) { return (n + V3(1, 1, 1)) * 0.5f; }

    HalfEdgeMeshProbe mMesh;
    float mGLMatrix[16] = {};
};

TEST_F(Drawing, FlatShadingSendsOneColourAndNormalPerTriangle)
{
    mMesh.calculateFaceNormals();
    clearGLCalls();
    mMesh.draw();
    const std::vector<GLCall>& calls = recordedGLCalls();
    expectFrame(calls, 5);
    for (unsigned int f = 0; f < 2; f++)
    {
        SCOPED_TRACE(f);
        const std::size_t at = 4 + 5 * f;
        const V3 n = mMesh.mFaces[f].normal;
        EXPECT_EQ(calls[at].name, "glColor3f");
        EXPECT_EQ(calls[at].args, args(colourOf(n)));
        EXPECT_EQ(calls[at + 1].name, "glNormal3f");
        EXPECT_EQ(calls[at + 1].args, args(n));
        const unsigned int h0 = mMesh.mFaces[f].edge;
        const unsigned int corner[3] = {mMesh.mEdges[h0].vert,
                                        mMesh.mEdges[mMesh.mEdges[h0].next].vert,
                                        mMesh.mEdges[mMesh.mEdges[h0].prev].vert};
        for (int k = 0; k < 3; k++)
        {
            EXPECT_EQ(calls[at + 2 + k].name, "glVertex3f");
            EXPECT_EQ(calls[at + 2 + k].args, args(mMesh.mVerts[corner[k]].vec));
        }
    }
    EXPECT_EQ(calls[4].args, (std::vector<float>{1.0f, 0.5f, 0.5f})) << "normal +x";
}

TEST_F(Drawing, SmoothShadingSendsColourNormalAndPositionPerCorner)
{
    mMesh.calculateFaceNormals();
    mMesh.calculateVertexNormals();
    clearGLCalls();
    mMesh.draw();
    const std::vector<GLCall>& calls = recordedGLCalls();
    expectFrame(calls, 9);
    for (unsigned int f = 0; f < 2; f++)
    {
        const unsigned int h0 = mMesh.mFaces[f].edge;
        const unsigned int corner[3] = {mMesh.mEdges[h0].vert,
                                        mMesh.mEdges[mMesh.mEdges[h0].next].vert,
                                        mMesh.mEdges[mMesh.mEdges[h0].prev].vert};
        for (int k = 0; k < 3; k++)
        {
            SCOPED_TRACE(3 * f + k);
            const std::size_t at = 4 + 9 * f + 3 * k;
            const HE::Vertex& v = mMesh.mVerts[corner[k]];
            EXPECT_EQ(calls[at].name, "glColor3f");
            EXPECT_EQ(calls[at].args, args(colourOf(v.v_normal)));
            EXPECT_EQ(calls[at + 1].name, "glNormal3f");
            EXPECT_EQ(calls[at + 1].args, args(v.v_normal));
            EXPECT_EQ(calls[at + 2].name, "glVertex3f");
            EXPECT_EQ(calls[at + 2].args, args(v.vec));
        }
    }
    EXPECT_NE(calls[4].args, calls[7].args) << "corners differ in colour";
}

TEST_F(Drawing, OtherShadingValuesSendPositionsOnly)
{
    mMesh.calculateFaceNormals();
    mMesh.setShadingFlag(static_cast<Mesh::SHADING>(2));
    clearGLCalls();
    mMesh.draw();
    const std::vector<std::string> names = recordedGLNames();
    expectFrame(recordedGLCalls(), 3);
    for (std::size_t i = 4; i < 10; i++)
        EXPECT_EQ(names[i], "glVertex3f");
}

TEST_F(Drawing, EmptyMeshDrawsAnEmptyBatchAndUnsetNormalsAreGrey)
{
    HalfEdgeMesh empty;
    empty.draw();
    EXPECT_EQ(recordedGLNames(), (std::vector<std::string>{"glMatrixMode", "glPushMatrix",
                                                           "glLoadMatrixf", "glBegin", "glEnd",
                                                           "glPopMatrix"}));
    clearGLCalls();
    mMesh.draw(); // smooth, but no normal computed yet
    EXPECT_EQ(recordedGLCalls()[4].args, (std::vector<float>{0.5f, 0.5f, 0.5f}));
}

// ---------------------------------------------------------------------------------------
// The bunny shipped with the viewer.

TEST(HalfEdgeMeshBunny, IsClosedGenusZeroAndItsAreaMatchesAnIndependentSum)
{
    const char* path = "Objs/bunnySmall.obj";
    std::ifstream file(path);
    ASSERT_TRUE(file) << path;
    HalfEdgeMeshProbe mesh;
    ObjIO io;
    ASSERT_TRUE(io.load(&mesh, file));

    // Independent reading: positions and faces straight from the text, in double.
    std::ifstream again(path);
    std::vector<std::array<double, 3>> pos;
    double area = 0.0;
    std::size_t faces = 0;
    for (std::string line; std::getline(again, line);)
    {
        std::istringstream ls(line);
        std::string tag;
        ls >> tag;
        if (tag == "v")
        {
            std::array<double, 3> p{};
            ls >> p[0] >> p[1] >> p[2];
            pos.push_back(p);
        }
        else if (tag == "f")
        {
            std::size_t i[3];
            ls >> i[0] >> i[1] >> i[2];
            const auto& a = pos[i[0] - 1];
            const auto& b = pos[i[1] - 1];
            const auto& c = pos[i[2] - 1];
            const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
            const double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            const double x = u[1] * w[2] - u[2] * w[1];
            const double y = u[2] * w[0] - u[0] * w[2];
            const double z = u[0] * w[1] - u[1] * w[0];
            area += 0.5 * std::sqrt(x * x + y * y + z * z);
            ++faces;
        }
    }
    ASSERT_EQ(faces, 3674u);
    ASSERT_EQ(mesh.mFaces.size(), faces);
    ASSERT_EQ(mesh.mVerts.size(), 1839u);

    mesh.mergeAllBoundaries();
    EXPECT_TRUE(invariantsHold(mesh));
    for (const HE::HalfEdge& e : mesh.mEdges)
        ASSERT_NE(e.face, BORDER) << "the bunny is closed";
    EXPECT_EQ(validateOutput(mesh), cleanReport(mesh.mEdges.size(), 3674, 1839));
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_NEAR(mesh.area(), area, 1e-5 * area);
    EXPECT_EQ(mesh.genus(), 0);
    EXPECT_GT(mesh.volume(), 0.0f) << "outward faces";
}
} // namespace
