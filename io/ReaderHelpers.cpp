#include "Console.h"
#include "io/MeshReaders.h"
#include "io/Polygon.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace meshio
{
bool addFace(const unsigned int* corners, std::size_t count, const MeshReadOptions& options,
             MeshData& data, MeshReadStats& stats)
{
    if (count < 3 || (count > 4 && !options.splitPolygons))
        return false;
    const std::size_t first = data.tris.size();
    if (count == 3)
        data.tris.emplace_back(corners[0], corners[1], corners[2]);
    else if (count == 4)
    {
        data.tris.emplace_back(corners[0], corners[1], corners[3]);
        data.tris.emplace_back(corners[1], corners[2], corners[3]);
    }
    else
    {
        for (std::size_t i = 1; i + 1 < count; ++i)
            data.tris.emplace_back(corners[0], corners[i], corners[i + 1]);
        ++stats.splitPolygons;
        if (count > stats.largestPolygon)
            stats.largestPolygon = static_cast<unsigned int>(
                std::min<std::size_t>(count, std::numeric_limits<unsigned int>::max()));
    }
    if (count > 3)
        markFace(data.faceRuns, first, data.tris.size());
    return true;
}

std::string faceRefusal(std::size_t count)
{
    if (count < 3)
        return "a face with " + std::to_string(count) + " corners (at least three are needed)";
    return "a face with " + std::to_string(count) +
           " corners (faces of more than four corners are split only on request)";
}

bool parseCoordinate(const char* begin, const char* end, float& out)
{
    if (begin < end && *begin == '+')
        ++begin;
    double value = 0.0;
    const std::from_chars_result r = std::from_chars(begin, end, value);
    if (begin == end || r.ptr != end || r.ec != std::errc() || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max())
        return false;
    out = static_cast<float>(value);
    return true;
}

bool parseInteger(const char* begin, const char* end, std::int64_t& out)
{
    if (begin < end && *begin == '+')
        ++begin;
    const std::from_chars_result r = std::from_chars(begin, end, out);
    return begin != end && r.ptr == end && r.ec == std::errc();
}

bool LineReader::next(const char*& begin, const char*& end)
{
    if (mPos >= mEnd)
        return false;
    const void* found = std::memchr(mPos, '\n', static_cast<std::size_t>(mEnd - mPos));
    begin = mPos;
    end = found ? static_cast<const char*>(found) : mEnd;
    mPos = found ? end + 1 : mEnd;
    mCut = !found;
    ++mLine;
    return true;
}

bool nextToken(const char*& pos, const char* end, const char*& tokenBegin, const char*& tokenEnd)
{
    while (pos < end && isBlank(*pos))
        ++pos;
    if (pos == end)
        return false;
    tokenBegin = pos;
    while (pos < end && !isBlank(*pos))
        ++pos;
    tokenEnd = pos;
    return true;
}

std::string quoted(const char* begin, const char* end)
{
    return "'" + printable(std::string(begin, end), 40) + "'";
}
} // namespace meshio
