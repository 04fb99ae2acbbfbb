// The reading stack in every format: one number parser, failures as kinds, a file and a pipe
// alike, bounded reading of endless input, and corrupt files not read as triangles.

#include "io/MeshFile.h"
#include "io/MeshReaders.h"
#include "tests/TestHelpers.h"

#include "SupportCode/WeldShares.h"

#include <cstring>
#include <filesystem>
#include <unistd.h>

using namespace std::string_literals;

namespace
{
// A pipe: no seeking, and short reads of at most 1000 bytes.
class PipeBuffer : public std::streambuf
{
public:
    explicit PipeBuffer(const std::string& bytes) : mBytes(bytes) {}

protected:
    std::streamsize xsgetn(char* out, std::streamsize n) override
    {
        const std::size_t take = std::min({std::size_t(n), std::size_t(1000), mBytes.size() - mAt});
        mAt += mBytes.copy(out, take, mAt);
        return std::streamsize(take);
    }
    int_type underflow() override { return traits_type::eof(); }

private:
    const std::string& mBytes;
    std::size_t mAt = 0;
};

// Input without end: a start, then unit again and again; counts the bytes handed out.
class EndlessBuffer : public std::streambuf
{
public:
    EndlessBuffer(std::string start, std::string unit) : mStart(std::move(start))
    {
        while (!unit.empty() && mBlock.size() < (1 << 16))
            mBlock += unit;
    }
    std::uint64_t pulled = 0;

protected:
    std::streamsize xsgetn(char* out, std::streamsize n) override
    {
        std::streamsize done = 0;
        for (; done < n && mAt < mStart.size(); ++done)
            out[done] = mStart[mAt++];
        for (; done < n; ++done)
        {
            mRandom = mRandom * 6364136223846793005ull + 1442695040888963407ull;
            out[done] = mBlock.empty() ? char(mRandom >> 56) : mBlock[mUnitAt++ % mBlock.size()];
        }
        pulled += static_cast<std::uint64_t>(done);
        return done;
    }
    int_type underflow() override { return traits_type::eof(); }

private:
    std::string mStart, mBlock;
    std::size_t mAt = 0, mUnitAt = 0;
    std::uint64_t mRandom = 7;
};

struct Result
{
    bool ok;
    ReadError error;
    MeshData data;
    MeshReadStats stats;
    std::string describe() const
    {
        std::ostringstream s;
        s << ok << " " << int(error.kind) << " " << error.message << " " << error.line << " "
          << error.byte << " " << meshFormatName(stats.format) << " " << data.verts.size() << " "
          << data.tris.size() << " " << stats.stlNormalsDisagreeing << " " << stats.warning << " "
          << stats.splitPolygons << " " << stats.largestPolygon << " " << stats.irregularFaces;
        for (const V3& v : data.verts) // to the bit: -0 is not 0
            for (unsigned int k = 0; k < 3; ++k)
            {
                const float f = v[k];
                std::uint32_t bits;
                std::memcpy(&bits, &f, 4);
                s << " " << std::hex << bits << std::dec;
            }
        for (const U3& t : data.tris)
            s << " " << t;
        return s.str();
    }
};

// Reads the stream, or without one the file of that name.
Result readFrom(std::istream* in, const std::string& name, unsigned int threads = 1)
{
    Result r;
    MeshReadOptions options;
    options.splitPolygons = true;
    options.threads = threads;
    r.ok = in ? readMeshStream(*in, name, r.data, options, r.stats, r.error)
              : readMeshFile(name, r.data, options, r.stats, r.error);
    return r;
}

Result readText(const std::string& bytes, const std::string& name = "-")
{
    std::istringstream in(bytes);
    return readFrom(&in, name);
}

// A binary STL of count in the header and tris triangles, each (0 0 0) (1 0 0) (0 1 0) moved
// up by its number, with the normal given.
std::string binaryStl(std::uint32_t count, std::uint32_t tris, float nz = 0.0f)
{
    std::string s(80, ' ');
    s += std::string(reinterpret_cast<const char*>(&count), 4);
    for (std::uint32_t t = 0; t < tris; ++t)
    {
        const float v[12] = {0, 0, nz, 0, 0, float(t), 1, 0, float(t), 0, 1, float(t)};
        s.append(reinterpret_cast<const char*>(v), sizeof v).append(2, '\0');
    }
    return s;
}

// The message for a binary STL whose size disagrees with its header.
std::string declares(int tris, int bytes, const std::string& has)
{
    return "Error: binary STL: the header declares " + std::to_string(tris) +
           " triangles, which take " + std::to_string(bytes) + " bytes; the file has " + has;
}

std::string asciiFacet(const char* normal, const char* a)
{
    return " facet normal "s + normal + "\n  outer loop\n   vertex " + a +
           " 0 0\n   vertex 1 0 0\n   vertex 0 1 0\n  endloop\n endfacet\n";
}

// One triangle with token as the first coordinate of its first corner, in each text format.
std::vector<std::pair<std::string, std::string>> withCoordinate(const std::string& token)
{
    return {{"v " + token + " 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", "t.obj"},
            {"OFF\n3 1 0\n" + token + " 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", "t.off"},
            {"solid t\n" + asciiFacet("0 0 1", token.c_str()) + "endsolid t\n", "t.stl"},
            {"ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
             "property double z\nelement face 1\nproperty list uchar int vertex_indices\n"
             "end_header\n" +
                 token + " 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
             "t.ply"}};
}
} // namespace

