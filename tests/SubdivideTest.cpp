#include "bench/Subdivide.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using subdiv::IndexedMesh;

namespace
{
const std::string TET = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 3 2\nf 1 2 4\nf 2 3 4\nf 3 1 4\n";

struct Scratch
{
    fs::path dir = fs::temp_directory_path() / ("subdivide-test-" + std::to_string(getpid()));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() { fs::remove_all(dir); }
    std::string file(const std::string& name, const std::string& text)
    {
        std::ofstream(dir / name, std::ios::binary) << text;
        return (dir / name).string();
    }
    std::string text(const std::string& name)
    {
        std::stringstream s;
        s << std::ifstream(dir / name, std::ios::binary).rdbuf();
        return s.str();
    }
};

// Reads, splits and writes as the tool does; the error, or "" when all went well.
std::string run(Scratch& s, const std::string& in, const std::string& out, int levels,
                IndexedMesh* mesh = nullptr)
{
    IndexedMesh m;
    std::string error;
    bool ok = subdiv::readMesh(in, m, error);
    for (int i = 0; ok && i < levels; ++i)
        ok = subdiv::splitOnce(m, error);
    ok = ok && subdiv::writeMesh((s.dir / out).string(), m, error);
    if (mesh)
        *mesh = m;
    return ok ? "" : error;
}
} // namespace

TEST(Subdivide, TetrahedronSplitsIntoSixteenWithSharedMidpoints)
{
    Scratch s;
    ASSERT_EQ(run(s, s.file("tet.obj", TET), "one.obj", 1), "");
    EXPECT_EQ(s.text("one.obj"),
              "# 10 positions, 16 triangles\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 0 0.5 0\n"
              "v 0.5 0.5 0\nv 0.5 0 0\nv 0.5 0 0.5\nv 0 0 0.5\nv 0 0.5 0.5\n"
              "f 1 5 7\nf 5 3 6\nf 7 6 2\nf 5 6 7\nf 1 7 9\nf 7 2 8\nf 9 8 4\nf 7 8 9\n"
              "f 2 6 8\nf 6 3 10\nf 8 10 4\nf 6 10 8\nf 3 5 10\nf 5 1 9\nf 10 9 4\nf 5 9 10\n");
}

TEST(Subdivide, TwoLevelsStayClosedAndOriented)
{
    Scratch s;
    IndexedMesh m;
    ASSERT_EQ(run(s, s.file("tet.obj", TET), "two.stl", 2, &m), "");
    EXPECT_EQ(m.xyz.size(), 3u * 34);
    ASSERT_EQ(m.tris.size(), 3u * 64);
    std::map<std::pair<unsigned, unsigned>, int> directed;
    for (std::size_t i = 0; i < m.tris.size(); ++i)
        ++directed[{m.tris[i], m.tris[i % 3 == 2 ? i - 2 : i + 1]}];
    EXPECT_EQ(directed.size(), 192u);
    for (const auto& [e, n] : directed)
        EXPECT_TRUE(n == 1 && directed.count({e.second, e.first}) == 1)
            << e.first << " " << e.second;
    // The STL welds back to the same positions in order of first use.
    IndexedMesh back;
    std::string error;
    ASSERT_TRUE(subdiv::readMesh((s.dir / "two.stl").string(), back, error)) << error;
    EXPECT_EQ(back.xyz.size(), 3u * 34);
    ASSERT_EQ(back.tris.size(), 3u * 64);
    for (std::size_t i = 0; i < m.tris.size(); ++i)
        for (std::size_t k = 0; k < 3; ++k)
            ASSERT_EQ(back.xyz[3 * back.tris[i] + k], m.xyz[3 * m.tris[i] + k]) << i;
    const std::string stl = s.text("two.stl");
    ASSERT_EQ(stl.size(), 84u + 50 * 64);
    EXPECT_EQ(stl.substr(0, 27), "binary STL, midpoint split ");
    // Normals: the base of the tetrahedron faces down, its slanted face out along (1, 1, 1).
    const float r = static_cast<float>(1 / std::sqrt(3.0));
    for (const auto& [record, normal] :
         {std::pair{0, std::vector<float>{0, 0, -1}}, {32, {r, r, r}}})
    {
        std::vector<float> n(3);
        std::memcpy(n.data(), stl.data() + 84 + 50 * record, 12);
        EXPECT_EQ(n, normal) << record;
    }
}

