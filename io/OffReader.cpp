#include "io/MeshReaders.h"

#include <vector>

namespace meshio
{
namespace
{
// The fewest bytes a vertex ("0 0 0") and a face ("3 0 1 2") take, separators included.
constexpr std::uint64_t MIN_VERTEX_BYTES = 6;
constexpr std::uint64_t MIN_FACE_BYTES = 8;

class OffReader
{
public:
    OffReader(Input& input, const Source& source, const MeshReadOptions& options, MeshData& data,
              MeshReadStats& stats, ReadError& error)
        : mInput(input), mTokens(input, true), mSource(source), mOptions(options), mData(data),
          mStats(stats), mError(error)
    {
        input.passOverEmptyLines(true);
    }

    // One block: the format is read in the order of the file.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    bool read()
    {
        // "OFF" (or a variant with extra columns) and the counts, on one line or more; files
        // without the keyword start with the counts.
        if (mInput.fill(3) >= 3 && std::string(mInput.data(), 3) == "\xef\xbb\xbf")
            mInput.consume(3);
        if (!next([&] { return std::string("no vertex and face counts"); }))
            return false;
        std::int64_t number = 0;
        OffKeyword keyword = OffKeyword::PLAIN;
        if (!parseInteger(mBegin, mEnd, number))
        {
            keyword = offKeyword(std::string(mBegin, mEnd));
            if (keyword == OffKeyword::NONE)
                return fail("expected 'OFF' or the vertex and face counts, found " +
                            quoted(mBegin, mEnd));
            if (keyword == OffKeyword::HIGHER)
                return fail(quoted(mBegin, mEnd) +
                            " is an OFF file of more than three dimensions, which is not read");
            if (!next([&]
                      { return std::string("the file ends before the vertex and face counts"); }))
                return false;
        }
        std::int64_t numVerts = 0, numFaces = 0;
        if (!count(numVerts) ||
            !next([&] { return std::string("the file ends before the face count"); }) ||
            !count(numFaces))
            return false;
        // The edge count is unused and often left out: it is read only on the same line.
        if (!mTokens.lineDone())
        {
            std::int64_t edges = 0;
            if (!next([&] { return std::string(""); }) || !count(edges))
                return false;
        }
        if (std::uint64_t(numVerts) > MAX_VERTICES)
            return fail("too many vertices");

        // The columns after x y z (colours, normals) are not used. A file with them holds a
        // vertex per line; so does one whose first vertex line holds more than three tokens, in
        // a number three does not divide. Otherwise vertices are free-form tokens, across lines.
        mData.verts.reserve(reserveFor(std::uint64_t(numVerts), MIN_VERTEX_BYTES, mSource));
        bool perLine = keyword == OffKeyword::EXTRA;
        for (std::int64_t i = 0; i < numVerts; ++i)
        {
            Vector3<float> v;
            for (unsigned int k = 0; k < 3; ++k)
            {
                const bool lineStart = mTokens.lineDone();
                if (!next(
                        [&]
                        {
                            return std::string("the file ends after " + std::to_string(i) + " of " +
                                               std::to_string(numVerts) + " vertices (truncated?)");
                        }))
                    return false;
                if (i == 0 && k == 0 && !perLine)
                {
                    const std::size_t n = tokensLeftOnLine();
                    perLine = lineStart && n > 3 && n % 3 != 0;
                }
                if (!lineStart && k == 0 && perLine)
                    return fail("a vertex needs a line of its own here");
                if (!parseFloat(mBegin, mEnd, v[k]))
                    return fail("bad number " + quoted(mBegin, mEnd) +
                                " in a vertex (coordinates must be finite decimal numbers)");
            }
            if (perLine)
                mTokens.skipLine();
            mData.verts.push_back(v);
        }

        // A face is a count and as many indices, which may go on over lines; what follows
        // them on the line of the last (a colour) is not used.
        mData.tris.reserve(reserveFor(std::uint64_t(numFaces), MIN_FACE_BYTES, mSource));
        for (std::int64_t f = 0; f < numFaces; ++f)
        {
            if (!next(
                    [&]
                    {
                        return std::string("the file ends after " + std::to_string(f) + " of " +
                                           std::to_string(numFaces) + " faces (truncated?)");
                    }))
                return false;
            std::int64_t corners = 0;
            if (!parseInteger(mBegin, mEnd, corners) || corners < 0)
                return fail("expected a face's corner count, found " + quoted(mBegin, mEnd));
            mCorners.clear();
            for (std::int64_t c = 0; c < corners; ++c)
            {
                std::int64_t index = 0;
                if (!next(
                        [&]
                        {
                            return std::string("a face of " + std::to_string(corners) +
                                               " corners lists " + std::to_string(c) +
                                               " (truncated?)");
                        }))
                    return false;
                if (!parseInteger(mBegin, mEnd, index))
                    return fail("bad vertex index " + quoted(mBegin, mEnd));
                if (index < 0 || index >= numVerts)
                    return fail("vertex index " + std::to_string(index) + " is outside the " +
                                std::to_string(numVerts) + " vertices (they count from 0)");
                mCorners.push_back(static_cast<unsigned int>(index));
            }
            mTokens.skipLine();
            if (!addFace(mCorners.data(), mCorners.size(), mOptions, mData, mStats))
                return fail(faceRefusal(mCorners.size()));
        }
        const Tokens::Result rest = mTokens.next(mBegin, mEnd);
        if (rest == Tokens::Result::TOO_LONG)
            return fail("the line is longer than 64 MiB");
        if (rest == Tokens::Result::NO_DATA)
            return fail(NO_DATA_MESSAGE);
        if (rest == Tokens::Result::TOKEN)
            return fail("data after the last face: " + quoted(mBegin, mEnd));
        return true;
    }

private:
    bool fail(const std::string& what)
    {
        return reject(mError,
                      "Error: OFF line " + std::to_string(mInput.line()) + ": " + what +
                          (mInput.lineCut() && what.find("truncated") == std::string::npos
                               ? " (the file ends in this line: truncated?)"
                               : ""),
                      mInput.line(), 0);
    }

    // The next token; at the end, fails with the line atEnd() makes.
    template <typename Message> bool next(Message atEnd)
    {
        switch (mTokens.next(mBegin, mEnd))
        {
        case Tokens::Result::TOKEN:
            return true;
        case Tokens::Result::END:
            return fail(atEnd());
        case Tokens::Result::TOO_LONG:
            break;
        case Tokens::Result::NO_DATA:
            return fail(NO_DATA_MESSAGE);
        }
        return fail("the line is longer than 64 MiB");
    }

    bool count(std::int64_t& out)
    {
        if (parseInteger(mBegin, mEnd, out) && out >= 0)
            return true;
        return fail("expected the vertex and face counts, found " + quoted(mBegin, mEnd));
    }

    // Tokens from the one just read to the end of its line (or a comment), it included.
    std::size_t tokensLeftOnLine() const
    {
        std::size_t n = 1;
        const char* pos = mEnd;
        const char* end = mTokens.lineEnd();
        const char *b, *e;
        while (nextToken(pos, end, b, e) && *b != '#')
            ++n;
        return n;
    }

    Input& mInput;
    Tokens mTokens;
    const Source& mSource;
    const MeshReadOptions& mOptions;
    MeshData& mData;
    MeshReadStats& mStats;
    ReadError& mError;
    const char* mBegin = nullptr;
    const char* mEnd = nullptr;
    std::vector<unsigned int> mCorners;
};
} // namespace

bool readOff(Input& input, const Source& source, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, ReadError& error)
{
    return OffReader(input, source, options, data, stats, error).read();
}
} // namespace meshio
