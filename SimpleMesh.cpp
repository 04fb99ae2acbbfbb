#include "SimpleMesh.h"

#include "SupportCode/ColorMap.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <limits>

namespace
{
const char* const CURVATURE_SIGNATURE =
    "virtual float SimpleMesh::curvature(unsigned int, const Vector3<float>&)";

// The formula has no value at this vertex; say which check failed and give no number.
float noCurvature(const char* check, unsigned int vertexIndex)
{
    std::cerr << CURVATURE_SIGNATURE << ": check \"" << check << "\" failed at vertex "
              << vertexIndex << '\n';
    return std::numeric_limits<float>::quiet_NaN();
}

bool isFinite(const Vector3<float>& a)
{
    return std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]);
}

// Neither position orders before the other: the same vertex under the welding order.
bool equivalent(const Vector3<float>& a, const Vector3<float>& b)
{
    return !(a < b) && !(b < a);
}
} // namespace

void SimpleMesh::reserve(std::size_t positions, std::size_t triangles)
{
    const std::size_t vertices = vertexBound(mVerts.size(), positions, triangles);
    mVerts.reserve(vertices);
    mFaces.reserve(mFaces.size() + triangles);
    mUniqueVerts.reserve(vertices,
                         [this](unsigned int i) -> const Vector3<float>& { return mVerts[i]; });
}

bool SimpleMesh::addVertex(const Vector3<float>& v, unsigned int& indx)
{
    const auto positionOf = [this](unsigned int i) -> const Vector3<float>& { return mVerts[i]; };
    const unsigned int next = static_cast<unsigned int>(mVerts.size());
    indx = mUniqueVerts.findOrInsert(v, next, positionOf);
    if (indx != next)
        return false;
    mVerts.push_back(v);
    return true;
}

bool SimpleMesh::addTriangle(const Vector3<float>& v1, const Vector3<float>& v2,
                             const Vector3<float>& v3)
{
    const std::array<unsigned int, 3> c = weldCorners(v1, v2, v3);
    mFaces.push_back(Face{c[0], c[1], c[2]});
    return true;
}

void SimpleMesh::buildVertexFaces() const
{
    mVertexFaces.build(mVerts.size(), mFaces.size(),
                       [this](std::size_t f)
                       {
                           const Face& face = mFaces[f];
                           return std::array<unsigned int, 3>{face.v1, face.v2, face.v3};
                       });
    mVertexFacesFaceCount = mFaces.size();
}

bool SimpleMesh::findNeighbourTriangles(unsigned int vertexIndex,
                                        std::vector<unsigned int>& foundTriangles) const
{
    foundTriangles.clear();
    if (vertexIndex >= mVerts.size())
        return false;
    if (mVertexFaces.vertices() != mVerts.size() || mVertexFacesFaceCount != mFaces.size())
        buildVertexFaces();
    foundTriangles.assign(mVertexFaces.begin(vertexIndex), mVertexFaces.end(vertexIndex));
    return !foundTriangles.empty();
}

Vector3<float> SimpleMesh::faceNormal(const Face& f) const
{
    return Mesh::faceNormal(mVerts[f.v1], mVerts[f.v2], mVerts[f.v3]);
}

void SimpleMesh::calculateFaceNormals()
{
    changed();
    mNormals.clear();
    mNormals.reserve(mFaces.size());
    for (const Face& f : mFaces)
        mNormals.push_back(faceNormal(f));
}

// Each face normal is computed once and summed per vertex in ascending face order, which is
// the order and the values of recomputing it at every corner.
void SimpleMesh::calculateVertexNormals()
{
    changed();
    mNormals.clear();
    if (mVerts.empty())
        return;

    std::vector<Vector3<float>> faceNormals;
    faceNormals.reserve(mFaces.size());
    for (const Face& f : mFaces)
        faceNormals.push_back(faceNormal(f));

    mNormals.reserve(mVerts.size());
    std::vector<unsigned int> faces;
    for (unsigned int v = 0; v < mVerts.size(); v++)
    {
        findNeighbourTriangles(v, faces);
        Vector3<float> n(0.0f, 0.0f, 0.0f);
        for (unsigned int f : faces)
        {
            if (f < faceNormals.size())
                n += faceNormals[f];
        }
        n.normalize();
        // Normals that cancel (a sheet folded onto itself) or only degenerate faces leave
        // no direction.
        mNormals.push_back(isFinite(n) ? n : Vector3<float>(0.0f, 0.0f, 0.0f));
    }
}

