// meshinfo: the analyser without a window. Loads each mesh file (OBJ, STL, PLY or OFF) into
// a half-edge mesh as the viewer does (merge, validate, normals) and prints counts and
// measures of the triangles as read. Reports go to standard output, the validation lines and reader
// diagnostics to standard error. `meshinfo --help` lists the options.
//
// Exit status: 1 when any file could not be opened or was rejected, else 3 when a file falls
// short of a --require requirement, else 0 (whatever the defects); 2 for wrong usage.

#include "Console.h"
#include "GeometryHash.h"
#include "HalfEdgeMesh.h"
#include "MeshAnalysis.h"
#include "MeshRequirements.h"
#include "io/Compressed.h"
#include "io/MeshFile.h"
#include "tools/Collection.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

#ifndef MV_VERSION
#define MV_VERSION "unknown"
#endif

namespace
{
// The JSON report lists at most this many components (a triangle soup has one per triangle).
constexpr std::size_t JSON_COMPONENT_LIMIT = 1000;
// The text report lists at most this many.
constexpr std::size_t TEXT_COMPONENT_LIMIT = 10;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Phase
{
    const char* name;
    double milliseconds;
};

struct Outcome
{
    std::string file;
    MeshFormat format = MeshFormat::OBJ;
    MeshAnalysis::Report report;
    bool welded = true; // false: analysed by the file's own vertex indices
    std::size_t meshVertices = 0;
    std::size_t meshFaces = 0;
    std::size_t halfEdges = 0;
    unsigned long long polygonsSplit = 0;
    unsigned long long largestPolygon = 0;
    unsigned long long irregularFaces = 0;
    unsigned long long stlNormalsDisagreeing = 0;
    unsigned long long validateProblemLines = 0;
    unsigned long long validateIsolatedVertices = 0;
    std::string geometryHash;
    std::vector<Phase> phases;
};

// --- text report -------------------------------------------------------------------------

std::string number(double x)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", x);
    return buffer;
}

std::string point(const Vector3<float>& p)
{
    return "(" + number(p[0]) + ", " + number(p[1]) + ", " + number(p[2]) + ")";
}

std::string genusText(const MeshAnalysis::Component& c)
{
    return c.hasGenus ? std::to_string(c.genus) : "undefined (" + c.genusUndefinedWhy + ")";
}

// One line for the genus of the whole file: the component's when there is one, else a tally.
std::string genusSummary(const MeshAnalysis::Report& r)
{
    if (r.components.empty())
        return "undefined (no triangles)";
    if (r.components.size() == 1)
        return genusText(r.components[0]);
    std::vector<std::pair<std::int64_t, std::size_t>> tally; // genus, components
    std::size_t undefined = 0;
    for (const MeshAnalysis::Component& c : r.components)
    {
        if (!c.hasGenus)
        {
            ++undefined;
            continue;
        }
        std::size_t i = 0;
        while (i < tally.size() && tally[i].first != c.genus)
            ++i;
        if (i == tally.size())
            tally.emplace_back(c.genus, 0);
        ++tally[i].second;
    }
    std::string s = "per component, " + std::to_string(r.components.size()) + " components:";
    for (const auto& t : tally)
        s += " " + std::to_string(t.second) + " of genus " + std::to_string(t.first) + ",";
    if (undefined > 0)
        s += " " + std::to_string(undefined) + " undefined,";
    s.back() = ' ';
    return s + "(listed below)";
}

