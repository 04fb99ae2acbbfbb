// Runs the meshinfo program itself, as a script would: usage errors, one row per file in
// tests/bad with the exit status and the one line on standard error or the counts in --json.

#include "MeshAnalysis.h"
#include "io/MeshFile.h"
#include "io/MeshWriter.h"
#include "tests/ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <sstream>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace
{
using P = Vector3<float>;
using T = Vector3<unsigned int>;

// before and input are shell text around the command: limits, a pipe into it.
ProgramRun meshinfo(const std::string& args, const std::string& before = "",
                    const std::string& input = "</dev/null")
{
    const std::string stem =
        (std::filesystem::temp_directory_path() / ("meshinfo-test-" + std::to_string(getpid())))
            .string();
    return runShell(before + "timeout 60 " MESHINFO_PATH " " + args + " " + input, stem);
}

std::string field(const std::string& json, const std::string& name)
{
    const std::string key = "\n  \"" + name + "\": ";
    const std::size_t at = json.find(key), from = at + key.size();
    return at == std::string::npos ? "missing" : json.substr(from, json.find(',', from) - from);
}

// The lengths of the defect lists the viewer draws, in meshinfo's JSON order.
std::string defectListCounts(const std::string& path)
{
    MeshData data;
    MeshReadStats stats;
    ReadError why;
    MeshAnalysis::Report report;
    MeshAnalysis::Defects d;
    if (!readMeshFile(path, data, {true}, stats, why) ||
        !MeshAnalysis::analyse(data.verts, data.tris, report, &d))
        return "unread: " + why.message;
    std::ostringstream s;
    s << d.boundaryEdges.size() / 2 << " " << d.nonManifoldEdges.size() / 2 << " "
      << d.nonManifoldVertices.size() << " " << d.inconsistentEdges.size() / 2 << " "
      << d.degenerateTriangles.size() / 3;
    return s.str();
}

// The counts of a --json report, zeros left out, each under a short name.
std::string counts(const std::string& json)
{
    std::istringstream keys(
        "p positions v vertices f faces e edges be boundary_edges bl boundary_loops c components "
        "ce components_by_edge iso isolated_vertices nme non_manifold_edges nmv "
        "non_manifold_vertices inc inconsistently_oriented_edges deg degenerate_triangles rep "
        "repeated_corner_triangles dup duplicate_triangles ps polygons_split lp "
        "largest_polygon_split nfs faces_not_flat_and_simple chi euler_characteristic g genus");
    std::string s, name, key;
    while (keys >> name >> key)
        if (const std::string value = field(json, key); value != "0")
            s += (s.empty() ? "" : " ") + name + "=" + value;
    return s;
}

struct BadInput
{
    const char* file;
    int status;
    std::string expect;         // status 1: the line after "meshinfo: FILE: "; 0: counts(json)
    const char* json = nullptr; // a further part of the --json report
};

const std::string USAGE =
    "usage: meshinfo [OPTIONS] FILE...   (FILE - is standard input; a folder is walked)\n";
const std::string USAGE_TAIL = USAGE + "Try meshinfo --help.\n";
const char* const ONE_TRIANGLE = "p=3 v=3 f=1 e=3 be=3 bl=1 c=1 ce=1 chi=1";
const char* const CONCAVE_FACES =
    "p=17 v=17 f=9 e=22 be=17 bl=4 c=4 ce=4 ps=1 lp=5 nfs=2 chi=4 g=null";
const char* const NO_VERTEX_DATA = "no vertex data (no line begins with 'v')";

std::string badNumber(const std::string& token)
{
    return "Error: OBJ line 2: bad number '" + token +
           "' in a position (coordinates must be finite decimal numbers)";
}

const BadInput BAD_INPUTS[] = {
    {"no-such-file.obj", 1, "cannot open: No such file or directory"},
    {"n02_near_duplicate.obj", 0, "p=9 v=9 f=12 e=20 be=4 bl=1 c=1 ce=1 chi=1",
     "\"volume\": null,"},
    {"n05_huge_coordinates.obj", 0, ONE_TRIANGLE, "\"area\": 4.9999999"},
    {"r02_comments_only.obj", 1, NO_VERTEX_DATA},
    {"r02_empty.obj", 1, NO_VERTEX_DATA},
    {"r03_face_before_first_vertex.obj", 0, "p=3 iso=3 g=null",
     "\"volume_undefined_reason\": \"no triangles\","},
    {"r03_face_without_vertices.obj", 1, NO_VERTEX_DATA},
    {"r04_index_zero.obj", 1,
     "Error: OBJ line 4: vertex index '0' is invalid (indices start at 1)"},
    {"r05_index_beyond_positions.obj", 1,
     "Error: OBJ line 4: vertex index 4 is beyond the 3 positions in the file"},
    {"r06_negative_index_before_first.obj", 1,
     "Error: OBJ line 4: relative vertex index '-4' reaches before the first position"},
    {"r06_negative_indices.obj", 0, "p=4 v=4 f=2 e=5 be=4 bl=1 c=1 ce=1 chi=1"},
    {"r07_slash_forms.obj", 0, "p=3 v=3 f=2 e=3 c=1 ce=1 dup=1 chi=2"},
    // Its last side runs back over its first: cut as a fan, and counted.
    {"r08_pentagon.obj", 0, "p=5 v=5 f=3 e=7 be=5 bl=1 c=1 ce=1 ps=1 lp=5 nfs=1 chi=1"},
    {"r09_line_and_point_elements.obj", 0, ONE_TRIANGLE},
    {"r09_two_corners.obj", 1, "Encountered polygon with 2 faces. Bailing out."},
    {"r10_comment_after_face.obj", 1, "Error: OBJ line 4: bad vertex index '#'"},
    {"r10_trailing_blanks.obj", 0, ONE_TRIANGLE, "\"area\": 0.5,"},
    {"r11_crlf.obj", 0, ONE_TRIANGLE, "\"area\": 0.5,"},
    // A lone carriage return ends no line: the file is one position line.
    {"r11_lone_cr.obj", 0, "p=1 iso=1 g=null"},
    {"r12_no_final_newline.obj", 0, ONE_TRIANGLE},
    {"r13_decimal_comma.obj", 1, badNumber("1,5")},
    {"r13_hex_float.obj", 1, badNumber("0x1p3")},
    {"r13_leading_dot_and_plus.obj", 0, ONE_TRIANGLE, "\"min\": [0, 0, 0], \"max\": [2, 1, 0]"},
    {"r14_extra_components.obj", 0, ONE_TRIANGLE, "\"area\": 0.5,"},
    {"r14_two_coordinates.obj", 1,
     "Error: OBJ line 2: a position needs three coordinates, found 2"},
    {"r15_inf.obj", 1, badNumber("inf")},
    {"r15_nan.obj", 1, badNumber("nan")},
    {"r15_overflow.obj", 1, badNumber("1e39")},
    {"r15_underflow.obj", 0, ONE_TRIANGLE, "\"max\": [1, 1, 0]"},
    {"r16_indented_position.obj", 1,
     "Error: OBJ line 6: vertex index 4 is beyond the 3 positions in the file"},
    {"r16_longer_face_keyword.obj", 0, ONE_TRIANGLE},
    {"r16_other_keywords.obj", 0, ONE_TRIANGLE},
    {"r17_binary_garbage.obj", 0, ONE_TRIANGLE},
    {"r17_long_comment_line.obj", 0, ONE_TRIANGLE},
    {"r17_long_face_line.obj", 0,
     "p=3 v=3 f=20001 e=3 be=2 bl=1 c=1 ce=20000 inc=1 deg=20000 rep=20000 dup=19998 ps=1 "
     "lp=20003 nfs=1 chi=20001 g=null"},
    {"r17_long_token.obj", 1, badNumber(std::string(40, '9') + "...")},
    // Bytes that would not show on a terminal are written as \xNN.
    {"r17_nul_in_face_line.obj", 1, "Error: OBJ line 4: bad vertex index '1\\x00'"},
    {"r18_utf16_bom.obj", 1,
     "Error: OBJ input is UTF-16 text (it begins with a byte order mark); only ASCII and UTF-8 "
     "are read"},
    {"r18_utf8_bom.obj", 0, ONE_TRIANGLE},
    // Split inside themselves: areas 1.5 and 10; the bent quad (1.366) and the bow-tie (4) are
    // cut as read.
    {"r19_concave_faces.obj", 0, CONCAVE_FACES, "\"area\": 16.866025403784441,"},
    {"r19_concave_faces.off", 0, CONCAVE_FACES, "\"area\": 16.866025403784441,"},
    {"s01_non_manifold_edge.obj", 0, "p=6 v=6 f=4 e=9 be=7 bl=1 c=1 ce=1 nme=1 chi=1 g=null",
     "\"volume_undefined_reason\": \"open surface: 1 boundary loop, 1 non-manifold edge\","},
    {"s02_flipped_neighbour.obj", 0, "p=4 v=4 f=4 e=6 c=1 ce=1 inc=3 chi=2 g=null",
     "\"volume_undefined_reason\": \"3 inconsistently oriented edges\","},
    {"s02_moebius.obj", 0, "p=16 v=16 f=16 e=32 be=16 bl=1 c=1 ce=1 inc=1 g=null"},
    {"s03_duplicate_faces.obj", 0, "p=4 v=4 f=6 e=6 c=1 ce=1 nme=3 dup=2 chi=4 g=null"},
    {"s04_repeated_corners.obj", 0,
     "p=5 v=4 f=4 e=5 be=2 bl=2 c=1 ce=1 inc=2 deg=2 rep=2 chi=3 g=null",
     "\"genus_undefined_reason\": \"2 triangles with repeated corners, 2 inconsistently oriented "
     "edges\",\n  \"ignored_degenerate_triangles\": 2,\n  "
     "\"volume_ignoring_degenerate\": null,\n  \"genus_ignoring_degenerate\": 0,"},
    {"s05_zero_area.obj", 0, "p=5 v=5 f=4 e=8 be=4 bl=1 c=1 ce=1 deg=1 chi=1", "\"area\": 1,"},
    {"s06_unused_positions.obj", 0, "p=6 v=3 f=1 e=3 be=3 bl=1 c=1 ce=1 iso=2 chi=1"},
    {"s07_bow_tie.obj", 0, "p=5 v=5 f=2 e=6 be=6 bl=2 c=1 ce=2 nmv=1 chi=1 g=null",
     "\"genus_undefined_reason\": \"1 non-manifold vertex\","},
    {"s08_tangled.obj", 0, "p=5 v=5 f=11 e=8 be=2 bl=1 c=1 ce=1 nme=6 dup=6 chi=8 g=null",
     "\"validate_problem_lines\": 2,"},
    {"s09_two_components.obj", 0, "p=8 v=8 f=8 e=12 c=2 ce=2 chi=4 g=null",
     "{\"faces\": 4, \"vertices\": 4, \"edges\": 6, \"boundary_loops\": 0, "
     "\"euler_characteristic\": 2, \"genus\": 0, \"genus_undefined_reason\": null}"},
    {"s10_annulus.obj", 0, "p=8 v=8 f=8 e=16 be=8 bl=2 c=1 ce=1",
     "\"volume_undefined_reason\": \"open surface: 2 boundary loops\","},
    // STL, PLY and OFF: the line names the byte of a binary file, the line of a text one.
    {"r05_index_beyond_vertices.off", 1,
     "Error: OFF line 6: vertex index 3 is outside the 3 vertices (they count from 0)"},
    {"r05_index_beyond_vertices.ply", 1,
     "Error: PLY line 13: face 0 has vertex index 3, outside the 3 vertices (they count from 0)"},
    {"r08_pentagon.off", 0, "p=5 v=5 f=3 e=7 be=5 bl=1 c=1 ce=1 ps=1 lp=5 chi=1",
     "\"polygons_split\": 1,\n  \"largest_polygon_split\": 5,"},
    {"r09_two_corners.off", 1,
     "Error: OFF line 6: a face with 2 corners (at least three are needed)"},
    {"r15_nan.off", 1,
     "Error: OFF line 4: bad number 'nan' in a vertex (coordinates must be finite decimal "
     "numbers)"},
    {"r15_nan.ply", 1,
     "Error: PLY line 11: vertex 1 has a coordinate that is not a finite number in float range"},
    {"r15_nan.stl", 1,
     "Error: ASCII STL line 5: bad number 'nan' in a vertex (coordinates must be finite "
     "decimal numbers)"},
    {"r16_binary_stl_header_solid.stl", 0, ONE_TRIANGLE, "\"format\": \"binary STL\","},
    {"r17_control_bytes.ply", 1,
     "Error: PLY line 3: expected 'element NAME COUNT', found 'element vertex "
     "3\\x1b[31m\\xff'"},
    {"r17_counts_beyond_file.off", 1,
     "Error: OFF line 3: the file ends after 1 of 3000000000 vertices (truncated?)"},
    {"r17_counts_beyond_file.ply", 1,
     "Error: PLY line 13: the file ends inside the data (truncated?)"},
    {"r17_truncated_binary.ply", 1,
     "Error: PLY byte 214: the file ends inside the data (truncated?)"},
    {"r17_truncated_binary.stl", 1,
     "Error: binary STL: the header declares 2 triangles, which take 184 bytes; the file has 134 "
     "(truncated?)"},
    {"r17_truncated_text.stl", 1,
     "Error: ASCII STL line 5: the file ends before 'endsolid' (truncated?)"}};

// The timings, which differ from run to run, each cut to "T".
std::string untimed(std::string s)
{
    for (std::size_t at = 0; (at = s.find("Timings (ms)\n", at)) != std::string::npos; ++at)
        s.replace(at, std::min(s.find("\n\n", at), s.size()) - at, "T");
    for (std::size_t at = 0; (at = s.find("\"timings_ms\": {", at)) != std::string::npos; ++at)
        s.replace(at, s.find('}', at) + 1 - at, "T");
    return s;
}

std::string objTriangles(const std::vector<std::array<float, 9>>& tris, std::size_t base = 0)
{
    std::ostringstream s;
    for (const auto& t : tris)
    {
        s << "v " << t[0] << " " << t[1] << " " << t[2] << "\nv " << t[3] << " " << t[4] << " "
          << t[5] << "\nv " << t[6] << " " << t[7] << " " << t[8] << "\n";
        s << "f " << base + 1 << " " << base + 2 << " " << base + 3 << "\n";
        base += 3;
    }
    return s.str();
}

// n triangles apart from each other along x, one component each.
std::string triangleRow(std::size_t n, std::size_t base = 0, float y = 0)
{
    std::vector<std::array<float, 9>> tris;
    for (std::size_t i = 0; i < n; ++i)
    {
        const float x = 2.0f * static_cast<float>(i);
        tris.push_back({x, y, 0, x + 1, y, 0, x, y + 1, 0});
    }
    return objTriangles(tris, base);
}

std::string tetra(bool inward)
{
    return std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n") +
           (inward ? "f 1 2 3\nf 1 4 2\nf 1 3 4\nf 2 4 3\n"
                   : "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n");
}

// A tetrahedron with a triangle with repeated corners on its edge 1-2.
const char* const TETRA_AND_REPEATED = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                                       "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\nf 1 1 2\n";
// The tetrahedron, a 4 x 4 torus of whole coordinates, a pentagon at z = 0.1, a position no
// face uses and 10 triangles: 13 components.
std::string richObj()
{
    std::string s = TETRA_AND_REPEATED;
    const int c[] = {1, 0, -1, 0}, sn[] = {0, 1, 0, -1};
    std::vector<std::array<float, 9>> torus;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
        {
            std::array<float, 9> a, b;
            const int ii[] = {i, i + 1, i + 1, i, i + 1, i}, jj[] = {j, j, j + 1, j, j + 1, j + 1};
            for (int k = 0; k < 6; ++k)
            {
                const int u = ii[k] % 4, v = jj[k] % 4;
                float* p = k < 3 ? &a[3 * k] : &b[3 * (k - 3)];
                p[0] = float((2 + c[v]) * c[u]) + 20, p[1] = float((2 + c[v]) * sn[u]),
                p[2] = float(sn[v]);
            }
            torus.push_back(a), torus.push_back(b);
        }
    s += objTriangles(torus, 4);
    s += "v 2 0 0.1\nv 3 0 0.1\nv 3.5 1 0\nv 2.5 2 0\nv 1.5 1 0\nf 101 102 103 104 105\nv 9 9 9\n";
    return s + triangleRow(10, 106, -5);
}

// A tetrahedron whose corner (0, 0, 1) is split in two, and an unused copy of (0, 0, 0).
const MeshData SPLIT = {{P(0, 0, 0), P(1, 0, 0), P(0, 1, 0), P(0, 0, 1), P(0, 0, 1), P(0, 0, 0)},
                        {T(0, 2, 1), T(0, 1, 3), T(0, 4, 2), T(1, 2, 4)},
                        {}};
// Two tetrahedra on one vertex and a fin on an edge of the first.
const MeshData TWO_AND_FIN = {{P(0, 0, 0), P(1, 0, 0), P(0, 1, 0), P(0, 0, 1), P(-1, 0, 0),
                               P(0, -1, 0), P(0, 0, -1), P(2, 2, 2)},
                              {T(0, 2, 1), T(0, 1, 3), T(0, 3, 2), T(1, 2, 3), T(0, 5, 4),
                               T(0, 4, 6), T(0, 6, 5), T(4, 5, 6), T(1, 3, 7)},
                              {}};

struct MeshInfo : testing::Test
{
    const Scratch scratch{"meshinfo-scratch"};
};
} // namespace

