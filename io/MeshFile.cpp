#include "io/MeshFile.h"

#include "Console.h"
#include "ObjIO.h"
#include "io/MeshReaders.h"
#include "io/Polygon.h"

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
// Enough of the start of a file to tell its format.
constexpr std::size_t HEAD_BYTES = 4096;

bool startsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string firstToken(const std::string& head, std::size_t from = 0)
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

// A binary STL is an 80-byte header, a triangle count and 50 bytes per triangle.
bool hasBinaryStlSize(const std::string& head, std::uint64_t size)
{
    if (size < 84 || head.size() < 84)
        return false;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(head.data()) + 80;
    const std::uint64_t count = p[0] | p[1] << 8 | p[2] << 16 | std::uint64_t(p[3]) << 24;
    return size == 84 + 50 * count;
}

// The OFF keyword and its variants whose extra columns (colours, normals, texture
// coordinates) follow the ones read.
bool isOffKeyword(const std::string& token)
{
    for (const char* k : {"OFF", "COFF", "NOFF", "CNOFF", "STOFF", "STCOFF", "STNOFF", "STCNOFF"})
        if (token == k)
            return true;
    return false;
}

// An STL that starts with "solid" is text when a facet or its end follows the name. Some
// writers use capitals.
bool looksLikeAsciiStl(const std::string& head, std::uint64_t size)
{
    const std::size_t lineEnd = head.find('\n');
    if (lineEnd == std::string::npos)
        return size == head.size(); // one line of text and nothing more
    const std::string next = lower(firstToken(head, lineEnd + 1));
    return next == "facet" || next == "endsolid" || (next.empty() && size < 84);
}

class ObjReader : public ObjIO
{
public:
    LoadData& data() { return loadData; }
    using ObjIO::irregularFaces;
};

// ObjIO's diagnostics, turned into the one line of a rejected file.
bool loadObj(std::istream& in, Mesh& mesh, MeshData* keep, const MeshReadOptions& options,
             MeshReadStats& stats, std::string& error)
{
    ObjReader reader;
    std::ostringstream messages;
    reader.setMessages(messages);
    reader.setReleaseTriangles(options.releaseTriangles && !keep);
    reader.setTriangulatePolygons(options.splitPolygons);
    const bool loaded = reader.load(&mesh, in);
    stats.splitPolygons = reader.polygonsSplit();
    stats.largestPolygon = static_cast<unsigned int>(reader.largestPolygon());
    stats.irregularFaces = reader.irregularFaces();
    std::string text = messages.str();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (!loaded)
    {
        error = text.empty() ? "no vertex data (no line begins with 'v')" : printable(text);
        return false;
    }
    if (!text.empty())
        std::cerr << text << "\n";
    if (keep)
    {
        keep->verts = std::move(reader.data().verts);
        keep->tris = std::move(reader.data().tris);
    }
    return true;
}

bool readOther(const std::string& bytes, MeshFormat format, MeshData& data,
               const MeshReadOptions& options, MeshReadStats& stats, std::string& error)
{
    switch (format)
    {
    case MeshFormat::STL_BINARY:
    case MeshFormat::STL_ASCII:
        return meshio::readStl(bytes, format == MeshFormat::STL_BINARY, data, error);
    case MeshFormat::PLY:
        return meshio::readPly(bytes, options, data, stats, error);
    case MeshFormat::OFF:
        return meshio::readOff(bytes, options, data, stats, error);
    case MeshFormat::OBJ:
        break;
    }
    return false;
}

// The rest of the stream; size, when known, saves growing the string as it fills.
std::string readAll(std::istream& in, std::uint64_t size = 0)
{
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(size));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    constexpr std::size_t BLOCK = 1 << 20;
    while (in)
    {
        const std::size_t held = bytes.size();
        bytes.resize(held + BLOCK);
        in.read(&bytes[held], BLOCK);
        bytes.resize(held + static_cast<std::size_t>(in.gcount()));
    }
    return bytes;
}

// Bytes already in memory, then the rest of a stream (if any), as one stream.
class HeadThenRest : public std::streambuf
{
public:
    HeadThenRest(std::string& head, std::streambuf* rest) : mRest(rest)
    {
        setg(head.data(), head.data(), head.data() + head.size());
    }

protected:
    int_type underflow() override
    {
        const std::streamsize n =
            mRest ? mRest->sgetn(mBlock, static_cast<std::streamsize>(sizeof mBlock)) : 0;
        if (n <= 0)
            return traits_type::eof();
        setg(mBlock, mBlock, mBlock + n);
        return traits_type::to_int_type(mBlock[0]);
    }

private:
    std::streambuf* mRest;
    char mBlock[1 << 16];
};

