#include "Mesh.h"

#include "HalfEdgeMesh.h"
#include "SimpleMesh.h"
#include "io/MeshFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

TEST(MeshInterface, DefaultsFlagTransformAndTriArea)
{
    NoMesh mesh;
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
    EXPECT_EQ(std::make_pair(int(Mesh::SMOOTH_SHADING), int(Mesh::FLAT_SHADING)),
              std::make_pair(0, 1));
    mesh.setShadingFlag(Mesh::FLAT_SHADING);
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::FLAT_SHADING);
    EXPECT_EQ(mesh.getTransform(), Matrix4x4<float>());
    Matrix4x4<float> t = Matrix4x4<float>::translation(1, 2, 3);
    mesh.setTransform(t);
    t.m[0][3] = 99.0f;
    EXPECT_EQ(mesh.getTransform().m[0][3], 1.0f) << "a copy";

    using V3 = Vector3<float>;
    EXPECT_EQ(Mesh::triArea(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)), 0.5f);
    EXPECT_EQ(Mesh::triArea(V3(0, 1, 0), V3(1, 0, 0), V3(0, 0, 0)), 0.5f);
    EXPECT_EQ(Mesh::triArea(V3(1, 2, 3), V3(1, 2, 3), V3(4, 5, 6)), 0.0f);
    EXPECT_FLOAT_EQ(Mesh::triArea(V3(0, 0, 0), V3(2, 0, 0), V3(0, 0, 3)), 3.0f);
}

TEST(MeshInterface, DefaultOperationsReportThemselves)
{
    NoMesh mesh;
    const Mesh& asMesh = mesh;
    testing::internal::CaptureStderr();
    EXPECT_EQ(asMesh.area(), -1.0f);
    EXPECT_EQ(asMesh.volume(), -1.0f);
    EXPECT_EQ(asMesh.genus(), -1);
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: area() not implemented for this Mesh\n"
              "Error: volume() not implemented for this Mesh\n"
              "Error: genus() not implemented for this Mesh\n"
              "Error: calculateFaceNormals() not implemented for this Mesh\n"
              "Error: calculateVertexNormals() not implemented for this Mesh\n");
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
}

// Both meshes give a unit normal to every triangle with a direction, however small or
// large, and (0, 0, 0) only to a zero area.
TEST(MeshInterface, FaceNormalsAtEveryScale)
{
    using V3 = Vector3<float>;
    struct FaceNormals : HalfEdgeMesh
    {
        V3 of(unsigned int f) const { return mFaces[f].normal; }
    };
    const float h = 1.0f / std::sqrt(2.0f);
    for (const float s : {1.0f, 1e-20f, 1e-30f, 1e-44f, 1e19f, 1e25f, 1e38f})
    {
        const V3 corners[3][3] = {{{0, 0, 0}, {s, 0, 0}, {0, s, 0}},
                                  {{0, 0, 0}, {s, 0, 0}, {0, s, s}},
                                  {{0, 0, 0}, {s, 0, 0}, {-s, 0, 0}}};
        const V3 expected[3] = {{0, 0, 1}, {0, -h, h}, {0, 0, 0}};
        SimpleMesh simple;
        FaceNormals halfEdge;
        for (const auto& c : corners)
        {
            simple.addTriangle(c[0], c[1], c[2]);
            halfEdge.addTriangle(c[0], c[1], c[2]);
        }
        simple.calculateFaceNormals();
        halfEdge.calculateFaceNormals();
        for (unsigned int f = 0; f < 3; ++f)
            for (const V3& n : {simple.getNormals()[f], halfEdge.of(f)})
                EXPECT_LE((n - expected[f]).length(), 1e-7f) << "scale " << s << ", face " << f;
    }
}
