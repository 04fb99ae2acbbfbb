#include "SimpleMesh.h"

#include "ObjIO.h"
#include "tests/RecordingGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace
{
using V3 = Vector3<float>;

class SimpleMeshProbe : public SimpleMesh
{
public:
    using SimpleMesh::addVertex;
    using SimpleMesh::curvatureArray;
    using SimpleMesh::findNeighbourTriangles;
    using SimpleMesh::mFaces;
    using SimpleMesh::mMaxCurv;
    using SimpleMesh::mMinCurv;
    using SimpleMesh::mNormals;
    using SimpleMesh::mUniqueVerts;
    using SimpleMesh::mVerts;
};

const char* const SIGNATURE =
    "virtual float SimpleMesh::curvature(unsigned int, const Vector3<float>&)";

bool sameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameBits(const V3& a, const V3& b)
{
    return std::memcmp(a.v, b.v, sizeof a.v) == 0;
}

void expectVec(const V3& actual, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(actual[0], x);
    EXPECT_FLOAT_EQ(actual[1], y);
    EXPECT_FLOAT_EQ(actual[2], z);
}

// The regular icosahedron inscribed in the unit sphere, every face wound counter-clockwise
// seen from outside; `scale` multiplies the positions.
void buildIcosahedron(SimpleMesh& mesh, float scale = 1.0f, bool inward = false)
{
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    const double r = std::sqrt(1.0 + phi * phi);
    std::vector<V3> p;
    for (double a : {-1.0, 1.0})
    {
        for (double b : {-phi, phi})
        {
            p.emplace_back(0.0f, float(a / r), float(b / r));
            p.emplace_back(float(a / r), float(b / r), 0.0f);
            p.emplace_back(float(b / r), 0.0f, float(a / r));
        }
    }
    const double edge = 2.0 / r;
    auto adjacent = [&](const V3& a, const V3& b)
    { return std::fabs(double((a - b).length()) - edge) < 1e-4; };
    for (std::size_t i = 0; i < p.size(); i++)
        for (std::size_t j = i + 1; j < p.size(); j++)
            for (std::size_t k = j + 1; k < p.size(); k++)
            {
                if (!adjacent(p[i], p[j]) || !adjacent(p[j], p[k]) || !adjacent(p[i], p[k]))
                    continue;
                const V3 centre = p[i] + p[j] + p[k];
                const bool outward = cross(p[j] - p[i], p[k] - p[i]) * centre > 0.0f;
                if (outward != inward)
                    mesh.addTriangle(p[i] * scale, p[j] * scale, p[k] * scale);
                else
                    mesh.addTriangle(p[i] * scale, p[k] * scale, p[j] * scale);
            }
}

// Vertex normals and curvature written straight from their definitions: a full face scan
// per vertex and an ordered set of ring positions. The mesh under test must agree to the
// bit. Like the mesh, it gives a face or vertex without direction the normal (0, 0, 0) and
// a zero area no curvature (the double fallback for tiny faces is not modelled).
struct Reference
{
    const std::vector<V3>& verts;
    const std::vector<SimpleMesh::Face>& faces;

    std::vector<unsigned int> facesAround(unsigned int v) const
    {
        std::vector<unsigned int> out;
        for (unsigned int f = 0; f < faces.size(); f++)
            if (faces[f].v1 == v || faces[f].v2 == v || faces[f].v3 == v)
                out.push_back(f);
        return out;
    }

    V3 vertexNormal(unsigned int v) const
    {
        V3 n(0.0f, 0.0f, 0.0f);
        for (unsigned int f : facesAround(v))
        {
            V3 fn = cross(verts[faces[f].v2] - verts[faces[f].v1],
                          verts[faces[f].v3] - verts[faces[f].v1]);
            fn.normalize();
            if (std::isfinite(fn[0]) && std::isfinite(fn[1]) && std::isfinite(fn[2]))
                n += fn;
        }
        n.normalize();
        return std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]) ? n : V3();
    }

    // NaN where a consistency check fails; `failed` names the first failing check.
    float curvature(unsigned int vi, const V3& n, std::string& failed) const
    {
        failed.clear();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        auto fail = [&](const char* check)
        {
            failed = check;
            return nan;
        };
        const std::vector<unsigned int> tris = facesAround(vi);
        if (tris.empty())
            return fail("neighbourTriangles.size() != 0");
        const V3 v = verts[vi];
        std::set<V3> local;
        for (unsigned int f : tris)
        {
            local.insert(verts[faces[f].v1]);
            local.insert(verts[faces[f].v2]);
            local.insert(verts[faces[f].v3]);
        }
        if (local.size() != tris.size() + 1)
            return fail("localVertexList.size() == neighbourTriangles.size()+1");
        V3 curv(0.0f, 0.0f, 0.0f);
        float avor = 0.0f;
        for (const V3& lv : local)
        {
            if (lv == v)
                continue;
            std::vector<V3> nb;
            for (unsigned int f : tris)
            {
                bool hasV = false;
                bool hasL = false;
                V3 other(0.0f, 0.0f, 0.0f);
                for (unsigned int c : {faces[f].v1, faces[f].v2, faces[f].v3})
                {
                    if (verts[c] == v)
                        hasV = true;
                    else if (verts[c] == lv)
                        hasL = true;
                    else
                        other = verts[c];
                }
                if (hasV && hasL)
                    nb.push_back(other);
            }
            if (nb.size() != 2)
                return fail("neighbourVertices.size() == 2");
            if (nb[0] == nb[1])
                return fail("neighbourVertices[0] != neighbourVertices[1]");
            if (nb[0] == v)
                return fail("neighbourVertices[0] != v");
            if (nb[0] == lv)
                return fail("neighbourVertices[0] != localV");
            if (nb[1] == v)
                return fail("neighbourVertices[1] != v");
            if (nb[1] == lv)
                return fail("neighbourVertices[1] != localV");
            float angle[2];
            for (int i = 0; i < 2; i++)
            {
                V3 a = v - nb[i];
                V3 b = lv - nb[i];
                angle[i] = std::acos(a.normalize() * b.normalize());
                if (!(angle[i] >= 0.0))
                    return fail("angle[i] >= 0.0");
                if (!(double(angle[i]) <= 3.14159265358979323846))
                    return fail("angle[i] <= 3.14159265358979323846");
            }
            const V3 res = v - lv;
            const double w = 1.0 / double(std::tan(angle[0])) + 1.0 / double(std::tan(angle[1]));
            curv += res * w;
            avor = float(double(avor) + ((w * 0.125) * double(res.length())) * res.length());
        }
        if (avor == 0.0f)
            return fail("Avor != 0");
        curv *= 1.0 / (4.0 * double(avor));
        const float mag = curv.length();
        V3 locn = n;
        return curv.normalize() * locn.normalize() < 0.0f ? -mag : mag;
    }
};

