// Hand-worked cases, and plain versions: edges found by a newest-first scan of the half-edges,
// positions welded by a scan, rings and boundary links by walks that stop at a repeat.

#include "tests/RecordingGL.h"
#include "tests/TestHelpers.h"

#include "SupportCode/Matrix4x4.h"
#include "SupportCode/WeldShares.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <tuple>

namespace
{
using HE = HalfEdgeMesh;
constexpr unsigned int BORDER = HE::BORDER, UNINIT = HE::UNINITIALIZED;

std::string report(std::size_t edges, std::size_t faces, std::size_t verts,
                   std::size_t isolated = 0)
{
    return "Done with edge check (checked " + std::to_string(edges) +
           " edges)\nDone with face check (checked " + std::to_string(faces) +
           " faces)\nDone with vertex check (checked " + std::to_string(verts) +
           " vertices)\nLooping through triangle neighborhood of each vertex... \nDone: " +
           std::to_string(isolated) + " isolated vertices found\n";
}

// Every link, counts first: half-edges (vert face next prev pair), vertices' and faces' edges.
template <class M> List links(const M& m)
{
    List out = {unsigned(m.mEdges.size()), unsigned(m.mVerts.size()), unsigned(m.mFaces.size())};
    for (const HE::HalfEdge& e : m.mEdges)
        out.insert(out.end(), {e.vert, e.face, e.next, e.prev, e.pair});
    for (const HE::Vertex& v : m.mVerts)
        out.push_back(v.edge);
    for (const HE::Face& f : m.mFaces)
        out.push_back(f.edge);
    return out;
}

// The construction exactly as written down, quadratic and all.
struct PlainBuild
{
    std::vector<HE::HalfEdge> mEdges;
    std::vector<HE::Vertex> mVerts;
    std::vector<HE::Face> mFaces;
    std::map<V3, unsigned int> unique;

