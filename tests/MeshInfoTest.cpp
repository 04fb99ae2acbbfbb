// Runs the meshinfo program itself, as a script would: usage errors, the bunny, and one row
// per file in tests/bad (and two that cannot be opened) with the exit status and the one line
// on standard error or the counts in --json.

#include "MeshAnalysis.h"
#include "io/MeshFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef MESHINFO_PATH
#error "MESHINFO_PATH must name the meshinfo program"
#endif

namespace
{
struct ProgramRun
{
    int status; // 124 for a run that took over 30 s, 128 + n for one ended by signal n
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// before and input are shell text around the command: limits, a pipe into it.
ProgramRun meshinfo(const std::string& args, const std::string& before = "",
                    const std::string& input = "</dev/null")
{
    const std::string stem =
        (std::filesystem::temp_directory_path() / ("meshinfo-test-" + std::to_string(getpid())))
            .string();
    const int rc = std::system((before + "timeout 60 " MESHINFO_PATH " " + args + " >" + stem +
                                ".out 2>" + stem + ".err " + input)
                                   .c_str());
    ProgramRun run{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, slurp(stem + ".out"),
                   slurp(stem + ".err")};
    std::filesystem::remove(stem + ".out");
    std::filesystem::remove(stem + ".err");
    return run;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
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
    MeshReadOptions options;
    options.splitPolygons = true;
    MeshReadStats stats;
    ReadError why;
    MeshAnalysis::Report report;
    MeshAnalysis::Defects d;
    if (!readMeshFile(path, data, options, stats, why) ||
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
        "iso isolated_vertices nme non_manifold_edges nmv non_manifold_vertices "
        "inc inconsistently_oriented_edges deg degenerate_triangles "
        "rep repeated_corner_triangles dup duplicate_triangles ps polygons_split "
        "lp largest_polygon_split chi euler_characteristic g genus");
    std::string s, name, key;
    while (keys >> name >> key)
    {
        const std::string value = field(json, key);
        if (value != "0")
            s += (s.empty() ? "" : " ") + name + "=" + value;
    }
    return s;
}

struct BadInput
{
    const char* file;
    int status;
    std::string expect;         // status 1: the line after "meshinfo: FILE: "; 0: counts(json)
    const char* json = nullptr; // a further part of the --json report
};

const char* const ONE_TRIANGLE = "p=3 v=3 f=1 e=3 be=3 bl=1 c=1 chi=1";
const char* const NO_VERTEX_DATA = "no vertex data (no line begins with 'v')";

std::string badNumber(const std::string& token)
{
    return "Error: OBJ line 2: bad number '" + token +
           "' in a position (coordinates must be finite decimal numbers)";
}

const BadInput BAD_INPUTS[] = {
    {".", 1, "cannot open: Is a directory"},
    {"no-such-file.obj", 1, "cannot open: No such file or directory"},
    {"n02_near_duplicate.obj", 0, "p=9 v=9 f=12 e=20 be=4 bl=1 c=1 chi=1", "\"volume\": null,"},
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
    {"r06_negative_indices.obj", 0, "p=4 v=4 f=2 e=5 be=4 bl=1 c=1 chi=1"},
    {"r07_slash_forms.obj", 0, "p=3 v=3 f=2 e=3 c=1 dup=1 chi=2"},
    {"r08_pentagon.obj", 0, "p=5 v=5 f=3 e=7 be=5 bl=1 c=1 ps=1 lp=5 chi=1"},
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
     "p=3 v=3 f=20001 e=3 be=2 bl=1 c=1 inc=1 deg=20000 rep=20000 dup=19998 ps=1 "
     "lp=20003 chi=20001 g=null"},
    {"r17_long_token.obj", 1, badNumber(std::string(40, '9') + "...")},
    // Bytes that would not show on a terminal are written as \xNN.
    {"r17_nul_in_face_line.obj", 1, "Error: OBJ line 4: bad vertex index '1\\x00'"},
    {"r18_utf16_bom.obj", 1,
     "Error: OBJ input is UTF-16 text (it begins with a byte order mark); only ASCII and UTF-8 "
     "are read"},
    {"r18_utf8_bom.obj", 0, ONE_TRIANGLE},
    {"s01_non_manifold_edge.obj", 0, "p=6 v=6 f=4 e=9 be=7 bl=1 c=1 nme=1 chi=1 g=null",
     "\"volume_undefined_reason\": \"open surface: 1 boundary loop, 1 non-manifold edge\","},
    {"s02_flipped_neighbour.obj", 0, "p=4 v=4 f=4 e=6 c=1 inc=3 chi=2 g=null",
     "\"volume_undefined_reason\": \"3 inconsistently oriented edges\","},
    {"s02_moebius.obj", 0, "p=16 v=16 f=16 e=32 be=16 bl=1 c=1 inc=1 g=null"},
    {"s03_duplicate_faces.obj", 0, "p=4 v=4 f=6 e=6 c=1 nme=3 dup=2 chi=4 g=null"},
    {"s04_repeated_corners.obj", 0, "p=5 v=4 f=4 e=5 be=2 bl=2 c=1 inc=2 deg=2 rep=2 chi=3 g=null",
     "\"genus_undefined_reason\": \"2 triangles with repeated corners, 2 inconsistently "
     "oriented edges\",\n  \"ignored_degenerate_triangles\": 2,\n  "
     "\"volume_ignoring_degenerate\": null,\n  \"genus_ignoring_degenerate\": 0,"},
    {"s05_zero_area.obj", 0, "p=5 v=5 f=4 e=8 be=4 bl=1 c=1 deg=1 chi=1", "\"area\": 1,"},
    {"s06_unused_positions.obj", 0, "p=6 v=3 f=1 e=3 be=3 bl=1 c=1 iso=2 chi=1"},
    {"s07_bow_tie.obj", 0, "p=5 v=5 f=2 e=6 be=6 bl=2 c=1 nmv=1 chi=1 g=null",
     "\"genus_undefined_reason\": \"1 non-manifold vertex\","},
    {"s08_tangled.obj", 0, "p=5 v=5 f=11 e=8 be=2 bl=1 c=1 nme=6 dup=6 chi=8 g=null",
     "\"validate_problem_lines\": 2,"},
    {"s09_two_components.obj", 0, "p=8 v=8 f=8 e=12 c=2 chi=4 g=null",
     "{\"faces\": 4, \"vertices\": 4, \"edges\": 6, \"boundary_loops\": 0, "
     "\"euler_characteristic\": 2, \"genus\": 0, \"genus_undefined_reason\": null}"},
    {"s10_annulus.obj", 0, "p=8 v=8 f=8 e=16 be=8 bl=2 c=1",
     "\"volume_undefined_reason\": \"open surface: 2 boundary loops\","},
    // STL, PLY and OFF: the line names the byte of a binary file, the line of a text one.
    {"r05_index_beyond_vertices.off", 1,
     "Error: OFF line 6: vertex index 3 is outside the 3 vertices (they count from 0)"},
    {"r05_index_beyond_vertices.ply", 1,
     "Error: PLY line 13: face 0 has vertex index 3, outside the 3 vertices (they count from 0)"},
    {"r08_pentagon.off", 0, "p=5 v=5 f=3 e=7 be=5 bl=1 c=1 ps=1 lp=5 chi=1",
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
     "Error: ASCII STL line 5: the file ends before 'endsolid' (truncated?)"},
};
} // namespace

