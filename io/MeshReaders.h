#pragma once

#include "MeshFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The readers behind loadMeshFile, each over the whole file in memory. Each fills data from
// empty and returns true, or returns false with one line in error and data left empty.
namespace meshio
{
bool readStl(const std::string& bytes, bool binary, MeshData& data, std::string& error);
bool readPly(const std::string& bytes, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, std::string& error);
bool readOff(const std::string& bytes, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, std::string& error);

// Vertex indices stay below the half-edge mesh's two sentinels.
constexpr std::uint64_t MAX_VERTICES = 0xFFFFFFFFull - 2;

// Appends the triangles of a face whose corners are already checked: a quad a b c d as
// a b d and b c d (as ObjIO cuts it), a larger face as a fan from its first corner when
// options allow. False for fewer than three corners or an unsplit larger face.
bool addFace(const unsigned int* corners, std::size_t count, const MeshReadOptions& options,
             MeshData& data, MeshReadStats& stats);
// Why addFace refused a face of this many corners.
std::string faceRefusal(std::size_t count);

// A whole token as a finite number; "nan", "inf" and values beyond a float are refused.
bool parseCoordinate(const char* begin, const char* end, float& out);
// A whole token as a decimal integer.
bool parseInteger(const char* begin, const char* end, std::int64_t& out);

// The white space between tokens of the text formats, carriage return included.
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Steps through text line by line, counting lines from 1.
class LineReader
{
public:
    explicit LineReader(const std::string& text, std::size_t start = 0)
        : mBegin(text.data()), mPos(text.data() + start), mEnd(text.data() + text.size())
    {
    }
    // The next line without its line feed; false at the end of the text.
    bool next(const char*& begin, const char*& end);
    unsigned long line() const { return mLine; }
    std::size_t offset() const { return static_cast<std::size_t>(mPos - mBegin); }
    std::size_t remaining() const { return static_cast<std::size_t>(mEnd - mPos); }
    // The line read last is the end of the text, cut off before its line feed.
    bool lineCut() const { return mCut; }

private:
    const char* mBegin;
    const char* mPos;
    const char* mEnd;
    unsigned long mLine = 0;
    bool mCut = false;
};

// The next blank-separated token of [pos, end): false when there is none.
bool nextToken(const char*& pos, const char* end, const char*& tokenBegin, const char*& tokenEnd);

// A token for a message: quoted, cut short, bytes that would not show as themselves escaped.
std::string quoted(const char* begin, const char* end);
} // namespace meshio