    void addTriangle(const std::array<V3, 3>& p)
    {
        unsigned int v[3], e[6];
        for (unsigned int k = 0; k < 3; ++k)
            v[k] = unique.emplace(p[k], static_cast<unsigned int>(unique.size())).first->second;
        mVerts.resize(unique.size());
        for (unsigned int k = 0; k < 3; ++k)
            if (pair(v[k], v[(k + 1) % 3], e[2 * k], e[2 * k + 1]))
                mEdges[e[2 * k + 1]].face = BORDER;
        for (unsigned int k = 0; k < 6; k += 2)
        {
            mEdges[e[k]].next = e[(k + 2) % 6];
            mEdges[e[(k + 2) % 6]].prev = e[k];
            mEdges[e[k]].face = static_cast<unsigned int>(mFaces.size());
        }
        mFaces.push_back({e[0], {}});
    }
    bool pair(unsigned int v1, unsigned int v2, unsigned int& i1, unsigned int& i2)
    {
        for (std::size_t h = mEdges.size(); h-- > 0;)
            if (mEdges[h].vert == v1 && mEdges[mEdges[h].pair].vert == v2)
            {
                i1 = static_cast<unsigned int>(h);
                i2 = mEdges[h].pair;
                return false;
            }
        i1 = static_cast<unsigned int>(mEdges.size());
        i2 = i1 + 1;
        mEdges.push_back({v1, UNINIT, UNINIT, UNINIT, i2});
        mEdges.push_back({v2, UNINIT, UNINIT, UNINIT, i1});
        mVerts[v1].edge = i1;
        mVerts[v2].edge = i2; // for a loop, the newer half
        return true;
    }
};

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

// The soup as a reader feeds it: each position twice (-0 for +0), corners alternating copies.
std::pair<std::vector<V3>, std::vector<U3>> readerData(const Soup& soup)
{
    std::vector<V3> positions;
    auto indexOf = [&positions](const V3& p)
    {
        for (unsigned int i = 0; i < positions.size(); i += 2)
            if (std::memcmp(&positions[i], &p, sizeof p) == 0)
                return i;
        positions.push_back(p);
        positions.push_back(V3(p[0] + 0.0f == 0.0f ? -0.0f : p[0], p[1], p[2]));
        return static_cast<unsigned int>(positions.size() - 2);
    };
    std::vector<U3> triangles;
    for (std::size_t t = 0; t < soup.size(); ++t)
        triangles.emplace_back(indexOf(soup[t][0]) + t % 2, indexOf(soup[t][1]) + (t + 1) % 2,
                               indexOf(soup[t][2]) + t % 2);
    return {positions, triangles};
}

HalfEdgeMeshProbe fedAsReader(const Soup& soup)
{
    const auto [positions, triangles] = readerData(soup);
    HalfEdgeMeshProbe mesh;
    if (!soup.empty())
        mesh.addTriangle(soup[0][0], soup[0][1], soup[0][2]);
    mesh.addTriangles(positions, triangles, 1, triangles.size());
    return mesh;
}

void expectAsPlainOnAnyInput(const Soup& soup, const std::string& trace = "")
{
    SCOPED_TRACE(trace);
    HalfEdgeMeshProbe mesh(soup);
    const HalfEdgeMeshProbe fed = fedAsReader(soup);
    ASSERT_EQ(links(fed), links(mesh)) << "fed as a reader";
    ASSERT_EQ(fed.positions(), mesh.positions());
    {
        // Welded beforehand and built by index: the same links, each vertex at the bits of
        // the first corner on it (here often the -0 copy).
        const auto [positions, triangles] = readerData(soup);
        HalfEdgeMeshProbe fedAll, byIndex;
        fedAll.addTriangles(positions, triangles, 0, triangles.size());
        const std::vector<std::uint32_t> first = firstEqualPoints(positions, 2);
        byIndex.addIndexedTriangles(positions, triangles, &first);
        ASSERT_EQ(links(byIndex), links(fedAll));
        const std::vector<V3> a = byIndex.positions(), b = fedAll.positions();
        ASSERT_TRUE(a.size() == b.size() &&
                    (a.empty() || std::memcmp(a.data(), b.data(), a.size() * 12) == 0));
    }
    PlainBuild plain;
    for (const auto& t : soup)
        plain.addTriangle(t);
    ASSERT_EQ(links(mesh), links(plain));
    for (const auto& [position, index] : plain.unique)
        ASSERT_EQ(mesh.welded(position), index) << position;
    // The area walks every face's corners: links a later triangle rewrote would change it.
    float area = 0.0f;
    for (const auto& t : soup)
        area = static_cast<float>(area + 0.5 * cross(t[1] - t[0], t[2] - t[0]).length());
    EXPECT_EQ(mesh.area(), area);

    plain.mEdges = plainMerge(plain.mEdges);
    HalfEdgeMeshProbe oneByOne = mesh; // merged a border half-edge at a time, unshared
    for (unsigned int h = 0; h < mesh.mEdges.size(); h++)
        oneByOne.mergeBoundaryEdge(h);
    mesh.mergeAllBoundaries();
    ASSERT_EQ(links(mesh), links(plain)) << "merged";
    ASSERT_EQ(links(oneByOne), links(plain)) << "merged one by one";
    std::string problems;
    for (unsigned int h = 0; h < plain.mEdges.size(); h++)
        if (plain.mEdges[h].next == UNINIT || plain.mEdges[h].prev == UNINIT)
            problems += "HalfEdge " + std::to_string(h) + " not properly initialized\n";
    std::size_t isolated = 0;
    for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
    {
        ASSERT_EQ(mesh.neighbours(v), plainRing(mesh, v)) << "ring of vertex " << v;
        isolated += mesh.neighbours(v).empty();
    }
    EXPECT_EQ(mesh.validated(),
              problems + report(plain.mEdges.size(), soup.size(), mesh.mVerts.size(), isolated));
    mesh.genus();
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_TRUE(std::isfinite(mesh.volume()));
    for (const HE::Vertex& v : mesh.mVerts)
        EXPECT_TRUE(std::isfinite(v.v_normal * v.v_normal));
}
} // namespace

TEST(HalfEdgeMesh, OneTriangleAndAPairFromAVertexToItself)
{
    HalfEdgeMeshProbe mesh({{V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)}});
    EXPECT_EQ(links(mesh), List({6,      3,      1, 0, 0, 2, 4, 1, 1, BORDER,
                                 UNINIT, UNINIT, 0, 1, 0, 4, 0, 3, 2, BORDER,
                                 UNINIT, UNINIT, 2, 2, 0, 0, 2, 5, 0, BORDER,
                                 UNINIT, UNINIT, 4, 5, 2, 4, 0}));

    // Unmerged, A's edge is border 5, whose missing prev stops the ring walk: A is isolated.
    EXPECT_EQ(mesh.validated(), "HalfEdge 1 not properly initialized\n"
                                "HalfEdge 3 not properly initialized\n"
                                "HalfEdge 5 not properly initialized\n" +
                                    report(6, 1, 3, 1));
    const HalfEdgeMesh::Validation found = mesh.validation();
    EXPECT_EQ(found.unsetHalfEdges, List({1, 3, 5}));
    EXPECT_EQ(List({unsigned(found.unsetRecords()), unsigned(found.isolatedVertices)}),
              List({3, 1}));
    mesh.mergeAllBoundaries(); // the border loop 1 -> 5 -> 3
    EXPECT_EQ(mesh.validated(), report(6, 1, 3));
    for (unsigned int v = 0; v < 3; v++)
        EXPECT_EQ(mesh.neighbours(v), List{0}) << v;
    EXPECT_FLOAT_EQ(mesh.area(), 0.5f);
    EXPECT_EQ(mesh.genus(), 0);

    // Corners that weld make a pair from a vertex to itself; the lookup gives the newer half.
    HalfEdgeMeshProbe loop({{V3(0, 0, 0), V3(0, 0, 0), V3(1, 0, 0)}});
    unsigned int i1 = 0, i2 = 0;
    EXPECT_FALSE(loop.addHalfEdgePair(0, 0, i1, i2));
    EXPECT_EQ(List({i1, i2}), List({1, 0}));
}

