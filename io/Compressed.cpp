#include "io/Compressed.h"

#include <algorithm>
#include <fstream>
#include <vector>
#include <zlib.h>

namespace
{
bool startsWith(const std::string& text, const char* prefix, std::size_t length)
{
    return text.size() >= length && text.compare(0, length, prefix, length) == 0;
}

// Inflates gzip members (one after another, as `cat a.gz b.gz` makes them) from a file
// through buffers of fixed size.
class InflatingBuffer : public std::streambuf
{
public:
    InflatingBuffer(std::ifstream&& file, std::uint64_t limit)
        : mFile(std::move(file)), mIn(BUFFER_BYTES), mOut(BUFFER_BYTES), mLimit(limit)
    {
        // 15 + 32: the largest window, and a gzip (or zlib) header expected.
        mReady = inflateInit2(&mZ, 15 + 32) == Z_OK;
        if (!mReady)
            mError = "cannot inflate: out of memory";
    }
    InflatingBuffer(const InflatingBuffer&) = delete;
    InflatingBuffer& operator=(const InflatingBuffer&) = delete;
    ~InflatingBuffer() override
    {
        if (mReady)
            inflateEnd(&mZ);
    }
    const std::string& error() const { return mError; }

protected:
    int_type underflow() override
    {
        while (gptr() == egptr())
        {
            if (mEnded || !mError.empty())
                return traits_type::eof();
            inflateSome();
        }
        return traits_type::to_int_type(*gptr());
    }

private:
    static constexpr std::size_t BUFFER_BYTES = std::size_t(1) << 16;

    bool refill()
    {
        if (mZ.avail_in == 0 && !mInputEnded)
        {
            const std::streamsize n =
                mFile.rdbuf()->sgetn(mIn.data(), static_cast<std::streamsize>(mIn.size()));
            mInputEnded = n <= 0;
            mZ.next_in = reinterpret_cast<Bytef*>(mIn.data());
            mZ.avail_in = n > 0 ? static_cast<uInt>(n) : 0;
        }
        return mZ.avail_in > 0;
    }

    void inflateSome()
    {
        const bool input = refill();
        mZ.next_out = reinterpret_cast<Bytef*>(mOut.data());
        mZ.avail_out = static_cast<uInt>(mOut.size());
        const int rc = inflate(&mZ, Z_NO_FLUSH);
        const std::size_t got = mOut.size() - mZ.avail_out;
        if (rc == Z_STREAM_END)
        {
            if (refill())
                inflateReset(&mZ); // another member follows
            else
                mEnded = true;
        }
        else if (rc != Z_OK && rc != Z_BUF_ERROR)
            mError = std::string("damaged gzip data (") + (mZ.msg ? mZ.msg : "unknown") + ")";
        else if (got == 0 && !input)
            mError = "truncated gzip data (the file ends inside it)";
        mTotal += got;
        if (mTotal > mLimit)
        {
            mError = "gzip data inflates to more than " + std::to_string(mLimit) +
                     " bytes: taken for a decompression bomb";
            return;
        }
        setg(mOut.data(), mOut.data(), mOut.data() + got);
    }

    std::ifstream mFile;
    std::vector<char> mIn;
    std::vector<char> mOut;
    z_stream mZ{};
    std::uint64_t mLimit;
    std::uint64_t mTotal = 0;
    bool mReady = false;
    bool mInputEnded = false;
    bool mEnded = false;
    std::string mError;
};
} // namespace

class InflatingStream : public std::istream
{
public:
    InflatingStream(std::ifstream&& file, std::uint64_t limit)
        : std::istream(nullptr), mBuffer(std::move(file), limit)
    {
        rdbuf(&mBuffer);
    }
    const std::string& error() const { return mBuffer.error(); }

private:
    InflatingBuffer mBuffer;
};

Decompressed::Decompressed() = default;
Decompressed::~Decompressed() = default;

std::istream& Decompressed::stream()
{
    return *inflating;
}

std::string Decompressed::error() const
{
    return inflating ? inflating->error() : std::string();
}

Compression detectCompression(const std::string& head)
{
    if (startsWith(head, "\x1f\x8b", 2))
        return Compression::GZIP;
    if (startsWith(head, "BZh", 3) && head.size() > 3 && head[3] >= '1' && head[3] <= '9')
        return Compression::BZIP2;
    if (startsWith(head,
                   "\xfd"
                   "7zXZ\0",
                   6))
        return Compression::XZ;
    if (startsWith(head, "\x28\xb5\x2f\xfd", 4))
        return Compression::ZSTD;
    if (startsWith(head, "PK\x03\x04", 4))
        return Compression::ZIP;
    if (startsWith(head, "7z\xbc\xaf\x27\x1c", 6))
        return Compression::SEVEN_ZIP;
    if (startsWith(head, "\x04\x22\x4d\x18", 4))
        return Compression::LZ4;
    return Compression::NONE;
}

const char* compressionName(Compression compression)
{
    switch (compression)
    {
    case Compression::NONE:
        return "none";
    case Compression::GZIP:
        return "gzip";
    case Compression::BZIP2:
        return "bzip2";
    case Compression::XZ:
        return "xz";
    case Compression::ZSTD:
        return "zstd";
    case Compression::ZIP:
        return "zip";
    case Compression::SEVEN_ZIP:
        return "7z";
    case Compression::LZ4:
        return "lz4";
    }
    return "unknown";
}

std::uint64_t inflateLimit(std::uint64_t compressedSize)
{
    const std::uint64_t most = ~std::uint64_t(0);
    const std::uint64_t scaled =
        compressedSize > most / INFLATE_RATIO ? most : compressedSize * INFLATE_RATIO;
    return std::max(scaled, INFLATE_FLOOR);
}

bool openDecompressed(const std::string& path, Decompressed& out, std::string& error,
                      std::uint64_t limit)
{
    out.compression = Compression::NONE;
    out.inflating.reset();
    out.name = path;
    if (path == "-")
        return true;
    std::ifstream file(path, std::ios::binary);
    std::string head(6, '\0');
    if (!file.read(&head[0], static_cast<std::streamsize>(head.size())))
        head.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    out.compression = detectCompression(head);
    if (out.compression == Compression::NONE)
        return true;
    if (out.compression != Compression::GZIP)
    {
        error = std::string("compressed with ") + compressionName(out.compression) +
                ", which is not read; decompress it first";
        return false;
    }
    file.clear();
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0);
    if (limit == 0)
        limit = inflateLimit(size > 0 ? static_cast<std::uint64_t>(size) : 0);
    const std::size_t n = path.size();
    if (n > 3 && path[n - 3] == '.' && (path[n - 2] | 0x20) == 'g' && (path[n - 1] | 0x20) == 'z')
        out.name.resize(n - 3);
    out.inflating = std::make_unique<InflatingStream>(std::move(file), limit);
    return true;
}