TEST_F(MeshInfo, OptionsAndUsageErrors)
{
    const std::string t = "Objs/triangle.obj";
    const std::string jobs = "-j needs a number of jobs from 1 to 1024";
    const std::pair<std::string, std::string> wrong[] = {
        {"", "no file given"},
        {"--quiet -q", "no file given"},
        {"--frobnicate " + t, "unknown option --frobnicate"},
        {"'-x\x01' " + t, "unknown option -x\\x01"},
        {"-j 0 " + t, jobs},
        {"-j1025 " + t, jobs},
        {"-j 2x " + t, jobs},
        {"-j -1 " + t, jobs},
        {t + " -j", jobs},
        {"--json --jsonl " + t, "--json and --jsonl exclude each other"},
        {"- " + t + " -", "standard input can be read once"}};
    for (const auto& [args, why] : wrong)
    {
        const ProgramRun r = meshinfo(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "meshinfo: " + why + "\n" + USAGE_TAIL);
    }
    // Options anywhere; after -- every argument is a file; -q is --quiet.
    const ProgramRun quiet = meshinfo(t + " -j1024 -q");
    EXPECT_TRUE(quiet.status == 0 && quiet.err.empty()) << quiet.err;
    EXPECT_EQ(meshinfo("-j 1 -q -- -q").err,
              "meshinfo: -q: cannot open: No such file or directory\n");
    for (const char* help : {"--help", "-h", "--json -h x.obj"})
    {
        const ProgramRun r = meshinfo(help);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(
            r.out.rfind(
                USAGE + "\nReads each mesh file (OBJ, STL, PLY or OFF, told apart by content,", 0),
            0u);
        for (const char* line :
             {"  --jsonl     JSON Lines: one object per line", "  --require LIST\n",
              "  --keep-indices\n",
              "  connected components    sets of triangles joined through shared "
              "vertices\n  components (through edges)   sets of triangles joined "
              "through shared edges\n"})
            EXPECT_TRUE(contains(r.out, line)) << line;
    }
    const ProgramRun version = meshinfo("--version " + t);
    EXPECT_TRUE(version.status == 0 && version.out.rfind("meshinfo ", 0) == 0 &&
                std::count(version.out.begin(), version.out.end(), '\n') == 1 &&
                !contains(version.out, "unknown"));
}