std::vector<GLCall> callsNamed(const char* name)
{
    std::vector<GLCall> out;
    for (const GLCall& c : recordedGLCalls())
        if (c.name == name)
            out.push_back(c);
    return out;
}

void expectArgs(const GLCall& call, float a, float b, float c)
{
    ASSERT_EQ(call.args.size(), 3u) << call.name;
    EXPECT_FLOAT_EQ(call.args[0], a) << call.name;
    EXPECT_FLOAT_EQ(call.args[1], b) << call.name;
    EXPECT_FLOAT_EQ(call.args[2], c) << call.name;
}

std::vector<unsigned int> corners(const SimpleMesh::Face& f)
{
    return {f.v1, f.v2, f.v3};
}

bool loadObj(SimpleMesh& mesh, const std::string& path)
{
    std::ifstream in(path);
    ObjIO reader;
    return in && reader.load(&mesh, in);
}
} // namespace

// ---------------------------------------------------------------- welding

//  C---D
//  | / |   A B C, then B D C sharing the edge B-C; then A B C again; then a repeated corner
//  A---B
TEST(SimpleMeshWelding, SharedCornersGetExistingIndicesAndNothingIsRejected)
{
    SimpleMeshProbe mesh;
    EXPECT_TRUE(mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
    EXPECT_TRUE(mesh.addTriangle({1, 0, 0}, {1, 1, 0}, {0, 1, 0}));
    EXPECT_TRUE(mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}));
    EXPECT_TRUE(mesh.addTriangle({2, 2, 2}, {2, 2, 2}, {0, 1, 0}));
    EXPECT_EQ(mesh.getVerts(),
              (std::vector<V3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 2}}));
    ASSERT_EQ(mesh.getTris().size(), 4u);
    EXPECT_EQ(corners(mesh.getTris()[0]), (std::vector<unsigned int>{0, 1, 2}));
    EXPECT_EQ(corners(mesh.getTris()[1]), (std::vector<unsigned int>{1, 3, 2}));
    EXPECT_EQ(corners(mesh.getTris()[2]), (std::vector<unsigned int>{0, 1, 2}));
    EXPECT_EQ(corners(mesh.getTris()[3]), (std::vector<unsigned int>{4, 4, 2}));
    ASSERT_EQ(mesh.mUniqueVerts.size(), mesh.mVerts.size());
    for (unsigned int i = 0; i < mesh.mVerts.size(); i++)
        EXPECT_EQ(mesh.mUniqueVerts.at(mesh.mVerts[i]), i);
}

