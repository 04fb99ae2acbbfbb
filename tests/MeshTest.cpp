#include "Mesh.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
// The least mesh: it keeps every default of the interface.
class BareMesh : public Mesh
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

TEST(MeshInterface, StartsSmoothWithIdentityTransform)
{
    BareMesh mesh;
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
    EXPECT_EQ(static_cast<int>(Mesh::SMOOTH_SHADING), 0);
    EXPECT_EQ(static_cast<int>(Mesh::FLAT_SHADING), 1);
    EXPECT_EQ(mesh.getTransform(), Matrix4x4<float>());
    mesh.setShadingFlag(Mesh::FLAT_SHADING);
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::FLAT_SHADING);
}

TEST(MeshInterface, SetTransformCopies)
{
    BareMesh mesh;
    Matrix4x4<float> t = Matrix4x4<float>::translation(1, 2, 3);
    mesh.setTransform(t);
    EXPECT_EQ(mesh.getTransform(), t);
    t.m[0][3] = 99.0f;
    EXPECT_EQ(mesh.getTransform().m[0][3], 1.0f);
}

TEST(MeshInterface, DefaultOperationsReportThemselves)
{
    BareMesh mesh;
    const Mesh& asMesh = mesh;

    testing::internal::CaptureStderr();
    EXPECT_EQ(asMesh.area(), -1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: area() not implemented for this Mesh\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(asMesh.volume(), -1.0f);
    EXPECT_EQ(asMesh.volume(), -1.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: volume() not implemented for this Mesh\n"
              "Error: volume() not implemented for this Mesh\n");

    testing::internal::CaptureStderr();
    EXPECT_EQ(asMesh.genus(), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: genus() not implemented for this Mesh\n");

    testing::internal::CaptureStderr();
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: calculateFaceNormals() not implemented for this Mesh\n"
              "Error: calculateVertexNormals() not implemented for this Mesh\n");
    EXPECT_EQ(mesh.getShadingFlag(), Mesh::SMOOTH_SHADING);
}

TEST(MeshInterface, TriArea)
{
    using V3 = Vector3<float>;
    EXPECT_EQ(Mesh::triArea(V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)), 0.5f);
    EXPECT_EQ(Mesh::triArea(V3(0, 1, 0), V3(1, 0, 0), V3(0, 0, 0)), 0.5f);
    EXPECT_EQ(Mesh::triArea(V3(1, 2, 3), V3(1, 2, 3), V3(4, 5, 6)), 0.0f);
    EXPECT_FLOAT_EQ(Mesh::triArea(V3(0, 0, 0), V3(2, 0, 0), V3(0, 0, 3)), 3.0f);
}
