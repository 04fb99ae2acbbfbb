// meshrepair: reads a mesh file, repairs it in steps (MeshRepair) and writes it. Reports the
// counts before and after, from the analysis meshinfo makes, and what each step changed.
// `meshrepair --help` lists the options.
//
// The report goes to standard output, or to standard error when the mesh does.
//
// Exit status: 0 when the output was written, 1 when the input could not be read or the
// output not written, 2 for wrong usage, 3 when the output falls short of --require.

#include "MeshRepair.h"

#include "Console.h"
#include "MeshAnalysis.h"
#include "MeshRequirements.h"
#include "io/MeshFile.h"
#include "io/MeshWriter.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#ifndef MV_VERSION
#define MV_VERSION "unknown"
#endif

namespace
{
const char* const USAGE = "usage: meshrepair [OPTIONS] IN OUT   (IN - is standard input, OUT - "
                          "standard output with --format)\n";

const char* const HELP =
    R"(Reads a mesh file (OBJ, STL, PLY or OFF), repairs it and writes it to OUT as OBJ, STL,
PLY or OFF by OUT's extension. No position is moved: every written position is one of
the input's, bit for bit. The steps, in order:
  weld equal positions; drop triangles with a repeated corner or exactly zero area,
  duplicate triangles (a face and its mirror count as one) and unused positions;
  drop small components (--min-component); pair the triangles around each edge of
  more than two into sheets and give each fan of a vertex its own vertex (copies of
  the position); orient each component consistently, closed ones outward; fill holes
  with triangles over their own vertices.
Reports the counts before and after (as meshinfo counts them) and each step's changes.

Options:
  --min-component K   drop components of at most K triangles (default 0: none)
  --max-hole N        fill only holes of at most N edges (default: all)
  --weld-distance D   also merge positions closer than D to a kept one (default: off)
  --format F          write obj, stl, ply or off whatever OUT's extension
  --ascii             write STL or PLY as text (default: binary)
  --in-place          allow OUT to be IN
  --json              the report as a JSON object
  --require LIST      check the output for a comma-separated list of closed, manifold,
                      oriented, no-degenerate: exit status 3 and one line per unmet one
  --help              this text
  --version           the version

Exit status: 0 written, 1 unreadable input or failed write, 2 wrong usage, 3 the output
misses a requirement of --require (it is written all the same).
)";

struct Options
{
    std::string in, out, format;
    bool ascii = false, inPlace = false, json = false;
    MeshRepair::Options repair;
    MeshRequirements require;
};

struct Row
{
    const char* label; // text
    const char* key;   // JSON
    std::string before, after;
};

std::string number(double x, const char* format)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, format, x);
    return buffer;
}

std::string genusOf(const MeshAnalysis::Report& r, bool json)
{
    if (r.components.size() == 1 && r.components[0].hasGenus)
        return std::to_string(r.components[0].genus);
    return json ? "null" : "undefined";
}

std::vector<Row> countRows(const MeshAnalysis::Report& b, const MeshAnalysis::Report& a, bool json)
{
    auto n = [](std::uint64_t x) { return std::to_string(x); };
    const char* real = json ? "%.17g" : "%.9g";
    auto volume = [&](const MeshAnalysis::Report& r) {
        return r.hasVolume ? number(r.volume, real) : json ? "null" : "undefined";
    };
    return {
        {"vertices", "vertices", n(b.vertices), n(a.vertices)},
        {"faces", "faces", n(b.faces), n(a.faces)},
        {"edges", "edges", n(b.edges), n(a.edges)},
        {"boundary edges", "boundary_edges", n(b.boundaryEdges), n(a.boundaryEdges)},
        {"boundary loops", "boundary_loops", n(b.boundaryLoops), n(a.boundaryLoops)},
        {"connected components", "components", n(b.components.size()), n(a.components.size())},
        {"isolated vertices", "isolated_vertices", n(b.isolatedVertices), n(a.isolatedVertices)},
        {"non-manifold edges", "non_manifold_edges", n(b.nonManifoldEdges), n(a.nonManifoldEdges)},
        {"non-manifold vertices", "non_manifold_vertices", n(b.nonManifoldVertices),
         n(a.nonManifoldVertices)},
        {"inconsistently oriented edges", "inconsistently_oriented_edges", n(b.inconsistentEdges),
         n(a.inconsistentEdges)},
        {"degenerate triangles", "degenerate_triangles", n(b.degenerateTriangles),
         n(a.degenerateTriangles)},
        {"duplicate triangles", "duplicate_triangles", n(b.duplicateTriangles),
         n(a.duplicateTriangles)},
        {"surface area", "area", number(b.area, real), number(a.area, real)},
        {"volume", "volume", volume(b), volume(a)},
        {"genus", "genus", genusOf(b, json), genusOf(a, json)},
    };
}