void writeText(const Outcome& o, std::ostream& out)
{
    const MeshAnalysis::Report& r = o.report;
    auto row = [&out](const char* label, const std::string& value)
    {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "  %-31s ", label);
        out << buffer << value << "\n";
    };
    auto count = [&](const char* label, std::uint64_t n) { row(label, std::to_string(n)); };

    out << "meshinfo " << printable(o.file) << "\n\nCounts\n";
    row("format", meshFormatName(o.format));
    row("vertices", std::to_string(o.meshVertices) + "  (" + std::to_string(r.positions) +
                        " positions read" + (o.welded ? ")" : ", not welded)"));
    count("faces", o.meshFaces);
    count("half-edges", o.halfEdges);
    count("edges", r.edges);
    count("boundary edges", r.boundaryEdges);
    count("boundary loops", r.boundaryLoops);
    count("connected components", r.components.size());
    count("components (through edges)", r.edgeComponents);
    row("isolated vertices",
        std::to_string(r.isolatedVertices) + (o.welded ? "  (distinct positions no triangle uses)"
                                                       : "  (positions no triangle uses)"));
    count("non-manifold edges", r.nonManifoldEdges);
    count("non-manifold vertices", r.nonManifoldVertices);
    count("inconsistently oriented edges", r.inconsistentEdges);
    row("degenerate triangles", std::to_string(r.degenerateTriangles) + "  (" +
                                    std::to_string(r.repeatedCornerTriangles) +
                                    " with repeated corners)");
    count("duplicate triangles", r.duplicateTriangles);
    row("polygons split into triangles",
        std::to_string(o.polygonsSplit) +
            (o.polygonsSplit ? "  (up to " + std::to_string(o.largestPolygon) + " corners)" : ""));
    count("faces not flat and simple", o.irregularFaces);
    if (o.format == MeshFormat::STL_BINARY || o.format == MeshFormat::STL_ASCII)
        count("facet normals against winding", o.stlNormalsDisagreeing);
    count("validate problem lines", o.validateProblemLines);

    out << "\nMeasures\n";
    row("surface area", number(r.area));
    row("volume", r.hasVolume ? number(r.volume) +
                                    (r.volume < 0 ? "  (negative: the triangles face inwards)" : "")
                              : "undefined (" + r.volumeUndefinedWhy + ")");
    const std::uint64_t ignored = r.ignoredDegenerateTriangles;
    const std::string ignoring = " (ignoring " + std::to_string(ignored) +
                                 (ignored == 1 ? " triangle" : " triangles") +
                                 " with repeated corners)";
    if (r.hasVolumeIgnoringDegenerate)
        row("volume", number(r.volumeIgnoringDegenerate) + ignoring);
    row("Euler characteristic", std::to_string(r.eulerCharacteristic));
    row("genus", genusSummary(r));
    if (r.hasGenusIgnoringDegenerate)
        row("genus", std::to_string(r.genusIgnoringDegenerate) + ignoring);
    row("bounding box", r.hasBoundingBox ? point(r.boxMin) + " to " + point(r.boxMax) : "none");
    row("geometry hash", o.geometryHash);

    if (r.components.size() > 1)
    {
        out << "\nComponents (in the order of their first triangle)\n";
        char buffer[160];
        std::snprintf(buffer, sizeof buffer, "  %8s %10s %10s %10s %8s %6s  %s\n", "#", "faces",
                      "vertices", "edges", "loops", "Euler", "genus");
        out << buffer;
        for (std::size_t i = 0; i < r.components.size() && i < TEXT_COMPONENT_LIMIT; ++i)
        {
            const MeshAnalysis::Component& c = r.components[i];
            std::snprintf(buffer, sizeof buffer, "  %8zu %10llu %10llu %10llu %8llu %6lld  ", i + 1,
                          static_cast<unsigned long long>(c.faces),
                          static_cast<unsigned long long>(c.vertices),
                          static_cast<unsigned long long>(c.edges),
                          static_cast<unsigned long long>(c.boundaryLoops),
                          static_cast<long long>(c.eulerCharacteristic));
            out << buffer << genusText(c) << "\n";
        }
        if (r.components.size() > TEXT_COMPONENT_LIMIT)
            out << "  ... and " << r.components.size() - TEXT_COMPONENT_LIMIT
                << " more (see --json)\n";
    }

    out << "\nTimings (ms)\n";
    for (const Phase& p : o.phases)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.1f", p.milliseconds);
        row(p.name, buffer);
    }
}

// --- JSON report -------------------------------------------------------------------------

std::string jsonNumber(double x)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", x);
    return buffer;
}

std::string jsonReason(bool defined, const std::string& why)
{
    return defined ? "null" : jsonString(why);
}