TEST_F(MeshInfo, EveryBadInputExitsAsExpected)
{
    std::set<std::string> listed;
    for (const BadInput& c : BAD_INPUTS)
    {
        const std::string path = std::string("tests/bad/") + c.file;
        SCOPED_TRACE(path);
        listed.insert(path);
        const ProgramRun r = meshinfo("--json " + path);
        ASSERT_EQ(r.status, c.status) << r.err;
        if (c.status != 0)
        {
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(r.err, "meshinfo: " + path + ": " + c.expect + "\n");
            continue;
        }
        EXPECT_EQ(counts(r.out), c.expect);
        std::string fromJson;
        for (const char* k : {"boundary_edges", "non_manifold_edges", "non_manifold_vertices",
                              "inconsistently_oriented_edges", "degenerate_triangles"})
            fromJson += (fromJson.empty() ? "" : " ") + field(r.out, k);
        EXPECT_EQ(defectListCounts(path), fromJson) << "the viewer's defect lists";
        EXPECT_TRUE(!c.json || contains(r.out, c.json)) << c.json << "\n" << r.out;
        EXPECT_FALSE(contains(r.out, "nan") || contains(r.out, "inf")) << r.out;
    }
    for (const auto& entry : std::filesystem::directory_iterator("tests/bad"))
        EXPECT_EQ(listed.count(entry.path().string()), 1u) << entry.path() << " has no row";
}