TEST(SimpleMeshWelding, ExactPositionsOnlyAndSignedZerosWeld)
{
    SimpleMeshProbe mesh;
    unsigned int first = 99;
    unsigned int again = 99;
    unsigned int near = 99;
    EXPECT_TRUE(mesh.addVertex({0.0f, 0.0f, 0.0f}, first));
    EXPECT_FALSE(mesh.addVertex({-0.0f, 0.0f, -0.0f}, again));
    EXPECT_EQ(again, first);
    EXPECT_TRUE(mesh.addVertex({std::nextafter(0.0f, 1.0f), 0.0f, 0.0f}, near));
    EXPECT_EQ(near, 1u);
    EXPECT_TRUE(std::signbit(mesh.mVerts[0][0]) == false) << "the first position is kept";

    unsigned int one = 99;
    unsigned int oneAgain = 99;
    mesh.addVertex({1.0f, 2.0f, 3.0f}, one);
    EXPECT_FALSE(mesh.addVertex({1.0f, 2.0f, 3.0f}, oneAgain));
    EXPECT_EQ(oneAgain, one);
    EXPECT_TRUE(mesh.addVertex({1.0f, 2.0f, std::nextafter(3.0f, 4.0f)}, oneAgain));
    EXPECT_EQ(mesh.mVerts.size(), 4u);
}

// ---------------------------------------------------------------- neighbour faces

TEST(SimpleMeshNeighbours, AscendingFacesEachOnceAndRefreshedAfterAdding)
{
    SimpleMeshProbe mesh;
    const V3 shared(5, 5, 5);
    mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0}); // 0
    mesh.addTriangle({0, 0, 1}, {1, 0, 1}, {0, 1, 1}); // 1
    mesh.addTriangle({0, 0, 2}, shared, {0, 1, 2});    // 2
    mesh.addTriangle({0, 0, 3}, {1, 0, 3}, {0, 1, 3}); // 3
    mesh.addTriangle({0, 0, 4}, {1, 0, 4}, {0, 1, 4}); // 4
    mesh.addTriangle(shared, {1, 0, 5}, shared);       // 5: names it twice
    const unsigned int v = mesh.mUniqueVerts.at(shared);

    std::vector<unsigned int> found = {42, 43};
    EXPECT_TRUE(mesh.findNeighbourTriangles(v, found));
    EXPECT_EQ(found, (std::vector<unsigned int>{2, 5}));

    mesh.addTriangle({9, 9, 9}, shared, {8, 8, 8}); // 6: the index must see it
    EXPECT_TRUE(mesh.findNeighbourTriangles(v, found));
    EXPECT_EQ(found, (std::vector<unsigned int>{2, 5, 6}));

    EXPECT_FALSE(mesh.findNeighbourTriangles(static_cast<unsigned int>(mesh.mVerts.size()), found));
    EXPECT_TRUE(found.empty());
    SimpleMeshProbe empty;
    EXPECT_FALSE(empty.findNeighbourTriangles(0, found));
}

// ---------------------------------------------------------------- normals

TEST(SimpleMeshNormals, FaceNormalFollowsWinding)
{
    SimpleMeshProbe ccw;
    ccw.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    ccw.calculateFaceNormals();
    ASSERT_EQ(ccw.getNormals().size(), 1u);
    EXPECT_EQ(ccw.getNormals()[0], V3(0, 0, 1));

    SimpleMeshProbe cw;
    cw.addTriangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    cw.calculateFaceNormals();
    EXPECT_EQ(cw.getNormals()[0], V3(0, 0, -1));
    EXPECT_EQ(cw.getShadingFlag(), Mesh::SMOOTH_SHADING);
}