// Values as little-endian (or big-endian) bytes, one type letter each: b uchar, i int,
// f float, d double.
std::string pack(const std::string& types, const std::vector<double>& values, bool big = false)
{
    std::string out;
    for (std::size_t i = 0; i < types.size(); ++i)
    {
        const auto b = static_cast<unsigned char>(values[i]);
        const auto n = static_cast<std::int32_t>(values[i]);
        const auto f = static_cast<float>(values[i]);
        std::string v = types[i] == 'b'   ? std::string(1, char(b))
                        : types[i] == 'i' ? std::string(reinterpret_cast<const char*>(&n), 4)
                        : types[i] == 'f'
                            ? std::string(reinterpret_cast<const char*>(&f), 4)
                            : std::string(reinterpret_cast<const char*>(&values[i]), 8);
        out += big ? std::string(v.rbegin(), v.rend()) : v;
    }
    return out;
}

// A binary STL of facets made of the corners (i mod 9, 0, i mod 4) for i = t, t + 1 and
// t + 3 (t + 0 twice in facet 5), corner 0 at x = -0, every third normal against the
// others; faults: {facet, coordinate value}.
std::string stlStrip(std::uint32_t facets, std::vector<std::pair<std::uint32_t, float>> faults = {})
{
    std::string s = binaryStl(facets, 0);
    for (std::uint32_t t = 0; t < facets; ++t)
    {
        std::vector<double> v = {0, t % 3 ? 1.0 : -1.0, 0};
        for (const std::uint32_t i : {t, t == 5 ? t : t + 1, t + 3})
            v.insert(v.end(), {i == 0 ? -0.0 : double(i % 9), 0, double(i % 4)});
        for (const auto& [at, value] : faults)
            v[4] = at == t ? value : v[4];
        s += pack("ffffffffffff", v) + "xy";
    }
    return s;
}

