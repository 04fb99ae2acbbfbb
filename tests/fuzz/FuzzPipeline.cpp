#include "FuzzPipeline.h"

#include "HalfEdgeMesh.h"
#include "MeshAnalysis.h"
#include "ObjIO.h"
#include "SimpleMesh.h"

#include <iostream>
#include <sstream>
#include <string>

namespace
{
class Reader : public ObjIO
{
public:
    const LoadData& data() const { return loadData; }
};

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
} // namespace

void runFuzzPipeline(const std::uint8_t* data, std::size_t size)
{
    DiscardingBuffer sink;
    std::streambuf* const err = std::cerr.rdbuf(&sink);
    std::streambuf* const out = std::cout.rdbuf(&sink);
    const std::string text(reinterpret_cast<const char*>(data), size);

    {
        std::istringstream in(text);
        Reader reader;
        InspectedHalfEdgeMesh mesh;
        if (reader.load(&mesh, in))
        {
            mesh.mergeAllBoundaries();
            mesh.validate();
            mesh.calculateFaceNormals();
            mesh.calculateVertexNormals();
            mesh.area();
            mesh.volume();
            mesh.genus();
            mesh.curvature(0, Vector3<float>(0, 0, 1));
            mesh.draw();

            MeshAnalysis::Report report;
            require(MeshAnalysis::analyse(reader.data().verts, reader.data().tris, report));
            require(report.vertices == mesh.numVertices());
            require(report.faces == mesh.numFaces());
            require(report.edges <= mesh.numHalfEdges() / 2);
        }
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
