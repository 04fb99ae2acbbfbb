#include "io/MeshFile.h"

#include "Console.h"
#include "HalfEdgeMesh.h"
#include "ObjIO.h"
#include "io/MeshReaders.h"
#include "io/Polygon.h"
#include "io/TextInput.h"

#include "SupportCode/WeldShares.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <sys/stat.h>

namespace
{
std::string firstToken(const std::string& head, std::size_t from)
{
    std::size_t b = from;
    while (b < head.size() && std::isspace(static_cast<unsigned char>(head[b])))
        ++b;
    std::size_t e = b;
    while (e < head.size() && !std::isspace(static_cast<unsigned char>(head[e])))
        ++e;
    return head.substr(b, e - b);
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string lowerExtension(const std::string& name)
{
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return lower(name.substr(dot + 1));
}

// A NUL byte in the head, but for a run of them that ends the input (some writers pad an
// ASCII STL so).
bool holdsNul(const std::string& head, bool whole)
{
    const std::size_t nul = head.find('\0');
    if (nul == std::string::npos)
        return false;
    return !whole || head.find_first_not_of('\0', nul) != std::string::npos;
}

bool startsWithWideMark(const std::string& head)
{
    return head.compare(0, 2, "\xfe\xff") == 0 || head.compare(0, 2, "\xff\xfe") == 0 ||
           head.compare(0, 4, std::string("\0\0\xfe\xff", 4)) == 0;
}

class ObjReader : public ObjIO
{
public:
    LoadData& data() { return loadData; }
    using ObjIO::irregularFaces;
    unsigned long lineRead() const { return line(); }
};

// ObjIO's diagnostics, turned into the one line of a rejected file.
bool loadObj(std::istream& in, Mesh* mesh, MeshData* keep, const MeshReadOptions& options,
             MeshReadStats& stats, ReadError& error)
{
    ObjReader reader;
    std::ostringstream messages;
    reader.setMessages(messages);
    reader.setReleaseTriangles(options.releaseTriangles && !keep);
    reader.setTriangulatePolygons(options.splitPolygons);
    reader.setThreads(options.threads);
    const bool loaded = reader.load(mesh, in);
    stats.splitPolygons = reader.polygonsSplit();
    stats.largestPolygon = static_cast<unsigned int>(reader.largestPolygon());
    stats.irregularFaces = reader.irregularFaces();
    std::string text = messages.str();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!loaded)
    {
        error.kind = ReadFailure::REJECTED;
        error.message = text.empty() ? "no vertex data (no line begins with 'v')" : printable(text);
        error.line = text.compare(0, 15, "Error: OBJ line") == 0 ? reader.lineRead() : 0;
        return false;
    }
    stats.warning = text;
    if (keep)
    {
        keep->verts = std::move(reader.data().verts);
        keep->tris = std::move(reader.data().tris);
    }
    return true;
}

bool readOther(meshio::Input& input, const meshio::Source& source, MeshFormat format,
               MeshData& data, const MeshReadOptions& options, MeshReadStats& stats,
               ReadError& error)
{
    switch (format)
    {
    case MeshFormat::STL_BINARY:
    case MeshFormat::STL_ASCII:
        return meshio::readStl(input, source, format == MeshFormat::STL_BINARY, options, data,
                               stats, error);
    case MeshFormat::PLY:
        return meshio::readPly(input, source, options, data, stats, error);
    case MeshFormat::OFF:
        return meshio::readOff(input, source, options, data, stats, error);
    case MeshFormat::OBJ:
        break;
    }
    return false;
}

bool cannotOpen(ReadError& error, int number)
{
    error.kind = ReadFailure::CANNOT_OPEN;
    error.message = std::string("cannot open: ") + std::strerror(number);
    return false;
}

// The bytes left in a seekable stream, or 0: a hint for reserving memory, never for
// deciding anything (a pipe of the same bytes must give the same answer).
std::uint64_t sizeHint(std::istream& in)
{
    const std::istream::pos_type start = in.tellg();
    if (start == std::istream::pos_type(-1) || !in.seekg(0, std::ios::end))
    {
        in.clear();
        return 0;
    }
    const std::istream::pos_type end = in.tellg();
    in.seekg(start);
    return end > start ? static_cast<std::uint64_t>(end - start) : 0;
}

// Reads from a file (or "-", standard input), or from a stream when in is given. Exactly
// one of mesh and keep receives the result; mesh gets nothing on failure.
bool readChecked(const std::string& path, std::istream* in, Mesh* mesh, MeshData* keep,
                 const MeshReadOptions& options, MeshReadStats& stats, ReadError& error)
{
    std::ifstream file;
    meshio::Source source;
    if (!in && path == "-")
        in = &std::cin;
    if (!in)
    {
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return cannotOpen(error, errno);
        if (S_ISDIR(st.st_mode))
            return cannotOpen(error, EISDIR);
        file.open(path, std::ios::binary);
        if (!file.is_open())
            return cannotOpen(error, errno);
        in = &file;
        // A device or a FIFO is a stream: its stat size is not its length.
        source.sizeHint = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    }
    else if (in->good())
        source.sizeHint = sizeHint(*in);

    // The format is told from the first bytes alone, the same for a file and a pipe.
    meshio::Input input(*in->rdbuf());
    const std::size_t held = in->good() ? input.fill(MESH_HEAD_BYTES + 1) : 0;
    source.whole = held <= MESH_HEAD_BYTES;
    stats.format = detectMeshFormat(std::string(input.data(), std::min(held, MESH_HEAD_BYTES)),
                                    source.whole, path);

    if (stats.format == MeshFormat::OBJ)
    {
        meshio::InputBuffer buffer(input, *in->rdbuf());
        std::istream chained(&buffer);
        if (!in->good())
            chained.setstate(std::ios::badbit);
        return loadObj(chained, mesh, keep, options, stats, error); // no mesh: nothing handed over
    }
    MeshData parsed;
    MeshData& data = keep ? *keep : parsed;
    data = MeshData();
    if (!readOther(input, source, stats.format, data, options, stats, error))
    {
        error.kind = ReadFailure::REJECTED;
        data = MeshData();
        return false;
    }
    stats.irregularFaces = meshio::splitFaces(data.verts, data.tris, data.faceRuns);
    if (mesh)
        feedMesh(data, *mesh);
    return true;
}

bool read(const std::string& path, std::istream* in, Mesh* mesh, MeshData* keep,
          const MeshReadOptions& options, MeshReadStats& stats, ReadError& error)
{
    stats = MeshReadStats();
    error = ReadError();
    try
    {
        if (!readChecked(path, in, mesh, keep, options, stats, error))
        {
            if (keep)
                *keep = MeshData();
            return false;
        }
    }
    catch (const std::bad_alloc&)
    {
        if (keep)
            *keep = MeshData();
        error = ReadError{ReadFailure::OUT_OF_MEMORY, "out of memory", 0, 0};
        return false;
    }
    if (!stats.warning.empty())
        std::cerr << stats.warning << "\n";
    return true;
}
} // namespace

