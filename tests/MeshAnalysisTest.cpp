#include "MeshAnalysis.h"

#include "ObjIO.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace
{
using Positions = std::vector<Vector3<float>>;
using Triangles = std::vector<Vector3<unsigned int>>;

MeshAnalysis::Report analyse(const Positions& p, const Triangles& t)
{
    MeshAnalysis::Report r;
    EXPECT_TRUE(MeshAnalysis::analyse(p, t, r));
    return r;
}

//      3
//     /|\        a tetrahedron with the right angle at 0, every face seen
//    / | \       counter-clockwise from outside; volume 1/6
//   0--|--2
//    \ | /
//      1
const Positions TETRA_POSITIONS = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const Triangles TETRA = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

Triangles reversed(Triangles t)
{
    for (Vector3<unsigned int>& f : t)
        std::swap(f[1], f[2]);
    return t;
}

// n x m grid on a torus; quads split along a diagonal, all outward.
void torus(unsigned int n, unsigned int m, Positions& p, Triangles& t)
{
    const float pi = 3.14159265f;
    for (unsigned int i = 0; i < n; ++i)
        for (unsigned int j = 0; j < m; ++j)
        {
            const float phi = 2 * pi * i / n, theta = 2 * pi * j / m;
            const float r = 2.0f + std::cos(theta);
            p.emplace_back(r * std::cos(phi), r * std::sin(phi), std::sin(theta));
        }
    auto at = [&](unsigned int i, unsigned int j) { return (i % n) * m + (j % m); };
    for (unsigned int i = 0; i < n; ++i)
        for (unsigned int j = 0; j < m; ++j)
        {
            t.emplace_back(at(i, j), at(i + 1, j), at(i + 1, j + 1));
            t.emplace_back(at(i, j), at(i + 1, j + 1), at(i, j + 1));
        }
}

// Unit cube, twelve outward triangles, each corner written out per face as an exporter
// that repeats positions would: 36 positions that weld to 8 vertices.
void cubeWithRepeatedPositions(Positions& p, Triangles& t)
{
    const float c[8][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                           {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
    const unsigned int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                      {2, 3, 7, 6}, {1, 2, 6, 5}, {0, 4, 7, 3}};
    for (const auto& q : quads)
        for (unsigned int half = 0; half < 2; ++half)
        {
            const unsigned int tri[3] = {q[0], q[1 + half], q[2 + half]};
            const unsigned int base = static_cast<unsigned int>(p.size());
            for (unsigned int k = 0; k < 3; ++k)
                p.emplace_back(c[tri[k]][0], c[tri[k]][1], c[tri[k]][2]);
            t.emplace_back(base, base + 1, base + 2);
        }
}
} // namespace

TEST(MeshAnalysis, EmptyInputHasNoBoxAndNoVolume)
{
    const MeshAnalysis::Report r = analyse({}, {});
    EXPECT_EQ(r.vertices, 0u);
    EXPECT_EQ(r.faces, 0u);
    EXPECT_EQ(r.components.size(), 0u);
    EXPECT_FALSE(r.hasBoundingBox);
    EXPECT_FALSE(r.hasVolume);
    EXPECT_EQ(r.volumeUndefinedWhy, "no triangles");
    EXPECT_EQ(r.area, 0.0);
}

TEST(MeshAnalysis, RejectsIndexBeyondPositions)
{
    MeshAnalysis::Report r;
    r.faces = 99;
    EXPECT_FALSE(MeshAnalysis::analyse({{0, 0, 0}, {1, 0, 0}}, {{0, 1, 2}}, r));
    EXPECT_EQ(r.faces, 0u);
}

//  2
//  | \      one triangle: a disc with one boundary loop
//  0---1
TEST(MeshAnalysis, OneTriangleIsADisc)
{
    const MeshAnalysis::Report r = analyse({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    EXPECT_EQ(r.vertices, 3u);
    EXPECT_EQ(r.edges, 3u);
    EXPECT_EQ(r.boundaryEdges, 3u);
    EXPECT_EQ(r.boundaryLoops, 1u);
    EXPECT_EQ(r.eulerCharacteristic, 1);
    ASSERT_EQ(r.components.size(), 1u);
    EXPECT_TRUE(r.components[0].hasGenus);
    EXPECT_EQ(r.components[0].genus, 0);
    EXPECT_DOUBLE_EQ(r.area, 0.5);
    EXPECT_FALSE(r.hasVolume);
    EXPECT_EQ(r.volumeUndefinedWhy, "open surface: 1 boundary loop");
    EXPECT_EQ(r.boxMax, Vector3<float>(1, 1, 0));
}

TEST(MeshAnalysis, ClosedTetrahedronAndItsReverse)
{
    const MeshAnalysis::Report r = analyse(TETRA_POSITIONS, TETRA);
    EXPECT_EQ(r.edges, 6u);
    EXPECT_EQ(r.boundaryLoops, 0u);
    EXPECT_EQ(r.nonManifoldEdges + r.nonManifoldVertices + r.inconsistentEdges, 0u);
    EXPECT_EQ(r.eulerCharacteristic, 2);
    EXPECT_EQ(r.components[0].genus, 0);
    ASSERT_TRUE(r.hasVolume);
    EXPECT_NEAR(r.volume, 1.0 / 6.0, 1e-15);
    EXPECT_NEAR(r.area, 1.5 + std::sqrt(3.0) / 2.0, 1e-15);

    const MeshAnalysis::Report flipped = analyse(TETRA_POSITIONS, reversed(TETRA));
    EXPECT_NEAR(flipped.volume, -1.0 / 6.0, 1e-15);
    EXPECT_EQ(flipped.components[0].genus, 0);
}

TEST(MeshAnalysis, RepeatedPositionsWeldLikeTheMeshes)
{
    Positions p;
    Triangles t;
    cubeWithRepeatedPositions(p, t);
    p[0] = Vector3<float>(-0.0f, 0.0f, -0.0f);              // still the corner (0, 0, 0)
    p.emplace_back(5.0f, 5.0f, 5.0f);                       // used by no triangle
    p.emplace_back(std::nextafter(1.0f, 2.0f), 1.0f, 1.0f); // neither
    const MeshAnalysis::Report r = analyse(p, t);
    EXPECT_EQ(r.positions, 38u);
    EXPECT_EQ(r.vertices, 8u);
    EXPECT_EQ(r.isolatedVertices, 2u);
    EXPECT_EQ(r.edges, 18u);
    EXPECT_EQ(r.components[0].genus, 0);
    ASSERT_TRUE(r.hasVolume);
    EXPECT_DOUBLE_EQ(r.volume, 1.0);
    EXPECT_DOUBLE_EQ(r.area, 6.0);
    EXPECT_EQ(r.boxMin, Vector3<float>(0, 0, 0)); // the isolated positions are not in it
    EXPECT_EQ(r.boxMax, Vector3<float>(1, 1, 1));
}

TEST(MeshAnalysis, TorusHasGenusOne)
{
    Positions p;
    Triangles t;
    torus(6, 5, p, t);
    const MeshAnalysis::Report r = analyse(p, t);
    EXPECT_EQ(r.eulerCharacteristic, 0);
    ASSERT_EQ(r.components.size(), 1u);
    EXPECT_TRUE(r.components[0].hasGenus);
    EXPECT_EQ(r.components[0].genus, 1);
    ASSERT_TRUE(r.hasVolume);
    EXPECT_GT(r.volume, 0.0);
}

TEST(MeshAnalysis, GenusIsPerComponent)
{
    Positions p = TETRA_POSITIONS;
    Triangles t = TETRA;
    const unsigned int offset = static_cast<unsigned int>(p.size());
    Positions tp;
    Triangles tt;
    torus(4, 4, tp, tt);
    for (const Vector3<float>& q : tp)
        p.push_back(q + Vector3<float>(10, 0, 0));
    for (const Vector3<unsigned int>& f : tt)
        t.push_back(f + Vector3<unsigned int>(offset, offset, offset));
    t.emplace_back(0, 1, 2); // a third copy of the tetrahedron's base
    t.push_back(TETRA[0]);
    const MeshAnalysis::Report r = analyse(p, t);
    ASSERT_EQ(r.components.size(), 2u);
    EXPECT_EQ(r.components[0].faces, 6u);
    EXPECT_FALSE(r.components[0].hasGenus);
    EXPECT_EQ(r.components[0].genusUndefinedWhy, "3 non-manifold edges");
    EXPECT_EQ(r.components[1].faces, 32u);
    EXPECT_EQ(r.components[1].genus, 1);
    EXPECT_EQ(r.components[0].eulerCharacteristic, 4);
    EXPECT_EQ(r.eulerCharacteristic, 4); // the torus adds 0
    EXPECT_EQ(r.duplicateTriangles, 2u); // (0 1 2) and (0 2 1) both repeat face 0's corners
    EXPECT_FALSE(r.hasVolume);
    EXPECT_EQ(r.volumeUndefinedWhy, "3 non-manifold edges");
}

//  3---2---5
//  | / | \ |    a fourth triangle hung on edge 1-2 makes it non-manifold
//  0---1---4
TEST(MeshAnalysis, ThreeTrianglesOnAnEdge)
{
    const Positions p = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0},   {0, 1, 0},
                         {2, 0, 0}, {2, 1, 0}, {1, 0.5f, 1}};
    const Triangles t = {{0, 1, 2}, {0, 2, 3}, {1, 4, 2}, {1, 6, 2}};
    const MeshAnalysis::Report r = analyse(p, t);
    EXPECT_EQ(r.nonManifoldEdges, 1u);
    EXPECT_EQ(r.edges, 9u);
    EXPECT_EQ(r.components[0].genusUndefinedWhy, "1 non-manifold edge");
    EXPECT_EQ(r.volumeUndefinedWhy, "open surface: 1 boundary loop, 1 non-manifold edge");
}

//  2       4
//  | \   / |     two triangles that share only vertex 0: two fans, two boundary loops
//  1---0---3
TEST(MeshAnalysis, BowTieHasANonManifoldVertex)
{
    const Positions p = {{0, 0, 0}, {-1, 0, 0}, {-1, 1, 0}, {1, 0, 0}, {1, 1, 0}};
    const MeshAnalysis::Report r = analyse(p, {{0, 2, 1}, {0, 3, 4}});
    EXPECT_EQ(r.nonManifoldVertices, 1u);
    EXPECT_EQ(r.nonManifoldEdges, 0u);
    EXPECT_EQ(r.boundaryLoops, 2u);
    EXPECT_EQ(r.components.size(), 1u);
    EXPECT_EQ(r.components[0].genusUndefinedWhy, "1 non-manifold vertex");
}

TEST(MeshAnalysis, FlippedTriangleBreaksOrientation)
{
    Triangles t = TETRA;
    std::swap(t[3][1], t[3][2]);
    const MeshAnalysis::Report r = analyse(TETRA_POSITIONS, t);
    EXPECT_EQ(r.inconsistentEdges, 3u);
    EXPECT_EQ(r.nonManifoldEdges, 0u);
    EXPECT_EQ(r.components[0].genusUndefinedWhy, "3 inconsistently oriented edges");
    EXPECT_EQ(r.volumeUndefinedWhy, "3 inconsistently oriented edges");
}

// A strip of four squares closed with a half twist: no orientation fits.
TEST(MeshAnalysis, MoebiusStripIsNotOrientable)
{
    Positions p;
    const float pi = 3.14159265f;
    const unsigned int n = 8;
    for (unsigned int i = 0; i < n; ++i)
    {
        const float a = 2 * pi * i / n, w = 0.3f * std::cos(a / 2), h = 0.3f * std::sin(a / 2);
        p.emplace_back((1 + w) * std::cos(a), (1 + w) * std::sin(a), h);
        p.emplace_back((1 - w) * std::cos(a), (1 - w) * std::sin(a), -h);
    }
    Triangles t;
    for (unsigned int i = 0; i < n; ++i)
    {
        const unsigned int a = 2 * i, b = 2 * i + 1;
        // The last square joins the first with top and bottom swapped.
        const unsigned int c = i + 1 < n ? 2 * (i + 1) : 1, d = i + 1 < n ? 2 * (i + 1) + 1 : 0;
        t.emplace_back(a, b, d);
        t.emplace_back(a, d, c);
    }
    const MeshAnalysis::Report r = analyse(p, t);
    EXPECT_EQ(r.nonManifoldEdges, 0u);
    EXPECT_GT(r.inconsistentEdges, 0u);
    EXPECT_EQ(r.boundaryLoops, 1u); // a Moebius strip has one boundary curve
    EXPECT_FALSE(r.components[0].hasGenus);
}

TEST(MeshAnalysis, DegenerateAndRepeatedCornerTriangles)
{
    const Positions p = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {0, 0, 0}};
    // 0: collinear, 1: two corners on one vertex through welding, 2: ordinary
    const MeshAnalysis::Report r = analyse(p, {{0, 1, 2}, {4, 0, 3}, {1, 0, 3}});
    EXPECT_EQ(r.degenerateTriangles, 2u);
    EXPECT_EQ(r.repeatedCornerTriangles, 1u);
    EXPECT_EQ(r.vertices, 4u);
    // Triangle 1 runs along 0-3 both ways, so that edge has no orientation either.
    EXPECT_EQ(r.components[0].genusUndefinedWhy,
              "1 triangle with repeated corners, 1 inconsistently oriented edge");
    EXPECT_DOUBLE_EQ(r.area, 0.5);
}

