#include "viewer/MeshLoad.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <sstream>
#include <sys/stat.h>

namespace
{
// The parse buffer, for callers that analyse the triangles as read.
class Reader : public ObjIO
{
public:
    LoadData& data() { return loadData; }
};

// Passes the reader's triangles on to the mesh, counting them and boxing their corners.
class Feed : public Mesh
{
public:
    explicit Feed(Mesh& target) : mTarget(target) {}

    bool addTriangle(const Vector3<float>& v1, const Vector3<float>& v2,
                     const Vector3<float>& v3) override
    {
        ++triangles;
        box.add(v1);
        box.add(v2);
        box.add(v3);
        return mTarget.addTriangle(v1, v2, v3);
    }
    void reserve(std::size_t positions, std::size_t count) override
    {
        mTarget.reserve(positions, count);
    }
    void draw() override {}
    float curvature(unsigned int, const Vector3<float>&) override { return 0.0f; }

    std::size_t triangles = 0;
    Framing::Box box;

protected:
    bool addVertex(const Vector3<float>&, unsigned int&) override { return false; }
    bool findNeighbourTriangles(unsigned int, std::vector<unsigned int>&) const override
    {
        return false;
    }

private:
    Mesh& mTarget;
};

// Holds standard error's output while it lives.
class CaptureStderr
{
public:
    CaptureStderr() : mSaved(std::cerr.rdbuf(mText.rdbuf())) {}
    ~CaptureStderr() { std::cerr.rdbuf(mSaved); }
    CaptureStderr(const CaptureStderr&) = delete;
    CaptureStderr& operator=(const CaptureStderr&) = delete;
    std::string text() const { return mText.str(); }

private:
    std::ostringstream mText;
    std::streambuf* mSaved;
};
} // namespace

bool MeshLoad::open(const std::string& filename, std::ifstream& stream, std::string& why)
{
    // A directory opens as a stream on this system, but reading it fails at once.
    struct stat st;
    if (stat(filename.c_str(), &st) != 0)
        why = std::strerror(errno);
    else if (S_ISDIR(st.st_mode))
        why = std::strerror(EISDIR);
    else
    {
        stream.open(filename.c_str(), std::ios::binary);
        if (stream.is_open())
            return true;
        why = std::strerror(errno);
    }
    why = "cannot open: " + why;
    return false;
}

MeshLoad::Result MeshLoad::readOnly(std::istream& stream, Mesh& mesh, ObjIO::LoadData* data)
{
    Result r;
    Reader reader;
    reader.setReleaseTriangles(data == nullptr);
    Feed feed(mesh);
    bool loaded = false;
    try
    {
        CaptureStderr capture;
        try
        {
            loaded = reader.load(&feed, stream);
        }
        catch (const std::bad_alloc&)
        {
            r.why = capture.text();
            r.outcome = Outcome::OUT_OF_MEMORY;
            return r;
        }
        r.why = capture.text();
    }
    catch (const std::bad_alloc&) // no room even for the reader's message
    {
        r.outcome = Outcome::OUT_OF_MEMORY;
        return r;
    }
    r.box = feed.box;
    r.triangles = feed.triangles;
    // The reader says why it refuses a file, except for one without positions.
    if (!loaded)
        r.outcome = r.why.empty() ? Outcome::NO_TRIANGLES : Outcome::REJECTED;
    else
        r.outcome = feed.triangles == 0 ? Outcome::NO_TRIANGLES : Outcome::LOADED;
    if (data != nullptr && r.outcome == Outcome::LOADED)
        *data = std::move(reader.data());
    return r;
}

std::string MeshLoad::printable(const std::string& text)
{
    std::string out;
    std::size_t n = text.find_last_not_of("\r\n");
    n = n == std::string::npos ? 0 : n + 1;
    for (std::size_t i = 0; i < n; ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const auto next = [&](std::size_t k)
        { return i + k < n ? static_cast<unsigned char>(text[i + k]) : 0u; };
        // A well-formed UTF-8 sequence that is not a C1 control (U+0080 to U+009F) passes.
        std::size_t length = 0;
        if (c >= 0xC2 && c <= 0xF4 && !(c == 0xC2 && next(1) < 0xA0))
        {
            length = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
            for (std::size_t k = 1; k < length; ++k)
                if ((next(k) & 0xC0) != 0x80)
                    length = 0;
        }
        if (c == '\n' || c == '\r')
        {
            if (out.size() < 2 || out.compare(out.size() - 2, 2, "; ") != 0)
                out += "; ";
        }
        else if (length > 0)
        {
            out.append(text, i, length);
            i += length - 1;
        }
        else if (c < 0x20 || c >= 0x7F)
        {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
        else
            out += static_cast<char>(c);
    }
    return out;
}