TEST_F(MeshInfo, HostileInputsEndWithOneLine)
{
    const std::string longLine =
        scratch.file("long.obj", "v 0 0 0\nv 1 1 " + std::string(64 << 20, '1') + "\n");
    const std::string ZERO_STL =
        "Error: binary STL: the header declares 0 triangles, which take 84 bytes; the file has "
        "more than 1048660";
    const std::tuple<std::string, std::string, std::string, std::string> cases[] = {
        // Zeros are a binary STL of no triangles by their count, with more than it declares.
        {"/dev/zero", "", "", "/dev/zero: " + ZERO_STL},
        {"-", "head -c 1100000000 /dev/zero | ", " ", "-: " + ZERO_STL},
        {"-", "(printf '%0100d\\n' 0; head -c 1100000000 /dev/zero) | ", " ",
         "-: Error: OBJ line 2: the line is longer than 1 GiB"},
        {longLine, "", "", longLine + ": Error: OBJ line 2: the line is longer than 64 MiB"},
        {"'no\xff\x01.obj'", "", "", "no\\xff\\x01.obj: cannot open: No such file or directory"},
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer cannot start under a memory limit
        {"-", "ulimit -v 300000; yes 'v 1 2 3' | ", " ", "-: out of memory"},
#endif
    };
    for (const auto& [args, before, input, err] : cases)
    {
        const ProgramRun r = meshinfo(args, before, input.empty() ? "</dev/null" : input);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(r.err, "meshinfo: " + err + "\n");
    }
}