struct Step
{
    const char* label;
    const char* key;
    std::vector<std::pair<const char*, std::uint64_t>> counts; // JSON key, value
    std::string text;
};

std::string plural(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::vector<Step> stepRows(const MeshRepair::Report& r, const Options& o)
{
    const MeshRepair::CleanResult& c = r.clean;
    const MeshRepair::ComponentResult& k = r.components;
    const MeshRepair::ManifoldResult& m = r.manifold;
    const MeshRepair::OrientResult& t = r.orientation;
    const MeshRepair::FillResult& f = r.fill;
    std::vector<Step> steps;
    steps.push_back({"weld equal positions",
                     "weld",
                     {{"merged_positions", r.weld.mergedPositions}},
                     plural(r.weld.mergedPositions, "position", "positions") + " merged"});
    if (o.repair.weldDistance > 0)
        steps.push_back({"weld within distance",
                         "weld_distance",
                         {{"merged_positions", r.weldWithin.mergedPositions},
                          {"collapsed_triangles", r.weldWithin.collapsedTriangles}},
                         plural(r.weldWithin.mergedPositions, "position", "positions") +
                             " merged, " +
                             plural(r.weldWithin.collapsedTriangles, "triangle", "triangles") +
                             " collapsed (dropped below)"});
    steps.push_back({"drop degenerate triangles",
                     "clean",
                     {{"repeated_corner_triangles", c.repeatedCornerTriangles},
                      {"zero_area_triangles", c.zeroAreaTriangles},
                      {"duplicate_triangles", c.duplicateTriangles},
                      {"unreferenced_vertices", c.unreferencedVertices}},
                     std::to_string(c.repeatedCornerTriangles) + " with a repeated corner, " +
                         std::to_string(c.zeroAreaTriangles) + " of zero area, " +
                         std::to_string(c.duplicateTriangles) + " duplicate; " +
                         plural(c.unreferencedVertices, "unused position", "unused positions")});
    steps.push_back({"drop small components",
                     "small_components",
                     {{"components", k.removedComponents},
                      {"triangles", k.removedTriangles},
                      {"vertices", k.removedVertices}},
                     o.repair.minComponent == 0
                         ? std::string("off")
                         : plural(k.removedComponents, "component", "components") + " of at most " +
                               std::to_string(o.repair.minComponent) + " triangles (" +
                               plural(k.removedTriangles, "triangle", "triangles") + ")"});
    steps.push_back({"make manifold",
                     "manifold",
                     {{"non_manifold_edges", m.nonManifoldEdges},
                      {"unpaired_triangles", m.unpairedTriangles},
                      {"split_vertices", m.splitVertices},
                      {"added_vertices", m.addedVertices},
                      {"non_manifold_edges_left", m.nonManifoldEdgesLeft}},
                     plural(m.nonManifoldEdges, "non-manifold edge", "non-manifold edges") +
                         " paired into sheets (" + std::to_string(m.unpairedTriangles) +
                         " triangles unpaired), " + plural(m.splitVertices, "vertex", "vertices") +
                         " split into " + plural(m.addedVertices, "copy", "copies") + ", " +
                         std::to_string(m.nonManifoldEdgesLeft) + " non-manifold edges left"});
    steps.push_back({"orient",
                     "orient",
                     {{"components", t.components},
                      {"flipped_triangles", t.flippedTriangles},
                      {"turned_outward", t.turnedOutward},
                      {"non_orientable_components", t.nonOrientableComponents},
                      {"inconsistent_edges_left", t.inconsistentEdgesLeft}},
                     plural(t.flippedTriangles, "triangle", "triangles") + " flipped, " +
                         plural(t.turnedOutward, "closed component", "closed components") +
                         " turned outward, " + std::to_string(t.nonOrientableComponents) +
                         " not orientable (" + std::to_string(t.inconsistentEdgesLeft) +
                         " inconsistent edges left)"});
    steps.push_back({"fill holes",
                     "fill",
                     {{"holes", f.holes},
                      {"filled", f.filledHoles},
                      {"added_triangles", f.addedTriangles},
                      {"merged_copies", f.mergedCopies},
                      {"too_large", f.holesTooLarge},
                      {"left", f.holesLeft},
                      {"turned_outward", f.turnedOutward}},
                     std::to_string(f.filledHoles) + " of " + plural(f.holes, "hole", "holes") +
                         " filled with " + plural(f.addedTriangles, "triangle", "triangles") +
                         " (" + std::to_string(f.mergedCopies) + " copies merged), " +
                         std::to_string(f.holesTooLarge) + " over --max-hole, " +
                         std::to_string(f.holesLeft) + " left unfillable"});
    return steps;
}

void writeReport(std::ostream& out, const Options& o, WriteFormat format,
                 const std::vector<Row>& rows, const std::vector<Step>& steps,
                 const std::vector<std::string>& notes, const std::vector<std::string>& unmet)
{
    if (o.json)
    {
        out << "{\n  \"input\": " << jsonString(o.in) << ",\n  \"output\": " << jsonString(o.out)
            << ",\n  \"format\": " << jsonString(writeFormatName(format));
        for (const char* when : {"before", "after"})
        {
            out << ",\n  \"" << when << "\": {";
            for (std::size_t i = 0; i < rows.size(); ++i)
                out << (i ? ", " : "") << "\"" << rows[i].key
                    << "\": " << (when[0] == 'b' ? rows[i].before : rows[i].after);
            out << "}";
        }
        out << ",\n  \"steps\": {";
        for (std::size_t i = 0; i < steps.size(); ++i)
        {
            out << (i ? ",\n    " : "\n    ") << "\"" << steps[i].key << "\": {";
            for (std::size_t j = 0; j < steps[i].counts.size(); ++j)
                out << (j ? ", " : "") << "\"" << steps[i].counts[j].first
                    << "\": " << steps[i].counts[j].second;
            out << "}";
        }
        out << "\n  }";
        for (const auto& [key, lines] :
             {std::make_pair("notes", &notes), std::make_pair("unmet", &unmet)})
        {
            out << ",\n  \"" << key << "\": [";
            for (std::size_t i = 0; i < lines->size(); ++i)
                out << (i ? ", " : "") << jsonString((*lines)[i]);
            out << "]";
        }
        out << "\n}\n";
        return;
    }
    char buffer[160];
    out << "meshrepair " << printable(o.in) << " -> " << printable(o.out) << " ("
        << writeFormatName(format) << ")\n\n";
    std::snprintf(buffer, sizeof buffer, "  %-31s %14s %14s\n", "", "before", "after");
    out << buffer;
    for (const Row& r : rows)
    {
        std::snprintf(buffer, sizeof buffer, "  %-31s %14s %14s\n", r.label, r.before.c_str(),
                      r.after.c_str());
        out << buffer;
    }
    out << "\nSteps\n";
    for (const Step& s : steps)
    {
        std::snprintf(buffer, sizeof buffer, "  %-31s ", s.label);
        out << buffer << s.text << "\n";
    }
    for (const std::string& n : notes)
        out << "\nnote: " << n << "\n";
}

int usage(const std::string& message)
{
    std::cerr << "meshrepair: " << message << "\n" << USAGE << "Try meshrepair --help.\n";
    return 2;
}

bool parseCount(const std::string& text, std::uint64_t& value)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoull(text.c_str(), &end, 10);
    return *end == '\0' && errno == 0;
}