const char* meshFormatName(MeshFormat format)
{
    switch (format)
    {
    case MeshFormat::OBJ:
        return "OBJ";
    case MeshFormat::STL_BINARY:
        return "binary STL";
    case MeshFormat::STL_ASCII:
        return "ASCII STL";
    case MeshFormat::PLY:
        return "PLY";
    case MeshFormat::OFF:
        return "OFF";
    }
    return "unknown";
}

MeshFormat detectMeshFormat(const std::string& head, bool whole, const std::string& name)
{
    const std::size_t start = head.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    if (head.compare(start, 4, "ply\n") == 0 || head.compare(start, 5, "ply\r\n") == 0 ||
        (whole && head.compare(start, std::string::npos, "ply") == 0))
        return MeshFormat::PLY;
    const std::string first = firstToken(head, start);
    if (meshio::offKeyword(first) != meshio::OffKeyword::NONE)
        return MeshFormat::OFF;
    const bool solid = lower(first) == "solid";
    if (solid && !holdsNul(head, whole))
        return MeshFormat::STL_ASCII;
    if (head.size() >= 84)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(head.data()) + 80;
        const std::uint64_t count = p[0] | p[1] << 8 | p[2] << 16 | std::uint64_t(p[3]) << 24;
        if ((whole && head.size() == 84 + 50 * count) || (p[3] == 0 && !startsWithWideMark(head)))
            return MeshFormat::STL_BINARY;
    }
    if (solid)
        return MeshFormat::STL_BINARY;

    const std::string ext = lowerExtension(name);
    if (ext == "stl")
        return MeshFormat::STL_BINARY;
    if (ext == "ply")
        return MeshFormat::PLY;
    if (ext == "off")
        return MeshFormat::OFF;
    return MeshFormat::OBJ;
}

bool readMeshFile(const std::string& path, MeshData& data, const MeshReadOptions& options,
                  MeshReadStats& stats, ReadError& error)
{
    return read(path, nullptr, nullptr, &data, options, stats, error);
}

bool readMeshStream(std::istream& in, const std::string& name, MeshData& data,
                    const MeshReadOptions& options, MeshReadStats& stats, ReadError& error)
{
    return read(name, &in, nullptr, &data, options, stats, error);
}

void feedMesh(const MeshData& data, Mesh& mesh)
{
    if (data.tris.empty())
        return;
    mesh.reserve(Mesh::usedPositions(data.verts.size(), data.tris), data.tris.size());
    mesh.addTriangles(data.verts, data.tris, 0, data.tris.size());
}

PositionWeld::PositionWeld(const MeshData& data, MeshFormat format, bool keepIndices,
                           unsigned int threads)
{
    mByIndex = keepIndices || format == MeshFormat::STL_BINARY || format == MeshFormat::STL_ASCII;
    // Once for both costs less than a weld each, on one thread too.
    mShared = !mByIndex && !data.tris.empty();
    if (mShared)
        mFirstEqual = firstEqualPoints(data.verts, std::min(threads, 16u));
}

void PositionWeld::feed(const MeshData& data, HalfEdgeMesh& mesh) const
{
    mesh.addIndexedTriangles(data.verts, data.tris, firstEqual());
}

bool loadMeshFile(const std::string& path, Mesh& mesh, const MeshReadOptions& options,
                  MeshReadStats& stats, ReadError& error)
{
    return read(path, nullptr, &mesh, nullptr, options, stats, error);
}

bool loadMeshStream(std::istream& in, const std::string& name, Mesh& mesh,
                    const MeshReadOptions& options, MeshReadStats& stats, ReadError& error)
{
    return read(name, &in, &mesh, nullptr, options, stats, error);
}