TEST(Readers, ThreadsReadAsOneThread)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = INFINITY;
    const std::string big = stlStrip(1400); // beyond the window that is judged whole
    std::string ply[2];
    for (const bool b : {false, true})
    {
        ply[b] = "ply\nformat binary_"s + (b ? "big" : "little") +
                 "_endian 1.0\nelement vertex 10\nproperty float x\nproperty uchar q\n"
                 "property float y\nproperty double z\nelement face 12\nproperty list uchar int "
                 "vertex_indices\nproperty list uchar float uv\nend_header\n";
        for (int v = 0; v < 10; ++v)
            ply[b] += pack("fbfd", {v == 0 ? -0.0 : v % 4, 7, v % 3 ? 0.0 : -0.0, v % 2 * 0.5}, b);
        for (int f = 0; f < 12; ++f) // triangles, a quad (face 3) and a pentagon (face 7)
            ply[b] += pack("biiiiib",
                           {f == 3   ? 4.0
                            : f == 7 ? 5
                                     : 3,
                            f % 10 * 1.0, 9.0 - f % 10, 3, 4, 1, double(f % 3)},
                           b)
                          .substr(0, f == 3   ? 17
                                     : f == 7 ? 21
                                              : 13) +
                      pack("bffbb", {double(f % 3), 1, 2, 0, 0}, b).substr(0, 1 + 4 * (f % 3));
    }
    const std::size_t vertex0 = ply[0].find("end_header\n") + 11;
    const auto face = [&](int f) // where face f starts
    {
        std::size_t at = vertex0 + 10 * 17;
        for (int g = 0; g < f; ++g)
            at += (g == 3 ? 17 : g == 7 ? 21 : 13) + 1 + 4 * (g % 3);
        return at;
    };
    const auto at = [](std::string s, std::size_t i, const std::string& bytes)
    { return s.replace(i, bytes.size(), bytes); };
    const std::string signedUv = at(ply[0], ply[0].find("uchar float"), "char  float");
    const struct
    {
        std::string bytes;
        std::string expect; // "read N" for N triangles, or the message
    } CASES[] = {
        {stlStrip(40), "read 40"},
        {big, "read 1400"},
        {stlStrip(40, {{3, nan}, {5, inf}, {30, inf}}),
         "Error: binary STL byte 250: triangle 4 has a coordinate that is not a finite number"},
        {stlStrip(40, {{30, -inf}}),
         "Error: binary STL byte 1600: triangle 31 has a coordinate that is not a finite number"},
        {big.substr(0, big.size() - 25), declares(1400, 70084, "70059 (truncated?)")},
        {stlStrip(1400, {{1300, nan}}).substr(0, big.size() - 25),
         "Error: binary STL byte 65100: triangle 1301 has a coordinate that is not a finite "
         "number"},
        {big + "0123456789", declares(1400, 70084, "70094")},
        {ply[0], "read 15"},
        {ply[1], "read 15"},
        {at(at(ply[0], face(1) + 5, pack("i", {10})), face(10) + 1, pack("i", {-1})),
         "Error: PLY byte 407: face 1 has vertex index 10, outside the 10 vertices (they count "
         "from 0)"},
        {at(ply[0], face(10) + 1, pack("i", {-1})),
         "Error: PLY byte 577: face 10 has vertex index -1, outside the 10 vertices (they count "
         "from 0)"},
        {at(ply[1], face(9) - 3, pack("b", {0})), // its header is 3 bytes shorter
         "Error: PLY byte 559: face 9 is a face with 0 corners (at least three are needed)"},
        {ply[0].substr(0, face(11) + 21), // a byte short
         "Error: PLY byte 612: the file ends inside the data (truncated?)"},
        {at(signedUv, face(8) + 13, pack("b", {255})),
         "Error: PLY byte 553: a negative list length"},
        {at(at(ply[0], vertex0 + 8 * 17 + 9, pack("d", {1e39})), vertex0 + 2 * 17,
            pack("f", {NAN})),
         "Error: PLY byte 252: vertex 2 has a coordinate that is not a finite number in float "
         "range"},
        {ply[0].substr(0, vertex0 + 4 * 17 + 5),
         "Error: PLY byte 291: the file ends inside the data (truncated?)"}};
    for (const auto& c : CASES)
    {
        const Result one = readText(c.bytes);
        EXPECT_EQ(one.ok ? "read " + std::to_string(one.data.tris.size()) : one.error.message,
                  c.expect);
        for (const std::size_t chunk : {1, 3, 64})
            for (const unsigned int threads : {2u, 7u})
            {
                SCOPED_TRACE(c.expect + " on " + std::to_string(threads) + " threads, chunks of " +
                             std::to_string(chunk));
                meshio::setChunkRecords(chunk * (c.bytes.size() > 9999 ? 97 : 1)); // large: fewer
                PipeBuffer pipe(c.bytes);
                std::istream in(&pipe);
                EXPECT_EQ(readFrom(&in, "-", threads).describe(), one.describe());
            }
        meshio::setChunkRecords(0);
    }
}