TEST(Subdivide, MidpointIsTheNearestFloatAndNeverOverflows)
{
    IndexedMesh m{{FLT_MAX, 1.0f, -0.0f, FLT_MAX, 1.0f + FLT_EPSILON * 3, 0.0f, 0, 0, 1},
                  {0, 1, 2}};
    std::string error;
    ASSERT_TRUE(subdiv::splitOnce(m, error));
    ASSERT_EQ(m.xyz.size(), 18u);
    EXPECT_EQ(m.xyz[9], FLT_MAX);
    EXPECT_EQ(m.xyz[10], 1.0f + FLT_EPSILON * 2); // the tie goes to the even float
    EXPECT_EQ(std::vector<unsigned>(m.tris.begin(), m.tris.end()),
              std::vector<unsigned>({0, 3, 5, 3, 1, 4, 5, 4, 2, 3, 4, 5}));
}

TEST(Subdivide, ReadsObjVariantsAndWeldsStl)
{
    Scratch s;
    IndexedMesh m;
    ASSERT_EQ(
        run(s,
            s.file("v.obj",
                   "# c\r\nvn 0 0 1\r\n  v +1 2 3 1\r\nv 4 5 6\no x\nf 1/2/3 2//1 -2 # end\nf 3 "
                   "1 2\nv 7 8 9"),
            "v.stl", 0, &m),
        "");
    EXPECT_EQ(m.xyz, std::vector<float>({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(m.tris, std::vector<std::uint32_t>({0, 1, 0, 2, 0, 1}));
    std::string stl = std::string(80, ' ') + std::string("\1\0\0\0", 4) + std::string(50, '\0');
    const float minusZero = -0.0f;
    std::memcpy(&stl[84 + 12 + 12], &minusZero, 4);
    std::string error;
    ASSERT_TRUE(subdiv::readMesh(s.file("z.stl", stl), m, error)) << error;
    EXPECT_EQ(m.tris, std::vector<std::uint32_t>({0, 0, 0}));
}

TEST(Subdivide, BadInputGetsOneMessage)
{
    Scratch s;
    s.file("exists.obj", "keep");
    const std::string d = s.dir.string() + "/";
    const std::string stl2 = std::string(84, '\0') + std::string(10, 'x');
    const std::string nanStl = std::string(80, '\0') + std::string("\1\0\0\0", 4) +
                               std::string(12, '\0') + std::string("\0\0\xc0\x7f", 4) +
                               std::string(34, '\0');
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"f 0 1 2\n", "a.obj line 1: index 0 is invalid (OBJ indices start at 1)"},
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 4\n",
         "a.obj line 5: index 4 is past the 3 positions"},
        {"v 0 0 0\nf -2 1 1\n", "a.obj line 2: relative index -2 goes before the first position"},
        {"f -9223372036854775808 1 1\n",
         "a.obj line 1: relative index -9223372036854775808 goes before the first position"},
        {"f 1 2 3 4\n",
         "a.obj line 1: only triangles are split, this face has more than 3 corners"},
        {"\nf 1 2\n", "a.obj line 2: only triangles are split, this face has 2 corners"},
        {"v 1,5 0 0\n", "a.obj line 1: bad number '1,5'"},
        {"v 1 nan 0\n", "a.obj line 1: bad number 'nan'"},
        {"v 1 1e39 0\n", "a.obj line 1: bad number '1e39'"},
        {"v 1 0\n", "a.obj line 1: a position needs three numbers"},
        {"v 0 0 0\nf 1 x 1\n", "a.obj line 2: bad index 'x'"},
        {"v 0 0 0\nf 1 99999999999 1\n", "a.obj line 2: index 99999999999 is too large"},
        {"v 0 0 0\n", "a.obj: no triangles"},
        {"solid x\n", "a.stl: not a binary STL (8 bytes); ASCII STL is not read"},
        {stl2, "a.stl: not a binary STL (94 bytes for 0 triangles)"},
        {std::string(84, '\0'), "a.stl: no triangles"},
        {nanStl, "a.stl: triangle 1 has a coordinate that is not a finite number"},
        {"", "a.ply: the name must end in .obj or .stl"},
    };
    for (const auto& [text, message] : cases)
    {
        const std::string name = "a" + message.substr(1, 4);
        EXPECT_EQ(run(s, s.file(name, text), "out.obj", 1), d + message) << text;
        EXPECT_FALSE(fs::exists(s.dir / "out.obj"));
    }
    EXPECT_EQ(run(s, d + "none.obj", "out.obj", 1), "could not open " + d + "none.obj");
    EXPECT_EQ(run(s, s.file("tet.obj", TET), "exists.obj", 1),
              d + "exists.obj exists; not replaced");
    EXPECT_EQ(run(s, s.file("tet.obj", TET), "out.off", 1),
              d + "out.off: the name must end in .obj or .stl");
    EXPECT_EQ(s.text("exists.obj"), "keep");
    EXPECT_EQ(std::distance(fs::directory_iterator(s.dir), fs::directory_iterator()),
              5); // no .partial left behind
}
