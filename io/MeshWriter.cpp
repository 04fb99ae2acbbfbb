#include "io/MeshWriter.h"

#include "io/WriterHelpers.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <limits>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

namespace meshio
{
char* formatFloat(char* p, float value)
{
    // The shortest decimal of the largest float lies above it, and a reader that parses
    // through double refuses it as too large; its exact digits read back as it.
    if (std::fabs(value) == std::numeric_limits<float>::max())
        return std::to_chars(p, p + FLOAT_CHARS, value, std::chars_format::fixed, 0).ptr;
    return std::to_chars(p, p + FLOAT_CHARS, value).ptr;
}

void OutBuffer::floats(const Vector3<float>& v, char sep, char end)
{
    char* p = reserve(3 * (FLOAT_CHARS + 1));
    p = formatFloat(p, v[0]);
    *p++ = sep;
    p = formatFloat(p, v[1]);
    *p++ = sep;
    p = formatFloat(p, v[2]);
    *p++ = end;
    commit(p);
}

void OutBuffer::unsigned3(unsigned int a, unsigned int b, unsigned int c, char sep, char end)
{
    char* p = reserve(std::size_t{3} * 11); // three numbers of at most ten digits
    p = std::to_chars(p, p + 10, a).ptr;
    *p++ = sep;
    p = std::to_chars(p, p + 10, b).ptr;
    *p++ = sep;
    p = std::to_chars(p, p + 10, c).ptr;
    *p++ = end;
    commit(p);
}

void OutBuffer::uint32le(std::uint32_t value)
{
    char* p = reserve(4);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    commit(p + 4);
}

void OutBuffer::float32le(float value)
{
    commit(putFloat32le(reserve(4), value));
}
} // namespace meshio

namespace
{
std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string systemError(const std::string& what, int code)
{
    return what + ": " + std::strerror(code);
}

// A stream onto a file descriptor that remembers the first failed write.
class FileBuffer : public std::streambuf
{
public:
    explicit FileBuffer(int fd) : mFd(fd) {}
    int error() const { return mError; }

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        std::streamsize done = 0;
        while (done < n && mError == 0)
        {
            const ssize_t w = ::write(mFd, s + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                mError = w < 0 ? errno : EIO;
            else
                done += w;
        }
        return done;
    }
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        const char ch = traits_type::to_char_type(c);
        return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
    }

private:
    int mFd;
    int mError = 0;
};

// The file a temporary name was opened for, removed unless kept.
class TemporaryFile
{
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (fd >= 0)
            ::close(fd);
        if (!path.empty())
            ::unlink(path.c_str());
    }
    // A new file beside target, readable as a new file would be (the umask applies).
    bool create(const std::string& target, std::string& error)
    {
        const std::string stem =
            directoryOf(target) + "/." + baseName(target) + ".tmp" + std::to_string(::getpid());
        for (unsigned int attempt = 0; attempt < 100; ++attempt)
        {
            const std::string name = stem + "-" + std::to_string(attempt);
            fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0)
            {
                path = name;
                return true;
            }
            if (errno != EEXIST)
                break;
        }
        error = systemError("cannot create a file in " + directoryOf(target), errno);
        return false;
    }

    int fd = -1;
    std::string path;
};

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
} // namespace

const char* writeFormatName(WriteFormat format)
{
    switch (format)
    {
    case WriteFormat::OBJ:
        return "OBJ";
    case WriteFormat::STL_BINARY:
        return "binary STL";
    case WriteFormat::STL_ASCII:
        return "ASCII STL";
    case WriteFormat::PLY_BINARY:
        return "binary PLY";
    case WriteFormat::PLY_ASCII:
        return "ASCII PLY";
    case WriteFormat::OFF:
        return "OFF";
    }
    return "unknown";
}

