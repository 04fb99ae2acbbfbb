// meshinfo over collections: walking folders, lists, gzip and the other compressions, the
// geometry hash and its duplicate groups, and the memory gate of -j.

#include "tools/Collection.h"

#include "GeometryHash.h"
#include "io/Compressed.h"
#include "io/MeshWriter.h"
#include "tests/ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>
#include <zlib.h>

namespace
{
namespace fs = std::filesystem;
using V3 = Vector3<float>;
using U3 = Vector3<unsigned int>;
using Positions = std::vector<V3>;
using Triangles = std::vector<U3>;

void put(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

void putGzip(const fs::path& path, const std::string& bytes)
{
    gzFile f = gzopen(path.c_str(), "wb");
    gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(f);
}

// A closed tetrahedron.
const Positions P = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const Triangles T = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
const std::string XZ("\xfd\x37zXZ\0", 6);

std::string mesh(const Positions& p, const Triangles& t, WriteFormat format = WriteFormat::OBJ)
{
    std::ostringstream s;
    writeMesh(s, MeshData{p, t, {}}, format);
    return s.str();
}

// meshinfo in folder (its output files go there too), standard input from input.
ProgramRun meshinfo(const fs::path& folder, const std::string& args, const std::string& input = "")
{
    const std::string stem = (folder / "run").string();
    put(stem + ".in", input);
    return runShell("cd " + folder.string() + " && timeout 60 " MESHINFO_PATH " " + args + " <" +
                        stem + ".in",
                    stem);
}

class Collection : public testing::Test
{
protected:
    const Scratch scratch{"mv-collection"};
    const fs::path dir = scratch.dir, w = dir / "w";
    void SetUp() override { fs::create_directories(w); }
};

TEST_F(Collection, WalkSortsBytewiseFiltersAndEndsLoops)
{
    for (const char* f : {"b.obj", "A.stl", "a.OBJ", "c.stl.gz", "d.Ply.GZ", "e.off", "f.txt",
                          "g.obj.xz", "obj", "sub/h.ply", "sub/deeper/i.obj", ".obj", "a.objx",
                          "a.gz", "a.obj.gz.gz", "a.tar", "a_obj", "f.OFF.GZ"})
        put(w / f, "x");
    fs::create_directories(w / "z");
    fs::create_directory_symlink("..", w / "sub/loop");
    fs::create_symlink("../b.obj", w / "sub/link.obj");
    fs::create_symlink("nowhere", w / "dead.obj");
    ASSERT_EQ(mkfifo((w / "fifo.obj").c_str(), 0600), 0);
    std::vector<CollectionItem> items;
    walkFolder(w.string() + "/", items);
    std::string listed;
    for (const CollectionItem& i : items)
        listed += i.path.substr(w.string().size() + 1) + (i.error.empty() ? "\n" : " !\n");
    EXPECT_EQ(listed, ".obj\nA.stl\na.OBJ\nb.obj\nc.stl.gz\nd.Ply.GZ\ndead.obj\ne.off\nf.OFF.GZ\n"
                      "sub/deeper/i.obj\nsub/h.ply\nsub/link.obj\n");
    // Entered through the link, the walk reaches the top once and stops at sub.
    items.clear();
    walkFolder((w / "sub/loop").string(), items);
    EXPECT_EQ(items.size(), 12u);
}

TEST_F(Collection, FolderOutOfReachIsReported)
{
    // Deeper than a path may be: the folder cannot be opened, even by root.
    const std::string name(200, 'd');
    const fs::path here = fs::current_path();
    fs::current_path(w);
    for (int i = 0; i < 22; ++i)
        ASSERT_TRUE(mkdir(name.c_str(), 0755) == 0 && chdir(name.c_str()) == 0);
    fs::current_path(here);
    put(w / "a.obj", mesh(P, T));
    const ProgramRun r = meshinfo(dir, "--quiet --jsonl w");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
    const std::string tail = "dd: cannot read the folder: File name too long\n";
    EXPECT_TRUE(r.err.rfind("meshinfo: w/dd", 0) == 0 && r.err.size() > 4096 &&
                r.err.substr(r.err.size() - tail.size()) == tail)
        << r.err.substr(r.err.size() - tail.size());
}

TEST(CollectionNames, ListsAndSizes)
{
    std::istringstream list("a.obj\n\n\r\nb c.stl\r\n# d.ply\n  e.off");
    std::vector<std::string> names;
    readNameList(list, names);
    EXPECT_EQ(names, (std::vector<std::string>{"a.obj", "b c.stl", "# d.ply", "  e.off"}));
    const std::pair<const char*, std::uint64_t> sizes[] = {
        {"123", 123}, {"64K", 65536},  {"512m", 512u << 20}, {"2G", 2ull << 30}, {"1T", 1ull << 40},
        {"0", 0},     {"", 0},         {"12Q", 0},           {"1.5G", 0},        {"-1", 0},
        {"G", 0},     {"20000000T", 0}};
    for (const auto& [in, expect] : sizes)
    {
        std::uint64_t got = 0;
        EXPECT_EQ(parseSize(in, got), expect != 0) << in;
        EXPECT_EQ(got, expect) << in;
    }
    EXPECT_GT(availableMemory(), 1u << 20);
}

TEST_F(Collection, PeakEstimatesAndTheGate)
{
    const std::string k(1000, 'v');
    for (const char* f : {"a.obj", "a.OFF", "a.stl", "a.ply", "a.dat"})
        put(w / f, k);
    putGzip(w / "b.obj.gz", k + k + k + k + k);
    const std::uint64_t base = 4 << 20;
    const std::pair<const char*, std::uint64_t> peaks[] = {
        {"a.obj", 4000}, {"a.OFF", 4000},     {"a.stl", 3000},   {"a.ply", 8000},
        {"a.dat", 8000}, {"b.obj.gz", 20000}, {"missing.obj", 0}};
    for (const auto& [f, expect] : peaks)
        EXPECT_EQ(estimatePeak((w / f).string()), base + expect) << f;

    // inUse, running, peak, limit: whether one more file starts.
    EXPECT_TRUE(MemoryGate::admits(0, 0, 100, 10)); // alone, whatever its size
    EXPECT_TRUE(MemoryGate::admits(5, 1, 5, 10));
    EXPECT_FALSE(MemoryGate::admits(5, 1, 6, 10));
    EXPECT_FALSE(MemoryGate::admits(100, 1, 1, 10)); // beside one larger than the limit
    EXPECT_FALSE(MemoryGate::admits(1, 1, ~0ull, 10));
    MemoryGate gate(10);
    gate.enter(6);
    std::atomic<bool> started{false};
    std::thread second([&] { gate.enter(6), started = true, gate.leave(6); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(started);
    gate.leave(6);
    second.join();
    EXPECT_TRUE(started);
}

TEST_F(Collection, CompressionsAreSniffedAndGzipBounded)
{
    const std::pair<std::string, Compression> heads[] = {
        {"\x1f\x8b\x08", Compression::GZIP},
        {"BZh9", Compression::BZIP2},
        {"BZhx", Compression::NONE},
        {XZ, Compression::XZ},
        {"\x28\xb5\x2f\xfd", Compression::ZSTD},
        {"PK\x03\x04", Compression::ZIP},
        {"7z\xbc\xaf\x27\x1c", Compression::SEVEN_ZIP},
        {"\x04\x22\x4d\x18", Compression::LZ4},
        {"\x1f", Compression::NONE},
        {"v 1 2 3", Compression::NONE}};
    for (const auto& [head, expect] : heads)
        EXPECT_EQ(detectCompression(head), expect) << compressionName(expect);
    EXPECT_EQ(inflateLimit(0), INFLATE_FLOOR);
    EXPECT_EQ(inflateLimit(10'000'000), 1'000'000'000u);
    EXPECT_EQ(inflateLimit(~0ull), ~0ull);

    const std::string bytes(100000, 'v');
    putGzip(w / "a.OBJ.Gz", bytes);
    const std::string whole = slurp(w / "a.OBJ.Gz");
    put(w / "two", whole + whole);
    put(w / "cut.gz", whole.substr(0, whole.size() / 2));
    std::string damaged = whole;
    damaged[12] = static_cast<char>(damaged[12] ^ 0x55);
    put(w / "damaged.gz", damaged);
    put(w / "plain.obj", bytes);
    const std::tuple<const char*, std::uint64_t, const char*, std::size_t, std::string> cases[] = {
        {"a.OBJ.Gz", 100000, "a.OBJ", 100000, ""},
        {"a.OBJ.Gz", 99999, "a.OBJ", 0,
         "gzip data inflates to more than 99999 bytes: taken for "
         "a decompression bomb"},
        {"two", 0, "two", 200000, ""},
        {"cut.gz", 0, "cut", 0, "truncated gzip data (the file ends inside it)"},
        {"damaged.gz", 0, "damaged", 0, "damaged gzip data ("},
        {"plain.obj", 0, "plain.obj", 0, "(not compressed)"}};
    for (const auto& [file, limit, name, size, error] : cases)
    {
        Decompressed d;
        std::string why;
        const std::string path = (w / file).string();
        ASSERT_TRUE(openDecompressed(path, d, why, limit));
        EXPECT_EQ(d.name, path.substr(0, path.size() - std::strlen(file)) + name);
        if (d.compression == Compression::NONE)
            EXPECT_EQ("(not compressed)", error);
        else
        {
            const std::string got(std::istreambuf_iterator<char>(d.stream()), {});
            EXPECT_EQ(d.error().substr(0, error.size()), error) << file;
            EXPECT_EQ(got.find_first_not_of('v'), std::string::npos);
            EXPECT_EQ(error.empty() ? got.size() : size, size) << file;
        }
    }
}

TEST(GeometryHash, SameGeometryWhateverTheOrderAndDifferentOtherwise)
{
    const std::string base = geometryHash(P, T);
    EXPECT_EQ(base, "2b6ec98d93a8743fa7a8dcf835fe1809");
    EXPECT_EQ(geometryHash({}, {}), std::string(32, '0'));
    const float up = std::nextafter(1.0f, 2.0f);
    const std::tuple<const char*, Positions, Triangles, bool> cases[] = {
        {"positions reversed",
         {P[3], P[2], P[1], P[0]},
         {{3, 1, 2}, {3, 2, 0}, {3, 0, 1}, {2, 1, 0}},
         true},
        {"triangles reversed", P, {T[3], T[2], T[1], T[0]}, true},
        {"corners rotated", P, {{2, 1, 0}, {1, 3, 0}, {2, 0, 3}, {3, 1, 2}}, true},
        {"not welded",
         {P[0], P[2], P[1], P[0], P[1], P[3], P[0], P[3], P[2], P[1], P[2], P[3]},
         {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}, {9, 10, 11}},
         true},
        {"minus zero", {{-0.0f, 0, -0.0f}, P[1], P[2], P[3]}, T, true},
        {"one flipped", P, {{0, 1, 2}, T[1], T[2], T[3]}, false},
        {"one moved", {P[0], {up, 0, 0}, P[2], P[3]}, T, false},
        {"one dropped", P, {T[0], T[1], T[2]}, false},
        {"one doubled", P, {T[0], T[1], T[2], T[3], T[3]}, false},
        {"two doubled", P, {T[0], T[1], T[2], T[3], T[3], T[2], T[2]}, false}};
    for (const auto& [what, p, t, same] : cases)
        EXPECT_EQ(geometryHash(p, t) == base, same) << what;
}

TEST_F(Collection, DuplicatesAcrossFormatsAndOrders)
{
    Triangles flipped = T;
    std::swap(flipped[1][1], flipped[1][2]);
    put(w / "a.obj", mesh(P, T));
    put(w / "b.stl", mesh(P, T, WriteFormat::STL_BINARY));
    put(w / "c.ply", mesh(P, T, WriteFormat::PLY_ASCII));
    put(w / "d.off", mesh(P, T, WriteFormat::OFF));
    put(w / "e.obj", mesh({P[3], P[2], P[1], P[0]}, {{2, 1, 0}, {3, 2, 0}, {0, 1, 3}, {2, 3, 1}}));
    putGzip(w / "f.obj.gz", mesh(P, T));
    putGzip(w / "g.stl.gz", mesh(P, T, WriteFormat::STL_BINARY));
    put(w / "h.obj", mesh(P, flipped));
    put(w / "sub/i.off", mesh(P, flipped, WriteFormat::OFF));
    put(w / "j.obj", mesh(P, {T[0]}));
    put(w / "l.obj", "v 1 2 3\n");
    put(w / "m.obj", "v 1 2 3\n");
    put(w / "n.obj.gz", slurp(w / "f.obj.gz").substr(0, 30));
    put(w / "k.obj", XZ);
    put(dir / "list", "w/a.obj\n\nw/f.obj.gz\r\n");
    const ProgramRun r = meshinfo(dir, "--quiet --jsonl --duplicates -j2 --memory-limit 1 w");
    EXPECT_EQ(r.status, 1);
    const std::string hash = geometryHash(P, T), other = geometryHash(P, flipped);
    EXPECT_EQ(r.err, "meshinfo: w/k.obj: compressed with xz, which is not read; decompress "
                     "it first\nmeshinfo: w/n.obj.gz: truncated gzip data (the file ends "
                     "inside it)\nDuplicates: 2 geometry hashes shared by several files\n  " +
                         hash +
                         "  (7 files)\n    w/a.obj\n    w/b.stl\n    w/c.ply\n    w/d.off\n"
                         "    w/e.obj\n    w/f.obj.gz\n    w/g.stl.gz\n  " +
                         other + "  (2 files)\n    w/h.obj\n    w/sub/i.off\n");
    // A gzipped file reports as the plain one, but for its name and timings.
    std::vector<std::string> lines;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(line.find(",\"format\""),
                                    line.find(",\"timings_ms\"") - line.find(",\"format\"")));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[5], lines[0]);
    EXPECT_EQ(lines[6], lines[1]);
    EXPECT_NE(lines[1], lines[0]);

    const std::tuple<const char*, int, std::string> runs[] = {
        {"--files-from list --duplicates", 0, ""},
        {"--files-from - w/a.obj", 0, ""},
        {"--files-from nolist", 2,
         "meshinfo: cannot read the list nolist: No such file or directory"},
        {"--files-from - -", 2, "meshinfo: standard input can be read once"},
        {"--memory-limit 1.5G w", 2, "meshinfo: --memory-limit needs a size"},
        {"w/sub w/z", 1, "meshinfo: w/z: cannot open: No such file or directory\n"}};
    fs::create_directories(w / "empty");
    for (const auto& [args, status, err] : runs)
    {
        const ProgramRun run = meshinfo(dir, std::string("--quiet ") + args, "w/h.obj\n");
        EXPECT_EQ(run.status, status) << args;
        EXPECT_EQ(run.err.substr(0, err.size()), err) << args;
    }
    const ProgramRun listed = meshinfo(dir, "--quiet --files-from list --duplicates");
    EXPECT_EQ(listed.out.substr(listed.out.find("\nSummary")),
              "\nSummary of 2 files\n  files read                      2\n  files rejected     "
              "             0\n  closed                          2  (read, no boundary edges)\n  "
              "manifold                        2  (read, no non-manifold edges or vertices)\n  "
              "with 1 component                2\n\nDuplicates: 1 geometry hash shared by several "
              "files\n  " +
                  hash + "  (2 files)\n    w/a.obj\n    w/f.obj.gz\n");
    EXPECT_EQ(meshinfo(dir, "--json --quiet w/sub").out.substr(0, 4), "[\n{\n"); // one file
    EXPECT_EQ(meshinfo(dir, "--quiet w/empty").err,
              "meshinfo: w/empty: no mesh files in the folder (.obj .stl .ply .off, or those "
              "names with .gz)\n");
}
} // namespace
