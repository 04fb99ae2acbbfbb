#pragma once

#include "../Mesh.h"
#include "../SupportCode/Vector3.h"

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

// Reading a mesh file of any supported format into any Mesh. The format is chosen by the
// first bytes (see detectMeshFormat), then by the file name's extension; anything else is
// read as OBJ. A file and a pipe of the same bytes and name give the same answer: both are
// read as a stream, and no reader holds more of it than a line or a record and a block.
// Every reader parses and checks the whole input before the mesh receives anything, then
// hands the triangles over in file order, as ObjIO does, so welding and the structure are
// the meshes' own.

// A mesh that keeps nothing it is handed: for reading without building, and the base of
// meshes that only look at the triangles as they come.
class NoMesh : public Mesh
{
public:
    void draw() override {}
    bool addTriangle(const Vector3<float>&, const Vector3<float>&, const Vector3<float>&) override
    {
        return true;
    }
    float curvature(unsigned int, const Vector3<float>&) override { return 0.0f; }

protected:
    bool addVertex(const Vector3<float>&, unsigned int&) override { return false; }
    bool findNeighbourTriangles(unsigned int, std::vector<unsigned int>&) const override
    {
        return false;
    }
};

enum class MeshFormat
{
    OBJ,
    STL_BINARY,
    STL_ASCII,
    PLY,
    OFF
};

const char* meshFormatName(MeshFormat format);

struct MeshReadOptions
{
    // Cut faces of more than four corners into fans from their first corner; without it such
    // a face rejects the file, as in ObjIO. Quads are always cut as ObjIO cuts them.
    bool splitPolygons = false;
    // loadMesh only: let go of the parsed triangles while feeding (lower peak memory).
    bool releaseTriangles = false;
    // Threads the reader may use for one file; what it reads is the same for any number.
    unsigned int threads = 1;
};

struct MeshReadStats
{
    MeshFormat format = MeshFormat::OBJ;
    std::uint64_t splitPolygons = 0; // faces of more than four corners cut into fans
    unsigned int largestPolygon = 0; // corners of the largest of them
    // Faces of four or more corners not split truly, as they are not planar, cross or touch
    // themselves, or repeat a corner (see io/Polygon.h): cut as fans, as they came.
    std::uint64_t irregularFaces = 0;
    // STL facets whose stored normal points against their winding (a negative dot product
    // with the cross product of the corners; zero normals do not count).
    std::uint64_t stlNormalsDisagreeing = 0;
    // A line for standard error about a file read nevertheless, or empty.
    std::string warning;
};

enum class ReadFailure
{
    NONE,
    CANNOT_OPEN,  // missing, unreadable or a directory
    REJECTED,     // the data is not a mesh this program reads; the message says why
    OUT_OF_MEMORY // the data did not fit in memory
};

// Why a read failed: one line (the position in the file included, printable bytes only) and
// the line (text) or byte (binary) it names, 0 when none.
struct ReadError
{
    ReadFailure kind = ReadFailure::NONE;
    std::string message;
    std::uint64_t line = 0;
    std::uint64_t byte = 0;
};

// Positions and index triples into them, in file order, as a reader produced them.
struct MeshData
{
    std::vector<Vector3<float>> verts;
    std::vector<Vector3<unsigned int>> tris;
    // While reading: which triangles came from one face (meshio::markFace); empty after.
    std::vector<bool> faceRuns = {}; // defaulted: {verts, tris} still sets every member
};

// The bytes the format is told from.
constexpr std::size_t MESH_HEAD_BYTES = 65536;

// The format of an input whose first bytes are head (at most MESH_HEAD_BYTES) under this
// name; whole says head is all of it. In this order:
//  1. after an optional UTF-8 byte order mark, a first line "ply" is PLY, a first token of
//     the OFF family ("OFF", "COFF", "4OFF", ...) OFF, and a first token "solid" ASCII STL
//     when the head holds no NUL byte (a trailing run of them at the end of the input aside);
//  2. a binary STL: the whole input is 84 + 50 n bytes, n the count at byte 80, or the
//     count's top byte is 0 (fewer than 16.7 million triangles, where no text has a NUL),
//     or the first token is "solid"; its reader then requires exactly 84 + 50 n bytes;
//  3. by the extension: .stl binary STL, .ply PLY, .off OFF; anything else OBJ.
MeshFormat detectMeshFormat(const std::string& head, bool whole, const std::string& name);

// Reads without building a mesh. False with the error's kind and line when the file cannot
// be read or is rejected; data is then empty. name ("-" or empty for a stream without one)
// serves the extension fallback.
bool readMeshFile(const std::string& path, MeshData& data, const MeshReadOptions& options,
                  MeshReadStats& stats, ReadError& error);
bool readMeshStream(std::istream& in, const std::string& name, MeshData& data,
                    const MeshReadOptions& options, MeshReadStats& stats, ReadError& error);

// Hands every triangle of data to mesh in order, after a reserve hint.
void feedMesh(const MeshData& data, Mesh& mesh);

class HalfEdgeMesh;

// How the equal positions of a file's data are joined for its half-edge mesh and its
// analysis (MeshAnalysis::analyse): not at all (the file's own indices kept, or an STL,
// whose reader has welded), or by one weld found for both, on up to threads threads. The
// mesh and the analysis come out as when each welds on its own (feedMesh; the analysis'
// own weld), and the same for any number of threads.
class PositionWeld
{
public:
    PositionWeld(const MeshData& data, MeshFormat format, bool keepIndices, unsigned int threads);
    // The analysis' keepIndices and firstEqual arguments.
    bool byIndex() const { return mByIndex; }
    const std::vector<std::uint32_t>* firstEqual() const
    {
        return mShared ? &mFirstEqual : nullptr;
    }
    // Builds mesh (empty) from data as feedMesh would, or from its indices when kept. Only
    // the welding map is left empty: triangles added later are not welded with these.
    void feed(const MeshData& data, HalfEdgeMesh& mesh) const;

private:
    bool mByIndex = false;
    bool mShared = false;
    std::vector<std::uint32_t> mFirstEqual;
};

// Reads and feeds. On false the mesh has received nothing.
bool loadMeshFile(const std::string& path, Mesh& mesh, const MeshReadOptions& options,
                  MeshReadStats& stats, ReadError& error);
bool loadMeshStream(std::istream& in, const std::string& name, Mesh& mesh,
                    const MeshReadOptions& options, MeshReadStats& stats, ReadError& error);