const char* const RICH_TEXT =
    "\nCounts\n  format                          OBJ\n  vertices                        55  (136 "
    "positions read)\n  faces                           50\n  half-edges                      "
    "184\n  edges                           91\n  boundary edges                  35\n"
    "  boundary loops                  11\n  connected components            13\n"
    "  components (through edges)      13\n  isolated vertices               1  (distinct "
    "positions no triangle uses)\n  non-manifold edges              1\n"
    "  non-manifold vertices           0\n  inconsistently oriented edges   0\n"
    "  degenerate triangles            1  (1 with repeated corners)\n"
    "  duplicate triangles             0\n  polygons split into triangles   1  (up to 5 corners)\n"
    "  faces not flat and simple       1\n  validate problem lines          0\n\nMeasures\n"
    "  surface area                    65.2994694\n  volume                          undefined "
    "(open surface: 11 boundary loops, 1 non-manifold edge)\n"
    "  Euler characteristic            14\n  genus                           per component, 13 "
    "components: 1 of genus 1, 11 of genus 0, 1 undefined (listed below)\n"
    "  bounding box                    (0, -5, -1) to (23, 3, 1)\n"
    "  geometry hash                   b829e76a280022c8979e16d105d11ae9\n\n"
    "Components (in the order of their first triangle)\n         #      faces   vertices      "
    "edges    loops  Euler  genus\n         1          5          4          6        0      3  "
    "undefined (1 triangle with repeated corners, 1 non-manifold edge)\n"
    "         2         32         16         48        0      0  1\n"
    "         3          3          5          7        1      1  0\n"
    "         4          1          3          3        1      1  0\n"
    "         5          1          3          3        1      1  0\n"
    "         6          1          3          3        1      1  0\n"
    "         7          1          3          3        1      1  0\n"
    "         8          1          3          3        1      1  0\n"
    "         9          1          3          3        1      1  0\n"
    "        10          1          3          3        1      1  0\n"
    "  ... and 3 more (see --json)\n\nT";
const char* const TWO_JSON =
    "  \"format\": \"OBJ\",\n  \"positions\": 8,\n  \"welded\": true,\n  \"vertices\": 7,\n"
    "  \"faces\": 6,\n  \"half_edges\": 20,\n  \"edges\": 9,\n  \"boundary_edges\": 3,\n"
    "  \"boundary_loops\": 1,\n  \"components\": 2,\n  \"components_by_edge\": 2,\n"
    "  \"isolated_vertices\": 1,\n  \"non_manifold_edges\": 1,\n  \"non_manifold_vertices\": 0,\n"
    "  \"inconsistently_oriented_edges\": 0,\n  \"degenerate_triangles\": 1,\n"
    "  \"repeated_corner_triangles\": 1,\n  \"duplicate_triangles\": 0,\n"
    "  \"polygons_split\": 0,\n  \"largest_polygon_split\": 0,\n"
    "  \"faces_not_flat_and_simple\": 0,\n  \"stl_normals_disagreeing\": 0,\n"
    "  \"validate_problem_lines\": 0,\n  \"validate_isolated_vertices\": 0,\n"
    "  \"area\": 11250009.291841934,\n  \"volume\": null,\n  \"volume_undefined_reason\": \"open "
    "surface: 1 boundary loop, 1 non-manifold edge\",\n  \"euler_characteristic\": 4,\n"
    "  \"genus\": null,\n  \"genus_undefined_reason\": \"2 components: see component_list\",\n"
    "  \"ignored_degenerate_triangles\": 1,\n  \"volume_ignoring_degenerate\": null,\n"
    "  \"genus_ignoring_degenerate\": null,\n  \"component_list\": [\n"
    "    {\"faces\": 5, \"vertices\": 4, \"edges\": 6, \"boundary_loops\": 0, "
    "\"euler_characteristic\": 3, \"genus\": null, \"genus_undefined_reason\": \"1 triangle with "
    "repeated corners, 1 non-manifold edge\"},\n    {\"faces\": 1, \"vertices\": 3, \"edges\": 3, "
    "\"boundary_loops\": 1, \"euler_characteristic\": 1, \"genus\": 0, "
    "\"genus_undefined_reason\": null}\n  ],\n  \"component_list_truncated\": false,\n"
    "  \"bounding_box\": {\"min\": [0, -0.0010000000474974513, 0], \"max\": [1, 1, 25000000]},\n"
    "  \"geometry_hash\": \"eb72f93f40fe8bbd29e217634dd493b9\",\n  T\n}\n";

TEST_F(MeshInfo, WholeReportsOfADrawnFile)
{
    const std::string rich = scratch.file("rich.obj", richObj());
    const ProgramRun text = meshinfo("--quiet " + rich);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(untimed(text.out), "meshinfo " + rich + "\n" + RICH_TEXT);
    const std::string two =
        scratch.file("two.obj", TETRA_AND_REPEATED + std::string("v 9 9 9\n") +
                                    objTriangles({{0.1f, 0, 0, 1, -1e-3f, 0, 1, 1, 2.5e7f}}, 5));
    const ProgramRun json = meshinfo("--quiet --json " + two);
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(untimed(json.out), "{\n  \"file\": \"" + two + "\",\n" + TWO_JSON);
}