void writeJson(const Outcome& o, std::ostream& out)
{
    const MeshAnalysis::Report& r = o.report;
    auto key = [&out](const char* name) { out << ",\n  \"" << name << "\": "; };
    out << "{\n  \"file\": " << jsonString(o.file);
    key("format"), out << jsonString(meshFormatName(o.format));
    key("positions"), out << r.positions;
    key("welded"), out << (o.welded ? "true" : "false");
    key("vertices"), out << o.meshVertices;
    key("faces"), out << o.meshFaces;
    key("half_edges"), out << o.halfEdges;
    key("edges"), out << r.edges;
    key("boundary_edges"), out << r.boundaryEdges;
    key("boundary_loops"), out << r.boundaryLoops;
    key("components"), out << r.components.size();
    key("components_by_edge"), out << r.edgeComponents;
    key("isolated_vertices"), out << r.isolatedVertices;
    key("non_manifold_edges"), out << r.nonManifoldEdges;
    key("non_manifold_vertices"), out << r.nonManifoldVertices;
    key("inconsistently_oriented_edges"), out << r.inconsistentEdges;
    key("degenerate_triangles"), out << r.degenerateTriangles;
    key("repeated_corner_triangles"), out << r.repeatedCornerTriangles;
    key("duplicate_triangles"), out << r.duplicateTriangles;
    key("polygons_split"), out << o.polygonsSplit;
    key("largest_polygon_split"), out << o.largestPolygon;
    key("faces_not_flat_and_simple"), out << o.irregularFaces;
    key("stl_normals_disagreeing"), out << o.stlNormalsDisagreeing;
    key("validate_problem_lines"), out << o.validateProblemLines;
    key("validate_isolated_vertices"), out << o.validateIsolatedVertices;
    key("area"), out << jsonNumber(r.area);
    key("volume"), out << (r.hasVolume ? jsonNumber(r.volume) : "null");
    key("volume_undefined_reason"), out << jsonReason(r.hasVolume, r.volumeUndefinedWhy);
    key("euler_characteristic"), out << r.eulerCharacteristic;

    const bool single = r.components.size() == 1;
    const bool hasGenus = single && r.components[0].hasGenus;
    key("genus"), out << (hasGenus ? std::to_string(r.components[0].genus) : "null");
    key("genus_undefined_reason");
    if (hasGenus)
        out << "null";
    else if (single)
        out << jsonString(r.components[0].genusUndefinedWhy);
    else if (r.components.empty())
        out << jsonString("no triangles");
    else
        out << jsonString(std::to_string(r.components.size()) + " components: see component_list");
    key("ignored_degenerate_triangles"), out << r.ignoredDegenerateTriangles;
    key("volume_ignoring_degenerate"),
        out << (r.hasVolumeIgnoringDegenerate ? jsonNumber(r.volumeIgnoringDegenerate) : "null");
    key("genus_ignoring_degenerate"),
        out << (r.hasGenusIgnoringDegenerate ? std::to_string(r.genusIgnoringDegenerate) : "null");

    key("component_list"), out << "[";
    for (std::size_t i = 0; i < r.components.size() && i < JSON_COMPONENT_LIMIT; ++i)
    {
        const MeshAnalysis::Component& c = r.components[i];
        out << (i ? ",\n    " : "\n    ") << "{\"faces\": " << c.faces
            << ", \"vertices\": " << c.vertices << ", \"edges\": " << c.edges
            << ", \"boundary_loops\": " << c.boundaryLoops
            << ", \"euler_characteristic\": " << c.eulerCharacteristic
            << ", \"genus\": " << (c.hasGenus ? std::to_string(c.genus) : "null")
            << ", \"genus_undefined_reason\": " << jsonReason(c.hasGenus, c.genusUndefinedWhy)
            << "}";
    }
    out << (r.components.empty() ? "]" : "\n  ]");
    key("component_list_truncated"),
        out << (r.components.size() > JSON_COMPONENT_LIMIT ? "true" : "false");

    key("bounding_box");
    if (r.hasBoundingBox)
        out << "{\"min\": [" << jsonNumber(r.boxMin[0]) << ", " << jsonNumber(r.boxMin[1]) << ", "
            << jsonNumber(r.boxMin[2]) << "], \"max\": [" << jsonNumber(r.boxMax[0]) << ", "
            << jsonNumber(r.boxMax[1]) << ", " << jsonNumber(r.boxMax[2]) << "]}";
    else
        out << "null";
    key("geometry_hash"), out << jsonString(o.geometryHash);

    key("timings_ms"), out << "{";
    for (std::size_t i = 0; i < o.phases.size(); ++i)
    {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.3f", o.phases[i].milliseconds);
        out << (i ? ", " : "") << jsonString(o.phases[i].name) << ": " << buffer;
    }
    out << "}\n}\n";
}

// --- the program -------------------------------------------------------------------------

const char* const USAGE =
    "usage: meshinfo [OPTIONS] FILE...   (FILE - is standard input; a folder is walked)\n";

const char* const HELP =
    R"(Reads each mesh file (OBJ, STL, PLY or OFF, told apart by content, then by extension)
and reports counts and measures of the mesh: the triangles as read, and the half-edge
mesh built from them as the viewer builds it. Quads and larger faces are split into
triangles that cover them. A folder stands for the mesh files under it (.obj .stl .ply
.off in any case, and those names with .gz), walked depth first in bytewise order of
the names. A gzip file is read whatever its name; other compressions are named.