TEST(Readers, OneNumberParserInEveryFormat)
{
    const float below = 1.0f, above = std::nextafter(1.0f, 2.0f);
    // Halfway and a hair above: only a direct, correctly rounded parse rounds up.
    std::istringstream tokens("+1.5 -.5 1e-400 -1e-400 1e-45 1.000000059604644775390625 "
                              "1.000000059604644775390625000000001 3.4028235e38");
    for (const float value : {1.5f, -0.5f, 0.0f, -0.0f, 1e-45f, below, above, 3.4028235e38f})
    {
        std::string token;
        tokens >> token;
        for (const auto& [bytes, name] : withCoordinate(token))
        {
            const Result r = readText(bytes, name);
            ASSERT_TRUE(r.ok) << token << " in " << name << ": " << r.error.message;
            const float x = r.data.verts.at(r.data.tris.at(0)[0])[0];
            EXPECT_EQ(std::memcmp(&x, &value, 4), 0) << token << " in " << name << ": " << x;
        }
    }
    for (const char* token : {"1e39", "+-1", "++1", "+", "0x1p3", "nan", "inf", "1,5", "1.5x"})
        for (const auto& [bytes, name] : withCoordinate(token))
        {
            const Result r = readText(bytes, name);
            EXPECT_EQ(std::make_pair(r.ok, r.error.kind),
                      std::make_pair(false, ReadFailure::REJECTED))
                << token << " in " << name;
        }
}

TEST(Readers, FailuresComeAsKinds)
{
    for (const char* path : {"no-such-file.stl", "."})
    {
        const Result r = readFrom(nullptr, path);
        EXPECT_EQ(std::make_tuple(r.ok, r.error.kind, r.error.message),
                  std::make_tuple(false, ReadFailure::CANNOT_OPEN,
                                  *path == '.' ? "cannot open: Is a directory"s
                                               : "cannot open: No such file or directory"s));
    }

    const struct
    {
        std::string bytes;
        std::uint64_t line, byte;
        const char* name = "x.stl";
    } CASES[] = {
        {"v 0 0 0\nv 1 0 0\nf 1 2 x\n", 3, 0, "-"},
        {"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 9\n", 6, 0, "-"},
        {binaryStl(1, 1).substr(0, 50), 0, 50},
        {binaryStl(1, 1).substr(0, 90), 0, 80},
        {"ply\nformat binary_little_endian 1.0\nelement vertex 1\nproperty float x\nproperty "
         "float y\nproperty float z\nend_header\n" +
             std::string(12, '\0') + "x",
         0, 127, "-"}};
    for (const auto& c : CASES)
    {
        const Result r = readText(c.bytes, c.name);
        EXPECT_EQ(std::make_tuple(r.error.kind, r.error.line, r.error.byte),
                  std::make_tuple(ReadFailure::REJECTED, c.line, c.byte))
            << r.error.message;
    }
    const Result good = readText("v 0 0 0\n");
    EXPECT_EQ(std::make_pair(good.ok, good.error.kind), std::make_pair(true, ReadFailure::NONE));
}