// Rows and keys that the drawn file above leaves out, each with a file that shows it.
TEST_F(MeshInfo, RowsAndKeysOfSmallFiles)
{
    const std::string vol = "\n  volume                          ";
    const std::string genus = "\n  genus                           ";
    const std::string ignoring1 = " (ignoring 1 triangle with repeated corners)\n";
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {tetra(true), "",
         vol +
             "-0.166666667  (negative: the triangles face inwards)\n  Euler characteristic     "
             "       2" +
             genus + "0\n  bounding box "},
        {tetra(false), "--json",
         "\"volume\": 0.16666666666666666,\n  \"volume_undefined_reason\": null,\n  "
         "\"euler_characteristic\": 2,\n  \"genus\": 0,\n  \"genus_undefined_reason\": null,\n  "
         "\"ignored_degenerate_triangles\": "
         "0,\n  \"volume_ignoring_degenerate\": null,\n  \"genus_ignoring_degenerate\": null,"},
        {TETRA_AND_REPEATED, "",
         vol + "0.166666667" + ignoring1 + "  Euler characteristic            3" + genus +
             "undefined (1 triangle with repeated corners, 1 non-manifold edge)" + genus + "0" +
             ignoring1},
        {TETRA_AND_REPEATED, "--json",
         "\"genus_undefined_reason\": \"1 triangle with repeated corners, 1 non-manifold edge\",\n"
         "  \"ignored_degenerate_triangles\": 1,\n  \"volume_ignoring_degenerate\": "
         "0.16666666666666666,\n  \"genus_ignoring_degenerate\": 0,"},
        {tetra(true) + "f 1 1 2\nf 3 3 4\n", "",
         vol + "-0.166666667 (ignoring 2 triangles with repeated corners)\n"},
        {slurp("tests/bad/r19_concave_faces.obj"), "",
         "  polygons split into triangles   1  (up to 5 corners)\n  faces not flat and simple      "
         " 2\n"},
        {"v 1 2 3\n", "", "  connected components            0\n"},
        {"v 1 2 3\n", "",
         vol + "undefined (no triangles)\n  Euler characteristic            0" + genus +
             "undefined (no triangles)\n  bounding box                    none\n"},
        {"v 1 2 3\n", "--json", "\"genus_undefined_reason\": \"no triangles\","},
        {"v 1 2 3\n", "--json",
         "\"component_list\": [],\n  \"component_list_truncated\": false,\n  \"bounding_box\": "
         "null,"},
        {triangleRow(10), "",
         "\n        10          1          3          3        1      1  0\n\nT"}};
    for (const auto& [content, option, part] : cases)
    {
        const ProgramRun r = meshinfo("--quiet " + option + " " + scratch.file("m.obj", content));
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(contains(untimed(r.out), part)) << part << "\n" << r.out;
    }
    for (const std::size_t n : {1000, 1001})
    {
        const ProgramRun r = meshinfo("--quiet --json " + scratch.file("m.obj", triangleRow(n)));
        // One brace each, and the report's, its box's and its timings'.
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '{'), 1003);
        EXPECT_TRUE(contains(r.out, n > 1000 ? "\"component_list_truncated\": true,"
                                             : "\"component_list_truncated\": false,"));
    }
}

// Several files give the reports of each alone, in the order of the arguments, at any job
// count; then the summary, or the JSON array, or one line each.
TEST_F(MeshInfo, SeveralFilesAsEachAloneAtAnyJobCount)
{
    const std::vector<std::string> files = {
        scratch.file("a.obj", tetra(false)),
        "missing.obj",
        scratch.file("e.obj", ""),
        scratch.file("r.obj", richObj()),
        scratch.file("t.obj", TETRA_AND_REPEATED),
        scratch.file("p.obj", triangleRow(2)),
        scratch.file("b.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv -1 0 0\nv 0 -1 0\nf 1 2 3\nf 1 4 5\n"),
        scratch.file("n.obj", "v 1 2 3\n"),
        (scratch.dir / "a.obj").string()};
    // The option, then the text before, between and after the reports of the files alone.
    const std::tuple<std::string, std::string, std::string, std::string, bool> forms[] = {
        {"", "", "\n\n",
         "\n\nSummary of 9 files\n  files read                      7\n"
         "  files rejected                  2\n  closed                          3  (read, no "
         "boundary edges)\n  manifold                        3  (read, no non-manifold edges or "
         "vertices)\n  with 0 components               1\n  with 1 component                4\n"
         "  with 2 components               1\n  with 13 components              1\n",
         true},
        {"--json", "[\n", ",\n", "\n]\n", false},
        {"--jsonl", "", "", "", true}};
    for (const auto& [option, before, between, after, lastLineFeed] : forms)
    {
        std::string expectOut, expectErr, all;
        for (const std::string& f : files)
        {
            const ProgramRun alone = meshinfo(option + " '" + f + "'");
            expectErr += alone.err;
            all += " '" + f + "'";
            if (alone.status != 0)
                continue;
            expectOut +=
                (expectOut.empty() ? "" : between) +
                untimed(lastLineFeed ? alone.out : alone.out.substr(0, alone.out.size() - 1));
        }
        expectOut = before + expectOut + after;
        EXPECT_TRUE(contains(expectErr, "Done with edge check (checked 12 edges)\n")) << expectErr;
        for (const char* jobs : {"-j 1", "-j2", "-j 7", ""})
        {
            SCOPED_TRACE(option + " " + jobs);
            const ProgramRun r = meshinfo(option + " " + jobs + all);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(untimed(r.out), expectOut);
            EXPECT_EQ(r.err, expectErr);
        }
    }
    EXPECT_EQ(meshinfo("--json missing.obj " + files[2]).out, "[\n]\n");
    EXPECT_EQ(meshinfo("missing.obj " + files[2]).out,
              "\nSummary of 2 files\n  files read                      0\n"
              "  files rejected                  2\n  closed                          0  (read, "
              "no boundary edges)\n  manifold                        0  (read, no non-manifold "
              "edges or vertices)\n");
    EXPECT_EQ(meshinfo("--quiet " + files[0] + " " + files[5]).status, 0);
}