// Closed and open surfaces, one and two components: genus, and volume once normals are there.
TEST(HalfEdgeMesh, SurfacesKeepGenusAndMeasures)
{
    // Name, soup, closed, genus (signed: two spheres give -1), volume (NaN: no closed form).
    const std::tuple<const char*, Soup, bool, int, double> cases[] = {
        {"empty", {}, true, 1, 0.0},
        {"tetrahedron", tetrahedra(1), true, 0, 1.0 / 6.0},
        {"cube", unitCube(), true, 0, 1.0},
        {"reversedCube", unitCube(true), true, 0, -1.0},
        {"torus", torus(), true, 1, NAN},
        {"openBox", unitCube(false, 10), false, 0, NAN},
        {"twoTetrahedra", tetrahedra(2), true, -1, 2.0 / 6.0},
        {"bunny", bunny(), true, 0, NAN}};
    for (const auto& [name, soup, closed, genus, volume] : cases)
    {
        SCOPED_TRACE(name);
        expectAsPlainOnAnyInput(soup);
        HalfEdgeMeshProbe mesh(soup);
        mesh.mergeAllBoundaries();
        EXPECT_EQ(std::count_if(mesh.mEdges.begin(), mesh.mEdges.end(),
                                [](const HE::HalfEdge& e) { return e.face == BORDER; }) == 0,
                  closed);
        EXPECT_EQ(mesh.genus(), genus);
        EXPECT_EQ(mesh.volume(), 0.0f) << "the volume reads the stored normals";
        mesh.calculateFaceNormals();
        EXPECT_EQ(mesh.getShadingFlag(), Mesh::FLAT_SHADING);
        EXPECT_TRUE(std::isnan(volume) || std::abs(mesh.volume() - volume) < 1e-6);
        mesh.calculateVertexNormals();
        EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
        for (unsigned int v = 0; v < mesh.mVerts.size(); v++)
            EXPECT_NEAR(mesh.mVerts[v].v_normal.length(), 1.0f, 1e-6f) << v;
        // Closed for adding: links and measures stay, the lookups go, triangles are refused.
        const auto state = [&mesh]
        {
            return std::make_tuple(mesh.mVerts.size(), mesh.mEdges.size(), mesh.area(),
                                   mesh.genus(), mesh.mVerts.empty() ? List() : mesh.neighbours(0));
        };
        const auto before = state();
        mesh.closeForAdding();
        const std::vector<V3> p = {V3(0, 0, 0), V3(7, 0, 0), V3(0, 7, 0)};
        EXPECT_FALSE(mesh.addTriangle(p[0], p[1], p[2]));
        mesh.addTriangles(p, {{0, 1, 2}}, 0, 1);
        mesh.addIndexedTriangles(p, {{0, 1, 2}});
        EXPECT_EQ(state(), before);
        EXPECT_TRUE(mesh.closedForAdding() && mesh.mUniqueVerts.empty());
    }
}

// Non-manifold or inconsistent input: welded corners, flips, duplicates, rotations cycling; a fan
// of 200 triangles (past the pair list limit), a book of 1600 pages, soups with four hubs.
TEST(HalfEdgeMesh, BuildsMergesAndWalksAsThePlainVersionsOnAnyInput)
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
        // Rotations from d's borders circle inside the pillow without meeting a border.
        {"pillowOnAnEdge", {{a, d, b}, {a, b, c}, {a, c, b}}},
        {"flippedAndDuplicatedFacesOfATorus", damagedTorus},
    };
    for (const auto& [name, soup] : cases)
        expectAsPlainOnAnyInput(soup, name);
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
        expectAsPlainOnAnyInput(soup, std::to_string(round));
    }

    auto point = [](unsigned int i) { return V3(float(i % 7), float(i / 7), 0.0f); };
    Soup fanAndBook;
    for (unsigned int i = 1; i <= 200; ++i)
        fanAndBook.push_back({point(0), point(i), point(i % 200 + 1)});
    for (unsigned int page = 0; page < 1600; ++page) // past the takeovers kept in a map
        fanAndBook.push_back({point(page % 3 == 0), point(page % 3 == 1), point(300 + page)});
    expectAsPlainOnAnyInput(fanAndBook);
    for (unsigned int seed = 1; seed <= 3 && !HasFatalFailure(); ++seed)
    {
        std::mt19937 random(seed);
        std::uniform_int_distribution<unsigned int> any(0, 89), hub(0, 3), coin(0, 3);
        Soup soup(1500);
        for (auto& t : soup)
            for (V3& p : t)
                p = point(coin(random) == 0 ? hub(random) : any(random));
        expectAsPlainOnAnyInput(soup, std::to_string(seed));
    }
}