void SimpleMesh::draw()
{
    enum class Way
    {
        FLAT,
        SMOOTH,
        BARE
    };

    const ColorMap colorMap;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    float glMatrix[16];
    mTransform.toGLMatrix(glMatrix);
    glLoadMatrixf(glMatrix);
    glBegin(GL_TRIANGLES);

    // The counts decide for the whole mesh. Flat shading without a normal for every face
    // draws bare rather than colouring faces by normals that belong to something else.
    Way way = Way::BARE;
    if (mShadingFlag == FLAT_SHADING || mNormals.size() == mFaces.size())
        way = mNormals.size() >= mFaces.size() ? Way::FLAT : Way::BARE;
    else if (mShadingFlag == SMOOTH_SHADING && mNormals.size() == mVerts.size())
        way = Way::SMOOTH;

    // Without one curvature per vertex (calcCurv never ran, or ran before the last
    // triangle) the corners are coloured by their normals, like the flat faces.
    const bool curvatureColours = curvatureArray.size() == mVerts.size();

    const int numTriangles = static_cast<int>(mFaces.size());
    for (int i = 0; i < numTriangles; i++)
    {
        const Face& f = mFaces[i];
        const Vector3<float>& p0 = mVerts[f.v1];
        const Vector3<float>& p1 = mVerts[f.v2];
        const Vector3<float>& p2 = mVerts[f.v3];
        if (way == Way::FLAT)
        {
            const Vector3<float>& n = mNormals[i];
            const Vector3<float> color = colorMap.map(n, -1.0f, 1.0f);
            glColor3f(color[0], color[1], color[2]);
            glNormal3f(n[0], n[1], n[2]);
            glVertex3f(p0[0], p0[1], p0[2]);
            glVertex3f(p1[0], p1[1], p1[2]);
            glVertex3f(p2[0], p2[1], p2[2]);
        }
        else if (way == Way::SMOOTH)
        {
            const unsigned int corners[3] = {f.v1, f.v2, f.v3};
            Vector3<float> colors[3];
            for (unsigned int c = 0; c < 3; c++)
            {
                const unsigned int k = corners[c];
                colors[c] = curvatureColours ? colorMap.map(curvatureArray[k], -3.0f, 3.0f)
                                             : colorMap.map(mNormals[k], -1.0f, 1.0f);
            }
            for (unsigned int c = 0; c < 3; c++)
            {
                const Vector3<float>& n = mNormals[corners[c]];
                const Vector3<float>& p = mVerts[corners[c]];
                glColor3f(colors[c][0], colors[c][1], colors[c][2]);
                glNormal3f(n[0], n[1], n[2]);
                glVertex3f(p[0], p[1], p[2]);
            }
        }
        else
        {
            glVertex3f(p0[0], p0[1], p0[2]);
            glVertex3f(p1[0], p1[1], p1[2]);
            glVertex3f(p2[0], p2[1], p2[2]);
        }
    }

    glEnd();
    glPopMatrix();
}

