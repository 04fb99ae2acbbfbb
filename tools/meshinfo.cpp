// meshinfo: the analyser without a window. Loads a mesh file (OBJ, STL, PLY or OFF) into a
// half-edge mesh as the viewer does (merge, validate, normals) and prints counts and measures
// of the triangles as read. The report goes to standard output, the validation lines and
// reader diagnostics to standard error.
//
//   meshinfo [--json] FILE
//
// Exit status: 0 for a readable mesh (whatever its defects), 1 for a file that cannot be
// opened or that the reader rejects, 2 for wrong usage.

#include "Console.h"
#include "HalfEdgeMesh.h"
#include "MeshAnalysis.h"
#include "io/MeshFile.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{
// The JSON report lists at most this many components (a triangle soup has one per triangle).
constexpr std::size_t JSON_COMPONENT_LIMIT = 1000;
// The text report lists at most this many.
constexpr std::size_t TEXT_COMPONENT_LIMIT = 20;

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class InspectedMesh : public HalfEdgeMesh
{
public:
    std::size_t numHalfEdges() const { return mEdges.size(); }
    std::size_t numVertices() const { return mVerts.size(); }
    std::size_t numFaces() const { return mFaces.size(); }
};

// Passes everything on to another stream buffer and counts the validation report's problem
// lines on the way.
class ValidateLineCounter : public std::streambuf
{
public:
    explicit ValidateLineCounter(std::streambuf* target) : mTarget(target) {}
    unsigned long long problemLines() const { return mProblemLines; }
    unsigned long long isolatedVertices() const { return mIsolatedVertices; }

protected:
    int overflow(int c) override
    {
        if (c == traits_type::eof())
            return traits_type::not_eof(c);
        const char ch = static_cast<char>(c);
        xsputn(&ch, 1);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        const std::streamsize written = mTarget->sputn(s, n);
        for (std::streamsize i = 0; i < n; ++i)
        {
            if (s[i] != '\n')
            {
                mLine += s[i];
                continue;
            }
            unsigned long long count = 0;
            if (mLine.find(" not properly initialized") != std::string::npos)
                ++mProblemLines;
            else if (std::sscanf(mLine.c_str(), "Done: %llu isolated vertices found", &count) == 1)
                mIsolatedVertices = count;
            mLine.clear();
        }
        return written;
    }
    int sync() override { return mTarget->pubsync(); }

private:
    std::streambuf* mTarget;
    std::string mLine;
    unsigned long long mProblemLines = 0;
    unsigned long long mIsolatedVertices = 0;
};

struct Phase
{
    const char* name;
    double milliseconds;
};

struct Outcome
{
    std::string file;
    MeshReadStats read;
    MeshAnalysis::Report report;
    std::size_t meshVertices = 0;
    std::size_t meshFaces = 0;
    std::size_t halfEdges = 0;
    unsigned long long validateProblemLines = 0;
    unsigned long long validateIsolatedVertices = 0;
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

    out << "meshinfo " << o.file << "\n\nCounts\n";
    row("format", meshFormatName(o.read.format));
    row("vertices",
        std::to_string(o.meshVertices) + "  (" + std::to_string(r.positions) + " positions read)");
    count("faces", o.meshFaces);
    count("half-edges", o.halfEdges);
    count("edges", r.edges);
    count("boundary edges", r.boundaryEdges);
    count("boundary loops", r.boundaryLoops);
    count("connected components", r.components.size());
    row("isolated vertices",
        std::to_string(r.isolatedVertices) + "  (distinct positions no triangle uses)");
    count("non-manifold edges", r.nonManifoldEdges);
    count("non-manifold vertices", r.nonManifoldVertices);
    count("inconsistently oriented edges", r.inconsistentEdges);
    row("degenerate triangles", std::to_string(r.degenerateTriangles) + "  (" +
                                    std::to_string(r.repeatedCornerTriangles) +
                                    " with repeated corners)");
    count("duplicate triangles", r.duplicateTriangles);
    row("polygons split into triangles",
        std::to_string(o.read.splitPolygons) +
            (o.read.splitPolygons
                 ? "  (up to " + std::to_string(o.read.largestPolygon) + " corners)"
                 : ""));
    count("validate problem lines", o.validateProblemLines);

