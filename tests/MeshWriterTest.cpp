// The writers: exact text of a small mesh, the binary layouts, round trips through the readers
// bit for bit, and the file handling (format by name, atomic replacement, refusals).

#include "io/MeshWriter.h"

#include "tests/ProgramRun.h"
#include "tests/TestHelpers.h"
#include "tests/fuzz/WriterRoundTrip.h"

#include <filesystem>
#include <limits>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace std::string_literals;
namespace fs = std::filesystem;

namespace
{
const WriteFormat ALL[] = {WriteFormat::OBJ,        WriteFormat::STL_BINARY, WriteFormat::STL_ASCII,
                           WriteFormat::PLY_BINARY, WriteFormat::PLY_ASCII,  WriteFormat::OFF};

// A right triangle, one through a -0 coordinate, and an unused last position.
MeshData tiny()
{
    return {{V3(0, 0, 0), V3(1, 0, 0), V3(0, 1, 0), V3(0.1f, -0.0f, 2.5f), V3(7, 7, 7)},
            {U3(0, 1, 2), U3(0, 3, 1)},
            {}};
}

std::string written(const MeshData& d, WriteFormat f)
{
    std::ostringstream out;
    writeMesh(out, d, f);
    return out.str();
}

std::string plyHeader(const std::string& format)
{
    return "ply\nformat " + format + " 1.0\ncomment written by MeshViewer\nelement vertex 5\n" +
           "property float x\nproperty float y\nproperty float z\nelement face 2\n" +
           "property list uchar int vertex_indices\nend_header\n";
}
} // namespace

TEST(MeshWriter, TextAndBinaryLayoutsAreExact)
{
    const std::string rows = "0 0 0\n1 0 0\n0 1 0\n0.1 -0 2.5\n7 7 7\n";
    const std::string facet2 = "  facet normal -0 1 0\n    outer loop\n"
                               "      vertex 0 0 0\n      vertex 0.1 -0 2.5\n      vertex 1 0 0\n"
                               "    endloop\n  endfacet\n";
    const std::pair<WriteFormat, std::string> cases[] = {
        {WriteFormat::OBJ, "# written by MeshViewer\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0.1 -0 2.5\n"
                           "v 7 7 7\nf 1 2 3\nf 1 4 2\n"},
        {WriteFormat::OFF, "OFF\n5 2 0\n" + rows + "3 0 1 2\n3 0 3 1\n"},
        {WriteFormat::PLY_ASCII, plyHeader("ascii") + rows + "3 0 1 2\n3 0 3 1\n"},
        {WriteFormat::STL_ASCII, "solid mesh\n  facet normal 0 0 1\n    outer loop\n"
                                 "      vertex 0 0 0\n      vertex 1 0 0\n      vertex 0 1 0\n"
                                 "    endloop\n  endfacet\n" +
                                     facet2 + "endsolid mesh\n"}};
    for (const auto& c : cases)
        EXPECT_EQ(written(tiny(), c.first), c.second) << writeFormatName(c.first);

    MeshData empty;
    EXPECT_EQ(written(empty, WriteFormat::OBJ), "# written by MeshViewer\n");
    EXPECT_EQ(written(empty, WriteFormat::OFF), "OFF\n0 0 0\n");
    EXPECT_EQ(written(empty, WriteFormat::STL_ASCII), "solid mesh\nendsolid mesh\n");
    const std::string stl = written(tiny(), WriteFormat::STL_BINARY);
    ASSERT_EQ(stl.size(), 84u + 2 * 50);
    EXPECT_EQ(stl.substr(0, 80), "binary STL written by MeshViewer" + std::string(48, '\0'));
    EXPECT_EQ(stl.substr(80, 4), "\2\0\0\0"s);
    // The second facet: its normal, corners 0 3 1, and a zero attribute.
    const float second[12] = {-0.0f, 1, 0, 0, 0, 0, 0.1f, -0.0f, 2.5f, 1, 0, 0};
    EXPECT_EQ(stl.substr(134, 48), std::string(reinterpret_cast<const char*>(second), 48));
    EXPECT_EQ(stl.substr(182, 2), "\0\0"s);
    EXPECT_EQ(written(empty, WriteFormat::STL_BINARY).size(), 84u);
    const MeshData flat = {{V3(0, 0, 0), V3(1, 1, 1)}, {U3(0, 1, 1)}}; // no area: no normal
    EXPECT_EQ(written(flat, WriteFormat::STL_BINARY).substr(84, 12), std::string(12, '\0'));

    const std::string ply = written(tiny(), WriteFormat::PLY_BINARY);
    const std::string header = plyHeader("binary_little_endian");
    ASSERT_EQ(ply.size(), header.size() + 5 * 12 + 2 * 13);
    EXPECT_EQ(ply.substr(0, header.size()), header);
    EXPECT_EQ(ply.substr(header.size() + 36 + 4, 4), "\0\0\0\x80"s);
    EXPECT_EQ(ply.substr(header.size() + 60 + 13), "\3\0\0\0\0\3\0\0\0\1\0\0\0"s);
}

