#include "Console.h"
#include "io/MeshReaders.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace meshio
{
namespace
{
enum class Type
{
    INT8,
    UINT8,
    INT16,
    UINT16,
    INT32,
    UINT32,
    FLOAT32,
    FLOAT64
};

bool typeNamed(const std::string& name, Type& type)
{
    static const struct
    {
        const char* name;
        Type type;
    } TYPES[] = {{"char", Type::INT8},      {"int8", Type::INT8},       {"uchar", Type::UINT8},
                 {"uint8", Type::UINT8},    {"short", Type::INT16},     {"int16", Type::INT16},
                 {"ushort", Type::UINT16},  {"uint16", Type::UINT16},   {"int", Type::INT32},
                 {"int32", Type::INT32},    {"uint", Type::UINT32},     {"uint32", Type::UINT32},
                 {"float", Type::FLOAT32},  {"float32", Type::FLOAT32}, {"double", Type::FLOAT64},
                 {"float64", Type::FLOAT64}};
    for (const auto& t : TYPES)
        if (name == t.name)
        {
            type = t.type;
            return true;
        }
    return false;
}

std::size_t sizeOf(Type type)
{
    switch (type)
    {
    case Type::INT8:
    case Type::UINT8:
        return 1;
    case Type::INT16:
    case Type::UINT16:
        return 2;
    case Type::INT32:
    case Type::UINT32:
    case Type::FLOAT32:
        return 4;
    case Type::FLOAT64:
        return 8;
    }
    return 0;
}

bool isInteger(Type type)
{
    return type != Type::FLOAT32 && type != Type::FLOAT64;
}

struct Property
{
    std::string name;
    bool isList = false;
    Type countType = Type::UINT8; // lists only
    Type type = Type::FLOAT32;    // of the value, or of each list item
};

struct Element
{
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
};

enum class Encoding
{
    ASCII,
    LITTLE,
    BIG
};

// One value at a time from the body, binary or text, with the position for messages.
class Body
{
public:
    Body(const std::string& bytes, std::size_t start, Encoding encoding, unsigned long line)
        : mData(bytes.data()), mPos(start), mSize(bytes.size()), mEncoding(encoding), mLine(line)
    {
    }

    // Where the next value starts, cheap to take; text only when a message needs it.
    struct Mark
    {
        std::size_t pos;
        unsigned long line;
    };
    Mark mark() const { return Mark{mPos, mLine}; }
    std::string position(Mark m) const
    {
        return mEncoding == Encoding::ASCII ? "line " + std::to_string(m.line)
                                            : "byte " + std::to_string(m.pos);
    }
    std::string position() const { return position(mark()); }
    std::size_t remaining() const { return mSize - mPos; }

    // A value as a double (exact for every integer type). False at the end of the data or
    // for a token that is not a number of the type; why says which.
    bool read(Type type, double& out, std::string& why)
    {
        if (mEncoding == Encoding::ASCII)
            return readText(type, out, why);
        const std::size_t n = sizeOf(type);
        if (n > remaining())
        {
            why = "the file ends inside the data (truncated?)";
            return false;
        }
        unsigned char b[8];
        std::memcpy(b, mData + mPos, n);
        if (mEncoding == Encoding::BIG)
            for (std::size_t i = 0; i < n / 2; ++i)
                std::swap(b[i], b[n - 1 - i]);
        mPos += n;
        out = decode(type, b);
        return true;
    }

private:
    static double decode(Type type, const unsigned char* b)
    {
        auto unsignedOf = [b](std::size_t n)
        {
            std::uint64_t u = 0;
            for (std::size_t i = n; i-- > 0;)
                u = u << 8 | b[i];
            return u;
        };
        switch (type)
        {
        case Type::INT8:
            return static_cast<std::int8_t>(b[0]);
        case Type::UINT8:
            return b[0];
        case Type::INT16:
            return static_cast<std::int16_t>(unsignedOf(2));
        case Type::UINT16:
            return static_cast<double>(unsignedOf(2));
        case Type::INT32:
            return static_cast<std::int32_t>(unsignedOf(4));
        case Type::UINT32:
            return static_cast<double>(unsignedOf(4));
        case Type::FLOAT32:
        {
            const auto u = static_cast<std::uint32_t>(unsignedOf(4));
            float f;
            std::memcpy(&f, &u, sizeof f);
            return f;
        }
        case Type::FLOAT64:
        {
            const std::uint64_t u = unsignedOf(8);
            double d;
            std::memcpy(&d, &u, sizeof d);
            return d;
        }
        }
        return 0.0;
    }

    bool readText(Type type, double& out, std::string& why)
    {
        const char* pos = mData + mPos;
        const char* end = mData + mSize;
        while (pos < end && (isBlank(*pos) || *pos == '\n'))
            mLine += *pos++ == '\n';
        mPos = static_cast<std::size_t>(pos - mData);
        const char *b, *e;
        if (!nextToken(pos, end, b, e))
        {
            why = "the file ends inside the data (truncated?)";
            return false;
        }
        // A line feed ends a token too.
        const char* lf = static_cast<const char*>(std::memchr(b, '\n', std::size_t(e - b)));
        if (lf)
            e = lf;
        mPos = static_cast<std::size_t>(e - mData);
        if (isInteger(type))
        {
            std::int64_t i = 0;
            if (!parseInteger(b, e, i))
                return why = "bad integer " + quoted(b, e), false;
            out = static_cast<double>(i);
            return true;
        }
        if (b < e && *b == '+')
            ++b;
        const std::from_chars_result r = std::from_chars(b, e, out);
        if (b == e || r.ptr != e || r.ec != std::errc())
            return why = "bad number " + quoted(b, e), false;
        return true;
    }

    const char* mData;
    std::size_t mPos;
    std::size_t mSize;
    Encoding mEncoding;
    unsigned long mLine;
};

// The smallest a row can take: its fixed values and list counts, or in text two bytes for
// each (a digit and a separator).
std::uint64_t smallestRow(const Element& element, Encoding encoding)
{
    std::uint64_t bytes = 0;
    for (const Property& p : element.properties)
        bytes += encoding == Encoding::ASCII ? 2 : sizeOf(p.isList ? p.countType : p.type);
    return bytes;
}

class PlyReader
{
public:
    PlyReader(const std::string& bytes, const MeshReadOptions& options, MeshData& data,
              MeshReadStats& stats, std::string& error)
        : mBytes(bytes), mOptions(options), mData(data), mStats(stats), mError(error)
    {
    }

    bool read()
    {
        if (!readHeader())
            return false;
        Body body(mBytes, mBodyStart, mEncoding, mHeaderLines + 1);

        // Every declared row must fit in what is left, before anything is allocated. Text
        // may end without a separator after its last value.
        const std::uint64_t available = body.remaining() + (mEncoding == Encoding::ASCII);
        std::uint64_t least = 0;
        for (const Element& e : mElements)
        {
            const std::uint64_t row = smallestRow(e, mEncoding);
            if (row > 0 && e.count > available / row)
                return failAt(body, "the header declares " + std::to_string(e.count) + " '" +
                                        printable(e.name) + "' rows, more than the " +
                                        std::to_string(body.remaining()) +
                                        " bytes of data can hold (truncated?)");
            least += row * e.count;
        }
        if (least > available)
            return failAt(body, "the declared rows need at least " + std::to_string(least) +
                                    " bytes; the data has " + std::to_string(body.remaining()) +
                                    " (truncated?)");

        for (const Element& e : mElements)
            if (!readElement(body, e))
                return false;
        return true;
    }

private:
    bool fail(const std::string& position, const std::string& what)
    {
        mError = "Error: PLY " + position + ": " + what;
        return false;
    }
    bool failAt(const Body& body, const std::string& what) { return fail(body.position(), what); }

    // One block: the header is read in the order of the file.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    bool readHeader()
    {
        LineReader lines(mBytes);
        const char *begin, *end;
        lines.next(begin, end); // "ply", checked by the format detection
        bool formatSeen = false;
        auto failLine = [&](const std::string& what)
        { return fail("line " + std::to_string(lines.line()), what); };
        while (true)
        {
            if (!lines.next(begin, end))
                return failLine("the file ends before 'end_header'");
            std::vector<std::string> words;
            const char* pos = begin;
            const char *b, *e;
            while (nextToken(pos, end, b, e))
                words.emplace_back(b, e);
            const std::string kw = words.empty() ? "" : words[0];
            if (kw == "comment" || kw == "obj_info" || words.empty())
                continue;
            if (kw == "end_header")
                break;
            if (kw == "format")
            {
                const std::string name = words.size() > 1 ? words[1] : "";
                if (name == "ascii")
                    mEncoding = Encoding::ASCII;
                else if (name == "binary_little_endian")
                    mEncoding = Encoding::LITTLE;
                else if (name == "binary_big_endian")
                    mEncoding = Encoding::BIG;
                else
                    return failLine("unknown format " + quoted(begin, end));
                formatSeen = true;
            }
            else if (kw == "element")
            {
                std::int64_t count = 0;
                if (words.size() != 3 ||
                    !parseInteger(words[2].data(), words[2].data() + words[2].size(), count) ||
                    count < 0)
                    return failLine("expected 'element NAME COUNT', found " + quoted(begin, end));
                mElements.push_back(Element{words[1], std::uint64_t(count), {}});
            }
            else if (kw == "property")
            {
                if (mElements.empty())
                    return failLine("a property before any element");
                Property p;
                const bool ok = words.size() == 5 && words[1] == "list"
                                    ? typeNamed(words[2], p.countType) && isInteger(p.countType) &&
                                          typeNamed(words[3], p.type)
                                    : words.size() == 3 && typeNamed(words[1], p.type);
                if (!ok)
                    return failLine("expected 'property TYPE NAME' or 'property list "
                                    "INTEGER-TYPE TYPE NAME', found " +
                                    quoted(begin, end));
                p.isList = words.size() == 5;
                p.name = words.back();
                mElements.back().properties.push_back(p);
            }
            else
                return failLine("unknown header line " + quoted(begin, end));
        }
        if (!formatSeen)
            return fail("line " + std::to_string(lines.line()), "no 'format' line in the header");
        mHeaderLines = lines.line();
        mBodyStart = lines.offset();
        return checkElements();
    }

    // Which properties of "vertex" and "face" are read; everything else is skipped.
    // One block: one pass over the declared elements.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    bool checkElements()
    {
        const std::string where = "line " + std::to_string(mHeaderLines);
        bool seenVertex = false;
        for (const Element& e : mElements)
        {
            if (e.name == "vertex")
            {
                if (seenVertex)
                    return fail(where, "two vertex elements");
                if (e.count > MAX_VERTICES)
                    return fail(where, "too many vertices");
                mNumVerts = e.count;
                seenVertex = true;
                for (const char* axis : {"x", "y", "z"})
                {
                    bool found = false;
                    for (const Property& p : e.properties)
                        found = found || (p.name == axis && !p.isList);
                    if (!found)
                        return fail(where,
                                    std::string("the vertex element has no property ") + axis);
                }
            }
            if (e.name == "face")
            {
                bool found = false;
                for (const Property& p : e.properties)
                    if (p.name == "vertex_indices" || p.name == "vertex_index")
                    {
                        if (!p.isList || !isInteger(p.type))
                            return fail(where, "the face property " + p.name +
                                                   " must be a list of integers");
                        found = true;
                    }
                if (!found)
                    return fail(where, "the face element has no vertex_indices list");
            }
        }
        if (!seenVertex)
            return fail(where, "no vertex element");
        return true;
    }

    // One block: a row of any of the declared property types.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    bool readElement(Body& body, const Element& element)
    {
        if (element.properties.empty())
            return true; // rows of nothing
        const bool isVertex = element.name == "vertex";
        const bool isFace = element.name == "face";
        if (isVertex)
            mData.verts.reserve(mData.verts.size() + element.count);
        std::string why;
        for (std::uint64_t row = 0; row < element.count; ++row)
        {
            Vector3<float> v;
            bool haveCorners = false;
            for (const Property& p : element.properties)
            {
                double value = 0.0;
                const Body::Mark where = body.mark();
                if (!body.read(p.isList ? p.countType : p.type, value, why))
                    return fail(body.position(), why);
                if (!p.isList)
                {
                    if (isVertex && (p.name == "x" || p.name == "y" || p.name == "z"))
                    {
                        if (!std::isfinite(value) ||
                            std::fabs(value) > std::numeric_limits<float>::max())
                            return fail(body.position(where),
                                        "vertex " + std::to_string(row) +
                                            " has a coordinate that is not a finite "
                                            "number in float range");
                        v[static_cast<unsigned int>(p.name[0] - 'x')] = static_cast<float>(value);
                    }
                    continue;
                }
                if (value < 0)
                    return fail(body.position(where), "a negative list length");
                const std::uint64_t length = static_cast<std::uint64_t>(value);
                const bool corners = isFace && !haveCorners &&
                                     (p.name == "vertex_indices" || p.name == "vertex_index");
                if (corners)
                    mCorners.clear();
                for (std::uint64_t i = 0; i < length; ++i)
                {
                    const Body::Mark at = body.mark();
                    if (!body.read(p.type, value, why))
                        return fail(body.position(), why);
                    if (!corners)
                        continue;
                    if (value < 0 || value >= double(mNumVerts))
                        return fail(body.position(at),
                                    "face " + std::to_string(row) + " has vertex index " +
                                        std::to_string(std::int64_t(value)) + ", outside the " +
                                        std::to_string(mNumVerts) +
                                        " vertices (they count from 0)");
                    mCorners.push_back(static_cast<unsigned int>(value));
                }
                if (corners)
                {
                    haveCorners = true;
                    if (!addFace(mCorners.data(), mCorners.size(), mOptions, mData, mStats))
                        return fail(body.position(where), "face " + std::to_string(row) + " is " +
                                                              faceRefusal(mCorners.size()));
                }
            }
            if (isVertex)
                mData.verts.push_back(v);
        }
        return true;
    }

    const std::string& mBytes;
    const MeshReadOptions& mOptions;
    MeshData& mData;
    MeshReadStats& mStats;
    std::string& mError;

    Encoding mEncoding = Encoding::ASCII;
    std::vector<Element> mElements;
    unsigned long mHeaderLines = 0;
    std::size_t mBodyStart = 0;
    std::uint64_t mNumVerts = 0;
    std::vector<unsigned int> mCorners;
};
} // namespace

bool readPly(const std::string& bytes, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, std::string& error)
{
    PlyReader reader(bytes, options, data, stats, error);
    if (reader.read())
        return true;
    data = MeshData();
    return false;
}
} // namespace meshio
