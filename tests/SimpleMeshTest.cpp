#include "ObjIO.h"
#include "tests/RecordingGL.h"
#include "tests/TestHelpers.h"

#include "SupportCode/Matrix4x4.h"

#include <GL/gl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <random>
#include <set>
#include <tuple>

namespace
{
const std::string MODELVIEW = "MatrixMode " + std::to_string(GL_MODELVIEW),
                  BEGIN = "Begin " + std::to_string(GL_TRIANGLES);
constexpr float EPS = std::numeric_limits<float>::epsilon();

// The curvature as defined, plainly; where it has no value: NaN and the first failed check.
float plainCurvature(const SimpleMeshProbe& m, unsigned int vi, V3 n, std::string& failed)
{
    const auto& P = m.mVerts;
    const V3 v = P[vi];
    std::vector<SimpleMesh::Face> tris;
    std::set<V3> ring;
    for (const auto& f : m.mFaces)
        if (f.v1 == vi || f.v2 == vi || f.v3 == vi)
        {
            tris.push_back(f);
            ring.insert({P[f.v1], P[f.v2], P[f.v3]});
        }
    failed = tris.empty() ? "neighbourTriangles.size() != 0"
             : ring.size() != tris.size() + 1
                 ? "localVertexList.size() == neighbourTriangles.size()+1"
                 : "";
    V3 curv(0.0f, 0.0f, 0.0f);
    float avor = 0.0f;
    for (auto l = ring.begin(); l != ring.end() && failed.empty(); ++l)
    {
        if (*l == v)
            continue;
        std::vector<V3> nb; // the third corners of the faces on the edge v-l
        for (const auto& f : tris)
        {
            int has = 0;
            V3 other(0.0f, 0.0f, 0.0f);
            for (unsigned int c : {f.v1, f.v2, f.v3})
                if (P[c] == v)
                    has |= 1;
                else if (P[c] == *l)
                    has |= 2;
                else
                    other = P[c];
            if (has == 3)
                nb.push_back(other);
        }
        const bool two = nb.size() == 2;
        nb.resize(2);
        float angle[2];
        for (int i = 0; i < 2; i++)
            angle[i] = std::acos((v - nb[i]).normalize() * (*l - nb[i]).normalize());
        const std::pair<bool, const char*> checks[] = {
            {two, "neighbourVertices.size() == 2"},
            {nb[0] != nb[1], "neighbourVertices[0] != neighbourVertices[1]"},
            {nb[0] != v, "neighbourVertices[0] != v"},
            {nb[0] != *l, "neighbourVertices[0] != localV"},
            {nb[1] != v, "neighbourVertices[1] != v"},
            {nb[1] != *l, "neighbourVertices[1] != localV"},
            {angle[0] >= 0.0, "angle[i] >= 0.0"},
            {double(angle[0]) <= PI, "angle[i] <= 3.14159265358979323846"},
            {angle[1] >= 0.0, "angle[i] >= 0.0"},
            {double(angle[1]) <= PI, "angle[i] <= 3.14159265358979323846"}};
        for (auto c = std::begin(checks); c != std::end(checks) && failed.empty(); ++c)
            failed = c->first ? "" : c->second;
        const V3 res = v - *l;
        const double w = 1.0 / double(std::tan(angle[0])) + 1.0 / double(std::tan(angle[1]));
        curv += res * w;
        avor = float(double(avor) + ((w * 0.125) * double(res.length())) * res.length());
    }
    if (failed.empty() && avor == 0.0f)
        failed = "Avor != 0";
    if (!failed.empty())
        return std::numeric_limits<float>::quiet_NaN();
    curv *= 1.0 / (4.0 * double(avor));
    const float magnitude = curv.length();
    return curv.normalize() * n.normalize() < 0.0f ? -magnitude : magnitude;
}

// Normals and calcCurv bit for bit as defined, one stderr line per NaN; returns the NaNs.
long expectCurvaturesAsDefined(SimpleMeshProbe& mesh)
{
    mesh.calculateFaceNormals();
    const std::vector<V3> faceNormals = mesh.mNormals;
    mesh.calculateVertexNormals();
    for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
    {
        V3 n(0.0f, 0.0f, 0.0f);
        for (unsigned int f = 0; f < mesh.mFaces.size(); f++)
            if (const SimpleMesh::Face& c = mesh.mFaces[f]; c.v1 == v || c.v2 == v || c.v3 == v)
                n += faceNormals[f];
        n.normalize();
        n = std::isfinite(n * n) ? n : V3(0.0f, 0.0f, 0.0f);
        EXPECT_EQ(std::memcmp(n.v, mesh.mNormals[v].v, sizeof n.v), 0) << "normal of vertex " << v;
    }
    const std::string err = stderrOf([&] { mesh.calcCurv(); });
    EXPECT_EQ(mesh.curvatureArray.size(), mesh.mVerts.size());
    std::string expectedErr;
    long nans = 0;
    for (unsigned int i = 0; i < mesh.curvatureArray.size(); i++)
    {
        std::string failed;
        const float want = plainCurvature(mesh, i, mesh.mNormals[i], failed),
                    k = mesh.curvatureArray[i];
        if (!failed.empty())
            expectedErr += "virtual float SimpleMesh::curvature(unsigned int, const "
                           "Vector3<float>&): check \"" +
                           failed + "\" failed at vertex " + std::to_string(i) + "\n";
        EXPECT_TRUE(std::isnan(k) ? std::isnan(want) : std::memcmp(&k, &want, sizeof k) == 0)
            << "vertex " << i << ": " << k << " vs " << want;
        nans += std::isnan(k);
    }
    EXPECT_EQ(err, expectedErr);
    return nans;
}

// The calls between glBegin and glEnd, one letter each: c(olour), n(ormal), v(ertex).
std::string triangleCalls(SimpleMesh& mesh)
{
    std::string letters;
    for (const std::string& call : drawnCalls(mesh))
        if (call.find("3f") != std::string::npos)
            letters += char(std::tolower(call[0]));
    return letters;
}
} // namespace

