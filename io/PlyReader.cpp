#include "Console.h"
#include "io/MeshReaders.h"

#include <algorithm>
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
// Far more than any header needs; an endless one (blank lines) ends here at once.
constexpr std::uint64_t MAX_HEADER_BYTES = std::uint64_t(1) << 20;

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

bool fits(Type type, std::int64_t v)
{
    switch (type)
    {
    case Type::INT8:
        return v >= -128 && v <= 127;
    case Type::UINT8:
        return v >= 0 && v <= 255;
    case Type::INT16:
        return v >= -32768 && v <= 32767;
    case Type::UINT16:
        return v >= 0 && v <= 65535;
    case Type::INT32:
        return v >= -2147483648LL && v <= 2147483647LL;
    case Type::UINT32:
        return v >= 0 && v <= 4294967295LL;
    case Type::FLOAT32:
    case Type::FLOAT64:
        break;
    }
    return true;
}

const char* typeName(Type type)
{
    static const char* const NAMES[] = {"char", "uchar", "short", "ushort",
                                        "int",  "uint",  "float", "double"};
    return NAMES[static_cast<int>(type)];
}

// A little-endian value of the type.
inline double decode(Type type, const unsigned char* b)
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

// A value stored in the encoding given.
double decodeAs(Type type, const unsigned char* p, bool big)
{
    if (!big)
        return decode(type, p);
    unsigned char b[8];
    const std::size_t n = sizeOf(type);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = p[n - 1 - i];
    return decode(type, b);
}

// A binary value; the usual types of a mesh file at once.
inline double valueAt(Type type, const unsigned char* p, bool big)
{
    const auto word = [p]
    {
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
               std::uint32_t(p[3]) << 24;
    };
    if (!big)
        switch (type)
        {
        case Type::UINT8:
            return p[0];
        case Type::INT32:
            return static_cast<std::int32_t>(word());
        case Type::UINT32:
            return word();
        case Type::FLOAT32:
        {
            const std::uint32_t u = word();
            float f;
            std::memcpy(&f, &u, sizeof f);
            return f;
        }
        default:
            break;
        }
    return decodeAs(type, p, big);
}

// One value at a time from the body, binary or text, with the position for messages.
class Body
{
public:
    Body(Input& input, Encoding encoding)
        : mInput(input), mTokens(input, false), mEncoding(encoding)
    {
        if (encoding == Encoding::ASCII)
            input.passOverEmptyLines(false);
    }

    // Where the next value starts; text only when a message needs it.
    struct Mark
    {
        std::uint64_t at; // a byte in binary, a line in text
    };
    Mark mark() const
    {
        return Mark{mEncoding == Encoding::ASCII ? mInput.line() : mInput.offset()};
    }
    std::string position(Mark m) const
    {
        return (mEncoding == Encoding::ASCII ? "line " : "byte ") + std::to_string(m.at);
    }
    std::string position() const { return position(mark()); }
    bool binary() const { return mEncoding != Encoding::ASCII; }

    // A value as a double (exact for every integer type); a coordinate straight as a float.
    // False at the end of the data or for a token that is not a number of the type; why
    // says which.
    bool read(Type type, double& out, std::string& why)
    {
        if (mEncoding == Encoding::ASCII)
        {
            if (!token(why))
                return false;
            if (isInteger(type))
            {
                std::int64_t i = 0;
                if (!parseInteger(mBegin, mEnd, i))
                    return why = "bad integer " + quoted(mBegin, mEnd), false;
                if (!fits(type, i))
                    return why = "the value " + std::to_string(i) + " does not fit its type " +
                                 typeName(type),
                           false;
                out = static_cast<double>(i);
                return true;
            }
            if (!parseDouble(mBegin, mEnd, out))
                return why = "bad number " + quoted(mBegin, mEnd), false;
            return true;
        }
        const std::size_t n = sizeOf(type);
        if (mInput.fill(n) < n)
            return why = "the file ends inside the data (truncated?)", false;
        unsigned char b[8];
        std::memcpy(b, mInput.data(), n);
        if (mEncoding == Encoding::BIG)
            for (std::size_t i = 0; i < n / 2; ++i)
                std::swap(b[i], b[n - 1 - i]);
        mInput.consume(n);
        out = decode(type, b);
        return true;
    }