Options:
  --json      a JSON object per file; an array of them for several files
  --jsonl     JSON Lines: one object per line, written as each file is done
  --files-from LIST   also the files (or folders) named in LIST, one a line (- for
              standard input); blank lines are skipped
  --duplicates  at the end, the groups of files of the same geometry hash (on
              standard error with --json and --jsonl)
  -j N        read N files at a time (default: the number of cores); reports keep
              the order of the arguments. With fewer files than N, each file uses
              the threads left over (the reports are the same for any N)
  --memory-limit SIZE   files start only while their expected peaks fit together in
              SIZE (bytes, or with K, M, G, T); default: the memory available
  --quiet     no validation report on standard error
  --require LIST
              check each file against LIST, any of closed,manifold,oriented,
              no-degenerate (comma-separated): after its report, one line on
              standard error per requirement a file falls short of, and exit
              status 3. closed: no boundary edges; manifold: no non-manifold
              edge or vertex; oriented: no inconsistently oriented edge;
              no-degenerate: no triangle of zero area (repeated corners
              included). A file without triangles is neither closed nor manifold.
  --keep-indices
              OBJ, PLY and OFF: take the file's own vertex indices as the
              vertices instead of welding equal positions, so that vertices
              split on purpose are measured as written (STL has no indices: its
              equal corners are welded, with a note on standard error)
  --help      this text
  --version   the version

Counts (text report; the JSON keys are alike):
  vertices                mesh vertices: distinct positions of the triangles, welded
                          (with --keep-indices: the vertex indices the triangles use)
  positions read          "v" lines of the file
  faces                   triangles of the mesh (quads and polygons split)
  half-edges              half-edges of the mesh, border half-edges included
  edges                   distinct vertex pairs joined by a triangle side
  boundary edges          edges with one triangle
  boundary loops          closed chains of boundary edges
  connected components    sets of triangles joined through shared vertices
  components (through edges)   sets of triangles joined through shared edges
  isolated vertices       distinct positions that no triangle uses (with
                          --keep-indices: positions that no triangle uses)
  non-manifold edges      edges with three or more triangles
  non-manifold vertices   vertices whose triangles form more than one fan
  inconsistently oriented edges   edges whose two triangles run the same way along them
  degenerate triangles    triangles of zero area (collinear or repeated corners)
  duplicate triangles     triangles on the same three vertices as an earlier one
  polygons split into triangles   faces of more than four corners, cut into triangles
  faces not flat and simple   faces of four or more corners that bend out of their plane,
                          cross or touch themselves or repeat a corner (or are concave
                          with over 128 corners): cut as fans from their first corner
                          (quads a b c d as a b d, b c d), so their area may be wrong;
                          the others are cut along diagonals inside them
  facet normals against winding   STL only (JSON: stl_normals_disagreeing, 0 for other
                          formats): facets whose stored normal points against the
                          winding of their corners; zero normals do not count
  validate problem lines  "not properly initialized" lines of the validation report
  geometry hash           the same for the same triangles (by their corners'
                          positions) in any format and any order of positions,
                          triangles and corners; duplicate triangles count

With several files, a summary follows the text reports: files read and rejected, how
many are closed (no boundary edges) and manifold (no non-manifold edge or vertex),
and how many have each number of components.

Exit status: 1 when any file could not be opened or was rejected, or a folder could
not be read or holds no mesh file (one line on standard error each; the others are
still reported), else 3 when any file falls short of a --require requirement, else 0;
2 for wrong usage or a LIST that cannot be read.
)";

struct Options
{
    bool json = false;
    bool jsonl = false;
    bool quiet = false;
    bool keepIndices = false;
    MeshRequirements require;
    bool duplicates = false;
    bool collection = false; // a folder or a list was given: reports as for several files
    unsigned int jobs = 0;
    unsigned int threadsPerFile = 1; // jobs left over when there are fewer files than jobs
    std::uint64_t memoryLimit = 0;
    std::vector<CollectionItem> files;
};

// What one file gives: its report for standard output and its lines for standard error.
struct FileResult
{
    bool read = false;
    std::string out;
    std::string err;
    std::string unmet; // for standard error after the report: --require lines
    bool closed = false;
    bool manifold = false;
    std::size_t components = 0;
    std::size_t faces = 0;
    std::string geometryHash;
};

// The validation report and progress lines go to std::cerr, which the report of one file
// borrows while it validates; everything else that writes there waits for it.
std::mutex gStderrMutex;

std::string oneLine(const std::string& file, const std::string& why)
{
    return "meshinfo: " + printable(file) + ": " + why + "\n";
}

FileResult rejected(const std::string& file, const std::string& why)
{
    FileResult r;
    r.err = oneLine(file, why);
    return r;
}

