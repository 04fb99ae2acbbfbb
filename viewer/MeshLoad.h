#pragma once

#include "Mesh.h"
#include "MeshAnalysis.h"
#include "io/MeshFile.h"
#include "viewer/Framing.h"

#include <cstddef>
#include <future>
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
    MeshFormat format = MeshFormat::OBJ;
};

// Opens a file for reading; false for one that does not exist, cannot be read or is a
// directory.
bool open(const std::string& filename, std::ifstream& stream);

// The loading keys: an OBJ stream through ObjIO as the keys have always read it, which
// lets go of the parsed triangles while it feeds the mesh.
Result readObj(std::istream& stream, Mesh& mesh);
// The command line: any format meshinfo reads, polygons cut into fans, into data alone; the
// caller feeds a mesh from it (feedMesh) once the analysis has started.
Result readFile(const std::string& path, MeshData& data);

// The analysis of a command-line file, with the defects the overlay draws.
struct Analysis
{
    bool done = false; // false: a triangle indexes beyond the positions
    MeshAnalysis::Report report;
    MeshAnalysis::Defects defects;
};
// Whether the analysis runs on a second thread beside the half-edge build, adding its memory
// (some 32 bytes a triangle and a position read) to the build's: up to 2^21 of them, 64 MiB.
// Larger files are analysed before the build, so that the peak is the larger of the two.
inline bool analyseBeside(std::size_t triangles, std::size_t positions)
{
    return triangles + positions <= (std::size_t(1) << 21);
}
// The threads a command-line file is read and welded with: the machine's cores.
unsigned int threads();
// Starts analysing data, which must outlive the result: beside the caller when beside (and
// a thread can be had), else at once. get() gives the analysis or throws what it threw.
// weld, when given, must outlive the result too: the analysis then joins positions by it.
std::future<Analysis> startAnalysis(const MeshData& data, bool beside,
                                    const PositionWeld* weld = nullptr);

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
