#include "FuzzPipeline.h"

#include "HalfEdgeMesh.h"
#include "MeshAnalysis.h"
#include "ObjIO.h"
#include "SimpleMesh.h"
#include "io/MeshFile.h"

#include "SupportCode/WeldKey.h"

#include <cmath>
#include <iostream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

namespace
{
class InspectedHalfEdgeMesh : public HalfEdgeMesh
{
public:
    std::size_t numVertices() const { return mVerts.size(); }
    std::size_t numFaces() const { return mFaces.size(); }
    std::size_t numHalfEdges() const { return mEdges.size(); }
};

class DiscardingBuffer : public std::streambuf
{
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// A disagreement between the mesh and the independent analysis of the same triangles is a
// fault worth a finding, not only a crash.
void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// Welded vertices with a triangle side from the vertex to itself. The half-edge mesh makes
// a pair of half-edges for each such loop; the analysis counts no edge for it.
std::size_t loopVertices(const MeshData& data)
{
    std::set<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> loops;
    for (const Vector3<unsigned int>& t : data.tris)
        for (unsigned int k = 0; k < 3; ++k)
        {
            const WeldKey a = WeldKey::of(data.verts[t[k]]);
            if (a == WeldKey::of(data.verts[t[(k + 1) % 3]]))
                loops.emplace(a.x, a.y, a.z);
        }
    return loops.size();
}

bool isClean(const MeshAnalysis::Report& r)
{
    return r.nonManifoldEdges == 0 && r.nonManifoldVertices == 0 && r.inconsistentEdges == 0 &&
           r.repeatedCornerTriangles == 0;
}

// Float sums agree with the analysis' double ones where no float product over- or
// underflows (a box within 1e15, an area above 1e-30).
bool areasAgree(double meshArea, const MeshAnalysis::Report& r)
{
    for (unsigned int k = 0; k < 3; ++k)
        if (std::fabs(r.boxMin[k]) > 1e15f || std::fabs(r.boxMax[k]) > 1e15f)
            return true;
    return std::fabs(meshArea - r.area) <= 1e-3 * r.area + 1e-30;
}

// The half-edge mesh and the simple mesh of what a reader produced, and every measure,
// checked against the independent analysis of the same triangles.
void exercise(const MeshData& data)
{
    InspectedHalfEdgeMesh mesh;
    feedMesh(data, mesh);
    mesh.mergeAllBoundaries();
    const HalfEdgeMesh::Validation checked = mesh.validation();
    // Every half-edge is made in pairs and merged; a vertex is made with its first triangle.
    require(checked.unsetFaces.empty() && checked.unsetVertices.empty());
    require(checked.halfEdges == mesh.numHalfEdges() && checked.faces == mesh.numFaces());
    mesh.calculateFaceNormals();
    mesh.calculateVertexNormals();
    const float area = mesh.area();
    mesh.volume();
    const int genus = mesh.genus();
    mesh.curvature(0, Vector3<float>(0, 0, 1));
    mesh.draw();
    SimpleMesh simple;
    feedMesh(data, simple);

    MeshAnalysis::Report report;
    MeshAnalysis::Defects defects; // as the viewer asks for them
    require(MeshAnalysis::analyse(data.verts, data.tris, report, &defects));
    require(defects.boundaryEdges.size() == 2 * report.boundaryEdges &&
            defects.nonManifoldVertices.size() == report.nonManifoldVertices &&
            defects.degenerateTriangles.size() == 3 * report.degenerateTriangles);
    require(report.vertices == mesh.numVertices() && report.vertices == simple.getVerts().size());
    require(report.faces == mesh.numFaces() && report.faces == simple.getTris().size());
    require(mesh.numHalfEdges() == 2 * (report.edges + loopVertices(data)));
    if (!isClean(report))
        return;
    require(checked.unsetRecords() == 0 && checked.isolatedVertices == 0);
    if (report.boundaryEdges > 0 || report.components.size() != 1)
        return;
    require(report.components[0].hasGenus && genus == report.components[0].genus);
    require(areasAgree(area, report));
}

// No control byte reaches a message (valid UTF-8 may stay).
bool isOnePrintableLine(const std::string& s)
{
    for (const char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    return !s.empty();
}
} // namespace

void runFuzzPipeline(const std::uint8_t* data, std::size_t size)
{
    DiscardingBuffer sink;
    std::streambuf* const err = std::cerr.rdbuf(&sink);
    std::streambuf* const out = std::cout.rdbuf(&sink);
    const std::string text(reinterpret_cast<const char*>(data), size);

    // Every reader: the content picks the format, and each extension is offered for the
    // files whose content does not tell. Each format read is built once.
    bool built[5] = {};
    for (const char* name : {"in.obj", "in.stl", "in.ply", "in.off"})
    {
        std::istringstream in(text);
        MeshData read;
        MeshReadOptions options;
        options.splitPolygons = true;
        MeshReadStats stats;
        ReadError error;
        if (!readMeshStream(in, name, read, options, stats, error))
        {
            require(isOnePrintableLine(error.message) && error.kind == ReadFailure::REJECTED &&
                    read.verts.empty() && read.tris.empty());
            continue;
        }
        bool& done = built[static_cast<int>(stats.format)];
        if (!done)
            exercise(read);
        done = true;
    }
    {
        std::istringstream in(text);
        ObjIO reader;
        reader.setReleaseTriangles(true); // as the viewer loads
        SimpleMesh mesh;
        if (reader.load(&mesh, in))
        {
            mesh.calculateFaceNormals();
            mesh.draw();
            mesh.calculateVertexNormals();
            mesh.calcCurv();
            mesh.draw();
        }
    }

    std::cerr.rdbuf(err);
    std::cout.rdbuf(out);
}

namespace
{
// A pipe: no seeking, and reads of at most 4093 bytes at a time.
class PipeBuffer : public std::streambuf
{
public:
    explicit PipeBuffer(std::string& bytes) : mBytes(bytes) {}

protected:
    int_type underflow() override
    {
        if (mAt == mBytes.size())
            return traits_type::eof();
        const std::size_t n = std::min<std::size_t>(4093, mBytes.size() - mAt);
        setg(&mBytes[mAt], &mBytes[mAt], &mBytes[mAt] + n);
        mAt += n;
        return traits_type::to_int_type(*gptr());
    }

private:
    std::string& mBytes;
    std::size_t mAt = 0;
};

std::string answer(std::istream& in, const char* name)
{
    MeshData data;
    MeshReadOptions options;
    options.splitPolygons = true;
    MeshReadStats stats;
    ReadError error;
    std::ostringstream s;
    s << readMeshStream(in, name, data, options, stats, error) << int(error.kind) << error.message
      << error.line << " " << error.byte << meshFormatName(stats.format) << stats.warning << " "
      << stats.splitPolygons << " " << stats.stlNormalsDisagreeing;
    for (const auto& v : data.verts)
        s << " " << v;
    for (const auto& t : data.tris)
        s << " " << t;
    return s.str();
}
} // namespace

void runReadersDifferential(const std::uint8_t* data, std::size_t size)
{
    DiscardingBuffer sink;
    std::streambuf* const err = std::cerr.rdbuf(&sink);
    std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* name : {"in.obj", "in.stl", "in.ply", "in.off", "-"})
    {
        std::istringstream file(text);
        PipeBuffer pipeBuffer(text);
        std::istream pipe(&pipeBuffer);
        require(answer(file, name) == answer(pipe, name));
    }
    std::cerr.rdbuf(err);
}