    // A coordinate: text goes straight to a float, correctly rounded. False with why; bad
    // says the value is a number but not a finite float.
    bool readCoordinate(Type type, float& out, std::string& why, bool& bad)
    {
        bad = false;
        double value = 0.0;
        if (mEncoding == Encoding::ASCII && !isInteger(type))
        {
            if (!token(why))
                return false;
            if (parseFloat(mBegin, mEnd, out))
                return true;
            // A number that is no finite float (nan, inf, 1e39), or no number at all.
            const char* b = mBegin + (*mBegin == '+');
            const std::from_chars_result r = std::from_chars(b, mEnd, value);
            bad = b < mEnd && r.ptr == mEnd && !(b != mBegin && (*b == '+' || *b == '-'));
            why = "bad number " + quoted(mBegin, mEnd);
            return false;
        }
        if (!read(type, value, why))
            return false;
        if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
            return bad = true, false;
        out = static_cast<float>(value);
        return true;
    }

    // After the last element: nothing but white space in text, nothing at all in binary.
    bool rest(std::string& why)
    {
        if (mEncoding != Encoding::ASCII)
        {
            if (mInput.atEnd())
                return true;
            why = "data after the last element";
            return false;
        }
        switch (mTokens.next(mBegin, mEnd))
        {
        case Tokens::Result::END:
            return true;
        case Tokens::Result::TOO_LONG:
            why = "the line is longer than 64 MiB";
            return false;
        case Tokens::Result::NO_DATA:
            why = NO_DATA_MESSAGE;
            return false;
        case Tokens::Result::TOKEN:
            break;
        }
        why = "data after the last element: " + quoted(mBegin, mEnd);
        return false;
    }

private:
    bool token(std::string& why)
    {
        switch (mTokens.next(mBegin, mEnd))
        {
        case Tokens::Result::TOKEN:
            return true;
        case Tokens::Result::END:
            why = "the file ends inside the data (truncated?)";
            return false;
        case Tokens::Result::NO_DATA:
            why = NO_DATA_MESSAGE;
            return false;
        case Tokens::Result::TOO_LONG:
            break;
        }
        why = "the line is longer than 64 MiB";
        return false;
    }

    Input& mInput;
    Tokens mTokens;
    Encoding mEncoding;
    const char* mBegin = nullptr;
    const char* mEnd = nullptr;
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

bool isCornerList(const std::string& name)
{
    return name == "vertex_indices" || name == "vertex_index";
}

bool keepHeaderLine(const char* begin, const char* end)
{
    const char* pos = begin;
    const char *b, *e;
    return !nextToken(pos, end, b, e) ||
           !(keywordIs(b, e, "comment") || keywordIs(b, e, "obj_info"));
}

// A property as binary rows hold it.
struct Field
{
    bool isList = false;
    Type countType = Type::UINT8;
    unsigned int countSize = 0;
    Type type = Type::FLOAT32; // of the value or of each list item
    unsigned int size = 0;     // of the value or of each list item
    int axis = -1;             // of a vertex coordinate: 0, 1, 2 for x, y, z
    bool corners = false;      // the face's corner list: the first list so named
};

std::vector<Field> fieldsOf(const Element& element, bool isVertex)
{
    std::vector<Field> fields;
    bool haveCorners = false;
    for (const Property& p : element.properties)
    {
        Field f{p.isList, p.countType, 0, p.type, static_cast<unsigned int>(sizeOf(p.type))};
        f.countSize = p.isList ? static_cast<unsigned int>(sizeOf(p.countType)) : 0;
        if (isVertex && !p.isList && (p.name == "x" || p.name == "y" || p.name == "z"))
            f.axis = p.name[0] - 'x';
        f.corners = !isVertex && p.isList && !haveCorners && isCornerList(p.name);
        haveCorners = haveCorners || f.corners;
        fields.push_back(f);
    }
    return fields;
}

class PlyReader
{
public:
    PlyReader(Input& input, const Source& source, const MeshReadOptions& options, MeshData& data,
              MeshReadStats& stats, ReadError& error)
        : mInput(input), mSource(source), mOptions(options), mData(data), mStats(stats),
          mError(error)
    {
    }

    bool read()
    {
        if (!readHeader())
            return false;
        Body body(mInput, mEncoding);
        for (const Element& e : mElements)
            if (!readElement(body, e))
                return false;
        std::string why;
        if (!body.rest(why))
            return failAt(body, why);
        return true;
    }

private:
    bool fail(const std::string& position, const std::string& what)
    {
        const bool text = position.compare(0, 5, "line ") == 0;
        const std::uint64_t at = std::stoull(position.substr(5));
        return reject(mError, "Error: PLY " + position + ": " + what, text ? at : 0, text ? 0 : at);
    }
    bool failAt(const Body& body, const std::string& what) { return fail(body.position(), what); }
    bool failLine(const std::string& what)
    {
        return fail("line " + std::to_string(mInput.line()), what);
    }

