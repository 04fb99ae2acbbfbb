#pragma once

#include "../Mesh.h"

#include "../SupportCode/Vector3.h"

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

// Reading a mesh file of any supported format into any Mesh. The format is chosen by the
// content (a binary STL by its size, "solid", "ply", "OFF"), then by the file name's
// extension; anything else is read as OBJ. Every reader parses and checks the whole file
// before the mesh receives anything, then hands the triangles over in file order through
// addTriangle, as ObjIO does, so welding and the structure are the meshes' own.

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
};

struct MeshReadStats
{
    MeshFormat format = MeshFormat::OBJ;
    std::uint64_t splitPolygons = 0; // faces of more than four corners cut into fans
    unsigned int largestPolygon = 0; // corners of the largest of them
    // Faces of four or more corners not split truly, as they are not planar, cross or touch
    // themselves, or repeat a corner (see io/Polygon.h): cut as fans, as they came.
    std::uint64_t irregularFaces = 0;
};

// Positions and index triples into them, in file order, as a reader produced them.
struct MeshData
{
    std::vector<Vector3<float>> verts;
    std::vector<Vector3<unsigned int>> tris;
    // While reading: which triangles came from one face (meshio::markFace); empty after.
    std::vector<bool> faceRuns;
};

// The format a file of these first bytes, this total size and this name is read as.
MeshFormat detectMeshFormat(const std::string& head, std::uint64_t size, const std::string& name);

// Reads without building a mesh. False with one line in error (naming the position in the
// file, printable bytes only) when the file cannot be read or is rejected; data is then
// empty. name ("-" or empty for a stream without one) serves the extension fallback.
bool readMeshFile(const std::string& path, MeshData& data, const MeshReadOptions& options,
                  MeshReadStats& stats, std::string& error);
bool readMeshStream(std::istream& in, const std::string& name, MeshData& data,
                    const MeshReadOptions& options, MeshReadStats& stats, std::string& error);

// Hands every triangle of data to mesh in order, after a reserve hint.
void feedMesh(const MeshData& data, Mesh& mesh);

// Reads and feeds. On false the mesh has received nothing.
bool loadMeshFile(const std::string& path, Mesh& mesh, const MeshReadOptions& options,
                  MeshReadStats& stats, std::string& error);
bool loadMeshStream(std::istream& in, const std::string& name, Mesh& mesh,
                    const MeshReadOptions& options, MeshReadStats& stats, std::string& error);
