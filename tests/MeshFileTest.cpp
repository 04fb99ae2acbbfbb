// One mesh written in every format in code and read back through the one entry point, and
// the hostile cases of each format, with their one line and an untouched mesh.

#include "io/MeshFile.h"

#include "tests/TestHelpers.h"

#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace
{
//      4          a square pyramid: the base 0 3 2 1 is a quad (cut 0 3 1, 3 2 1),
//     /|\         the sides are triangles; -0 in one position welds with +0
//   0--|-3
//   |  2 |
//   1----+
const float P[5][3] = {{0, 0, 0}, {1, -0.0f, 0}, {1, 1, 0}, {0, 1, 0}, {0.5f, 0.5f, 0.75f}};
const std::vector<std::vector<unsigned int>> F = {
    {0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};

std::vector<std::vector<unsigned int>> triangles()
{
    std::vector<std::vector<unsigned int>> t;
    for (const auto& f : F)
        if (f.size() == 3)
            t.push_back(f);
        else
            t.push_back({f[0], f[1], f[3]}), t.push_back({f[1], f[2], f[3]});
    return t;
}

template <class T> void put(std::string& out, T value, bool bigEndian)
{
    char b[sizeof(T)];
    std::memcpy(b, &value, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out += b[bigEndian ? sizeof(T) - 1 - i : i];
}

std::string binaryStl(const std::vector<std::vector<unsigned int>>& tris, std::uint32_t count)
{
    std::string s(80, ' ');
    put(s, count, false);
    for (const auto& t : tris)
    {
        for (int k = 0; k < 3; ++k)
            put(s, 0.0f, false); // normal
        for (unsigned int c : t)
            for (int k = 0; k < 3; ++k)
                put(s, P[c][k], false);
        s += "\0\0"s;
    }
    return s;
}

std::string asciiStl()
{
    std::ostringstream s;
    s << "solid pyramid\n";
    for (const auto& t : triangles())
    {
        s << " facet normal 0 0 0\n  outer loop\n";
        for (unsigned int c : t)
            s << "   vertex " << P[c][0] << " " << P[c][1] << " " << P[c][2] << "\n";
        s << "  endloop\n endfacet\n";
    }
    return s.str() + "endsolid pyramid\n";
}

std::string textLists(const char* faceStart)
{
    std::ostringstream s;
    for (const auto& p : P)
        s << p[0] << " " << p[1] << " " << p[2] << " 7\n"; // 7: a column not used
    for (const auto& f : F)
    {
        s << faceStart << f.size();
        for (unsigned int c : f)
            s << " " << c;
        s << "\n";
    }
    return s.str();
}

// Little-endian floats with an unused colour and edge element; big-endian doubles with
// 16-bit counts. Both list corners under one of the two accepted names.
std::string ply(const char* format)
{
    const bool ascii = std::strcmp(format, "ascii") == 0;
    const bool big = std::strcmp(format, "binary_big_endian") == 0;
    std::string s = std::string("ply\nformat ") + format + " 1.0\ncomment test\n" +
                    "element vertex 5\nproperty " + (big ? "double" : "float") + " x\nproperty " +
                    (big ? "double" : "float") + " y\nproperty " + (big ? "double" : "float") +
                    " z\nproperty uchar red\nelement face 5\n" +
                    (big ? "property list ushort uint vertex_index\n"
                         : "property list uchar int vertex_indices\n") +
                    "element edge 1\nproperty list uchar int ends\nend_header\n";
    if (ascii)
        return s + textLists("") + "2 0 1\n";
    for (const auto& p : P)
    {
        for (int k = 0; k < 3; ++k)
            big ? put(s, double(p[k]), true) : put(s, p[k], false);
        s += '\7';
    }
    for (const auto& f : F)
    {
        big ? put(s, std::uint16_t(f.size()), true) : put(s, std::uint8_t(f.size()), false);
        for (unsigned int c : f)
            put(s, c, big);
    }
    s += '\2';
    put(s, 0, false), put(s, 1, false);
    return s;
}

// Loads bytes into mesh: "" or the message of the failure.
std::string load(const std::string& bytes, const std::string& name, HalfEdgeMeshProbe& mesh,
                 MeshReadStats& stats)
{
    std::istringstream in(bytes);
    ReadError why;
    return loadMeshStream(in, name, mesh, MeshReadOptions(), stats, why) ? "" : why.message;
}
} // namespace

TEST(MeshFile, EveryFormatGivesTheSameWeldedMesh)
{
    std::ostringstream obj;
    for (const auto& p : P)
        obj << "v " << p[0] << " " << p[1] << " " << p[2] << "\n";
    for (const auto& f : F)
        obj << "f " << f[0] + 1 << " " << f[1] + 1 << " " << f[2] + 1
            << (f.size() == 4 ? " " + std::to_string(f[3] + 1) : "") << "\n";
    HalfEdgeMeshProbe reference;
    MeshReadStats stats;
    ASSERT_EQ(load(obj.str(), "pyramid.obj", reference, stats), "");
    ASSERT_EQ(reference.positions().size(), 5u);
    ASSERT_EQ(reference.mFaces.size(), 6u);

    const struct
    {
        std::string bytes;
        const char* name; // content decides; the extension misleads where it can
        MeshFormat format;
    } CASES[] = {
        {binaryStl(triangles(), 6), "pyramid.obj", MeshFormat::STL_BINARY},
        {asciiStl(), "-", MeshFormat::STL_ASCII},
        {"SOLID X\nFACET NORMAL 0 0 0" + asciiStl().substr(33), "x.obj", MeshFormat::STL_ASCII},
        {"OFF\n# comment\n5 5 10\n" + textLists(""), "pyramid.stl", MeshFormat::OFF},
        {"OFF 5 5\n" + textLists(" "), "x", MeshFormat::OFF},
        {"5 5 0\n" + textLists(""), "pyramid.off", MeshFormat::OFF},
        {ply("ascii"), "pyramid.stl", MeshFormat::PLY},
        {ply("binary_little_endian"), "", MeshFormat::PLY},
        {ply("binary_big_endian"), "", MeshFormat::PLY},
    };
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(meshFormatName(c.format) + " "s + c.name);
        HalfEdgeMeshProbe mesh;
        ASSERT_EQ(load(c.bytes, c.name, mesh, stats), "");
        EXPECT_EQ(stats.format, c.format);
        EXPECT_EQ(mesh.positions(), reference.positions());
        EXPECT_EQ(mesh.mFaces.size(), reference.mFaces.size());
        EXPECT_EQ(mesh.area(), reference.area());
        EXPECT_EQ(mesh.volume(), reference.volume());

        // STL's repeated corners are welded in the reader too: five positions, as indexed.
        std::istringstream in(c.bytes);
        MeshData data;
        ReadError why;
        ASSERT_TRUE(readMeshStream(in, c.name, data, MeshReadOptions(), stats, why));
        EXPECT_EQ(data.verts.size(), 5u);
        EXPECT_EQ(data.tris.size(), 6u);
    }
}

// A concave quad is split inside itself and a bent one counted in PLY as in OBJ and OFF (whose
// files in tests/bad meshinfo reads).
TEST(MeshFile, ConcaveQuadsSplitInsideThem)
{
    std::istringstream in("ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty "
                          "float y\nproperty float z\nelement face 3\nproperty list uchar int "
                          "vertex_indices\nend_header\n0 0 0\n3 0 0\n0.5 0.5 0\n0 3 0\n0 0 1\n"
                          "4 0 1 2 3\n4 1 2 3 0\n4 0 1 2 4\n");
    MeshData data;
    MeshReadStats stats;
    ReadError error;
    ASSERT_TRUE(readMeshStream(in, "", data, MeshReadOptions(), stats, error)) << error.message;
    EXPECT_EQ(data.tris,
              (std::vector<U3>{{0, 1, 2}, {0, 2, 3}, {1, 2, 0}, {2, 3, 0}, {0, 1, 4}, {1, 2, 4}}));
    EXPECT_EQ(stats.irregularFaces, 1u);
}

TEST(MeshFile, HostileInputGivesOneLineAndLeavesTheMeshEmpty)
{
    const std::string tri = binaryStl({{0, 1, 2}}, 1);
    std::string nanStl = tri;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(&nanStl[84 + 12 + 16], &nan, 4);
    const std::string plyHead = "ply\nformat binary_little_endian 1.0\nelement vertex 3\n"
                                "property float x\nproperty float y\nproperty float z\n"
                                "element face 1\nproperty list uchar uint vertex_indices\n"
                                "end_header\n";
    std::string plyBody;
    for (int i = 0; i < 9; ++i)
        put(plyBody, float(i % 4 == 0), false);
    const std::string plyFace = "\3\0\0\0\0\1\0\0\0\2\0\0\0"s;
    std::string plyIndex = plyHead + plyBody + plyFace;
    plyIndex[plyIndex.size() - 4] = 3;

    const struct
    {
        const char* what;
        std::string bytes;
        const char* name;
        const char* error;
    } CASES[] = {
        {"STL header cut", tri.substr(0, 50), "a.stl",
         "Error: binary STL byte 50: the file ends inside the 84-byte header"},
        {"STL count beyond the file", binaryStl({{0, 1, 2}}, 1000000000), "a.stl",
         "Error: binary STL: the header declares 1000000000 triangles, which take 50000000084 "
         "bytes; the file has 134 (truncated?)"},
        {"STL NaN", nanStl, "",
         "Error: binary STL byte 112: triangle 1 has a coordinate that "
         "is not a finite number"},
        {"STL text cut in a line", asciiStl().substr(0, 60), "",
         "Error: ASCII STL line 4: a vertex needs three coordinates, found 2 (the file ends in "
         "this line: truncated?)"},
        {"PLY rows beyond the file", plyHead + plyBody, "",
         "Error: PLY byte 206: the file ends inside the data (truncated?)"},
        {"PLY index", plyIndex, "",
         "Error: PLY byte 215: face 0 has vertex index 3, outside the 3 vertices (they count "
         "from 0)"},
        {"PLY bytes in the header", "ply\nformat ascii 1.0\n\x01\xff\n", "",
         "Error: PLY line 3: unknown header line '\\x01\\xff'"},
        {"OFF pentagon", "OFF\n5 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n5 0 1 2 3 4\n", "",
         "Error: OFF line 8: a face with 5 corners (faces of more than four corners are split only "
         "on request)"},
        {"OFF cut", "OFF\n3 2 0\n0.000 0.000 0.000\n1.000 0 0\n0 1.000 0\n3 0 1 2\n", "",
         "Error: OFF line 6: the file ends after 1 of 2 faces (truncated?)"},
    };
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(c.what);
        HalfEdgeMeshProbe mesh;
        MeshReadStats stats;
        EXPECT_EQ(load(c.bytes, c.name, mesh, stats), c.error);
        EXPECT_TRUE(mesh.mFaces.empty() && mesh.positions().empty());
    }
}