TEST(SimpleMeshNormals, FlatSquareAndEqualWeightsRegardlessOfArea)
{
    SimpleMeshProbe square;
    square.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    square.addTriangle({1, 0, 0}, {1, 1, 0}, {0, 1, 0});
    square.calculateVertexNormals();
    ASSERT_EQ(square.mNormals.size(), 4u);
    for (const V3& n : square.mNormals)
        EXPECT_EQ(n, V3(0, 0, 1));

    // A large face in the plane z = 0 and a tiny one in the plane x = 0 share the origin.
    SimpleMeshProbe corner;
    corner.addTriangle({0, 0, 0}, {10, 0, 0}, {0, 10, 0});     // normal (0, 0, 1)
    corner.addTriangle({0, 0, 0}, {0, 0.1f, 0}, {0, 0, 0.1f}); // normal (1, 0, 0)
    corner.calculateVertexNormals();
    const float h = 1.0f / std::sqrt(2.0f);
    expectVec(corner.mNormals[0], h, 0.0f, h);
}

TEST(SimpleMeshNormals, DegenerateAndTinyFacesGiveDefinedNormals)
{
    SimpleMeshProbe mesh;
    mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {2, 0, 0});           // collinear: no direction
    mesh.addTriangle({5, 5, 5}, {5, 5, 5}, {6, 5, 5});           // repeated corner
    mesh.addTriangle({0, 0, 7}, {1e-25f, 0, 7}, {0, 1e-25f, 7}); // squares underflow
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.mNormals[1], V3(0, 0, 0));
    EXPECT_EQ(mesh.mNormals[2], V3(0, 0, 0));
    EXPECT_EQ(mesh.mNormals[3], V3(0, 0, 1));

    mesh.calculateVertexNormals();
    ASSERT_EQ(mesh.mNormals.size(), mesh.mVerts.size());
    EXPECT_EQ(mesh.mNormals[0], V3(0, 0, 1)) << "the collinear face adds nothing";
    EXPECT_EQ(mesh.mNormals[mesh.mUniqueVerts.at({2, 0, 0})], V3(0, 0, 0));
    EXPECT_EQ(mesh.mNormals[mesh.mUniqueVerts.at({5, 5, 5})], V3(0, 0, 0));
}

// ---------------------------------------------------------------- curvature

TEST(SimpleMeshCurvature, IcosahedronIsTheUnitSphere)
{
    SimpleMeshProbe mesh;
    buildIcosahedron(mesh);
    ASSERT_EQ(mesh.mVerts.size(), 12u);
    ASSERT_EQ(mesh.mFaces.size(), 20u);
    SimpleMeshProbe big;
    buildIcosahedron(big, 2.0f);
    SimpleMeshProbe inward;
    buildIcosahedron(inward, 1.0f, true);

    for (unsigned int i = 0; i < 12; i++)
    {
        SCOPED_TRACE(i);
        const V3 out = mesh.mVerts[i];
        EXPECT_NEAR(mesh.curvature(i, out), 1.0f, 4 * std::numeric_limits<float>::epsilon());
        EXPECT_NEAR(mesh.curvature(i, -out), -1.0f, 4 * std::numeric_limits<float>::epsilon());
        EXPECT_NEAR(big.curvature(i, big.mVerts[i]), 0.5f,
                    2 * std::numeric_limits<float>::epsilon());
        // The winding of the faces does not enter the sign, only n does.
        const unsigned int j = inward.mUniqueVerts.at(out);
        EXPECT_EQ(inward.curvature(j, out), mesh.curvature(i, out));
    }
}

//      (0,1)
//   (-1,0) + (1,0)    four triangles around the origin in the plane z = 0
//      (0,-1)
TEST(SimpleMeshCurvature, FlatFanIsPositiveZeroEitherWay)
{
    SimpleMeshProbe mesh;
    const V3 c(0, 0, 0);
    const V3 ring[4] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}};
    for (int i = 0; i < 4; i++)
        mesh.addTriangle(c, ring[i], ring[(i + 1) % 4]);
    for (const V3& n : {V3(0, 0, 1), V3(0, 0, -1)})
    {
        const float k = mesh.curvature(0, n);
        EXPECT_EQ(k, 0.0f);
        EXPECT_FALSE(std::signbit(k));
    }
}

