#include "io/MeshReaders.h"

#include "SupportCode/WeldMap.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace meshio
{
namespace
{
constexpr std::size_t HEADER = 80;
constexpr std::size_t TRIANGLE = 50; // normal, three corners, attribute word

// STL repeats every corner in each of its facets. Equal corners share one position here, as
// they would in an indexed file, welded as the meshes weld them.
class Corners
{
public:
    explicit Corners(MeshData& data) : mData(data) {}
    void reserve(std::size_t n)
    {
        mData.verts.reserve(n);
        mMap.reserve(n, [this](unsigned int i) { return mData.verts[i]; });
    }
    unsigned int add(const Vector3<float>& v)
    {
        const auto next = static_cast<unsigned int>(mData.verts.size());
        const unsigned int index =
            mMap.findOrInsert(v, next, [this](unsigned int i) { return mData.verts[i]; });
        if (index == next)
            mData.verts.push_back(v);
        return index;
    }

private:
    MeshData& mData;
    WeldMap mMap;
};

float littleEndianFloat(const unsigned char* p)
{
    const std::uint32_t bits = p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

bool readBinary(const std::string& bytes, MeshData& data, std::string& error)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::uint64_t size = bytes.size();
    if (size < HEADER + 4)
    {
        error = "Error: binary STL byte " + std::to_string(size) +
                ": the file ends inside the 84-byte header";
        return false;
    }
    const std::uint64_t count =
        p[HEADER] | p[HEADER + 1] << 8 | p[HEADER + 2] << 16 | std::uint64_t(p[HEADER + 3]) << 24;
    const std::uint64_t needed = HEADER + 4 + TRIANGLE * count;
    if (needed > size)
    {
        error = "Error: binary STL byte " + std::to_string(HEADER) + ": the header declares " +
                std::to_string(count) + " triangles, which need " + std::to_string(needed) +
                " bytes; the file has " + std::to_string(size) + " (truncated?)";
        return false;
    }
    if (3 * count > MAX_VERTICES)
    {
        error = "Error: binary STL byte " + std::to_string(HEADER) + ": too many triangles";
        return false;
    }
    Corners corners(data);
    corners.reserve(count / 2); // a closed surface has about half as many vertices as faces
    data.tris.reserve(count);
    for (std::uint64_t t = 0; t < count; ++t)
    {
        const std::uint64_t first = HEADER + 4 + TRIANGLE * t + 12; // after the normal
        unsigned int tri[3];
        for (unsigned int c = 0; c < 3; ++c)
        {
            Vector3<float> v;
            for (unsigned int k = 0; k < 3; ++k)
            {
                const std::uint64_t at = first + std::uint64_t{12} * c + std::uint64_t{4} * k;
                v[k] = littleEndianFloat(p + at);
                if (!std::isfinite(v[k]))
                {
                    error = "Error: binary STL byte " + std::to_string(at) + ": triangle " +
                            std::to_string(t + 1) + " has a coordinate that is not a finite number";
                    return false;
                }
            }
            tri[c] = corners.add(v);
        }
        data.tris.emplace_back(tri[0], tri[1], tri[2]);
    }
    return true;
}

bool keywordIs(const char* begin, const char* end, const char* word)
{
    const std::size_t n = std::strlen(word);
    if (static_cast<std::size_t>(end - begin) != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(begin[i])) != word[i])
            return false;
    return true;
}

// One block: the format is read in the order of the file.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool readAscii(const std::string& text, MeshData& data, std::string& error)
{
    LineReader lines(text);
    const char* begin = nullptr;
    const char* end = nullptr;
    auto fail = [&](const std::string& what)
    {
        error = "Error: ASCII STL line " + std::to_string(lines.line()) + ": " + what +
                (lines.lineCut() && what.find("truncated") == std::string::npos
                     ? " (the file ends in this line: truncated?)"
                     : "");
        return false;
    };
    bool inSolid = false;
    bool inFacet = false;
    bool ended = false; // an "endsolid" was read since the last "solid"
    Corners welded(data);
    Vector3<float> corner[3];
    unsigned int corners = 0;
    while (lines.next(begin, end))
    {
        const char* pos = begin;
        const char *kw, *kwEnd;
        if (!nextToken(pos, end, kw, kwEnd))
            continue;
        if (keywordIs(kw, kwEnd, "solid"))
        {
            if (inSolid)
                return fail("'solid' inside a solid");
            inSolid = true;
            ended = false;
            continue; // the rest of the line is the name
        }
        if (!inSolid)
            return fail("expected 'solid', found " + quoted(kw, kwEnd));
        if (keywordIs(kw, kwEnd, "endsolid"))
        {
            if (inFacet)
                return fail("'endsolid' inside a facet");
            inSolid = false;
            ended = true;
        }
        else if (keywordIs(kw, kwEnd, "facet"))
        {
            if (inFacet)
                return fail("'facet' inside a facet");
            inFacet = true;
            corners = 0;
        }
        else if (keywordIs(kw, kwEnd, "outer") || keywordIs(kw, kwEnd, "endloop"))
        {
            if (!inFacet)
                return fail(quoted(kw, kwEnd) + " outside a facet");
        }
        else if (keywordIs(kw, kwEnd, "vertex"))
        {
            if (!inFacet)
                return fail("'vertex' outside a facet");
            if (corners == 3)
                return fail("a facet with more than three vertices");
            for (unsigned int k = 0; k < 3; ++k)
            {
                const char *b, *e;
                if (!nextToken(pos, end, b, e))
                    return fail("a vertex needs three coordinates, found " + std::to_string(k));
                if (!parseCoordinate(b, e, corner[corners][k]))
                    return fail("bad number " + quoted(b, e) +
                                " in a vertex (coordinates must be finite decimal numbers)");
            }
            ++corners;
        }
        else if (keywordIs(kw, kwEnd, "endfacet"))
        {
            if (!inFacet)
                return fail("'endfacet' outside a facet");
            if (corners != 3)
                return fail("a facet with " + std::to_string(corners) + " vertices");
            if (data.verts.size() + 3 > MAX_VERTICES)
                return fail("too many vertices");
            const unsigned int a = welded.add(corner[0]);
            const unsigned int b = welded.add(corner[1]);
            data.tris.emplace_back(a, b, welded.add(corner[2]));
            inFacet = false;
        }
        else
            return fail("unexpected " + quoted(kw, kwEnd));
    }
    if (inSolid || !ended)
        return fail("the file ends before 'endsolid' (truncated?)");
    return true;
}
} // namespace

bool readStl(const std::string& bytes, bool binary, MeshData& data, std::string& error)
{
    const bool ok = binary ? readBinary(bytes, data, error) : readAscii(bytes, data, error);
    if (!ok)
        data = MeshData();
    return ok;
}
} // namespace meshio