TEST(MeshWriter, EveryFormatReadsBackBitForBit)
{
    const float max = std::numeric_limits<float>::max();
    const float sub = std::numeric_limits<float>::denorm_min();
    const MeshData special = {{V3(-0.0f, 0.0f, 0.1f), V3(sub, -sub, 1e38f), V3(max, -max, 1.0f / 3),
                               V3(1.17549435e-38f / 3, 0.3f, -1e-30f), V3(5, 5, 5),
                               V3(123456.79f, 1e7f, 16777217.0f)},
                              {U3(0, 1, 2), U3(3, 2, 1), U3(0, 3, 5), U3(5, 5, 0)},
                              {}};
    for (const MeshData& d : {special, tiny()})
        for (WriteFormat f : ALL)
            EXPECT_EQ(roundTripDifference(d, f), "") << writeFormatName(f);
    std::ostringstream obj; // exact digits: a reader parsing through double takes them too
    meshio::writeObj(obj, {{V3(max, -max, 1)}, {}, {}});
    const std::string m = "340282346638528859811704183484516925440";
    EXPECT_NE(obj.str().find("v " + m + " -" + m + " 1\n"), std::string::npos) << obj.str();

    for (WriteFormat f : ALL) // an OBJ without positions is no mesh to its reader
        EXPECT_EQ(f == WriteFormat::OBJ ? "" : roundTripDifference({}, f), "")
            << writeFormatName(f);
}

TEST(MeshWriter, FormatByNameOrOption)
{
    const std::string noExtension =
        "' from its extension (.obj, .stl, .ply or .off; or name the format)";
    // The path, the format named, ASCII asked for; the format's name or the error.
    const std::tuple<const char*, const char*, bool, std::string> cases[] = {
        {"a.obj", "", false, "OBJ"},
        {"dir.x/A.STL", "", false, "binary STL"},
        {"a.stl", "", true, "ASCII STL"},
        {"a.Ply", "", false, "binary PLY"},
        {"a.ply", "", true, "ASCII PLY"},
        {"a.off", "", true, "OFF"},
        {"a.obj", "OFF", false, "OFF"},
        {"a", "stl", false, "binary STL"},
        {"a.txt", "ply", true, "ASCII PLY"},
        {"a.txt", "", false, "cannot tell the format of 'a.txt" + noExtension},
        {"dir.stl/a", "", false, "cannot tell the format of 'dir.stl/a" + noExtension},
        {"a.obj", "3ds", false, "unknown format '3ds' (obj, stl, ply or off)"}};
    for (const auto& [path, format, ascii, expected] : cases)
    {
        WriteFormat f = WriteFormat::OBJ;
        std::string error;
        const bool ok = writeFormatFor(path, format, ascii, f, error);
        EXPECT_EQ(ok ? writeFormatName(f) : error, expected) << path << " " << format;
    }
}