TEST(SimpleMeshCurvature, CalcCurvBoundsOnConvexAndAllNegativeMeshes)
{
    SimpleMeshProbe mesh;
    buildIcosahedron(mesh, 3.0f);
    mesh.calculateVertexNormals();
    mesh.calcCurv();
    ASSERT_EQ(mesh.curvatureArray.size(), 12u);
    float lo = mesh.curvatureArray[0];
    float hi = lo;
    for (float k : mesh.curvatureArray)
    {
        EXPECT_GT(k, 0.0f);
        lo = std::min(lo, k);
        hi = std::max(hi, k);
    }
    EXPECT_EQ(mesh.mMinCurv, lo);
    EXPECT_EQ(mesh.mMaxCurv, hi);
    EXPECT_NEAR(hi, 1.0f / 3.0f, 1e-6f);

    for (V3& n : mesh.mNormals)
        n = -n;
    mesh.calcCurv();
    EXPECT_EQ(mesh.mMaxCurv, 1.1754944e-38f);
    EXPECT_EQ(mesh.mMinCurv, -hi);
}

TEST(SimpleMeshCurvature, BoundaryVertexIsNaNWithOneMessage)
{
    SimpleMeshProbe mesh;
    mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    mesh.calculateVertexNormals();

    testing::internal::CaptureStderr();
    const float k = mesh.curvature(1, {0, 0, 1});
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::isnan(k));
    EXPECT_NE(err.find("localVertexList.size() == neighbourTriangles.size()+1"), std::string::npos)
        << err;
    EXPECT_NE(err.find(SIGNATURE), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "one line";

    testing::internal::CaptureStderr();
    mesh.calcCurv();
    const std::string all = testing::internal::GetCapturedStderr();
    ASSERT_EQ(mesh.curvatureArray.size(), 3u);
    for (float c : mesh.curvatureArray)
        EXPECT_TRUE(std::isnan(c));
    EXPECT_EQ(mesh.mMinCurv, 3.4028235e38f);
    EXPECT_EQ(mesh.mMaxCurv, 1.1754944e-38f);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 3);

    testing::internal::CaptureStderr();
    EXPECT_TRUE(std::isnan(mesh.curvature(3, {0, 0, 1})));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("neighbourTriangles.size() != 0"),
              std::string::npos);
}

TEST(SimpleMeshCurvature, CalcCurvWithoutVertexNormalsSaysSo)
{
    SimpleMeshProbe mesh;
    buildIcosahedron(mesh);
    mesh.calculateFaceNormals();
    testing::internal::CaptureStderr();
    mesh.calcCurv();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("calculateVertexNormals()"),
              std::string::npos);
    EXPECT_TRUE(mesh.curvatureArray.empty());
}

// Scanned meshes have obtuse and skinny triangles, where negative cotangents enter; the
// values must still match the definition bit for bit.
TEST(SimpleMeshCurvature, BunnyMatchesTheDefinitionBitForBit)
{
    SimpleMeshProbe mesh;
    ASSERT_TRUE(loadObj(mesh, "Objs/bunnySmall.obj"));
    ASSERT_EQ(mesh.mVerts.size(), 1839u);
    ASSERT_EQ(mesh.mFaces.size(), 3674u);
    mesh.calculateVertexNormals();
    testing::internal::CaptureStderr();
    mesh.calcCurv();
    const std::string err = testing::internal::GetCapturedStderr();

    const Reference ref{mesh.mVerts, mesh.mFaces};
    unsigned int nans = 0;
    ASSERT_EQ(mesh.curvatureArray.size(), mesh.mVerts.size());
    for (unsigned int i = 0; i < mesh.mVerts.size(); i++)
    {
        SCOPED_TRACE(i);
        ASSERT_TRUE(sameBits(mesh.mNormals[i], ref.vertexNormal(i)));
        const float k = mesh.curvatureArray[i];
        std::string failed;
        const float expected = ref.curvature(i, mesh.mNormals[i], failed);
        if (std::isnan(expected))
            EXPECT_TRUE(std::isnan(k));
        else
            EXPECT_TRUE(sameBits(k, expected)) << k << " vs " << expected;
        EXPECT_FALSE(std::isinf(k));
        nans += std::isnan(k) ? 1 : 0;
    }
    EXPECT_EQ(static_cast<unsigned int>(std::count(err.begin(), err.end(), '\n')), nans);
    // Closed, every edge on two faces, no degenerate triangle: a value at every vertex.
    EXPECT_EQ(nans, 0u);
    RecordProperty("NaNCurvatures", static_cast<int>(nans));
}