// 0 when parsed; else the exit status.
int parseArguments(int argc, char** argv, Options& o, bool& done)
{
    std::vector<std::string> files;
    bool onlyFiles = false;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        auto value = [&](std::string& v)
        {
            if (i + 1 >= argc)
                return false;
            v = argv[++i];
            return true;
        };
        std::string v;
        if (onlyFiles || arg == "-" || arg.empty() || arg[0] != '-')
            files.push_back(arg);
        else if (arg == "--")
            onlyFiles = true;
        else if (arg == "--help" || arg == "-h")
        {
            std::cout << USAGE << "\n" << HELP;
            done = true;
            return 0;
        }
        else if (arg == "--version")
        {
            std::cout << "meshrepair " MV_VERSION "\n";
            done = true;
            return 0;
        }
        else if (arg == "--ascii")
            o.ascii = true;
        else if (arg == "--in-place")
            o.inPlace = true;
        else if (arg == "--json")
            o.json = true;
        else if (arg == "--min-component")
        {
            if (!value(v) || !parseCount(v, o.repair.minComponent))
                return usage("--min-component needs a number of triangles");
        }
        else if (arg == "--max-hole")
        {
            if (!value(v) || !parseCount(v, o.repair.maxHole))
                return usage("--max-hole needs a number of edges");
        }
        else if (arg == "--weld-distance")
        {
            char* end = nullptr;
            if (value(v))
                o.repair.weldDistance = std::strtod(v.c_str(), &end);
            if (v.empty() || end == nullptr || *end != '\0' || !(o.repair.weldDistance >= 0) ||
                !std::isfinite(o.repair.weldDistance))
                return usage("--weld-distance needs a distance of 0 or more");
        }
        else if (arg == "--format")
        {
            if (!value(o.format))
                return usage("--format needs obj, stl, ply or off");
        }
        else if (arg == "--require")
        {
            std::string error;
            if (!value(v))
                return usage("--require needs a list: closed, manifold, oriented, no-degenerate");
            if (!o.require.parse(v, error))
                return usage(error);
        }
        else
            return usage("unknown option " + printable(arg));
    }
    if (files.size() != 2)
        return usage(files.size() < 2 ? "an input and an output file are needed"
                                      : "only one input and one output file");
    o.in = files[0];
    o.out = files[1];
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    Options o;
    bool done = false;
    if (const int status = parseArguments(argc, argv, o, done); status != 0 || done)
        return status;
    WriteFormat format = WriteFormat::OBJ;
    std::string error;
    if (!writeFormatFor(o.out, o.format, o.ascii, format, error))
        return usage(error);

    MeshData mesh;
    MeshReadOptions readOptions;
    readOptions.splitPolygons = true;
    MeshReadStats stats;
    ReadError readError;
    if (!readMeshFile(o.in, mesh, readOptions, stats, readError))
    {
        std::cerr << "meshrepair: " << readError.message << "\n";
        return 1;
    }
    // The input is measured while a copy is repaired, and the output measured while it is
    // written: each pair only reads what the other reads.
    MeshAnalysis::Report before, after;
    MeshRepair::Report report;
    MeshData repaired = mesh;
    std::thread measureInput([&] { MeshAnalysis::analyse(mesh.verts, mesh.tris, before); });
    const bool indexed = MeshRepair::repair(repaired, o.repair, report);
    measureInput.join();
    mesh = MeshData();
    if (!indexed)
    {
        std::cerr << "meshrepair: " << printable(o.in) << ": a triangle indexes no position\n";
        return 1;
    }
    const bool stl = format == WriteFormat::STL_BINARY || format == WriteFormat::STL_ASCII;
    // An STL file is read back welded by position, so it is measured so; the indexed
    // formats keep the split vertices apart.
    std::thread measureOutput(
        [&] { MeshAnalysis::analyse(repaired.verts, repaired.tris, after, nullptr, !stl); });
    WriteOptions writeOptions;
    writeOptions.inPlace = o.inPlace;
    writeOptions.input = o.in;
    const bool written = writeMeshFile(o.out, repaired, format, writeOptions, error);
    measureOutput.join();
    if (!written)
    {
        std::cerr << "meshrepair: " << error << "\n";
        return 1;
    }
    std::vector<std::string> notes;
    if (stl && report.manifold.addedVertices > 0)
        notes.push_back(
            "STL cannot carry the " +
            plural(report.manifold.addedVertices, "split vertex copy", "split vertex copies") +
            ": read back, they weld with their originals (write OBJ, PLY or OFF to keep them)");
    const std::vector<std::string> unmet = o.require.unmet(after);
    std::ostream& out = o.out == "-" ? std::cerr : std::cout;
    writeReport(out, o, format, countRows(before, after, o.json), stepRows(report, o), notes,
                unmet);
    out.flush();
    for (const std::string& line : unmet)
        std::cerr << "meshrepair: " << line << "\n";
    if (!std::cout)
        return 1;
    return unmet.empty() ? 0 : 3;
}
