// Runs the meshinfo program itself, as a script would, on the bunny and on the bad inputs
// in tests/bad: exit status, the one line on standard error, and the counts in --json.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    int status = -1; // exit status, or -1 if the program did not exit by itself
    int signal = 0;  // the signal that ended it, if any
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs meshinfo with args; a run that takes longer than 30 s is killed and counts as a hang.
ProgramRun meshinfo(const std::vector<std::string>& args)
{
    const std::string dir = std::filesystem::temp_directory_path().string();
    std::string outPath = dir + "/meshinfo-out-XXXXXX";
    std::string errPath = dir + "/meshinfo-err-XXXXXX";
    const int outFd = mkstemp(outPath.data());
    const int errFd = mkstemp(errPath.data());
    ProgramRun run;
    if (outFd < 0 || errFd < 0)
        return run;
    std::vector<char*> argv;
    std::string program = MESHINFO_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0)
    {
        dup2(outFd, STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, STDIN_FILENO);
        alarm(30);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    close(outFd);
    close(errFd);
    run.out = slurp(outPath);
    run.err = slurp(errPath);
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return run;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

int lineCount(const std::string& text)
{
    int n = 0;
    for (const char c : text)
        n += c == '\n';
    return n;
}

struct Rejected
{
    const char* file;
    std::string line; // the whole line on standard error, after "meshinfo: <file>: "
};

struct Accepted
{
    const char* file;
    std::vector<const char*> json; // fragments of the --json report
};
} // namespace