// One file on spare threads: the same output as on one thread, in every format; the counts
// pin what the format keeps (STL drops the unused position).
TEST_F(MeshInfo, ThreadsInsideAFileChangeNoOutput)
{
    // Positions, -0 among them, that weld with others; more triangles than positions, so that
    // the analysis runs beside.
    std::string text = richObj() + "v 1 0 0\nv 0 1 0\nf 2 106 107\nv -0 0 0\nf 139 138 106\n";
    for (int i = 0; i < 22; ++i)
        text += "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n";
    std::istringstream in(text);
    MeshData rich;
    MeshReadStats stats;
    ReadError error;
    ASSERT_TRUE(readMeshStream(in, "r.obj", rich, {true}, stats, error)) << error.message;
    const std::string all =
                          " v=56 f=140 e=96 be=40 bl=13 c=12 ce=14 nme=6 nmv=3 deg=1 rep=1 dup=88 "
                          "chi=100 g=null",
                      indexed = "p=139" + all, stl = "p=56" + all;
    const std::pair<WriteFormat, std::string> cases[] = {
        {WriteFormat::OBJ, indexed},       {WriteFormat::STL_BINARY, stl},
        {WriteFormat::STL_ASCII, stl},     {WriteFormat::PLY_BINARY, indexed},
        {WriteFormat::PLY_ASCII, indexed}, {WriteFormat::OFF, indexed}};
    for (const auto& [format, expect] : cases)
    {
        const std::string path = scratch.mesh("m" + std::to_string(int(format)), rich, format);
        for (const char* option : {"", "--json "})
        {
            SCOPED_TRACE(path + " " + option);
            const ProgramRun one = meshinfo(option + std::string("-j 1 ") + path);
            EXPECT_EQ(one.status, 0);
            EXPECT_EQ(*option ? counts(one.out) : expect, expect);
            for (const char* jobs : {"-j2 ", "-j 7 "})
            {
                const ProgramRun r = meshinfo(option + std::string(jobs) + path);
                EXPECT_EQ(untimed(r.out), untimed(one.out)) << jobs;
                EXPECT_EQ(r.err, one.err) << jobs;
                std::istringstream rows(r.out.substr(std::min(r.out.find("(ms)"), r.out.size())));
                std::string phase, ms, phases;
                for (rows >> ms; rows >> phase >> ms;)
                    phases += phase + " ";
                EXPECT_EQ(phases, *option ? "" : "read build merge validate normals analysis ");
            }
        }
    }
}

TEST_F(MeshInfo, StandardInputByContent)
{
    const std::pair<const char*, WriteFormat> cases[] = {{"OBJ", WriteFormat::OBJ},
                                                         {"ASCII STL", WriteFormat::STL_ASCII},
                                                         {"binary STL", WriteFormat::STL_BINARY},
                                                         {"PLY", WriteFormat::PLY_ASCII},
                                                         {"OFF", WriteFormat::OFF}};
    for (const auto& [format, as] : cases)
    {
        const std::string path =
            scratch.mesh("input", {{P(0, 0, 0), P(1, 0, 0), P(0, 1, 0)}, {T(0, 1, 2)}, {}}, as);
        for (const std::string& cat : {std::string(), "cat " + path + " | "})
        {
            const ProgramRun r = meshinfo("--quiet --json -", cat, cat.empty() ? "<" + path : "");
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(field(r.out, "file") + field(r.out, "format") + " " + counts(r.out) + " " +
                          field(r.out, "area"),
                      "\"-\"\"" + std::string(format) +
                          "\" p=3 v=3 f=1 e=3 be=3 bl=1 c=1 ce=1 chi=1 0.5")
                << cat;
        }
    }
}

// Quotes, a backslash, control bytes and bytes that are not UTF-8 in a file name: \xNN in text.
TEST_F(MeshInfo, OddFileNames)
{
    const std::string dir = scratch.dir.string() + "/";
    scratch.file("q\"b\\s\tt\x01\x1f\n\x7f\xff\xc3\xa9.obj", tetra(false));
    const ProgramRun text =
        meshinfo("--quiet " + dir + "'q\"b\\s\tt\x01\x1f\n\x7f\xff\xc3\xa9.obj'");
    EXPECT_EQ(text.out.rfind(
                  "meshinfo " + dir + "q\"b\\s\\x09t\\x01\\x1f\\x0a\\x7f\\xff\xc3\xa9.obj\n", 0),
              0u);
    const std::string json =
        "\"file\": \"" + dir +
        "q\\\"b\\\\s\\u0009t\\u0001\\u001f\\u000a\x7f\xef\xbf\xbd\xc3\xa9.obj\",";
    EXPECT_TRUE(contains(meshinfo("--quiet --json " + dir + "q*").out, "{\n  " + json + "\n"));
    const ProgramRun line = meshinfo("--jsonl " + dir + "q*");
    EXPECT_EQ(line.out.rfind("{" + json + "\"format\": \"OBJ\",\"positions\": 4,", 0), 0u);
    EXPECT_EQ(std::count(line.out.begin(), line.out.end(), '\n'), 1);
}