TEST(Readers, CorruptFilesAreNotReadAsTriangles)
{
    const std::string cube = binaryStl(12, 12);
    float lf = 0; // a normal whose bytes are line feeds
    std::memcpy(&lf, "\n\n\n\n", 4);
    std::string crlf = binaryStl(4, 4, lf); // a text conversion put a CR before every LF
    for (std::size_t at = 84; (at = crlf.find('\n', at)) != std::string::npos; at += 2)
        crlf.insert(at, "\r");
    const std::string facet = asciiFacet("0 0 1", "0");
    const struct
    {
        const char* what;
        std::string bytes;
        const char* name;
        std::string expect; // the message, or for a file read: format tris normals warning
    } CASES[] = {
        {"exact, named otherwise", cube, "x.ply", "binary STL 12 0 "},
        {"26 bytes appended", cube + std::string(26, '\0'), "x.stl", declares(12, 684, "710")},
        {"count 2 holding 4", binaryStl(2, 4), "-", declares(2, 184, "284")},
        {"count 4 holding 2", binaryStl(4, 2), "-", declares(4, 284, "184 (truncated?)")},
        {"mangled by CRLF", crlf, "-", declares(4, 284, std::to_string(crlf.size()))},
        {"normals against the winding", binaryStl(3, 3, -1.0f), "-", "binary STL 3 3 "},
        {"normals with the winding", binaryStl(3, 3, 2.0f), "-", "binary STL 3 0 "},
        {"ASCII with a BOM", "\xef\xbb\xbfsolid x\n" + facet + "endsolid x\n", "-",
         "ASCII STL 1 0 "},
        {"ASCII against its normal", "solid x\n" + asciiFacet("0 0 -1", "0") + "endsolid x\n", "-",
         "ASCII STL 1 1 "},
        {"a name longer than the window",
         "solid " + std::string(100000, 'n') + "\n" + facet + "endsolid\n", "-", "ASCII STL 1 0 "},
        {"no endsolid", "solid x\n" + facet + facet, "-",
         "ASCII STL 2 0 Warning: ASCII STL: the file ends without 'endsolid'"},
        {"padded with NULs", "solid x\n" + facet + "endsolid x\n" + std::string(5, '\0'), "-",
         "ASCII STL 1 0 "},
        {"cut in a facet", "solid x\n" + facet.substr(0, facet.find("  endloop")), "-",
         "Error: ASCII STL line 6: the file ends before 'endsolid' (truncated?)"},
        {"data after endsolid", "solid x\n" + facet + "endsolid x\nfacet\n", "-",
         "Error: ASCII STL line 10: expected 'solid', found 'facet'"},
        {"two solids", "solid a\n" + facet + "endsolid a\nsolid b\n" + facet + "endsolid b\n", "-",
         "ASCII STL 2 0 "}};
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(c.what);
        const Result r = readText(c.bytes, c.name);
        if (r.ok)
            EXPECT_EQ(meshFormatName(r.stats.format) + " "s + std::to_string(r.data.tris.size()) +
                          " " + std::to_string(r.stats.stlNormalsDisagreeing) + " " +
                          r.stats.warning,
                      c.expect);
        else
            EXPECT_EQ(r.error.message, c.expect);
    }
}