// Runs here() and then beside(), or, when parallel, beside() on a thread of its own while
// here() runs; an exception of either is thrown again once both are done.
template <class Here, class Beside> void sideBySide(bool parallel, Here here, Beside beside)
{
    if (!parallel)
    {
        here();
        beside();
        return;
    }
    std::exception_ptr failed;
    std::thread thread(
        [&]
        {
            try
            {
                beside();
            }
            catch (...)
            {
                failed = std::current_exception();
            }
        });
    try
    {
        here();
    }
    catch (...)
    {
        thread.join();
        throw;
    }
    thread.join();
    if (failed)
        std::rethrow_exception(failed);
}

// Builds, merges, validates the half-edge mesh and computes its normals as the viewer
// does, timing each phase into o; the validation report goes to err.
template <class Announce>
void buildMesh(const std::atomic<bool>& threadFree, const MeshData& data, const PositionWeld& weld,
               const Options& options, Outcome& o, std::string& err, Announce announce)
{
    announce("building");
    HalfEdgeMesh mesh;
    Clock::time_point start = Clock::now();
    weld.feed(data, mesh);
    o.phases.push_back({"build", millisecondsSince(start)});

    announce("merging boundaries");
    start = Clock::now();
    mesh.mergeAllBoundaries();
    o.phases.push_back({"merge", millisecondsSince(start)});

    // The normals are written where the validation does not look. Beside each other only
    // on a thread that is free: one the analysis has left, or a third.
    announce("validating");
    HalfEdgeMesh::Validation checked;
    double validateMs = 0, normalsMs = 0;
    const bool parallel = options.threadsPerFile > 1 && threadFree.load();
    sideBySide(
        parallel,
        [&]
        {
            const Clock::time_point begun = Clock::now();
            checked = mesh.validation();
            validateMs = millisecondsSince(begun);
        },
        [&]
        {
            if (!parallel)
                announce("computing normals");
            const Clock::time_point begun = Clock::now();
            mesh.calculateFaceNormals();
            mesh.calculateVertexNormals();
            normalsMs = millisecondsSince(begun);
        });
    o.phases.push_back({"validate", validateMs});
    o.phases.push_back({"normals", normalsMs});
    o.validateProblemLines = checked.unsetRecords();
    o.validateIsolatedVertices = checked.isolatedVertices;
    if (!options.quiet)
    {
        std::ostringstream report;
        checked.print(report);
        err += report.str();
    }

    o.meshVertices = mesh.numVertices();
    o.meshFaces = mesh.numFaces();
    o.halfEdges = mesh.numHalfEdges();
}

// The one place that reads: a gzip file through its inflating stream, others as they are.
bool readInput(const std::string& file, MeshData& data, const MeshReadOptions& options,
               MeshReadStats& stats, ReadError& error)
{
    Decompressed unpacked;
    std::string why;
    if (!openDecompressed(file, unpacked, why))
    {
        error = ReadError{ReadFailure::REJECTED, why, 0, 0};
        return false;
    }
    if (unpacked.compression == Compression::NONE)
        return readMeshFile(file, data, options, stats, error);
    const bool read = readMeshStream(unpacked.stream(), unpacked.name, data, options, stats, error);
    if (unpacked.error().empty())
        return read;
    data = MeshData();
    error = ReadError{ReadFailure::REJECTED, unpacked.error(), 0, 0};
    return false;
}

