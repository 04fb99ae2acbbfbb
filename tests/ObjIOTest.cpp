#include "ObjIO.h"

#include "Console.h"
#include "Mesh.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{
using V3 = Vector3<float>;
using U3 = Vector3<unsigned int>;

// Logs every triangle the reader hands over, in order.
class RecordingMesh : public Mesh
{
public:
    struct Tri
    {
        V3 a, b, c;
    };
    std::vector<Tri> tris;

    void draw() override {}
    bool addTriangle(const V3& v1, const V3& v2, const V3& v3) override
    {
        tris.push_back({v1, v2, v3});
        return true;
    }
    float curvature(unsigned int, const V3&) override { return 0.0f; }

protected:
    bool addVertex(const V3&, unsigned int&) override { return false; }
    bool findNeighbourTriangles(unsigned int, std::vector<unsigned int>&) const override
    {
        return false;
    }
};

class ObjIOProbe : public ObjIO
{
public:
    using ObjIO::loadData;
    using ObjIO::readTri;
    using ObjIO::splitQuad;
};

struct Loaded
{
    bool ok;
    std::string err;
    RecordingMesh mesh;
};

Loaded load(const std::string& text)
{
    Loaded r;
    std::istringstream is(text);
    ObjIO reader;
    testing::internal::CaptureStderr();
    r.ok = reader.load(&r.mesh, is);
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

const std::string kSquare = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";

void expectTri(const RecordingMesh::Tri& t, const V3& a, const V3& b, const V3& c)
{
    EXPECT_EQ(t.a, a);
    EXPECT_EQ(t.b, b);
    EXPECT_EQ(t.c, c);
}
} // namespace

