// The reader takes large inputs in blocks; lines cut by a block boundary, and lines longer
// than a block, must read exactly as they would in one piece, and count as one line.

#include "HalfEdgeMesh.h"
#include "ObjIO.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace
{
class ObjIOProbe : public ObjIO
{
public:
    using ObjIO::loadData;
};
} // namespace

TEST(ObjIOBlocks, LinesAcrossBlockBoundariesReadWhole)
{
    // Position i is (i, 0.5, i), on line i: a line cut anywhere reads as a different position.
    const unsigned int n = 60000; // about 2.4 MB
    std::string positions;
    for (unsigned int i = 1; i <= n; ++i)
        positions += "v " + std::to_string(i) + " 0.5 " + std::to_string(i) + "\n";

    std::istringstream in(positions + "# " + std::string(3u << 20, 'x') + "\nf 1 30000 " +
                          std::to_string(n) + "\nf 2 3 4"); // no final line feed
    ObjIOProbe reader;
    HalfEdgeMesh mesh;
    ASSERT_TRUE(reader.load(&mesh, in));
    ASSERT_EQ(reader.loadData.verts.size(), n);
    for (unsigned int i = 1; i <= n; ++i)
        ASSERT_EQ(reader.loadData.verts[i - 1], Vector3<float>(i, 0.5f, i)) << "line " << i;
    ASSERT_EQ(reader.loadData.tris.size(), 2u);
    EXPECT_EQ(reader.loadData.tris[0], Vector3<unsigned int>(0, 29999, n - 1));
    EXPECT_EQ(reader.loadData.tris[1], Vector3<unsigned int>(1, 2, 3));

    std::istringstream bad(positions + "v 1 2 1,5\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ObjIO().load(&mesh, bad));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: OBJ line 60001: bad number '1,5' in a position (coordinates must be finite "
              "decimal numbers)\n");
}
