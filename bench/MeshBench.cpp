// Times each phase of the viewer's work on OBJ files, beside a plain from_chars parse of the
// same file and, when they were found at build time, the same work done with OpenMesh and
// CGAL. Every run happens in a fresh child process, so runs do not share allocator state
// and each run's peak memory is its own. Prints medians as Markdown tables.
//
//   meshbench [--runs N] [--only NAME[,NAME...]] FILE...

#include "HalfEdgeMesh.h"
#include "Mesh.h"
#include "MeshAnalysis.h"
#include "ObjIO.h"
#include "Pipeline.h"
#include "SimpleMesh.h"
#include "io/MeshFile.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
// Takes the triangles and drops them: what is left of a load is the reading.
class DiscardingMesh : public Mesh
{
public:
    void draw() override {}
    bool addTriangle(const Vector3<float>&, const Vector3<float>&, const Vector3<float>&) override
    {
        ++mTriangles;
        return true;
    }
    float curvature(unsigned int, const Vector3<float>&) override { return 0.0f; }
    std::size_t triangles() const { return mTriangles; }

protected:
    bool addVertex(const Vector3<float>&, unsigned int&) override { return false; }
    bool findNeighbourTriangles(unsigned int, std::vector<unsigned int>&) const override
    {
        return false;
    }

private:
    std::size_t mTriangles = 0;
};