TEST_F(MeshInfo, KeepIndicesMeasuresTheFileAsWritten)
{
    const char* const welded = "p=6 v=4 f=4 e=6 c=1 ce=1 chi=2";
    const char* const asWritten = "p=6 v=5 f=4 e=8 be=4 bl=1 c=1 ce=1 iso=1 chi=1";
    const std::tuple<const char*, WriteFormat, const char*> cases[] = {
        {"a.obj", WriteFormat::OBJ, asWritten},
        {"a.off", WriteFormat::OFF, asWritten},
        {"a.ply", WriteFormat::PLY_BINARY, asWritten},
        {"b.ply", WriteFormat::PLY_ASCII, asWritten},
        {"a.stl", WriteFormat::STL_BINARY, "p=4 v=4 f=4 e=6 c=1 ce=1 chi=2"}};
    for (const auto& [name, format, kept] : cases)
    {
        const std::string path = scratch.mesh(name, SPLIT, format);
        SCOPED_TRACE(path);
        const ProgramRun plain = meshinfo("--json --quiet " + path);
        const ProgramRun keep = meshinfo("--json --quiet --keep-indices " + path);
        const bool stl = format == WriteFormat::STL_BINARY;
        EXPECT_EQ(counts(plain.out), stl ? kept : welded);
        EXPECT_EQ(counts(keep.out), kept);
        EXPECT_EQ(field(keep.out, "welded") + field(keep.out, "half_edges") +
                      field(keep.out, "validate_problem_lines"),
                  stl ? "true120" : "false160");
        EXPECT_EQ(field(plain.out, "welded") + field(plain.out, "half_edges"), "true12");
        EXPECT_EQ(keep.err, stl ? "meshinfo: " + path +
                                      ": STL has no vertex indices: its equal corners are welded "
                                      "(--keep-indices does not apply)\n"
                                : "");
    }
    const ProgramRun text =
        meshinfo("--quiet --keep-indices " + scratch.mesh("c.obj", SPLIT, WriteFormat::OBJ));
    for (const char* row :
         {"  vertices                        5  (6 positions read, not welded)\n  faces",
          "  isolated vertices               1  (positions no triangle uses)\n"})
        EXPECT_TRUE(contains(text.out, row)) << row << "\n" << text.out;
}

TEST_F(MeshInfo, RequireGivesOneLinePerUnmetRequirementAndStatusThree)
{
    const std::string split = scratch.mesh("split.obj", SPLIT, WriteFormat::OBJ);
    const std::string fin = scratch.mesh("fin.off", TWO_AND_FIN, WriteFormat::OFF);
    const std::string all = "--require closed,manifold,oriented,no-degenerate ";
    const std::string bad = "tests/bad/";
    const std::tuple<std::string, int, std::string> cases[] = {
        {all + bad + "s09_two_components.obj " + split, 0, ""},
        {"--require=oriented,closed " + fin, 3, fin + ": not closed: 2 boundary edges\n"},
        {"--require manifold --require no-degenerate " + fin, 3,
         fin + ": not manifold: 1 non-manifold edge, 1 non-manifold vertex\n"},
        {all + bad + "s04_repeated_corners.obj", 3,
         bad + "s04_repeated_corners.obj: not closed: 2 boundary edges\nmeshinfo: " + bad +
             "s04_repeated_corners.obj: not oriented: 2 inconsistently oriented edges\nmeshinfo: " +
             bad +
             "s04_repeated_corners.obj: has degenerate triangles: 2 of zero area (2 with "
             "repeated corners)\n"},
        {"--require oriented " + bad + "s02_moebius.obj", 3,
         bad + "s02_moebius.obj: not oriented: 1 inconsistently oriented edge\n"},
        {"--require no-degenerate,oriented " + bad + "s05_zero_area.obj", 3,
         bad + "s05_zero_area.obj: has degenerate triangles: 1 of zero area (0 with repeated "
               "corners)\n"},
        {"--require manifold,oriented " + bad + "s07_bow_tie.obj " + bad +
             "s01_non_manifold_edge.obj",
         3,
         bad + "s07_bow_tie.obj: not manifold: 1 non-manifold vertex\nmeshinfo: " + bad +
             "s01_non_manifold_edge.obj: not manifold: 1 non-manifold edge\n"},
        {all + bad + "r03_face_before_first_vertex.obj", 3,
         bad + "r03_face_before_first_vertex.obj: not closed: no triangles\nmeshinfo: " + bad +
             "r03_face_before_first_vertex.obj: not manifold: no triangles\n"},
        {"--keep-indices --require closed " + split, 3, split + ": not closed: 4 boundary edges\n"},
        {"--require closed no-such.obj " + split + " " + fin, 1,
         "no-such.obj: cannot open: No such file or directory\nmeshinfo: " + fin +
             ": not closed: 2 boundary edges\n"},
        {"--require closed,bogus " + split, 2,
         "unknown requirement 'bogus' (closed, manifold, oriented or no-degenerate)\n" +
             USAGE_TAIL},
        {"--require closed,,manifold " + split, 2,
         "unknown requirement '' (closed, manifold, oriented or no-degenerate)\n" + USAGE_TAIL},
        {split + " --require", 2, "--require needs a list of requirements\n" + USAGE_TAIL}};
    for (const auto& [args, status, err] : cases)
    {
        const ProgramRun r = meshinfo("--quiet " + args);
        EXPECT_EQ(r.status, status) << args;
        EXPECT_EQ(r.err, err.empty() ? "" : "meshinfo: " + err) << args;
    }
    // Through edges the fin goes with its tetrahedron, the other tetrahedron apart.
    EXPECT_EQ(counts(meshinfo("--json --quiet " + fin).out),
              "p=8 v=8 f=9 e=14 be=2 bl=1 c=1 ce=2 nme=1 nmv=1 chi=3 g=null");
}