// An octahedron with its faces in random order, corners rotated and winding flipped at
// random, plus up to four stray triangles on its corners, its centre and a far point:
// duplicate, reversed, degenerate and fin triangles and edges on one to many faces. Every
// vertex gets the definition's value, or NaN with exactly one message, and nothing reads
// outside an array (sanitizer build).
TEST(SimpleMeshCurvature, RandomSoupsMatchTheDefinition)
{
    const V3 points[8] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0},
                          {0, 0, 1}, {0, 0, -1}, {0, 0, 0}, {1, 1, 1}};
    const unsigned int octahedron[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                           {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    std::mt19937 random(20240607u);
    unsigned int finite = 0;
    unsigned int failed = 0;
    for (int round = 0; round < 400; round++)
    {
        SCOPED_TRACE(round);
        SimpleMeshProbe mesh;
        unsigned int order[8] = {0, 1, 2, 3, 4, 5, 6, 7};
        std::shuffle(order, order + 8, random);
        for (unsigned int f : order)
        {
            const unsigned int r = random() % 3;
            const unsigned int* c = octahedron[f];
            if (random() % 2)
                mesh.addTriangle(points[c[r]], points[c[(r + 1) % 3]], points[c[(r + 2) % 3]]);
            else
                mesh.addTriangle(points[c[r]], points[c[(r + 2) % 3]], points[c[(r + 1) % 3]]);
        }
        const unsigned int strays = random() % 5;
        for (unsigned int t = 0; t < strays; t++)
            mesh.addTriangle(points[random() % 8], points[random() % 8], points[random() % 8]);

        mesh.calculateVertexNormals();
        testing::internal::CaptureStderr();
        mesh.calcCurv();
        const std::string err = testing::internal::GetCapturedStderr();

        const Reference ref{mesh.mVerts, mesh.mFaces};
        ASSERT_EQ(mesh.curvatureArray.size(), mesh.mVerts.size());
        long nans = 0;
        std::string expectedErr;
        for (unsigned int i = 0; i < mesh.mVerts.size(); i++)
        {
            EXPECT_TRUE(sameBits(mesh.mNormals[i], ref.vertexNormal(i))) << "vertex " << i;
            const float k = mesh.curvatureArray[i];
            std::string failed;
            const float expected = ref.curvature(i, mesh.mNormals[i], failed);
            if (!failed.empty())
                expectedErr += std::string(SIGNATURE) + ": check \"" + failed +
                               "\" failed at vertex " + std::to_string(i) + "\n";
            EXPECT_TRUE(std::isnan(k) ? std::isnan(expected) : sameBits(k, expected))
                << "vertex " << i << ": " << k << " vs " << expected;
            nans += std::isnan(k) ? 1 : 0;
            finite += std::isfinite(k) ? 1 : 0;
        }
        failed += nans;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), nans);
        EXPECT_EQ(err, expectedErr);

        clearGLCalls();
        mesh.draw();
        EXPECT_EQ(callsNamed("glVertex3f").size(), 3 * mesh.mFaces.size());
    }
    // Both outcomes must have been exercised for the comparison to mean something.
    EXPECT_GT(finite, 100u);
    EXPECT_GT(failed, 100u);
}

// ---------------------------------------------------------------- drawing

TEST(SimpleMeshDraw, FlatColoursEachTriangleByItsFaceNormal)
{
    SimpleMeshProbe mesh;
    mesh.addTriangle({0, 0, 0}, {0, 1, 0}, {1, 0, 0});
    mesh.setTransform(Matrix4x4<float>::translation(1, 2, 3));
    mesh.calculateFaceNormals();
    clearGLCalls();
    mesh.draw();
    EXPECT_EQ(recordedGLNames(),
              (std::vector<std::string>{"glMatrixMode", "glPushMatrix", "glLoadMatrixf", "glBegin",
                                        "glColor3f", "glNormal3f", "glVertex3f", "glVertex3f",
                                        "glVertex3f", "glEnd", "glPopMatrix"}));
    const std::vector<GLCall>& calls = recordedGLCalls();
    EXPECT_EQ(calls[0].args[0], float(GL_MODELVIEW));
    EXPECT_EQ(calls[2].args[12], 1.0f);
    EXPECT_EQ(calls[2].args[14], 3.0f);
    EXPECT_EQ(calls[3].args[0], float(GL_TRIANGLES));
    expectArgs(calls[4], 0.5f, 0.5f, 0.0f);
    expectArgs(calls[5], 0.0f, 0.0f, -1.0f);
    expectArgs(calls[8], 1.0f, 0.0f, 0.0f);
}