bool readWholeFile(const std::string& file, std::string& out)
{
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return false;
    struct stat st;
    if (fstat(fileno(f), &st) != 0)
    {
        std::fclose(f);
        return false;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    const std::size_t n = std::fread(out.data(), 1, out.size(), f);
    std::fclose(f);
    out.resize(n);
    return true;
}

// The floor for reading: positions and corner indices into flat arrays with from_chars and
// nothing else (no checks beyond what from_chars does, no welding, no mesh).
bool runFromCharsBaseline(const std::string& file, PipelineRun& run)
{
    std::vector<float> positions;
    std::vector<std::uint32_t> corners;
    bool ok = true;
    run.time("read",
             [&]
             {
                 std::string text;
                 ok = readWholeFile(file, text);
                 const char* p = text.data();
                 const char* const end = p + text.size();
                 while (p < end)
                 {
                     const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', end - p));
                     if (!lineEnd)
                         lineEnd = end;
                     if (lineEnd - p > 2 && (p[0] == 'v' || p[0] == 'f') && p[1] == ' ')
                     {
                         const bool isPosition = p[0] == 'v';
                         p += 2;
                         while (p < lineEnd)
                         {
                             while (p < lineEnd && (*p == ' ' || *p == '\t' || *p == '\r'))
                                 ++p;
                             if (p == lineEnd)
                                 break;
                             if (isPosition)
                             {
                                 float x = 0.0f;
                                 p = std::from_chars(p, lineEnd, x).ptr;
                                 positions.push_back(x);
                             }
                             else
                             {
                                 std::uint32_t i = 0;
                                 p = std::from_chars(p, lineEnd, i).ptr;
                                 corners.push_back(i - 1);
                             }
                             while (p < lineEnd && *p != ' ' &&
                                    *p != '\t') // rest of a token, "/vt/vn"
                                 ++p;
                         }
                     }
                     p = lineEnd + 1;
                 }
             });
    run.result("vertices", static_cast<double>(positions.size() / 3));
    run.result("faces", static_cast<double>(corners.size() / 3));
    return ok;
}

bool runObjIORead(const std::string& file, PipelineRun& run)
{
    DiscardingMesh mesh;
    bool ok = false;
    run.time("read",
             [&]
             {
                 std::ifstream in(file, std::ios::binary);
                 ObjIO reader;
                 ok = in.is_open() && reader.load(&mesh, in);
             });
    run.result("faces", static_cast<double>(mesh.triangles()));
    return ok;
}

// Reads and builds as the viewer does: ObjIO::load straight into the mesh, the parsed
// triangles let go as they are fed. Reading alone is timed by the "ObjIO read" pipeline.
template <typename MeshType> bool load(const std::string& file, MeshType& mesh)
{
    std::ifstream in(file, std::ios::binary);
    ObjIO reader;
    reader.setReleaseTriangles(true);
    return in.is_open() && reader.load(&mesh, in);
}

// What the viewer does with a half-edge mesh, from reading to genus, plus the volume.
bool runHalfEdgeMeshPipeline(const std::string& file, PipelineRun& run)
{
    HalfEdgeMesh mesh;
    bool ok = false;
    run.time("read and build", [&] { ok = load(file, mesh); });
    if (!ok)
        return false;
    run.time("merge", [&] { mesh.mergeAllBoundaries(); });
    HalfEdgeMesh::Validation checked;
    run.time("validate", [&] { checked = mesh.validation(); });
    run.time("face normals", [&] { mesh.calculateFaceNormals(); });
    run.time("vertex normals", [&] { mesh.calculateVertexNormals(); });
    float area = 0.0f, volume = 0.0f;
    int genus = 0;
    run.time("area", [&] { area = mesh.area(); });
    run.time("volume", [&] { volume = mesh.volume(); });
    run.time("genus", [&] { genus = mesh.genus(); });
    run.result("faces", static_cast<double>(mesh.numFaces()));
    run.result("area", area);
    run.result("volume", volume);
    run.result("genus", genus);
    run.result("unset records", static_cast<double>(checked.unsetRecords()));
    run.result("isolated vertices", static_cast<double>(checked.isolatedVertices));
    return true;
}

bool runSimpleMeshPipeline(const std::string& file, PipelineRun& run)
{
    SimpleMesh mesh;
    bool ok = false;
    run.time("read and build", [&] { ok = load(file, mesh); });
    if (!ok)
        return false;
    run.time("vertex normals", [&] { mesh.calculateVertexNormals(); });
    run.time("calcCurv", [&] { mesh.calcCurv(); });
    run.result("vertices", static_cast<double>(mesh.getVerts().size()));
    run.result("faces", static_cast<double>(mesh.getTris().size()));
    return true;
}

// Reads file into data as the phase "read"; false if the reader rejected it.
bool timedRead(const std::string& file, MeshData& data, const MeshReadOptions& options,
               PipelineRun& run)
{
    bool ok = false;
    run.time("read",
             [&]
             {
                 MeshReadStats stats;
                 ReadError error;
                 ok = readMeshFile(file, data, options, stats, error);
             });
    return ok;
}

// meshinfo's analysis of the triangles as read; the reading is timed apart.
bool runAnalysisPipeline(const std::string& file, PipelineRun& run)
{
    MeshData data;
    bool ok = timedRead(file, data, MeshReadOptions(), run);
    MeshAnalysis::Report r;
    run.time("analysis", [&] { ok = ok && MeshAnalysis::analyse(data.verts, data.tris, r); });
    run.result("faces", static_cast<double>(r.faces));
    run.result("edges", static_cast<double>(r.edges));
    run.result("components", static_cast<double>(r.components.size()));
    return ok;
}

// Everything meshinfo does with one file, phase by phase: the reader (polygons split), the
// half-edge mesh as key 2 builds and checks it, then the analysis.
bool runMeshInfoPipeline(const std::string& file, PipelineRun& run)
{
    MeshData data;
    MeshReadOptions options;
    options.splitPolygons = true;
    if (!timedRead(file, data, options, run))
        return false;
    HalfEdgeMesh::Validation checked;
    {
        // As meshinfo: the mesh goes before the analysis.
        HalfEdgeMesh mesh;
        run.time("build", [&] { feedMesh(data, mesh); });
        run.time("merge", [&] { mesh.mergeAllBoundaries(); });
        run.time("validate", [&] { checked = mesh.validation(); });
        run.time("normals",
                 [&]
                 {
                     mesh.calculateFaceNormals();
                     mesh.calculateVertexNormals();
                 });
    }
    MeshAnalysis::Report r;
    bool analysed = false;
    run.time("analysis", [&] { analysed = MeshAnalysis::analyse(data.verts, data.tris, r); });
    run.result("faces", static_cast<double>(r.faces));
    run.result("edges", static_cast<double>(r.edges));
    run.result("unset records", static_cast<double>(checked.unsetRecords()));
    return analysed;
}

struct NamedPipeline
{
    const char* name;
    Pipeline run;
};

std::vector<NamedPipeline> pipelines()
{
    std::vector<NamedPipeline> all = {
        {"from_chars", runFromCharsBaseline},      {"ObjIO read", runObjIORead},
        {"HalfEdgeMesh", runHalfEdgeMeshPipeline}, {"SimpleMesh", runSimpleMeshPipeline},
        {"MeshAnalysis", runAnalysisPipeline},     {"meshinfo", runMeshInfoPipeline},
    };
#ifdef MV_BENCH_OPENMESH
    all.push_back({"OpenMesh", runOpenMeshPipeline});
#endif
#ifdef MV_BENCH_CGAL
    all.push_back({"CGAL", runCgalPipeline});
#endif
    return all;
}

struct Sample
{
    std::vector<std::pair<std::string, double>> phases;
    std::vector<std::pair<std::string, double>> results;
    long peakKiB = 0;
};

// Runs one pipeline once in a child process; the child reports through a pipe.
bool runInChild(const NamedPipeline& pipeline, const std::string& file, Sample& sample)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    std::cout.flush();
    std::cerr.flush();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0)
    {
        close(fds[0]);
        PipelineRun run;
        // The measured work prints diagnostics; they are not what is being timed here.
        std::ofstream devNull("/dev/null");
        std::streambuf* oldErr = std::cerr.rdbuf(devNull.rdbuf());
        std::streambuf* oldOut = std::cout.rdbuf(devNull.rdbuf());
        const bool ok = pipeline.run(file, run);
        std::cerr.rdbuf(oldErr);
        std::cout.rdbuf(oldOut);
        std::ostringstream report;
        report << std::setprecision(17);
        for (const auto& p : run.phases())
            report << "phase\t" << p.first << "\t" << p.second << "\n";
        for (const auto& r : run.results())
            report << "result\t" << r.first << "\t" << r.second << "\n";
        const std::string text = report.str();
        ssize_t written = write(fds[1], text.data(), text.size());
        close(fds[1]);
        _exit(ok && written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;
    sample.peakKiB = usage.ru_maxrss;
    std::istringstream lines(text);
    std::string kind, name, value;
    while (std::getline(lines, kind, '\t') && std::getline(lines, name, '\t') &&
           std::getline(lines, value))
        (kind == "phase" ? sample.phases : sample.results).emplace_back(name, std::stod(value));
    return true;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

struct Summary
{
    std::string name;
    std::vector<std::pair<std::string, double>> phaseMedians; // in the pipeline's order
    double totalMedian = 0.0;
    double peakMiB = 0.0;
    std::vector<std::pair<std::string, double>> results; // of the first run
};

Summary summarise(const std::string& name, const std::vector<Sample>& samples)
{
    Summary s;
    s.name = name;
    std::vector<double> totals, peaks;
    for (const Sample& sample : samples)
    {
        double total = 0.0;
        for (const auto& p : sample.phases)
            total += p.second;
        totals.push_back(total);
        peaks.push_back(static_cast<double>(sample.peakKiB) / 1024.0);
    }
    for (std::size_t i = 0; i < samples[0].phases.size(); ++i)
    {
        std::vector<double> values;
        for (const Sample& sample : samples)
            if (i < sample.phases.size())
                values.push_back(sample.phases[i].second);
        s.phaseMedians.emplace_back(samples[0].phases[i].first, median(values));
    }
    s.totalMedian = median(totals);
    s.peakMiB = median(peaks);
    s.results = samples[0].results;
    return s;
}

std::string cpuModel()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0)
        {
            const std::size_t colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    return "unknown CPU";
}

const Summary* find(const std::vector<Summary>& all, const std::string& name)
{
    for (const Summary& s : all)
        if (s.name == name)
            return &s;
    return nullptr;
}

void printRatio(const char* what, double ours, double theirs, const char* unit)
{
    std::cout << "- " << what << ": " << std::fixed << std::setprecision(1) << ours << " " << unit
              << " against " << theirs << " " << unit << ", ratio " << std::setprecision(2)
              << ours / theirs << "\n";
}

int usage()
{
    std::cerr << "usage: meshbench [--runs N] [--only NAME[,NAME...]] FILE...\n";
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    unsigned int runs = 5;
    std::vector<std::string> only;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
        {
            runs = static_cast<unsigned int>(std::strtoul(argv[++i], nullptr, 10));
            if (runs == 0)
                return usage();
        }
        else if (arg == "--only" && i + 1 < argc)
        {
            std::istringstream names(argv[++i]);
            std::string name;
            while (std::getline(names, name, ','))
                only.push_back(name);
        }
        else if (!arg.empty() && arg[0] == '-')
            return usage();
        else
            files.push_back(arg);
    }
    if (files.empty())
        return usage();

    std::cout << "Machine: " << std::thread::hardware_concurrency() << " cores, " << cpuModel()
              << "; compiler " << __VERSION__
#ifdef NDEBUG
              << ", assertions off"
#endif
              << ". Medians of " << runs << " runs, each in a fresh process.\n";

    // Runs go round the files and pipelines, one run of each at a time, so that a machine
    // whose speed drifts slows every file alike and the ratios between files hold.
    int status = 0;
    std::vector<std::string> found;
    std::vector<double> sizes;
    for (const std::string& file : files)
    {
        struct stat st;
        if (stat(file.c_str(), &st) != 0)
        {
            std::cerr << "meshbench: cannot open " << file << "\n";
            status = 1;
            continue;
        }
        found.push_back(file);
        sizes.push_back(static_cast<double>(st.st_size) / 1e6);
    }
    std::vector<NamedPipeline> chosen;
    for (const NamedPipeline& pipeline : pipelines())
        if (only.empty() || std::find(only.begin(), only.end(), pipeline.name) != only.end())
            chosen.push_back(pipeline);
    // samples[file][pipeline]; a pipeline that fails on a file is dropped for that file.
    std::vector<std::vector<std::vector<Sample>>> samples(
        found.size(), std::vector<std::vector<Sample>>(chosen.size()));
    std::vector<std::vector<bool>> failed(found.size(), std::vector<bool>(chosen.size(), false));
    for (unsigned int r = 0; r < runs; ++r)
        for (std::size_t f = 0; f < found.size(); ++f)
            for (std::size_t p = 0; p < chosen.size(); ++p)
            {
                if (failed[f][p])
                    continue;
                Sample sample;
                if (!runInChild(chosen[p], found[f], sample))
                {
                    std::cerr << "meshbench: " << chosen[p].name << " failed on " << found[f]
                              << "\n";
                    failed[f][p] = true;
                    status = 1;
                    continue;
                }
                samples[f][p].push_back(sample);
            }

    // Per triangle against the first file, for the pipelines that report their faces.
    std::ostringstream perTriangle;
    std::vector<double> firstCost(chosen.size(), 0.0);
    for (std::size_t f = 0; f < found.size(); ++f)
    {
        const std::string& file = found[f];
        std::cout << "\n## " << file << " (" << std::fixed << std::setprecision(1) << sizes[f]
                  << " MB)\n\n";

        std::vector<Summary> summaries;
        for (std::size_t p = 0; p < chosen.size(); ++p)
        {
            if (failed[f][p])
                continue;
            summaries.push_back(summarise(chosen[p].name, samples[f][p]));
            const Summary& s = summaries.back();
            for (const auto& result : s.results)
                if (result.first == "faces" && result.second > 0)
                {
                    const double microseconds = 1000.0 * s.totalMedian / result.second;
                    if (f == 0)
                        firstCost[p] = microseconds;
                    perTriangle << "| " << file << " | " << s.name << " | " << std::fixed
                                << std::setprecision(3) << microseconds << " | ";
                    if (firstCost[p] > 0)
                        perTriangle << std::setprecision(2) << microseconds / firstCost[p];
                    perTriangle << " |\n";
                }
        }
        std::cout << "| pipeline | phase | median ms |\n|---|---|---:|\n";
        for (const Summary& s : summaries)
        {
            for (const auto& p : s.phaseMedians)
                std::cout << "| " << s.name << " | " << p.first << " | " << std::setprecision(1)
                          << p.second << " |\n";
            std::cout << "| " << s.name << " | **total** | **" << s.totalMedian << "** |\n";
        }
        std::cout << "\n| pipeline | total ms | peak memory MiB | results |\n|---|---:|---:|---|\n";
        for (const Summary& s : summaries)
        {
            std::cout << "| " << s.name << " | " << std::setprecision(1) << s.totalMedian << " | "
                      << s.peakMiB << " | ";
            for (std::size_t i = 0; i < s.results.size(); ++i)
                std::cout << (i ? ", " : "") << s.results[i].first << " " << std::defaultfloat
                          << std::setprecision(9) << s.results[i].second << std::fixed;
            std::cout << " |\n";
        }

        std::cout << "\n";
        const Summary* ours = find(summaries, "HalfEdgeMesh");
        for (const char* other : {"OpenMesh", "CGAL"})
            if (const Summary* theirs = find(summaries, other))
                if (ours)
                {
                    printRatio((std::string("HalfEdgeMesh pipeline against ") + other).c_str(),
                               ours->totalMedian, theirs->totalMedian, "ms");
                    printRatio((std::string("HalfEdgeMesh peak memory against ") + other).c_str(),
                               ours->peakMiB, theirs->peakMiB, "MiB");
                }
        const Summary* baseline = find(summaries, "from_chars");
        const Summary* read = find(summaries, "ObjIO read");
        if (baseline && read)
        {
            printRatio("ObjIO read against the from_chars parse", read->totalMedian,
                       baseline->totalMedian, "ms");
            std::cout << "- from_chars parse: " << std::setprecision(2)
                      << sizes[f] / baseline->totalMedian
                      << " GB/s; ObjIO read: " << sizes[f] / read->totalMedian << " GB/s\n";
        }
    }
    if (found.size() > 1 && !perTriangle.str().empty())
        std::cout << "\n## Per triangle, against " << found[0]
                  << "\n\n| file | pipeline | total us per triangle | against the first |\n"
                     "|---|---|---:|---:|\n"
                  << perTriangle.str();
    return status;
}