//  C---D
//  | / |   A B C, then B D C sharing the edge B-C; then A B C again; then a repeated corner
//  A---B
TEST(SimpleMesh, WeldsExactlyAndListsTheFacesOfAVertex)
{
    SimpleMeshProbe mesh({{V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)},
                          {V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)},
                          {V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)},
                          {V3(2, 2, 2), V3(2, 2, 2), V3(0, 1, 0)}});
    EXPECT_EQ(mesh.getVerts(),
              (std::vector<V3>{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, 2}}));
    List corners;
    for (const SimpleMesh::Face& f : mesh.getTris())
        corners.insert(corners.end(), {f.v1, f.v2, f.v3});
    EXPECT_EQ(corners, List({0, 1, 2, 1, 3, 2, 0, 1, 2, 4, 4, 2}));

    unsigned int i = 99, j = 99, k = 99; // new or not, and the index, for each
    EXPECT_EQ(List({mesh.addVertex({-0.0f, 0.0f, -0.0f}, i), i,
                    mesh.addVertex({std::nextafter(0.0f, 1.0f), 0.0f, 0.0f}, j), j,
                    mesh.addVertex({2.0f, 2.0f, std::nextafter(2.0f, 3.0f)}, k), k}),
              List({0, 0, 1, 5, 1, 6}));
    EXPECT_FALSE(std::signbit(mesh.mVerts[0][0])) << "the first position is kept";

    // Faces around a vertex, ascending, then the answer; the list is replaced, not appended to.
    auto around = [](SimpleMeshProbe& m, unsigned int v)
    {
        List found = {42, 43};
        const bool any = m.findNeighbourTriangles(v, found);
        found.push_back(any);
        return found;
    };
    EXPECT_EQ(around(mesh, 2), List({0, 1, 2, 3, 1}));
    EXPECT_EQ(around(mesh, 4), List({3, 1}));
    mesh.addTriangle({3, 3, 3}, {2, 2, 2}, {4, 4, 4});
    EXPECT_EQ(around(mesh, 4), List({3, 4, 1}));
    EXPECT_EQ(around(mesh, 5), List({0})) << "a vertex no face uses";
    EXPECT_FALSE(around(mesh, 99).back());

    SimpleMeshProbe six;
    for (int f = 0; f < 6; f++)
        six.addTriangle({float(f), 0, 0}, {float(f), 1, 0},
                        (f == 2 || f == 5) ? V3(9, 9, 9) : V3(float(f), 0, 1));
    unsigned int apex = 0;
    EXPECT_FALSE(six.addVertex({9, 9, 9}, apex));
    EXPECT_EQ(around(six, apex), List({2, 5, 1}));
    // Vertices and faces added past addTriangle are seen by the next query too.
    EXPECT_TRUE(six.addVertex({7, 7, 7}, apex));
    EXPECT_EQ(around(six, apex), List({0}));
    six.mFaces.push_back({apex, apex, 0});
    EXPECT_EQ(around(six, apex), List({6, 1}));
}