TEST(Readers, OffAndPlyAreCheckedExactly)
{
    const std::string tri = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const std::string plyHead = "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                                "property float y\nproperty float z\n";
    const std::string plyFace = "element face 1\nproperty list uchar int vertex_indices\n";
    const std::string plyBody = "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
    const struct
    {
        std::string bytes;
        const char* name;
        const char* expect; // the message, or "read N" for N triangles
    } CASES[] = {
        {"OFF\n3 1\n0 0 0 1 0 0 0 1 0\n3 0 1 2\n", "-", "read 1"},
        {"OFF\n3 1\n0\n0\n0\n1\n0\n0\n0\n1\n0\n3\n0\n1\n2\n", "-", "read 1"},
        {"# made by hand\nOFF # keyword\n3 1 # counts\n" + tri + "# end\n\n", "x.off", "read 1"},
        {"COFF\n3 1 0\n0 0 0 1 1 1\n1 0 0 1 1 1\n0 1 0 1 1 1\n3 0 1 2 9 9 9\n", "-", "read 1"},
        {"OFF\n3 1 0\n" + tri + "3 0 1 2\n", "-",
         "Error: OFF line 7: data after the last face: '3'"},
        {"4OFF\n3 1 0\n" + tri, "-",
         "Error: OFF line 1: '4OFF' is an OFF file of more than three dimensions, which is not "
         "read"},
        {"nOFF\n3\n3 1 0\n" + tri, "-",
         "Error: OFF line 1: 'nOFF' is an OFF file of more than three dimensions, which is not "
         "read"},
        {"GARBAGEOFF\n3 1 0\n" + tri, "x.off",
         "Error: OFF line 1: expected 'OFF' or the vertex and face counts, found 'GARBAGEOFF'"},
        {"GARBAGEOFF\n3 1 0\n" + tri, "-", "no vertex data (no line begins with 'v')"},
        {"ply\r\nformat ascii 1.0\r\nelement vertex 3\r\nproperty float x\r\nproperty float "
         "y\r\nproperty float z\r\nend_header\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n",
         "-", "read 0"},
        {"plyx\n" + plyHead.substr(4) + plyFace + plyBody, "x.ply",
         "Error: PLY line 1: the first line is not 'ply'"},
        {"ply\nformat ascii 2.0\n", "-",
         "Error: PLY line 2: expected 'format ascii 1.0', found 'format ascii 2.0'"},
        {plyHead + "property float x\n", "-",
         "Error: PLY line 7: the element 'vertex' has two properties 'property float x'"},
        {plyHead + plyFace + "end_header\n0 0 0\n1 0 0\n0 1 0\n300 0 1 2\n", "-",
         "Error: PLY line 13: the value 300 does not fit its type uchar"},
        {plyHead + "element tristrips 1\nproperty list int int vertex_indices\nend_header\n", "-",
         "Error: PLY line 9: faces in the element 'tristrips' are not read (only 'face' is)"},
        {plyHead + "element face 1\nproperty uchar flags\nend_header\n", "-",
         "Error: PLY line 9: the face element has no vertex_indices list"},
        {plyHead + plyFace + plyBody + "7\n", "-",
         "Error: PLY line 14: data after the last element: '7'"},
        {plyHead + plyFace + plyBody + " \n\n", "-", "read 1"}};
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(c.bytes);
        const Result r = readText(c.bytes, c.name);
        EXPECT_EQ(r.ok ? "read " + std::to_string(r.data.tris.size()) : r.error.message, c.expect);
    }
}

TEST(Readers, AFileAndAPipeGiveTheSameAnswer)
{
    const std::string tmp =
        std::filesystem::temp_directory_path() / ("readers-" + std::to_string(getpid()));
    const std::vector<std::string> inputs = {
        binaryStl(2, 2),
        binaryStl(2, 3),
        binaryStl(0, 0) + std::string(70000, 'v'),
        "solid x\n" + asciiFacet("0 0 1", "0") + "endsolid x\n",
        "solid " + std::string(70000, 'n'),
        "OFF\n3 1\n0 0 0 1 0 0 0 1 0 3 0 1 2\n",
        "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\n"
        "property float z\nend_header\n0\n0\n0\n",
        "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n" + std::string(70000, '#'),
        std::string(100, '\0'),
        ""};
    for (const std::string& bytes : inputs)
        for (const char* ext : {".obj", ".stl", ".ply", ".off", ""})
        {
            SCOPED_TRACE(bytes.substr(0, 20) + ext);
            const std::string name = tmp + ext;
            std::ofstream(name, std::ios::binary) << bytes;
            PipeBuffer pipe(bytes);
            std::istream in(&pipe);
            EXPECT_EQ(readFrom(&in, name).describe(), readFrom(nullptr, name).describe());
            std::filesystem::remove(name);
        }
}

