#pragma once

#include "MeshFile.h"

#include <ostream>
#include <string>

// Writing a MeshData (the readers' output) as OBJ, STL, PLY or OFF. Read back by the readers,
// every written file gives the same positions bit for bit (each coordinate is written as its
// shortest decimal that reads back as the same float, -0 included) and the same triangles in
// the same order. Unreferenced positions are kept by the indexed formats (OBJ, PLY, OFF);
// STL, a list of corners, drops them, and its reader welds equal corners, so an STL gives
// back the same triangle soup.
enum class WriteFormat
{
    OBJ,
    STL_BINARY,
    STL_ASCII,
    PLY_BINARY,
    PLY_ASCII,
    OFF
};

const char* writeFormatName(WriteFormat format);

// The format for an output name: by its extension (.obj .stl .ply .off, any case), or by
// format ("obj", "stl", "ply" or "off", any case) when that is not empty. STL and PLY are
// binary unless ascii. False with one line in error for an unknown extension or format.
bool writeFormatFor(const std::string& path, const std::string& format, bool ascii,
                    WriteFormat& out, std::string& error);

struct WriteOptions
{
    // Without it an output that is the input file (the same file, by device and inode, under
    // any name) is refused.
    bool inPlace = false;
    std::string input; // the input's path; empty for none
};

// Writes data to path ("-": standard output, as it comes) atomically: a temporary file beside
// the output, flushed to disk, then renamed into place. On failure nothing is left behind and
// a file already at path is untouched. A file replaced keeps its permissions. False with one
// line in error (a triangle indexing outside the positions, more triangles than binary STL
// counts, an output that is the input, a directory or not a regular file, a folder that
// does not exist or cannot be written to, a failed write).
bool writeMeshFile(const std::string& path, const MeshData& data, WriteFormat format,
                   const WriteOptions& options, std::string& error);

// The checks of writeMeshFile on the data alone: true when it can be written in format.
bool checkWritable(const MeshData& data, WriteFormat format, std::string& error);

// The stream forms: the data must pass checkWritable. The stream's state tells of failure.
void writeMesh(std::ostream& out, const MeshData& data, WriteFormat format);

namespace meshio
{
void writeObj(std::ostream& out, const MeshData& data);
void writeStl(std::ostream& out, const MeshData& data, bool binary);
void writePly(std::ostream& out, const MeshData& data, bool binary);
void writeOff(std::ostream& out, const MeshData& data);
} // namespace meshio