TEST(SimpleMesh, FaceNormalsFollowTheWinding)
{
    SimpleMeshProbe mesh({{V3(0, 0, 0), V3(10, 0, 0), V3(0, 10, 0)},           // +z, large
                          {V3(0, 0, 0), V3(0, 0.1f, 0), V3(0, 0, 0.1f)},       // +x, small
                          {V3(10, 0, 0), V3(10, 10, 0), V3(0, 10, 0)},         // +z, a square
                          {V3(5, 5, 5), V3(5, 6, 5), V3(6, 5, 5)},             // clockwise
                          {V3(0, 0, 0), V3(10, 0, 0), V3(20, 0, 0)},           // collinear
                          {V3(7, 7, 7), V3(7, 7, 7), V3(8, 7, 7)},             // repeated corner
                          {V3(0, 0, 7), V3(1e-25f, 0, 7), V3(0, 1e-25f, 7)}}); // squares underflow
    mesh.calculateFaceNormals();
    EXPECT_EQ(mesh.getNormals(),
              (std::vector<V3>{
                  {0, 0, 1}, {1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, 0, 0}, {0, 0, 0}, {0, 0, 1}}));
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
}

TEST(SimpleMesh, CurvatureOfSpheresFlatFansAndCalcCurvBounds)
{
    SimpleMeshProbe mesh(icosahedron()), big(icosahedron(2.0f)), inward(icosahedron(1.0f, true));
    ASSERT_EQ(mesh.mVerts.size(), 12u);
    for (unsigned int i = 0; i < 12; i++)
    {
        const V3 out = mesh.mVerts[i];
        EXPECT_NEAR(mesh.curvature(i, out), 1.0f, 4 * EPS) << i;
        EXPECT_NEAR(mesh.curvature(i, -out), -1.0f, 4 * EPS) << i;
        EXPECT_NEAR(big.curvature(i, big.mVerts[i]), 0.5f, 2 * EPS) << i;
        EXPECT_EQ(inward.curvature(inward.welded(out), out), mesh.curvature(i, out));
    }
    // Four triangles around the origin in the plane z = 0: the sum cancels exactly.
    const V3 ring[5] = {{1, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, -1, 0}, {1, 0, 0}};
    SimpleMeshProbe fan;
    for (int i = 0; i < 4; i++)
        fan.addTriangle({0, 0, 0}, ring[i], ring[i + 1]);
    for (const V3& n : {V3(0, 0, 1), V3(0, 0, -1)}) // +0: its inverse is +infinity
        EXPECT_EQ(1.0f / fan.curvature(0, n), std::numeric_limits<float>::infinity()) << n;

    SimpleMeshProbe ball(icosahedron(3.0f));
    ball.calculateFaceNormals();
    EXPECT_NE(stderrOf([&] { ball.calcCurv(); }).find("calculateVertexNormals()"),
              std::string::npos);
    EXPECT_TRUE(ball.curvatureArray.empty());
    ball.calculateVertexNormals();
    ball.calcCurv();
    ASSERT_EQ(ball.curvatureArray.size(), 12u);
    const auto [lo, hi] =
        std::minmax_element(ball.curvatureArray.begin(), ball.curvatureArray.end());
    EXPECT_TRUE(*lo > 0.0f && ball.mMinCurv == *lo && ball.mMaxCurv == *hi);
    EXPECT_NEAR(*hi, 1.0f / 3.0f, 1e-6f);
    const float top = *hi;
    for (V3& n : ball.mNormals)
        n = -n;
    ball.calcCurv();
    EXPECT_EQ(ball.mMaxCurv, 1.1754944e-38f) << "all negative: the bound stays";
    EXPECT_EQ(ball.mMinCurv, -top);
}