FileResult examine(const std::string& file, const Options& options, bool several)
{
    struct stat st;
    const long long size =
        file != "-" && stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_size : -1;
    const Progress progress(several ? "meshinfo: " + printable(file) : "meshinfo", size);
    auto announce = [&](const char* what)
    {
        if (!progress.enabled())
            return;
        const std::lock_guard<std::mutex> lock(gStderrMutex);
        progress.phase(what);
    };

    Outcome o;
    o.file = file;
    MeshData data;
    MeshReadOptions readOptions;
    readOptions.splitPolygons = true;
    readOptions.threads = options.threadsPerFile;
    MeshReadStats stats;
    ReadError error;
    announce("reading");
    Clock::time_point start = Clock::now();
    if (!readInput(file, data, readOptions, stats, error))
        return rejected(file,
                        error.kind == ReadFailure::OUT_OF_MEMORY ? "out of memory" : error.message);
    const bool stl =
        stats.format == MeshFormat::STL_BINARY || stats.format == MeshFormat::STL_ASCII;
    o.welded = !options.keepIndices || stl;
    // The STL reader welds as the meshes weld, so its positions are distinct and stand as
    // they are. Others are welded once for both the mesh and the analysis, on the threads
    // the file may use.
    const PositionWeld weld(data, stats.format, options.keepIndices, options.threadsPerFile);
    o.phases.push_back({"read", millisecondsSince(start)});
    o.format = stats.format;
    o.polygonsSplit = stats.splitPolygons;
    o.largestPolygon = stats.largestPolygon;
    o.irregularFaces = stats.irregularFaces;
    o.stlNormalsDisagreeing = stats.stlNormalsDisagreeing;

    FileResult result;
    if (options.keepIndices && stl)
        result.err += oneLine(file, "STL has no vertex indices: its equal corners are welded "
                                    "(--keep-indices does not apply)");
    double analysisMs = 0;
    bool analysed = false;
    std::atomic<bool> threadFree{false}; // for the build's validation and normals
    // The hash is taken in pieces by the build and the analysis as each is done.
    constexpr std::size_t HASH_PIECES = 16;
    std::atomic<std::size_t> nextPiece{0};
    std::atomic<std::uint64_t> hashSum{0}, hashXored{0};
    const auto hashPieces = [&]
    {
        const std::size_t n = data.tris.size();
        for (std::size_t piece; (piece = nextPiece++) < HASH_PIECES;)
        {
            const GeometryHashSums sums = geometryHashSums(
                data.verts, data.tris, n * piece / HASH_PIECES, n * (piece + 1) / HASH_PIECES);
            hashSum += sums.sum;
            hashXored ^= sums.xored;
        }
    };
    auto analyse = [&]
    {
        const Clock::time_point begun = Clock::now();
        analysed = MeshAnalysis::analyse(data.verts, data.tris, o.report, nullptr, weld.byIndex(),
                                         weld.firstEqual());
        analysisMs = millisecondsSince(begun);
        hashPieces();
        threadFree = true;
    };
    // With a spare thread, the analysis runs beside the build: both only read data, and each
    // writes its own part of o. The peak then holds the mesh and the analysis together
    // (about a third more on the dragon), so only where triangles share their positions: a
    // soup's mesh and analysis are large for its triangles. One after the other, the
    // analysis reuses the mesh's memory, and the peak is the larger of the two.
    const bool beside = options.threadsPerFile > 1 && data.verts.size() <= data.tris.size();
    threadFree = !beside || options.threadsPerFile > 2;
    sideBySide(
        beside,
        [&]
        {
            buildMesh(threadFree, data, weld, options, o, result.err, announce);
            hashPieces();
        },
        [&]
        {
            if (!beside) // else the build's phases are shown
                announce("analysing");
            analyse();
        });
    o.geometryHash = geometryHashText({hashSum, hashXored});
    o.phases.push_back({"analysis", analysisMs});
    if (!analysed) // the reader checked every index, so this is a fault of ours
        return rejected(file, "internal error: a triangle indexes beyond the positions");

    std::ostringstream out;
    if (options.json || options.jsonl)
        writeJson(o, out);
    else
        writeText(o, out);
    result.out = out.str();
    if (options.jsonl)
    {
        // One line: drop the line feeds and the indentation after them (strings hold none).
        std::string line;
        for (std::size_t i = 0; i < result.out.size(); ++i)
            if (result.out[i] == '\n')
                while (i + 1 < result.out.size() && result.out[i + 1] == ' ')
                    ++i;
            else
                line += result.out[i];
        result.out = line + "\n";
    }
    const MeshAnalysis::Report& r = o.report;
    result.read = true;
    result.closed = r.faces > 0 && r.boundaryEdges == 0;
    result.manifold = r.faces > 0 && r.nonManifoldEdges == 0 && r.nonManifoldVertices == 0;
    result.components = r.components.size();
    for (const std::string& line : options.require.unmet(r))
        result.unmet += oneLine(file, line);
    result.faces = r.faces;
    result.geometryHash = o.geometryHash;
    return result;
}

FileResult examineGuarded(const CollectionItem& item, const Options& options, bool several)
{
    const std::string& file = item.path;
    if (!item.error.empty())
        return rejected(file, item.error);
    try
    {
        return examine(file, options, several);
    }
    catch (const std::bad_alloc&)
    {
        // Unwinding has freed the file's mesh and buffers, so the line can be made.
        return rejected(file, "out of memory");
    }
}

void writeSummary(const std::vector<FileResult>& results, std::ostream& out)
{
    std::size_t read = 0, closed = 0, manifold = 0;
    std::map<std::size_t, std::size_t> byComponents;
    for (const FileResult& r : results)
        if (r.read)
        {
            ++read;
            closed += r.closed;
            manifold += r.manifold;
            ++byComponents[r.components];
        }
    char buffer[96];
    auto row = [&](const std::string& label, std::size_t n, const char* note)
    {
        std::snprintf(buffer, sizeof buffer, "  %-31s %zu%s\n", label.c_str(), n, note);
        out << buffer;
    };
    out << "\nSummary of " << results.size() << " files\n";
    row("files read", read, "");
    row("files rejected", results.size() - read, "");
    row("closed", closed, "  (read, no boundary edges)");
    row("manifold", manifold, "  (read, no non-manifold edges or vertices)");
    for (const auto& [components, files] : byComponents)
        row("with " + std::to_string(components) + (components == 1 ? " component" : " components"),
            files, "");
}

