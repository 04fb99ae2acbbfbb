#pragma once

#include "Mesh.h"
#include "ObjIO.h"
#include "viewer/Framing.h"

#include <fstream>
#include <istream>
#include <string>

// The one way the viewer reads a mesh file: open it (a directory does not open), read it
// through ObjIO, and let the caller prepare the mesh (merge, normals, ...). Out of memory
// anywhere in reading and preparing abandons the load.
namespace MeshLoad
{
enum class Outcome
{
    LOADED,
    UNOPENED,     // missing, unreadable or a directory
    REJECTED,     // the reader refused the data; why holds its diagnostics
    NO_TRIANGLES, // read, but nothing to draw
    OUT_OF_MEMORY
};

struct Result
{
    Outcome outcome = Outcome::UNOPENED;
    std::string why;  // the reader's diagnostics, as it wrote them (any outcome)
    Framing::Box box; // of the corners the mesh received
    std::size_t triangles = 0;
};

// Opens a file for reading; false for one that does not exist, cannot be read or is a
// directory, with the reason in why.
bool open(const std::string& filename, std::ifstream& stream, std::string& why);

// Reads the stream into mesh and, when it holds triangles, calls prepare(mesh). With data
// given, the parsed positions and triangles are kept there for the caller; without, the
// reader lets them go while it feeds the mesh.
template <class Prepare>
Result read(std::istream& stream, Mesh& mesh, ObjIO::LoadData* data, Prepare prepare);

// The message text made safe for a terminal: control bytes and bytes that are not UTF-8
// are written as \xNN, line ends between lines become "; ".
std::string printable(const std::string& text);

// Implementation details of read.
Result readOnly(std::istream& stream, Mesh& mesh, ObjIO::LoadData* data);
} // namespace MeshLoad

template <class Prepare>
MeshLoad::Result MeshLoad::read(std::istream& stream, Mesh& mesh, ObjIO::LoadData* data,
                                Prepare prepare)
{
    Result r = readOnly(stream, mesh, data);
    if (r.outcome != Outcome::LOADED)
        return r;
    try
    {
        prepare(mesh);
    }
    catch (const std::bad_alloc&)
    {
        r.outcome = Outcome::OUT_OF_MEMORY;
    }
    return r;
}
