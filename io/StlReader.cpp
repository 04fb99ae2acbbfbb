#include "io/MeshReaders.h"

#include "SupportCode/WeldMap.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace meshio
{
namespace
{
constexpr std::size_t HEADER = 80;
constexpr std::size_t TRIANGLE = 50; // normal, three corners, attribute word
// How far past its declared end a binary STL is read to name its size.
constexpr std::uint64_t LOOK_PAST = std::uint64_t(1) << 20;

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
    [[gnu::always_inline]] void prefetch(const Vector3<float>& v) const { mMap.prefetch(v); }
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

// A stored normal that points against the winding of the corners; a zero normal does not.
bool normalDisagrees(const float* n, const Vector3<float>* c)
{
    const double e1[3] = {double(c[1][0]) - c[0][0], double(c[1][1]) - c[0][1],
                          double(c[1][2]) - c[0][2]};
    const double e2[3] = {double(c[2][0]) - c[0][0], double(c[2][1]) - c[0][1],
                          double(c[2][2]) - c[0][2]};
    const double cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
    return n[0] * cross[0] + n[1] * cross[1] + n[2] * cross[2] < 0;
}

// The one line of a binary STL whose size disagrees with its count. Past the declared
// size, up to LOOK_PAST more is counted to name the size; beyond that, "more than".
bool sizeMismatch(Input& input, std::uint64_t count, std::uint64_t size, bool exact,
                  ReadError& error)
{
    const std::uint64_t needed = HEADER + 4 + TRIANGLE * count;
    std::string has;
    if (!exact)
    {
        std::uint64_t extra = 0;
        while (has.empty() && input.fill(1) > 0)
        {
            if (extra > LOOK_PAST)
                has = "more than " + std::to_string(size + LOOK_PAST);
            extra += input.held();
            input.consume(input.held());
        }
        size += extra;
    }
    if (has.empty())
        has = std::to_string(size) + (size < needed ? " (truncated?)" : "");
    return reject(error,
                  "Error: binary STL: the header declares " + std::to_string(count) +
                      " triangles, which take " + std::to_string(needed) + " bytes; the file has " +
                      has,
                  0, HEADER);
}

// A binary STL on two threads at once, chunk by chunk: this thread reads, decodes and checks
// the records of a chunk while a helper welds the corners of the chunk before, in file order,
// as the one-thread reader welds them (welding takes about as long as the rest). The result
// is the one-thread reader's.
class PipelinedStl
{
public:
    PipelinedStl(Input& input, MeshData& data, MeshReadStats& stats, ReadError& error)
        : mInput(input), mData(data), mStats(stats), mError(error), mCorners(data)
    {
    }

    bool read(std::uint64_t count, std::size_t reserve)
    {
        // A closed surface has about half as many vertices as faces.
        mCorners.reserve(reserve / 2);
        mData.tris.reserve(reserve);
        Crew crew(2);
        std::vector<Vector3<float>> chunks[2]; // decoded, and being welded
        std::size_t welding = 0;               // triangles in chunks[1]
        bool decoded = true, ended = false;
        for (std::uint64_t done = 0; done < count || welding > 0;)
        {
            std::size_t n = 0;
            crew.run(
                [&](unsigned int share)
                {
                    if (share == 0)
                        return weld(chunks[1], welding);
                    if (done == count)
                        return;
                    const auto want = static_cast<std::size_t>(
                        std::min<std::uint64_t>(chunkRecords(), count - done));
                    n = std::min(want, mInput.fill(want * TRIANGLE) / TRIANGLE);
                    ended = n == 0;
                    chunks[0].resize(3 * n);
                    decoded = decode(chunks[0], n, done);
                });
            if (ended)
                return sizeMismatch(mInput, count, mInput.offset() + mInput.held(), true, mError);
            if (!decoded)
                return false;
            mInput.consume(n * TRIANGLE);
            done += n;
            welding = n;
            std::swap(chunks[0], chunks[1]);
        }
        return true;
    }

private:
    // Decodes the chunk's records into their corners; false at the first fault.
    bool decode(std::vector<Vector3<float>>& corners, std::size_t n, std::uint64_t done)
    {
        const auto* p = reinterpret_cast<const unsigned char*>(mInput.data());
        for (std::size_t t = 0; t < n; ++t, p += TRIANGLE)
        {
            float normal[3];
            for (unsigned int k = 0; k < 3; ++k)
                normal[k] = littleEndianFloat(p + std::size_t{4} * k);
            Vector3<float>* v = &corners[3 * t];
            for (unsigned int c = 0; c < 3; ++c)
                for (unsigned int k = 0; k < 3; ++k)
                {
                    const std::size_t at = 12 + std::size_t{12} * c + std::size_t{4} * k;
                    v[c][k] = littleEndianFloat(p + at);
                    if (!std::isfinite(v[c][k]))
                    {
                        const std::uint64_t byte = mInput.offset() + t * TRIANGLE + at;
                        return reject(mError,
                                      "Error: binary STL byte " + std::to_string(byte) +
                                          ": triangle " + std::to_string(done + t + 1) +
                                          " has a coordinate that is not a finite number",
                                      0, byte);
                    }
                }
            mStats.stlNormalsDisagreeing += normalDisagrees(normal, v);
        }
        return true;
    }

    void weld(const std::vector<Vector3<float>>& corners, std::size_t n)
    {
        // The corners are known ahead: their table slots can be loaded ahead too.
        constexpr std::size_t AHEAD = 6;
        for (std::size_t t = 0; t < n; ++t)
        {
            if (t + AHEAD < n)
                for (unsigned int c = 0; c < 3; ++c)
                    mCorners.prefetch(corners[3 * (t + AHEAD) + c]);
            const unsigned int a = mCorners.add(corners[3 * t]);
            const unsigned int b = mCorners.add(corners[3 * t + 1]);
            mData.tris.emplace_back(a, b, mCorners.add(corners[3 * t + 2]));
        }
    }

    Input& mInput;
    MeshData& mData;
    MeshReadStats& mStats;
    ReadError& mError;
    Corners mCorners;
};

// The records on one thread.
bool readRecords(Input& input, const Source& source, std::uint64_t count, MeshData& data,
                 MeshReadStats& stats, ReadError& error)
{
    Corners corners(data);
    // A closed surface has about half as many vertices as faces.
    corners.reserve(reserveFor(count, TRIANGLE, source) / 2);
    data.tris.reserve(reserveFor(count, TRIANGLE, source));
    for (std::uint64_t t = 0; t < count; ++t)
    {
        if (input.fill(TRIANGLE) < TRIANGLE)
            return sizeMismatch(input, count, input.offset() + input.held(), true, error);
        const auto* p = reinterpret_cast<const unsigned char*>(input.data());
        float normal[3];
        for (unsigned int k = 0; k < 3; ++k)
            normal[k] = littleEndianFloat(p + std::size_t{4} * k);
        Vector3<float> v[3];
        unsigned int tri[3];
        for (unsigned int c = 0; c < 3; ++c)
        {
            for (unsigned int k = 0; k < 3; ++k)
            {
                const std::uint64_t at = 12 + std::uint64_t{12} * c + std::uint64_t{4} * k;
                v[c][k] = littleEndianFloat(p + at);
                if (!std::isfinite(v[c][k]))
                    return reject(error,
                                  "Error: binary STL byte " + std::to_string(input.offset() + at) +
                                      ": triangle " + std::to_string(t + 1) +
                                      " has a coordinate that is not a finite number",
                                  0, input.offset() + at);
            }
            tri[c] = corners.add(v[c]);
        }
        stats.stlNormalsDisagreeing += normalDisagrees(normal, v);
        data.tris.emplace_back(tri[0], tri[1], tri[2]);
        input.consume(TRIANGLE);
    }
    return true;
}

bool readBinary(Input& input, const Source& source, unsigned int threads, MeshData& data,
                MeshReadStats& stats, ReadError& error)
{
    const std::size_t held = input.fill(HEADER + 4);
    if (held < HEADER + 4)
        return reject(error,
                      "Error: binary STL byte " + std::to_string(held) +
                          ": the file ends inside the 84-byte header",
                      0, held);
    const auto* p = reinterpret_cast<const unsigned char*>(input.data());
    const std::uint64_t count =
        p[HEADER] | p[HEADER + 1] << 8 | p[HEADER + 2] << 16 | std::uint64_t(p[HEADER + 3]) << 24;
    const std::uint64_t needed = HEADER + 4 + TRIANGLE * count;
    // An input held whole is judged by its size before any record is looked at.
    if (source.whole && needed != input.held())
        return sizeMismatch(input, count, input.held(), true, error);
    if (3 * count > MAX_VERTICES)
        return reject(error, "Error: binary STL byte 80: too many triangles", 0, HEADER);
    input.consume(HEADER + 4);
    if (threads > 1 ? !PipelinedStl(input, data, stats, error)
                           .read(count, reserveFor(count, TRIANGLE, source))
                    : !readRecords(input, source, count, data, stats, error))
        return false;
    if (!input.atEnd())
        return sizeMismatch(input, count, needed, false, error);
    return true;
}

bool keywordIsLower(const char* begin, const char* end, const char* word)
{
    const std::size_t n = std::strlen(word);
    if (static_cast<std::size_t>(end - begin) != n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(begin[i])) != word[i])
            return false;
    return true;
}

// "solid" and "endsolid" lines carry a name of any length, of no use: such a line may be
// passed over.
bool keepLine(const char* begin, const char* end)
{
    const char* pos = begin;
    const char *b, *e;
    if (!nextToken(pos, end, b, e))
        return true;
    return !keywordIsLower(b, e, "solid") && !keywordIsLower(b, e, "endsolid");
}

bool onlyNuls(const char* begin, const char* end)
{
    for (; begin < end; ++begin)
        if (*begin != '\0' && !isBlank(*begin))
            return false;
    return true;
}

// One block: the format is read in the order of the file.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool readAscii(Input& input, const Source& source, MeshData& data, MeshReadStats& stats,
               ReadError& error)
{
    if (input.fill(3) >= 3 && std::memcmp(input.data(), "\xef\xbb\xbf", 3) == 0)
        input.consume(3);
    input.passOverEmptyLines(false);
    const char* begin = nullptr;
    const char* end = nullptr;
    auto fail = [&](const std::string& what)
    {
        return reject(error,
                      "Error: ASCII STL line " + std::to_string(input.line()) + ": " + what +
                          (input.lineCut() && what.find("truncated") == std::string::npos
                               ? " (the file ends in this line: truncated?)"
                               : ""),
                      input.line(), 0);
    };
    bool inSolid = false;
    bool inFacet = false;
    bool ended = false; // an "endsolid" was read since the last "solid"
    Corners welded(data);
    Vector3<float> corner[3];
    float normal[3] = {0, 0, 0};
    unsigned int corners = 0;
    welded.reserve(reserveFor(std::uint64_t(1) << 30, 512, source));
    while (true)
    {
        const Input::Line got = input.nextLine(begin, end, keepLine);
        if (got == Input::Line::END)
            break;
        if (got == Input::Line::TOO_LONG)
            return fail("the line is longer than 64 MiB");
        if (got == Input::Line::TOO_LONG_SKIPPED)
            return fail("the line is longer than 1 GiB");
        if (got == Input::Line::NO_DATA)
            return fail(NO_DATA_MESSAGE);
        const char* pos = begin;
        const char *kw, *kwEnd;
        if (!nextToken(pos, end, kw, kwEnd))
            continue;
        if (keywordIsLower(kw, kwEnd, "solid"))
        {
            if (inSolid)
                return fail("'solid' inside a solid");
            inSolid = true;
            ended = false;
            continue; // the rest of the line is the name
        }
        if (!inSolid)
        {
            // Padding that some writers leave at the end.
            if (ended && onlyNuls(begin, end) && input.lineCut())
                break;
            return fail("expected 'solid', found " + quoted(kw, kwEnd));
        }
        if (keywordIsLower(kw, kwEnd, "endsolid"))
        {
            if (inFacet)
                return fail("'endsolid' inside a facet");
            inSolid = false;
            ended = true;
        }
        else if (keywordIsLower(kw, kwEnd, "facet"))
        {
            if (inFacet)
                return fail("'facet' inside a facet");
            inFacet = true;
            corners = 0;
            // "normal x y z": kept for the winding check when it reads as three numbers.
            const char *b, *e;
            normal[0] = normal[1] = normal[2] = 0.0f;
            if (nextToken(pos, end, b, e) && keywordIsLower(b, e, "normal"))
                for (float& n : normal)
                    if (!nextToken(pos, end, b, e) || !parseFloat(b, e, n))
                    {
                        normal[0] = normal[1] = normal[2] = 0.0f;
                        break;
                    }
        }
        else if (keywordIsLower(kw, kwEnd, "outer") || keywordIsLower(kw, kwEnd, "endloop"))
        {
            if (!inFacet)
                return fail(quoted(kw, kwEnd) + " outside a facet");
        }
        else if (keywordIsLower(kw, kwEnd, "vertex"))
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
                if (!parseFloat(b, e, corner[corners][k]))
                    return fail("bad number " + quoted(b, e) +
                                " in a vertex (coordinates must be finite decimal numbers)");
            }
            ++corners;
        }
        else if (keywordIsLower(kw, kwEnd, "endfacet"))
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
            stats.stlNormalsDisagreeing += normalDisagrees(normal, corner);
            inFacet = false;
        }
        else
            return fail("unexpected " + quoted(kw, kwEnd));
    }
    if (inFacet || (!inSolid && !ended))
        return fail("the file ends before 'endsolid' (truncated?)");
    if (inSolid)
        stats.warning = "Warning: ASCII STL: the file ends without 'endsolid'";
    return true;
}
} // namespace

bool readStl(Input& input, const Source& source, bool binary, const MeshReadOptions& options,
             MeshData& data, MeshReadStats& stats, ReadError& error)
{
    return binary ? readBinary(input, source, options.threads, data, stats, error)
                  : readAscii(input, source, data, stats, error);
}
} // namespace meshio