// Cotangent formula over the closed ring of the vertex. The ring neighbours are visited in
// ascending position order and the faces of each edge in ascending face order, and every
// sum is rounded where the formula rounds it, so the value does not depend on how the
// ring is gathered. Gathering sorts the (neighbour, face) pairs once instead of scanning
// the ring for every neighbour, so a vertex of high valence costs k log k, not k squared.
// One block: the cotangent formula reads best as written.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
float SimpleMesh::curvature(unsigned int vertexIndex, const Vector3<float>& n)
{
    std::vector<unsigned int>& neighbourTriangles = mRingFaces;
    findNeighbourTriangles(vertexIndex, neighbourTriangles);
    if (vertexIndex >= mVerts.size() || neighbourTriangles.size() == 0)
        return noCurvature("neighbourTriangles.size() != 0", vertexIndex);
    const Vector3<float> v = mVerts[vertexIndex];

    // The distinct corner positions, the vertex's own included, in ascending order.
    std::vector<Vector3<float>>& localVertexList = mRingPositions;
    localVertexList.clear();
    for (unsigned int t : neighbourTriangles)
    {
        const Face& f = mFaces[t];
        localVertexList.push_back(mVerts[f.v1]);
        localVertexList.push_back(mVerts[f.v2]);
        localVertexList.push_back(mVerts[f.v3]);
    }
    std::sort(localVertexList.begin(), localVertexList.end());
    localVertexList.erase(std::unique(localVertexList.begin(), localVertexList.end(), equivalent),
                          localVertexList.end());
    if (localVertexList.size() != neighbourTriangles.size() + 1)
        return noCurvature("localVertexList.size() == neighbourTriangles.size()+1", vertexIndex);

    // For every face and every other corner position L in it: the face's remaining corner,
    // the last one that is neither v nor L, or (0, 0, 0) if there is none.
    std::vector<RingEdge>& ringEdges = mRingEdges;
    ringEdges.clear();
    for (unsigned int order = 0; order < neighbourTriangles.size(); order++)
    {
        const Face& f = mFaces[neighbourTriangles[order]];
        const Vector3<float> corners[3] = {mVerts[f.v1], mVerts[f.v2], mVerts[f.v3]};
        if (corners[0] != v && corners[1] != v && corners[2] != v)
            continue;
        for (unsigned int c = 0; c < 3; c++)
        {
            const Vector3<float>& localV = corners[c];
            if (localV == v || (c > 0 && localV == corners[0]) || (c > 1 && localV == corners[1]))
                continue;
            Vector3<float> otherVertex(0.0f, 0.0f, 0.0f);
            for (const Vector3<float>& corner : corners)
            {
                if (corner != v && corner != localV)
                    otherVertex = corner;
            }
            ringEdges.push_back(RingEdge{localV, order, otherVertex});
        }
    }
    std::sort(ringEdges.begin(), ringEdges.end(),
              [](const RingEdge& a, const RingEdge& b)
              {
                  if (a.pos < b.pos)
                      return true;
                  if (b.pos < a.pos)
                      return false;
                  return a.order < b.order;
              });

    Vector3<float> curv(0.0f, 0.0f, 0.0f);
    float Avor = 0.0f;
    std::size_t e = 0;
    Vector3<float> neighbourVertices[2];
    for (const Vector3<float>& localV : localVertexList)
    {
        if (localV == v)
            continue;
        while (e < ringEdges.size() && ringEdges[e].pos < localV)
            ++e;
        std::size_t count = 0;
        for (; e < ringEdges.size() && equivalent(ringEdges[e].pos, localV); ++e, ++count)
        {
            if (count < 2)
                neighbourVertices[count] = ringEdges[e].other;
        }

        if (count != 2)
            return noCurvature("neighbourVertices.size() == 2", vertexIndex);
        if (!(neighbourVertices[0] != neighbourVertices[1]))
            return noCurvature("neighbourVertices[0] != neighbourVertices[1]", vertexIndex);
        if (!(neighbourVertices[0] != v))
            return noCurvature("neighbourVertices[0] != v", vertexIndex);
        if (!(neighbourVertices[0] != localV))
            return noCurvature("neighbourVertices[0] != localV", vertexIndex);
        if (!(neighbourVertices[1] != v))
            return noCurvature("neighbourVertices[1] != v", vertexIndex);
        if (!(neighbourVertices[1] != localV))
            return noCurvature("neighbourVertices[1] != localV", vertexIndex);

        // The angles at the two corners opposite the edge from v to localV.
        float angle[2];
        for (unsigned int i = 0; i < 2; i++)
        {
            Vector3<float> toV = v - neighbourVertices[i];
            Vector3<float> toLocal = localV - neighbourVertices[i];
            toV.normalize();
            toLocal.normalize();
            angle[i] = std::acos(toV * toLocal);
            if (!(angle[i] >= 0.0))
                return noCurvature("angle[i] >= 0.0", vertexIndex);
            if (!(double(angle[i]) <= 3.14159265358979323846))
                return noCurvature("angle[i] <= 3.14159265358979323846", vertexIndex);
        }

        const Vector3<float> resVec = v - localV;
        const double w = 1.0 / double(std::tan(angle[0])) + 1.0 / double(std::tan(angle[1]));
        for (unsigned int c = 0; c < 3; c++)
            curv[c] += float(double(resVec[c]) * w);
        const double len = resVec.length();
        Avor = float(double(Avor) + ((w * 0.125) * len) * len);
    }

    // Weights that sum to no area leave the scale 1 / (4 Avor) undefined.
    if (Avor == 0.0f)
        return noCurvature("Avor != 0", vertexIndex);
    const float s = float(1.0 / (4.0 * double(Avor)));
    curv *= s;

    const float magnitude = curv.length();
    Vector3<float> direction = curv;
    direction.normalize();
    Vector3<float> locn = n;
    locn.normalize();
    // A zero sum (a flat ring) has no direction; the product is NaN and the value stays +0.
    if (direction * locn < 0.0f)
        return -magnitude;
    return magnitude;
}

void SimpleMesh::calcCurv()
{
    changed();
    mMinCurv = 3.4028235e38f;  // the largest finite float
    mMaxCurv = 1.1754944e-38f; // the smallest positive normal float, not the most negative
    curvatureArray.clear();
    if (mNormals.size() != mVerts.size())
    {
        std::cerr << "Error: calcCurv() needs one normal per vertex; run "
                     "calculateVertexNormals() after the last triangle"
                  << std::endl;
        return;
    }

    curvatureArray.reserve(mVerts.size());
    for (unsigned int i = 0; i < mVerts.size(); i++)
    {
        const float k = curvature(i, mNormals[i]);
        if (k < mMinCurv)
            mMinCurv = k;
        if (k > mMaxCurv)
            mMaxCurv = k;
        curvatureArray.push_back(k);
    }
}