TEST(ObjIOAccepted, OneTriangleInCornerOrder)
{
    const Loaded r = load("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.mesh.tris.size(), 1u);
    expectTri(r.mesh.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
}

TEST(ObjIOAccepted, QuadIsCutAlongSecondToFourthCorner)
{
    const Loaded r = load(kSquare + "f 1 2 3 4\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.mesh.tris.size(), 2u);
    expectTri(r.mesh.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0)); // a b d
    expectTri(r.mesh.tris[1], V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0)); // b c d
}

TEST(ObjIOAccepted, LineEndingsDoNotMatter)
{
    const std::string lf = kSquare + "f 1 2 3\nf 1 3 4";
    std::string crlf;
    for (char c : lf)
        crlf += (c == '\n') ? std::string("\r\n") : std::string(1, c);
    for (const std::string& text : {lf, lf + "\n", crlf, crlf + "\r\n"})
    {
        const Loaded r = load(text);
        ASSERT_TRUE(r.ok);
        ASSERT_EQ(r.mesh.tris.size(), 2u); // the last line has no line feed in two cases
        expectTri(r.mesh.tris[1], V3(0, 0, 0), V3(1, 1, 0), V3(0, 1, 0));
    }
}

TEST(ObjIOAccepted, HeaderIsSkippedAndFacesMayComeBeforeTheirVertices)
{
    const Loaded r = load("# made by hand\nf 1 2 3\ng grp\nv 0 0 0\nf 1 2 3\nv 1 0 0\nv 0 1 0\n");
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.mesh.tris.size(), 1u); // the face before the first position is dropped
    expectTri(r.mesh.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
}

TEST(ObjIOAccepted, OtherLinesAreIgnored)
{
    const Loaded r = load("v 0 0 0 1\nvn 0 0 1\nvt 0.5 0.5\nV 9 9 9\n  v 5 5 5\n"
                          "o thing\ns 1\nusemtl red\nmtllib x.mtl\nl 1 2\nfo 1 2 3\n"
                          "v 1 0 0\nv 0 1 0\nF 1 2 3\n");
    ASSERT_TRUE(r.ok) << r.err;
    ASSERT_EQ(r.mesh.tris.size(), 1u);
    // The upper-case V and the indented v are skipped, so positions 2 and 3 are the later
    // ones; the weight after the first position is ignored.
    expectTri(r.mesh.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
}

TEST(ObjIOAccepted, SlashFormsUseThePositionIndex)
{
    const Loaded r =
        load(kSquare + "vt 0 0\nvn 0 0 1\nf 1/1 2/1 3/1\nf 1/1/1 3/1/1 4/1/1\nf 2//1 3//1 4//1\n");
    ASSERT_TRUE(r.ok) << r.err;
    ASSERT_EQ(r.mesh.tris.size(), 3u);
    expectTri(r.mesh.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(1, 1, 0));
    expectTri(r.mesh.tris[1], V3(0, 0, 0), V3(1, 1, 0), V3(0, 1, 0));
    expectTri(r.mesh.tris[2], V3(1, 0, 0), V3(1, 1, 0), V3(0, 1, 0));
}

TEST(ObjIOAccepted, NegativeIndicesCountBackFromThePositionsSoFar)
{
    const Loaded r = load("v 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\nv 5 5 5\nf -4 -3 -1\n");
    ASSERT_TRUE(r.ok) << r.err;
    ASSERT_EQ(r.mesh.tris.size(), 2u);
    expectTri(r.mesh.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    expectTri(r.mesh.tris[1], V3(0, 0, 0), V3(1, 0, 0), V3(5, 5, 5));
}

TEST(ObjIOAccepted, NumbersInTheirUsualSpellings)
{
    const Loaded r = load("v +2 .5 -1e-2\nv 1e-46 1E3 -0\nv 3 4 5\nf 1 2 3\n");
    ASSERT_TRUE(r.ok) << r.err;
    ASSERT_EQ(r.mesh.tris.size(), 1u);
    expectTri(r.mesh.tris[0], V3(2, 0.5f, -0.01f), V3(0, 1000, 0), V3(3, 4, 5));
}

TEST(ObjIORejected, PolygonsOtherThanTrianglesAndQuads)
{
    struct Case
    {
        const char* line;
        const char* message;
    } cases[] = {
        {"f 1 2 3 4 1\n", "Encountered polygon with 5 faces. Bailing out.\n"},
        {"f 1 2 3 # text\n", "Encountered polygon with 5 faces. Bailing out.\n"},
        {"f\n", "Encountered polygon with 0 faces. Bailing out.\n"},
        {"f 1 2\n", "Encountered polygon with 2 faces. Bailing out.\n"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        const Loaded r = load(kSquare + "f 1 2 3\n" + c.line + "f 1 3 4\n");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, c.message);
        EXPECT_TRUE(r.mesh.tris.empty());
    }
}

// Index zero, indices beyond the positions, and the bad numbers of tests/bad are checked
// through meshinfo; these are the forms that only a unit test reaches conveniently.
TEST(ObjIORejected, BadIndicesAndCoordinates)
{
    const std::pair<std::string, std::string> cases[] = {
        {"f 1 2 3\nf 1 2 5\n", "line 6: vertex index 5 is beyond the 4 positions in the file"},
        {"f 1 2 4294967295\n", "line 5: vertex index '4294967295' is out of range"},
        {"f 1 2 99999999999999999999\n", "line 5: bad vertex index '99999999999999999999'"},
        {"f 1 2 x\n", "line 5: bad vertex index 'x'"},
        {"f 1 2 /3\n", "line 5: bad vertex index '/3'"},
        {"f 1 2 3.5\n", "line 5: bad vertex index '3.5'"},
        {"v\n", "line 5: a position needs three coordinates, found 0"},
        {"v 1 -inf 2\n", "line 5: bad number '-inf' in a position (coordinates must be finite "
                         "decimal numbers)"},
        {"v 1 +-2 3\n", "line 5: bad number '+-2' in a position (coordinates must be finite "
                        "decimal numbers)"},
        // Quoted tokens are cut after 40 bytes.
        {"v 1 2 " + std::string(60, '9') + "\n",
         "line 5: bad number '" + std::string(40, '9') +
             "...' in a position (coordinates must be finite decimal numbers)"},
    };
    for (const auto& [text, message] : cases)
    {
        SCOPED_TRACE(text);
        const Loaded r = load(kSquare + text + "f 1 2 3\n");
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, "Error: OBJ " + message + "\n");
        EXPECT_TRUE(r.mesh.tris.empty());
    }
}

TEST(ObjIOPolygons, FansWhenAskedAndCountsThem)
{
    std::istringstream is(kSquare + "v 2 0 0\nv 2 1 0\nf 1 2 3 4 5\nf 1 2 3 4\nf 6 5 4 3 2 1\n");
    RecordingMesh mesh;
    ObjIOProbe reader;
    reader.setTriangulatePolygons(true);
    ASSERT_TRUE(reader.load(&mesh, is));
    const U3 expected[] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 1, 3}, {1, 2, 3},
                           {5, 4, 3}, {5, 3, 2}, {5, 2, 1}, {5, 1, 0}};
    ASSERT_EQ(reader.loadData.tris.size(), std::size(expected));
    for (std::size_t t = 0; t < std::size(expected); ++t)
        EXPECT_EQ(reader.loadData.tris[t], expected[t]) << t;
    EXPECT_EQ(reader.polygonsSplit(), 2u);
    EXPECT_EQ(reader.largestPolygon(), 6u);

    // Fewer than three corners still reject the file.
    std::istringstream two(kSquare + "f 1 2\n");
    ObjIO fanning;
    fanning.setTriangulatePolygons(true);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fanning.load(&mesh, two));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Encountered polygon with 2 faces. Bailing out.\n");
}