// Reads a pipe until its end (size is then known) or until it is longer than the binary
// STL that its first bytes announce (size is left unknown: the largest value).
void readPipeStart(std::istream& in, std::string& bytes, std::uint64_t& size)
{
    size = std::numeric_limits<std::uint64_t>::max();
    char block[1 << 16];
    while (true)
    {
        in.read(block, sizeof block);
        bytes.append(block, static_cast<std::size_t>(in.gcount()));
        if (in.gcount() < static_cast<std::streamsize>(sizeof block))
        {
            size = bytes.size();
            return;
        }
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + 80;
        if (bytes.size() > 84 + 50 * (p[0] | p[1] << 8 | p[2] << 16 | std::uint64_t(p[3]) << 24))
            return;
    }
}

// Reads from a file (or "-", standard input), or from a stream when in is given. Exactly
// one of mesh and keep receives the result; mesh gets nothing on failure.
bool read(const std::string& path, std::istream* in, Mesh* mesh, MeshData* keep,
          const MeshReadOptions& options, MeshReadStats& stats, std::string& error)
{
    stats = MeshReadStats();
    std::ifstream file;
    if (!in && path == "-")
        in = &std::cin;
    if (!in)
    {
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return error = std::string("cannot open: ") + std::strerror(errno), false;
        if (S_ISDIR(st.st_mode))
            return error = std::string("cannot open: ") + std::strerror(EISDIR), false;
        file.open(path, std::ios::binary);
        if (!file.is_open())
            return error = std::string("cannot open: ") + std::strerror(errno), false;
        in = &file;
    }

    // A file is measured and read again from its start; a pipe is read whole first.
    std::string bytes;
    std::string head;
    std::uint64_t size = 0;
    const std::istream::pos_type start = in->tellg();
    bool seekable = start != std::istream::pos_type(-1) && in->seekg(0, std::ios::end);
    if (seekable)
    {
        size = static_cast<std::uint64_t>(in->tellg() - start);
        in->seekg(start);
        head.resize(static_cast<std::size_t>(std::min<std::uint64_t>(size, HEAD_BYTES)));
        in->read(&head[0], static_cast<std::streamsize>(head.size()));
        seekable = in->gcount() == static_cast<std::streamsize>(head.size()) && in->seekg(start);
    }
    // A pipe is read to its end, or until it is longer than the binary STL its first bytes
    // announce: an OBJ stream then goes on from there in bounded memory, so an endless one
    // meets the reader's line limits.
    if (!seekable)
    {
        in->clear();
        readPipeStart(*in, bytes, size);
        in->clear();
        head = bytes.substr(0, HEAD_BYTES);
    }
    stats.format = detectMeshFormat(head, size, path);

    NoMesh noMesh;
    if (stats.format == MeshFormat::OBJ)
    {
        Mesh& target = mesh ? *mesh : noMesh;
        if (seekable)
            return loadObj(*in, target, keep, options, stats, error);
        HeadThenRest buffer(bytes, in->rdbuf()); // a pipe at its end gives no more
        std::istream chained(&buffer);
        return loadObj(chained, target, keep, options, stats, error);
    }

    if (seekable)
        bytes = readAll(*in, size);
    else
        bytes += readAll(*in); // nothing when the pipe has ended
    MeshData parsed;
    MeshData& data = keep ? *keep : parsed;
    data = MeshData();
    if (!readOther(bytes, stats.format, data, options, stats, error))
    {
        data = MeshData();
        return false;
    }
    std::string().swap(bytes);
    stats.irregularFaces = meshio::splitFaces(data.verts, data.tris, data.faceRuns);
    if (mesh)
        feedMesh(data, *mesh);
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

MeshFormat detectMeshFormat(const std::string& head, std::uint64_t size, const std::string& name)
{
    if (hasBinaryStlSize(head, size))
        return MeshFormat::STL_BINARY;
    if (startsWith(head, "ply\n") || startsWith(head, "ply\r\n"))
        return MeshFormat::PLY;
    const std::string first = firstToken(head);
    if (isOffKeyword(first))
        return MeshFormat::OFF;
    if (lower(first) == "solid")
        return looksLikeAsciiStl(head, size) ? MeshFormat::STL_ASCII : MeshFormat::STL_BINARY;

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
                  MeshReadStats& stats, std::string& error)
{
    return read(path, nullptr, nullptr, &data, options, stats, error);
}

bool readMeshStream(std::istream& in, const std::string& name, MeshData& data,
                    const MeshReadOptions& options, MeshReadStats& stats, std::string& error)
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

bool loadMeshFile(const std::string& path, Mesh& mesh, const MeshReadOptions& options,
                  MeshReadStats& stats, std::string& error)
{
    return read(path, nullptr, &mesh, nullptr, options, stats, error);
}

bool loadMeshStream(std::istream& in, const std::string& name, Mesh& mesh,
                    const MeshReadOptions& options, MeshReadStats& stats, std::string& error)
{
    return read(name, &in, &mesh, nullptr, options, stats, error);
}
