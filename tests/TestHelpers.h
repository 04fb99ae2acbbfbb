#pragma once

// What the unit tests share: subclasses that open the meshes' protected members, shapes as
// triangle soups, and capturing standard error.

#include "HalfEdgeMesh.h"
#include "SimpleMesh.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using V3 = Vector3<float>;
using U3 = Vector3<unsigned int>;
using List = std::vector<unsigned int>;
using Soup = std::vector<std::array<V3, 3>>;

template <class Mesh> void addSoup(Mesh& mesh, const Soup& soup)
{
    for (const auto& t : soup)
        mesh.addTriangle(t[0], t[1], t[2]);
}

template <class F> std::string stderrOf(F&& f)
{
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
}

// Either mesh with its welding map and stored members open to the tests.
template <class Base> class MeshProbe : public Base
{
public:
    using Base::addVertex;
    using Base::mFaces;
    using Base::mUniqueVerts;
    using Base::mVerts;

    explicit MeshProbe(const Soup& soup = {}) { addSoup(*this, soup); }
    // The welding map's vertex for p; WeldMap::NONE if none.
    unsigned int welded(const V3& p) const
    {
        return mUniqueVerts.find(p, [this](unsigned int i) -> const V3& { return at(mVerts[i]); });
    }

private:
    static const V3& at(const V3& p) { return p; }
    template <class Vertex> static const V3& at(const Vertex& v) { return v.vec; }
};

class SimpleMeshProbe : public MeshProbe<SimpleMesh>
{
public:
    using MeshProbe::MeshProbe;
    using SimpleMesh::curvatureArray;
    using SimpleMesh::findNeighbourTriangles;
    using SimpleMesh::mMaxCurv;
    using SimpleMesh::mMinCurv;
    using SimpleMesh::mNormals;
};

class HalfEdgeMeshProbe : public MeshProbe<HalfEdgeMesh>
{
public:
    using HalfEdgeMesh::addHalfEdgePair;
    using HalfEdgeMesh::mEdges;
    using HalfEdgeMesh::mergeBoundaryEdge;
    using MeshProbe::MeshProbe;

    List neighbours(unsigned int v) const
    {
        List out{12345u}; // must be replaced, not appended to
        findNeighbourTriangles(v, out);
        return out;
    }
    std::vector<V3> positions() const
    {
        std::vector<V3> p;
        for (const Vertex& v : mVerts)
            p.push_back(v.vec);
        return p;
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

// --- shapes: every face counter-clockwise seen from outside unless inward -----------------

constexpr double PI = 3.14159265358979323846;

// Winds each triangle of a convex solid so that its normal points away from the centre.
inline Soup convex(Soup soup, const V3& centre, bool inward = false)
{
    for (auto& t : soup)
        if ((cross(t[1] - t[0], t[2] - t[0]) * (t[0] - centre) < 0.0f) != inward)
            std::swap(t[1], t[2]);
    return soup;
}

inline Soup tetrahedra(int count) // apart from each other along x
{
    Soup soup;
    for (float dx = 0.0f; dx < 5.0f * count; dx += 5.0f)
    {
        const V3 a(dx, 0, 0), b(dx + 1, 0, 0), c(dx, 1, 0), d(dx, 0, 1);
        soup.insert(soup.end(), {{a, c, b}, {a, b, d}, {a, d, c}, {b, c, d}});
    }
    return soup;
}

inline Soup unitCube(bool inward = false, std::size_t keep = 12)
{
    const int quads[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                             {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    auto c = [](int i) { return V3(float(i & 1), float(i >> 1 & 1), float(i >> 2 & 1)); };
    Soup tris;
    for (const auto& q : quads)
        tris.insert(tris.end(), {{c(q[0]), c(q[1]), c(q[2])}, {c(q[0]), c(q[2]), c(q[3])}});
    tris.resize(keep);
    return convex(tris, V3(0.5f, 0.5f, 0.5f), inward);
}

// The regular icosahedron inscribed in the sphere of the given radius.
inline Soup icosahedron(float radius = 1.0f, bool inward = false)
{
    const double f = (1.0 + std::sqrt(5.0)) / 2.0, s = radius / std::sqrt(1.0 + f * f);
    const double p[12][3] = {{-1, f, 0}, {1, f, 0}, {-1, -f, 0}, {1, -f, 0},
                             {0, -1, f}, {0, 1, f}, {0, -1, -f}, {0, 1, -f},
                             {f, 0, -1}, {f, 0, 1}, {-f, 0, -1}, {-f, 0, 1}};
    const int faces[20][3] = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                              {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                              {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                              {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    auto at = [&](int i) { return V3(float(p[i][0] * s), float(p[i][1] * s), float(p[i][2] * s)); };
    Soup soup;
    for (const auto& c : faces)
        soup.push_back({at(c[0]), at(c[inward ? 2 : 1]), at(c[inward ? 1 : 2])});
    return soup;
}

// An n x m grid wrapped both ways around the z axis; positions depend on the wrapped index,
// so the seams weld.
inline Soup torus(int n = 12, int m = 8)
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

// The bunny's positions and faces straight from the text, independent of the reader.
inline Soup bunny()
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