TEST(MeshInfo, UsageErrorsExitTwo)
{
    for (const char* args : {"", "--frobnicate Objs/triangle.obj", "-j 0 Objs/triangle.obj",
                             "--json --jsonl Objs/triangle.obj", "- -"})
    {
        const ProgramRun r = meshinfo(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(contains(r.err, "usage: meshinfo [OPTIONS] FILE...")) << r.err;
    }
    const ProgramRun help = meshinfo("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(contains(help.out, "  --jsonl ")) << help.out;
}

TEST(MeshInfo, TextAndJsonReports)
{
    const ProgramRun text = meshinfo("Objs/bunnySmall.obj");
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* row :
         {"  vertices                        1839  (1839 positions read)\n",
          "  half-edges                      11022\n", "  genus                           0\n",
          "  validate problem lines          0\n"})
        EXPECT_TRUE(contains(text.out, row)) << row << text.out;
    // The validation report stays on standard error, unchanged.
    EXPECT_TRUE(contains(text.err, "Done with edge check (checked 11022 edges)\n")) << text.err;
    EXPECT_TRUE(contains(text.err, "Done: 0 isolated vertices found\n"));

    const ProgramRun json = meshinfo("--json Objs/bunnySmall.obj");
    ASSERT_EQ(json.status, 0);
    EXPECT_EQ(counts(json.out), "p=1839 v=1839 f=3674 e=5511 c=1 chi=2");
    for (const char* part : {"\"half_edges\": 11022,", "\"genus_undefined_reason\": null,",
                             "\"volume_undefined_reason\": null,", "\"timings_ms\": {\"read\": "})
        EXPECT_TRUE(contains(json.out, part)) << part;

    const ProgramRun two = meshinfo("tests/bad/s09_two_components.obj");
    EXPECT_TRUE(contains(two.out, "per component, 2 components: 2 of genus 0 (listed below)"))
        << two.out;
}

TEST(MeshInfo, EveryBadInputExitsAsExpected)
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
        if (c.json)
        {
            EXPECT_TRUE(contains(r.out, c.json)) << c.json << "\n" << r.out;
        }
        // No measure that is not a number reaches the report.
        EXPECT_FALSE(contains(r.out, "nan") || contains(r.out, "inf")) << r.out;
    }
    for (const auto& entry : std::filesystem::directory_iterator("tests/bad"))
        EXPECT_EQ(listed.count(entry.path().string()), 1u) << entry.path() << " has no row";
}