TEST(SimpleMeshDraw, SmoothColoursEachCornerByNormalWithoutCurvature)
{
    SimpleMeshProbe mesh;
    mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    mesh.addTriangle({0, 0, 0}, {0, 0, 1}, {1, 0, 0}); // normal (0, 1, 0)
    mesh.calculateVertexNormals();
    clearGLCalls();
    mesh.draw();
    const std::vector<GLCall> colors = callsNamed("glColor3f");
    const std::vector<GLCall> normals = callsNamed("glNormal3f");
    ASSERT_EQ(colors.size(), 6u);
    ASSERT_EQ(normals.size(), 6u);
    // The corner (0, 1, 0) of the first face only touches it: normal (0, 0, 1).
    expectArgs(normals[2], 0.0f, 0.0f, 1.0f);
    expectArgs(colors[2], 0.5f, 0.5f, 1.0f);
    // The corner (0, 0, 1) of the second face only touches it: normal (0, 1, 0).
    expectArgs(normals[4], 0.0f, 1.0f, 0.0f);
    expectArgs(colors[4], 0.5f, 1.0f, 0.5f);
    // The origin is in both, with equal weight.
    const float h = 1.0f / std::sqrt(2.0f);
    expectArgs(normals[0], 0.0f, h, h);
    expectArgs(colors[0], 0.5f, (h + 1.0f) / 2.0f, (h + 1.0f) / 2.0f);
    EXPECT_EQ(recordedGLNames()[4], "glColor3f");
    EXPECT_EQ(recordedGLNames()[5], "glNormal3f");
    EXPECT_EQ(recordedGLNames()[6], "glVertex3f");
}

TEST(SimpleMeshDraw, SmoothColoursByCurvatureAndNaNIsBlack)
{
    SimpleMeshProbe mesh;
    buildIcosahedron(mesh);
    mesh.calculateVertexNormals();
    mesh.calcCurv();
    mesh.curvatureArray[mesh.mFaces[0].v2] = std::numeric_limits<float>::quiet_NaN();
    clearGLCalls();
    mesh.draw();
    const std::vector<GLCall> colors = callsNamed("glColor3f");
    ASSERT_EQ(colors.size(), 60u);
    expectArgs(colors[0], 0.0f, 0.0f, (1.0f / 6.0f) * 2.0f); // curvature 1 of [-3, 3]
    expectArgs(colors[1], 0.0f, 0.0f, 0.0f);
}

TEST(SimpleMeshDraw, BareWithoutUsableNormals)
{
    SimpleMeshProbe mesh;
    buildIcosahedron(mesh);
    clearGLCalls();
    mesh.draw(); // no normals yet
    EXPECT_EQ(callsNamed("glVertex3f").size(), 60u);
    EXPECT_TRUE(callsNamed("glColor3f").empty());
    EXPECT_TRUE(callsNamed("glNormal3f").empty());

    // Flat shading asked for, but only 12 vertex normals for 20 faces.
    mesh.calculateVertexNormals();
    mesh.setShadingFlag(Mesh::FLAT_SHADING);
    clearGLCalls();
    mesh.draw();
    EXPECT_EQ(callsNamed("glVertex3f").size(), 60u);
    EXPECT_TRUE(callsNamed("glColor3f").empty());

    SimpleMeshProbe empty;
    clearGLCalls();
    empty.draw();
    EXPECT_EQ(recordedGLNames(),
              (std::vector<std::string>{"glMatrixMode", "glPushMatrix", "glLoadMatrixf", "glBegin",
                                        "glEnd", "glPopMatrix"}));
}

TEST(SimpleMeshDraw, EqualCountsDrawFlatWhateverTheNormals)
{
    // Three vertices, three faces (two repeat the first): vertex normals look like face
    // normals to the count test.
    SimpleMeshProbe mesh;
    for (int i = 0; i < 3; i++)
        mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    mesh.calculateVertexNormals();
    clearGLCalls();
    mesh.draw();
    EXPECT_EQ(callsNamed("glColor3f").size(), 3u);
    EXPECT_EQ(callsNamed("glNormal3f").size(), 3u);
}