// A lone triangle, a vertex without faces, the bunny (negative cotangents); then a shuffled,
// partly flipped octahedron with up to four stray, duplicate, degenerate or fin triangles.
TEST(SimpleMesh, CurvatureAndNormalsMatchTheDefinitionOnAnyInput)
{
    SimpleMeshProbe open({{V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)}});
    unsigned int lonely = 0;
    open.addVertex({5, 5, 5}, lonely);
    EXPECT_EQ(expectCurvaturesAsDefined(open), 4);
    EXPECT_TRUE(open.mMinCurv == 3.4028235e38f && open.mMaxCurv == 1.1754944e-38f);

    SimpleMeshProbe rabbit;
    std::ifstream in("Objs/bunnySmall.obj");
    ASSERT_TRUE(in && ObjIO().load(&rabbit, in));
    ASSERT_EQ(rabbit.mVerts.size(), 1839u);
    EXPECT_EQ(expectCurvaturesAsDefined(rabbit), 0);

    const V3 points[8] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0},
                          {0, 0, 1}, {0, 0, -1}, {0, 0, 0}, {1, 1, 1}};
    unsigned int octahedron[8][3] = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                     {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};
    std::mt19937 random(20240607u);
    long nans = 0, values = 0;
    for (int round = 0; round < 400; round++)
    {
        SCOPED_TRACE(round);
        SimpleMeshProbe mesh;
        std::shuffle(std::begin(octahedron), std::end(octahedron), random);
        for (auto& c : octahedron)
        {
            std::rotate(c, c + random() % 3, c + 3);
            const unsigned int flip = random() % 2;
            mesh.addTriangle(points[c[0]], points[c[1 + flip]], points[c[2 - flip]]);
        }
        for (unsigned int t = random() % 5; t > 0; t--)
            mesh.addTriangle(points[random() % 8], points[random() % 8], points[random() % 8]);
        const long n = expectCurvaturesAsDefined(mesh);
        nans += n;
        values += long(mesh.mVerts.size()) - n;
        const std::string calls = triangleCalls(mesh);
        EXPECT_EQ(std::count(calls.begin(), calls.end(), 'v'), 3 * long(mesh.mFaces.size()));
    }
    EXPECT_GT(values, 100) << "both outcomes must occur for the comparison to mean something";
    EXPECT_GT(nans, 100);
}