TEST(MeshInfo, HostileInputsEndWithOneLine)
{
    // Names of this process alone: other test runs may share the folder.
    const std::string tmp = std::filesystem::temp_directory_path() / std::to_string(getpid());
    const std::string longLine = tmp + "-long.obj";
    std::ofstream(longLine) << "v 0 0 0\nv 1 1 " << std::string(64 << 20, '1') << "\n";
    const std::string oddName = tmp + "-a\xff.obj";
    const std::string ZERO_STL =
        "Error: binary STL: the header declares 0 triangles, which take 84 "
        "bytes; the file has more than 1048660";
    std::filesystem::copy_file("Objs/triangle.obj", oddName,
                               std::filesystem::copy_options::overwrite_existing);
    struct Case
    {
        std::string args, before, input;
        int status;
        std::string out, err; // out: a part of it
    } cases[] = {
        // Zeros are a binary STL of no triangles by their count, with more than it declares.
        {"/dev/zero", "", "", 1, "", "/dev/zero: " + ZERO_STL},
        {"-", "head -c 1100000000 /dev/zero | ", " ", 1, "", "-: " + ZERO_STL},
        {"-", "(printf '%0100d\\n' 0; head -c 1100000000 /dev/zero) | ", " ", 1, "",
         "-: Error: OBJ line 2: the line is longer than 1 GiB"},
        {longLine, "", "", 1, "", longLine + ": Error: OBJ line 2: the line is longer than 64 MiB"},
        {"'no\xff\x01.obj'", "", "", 1, "",
         "no\\xff\\x01.obj: cannot open: No such file or directory"},
        {"--quiet '" + oddName + "'", "", "", 0, "a\\xff.obj\n", ""},
        {"--json --quiet '" + oddName + "'", "", "", 0, "a\xef\xbf\xbd.obj\",\n", ""},
#if !defined(__SANITIZE_ADDRESS__) // the sanitizer cannot start under a memory limit
        {"-", "ulimit -v 300000; yes 'v 1 2 3' | ", " ", 1, "", "-: out of memory"},
#endif
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.args);
        const ProgramRun r = meshinfo(c.args, c.before, c.input.empty() ? "</dev/null" : c.input);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(contains(r.out, c.out)) << r.out;
        EXPECT_EQ(r.err, c.err.empty() ? "" : "meshinfo: " + c.err + "\n");
    }
    std::filesystem::remove(longLine);
    std::filesystem::remove(oddName);
}

// Without timings, which differ from run to run.
std::vector<std::string> sortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.find(",\"timings_ms\"")));
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST(MeshInfo, SeveralFilesInArgumentOrderAndMergedJsonLines)
{
    const std::string files = "Objs/triangle.obj no-such.obj tests/bad/s09_two_components.obj";
    const ProgramRun text = meshinfo("--quiet -j 2 " + files);
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, "meshinfo: no-such.obj: cannot open: No such file or directory\n");
    const std::size_t first = text.out.find("meshinfo Objs/triangle.obj\n");
    EXPECT_LT(first, text.out.find("\nmeshinfo tests/bad/s09_two_components.obj\n"));
    EXPECT_TRUE(contains(text.out,
                         "\nSummary of 3 files\n"
                         "  files read                      2\n"
                         "  files rejected                  1\n"
                         "  closed                          1  (read, no boundary edges)\n"
                         "  manifold                        2  (read, no non-manifold "
                         "edges or vertices)\n"
                         "  with 1 component                1\n"
                         "  with 2 components               1\n"))
        << text.out;

    const ProgramRun array = meshinfo("--json --quiet " + files);
    EXPECT_EQ(array.out.substr(0, 14), "[\n{\n  \"file\": ");
    EXPECT_TRUE(contains(array.out, "},\n{\n  \"file\": \"tests/bad/s09"));
    EXPECT_EQ(array.out.substr(array.out.size() - 4), "}\n]\n");

    // The recipe for collections on one machine: runs on parts, each to a file of its own,
    // merged by concatenation, give what one run gives.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("meshinfo-parts-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    std::system(("ls tests/bad/*.obj | xargs -P 2 -n 7 sh -c '" MESHINFO_PATH
                 " --jsonl --quiet \"$@\" >" +
                 dir.string() + "/part.$$ 2>/dev/null' sh")
                    .c_str());
    std::string merged;
    for (const auto& part : std::filesystem::directory_iterator(dir))
        merged += slurp(part.path());
    std::filesystem::remove_all(dir);
    const ProgramRun whole = meshinfo("--jsonl --quiet tests/bad/*.obj");
    EXPECT_EQ(sortedLines(merged), sortedLines(whole.out));
    EXPECT_EQ(sortedLines(whole.out).size(), 31u);
    EXPECT_EQ(whole.out.rfind("{\"file\": \"tests/bad/n02_near_duplicate.obj\",", 0), 0u);
}