TEST(ObjIOEncodings, ByteOrderMarks)
{
    const std::string body = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    const std::pair<std::string, const char*> cases[] = {
        {"\xef\xbb\xbf" + body, nullptr},
        {"\xef\xbb\xbf# header\n" + body, nullptr},
        {"\xef\xbbv 9 9 9\n" + body, nullptr}, // no mark: its line is dropped as usual
        {std::string("\xff\xfev\0", 4) + body, "UTF-16"},
        {std::string("\xfe\xff\0v", 4) + body, "UTF-16"},
        {std::string("\xff\xfe\0\0", 4) + body, "UTF-32"},
        {std::string("\0\0\xfe\xff", 4) + body, "UTF-32"},
    };
    for (const auto& [text, encoding] : cases)
    {
        const Loaded r = load(text);
        EXPECT_EQ(r.err, encoding ? std::string("Error: OBJ input is ") + encoding +
                                        " text (it begins with a byte order mark); only ASCII "
                                        "and UTF-8 are read\n"
                                  : "");
        ASSERT_EQ(r.mesh.tris.size(), encoding ? 0u : 1u);
        if (!encoding)
            expectTri(r.mesh.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
    }
}

TEST(ObjIORejected, NoPositionsAtAll)
{
    for (const char* text : {"", "# only a comment\n", "f 1 2 3\n", "\n\n\n"})
    {
        const Loaded r = load(text);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, ""); // nothing to name: the caller says which file
        EXPECT_TRUE(r.mesh.tris.empty());
    }
}

TEST(ObjIORejected, AStreamThatDidNotOpenReturnsAtOnce)
{
    std::ifstream missing("Objs/there-is-no-such-file.obj");
    ASSERT_FALSE(missing.good());
    RecordingMesh mesh;
    ObjIO reader;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(reader.load(&mesh, missing));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error: OBJ input stream is not readable\n");
    EXPECT_TRUE(mesh.tris.empty());
}