TEST(SimpleMesh, DrawsAndColoursAsTheFlagNormalsAndCurvatureAllow)
{
    // Extra copies of the first triangle; normals computed: none, f(ace) or v(ertex); the flag.
    const std::tuple<int, char, int, const char*> cases[] = {
        {0, ' ', Mesh::SMOOTH_SHADING, "vvvvvv"},
        {0, 'f', Mesh::SMOOTH_SHADING, "cnvvvcnvvv"},
        {0, 'v', Mesh::SMOOTH_SHADING, "cnvcnvcnvcnvcnvcnv"},
        {0, 'v', Mesh::FLAT_SHADING, "cnvvvcnvvv"},
        {3, 'v', Mesh::FLAT_SHADING, "vvvvvvvvvvvvvvv"}, // too few normals
        {0, 'v', 2, "vvvvvv"},
        {0, 'f', 2, "cnvvvcnvvv"},
        {2, 'v', Mesh::SMOOTH_SHADING, "cnvvvcnvvvcnvvvcnvvv"}}; // as many as faces
    for (const auto& [repeats, normals, flag, calls] : cases)
    {
        SimpleMeshProbe mesh(
            {{V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)}, {V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)}});
        for (int i = 0; i < repeats; i++)
            mesh.addTriangle({0, 0, 0}, {1, 0, 0}, {0, 1, 0});
        if (normals == 'f')
            mesh.calculateFaceNormals();
        if (normals == 'v')
            mesh.calculateVertexNormals();
        mesh.setShadingFlag(Mesh::SHADING(flag));
        EXPECT_EQ(triangleCalls(mesh), calls) << repeats << normals << flag;
    }
    SimpleMeshProbe empty;
    EXPECT_EQ(drawnCalls(empty),
              (std::vector<std::string>{MODELVIEW, "PushMatrix",
                                        "LoadMatrixf 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1", BEGIN, "End",
                                        "PopMatrix"}));
    SimpleMeshProbe mesh({{V3(0, 0, 0), V3(0, 1, 0), V3(1, 0, 0)}}); // clockwise from +z
    mesh.setTransform(Matrix4x4<float>::translation(1, 2, 3));
    mesh.calculateFaceNormals();
    EXPECT_EQ(drawnCalls(mesh),
              (std::vector<std::string>{MODELVIEW, "PushMatrix",
                                        "LoadMatrixf 1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1", BEGIN,
                                        "Color3f 0.5 0.5 0", "Normal3f 0 0 -1", "Vertex3f 0 0 0",
                                        "Vertex3f 0 1 0", "Vertex3f 1 0 0", "End", "PopMatrix"}));

    // Smooth without curvature values: corners coloured by their normals, faces weighed equally.
    mesh.addTriangle({0, 0, 0}, {0, 0, 1}, {1, 0, 0}); // normal (0, 1, 0)
    mesh.calculateVertexNormals();
    std::vector<std::string> calls = drawnCalls(mesh);
    EXPECT_EQ(calls.at(4), "Color3f 0.5 0.853553 0.146447");
    EXPECT_EQ(calls.at(5), "Normal3f 0 0.707107 -0.707107");
    EXPECT_EQ(calls.at(16), "Color3f 0.5 1 0.5");

    // With curvature values: red at -3 and below, black at 0 and for NaN, blue at 3 and up.
    SimpleMeshProbe ball(icosahedron());
    ball.calculateVertexNormals();
    ball.calcCurv();
    ball.curvatureArray[ball.mFaces[0].v2] = std::numeric_limits<float>::quiet_NaN();
    ball.curvatureArray[ball.mFaces[0].v3] = -6.0f;
    calls = drawnCalls(ball);
    EXPECT_EQ(calls.at(4), "Color3f 0 0 0.333333") << "curvature 1 of [-3, 3]";
    EXPECT_EQ(calls.at(7), "Color3f 0 0 0");
    EXPECT_EQ(calls.at(10), "Color3f 1 0 0");
    // A triangle added after calcCurv leaves the values stale: colours from normals again.
    ball.addTriangle({5, 5, 5}, {6, 5, 5}, {5, 6, 5});
    ball.calculateVertexNormals();
    calls = drawnCalls(ball);
    EXPECT_EQ(calls.at(calls.size() - 5), "Color3f 0.5 0.5 1");
}