    // One block: the header is read in the order of the file.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    bool readHeader()
    {
        if (mInput.fill(3) >= 3 && std::memcmp(mInput.data(), "\xef\xbb\xbf", 3) == 0)
            mInput.consume(3);
        const char *begin = nullptr, *end = nullptr;
        if (mInput.nextLine(begin, end) != Input::Line::READ ||
            !(keywordIs(begin, end, "ply") || keywordIs(begin, end, "ply\r")))
            return failLine("the first line is not 'ply'");
        bool formatSeen = false;
        while (true)
        {
            const Input::Line got = mInput.nextLine(begin, end, keepHeaderLine);
            if (got == Input::Line::END)
                return failLine("the file ends before 'end_header'");
            if (got == Input::Line::TOO_LONG)
                return failLine("the line is longer than 64 MiB");
            if (got == Input::Line::TOO_LONG_SKIPPED)
                return failLine("the line is longer than 1 GiB");
            if (mInput.offset() > MAX_HEADER_BYTES)
                return failLine("the header is longer than 1 MiB");
            if (got == Input::Line::SKIPPED)
                continue; // a long comment
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
                if (words.size() != 3 || words[2] != "1.0")
                    return failLine("expected 'format " + name + " 1.0', found " +
                                    quoted(begin, end));
                if (formatSeen)
                    return failLine("a second 'format' line");
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
                Element& element = mElements.back();
                for (const Property& other : element.properties)
                    if (other.name == p.name)
                        return failLine("the element '" + printable(element.name) +
                                        "' has two properties " + quoted(begin, end) + "");
                element.properties.push_back(p);
            }
            else
                return failLine("unknown header line " + quoted(begin, end));
        }
        mHeaderLines = mInput.line();
        if (!formatSeen)
            return failLine("no 'format' line in the header");
        return checkElements();
    }

