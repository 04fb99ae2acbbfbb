#include "Mesh.h"

#include <gtest/gtest.h>

#include <utility>

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

TEST(MeshInterface, DefaultsFlagTransformAndTriArea)
{
    BareMesh mesh;
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
    BareMesh mesh;
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
