// The reader takes large inputs in blocks; lines cut by a block boundary, and lines longer
// than a block, must read exactly as they would in one piece, and count as one line. It
// may also let the parsed triangles go in steps while it feeds a mesh; the mesh must come
// out as it does from a load that keeps them.

#include "HalfEdgeMesh.h"
#include "ObjIO.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace
{
// Reads a string in place: the long lines below are not copied.
struct StringView : std::streambuf
{
    explicit StringView(std::string& s) { setg(s.data(), s.data(), s.data() + s.size()); }
};

class ObjIOProbe : public ObjIO
{
public:
    using ObjIO::loadData;
};

class MeshProbe : public HalfEdgeMesh
{
public:
    using HalfEdgeMesh::mEdges;
    using HalfEdgeMesh::mFaces;
    using HalfEdgeMesh::mVerts;
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

TEST(ObjIOBlocks, ReleasingTrianglesWhileFeedingBuildsTheSameMesh)
{
    // A 200 x 200 grid of quads, each cut into two triangles: 80,000 triangles, more than
    // one release step, with a border and a hole where quads are missing.
    std::string text;
    const int n = 201;
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            text += "v " + std::to_string(x) + " " + std::to_string(y) + " " +
                    std::to_string((x * y) % 7) + "\n";
    for (int y = 0; y + 1 < n; ++y)
        for (int x = 0; x + 1 < n; ++x)
            if (!(x > 90 && x < 110 && y > 90 && y < 110))
            {
                const int a = y * n + x + 1;
                text += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " +
                        std::to_string(a + n + 1) + " " + std::to_string(a + n) + "\n";
            }

    MeshProbe kept, released;
    ObjIOProbe keeping, releasing;
    std::istringstream in1(text), in2(text);
    ASSERT_TRUE(keeping.load(&kept, in1));
    releasing.setReleaseTriangles(true);
    ASSERT_TRUE(releasing.load(&released, in2));

    EXPECT_EQ(keeping.loadData.tris.size(), 2u * (200 * 200 - 19 * 19));
    EXPECT_TRUE(releasing.loadData.tris.empty());
    EXPECT_EQ(releasing.loadData.verts.size(), keeping.loadData.verts.size());

    ASSERT_EQ(released.mEdges.size(), kept.mEdges.size());
    for (std::size_t h = 0; h < kept.mEdges.size(); ++h)
    {
        const HalfEdgeMesh::HalfEdge& a = kept.mEdges[h];
        const HalfEdgeMesh::HalfEdge& b = released.mEdges[h];
        ASSERT_TRUE(a.vert == b.vert && a.face == b.face && a.next == b.next && a.prev == b.prev &&
                    a.pair == b.pair)
            << "half-edge " << h;
    }
    ASSERT_EQ(released.mFaces.size(), kept.mFaces.size());
    for (std::size_t f = 0; f < kept.mFaces.size(); ++f)
        ASSERT_EQ(released.mFaces[f].edge, kept.mFaces[f].edge) << "face " << f;
    ASSERT_EQ(released.mVerts.size(), kept.mVerts.size());
    EXPECT_EQ(released.area(), kept.area());
}

TEST(ObjIOBlocks, LinesSkippedInConstantMemoryAndLinesTooLong)
{
    // A line the reader holds may have 64 MiB, so a skipped line of 100 MiB that reads
    // shows it was not held. Longer skipped lines are left to meshinfo's /dev/zero case.
    const std::pair<std::string, const char*> cases[] = {
        {"# " + std::string(100 << 20, 'x'), nullptr},
        {"vt " + std::string(100 << 20, '0'), nullptr},
        {"v 1 1 " + std::string(64 << 20, '1'), "line 4: the line is longer than 64 MiB"},
    };
    for (const auto& [line, error] : cases)
    {
        std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n" + line + "\nf 1 2 3\n";
        StringView view(text);
        std::istream in(&view);
        ObjIOProbe reader;
        HalfEdgeMesh mesh;
        std::ostringstream messages;
        reader.setMessages(messages);
        EXPECT_EQ(reader.load(&mesh, in), error == nullptr) << line.substr(0, 3);
        EXPECT_EQ(messages.str(), error ? std::string("Error: OBJ ") + error + "\n" : "");
        EXPECT_EQ(reader.loadData.tris.size(), error ? 0u : 1u);
    }
}
