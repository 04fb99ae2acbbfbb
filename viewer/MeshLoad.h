#pragma once

#include "Mesh.h"
#include "io/MeshFile.h"
#include "viewer/Framing.h"

#include <istream>
#include <new>
#include <string>

// The one way the viewer reads a mesh: open the file (a directory does not open), read
// it, and let the caller prepare the mesh (merge, normals, ...). Out of memory anywhere in
// reading and preparing abandons the load; the caller then discards the mesh.
namespace MeshLoad
{
enum class Outcome
{
    LOADED,
    UNOPENED,     // missing, unreadable or a directory
    REJECTED,     // the reader refused the data; why says why
    NO_TRIANGLES, // read, but nothing to draw
    OUT_OF_MEMORY
};

struct Result
{
    Outcome outcome = Outcome::UNOPENED;
    std::string why;  // the reader's diagnostics, one line, printable
    Framing::Box box; // of the corners the mesh received
};

// Opens a file for reading; false for one that does not exist, cannot be read or is a
// directory.
bool open(const std::string& filename, std::ifstream& stream);

// The loading keys: an OBJ stream through ObjIO as the keys have always read it, which
// lets go of the parsed triangles while it feeds the mesh.
Result readObj(std::istream& stream, Mesh& mesh);
// The command line: any format meshinfo reads, polygons cut into fans; the positions and
// triangles as read stay in data for the analysis.
Result readFile(const std::string& path, Mesh& mesh, MeshData& data);

// Calls prepare(mesh) after a load, turning out of memory into the outcome.
template <class Prepare> void prepareLoaded(Result& r, Mesh& mesh, Prepare prepare)
{
    if (r.outcome != Outcome::LOADED)
        return;
    try
    {
        prepare(mesh);
    }
    catch (const std::bad_alloc&)
    {
        r.outcome = Outcome::OUT_OF_MEMORY;
    }
}
} // namespace MeshLoad