// Groups of files of one geometry hash, in the order of their first file; files without
// triangles are left out.
void writeDuplicates(const std::vector<CollectionItem>& files,
                     const std::vector<FileResult>& results, std::ostream& out)
{
    std::vector<std::pair<std::string, std::vector<std::size_t>>> groups;
    std::map<std::string, std::size_t> groupOf;
    for (std::size_t i = 0; i < results.size(); ++i)
        if (results[i].read && results[i].faces > 0)
        {
            const auto [at, added] = groupOf.emplace(results[i].geometryHash, groups.size());
            if (added)
                groups.emplace_back(results[i].geometryHash, std::vector<std::size_t>());
            groups[at->second].second.push_back(i);
        }
    std::size_t shown = 0;
    for (const auto& group : groups)
        shown += group.second.size() > 1;
    out << "\nDuplicates: " << (shown ? std::to_string(shown) : "no") << " geometry hash"
        << (shown == 1 ? "" : "es") << " shared by several files\n";
    for (const auto& [hash, members] : groups)
    {
        if (members.size() < 2)
            continue;
        out << "  " << hash << "  (" << members.size() << " files)\n";
        for (const std::size_t i : members)
            out << "    " << printable(files[i].path) << "\n";
    }
}

void writeResult(const FileResult& r)
{
    if (!r.err.empty())
    {
        const std::lock_guard<std::mutex> lock(gStderrMutex);
        std::cerr << r.err << std::flush;
    }
    std::cout << r.out << std::flush;
    if (!r.unmet.empty())
    {
        const std::lock_guard<std::mutex> lock(gStderrMutex);
        std::cerr << r.unmet << std::flush;
    }
}