// Welding is exact: -0 with +0, nothing within a rounding step; NaN matches only its own bits.
TEST(HalfEdgeMesh, WeldsAsAScanOfThePositionsSoFar)
{
    auto same = [](const V3& p, const V3& q)
    {
        for (int i = 0; i < 3; ++i)
            if (std::isnan(p[i]) ? std::memcmp(&p.v[i], &q.v[i], 4) != 0 : !(p[i] == q[i]))
                return false;
        return true;
    };
    const float nan = std::nanf(""), otherNan = -std::nanf("1"), next = std::nextafter(1.0f, 2.0f);
    std::vector<V3> pool = {V3(0, 0, 0),    V3(-0.0f, 0, 0),    V3(0, -0.0f, -0.0f), V3(1, 2, 3),
                            V3(next, 2, 3), V3(1, 2, -3),       V3(2, 0, 0),         V3(3, 0, 1),
                            V3(0, 5, 0),    V3(nan, 0, 0),      V3(0, nan, 1),       V3(1, 2, nan),
                            V3(nan, 5, 0),  V3(otherNan, 5, 0), V3(2, nan, 0)};
    for (int z = -300; z < 300; ++z)
        pool.emplace_back(1.0f, 2.0f, static_cast<float>(z) * 0.25f);
    for (unsigned int seed = 1; seed <= 20 && !HasFatalFailure(); ++seed)
    {
        SCOPED_TRACE(seed);
        HalfEdgeMeshProbe mesh;
        std::vector<V3> seen;
        std::mt19937 rng(seed);
        for (std::size_t k = 0; k < 3000; ++k) // enough to grow the table several times
        {
            const V3& v = k < 2 * pool.size() ? pool[k / 2] : pool[rng() % pool.size()];
            const unsigned int want = static_cast<unsigned int>(
                std::find_if(seen.begin(), seen.end(), [&](const V3& s) { return same(s, v); }) -
                seen.begin());
            const bool isNew = want == seen.size();
            if (isNew)
                seen.push_back(v);
            unsigned int got = 0;
            ASSERT_EQ(mesh.addVertex(v, got), isNew) << "position " << k << " " << v;
            ASSERT_EQ(got, want) << "position " << k;
        }
        ASSERT_EQ(mesh.mUniqueVerts.size(), seen.size());
    }
}

TEST(HalfEdgeMesh, QueriesOutsideTheStructureAndDegenerateFaces)
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

    // A zero-area face has no direction: a (0, 0, 0) normal, never NaN; a tiny one has one.
    mesh.addTriangle(V3(0, 0, 0), V3(1, 0, 0), V3(2, 0, 0));           // collinear
    mesh.addTriangle(V3(0, 0, 5), V3(1e-30f, 0, 5), V3(0, 1e-30f, 5)); // cross underflows
    mesh.mergeAllBoundaries();
    mesh.calculateVertexNormals(); // face normals still unset: nothing to average
    EXPECT_EQ(mesh.mVerts[0].v_normal, V3(0, 0, 0));
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_EQ(mesh.mVerts[3].v_normal, V3(0, 0, 0));
    for (const std::string& call : drawnCalls(mesh))
        EXPECT_TRUE(call.find("nan") == std::string::npos && call.find("inf") == std::string::npos)
            << call;
}

// Two faces at a right angle along p-q, of different areas; colours: normals onto [0, 1].
TEST(HalfEdgeMesh, DrawsWhatEachShadingFlagAsksFor)
{
    const V3 p(0, 0, 0), q(0, 0, 1);
    HalfEdgeMeshProbe mesh({{p, V3(0, 3, 0), q}, {p, q, V3(1, 0, 0)}});
    mesh.mergeAllBoundaries();
    mesh.setTransform(Matrix4x4<float>::translation(1.0f, 2.0f, 3.0f));
    auto framed = [](std::vector<std::string> calls)
    {
        calls.insert(calls.begin(), {"MatrixMode " + std::to_string(GL_MODELVIEW), "PushMatrix",
                                     "LoadMatrixf 1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1",
                                     "Begin " + std::to_string(GL_TRIANGLES)});
        calls.insert(calls.end(), {"End", "PopMatrix"});
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