//  3-------2
//  | 7---6 |
//  | |   | |    an annulus: one component, two boundary loops, genus 0
//  | 4---5 |
//  0-------1
TEST(MeshAnalysis, AnnulusHasTwoBoundaryLoops)
{
    const Positions p = {{0, 0, 0}, {3, 0, 0}, {3, 3, 0}, {0, 3, 0},
                         {1, 1, 0}, {2, 1, 0}, {2, 2, 0}, {1, 2, 0}};
    Triangles t;
    for (unsigned int i = 0; i < 4; ++i)
    {
        const unsigned int j = (i + 1) % 4;
        t.emplace_back(i, j, j + 4);
        t.emplace_back(i, j + 4, i + 4);
    }
    const MeshAnalysis::Report r = analyse(p, t);
    EXPECT_EQ(r.boundaryLoops, 2u);
    EXPECT_EQ(r.eulerCharacteristic, 0);
    EXPECT_EQ(r.components[0].genus, 0);
    EXPECT_DOUBLE_EQ(r.area, 8.0);
}

namespace
{
class ObjIOProbe : public ObjIO
{
public:
    using ObjIO::loadData;
};

class CountingMesh : public Mesh
{
public:
    void draw() override {}
    bool addTriangle(const Vector3<float>&, const Vector3<float>&, const Vector3<float>&) override
    {
        return true;
    }
    float curvature(unsigned int, const Vector3<float>&) override { return 0.0f; }

protected:
    bool addVertex(const Vector3<float>&, unsigned int&) override { return false; }
    bool findNeighbourTriangles(unsigned int, std::vector<unsigned int>&) const override
    {
        return false;
    }
};
} // namespace

TEST(MeshAnalysis, BunnyIsAClosedSphere)
{
    std::ifstream in("Objs/bunnySmall.obj");
    ObjIOProbe reader;
    CountingMesh mesh;
    ASSERT_TRUE(reader.load(&mesh, in));
    const MeshAnalysis::Report r = analyse(reader.loadData.verts, reader.loadData.tris);
    EXPECT_EQ(r.vertices, 1839u);
    EXPECT_EQ(r.faces, 3674u);
    EXPECT_EQ(r.edges, 5511u);
    EXPECT_EQ(r.boundaryLoops, 0u);
    EXPECT_EQ(r.components.size(), 1u);
    EXPECT_EQ(r.degenerateTriangles + r.duplicateTriangles + r.nonManifoldVertices, 0u);
    EXPECT_EQ(r.components[0].genus, 0);
    ASSERT_TRUE(r.hasVolume);
    EXPECT_GT(r.volume, 0.0);
}
