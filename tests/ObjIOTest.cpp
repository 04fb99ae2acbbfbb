// The OBJ reader as tables of texts and the triangles or the one message they give, then
// what only a large input shows: lines across block boundaries, skipped lines in constant
// memory, and the triangles let go while feeding.

#include "ObjIO.h"

#include "Console.h"
#include "io/MeshFile.h"
#include "tests/TestHelpers.h"

#include <algorithm>
#include <fstream>

namespace
{
// Logs every triangle the reader hands over, in order, as "x y z,x y z,x y z|...".
class RecordingMesh : public NoMesh
{
public:
    std::string tris;
    bool addTriangle(const V3& a, const V3& b, const V3& c) override
    {
        std::ostringstream s;
        s << (tris.empty() ? "" : "|") << a << "," << b << "," << c;
        tris += s.str();
        return true;
    }
};

class ObjIOProbe : public ObjIO
{
public:
    using ObjIO::irregularFaces;
    using ObjIO::line;
    using ObjIO::loadData;
    using ObjIO::readTri;
    using ObjIO::splitQuad;
};

// Reads a string in place: the long lines below are not copied.
struct StringView : std::streambuf
{
    explicit StringView(std::string& s) { setg(s.data(), s.data(), s.data() + s.size()); }
};

struct Loaded
{
    bool ok;
    std::string err, tris;
};

Loaded load(std::istream& in, ObjIOProbe& reader)
{
    RecordingMesh mesh;
    std::ostringstream messages;
    reader.setMessages(messages);
    const bool ok = reader.load(&mesh, in);
    return {ok, messages.str(), mesh.tris};
}

Loaded load(std::string text, bool fans = false)
{
    StringView view(text);
    std::istream in(&view);
    ObjIOProbe reader;
    reader.setTriangulatePolygons(fans);
    return load(in, reader);
}

const std::string SQUARE = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
const std::string ONE = "0 0 0,1 0 0,0 1 0", TWO = "0 0 0,1 0 0,1 1 0|0 0 0,1 1 0,0 1 0";
const std::string NUMBERS = " (coordinates must be finite decimal numbers)";

std::string utfMark(const char* encoding)
{
    return std::string("Error: OBJ input is ") + encoding +
           " text (it begins with a byte order mark); only ASCII and UTF-8 are read\n";
}
} // namespace

// Keywords, index and number forms, and each file of tests/bad are checked through meshinfo
// and the readers' tables; these pin what only ObjIO's own interface shows.
TEST(ObjIO, AcceptedTextsGiveTheirTrianglesInOrder)
{
    const std::string body = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
                      lines = SQUARE + "f 1 2 3\nf 1 3 4",
                      crlf = "v 0 0 0\r\nv 1 0 0\r\nv 1 1 0\r\nv 0 1 0\r\nf 1 2 3\r\nf 1 3 4";
    const std::pair<std::string, std::string> cases[] = {
        {body, ONE},
        {SQUARE + "f 1 2 3 4\n", ONE + "|1 0 0,1 1 0,0 1 0"}, // cut along b-d
        {lines, TWO},
        {lines + "\n", TWO},
        {crlf, TWO},
        {crlf + "\r\n", TWO},
        // The face before the first position is dropped; later ones may look ahead.
        {"f 1 2 3\nv 0 0 0\nf 1 2 3\nv 1 0 0\nv 0 1 0\n", ONE},
        {"\xef\xbb\xbf# header\n" + body, ONE},
        {"\xef\xbbv 9 9 9\n" + body, ONE}, // no mark: its line is dropped as usual
    };
    for (const auto& [text, tris] : cases)
    {
        const Loaded r = load(text);
        EXPECT_EQ(std::tie(r.ok, r.err, r.tris), std::make_tuple(true, std::string(), tris))
            << text;
    }
    std::ifstream file("Objs/triangle.obj");
    ObjIOProbe reader;
    EXPECT_EQ(load(file, reader).tris, ONE);
}