bool writeFormatFor(const std::string& path, const std::string& format, bool ascii,
                    WriteFormat& out, std::string& error)
{
    std::string name = lower(format);
    if (name.empty())
    {
        const std::string base = baseName(path);
        const std::size_t dot = base.find_last_of('.');
        name = dot == std::string::npos ? "" : lower(base.substr(dot + 1));
        if (name != "obj" && name != "stl" && name != "ply" && name != "off")
        {
            error = "cannot tell the format of '" + path +
                    "' from its extension (.obj, .stl, .ply or .off; or name the format)";
            return false;
        }
    }
    if (name == "obj")
        out = WriteFormat::OBJ;
    else if (name == "stl")
        out = ascii ? WriteFormat::STL_ASCII : WriteFormat::STL_BINARY;
    else if (name == "ply")
        out = ascii ? WriteFormat::PLY_ASCII : WriteFormat::PLY_BINARY;
    else if (name == "off")
        out = WriteFormat::OFF;
    else
    {
        error = "unknown format '" + format + "' (obj, stl, ply or off)";
        return false;
    }
    return true;
}

bool checkWritable(const MeshData& data, WriteFormat format, std::string& error)
{
    const std::size_t count = data.verts.size();
    for (std::size_t t = 0; t < data.tris.size(); ++t)
        for (unsigned int c = 0; c < 3; ++c)
            if (data.tris[t][c] >= count)
            {
                error = "triangle " + std::to_string(t + 1) + " refers to vertex " +
                        std::to_string(data.tris[t][c]) + " of " + std::to_string(count);
                return false;
            }
    if ((format == WriteFormat::STL_BINARY || format == WriteFormat::STL_ASCII) &&
        data.tris.size() > std::numeric_limits<std::uint32_t>::max())
    {
        error = std::to_string(data.tris.size()) + " triangles are more than an STL can count";
        return false;
    }
    return true;
}

void writeMesh(std::ostream& out, const MeshData& data, WriteFormat format)
{
    switch (format)
    {
    case WriteFormat::OBJ:
        meshio::writeObj(out, data);
        break;
    case WriteFormat::STL_BINARY:
    case WriteFormat::STL_ASCII:
        meshio::writeStl(out, data, format == WriteFormat::STL_BINARY);
        break;
    case WriteFormat::PLY_BINARY:
    case WriteFormat::PLY_ASCII:
        meshio::writePly(out, data, format == WriteFormat::PLY_BINARY);
        break;
    case WriteFormat::OFF:
        meshio::writeOff(out, data);
        break;
    }
}

bool writeMeshFile(const std::string& path, const MeshData& data, WriteFormat format,
                   const WriteOptions& options, std::string& error)
{
    if (!checkWritable(data, format, error))
        return false;
    if (path == "-")
    {
        writeMesh(std::cout, data, format);
        std::cout.flush();
        if (!std::cout)
            return error = "cannot write to standard output", false;
        return true;
    }
    if (path.empty())
        return error = "no output name", false;

    // An existing output is replaced where it really is (through a link), and never when it
    // is the input.
    std::string target = path;
    struct stat existing;
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists)
    {
        if (S_ISDIR(existing.st_mode))
            return error = systemError("cannot write " + path, EISDIR), false;
        if (!S_ISREG(existing.st_mode))
            return error = "cannot write " + path + ": not a regular file", false;
        struct stat input;
        if (!options.inPlace && !options.input.empty() && options.input != "-" &&
            ::stat(options.input.c_str(), &input) == 0 && sameFile(existing, input))
            return error = "refusing to write over the input " + options.input +
                           " (without the in-place option)",
                   false;
        char* real = ::realpath(path.c_str(), nullptr);
        if (real)
        {
            target = real;
            std::free(real);
        }
    }

    TemporaryFile temporary;
    if (!temporary.create(target, error))
        return false;
    FileBuffer buffer(temporary.fd);
    std::ostream out(&buffer);
    writeMesh(out, data, format);
    out.flush();
    if (buffer.error() != 0) // the buffer is the only way the stream can fail
        return error = systemError("cannot write " + path, buffer.error()), false;
    if (exists)
        ::fchmod(temporary.fd, existing.st_mode & 07777);
    if (::fsync(temporary.fd) != 0)
        return error = systemError("cannot write " + path, errno), false;
    const int fd = temporary.fd;
    temporary.fd = -1;
    if (::close(fd) != 0)
        return error = systemError("cannot write " + path, errno), false;
    if (::rename(temporary.path.c_str(), target.c_str()) != 0)
        return error = systemError("cannot write " + path, errno), false;
    temporary.path.clear();
    // The new name itself reaches the disk with its directory.
    const int dir = ::open(directoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0)
    {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