TEST(ObjIORejected, BinaryBytes)
{
    // Lines of arbitrary bytes that begin with neither 'v' nor 'f' are skipped like
    // unknown records; a NUL inside a face or position line makes it unreadable.
    std::string bytes = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 4096; i++)
    {
        const char c = static_cast<char>((i * 7919) & 0xff);
        bytes += (c == 'v' || c == 'f' || c == 'V' || c == 'F') ? '#' : c;
    }
    const Loaded skipped = load(bytes + "\nf 1 2 3\n");
    EXPECT_TRUE(skipped.ok) << skipped.err;
    EXPECT_EQ(skipped.mesh.tris.size(), 1u);

    const Loaded face = load(std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\0 3\n", 33));
    EXPECT_FALSE(face.ok);
    EXPECT_NE(face.err.find("line 4: bad vertex index"), std::string::npos) << face.err;
    EXPECT_TRUE(face.mesh.tris.empty());

    const Loaded pos = load(std::string("v 0 0 0\nv 1\0 0 0\nv 0 1 0\nf 1 2 3\n", 33));
    EXPECT_FALSE(pos.ok);
    EXPECT_NE(pos.err.find("line 2: bad number"), std::string::npos) << pos.err;
    EXPECT_TRUE(pos.mesh.tris.empty());
}

TEST(ObjIOSteps, ReadTriAndSplitQuadOnOneLine)
{
    std::stringstream tri("f 4 5 6\n");
    EXPECT_EQ(ObjIOProbe::readTri(tri), U3(3, 4, 5));

    std::stringstream quad("f 1 2 3 4\n");
    U3 t1, t2;
    ObjIOProbe::splitQuad(quad, t1, t2);
    EXPECT_EQ(t1, U3(0, 1, 3));
    EXPECT_EQ(t2, U3(1, 2, 3));
}

TEST(ObjIOSteps, ParseBufferAfterLoad)
{
    std::istringstream is(kSquare + "vn 0 0 1\nf 1 2 3 4\n");
    RecordingMesh mesh;
    ObjIOProbe reader;
    ASSERT_TRUE(reader.load(&mesh, is));
    EXPECT_FALSE(reader.loadData.hasNormals);
    EXPECT_TRUE(reader.loadData.normals.empty());
    EXPECT_EQ(reader.loadData.verts.size(), 4u);
    ASSERT_EQ(reader.loadData.tris.size(), 2u);
    EXPECT_EQ(reader.loadData.tris[0], U3(0, 1, 3));
    EXPECT_EQ(reader.loadData.tris[1], U3(1, 2, 3));
}

TEST(ObjIOFiles, BunnyAndTriangle)
{
    std::ifstream bunny("Objs/bunnySmall.obj");
    ASSERT_TRUE(bunny.good());
    RecordingMesh mesh;
    ObjIO reader;
    ASSERT_TRUE(reader.load(&mesh, bunny));
    EXPECT_EQ(mesh.tris.size(), 3674u);
    std::set<V3> distinct;
    for (const RecordingMesh::Tri& t : mesh.tris)
        distinct.insert({t.a, t.b, t.c});
    EXPECT_EQ(distinct.size(), 1839u);

    std::ifstream triangle("Objs/triangle.obj");
    RecordingMesh one;
    ObjIO reader2;
    ASSERT_TRUE(reader2.load(&one, triangle));
    ASSERT_EQ(one.tris.size(), 1u);
    expectTri(one.tris[0], V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0));
}

TEST(Console, PrintableTextAndProgressLines)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain name.obj", "plain name.obj"},
        {std::string("a\0b\x7f\t\n", 6), "a\\x00b\\x7f\\x09\\x0a"},
        {"caf\xc3\xa9 \xf0\x9f\x99\x82", "caf\xc3\xa9 \xf0\x9f\x99\x82"}, // valid UTF-8 stays
        // cut short, a stray byte, overlong, a surrogate, beyond U+10FFFF
        {"\xc3(\xff", "\\xc3(\\xff"},
        {"\xe0\x80\x80\xed\xa0\x80\xf4\x90\x80\x80",
         "\\xe0\\x80\\x80\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80"},
    };
    for (const auto& [bytes, shown] : cases)
        EXPECT_EQ(printable(bytes), shown);
    EXPECT_EQ(printable(std::string(41, '7'), 40), std::string(40, '7') + "...");
    EXPECT_EQ(printable(std::string(40, '7'), 40), std::string(40, '7'));

    std::ostringstream out;
    Progress("meshinfo", true, out).phase("reading");
    Progress("meshinfo", false, out).phase("building");
    EXPECT_EQ(out.str(), "meshinfo: reading...\n");
}