TEST(ObjIO, RejectedTextsGiveOneMessageAndNoTriangles)
{
    const std::string faces = "Encountered polygon with ";
    const std::pair<std::string, std::string> cases[] = {
        {"f 1 2 3 4 1\n", faces + "5 faces. Bailing out.\n"},
        {"f 1 2 3 # text\n", faces + "5 faces. Bailing out.\n"},
        {"f\n", faces + "0 faces. Bailing out.\n"},
        {"f 1 2\n", faces + "2 faces. Bailing out.\n"},
        {"f 1 2 4294967295\n", "line 6: vertex index '4294967295' is out of range"},
        {"f 1 2 99999999999999999999\n", "line 6: bad vertex index '99999999999999999999'"},
        {"f 1 2 /3\n", "line 6: bad vertex index '/3'"},
        {"f 1 2 3.5\n", "line 6: bad vertex index '3.5'"},
        {std::string("v 1\0 0 0\n", 9), "line 6: bad number '1\\x00' in a position" + NUMBERS},
    };
    for (const auto& [line, message] : cases)
    {
        const Loaded r = load(SQUARE + "f 1 2 3\n" + line + "f 1 3 4\n");
        EXPECT_FALSE(r.ok) << line;
        EXPECT_EQ(r.err, message.back() == '\n' ? message : "Error: OBJ " + message + "\n");
        EXPECT_EQ(r.tris, "");
    }
    const std::string body = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    const std::pair<std::string, std::string> whole[] = {
        {"", ""}, // no positions: nothing to name, the caller says which file
        {"# only a comment\n", ""},
        {"f 1 2 3\n", ""},
        {std::string("\xfe\xff\0v", 4) + body, utfMark("UTF-16")},
        {std::string("\xff\xfe\0\0", 4) + body, utfMark("UTF-32")},
        {std::string("\0\0\xfe\xff", 4) + body, utfMark("UTF-32")},
    };
    for (const auto& [text, message] : whole)
    {
        const Loaded r = load(text);
        EXPECT_EQ(std::tie(r.ok, r.err, r.tris), std::make_tuple(false, message, std::string()));
    }
    std::ifstream missing("Objs/there-is-no-such-file.obj");
    ObjIOProbe reader;
    EXPECT_EQ(load(missing, reader).err, "Error: OBJ input stream is not readable\n");
}

TEST(ObjIO, FansWhenAskedAndTheFormsOfOneLine)
{
    const std::string text =
        SQUARE + "vn 0 0 1\nv 2 0 0\nv 2 1 0\nf 1 2 3 4 5\nf 1 2 3 4\nf 6 5 4 3 2 1\n";
    std::istringstream is(text);
    ObjIOProbe reader;
    reader.setTriangulatePolygons(true);
    ASSERT_TRUE(load(is, reader).ok);
    const U3 expected[] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 1, 3}, {1, 2, 3},
                           {5, 4, 3}, {5, 3, 2}, {5, 2, 1}, {5, 1, 0}};
    EXPECT_EQ(reader.loadData.tris, std::vector<U3>(std::begin(expected), std::end(expected)));
    EXPECT_EQ(List({unsigned(reader.polygonsSplit()), unsigned(reader.largestPolygon())}),
              List({2, 6}));
    EXPECT_TRUE(!reader.loadData.hasNormals && reader.loadData.normals.empty()) << "dropped";

    std::stringstream tri("f 4 5 6\n"), quad("f 1 2 3 4\n");
    EXPECT_EQ(ObjIOProbe::readTri(tri), U3(3, 4, 5));
    U3 t1, t2;
    ObjIOProbe::splitQuad(quad, t1, t2);
    EXPECT_EQ(List({t1[0], t1[1], t1[2], t2[0], t2[1], t2[2]}), List({0, 1, 3, 1, 2, 3}));
}