TEST(Readers, EndlessInputStopsEarly)
{
    const std::string NO_DATA = "no data in the last 16 MiB";
    const struct
    {
        std::string start, unit; // unit empty: pseudo-random bytes
        const char* name;
        std::string message; // empty: any
    } CASES[] = {
        {"", "\0"s, "-", declares(0, 84, "more than 1048660")},
        {"OFF\n", "0 0 0\n", "-", "Error: OFF line 3: data after the last face: '0'"},
        {"OFF\n", "\0"s, "x.off", "Error: OFF line 2: the line is longer than 64 MiB"},
        {"ply\n", "\n", "-", "Error: PLY line 1048574: the header is longer than 1 MiB"},
        {"ply\n", "", "x.ply", ""},
        {"solid x\n", "facet normal 0 0 0\n", "-",
         "Error: ASCII STL line 3: 'facet' inside a facet"},
        {"", "v\n", "-", "Error: OBJ line 1: a position needs three coordinates, found 0"},
        {"", "", "x.stl", ""},
        {"", "", "x.obj", ""},
        {"", "", "x.off", ""},
        // Blank lines and comments: more than 16 MiB of them in a row end the read.
        {"solid x\n", "\n", "-", "Error: ASCII STL line 16777218: no data in the last 16 MiB"},
        {"solid x\n", " \t\r\n", "-", "Error: ASCII STL line 4194306: " + NO_DATA},
        {"OFF\n", "\n", "-", "Error: OFF line 16777218: " + NO_DATA},
        {"OFF\n", "#c\n", "-", "Error: OFF line 5592407: " + NO_DATA},
        {"OFF\n", " ", "-", "Error: OFF line 2: " + NO_DATA}, // in bounded memory
        {"OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", " # c\n", "-",
         "Error: OFF line 3355450: " + NO_DATA},
        {"v 0 0 0\n", "\n", "-", "Error: OBJ line 16777218: " + NO_DATA},
        {"v 0 0 0\n", "# c\n", "x.obj", "Error: OBJ line 4194306: " + NO_DATA},
        {"# x\n", "\n", "x.obj", "Error: OBJ line 16777214: " + NO_DATA},
        {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\n"
         "property float z\nend_header\n",
         "\n", "-", "Error: PLY line 16777224: " + NO_DATA}};
    for (const auto& c : CASES)
    {
        SCOPED_TRACE(c.start + c.unit + c.name);
        EndlessBuffer endless(c.start, c.unit);
        std::istream in(&endless);
        const Result r = readFrom(&in, c.name);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.message, c.message.empty() ? r.error.message : c.message);
        EXPECT_LT(endless.pulled, std::uint64_t(80) << 20);
    }
    // The count starts again at every line with data: one after a comment too long to count
    // (which does not start it again), an indented one.
    const std::string gap(10 << 20, '\n'), longComment = "#" + std::string(1 << 17, 'c') + "\n";
    const Result r = readText("OFF\n3 1 0\n" + gap + longComment + "0 0 0\n" + gap + " 1 0 0\n" +
                              gap + "0 1 0\n3 0 1 2\n");
    EXPECT_EQ(r.error.message + std::to_string(r.data.tris.size()), "1");
}

TEST(Readers, LineFeedsAloneReadInLinearTime)
{
    // 200,000 values, one per line: a scan to the next blank from each would take minutes.
    std::string ply = "ply\nformat ascii 1.0\nelement vertex 60000\nproperty float x\n"
                      "property float y\nproperty float z\nelement face 20000\n"
                      "property list uchar int vertex_indices\nend_header\n";
    for (int i = 0; i < 60000; ++i)
        ply += std::to_string(i % 7) + "\n" + std::to_string(i % 5) + "\n" + std::to_string(i / 7) +
               "\n";
    for (int i = 0; i < 20000; ++i)
        ply += "3\n" + std::to_string(3 * i) + "\n" + std::to_string(3 * i + 1) + "\n" +
               std::to_string(3 * i + 2) + "\n";
    const Result r = readText(ply);
    ASSERT_TRUE(r.ok) << r.error.message;
    EXPECT_EQ(r.data.tris.size(), 20000u);
    EXPECT_EQ(r.data.verts[59999], V3(59999 % 7, 59999 % 5, 59999 / 7));
}