int usage(const std::string& message)
{
    std::cerr << "meshinfo: " << message << "\n" << USAGE << "Try meshinfo --help.\n";
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    // Standard input is then read through a buffer of its own, not a character at a time.
    std::ios::sync_with_stdio(false);
    Options options;
    bool onlyFiles = false;
    std::size_t stdinReaders = 0;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        // The value of an option: the rest of this argument or the next one.
        auto value = [&](std::size_t skip) -> std::string
        {
            return arg.size() > skip || arg[skip - 1] == '=' ? arg.substr(skip)
                   : i + 1 < argc                            ? argv[++i]
                                                             : "";
        };
        if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-')
        {
            stdinReaders += arg == "-";
            if (!addArgument(arg, options.files))
                options.files.push_back({arg, "no mesh files in the folder (.obj .stl .ply .off, "
                                              "or those names with .gz)"});
            options.collection = options.collection || options.files.back().path != arg;
        }
        else if (arg == "--files-from" || arg.rfind("--files-from=", 0) == 0)
        {
            const std::string list = value(arg[12] == '=' ? 13 : arg.size());
            std::ifstream file;
            if (list != "-")
                file.open(list);
            if (list.empty() || (list != "-" && !file.is_open()))
                return usage("cannot read the list " + printable(list) +
                             (list.empty() ? "" : std::string(": ") + std::strerror(errno)));
            stdinReaders += list == "-";
            std::vector<std::string> names;
            readNameList(list == "-" ? std::cin : file, names);
            for (const std::string& name : names)
            {
                stdinReaders += name == "-";
                if (!addArgument(name, options.files))
                    options.files.push_back({name, "no mesh files in the folder"});
            }
            options.collection = true;
        }
        else if (arg == "--duplicates")
            options.duplicates = true;
        else if (arg == "--memory-limit" || arg.rfind("--memory-limit=", 0) == 0)
        {
            if (!parseSize(value(arg[14] == '=' ? 15 : arg.size()), options.memoryLimit))
                return usage("--memory-limit needs a size: bytes, or a number with K, M, G or T");
        }
        else if (arg == "--")
            onlyFiles = true;
        else if (arg == "--json")
            options.json = true;
        else if (arg == "--jsonl")
            options.jsonl = true;
        else if (arg == "--quiet" || arg == "-q")
            options.quiet = true;
        else if (arg == "--keep-indices")
            options.keepIndices = true;
        else if (arg == "--require" || arg.rfind("--require=", 0) == 0)
        {
            if (arg == "--require" && i + 1 >= argc)
                return usage("--require needs a list of requirements");
            const std::string list = arg == "--require" ? argv[++i] : arg.substr(10);
            std::string error;
            if (!options.require.parse(list, error))
                return usage(error);
        }
        else if (arg == "--help" || arg == "-h")
        {
            std::cout << USAGE << "\n" << HELP;
            return 0;
        }
        else if (arg == "--version")
        {
            std::cout << "meshinfo " MV_VERSION "\n";
            return 0;
        }
        else if (arg.rfind("-j", 0) == 0)
        {
            const std::string jobs = value(2);
            char* end = nullptr;
            const unsigned long n = std::strtoul(jobs.c_str(), &end, 10);
            if (jobs.empty() || *end != '\0' || n == 0 || n > 1024)
                return usage("-j needs a number of jobs from 1 to 1024");
            options.jobs = static_cast<unsigned int>(n);
        }
        else
            return usage("unknown option " + printable(arg));
    }
    if (options.files.empty() && !options.collection)
        return usage("no file given");
    if (options.json && options.jsonl)
        return usage("--json and --jsonl exclude each other");
    if (stdinReaders > 1)
        return usage("standard input can be read once");
    if (options.jobs == 0)
        options.jobs = std::max(1u, std::thread::hardware_concurrency());
    if (!options.files.empty() && options.files.size() < options.jobs)
        options.threadsPerFile = options.jobs / static_cast<unsigned int>(options.files.size());

    const std::size_t count = options.files.size();
    const bool several = count > 1 || options.collection;
    const bool array = options.json && several;
    std::vector<FileResult> results(count);
    std::vector<bool> done(count, false);
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    // Files are taken in order, each when its expected peak fits beside those running.
    const std::uint64_t available = availableMemory(); // 0 when unknown: no bound then
    MemoryGate gate(options.memoryLimit ? options.memoryLimit
                    : available         ? available
                                        : ~std::uint64_t(0));
    std::mutex takeMutex;
    std::size_t nextFile = 0;
    auto work = [&]
    {
        for (;;)
        {
            std::size_t i;
            std::uint64_t peak;
            {
                const std::lock_guard<std::mutex> lock(takeMutex);
                if ((i = nextFile++) >= count)
                    return;
                peak = estimatePeak(options.files[i].path);
                if (options.threadsPerFile > 1) // the mesh and its analysis held together
                    peak += peak / 2;
                gate.enter(peak);
            }
            FileResult r = examineGuarded(options.files[i], options, several);
#ifdef __GLIBC__
            // Each thread allocates from an arena of its own, which keeps what a file freed:
            // handed back, it is there for the next file of any thread. Not worth its
            // time (about a millisecond) after a small file.
            if (peak > (std::uint64_t(64) << 20))
                malloc_trim(0);
#endif
            gate.leave(peak);
            const std::lock_guard<std::mutex> lock(doneMutex);
            results[i] = std::move(r);
            done[i] = true;
            doneChanged.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const unsigned int threads =
        static_cast<unsigned int>(std::min<std::size_t>(options.jobs, count));
    if (threads > 1)
        for (unsigned int t = 0; t < threads; ++t)
            workers.emplace_back(work);

    // Reports in the order of the arguments, each as soon as it and those before it are done.
    bool anyRejected = false;
    bool anyUnmet = false;
    std::size_t written = 0;
    if (array)
        std::cout << "[\n";
    for (std::size_t i = 0; i < count; ++i)
    {
        if (threads <= 1)
            results[i] = examineGuarded(options.files[i], options, several);
        else
        {
            std::unique_lock<std::mutex> lock(doneMutex);
            doneChanged.wait(lock, [&] { return done[i]; });
        }
        FileResult& r = results[i];
        anyRejected = anyRejected || !r.read;
        anyUnmet = anyUnmet || !r.unmet.empty();
        if (r.read && several && !options.jsonl)
        {
            if (array && written > 0)
                r.out.insert(0, ",\n");
            else if (!options.json && written > 0)
                r.out.insert(0, "\n");
        }
        if (array && r.read)
            r.out.pop_back(); // the line feed after the object; the separator brings its own
        written += r.read;
        writeResult(r);
        r.out.clear();
        r.err.clear();
    }
    for (std::thread& t : workers)
        t.join();
    if (array)
        std::cout << (written > 0 ? "\n]\n" : "]\n");
    else if (several && !options.json && !options.jsonl)
        writeSummary(results, std::cout);
    if (options.duplicates)
    {
        std::ostringstream groups;
        writeDuplicates(options.files, results, groups);
        if (options.json || options.jsonl)
            std::cerr << groups.str().substr(1); // no empty line before it there
        else
            std::cout << groups.str();
    }
    std::cout.flush();
    return !std::cout || anyRejected ? 1 : anyUnmet ? 3 : 0;
}