// A concave face is split inside itself before the mesh gets it, positions named before
// they are read included; a face bent out of its plane is cut as before and counted.
TEST(ObjIO, ConcaveFacesSplitInsideThem)
{
    const std::string text = "v 0 0 0\nv 3 0 0\nv 0.5 0.5 0\nv 0 3 0\nf 1 2 3 4\nf 2 3 4 1\n"
                             "f 1 2 3 5\nf 6 7 8 9 10\nv 1 1 1\nv 0 0 1\nv 4 0 1\nv 4 4 1\n"
                             "v 2 1 1\nv 0 4 1\nf 3 2 1\n";
    const std::size_t pentagon = text.find("f 6");
    for (const bool fans : {false, true})
    {
        std::istringstream is(fans ? text : text.substr(0, pentagon) + text.substr(pentagon + 13));
        ObjIOProbe reader;
        reader.setTriangulatePolygons(fans);
        const Loaded r = load(is, reader);
        ASSERT_TRUE(r.ok) << r.err;
        std::vector<U3> expected = {{0, 1, 2}, {0, 2, 3}, {1, 2, 0}, {2, 3, 0}, {0, 1, 4},
                                    {1, 2, 4}, {6, 7, 8}, {8, 9, 5}, {8, 5, 6}, {2, 1, 0}};
        if (!fans)
            expected.erase(expected.begin() + 6, expected.end() - 1);
        EXPECT_EQ(reader.loadData.tris, expected);
        EXPECT_EQ(reader.irregularFaces(), 1u);
        std::ostringstream fed;
        for (const U3& t : expected)
            fed << (&t == &expected[0] ? "" : "|") << reader.loadData.verts[t[0]] << ","
                << reader.loadData.verts[t[1]] << "," << reader.loadData.verts[t[2]];
        EXPECT_EQ(r.tris, fed.str());
    }
}

TEST(ObjIO, LargeInputsReadAsInOnePiece)
{
    // Position i is (i, 0.5, i), on line i: a line cut anywhere reads as a different position.
    const unsigned int n = 60000; // about 2.4 MB, many blocks
    std::string positions;
    for (unsigned int i = 1; i <= n; ++i)
        positions += "v " + std::to_string(i) + " 0.5 " + std::to_string(i) + "\n";
    std::istringstream in(positions + "# " + std::string(3u << 20, 'x') + "\nf 1 30000 " +
                          std::to_string(n) + "\nf 2 3 4"); // no final line feed
    ObjIOProbe reader;
    ASSERT_TRUE(load(in, reader).ok);
    ASSERT_EQ(reader.loadData.verts.size(), n);
    for (unsigned int i = 1; i <= n; ++i)
        ASSERT_EQ(reader.loadData.verts[i - 1], V3(float(i), 0.5f, float(i))) << "line " << i;
    EXPECT_EQ(reader.loadData.tris, std::vector<U3>({U3(0, 29999, n - 1), U3(1, 2, 3)}));
    EXPECT_EQ(load(positions + "v 1 2 1,5\n").err,
              "Error: OBJ line 60001: bad number '1,5' in a position" + NUMBERS + "\n");

    // A line the reader holds may have 64 MiB, so a skipped line of 100 MiB that reads
    // shows it was not held. Longer skipped lines are left to meshinfo's /dev/zero case.
    for (const std::string& line :
         {"# " + std::string(100 << 20, 'x'), "vt " + std::string(100 << 20, '0')})
        EXPECT_EQ(load("v 0 0 0\nv 1 0 0\nv 0 1 0\n" + line + "\nf 1 2 3\n").tris, ONE);
}

TEST(ObjIO, ReleasingTrianglesWhileFeedingBuildsTheSameMesh)
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
    HalfEdgeMeshProbe kept, released;
    ObjIOProbe keeping, releasing;
    std::istringstream in1(text), in2(text);
    ASSERT_TRUE(keeping.load(&kept, in1));
    releasing.setReleaseTriangles(true);
    ASSERT_TRUE(releasing.load(&released, in2));
    EXPECT_EQ(keeping.loadData.tris.size(), 2u * (200 * 200 - 19 * 19));
    EXPECT_TRUE(releasing.loadData.tris.empty());
    ASSERT_EQ(released.mEdges.size(), kept.mEdges.size());
    for (unsigned int h = 0; h < kept.mEdges.size(); ++h)
        ASSERT_EQ(released.fields(h), kept.fields(h)) << "half-edge " << h;
    ASSERT_EQ(released.mFaces.size(), kept.mFaces.size());
    for (std::size_t f = 0; f < kept.mFaces.size(); ++f)
        ASSERT_EQ(released.mFaces[f].edge, kept.mFaces[f].edge) << "face " << f;
    EXPECT_EQ(released.mVerts.size(), kept.mVerts.size());
}

