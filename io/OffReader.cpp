#include "io/MeshReaders.h"

#include <vector>

namespace meshio
{
namespace
{
// The shortest lines a vertex ("0 0 0") and a face ("3 0 1 2") can take, line feed included.
constexpr std::uint64_t MIN_VERTEX_LINE = 6;
constexpr std::uint64_t MIN_FACE_LINE = 8;

// The next line that holds more than blanks and a comment, cut before the comment.
bool nextContentLine(LineReader& lines, const char*& begin, const char*& end)
{
    while (lines.next(begin, end))
    {
        for (const char* p = begin; p < end; ++p)
            if (*p == '#')
            {
                end = p;
                break;
            }
        const char* pos = begin;
        const char *b, *e;
        if (nextToken(pos, end, b, e))
            return true;
    }
    return false;
}

bool readCount(const char*& pos, const char* end, std::int64_t& out)
{
    const char *b, *e;
    return nextToken(pos, end, b, e) && parseInteger(b, e, out) && out >= 0;
}
} // namespace

// One block: the format is read in the order of the file.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool readOff(const std::string& bytes, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, std::string& error)
{
    LineReader lines(bytes);
    const char* begin = nullptr;
    const char* end = nullptr;
    auto fail = [&](const std::string& what)
    {
        error = "Error: OFF line " + std::to_string(lines.line()) + ": " + what +
                (lines.lineCut() && what.find("truncated") == std::string::npos
                     ? " (the file ends in this line: truncated?)"
                     : "");
        data = MeshData();
        return false;
    };

    // "OFF" (or a variant with extra columns) and the counts, on one line or two; files
    // without the keyword start with the counts.
    if (!nextContentLine(lines, begin, end))
        return fail("no vertex and face counts");
    const char* pos = begin;
    const char *kw, *kwEnd;
    nextToken(pos, end, kw, kwEnd);
    std::int64_t number = 0;
    if (!parseInteger(kw, kwEnd, number))
    {
        if (kwEnd - kw < 3 || std::string(kwEnd - 3, kwEnd) != "OFF")
            return fail("expected 'OFF' or the vertex and face counts, found " + quoted(kw, kwEnd));
        const char* rest = pos;
        const char *b, *e;
        if (!nextToken(rest, end, b, e))
        {
            if (!nextContentLine(lines, begin, end))
                return fail("the file ends before the vertex and face counts");
            pos = begin;
        }
    }
    else
        pos = begin;
    std::int64_t numVerts = 0, numFaces = 0, numEdges = 0;
    if (!readCount(pos, end, numVerts) || !readCount(pos, end, numFaces))
        return fail("expected the vertex and face counts, found " + quoted(begin, end));
    readCount(pos, end, numEdges); // unused, and often left out

    const std::uint64_t need =
        MIN_VERTEX_LINE * std::uint64_t(numVerts) + MIN_FACE_LINE * std::uint64_t(numFaces);
    if (std::uint64_t(numVerts) > MAX_VERTICES || std::uint64_t(numFaces) > bytes.size() ||
        need > lines.remaining() + 2)
        return fail(std::to_string(numVerts) + " vertices and " + std::to_string(numFaces) +
                    " faces do not fit in the " + std::to_string(lines.remaining()) +
                    " bytes that follow (truncated?)");

    data.verts.reserve(static_cast<std::size_t>(numVerts));
    for (std::int64_t i = 0; i < numVerts; ++i)
    {
        if (!nextContentLine(lines, begin, end))
            return fail("the file ends after " + std::to_string(i) + " of " +
                        std::to_string(numVerts) + " vertices (truncated?)");
        Vector3<float> v;
        pos = begin;
        for (unsigned int k = 0; k < 3; ++k)
        {
            const char *b, *e;
            if (!nextToken(pos, end, b, e))
                return fail("a vertex needs three coordinates, found " + std::to_string(k));
            if (!parseCoordinate(b, e, v[k]))
                return fail("bad number " + quoted(b, e) +
                            " in a vertex (coordinates must be finite decimal numbers)");
        }
        data.verts.push_back(v); // further columns (colour, normal) are not used
    }

    data.tris.reserve(static_cast<std::size_t>(numFaces));
    std::vector<unsigned int> corners;
    for (std::int64_t f = 0; f < numFaces; ++f)
    {
        if (!nextContentLine(lines, begin, end))
            return fail("the file ends after " + std::to_string(f) + " of " +
                        std::to_string(numFaces) + " faces (truncated?)");
        pos = begin;
        std::int64_t count = 0;
        if (!readCount(pos, end, count))
            return fail("expected a face's corner count, found " + quoted(begin, end));
        corners.clear();
        for (std::int64_t c = 0; c < count; ++c)
        {
            const char *b, *e;
            std::int64_t index = 0;
            if (!nextToken(pos, end, b, e))
                return fail("a face of " + std::to_string(count) + " corners lists " +
                            std::to_string(c));
            if (!parseInteger(b, e, index))
                return fail("bad vertex index " + quoted(b, e));
            if (index < 0 || index >= numVerts)
                return fail("vertex index " + std::to_string(index) + " is outside the " +
                            std::to_string(numVerts) + " vertices (they count from 0)");
            corners.push_back(static_cast<unsigned int>(index));
        }
        // Anything after the corners (a colour) is not used.
        if (!addFace(corners.data(), corners.size(), options, data, stats))
            return fail(faceRefusal(corners.size()));
    }
    return true;
}
} // namespace meshio