    out << "\nMeasures\n";
    row("surface area", number(r.area));
    row("volume", r.hasVolume ? number(r.volume) +
                                    (r.volume < 0 ? "  (negative: the triangles face inwards)" : "")
                              : "undefined (" + r.volumeUndefinedWhy + ")");
    row("Euler characteristic", std::to_string(r.eulerCharacteristic));
    row("genus", genusSummary(r));
    row("bounding box", r.hasBoundingBox ? point(r.boxMin) + " to " + point(r.boxMax) : "none");

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

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (const char ch : s)
    {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\')
            out += '\\', out += ch;
        else if (c < 0x20)
        {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        }
        else
            out += ch;
    }
    return out + "\"";
}

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
    key("format"), out << jsonString(meshFormatName(o.read.format));
    key("positions"), out << r.positions;
    key("vertices"), out << o.meshVertices;
    key("faces"), out << o.meshFaces;
    key("half_edges"), out << o.halfEdges;
    key("edges"), out << r.edges;
    key("boundary_edges"), out << r.boundaryEdges;
    key("boundary_loops"), out << r.boundaryLoops;
    key("components"), out << r.components.size();
    key("isolated_vertices"), out << r.isolatedVertices;
    key("non_manifold_edges"), out << r.nonManifoldEdges;
    key("non_manifold_vertices"), out << r.nonManifoldVertices;
    key("inconsistently_oriented_edges"), out << r.inconsistentEdges;
    key("degenerate_triangles"), out << r.degenerateTriangles;
    key("repeated_corner_triangles"), out << r.repeatedCornerTriangles;
    key("duplicate_triangles"), out << r.duplicateTriangles;
    key("polygons_split"), out << o.read.splitPolygons;
    key("largest_polygon_split"), out << o.read.largestPolygon;
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

int usage(const char* message)
{
    if (message)
        std::cerr << "meshinfo: " << message << "\n";
    std::cerr << "usage: meshinfo [--json] FILE\n";
    return 2;
}

int cannotRead(const std::string& file, const std::string& why)
{
    std::cerr << "meshinfo: " << file << ": " << why << std::endl;
    return 1;
}
} // namespace

int main(int argc, char** argv)
{
    bool json = false;
    std::string file;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--json")
            json = true;
        else if (arg == "--help" || arg == "-h")
        {
            std::cout << "usage: meshinfo [--json] FILE\n";
            return 0;
        }
        else if (arg.size() > 1 && arg[0] == '-')
            return usage(("unknown option " + arg).c_str());
        else if (!file.empty())
            return usage("one file at a time");
        else
            file = arg;
    }
    if (file.empty())
        return usage(nullptr);

    // The size decides on progress lines; a file that cannot be read is reported below.
    struct stat st;
    const long long size = stat(file.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
    const Progress progress("meshinfo", size);
    auto announce = [&](const char* what) { progress.phase(what); };

    Outcome o;
    o.file = file;
    InspectedMesh mesh;

    announce("reading");
    MeshData data;
    MeshReadOptions options;
    options.splitPolygons = true;
    std::string error;
    Clock::time_point start = Clock::now();
    if (!readMeshFile(file, data, options, o.read, error))
        return cannotRead(file, error);
    o.phases.push_back({"read", millisecondsSince(start)});
    start = Clock::now();
    feedMesh(data, mesh);
    o.phases.push_back({"build", millisecondsSince(start)});

    announce("merging boundaries");
    start = Clock::now();
    mesh.mergeAllBoundaries();
    o.phases.push_back({"merge", millisecondsSince(start)});

    announce("validating");
    {
        std::streambuf* const stderrBuffer = std::cerr.rdbuf();
        ValidateLineCounter counter(stderrBuffer);
        start = Clock::now();
        std::cerr.rdbuf(&counter);
        mesh.validate();
        std::cerr.flush();
        std::cerr.rdbuf(stderrBuffer);
        o.phases.push_back({"validate", millisecondsSince(start)});
        o.validateProblemLines = counter.problemLines();
        o.validateIsolatedVertices = counter.isolatedVertices();
    }

    announce("computing normals");
    start = Clock::now();
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    o.phases.push_back({"normals", millisecondsSince(start)});

    announce("analysing");
    start = Clock::now();
    const bool analysed = MeshAnalysis::analyse(data.verts, data.tris, o.report);
    o.phases.push_back({"analysis", millisecondsSince(start)});
    if (!analysed) // the reader checked every index, so this is a fault of ours
        return cannotRead(file, "internal error: a triangle indexes beyond the positions");

    o.meshVertices = mesh.numVertices();
    o.meshFaces = mesh.numFaces();
    o.halfEdges = mesh.numHalfEdges();
    if (json)
        writeJson(o, std::cout);
    else
        writeText(o, std::cout);
    std::cout.flush();
    return std::cout ? 0 : 1;
}