// Chunks of a few lines, parsed on several threads, read as one pass: relative indices and
// forward references resolve against the positions before them, the first error in file
// order wins with its line, and lines longer than a chunk are parsed where they stand.
TEST(ObjIO, ChunksOnThreadsReadAsOnePass)
{
    const std::string concave = "v 0 0 0\nv 3 0 0\nv 0.5 0.5 0\nv 0 3 0\nf 1 2 3\n";
    std::string faces, blanks(17 << 20, '\n');
    for (int i = 0; i < 12; ++i)
        faces += "f 1 2 3\nf 1 2 3 4\nF 4 -3 -2\n";
    const std::pair<std::string, std::string> cases[] = {
        {"\xef\xbb\xbf# h\nf 1 2 3\n" + SQUARE +
             "vn 0 0 1\nf 1 2 3 4\n\n\n# x\nf -4 -3 -2\n"
             "v 2 0 0\nf 5 1 -1\nf 1 2 3 4 5 6\r\nv 3 1 0\nv 2 2 0\nvt 1 1\nV 1 1 1\nf 7 6 5 2 3\n"
             "f 1 2 3 4 5 6 7 1 2 3 4 5 6 7 1 2 3 4 5 6 7\nf 2 3 -7\nF 8 1 2\nv 1 9 0\n" +
             faces,
         ""},
        {concave + faces + "f 2 3 4 1\nf 1 2 3 4 5\nf -1 -2 -3\n" + concave + "f 2 3 4 1\n", ""},
        {"v 0 0\n" + SQUARE + faces, "line 1: a position needs three coordinates, found 2"},
        {SQUARE + faces + "f 1 2 x\n" + faces + "v 1 2\n", "line 41: bad vertex index 'x'"},
        {SQUARE + faces + "f 2 1 -5\n" + faces,
         "line 41: relative vertex index '-5' reaches before the first position"},
        {SQUARE + faces + "f 2 1 5\nv 0 0 1\nf 1 2 7\n" + faces,
         "line 43: vertex index 7 is beyond the 5 positions in the file"},
        {SQUARE + "f 1 9 3\n" + faces + "f 1 2 3 4 5\n" + faces + "v 1 1\n",
         "line 79: a position needs three coordinates, found 2"},
        {SQUARE + faces + "f 1 3 2 x\n" + blanks, "line 41: bad vertex index 'x'"},
        {SQUARE + faces + blanks, "line 16777257: no data in the last 16 MiB"},
    };
    const std::pair<unsigned int, std::size_t> runs[] = {{1, 64}, {2, 20}, {2, 1}, {7, 9}, {7, 64}};
    for (const auto& [text, message] : cases)
        for (const bool fans : {true, false})
        {
            const bool large = text.size() > blanks.size(); // read twice only
            std::vector<std::string> seen;
            for (std::size_t k = 0; k < (large ? 2 : 5) && (fans || !large); ++k)
            {
                const auto [threads, chunk] = runs[k];
                std::istringstream in(text);
                ObjIOProbe reader;
                reader.setTriangulatePolygons(fans);
                reader.setThreads(threads);
                reader.setChunkBytes(chunk);
                const Loaded r = load(in, reader);
                std::ostringstream all;
                all << r.ok << r.err << reader.line() << r.tris << reader.polygonsSplit()
                    << reader.largestPolygon() << reader.irregularFaces();
                for (const auto& t : reader.loadData.tris)
                    all << t;
                seen.push_back(all.str());
                if (threads == 1 && fans)
                {
                    EXPECT_EQ(r.err, message.empty() ? "" : "Error: OBJ " + message + "\n");
                }
            }
            for (const std::string& s : seen)
                EXPECT_EQ(s, seen[0]) << text.substr(0, 200) << fans;
        }
}

TEST(ObjIO, TheBunnyAsWritten)
{
    std::ifstream in("Objs/bunnySmall.obj");
    RecordingMesh mesh, expected;
    ASSERT_TRUE(ObjIO().load(&mesh, in));
    for (const auto& t : bunny())
        expected.addTriangle(t[0], t[1], t[2]);
    EXPECT_EQ(std::count(mesh.tris.begin(), mesh.tris.end(), '|'), 3673);
    EXPECT_EQ(mesh.tris, expected.tris);
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
