#include "ObjIO.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace
{
class CollectingMesh : public Mesh
{
public:
    std::vector<Vector3<float>> corners;

    void draw() override {}
    bool addTriangle(const Vector3<float>& a, const Vector3<float>& b,
                     const Vector3<float>& c) override
    {
        corners.insert(corners.end(), {a, b, c});
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

class ObjIOProbe : public ObjIO
{
public:
    using ObjIO::loadData;
};

// Position i is (i, 0.5, i), on line i: a line cut anywhere reads as a different position.
std::string positions(unsigned int n)
{
    std::string text;
    for (unsigned int i = 1; i <= n; ++i)
        text += "v " + std::to_string(i) + " 0.5 " + std::to_string(i) + "\n";
    return text;
}
} // namespace

// The reader takes large inputs in blocks; lines cut by a block boundary, and lines longer
// than a block, must read exactly as they would in one piece.
TEST(ObjIOBlocks, LinesAcrossBlockBoundariesReadWhole)
{
    const unsigned int n = 60000; // about 2.4 MB of positions
    std::string text = positions(n);
    text += "# " + std::string(3u << 20, 'x') + "\n"; // a comment longer than any block
    text += "f 1 " + std::to_string(n / 2) + " " + std::to_string(n) + "\n";
    text += "f 2 3 4"; // no final line feed

    std::istringstream in(text);
    ObjIOProbe reader;
    CollectingMesh mesh;
    ASSERT_TRUE(reader.load(&mesh, in));
    ASSERT_EQ(reader.loadData.verts.size(), n);
    for (unsigned int i = 1; i <= n; ++i)
        ASSERT_EQ(reader.loadData.verts[i - 1], Vector3<float>(i, 0.5f, i)) << "line " << i;
    ASSERT_EQ(mesh.corners.size(), 6u);
    EXPECT_EQ(mesh.corners[2], Vector3<float>(n, 0.5f, n));
    EXPECT_EQ(mesh.corners[5], Vector3<float>(4.0f, 0.5f, 4.0f));
}

TEST(ObjIOBlocks, LineNumbersCountAcrossBlocks)
{
    const unsigned int n = 60000;
    const std::string text = positions(n) + "v 1 2 1,5\n";
    std::istringstream in(text);
    ObjIO reader;
    CollectingMesh mesh;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(reader.load(&mesh, in));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: OBJ line 60001: bad number '1,5' in a position (coordinates must be finite "
              "decimal numbers)\n");
    EXPECT_TRUE(mesh.corners.empty());
}