    // Which properties of "vertex" and "face" are read; everything else is skipped.
    // One block: one pass over the declared elements.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    bool checkElements()
    {
        const std::string where = "line " + std::to_string(mHeaderLines);
        bool seenVertex = false;
        bool seenFace = false;
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
            else if (e.name == "face")
            {
                if (seenFace)
                    return fail(where, "two face elements");
                seenFace = true;
                bool found = false;
                for (const Property& p : e.properties)
                    if (isCornerList(p.name))
                    {
                        if (!p.isList || !isInteger(p.type))
                            return fail(where, "the face property " + p.name +
                                                   " must be a list of integers");
                        found = true;
                    }
                if (!found)
                    return fail(where, "the face element has no vertex_indices list");
            }
            else
            {
                // Faces under another name (triangle strips, ...) would be lost.
                for (const Property& p : e.properties)
                    if (isCornerList(p.name) || e.name == "tristrips")
                        return fail(where, "faces in the element '" + printable(e.name) +
                                               "' are not read (only 'face' is)");
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
        const std::uint64_t least = std::max<std::uint64_t>(smallestRow(element, mEncoding), 1);
        if (isVertex)
            mData.verts.reserve(mData.verts.size() + reserveFor(element.count, least, mSource));
        if (isFace)
            mData.tris.reserve(mData.tris.size() + reserveFor(element.count, least, mSource));
        if (mOptions.threads > 1 && body.binary() && isFace)
            return readFaces(body, element);
        if (mOptions.threads > 1 && body.binary() && isVertex &&
            smallestRow(element, mEncoding) > 0 &&
            std::none_of(element.properties.begin(), element.properties.end(),
                         [](const Property& p) { return p.isList; }))
            return readVertices(body, element);
        std::string why;
        for (std::uint64_t row = 0; row < element.count; ++row)
            if (!readRow(body, element, isVertex, isFace, row, why))
                return false;
        return true;
    }

    // One row, in the order of the file. Inlined: on one thread it is the whole reading loop.
    // NOLINTNEXTLINE(readability-function-cognitive-complexity)
    [[gnu::always_inline]] bool readRow(Body& body, const Element& element, bool isVertex,
                                        bool isFace, std::uint64_t row, std::string& why)
    {
        Vector3<float> v;
        bool haveCorners = false;
        for (const Property& p : element.properties)
        {
            double value = 0.0;
            const Body::Mark where = body.mark();
            if (!p.isList)
            {
                if (isVertex && (p.name == "x" || p.name == "y" || p.name == "z"))
                {
                    bool bad = false;
                    if (!body.readCoordinate(p.type, v[static_cast<unsigned int>(p.name[0] - 'x')],
                                             why, bad))
                        return bad ? fail(body.position(where),
                                          "vertex " + std::to_string(row) +
                                              " has a coordinate that is not a finite "
                                              "number in float range")
                                   : fail(body.position(), why);
                }
                else if (!body.read(p.type, value, why))
                    return fail(body.position(), why);
                continue;
            }
            if (!body.read(p.countType, value, why))
                return fail(body.position(), why);
            if (value < 0)
                return fail(body.position(where), "a negative list length");
            const std::uint64_t length = static_cast<std::uint64_t>(value);
            const bool corners = isFace && !haveCorners && isCornerList(p.name);
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
                                    std::to_string(mNumVerts) + " vertices (they count from 0)");
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
        return true;
    }

    // Binary rows on several threads, a chunk at a time; a fault found there is reported as
    // the one-thread reader reports it, the first in the file winning.
    struct Fault
    {
        std::string what; // empty: none
        std::uint64_t byte = 0;
    };
    bool failFirst(const std::vector<Fault>& faults)
    {
        for (const Fault& f : faults)
            if (!f.what.empty())
                return fail("byte " + std::to_string(f.byte), f.what);
        return true;
    }

    // Vertex rows of scalars alone, all of one size.
    bool readVertices(Body& body, const Element& element)
    {
        std::string why;
        const std::vector<Field> fields = fieldsOf(element, true);
        const std::size_t size = smallestRow(element, mEncoding);
        const unsigned int threads = std::min(mOptions.threads, 64u);
        Crew crew(threads);
        std::vector<Fault> faults(threads);
        for (std::uint64_t row = 0; row < element.count;)
        {
            const auto want = static_cast<std::size_t>(
                std::min<std::uint64_t>(chunkRecords(), element.count - row));
            const std::size_t n = std::min(want, mInput.fill(want * size) / size);
            if (n == 0)
            {
                // The file ends inside this row: as the one-thread reader says.
                if (!readRow(body, element, true, false, row++, why))
                    return false;
                continue;
            }
            const std::size_t first = mData.verts.size();
            mData.verts.resize(first + n);
            crew.run(
                [&](unsigned int part)
                {
                    faults[part] = decodeVertices(fields, size, row, shareStart(n, part, threads),
                                                  shareStart(n, part + 1, threads), first);
                });
            if (!failFirst(faults))
                return false;
            mInput.consume(n * size);
            row += n;
        }
        return true;
    }

    Fault decodeVertices(const std::vector<Field>& fields, std::size_t size, std::uint64_t row,
                         std::size_t begin, std::size_t end, std::size_t first)
    {
        const auto* base = reinterpret_cast<const unsigned char*>(mInput.data());
        const bool big = mEncoding == Encoding::BIG;
        for (std::size_t r = begin; r < end; ++r)
        {
            const unsigned char* p = base + r * size;
            for (const Field& f : fields)
            {
                if (f.axis >= 0)
                {
                    const double value = valueAt(f.type, p, big);
                    if (!std::isfinite(value) ||
                        std::fabs(value) > std::numeric_limits<float>::max())
                        return Fault{"vertex " + std::to_string(row + r) +
                                         " has a coordinate that is not a finite number in float "
                                         "range",
                                     mInput.offset() + static_cast<std::uint64_t>(p - base)};
                    mData.verts[first + r][static_cast<unsigned int>(f.axis)] =
                        static_cast<float>(value);
                }
                p += f.size;
            }
        }
        return Fault();
    }

    struct FacePart
    {
        MeshData data;
        MeshReadStats stats;
        Fault fault;
    };

    // Face rows: their lengths are found by a quick pass over the list counts, rows that fit
    // the window are read on the threads, and a row that does not (or whose count is
    // negative) is read alone, in order.
    bool readFaces(Body& body, const Element& element)
    {
        std::string why;
        const std::vector<Field> fields = fieldsOf(element, false);
        const unsigned int threads = std::min(mOptions.threads, 64u);
        Crew crew(threads);
        std::uint64_t guess = 0; // of a row's size: a triangle's
        for (const Field& f : fields)
            guess += f.isList ? f.countSize + 3 * f.size : f.size;
        std::vector<FacePart> parts(threads);
        std::vector<std::size_t> starts;
        for (std::uint64_t row = 0; row < element.count;)
        {
            const auto want = static_cast<std::size_t>(
                std::min<std::uint64_t>(chunkRecords(), element.count - row));
            rowStarts(fields, want, mInput.fill(want * guess), starts);
            const std::size_t n = starts.size() - 1;
            if (n == 0)
            {
                if (!readRow(body, element, false, true, row++, why))
                    return false;
                continue;
            }
            crew.run(
                [&](unsigned int part)
                {
                    parseFaces(fields, row, starts, shareStart(n, part, threads),
                               shareStart(n, part + 1, threads), parts[part]);
                });
            for (const FacePart& part : parts)
            {
                if (!part.data.faceRuns.empty())
                {
                    mData.faceRuns.resize(mData.tris.size(), false);
                    mData.faceRuns.insert(mData.faceRuns.end(), part.data.faceRuns.begin(),
                                          part.data.faceRuns.end());
                }
                mData.tris.insert(mData.tris.end(), part.data.tris.begin(), part.data.tris.end());
                mStats.splitPolygons += part.stats.splitPolygons;
                mStats.largestPolygon = std::max(mStats.largestPolygon, part.stats.largestPolygon);
                if (!part.fault.what.empty())
                    return failFirst({part.fault});
            }
            mInput.consume(starts.back());
            row += n;
        }
        return true;
    }

    // Where each of up to want rows starts in the held bytes, and where the last one ends.
    void rowStarts(const std::vector<Field>& fields, std::size_t want, std::size_t held,
                   std::vector<std::size_t>& starts) const
    {
        const auto* base = reinterpret_cast<const unsigned char*>(mInput.data());
        const bool big = mEncoding == Encoding::BIG;
        starts.assign(1, 0);
        std::uint64_t at = 0;
        while (starts.size() <= want)
        {
            for (const Field& f : fields)
            {
                if (!f.isList)
                {
                    at += f.size;
                    continue;
                }
                if (at + f.countSize > held)
                    return;
                const double count = valueAt(f.countType, base + at, big);
                if (count < 0)
                    return;
                at += f.countSize + static_cast<std::uint64_t>(count) * f.size;
            }
            if (at > held)
                return;
            starts.push_back(static_cast<std::size_t>(at));
        }
    }

    void parseFaces(const std::vector<Field>& fields, std::uint64_t row,
                    const std::vector<std::size_t>& starts, std::size_t begin, std::size_t end,
                    FacePart& part) const
    {
        part.data.tris.clear();
        part.data.faceRuns.clear();
        part.stats = MeshReadStats();
        part.fault = Fault();
        const auto* base = reinterpret_cast<const unsigned char*>(mInput.data());
        const bool big = mEncoding == Encoding::BIG;
        std::vector<unsigned int> corners;
        for (std::size_t r = begin; r < end; ++r)
        {
            const unsigned char* p = base + starts[r];
            for (const Field& f : fields)
            {
                const unsigned char* where = p;
                const auto length =
                    f.isList ? static_cast<std::uint64_t>(valueAt(f.countType, p, big)) : 1;
                p += f.isList ? f.countSize : 0;
                if (!f.corners)
                {
                    p += length * f.size;
                    continue;
                }
                corners.clear();
                for (std::uint64_t i = 0; i < length; ++i, p += f.size)
                {
                    const double value = valueAt(f.type, p, big);
                    if (value < 0 || value >= double(mNumVerts))
                        return void(part.fault = Fault{
                                        "face " + std::to_string(row + r) + " has vertex index " +
                                            std::to_string(std::int64_t(value)) + ", outside the " +
                                            std::to_string(mNumVerts) +
                                            " vertices (they count from 0)",
                                        mInput.offset() + static_cast<std::uint64_t>(p - base)});
                    corners.push_back(static_cast<unsigned int>(value));
                }
                if (!addFace(corners.data(), corners.size(), mOptions, part.data, part.stats))
                    return void(part.fault = Fault{"face " + std::to_string(row + r) + " is " +
                                                       faceRefusal(corners.size()),
                                                   mInput.offset() +
                                                       static_cast<std::uint64_t>(where - base)});
            }
        }
    }

    Input& mInput;
    const Source& mSource;
    const MeshReadOptions& mOptions;
    MeshData& mData;
    MeshReadStats& mStats;
    ReadError& mError;

    Encoding mEncoding = Encoding::ASCII;
    std::vector<Element> mElements;
    std::uint64_t mHeaderLines = 0;
    std::uint64_t mNumVerts = 0;
    std::vector<unsigned int> mCorners;
};
} // namespace

bool readPly(Input& input, const Source& source, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, ReadError& error)
{
    return PlyReader(input, source, options, data, stats, error).read();
}
} // namespace meshio
