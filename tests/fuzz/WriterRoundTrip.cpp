#include "WriterRoundTrip.h"

#include "io/MeshFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

namespace
{
void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

class DiscardingBuffer : public std::streambuf
{
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

bool sameCoordinates(const Vector3<float>& a, const Vector3<float>& b, bool soup)
{
    for (unsigned int k = 0; k < 3; ++k)
    {
        const float x = a[k], y = b[k];
        if (std::memcmp(&x, &y, sizeof x) != 0 && !(soup && x == 0.0f && y == 0.0f))
            return false;
    }
    return true;
}

} // namespace

std::string roundTripDifference(const MeshData& data, WriteFormat format)
{
    std::string error;
    if (!checkWritable(data, format, error))
        return error;
    std::ostringstream out;
    writeMesh(out, data, format);
    const bool stl = format == WriteFormat::STL_BINARY || format == WriteFormat::STL_ASCII;
    std::istringstream in(out.str());
    MeshData back;
    MeshReadStats stats;
    ReadError readError;
    if (!readMeshStream(in, stl ? "x.stl" : "x.obj", back, MeshReadOptions(), stats, readError))
        return readError.message;
    if (back.tris.size() != data.tris.size() || (!stl && back.verts.size() != data.verts.size()))
        return "the counts differ";
    for (std::size_t i = 0; !stl && i < data.verts.size(); ++i)
        if (!sameCoordinates(data.verts[i], back.verts[i], false))
            return "position " + std::to_string(i) + " differs";
    for (std::size_t t = 0; t < data.tris.size(); ++t)
        for (unsigned int c = 0; c < 3; ++c)
            if ((!stl && back.tris[t][c] != data.tris[t][c]) ||
                !sameCoordinates(data.verts[data.tris[t][c]], back.verts[back.tris[t][c]], stl))
                return "triangle " + std::to_string(t) + " differs";
    return "";
}

namespace
{
void roundTrip(const MeshData& data)
{
    for (const WriteFormat format :
         {WriteFormat::OBJ, WriteFormat::STL_BINARY, WriteFormat::STL_ASCII,
          WriteFormat::PLY_BINARY, WriteFormat::PLY_ASCII, WriteFormat::OFF})
        require((format == WriteFormat::OBJ && data.verts.empty()) ||
                roundTripDifference(data, format).empty());
}

// The bytes as a mesh of their own: a position count from the first byte, then positions
// of twelve bytes (NaN and infinity become 1), then triangles of three bytes each.
MeshData rawMesh(const std::uint8_t* data, std::size_t size)
{
    MeshData mesh;
    if (size == 0)
        return mesh;
    const std::size_t count = std::min<std::size_t>(1 + data[0] % 64, (size - 1) / 12);
    std::size_t at = 1;
    for (std::size_t i = 0; i < count; ++i, at += 12)
    {
        Vector3<float> v;
        for (unsigned int k = 0; k < 3; ++k)
        {
            float x;
            std::memcpy(&x, data + at + 4 * k, sizeof x);
            v[k] = std::isfinite(x) ? x : 1.0f;
        }
        mesh.verts.push_back(v);
    }
    for (; count > 0 && at + 3 <= size; at += 3)
        mesh.tris.emplace_back(data[at] % count, data[at + 1] % count, data[at + 2] % count);
    return mesh;
}
} // namespace

void runWriterRoundTrip(const std::uint8_t* data, std::size_t size)
{
    DiscardingBuffer sink;
    std::streambuf* const err = std::cerr.rdbuf(&sink);
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool done[5] = {}; // by format read: the content picks it for most inputs
    for (const char* name : {"in.obj", "in.stl", "in.ply", "in.off"})
    {
        std::istringstream in(text);
        MeshData read;
        MeshReadOptions options;
        options.splitPolygons = true;
        MeshReadStats stats;
        ReadError error;
        if (readMeshStream(in, name, read, options, stats, error) &&
            !done[static_cast<int>(stats.format)])
            roundTrip(read);
        done[static_cast<int>(stats.format)] = true;
    }
    roundTrip(rawMesh(data, size));
    std::cerr.rdbuf(err);
}