TEST(MeshInfo, UsageErrorsExitTwo)
{
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"--frobnicate", "Objs/triangle.obj"},
                                                 {"Objs/triangle.obj", "Objs/bunnySmall.obj"}})
    {
        const ProgramRun r = meshinfo(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(contains(r.err, "usage: meshinfo [--json] FILE.obj\n")) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(MeshInfo, UnopenableFilesExitOneWithOneLine)
{
    ProgramRun r = meshinfo({"tests/bad/no-such-file.obj"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "meshinfo: tests/bad/no-such-file.obj: cannot open: No such file or directory\n");
    EXPECT_EQ(r.out, "");

    r = meshinfo({"tests/bad"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "meshinfo: tests/bad: cannot open: Is a directory\n");
}

TEST(MeshInfo, BunnyReport)
{
    const ProgramRun text = meshinfo({"Objs/bunnySmall.obj"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_TRUE(
        contains(text.out, "  vertices                        1839  (1839 positions read)\n"))
        << text.out;
    EXPECT_TRUE(contains(text.out, "  faces                           3674\n"));
    EXPECT_TRUE(contains(text.out, "  half-edges                      11022\n"));
    EXPECT_TRUE(contains(text.out, "  genus                           0\n"));
    EXPECT_TRUE(contains(text.out, "  validate problem lines          0\n"));
    // The validation report stays on standard error, unchanged.
    EXPECT_TRUE(contains(text.err, "Done with edge check (checked 11022 edges)\n")) << text.err;
    EXPECT_TRUE(contains(text.err, "Done: 0 isolated vertices found\n"));

    const ProgramRun json = meshinfo({"--json", "Objs/bunnySmall.obj"});
    ASSERT_EQ(json.status, 0);
    for (const char* part :
         {"\"vertices\": 1839,", "\"faces\": 3674,", "\"half_edges\": 11022,", "\"edges\": 5511,",
          "\"boundary_loops\": 0,", "\"components\": 1,", "\"non_manifold_edges\": 0,",
          "\"euler_characteristic\": 2,", "\"genus\": 0,", "\"genus_undefined_reason\": null,",
          "\"volume_undefined_reason\": null,", "\"timings_ms\": {\"read\": "})
        EXPECT_TRUE(contains(json.out, part)) << part;
    EXPECT_EQ(json.out.front(), '{');
    EXPECT_EQ(json.out.substr(json.out.size() - 2), "}\n");
}

TEST(MeshInfo, ReaderRejectionsExitOneWithTheReadersLine)
{
    const Rejected cases[] = {
        {"r02_empty.obj", "no vertex data (no line begins with 'v')"},
        {"r02_comments_only.obj", "no vertex data (no line begins with 'v')"},
        {"r03_face_without_vertices.obj", "no vertex data (no line begins with 'v')"},
        {"r04_index_zero.obj",
         "Error: OBJ line 4: vertex index '0' is invalid (indices start at 1)"},
        {"r05_index_beyond_positions.obj",
         "Error: OBJ line 4: vertex index 4 is beyond the 3 positions in the file"},
        {"r06_negative_index_before_first.obj",
         "Error: OBJ line 4: relative vertex index '-4' reaches before the first position"},
        {"r08_pentagon.obj", "Encountered polygon with 5 faces. Bailing out."},
        {"r09_two_corners.obj", "Encountered polygon with 2 faces. Bailing out."},
        {"r10_comment_after_face.obj", "Encountered polygon with 5 faces. Bailing out."},
        {"r13_decimal_comma.obj", "Error: OBJ line 2: bad number '1,5' in a position "
                                  "(coordinates must be finite decimal numbers)"},
        {"r13_hex_float.obj", "Error: OBJ line 2: bad number '0x1p3' in a position "
                              "(coordinates must be finite decimal numbers)"},
        {"r14_two_coordinates.obj",
         "Error: OBJ line 2: a position needs three coordinates, found 2"},
        {"r15_nan.obj", "Error: OBJ line 2: bad number 'nan' in a position "
                        "(coordinates must be finite decimal numbers)"},
        {"r15_inf.obj", "Error: OBJ line 2: bad number 'inf' in a position "
                        "(coordinates must be finite decimal numbers)"},
        {"r15_overflow.obj", "Error: OBJ line 2: bad number '1e39' in a position "
                             "(coordinates must be finite decimal numbers)"},
        {"r16_indented_position.obj",
         "Error: OBJ line 6: vertex index 4 is beyond the 3 positions in the file"},
        {"r17_long_face_line.obj", "Encountered polygon with 20003 faces. Bailing out."},
        // Bytes that would not show on a terminal are written as \xNN.
        {"r17_nul_in_face_line.obj", "Error: OBJ line 4: bad vertex index '1\\x00'"},
    };
    for (const Rejected& c : cases)
    {
        const std::string path = std::string("tests/bad/") + c.file;
        SCOPED_TRACE(path);
        const ProgramRun r = meshinfo({"--json", path});
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "meshinfo: " + path + ": " + c.line + "\n");
        EXPECT_EQ(lineCount(r.err), 1);
    }
}

TEST(MeshInfo, AcceptedBadInputsShowTheirDefectsInTheCounts)
{
    const Accepted cases[] = {
        {"r03_face_before_first_vertex.obj", {"\"faces\": 0,", "\"isolated_vertices\": 3,"}},
        {"r06_negative_indices.obj", {"\"positions\": 4,", "\"faces\": 2,", "\"edges\": 5,"}},
        {"r07_slash_forms.obj",
         {"\"faces\": 2,", "\"duplicate_triangles\": 1,", "\"boundary_loops\": 0,"}},
        {"r09_line_and_point_elements.obj", {"\"faces\": 1,"}},
        {"r10_trailing_blanks.obj", {"\"faces\": 1,", "\"area\": 0.5,"}},
        {"r11_crlf.obj", {"\"faces\": 1,", "\"area\": 0.5,"}},
        // A lone carriage return ends no line: the file is one position line.
        {"r11_lone_cr.obj", {"\"positions\": 1,", "\"faces\": 0,"}},
        {"r12_no_final_newline.obj", {"\"faces\": 1,"}},
        {"r13_leading_dot_and_plus.obj",
         {"\"faces\": 1,", "\"min\": [0, 0, 0], \"max\": [2, 1, 0]"}},
        {"r14_extra_components.obj", {"\"faces\": 1,", "\"area\": 0.5,"}},
        {"r15_underflow.obj", {"\"faces\": 1,", "\"max\": [1, 1, 0]"}},
        {"r16_other_keywords.obj", {"\"positions\": 3,", "\"faces\": 1,"}},
        {"r16_longer_face_keyword.obj", {"\"faces\": 1,"}},
        {"r17_binary_garbage.obj", {"\"faces\": 1,"}},
        {"r17_long_comment_line.obj", {"\"faces\": 1,"}},
        {"s01_non_manifold_edge.obj",
         {"\"non_manifold_edges\": 1,", "\"genus\": null,",
          "\"genus_undefined_reason\": \"1 non-manifold edge\",", "\"volume\": null,"}},
        {"s02_flipped_neighbour.obj",
         {"\"inconsistently_oriented_edges\": 3,",
          "\"volume_undefined_reason\": \"3 inconsistently oriented edges\","}},
        {"s02_moebius.obj",
         {"\"boundary_loops\": 1,", "\"genus\": null,", "\"non_manifold_edges\": 0,"}},
        {"s03_duplicate_faces.obj", {"\"duplicate_triangles\": 2,", "\"non_manifold_edges\": 3,"}},
        {"s04_repeated_corners.obj",
         {"\"vertices\": 4,", "\"degenerate_triangles\": 2,", "\"repeated_corner_triangles\": 2,"}},
        {"s05_zero_area.obj",
         {"\"degenerate_triangles\": 1,", "\"area\": 1,", "\"boundary_loops\": 1,"}},
        {"s06_unused_positions.obj", {"\"positions\": 6,", "\"isolated_vertices\": 2,"}},
        {"s07_bow_tie.obj",
         {"\"non_manifold_vertices\": 1,", "\"boundary_loops\": 2,", "\"components\": 1,"}},
        {"s08_tangled.obj", {"\"duplicate_triangles\": 6,", "\"genus\": null,"}},
        {"s09_two_components.obj",
         {"\"components\": 2,", "\"euler_characteristic\": 4,", "\"genus\": null,",
          "\"genus_undefined_reason\": \"2 components: see component_list\","}},
        {"s10_annulus.obj",
         {"\"boundary_loops\": 2,", "\"genus\": 0,", "\"area\": 8,",
          "\"volume_undefined_reason\": \"open surface: 2 boundary loops\","}},
        {"n02_near_duplicate.obj",
         {"\"vertices\": 9,", "\"boundary_loops\": 1,", "\"volume\": null,"}},
        {"n05_huge_coordinates.obj", {"\"area\": 4.9999999", "\"faces\": 1,"}},
    };
    for (const Accepted& c : cases)
    {
        const std::string path = std::string("tests/bad/") + c.file;
        SCOPED_TRACE(path);
        const ProgramRun r = meshinfo({"--json", path});
        EXPECT_EQ(r.signal, 0);
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char* part : c.json)
            EXPECT_TRUE(contains(r.out, part)) << part << "\n" << r.out;
        // No measure that is not a number reaches the report.
        EXPECT_FALSE(contains(r.out, "nan")) << r.out;
        EXPECT_FALSE(contains(r.out, "inf")) << r.out;
    }
}

TEST(MeshInfo, ComponentsAreListedWithTheirGenus)
{
    const ProgramRun r = meshinfo({"tests/bad/s09_two_components.obj"});
    ASSERT_EQ(r.status, 0);
    EXPECT_TRUE(contains(r.out, "per component, 2 components: 2 of genus 0 (listed below)"))
        << r.out;
    const ProgramRun json = meshinfo({"--json", "tests/bad/s09_two_components.obj"});
    EXPECT_TRUE(contains(json.out, "{\"faces\": 4, \"vertices\": 4, \"edges\": 6, "
                                   "\"boundary_loops\": 0, \"euler_characteristic\": 2, "
                                   "\"genus\": 0, \"genus_undefined_reason\": null}"))
        << json.out;
}