class MeshWriterFile : public ::testing::Test
{
protected:
    const Scratch scratch{"writer"};
    const fs::path dir = scratch.dir;

    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void put(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
    std::string write(const fs::path& p, const MeshData& d, WriteOptions o = {},
                      WriteFormat f = WriteFormat::OFF)
    {
        std::string error;
        return writeMeshFile(p.string(), d, f, o, error) ? "ok" : error;
    }
};

TEST_F(MeshWriterFile, WritesAndReplacesAtomically)
{
    const fs::path out = dir / "out.off";
    put(out, "old");
    ::chmod(out.c_str(), 0604);
    MeshData one = tiny();
    one.tris.resize(1);
    EXPECT_EQ(write(out, one), "ok");
    EXPECT_EQ(slurp(out), written(one, WriteFormat::OFF));
    struct stat st;
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);

    // Through a link the file it names is replaced, and the link stays.
    const fs::path link = dir / "link.off";
    fs::create_symlink("out.off", link);
    EXPECT_EQ(write(link, tiny()), "ok");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(slurp(out), written(tiny(), WriteFormat::OFF));
    EXPECT_EQ(files(), (std::vector<std::string>{"link.off", "out.off"}));

    // "-" is standard output, written as it comes.
    std::ostringstream captured;
    std::streambuf* const old = std::cout.rdbuf(captured.rdbuf());
    const std::string toStdout = write("-", tiny());
    std::cout.rdbuf(old);
    EXPECT_EQ(toStdout + captured.str(), "ok" + written(tiny(), WriteFormat::OFF));
}

TEST_F(MeshWriterFile, RefusesToDamageAnything)
{
    const fs::path in = dir / "in.off";
    put(in, "input");
    fs::create_hard_link(in, dir / "hard.off");
    fs::create_symlink("in.off", dir / "soft.off");
    fs::create_directory(dir / "sub");
    const std::string refused =
        "refusing to write over the input " + in.string() + " (without the in-place option)";
    WriteOptions options;
    options.input = in.string();
    MeshData bad = tiny();
    bad.tris[1][2] = 5;
    const std::string d = dir.string();
    const std::tuple<fs::path, MeshData, std::string> cases[] = {
        {in, tiny(), refused},
        {dir / "hard.off", tiny(), refused},
        {dir / "soft.off", tiny(), refused},
        {dir / "." / "in.off", tiny(), refused},
        {dir / "sub", tiny(), "cannot write " + d + "/sub: Is a directory"},
        {dir / "none" / "x.off", tiny(),
         "cannot create a file in " + d + "/none: No such file or directory"},
        {dir / "new.off", bad, "triangle 2 refers to vertex 5 of 5"},
        {"", tiny(), "no output name"},
        {"/dev/null", tiny(), "cannot write /dev/null: not a regular file"}};
    for (const auto& [path, data, expected] : cases)
        EXPECT_EQ(write(path, data, options), expected) << path;
    EXPECT_EQ(slurp(in), "input");
    EXPECT_EQ(files(), (std::vector<std::string>{"hard.off", "in.off", "soft.off", "sub"}));

    options.inPlace = true;
    EXPECT_EQ(write(dir / "soft.off", tiny(), options), "ok");
    EXPECT_EQ(slurp(in), written(tiny(), WriteFormat::OFF));
}

TEST_F(MeshWriterFile, FailedWriteLeavesTheOldFile)
{
    const fs::path out = dir / "out.stl";
    put(out, "previous");
    MeshData big = tiny();
    big.tris.assign(100000, U3(0, 1, 2)); // 5 MB of binary STL
    // The file size limit makes the write fail half way (as a full disk would).
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 1 << 20;
    ::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string result = write(out, big, {}, WriteFormat::STL_BINARY);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(result, "cannot write " + out.string() + ": File too large");
    EXPECT_EQ(slurp(out), "previous");
    EXPECT_EQ(files(), std::vector<std::string>{"out.stl"});
}
