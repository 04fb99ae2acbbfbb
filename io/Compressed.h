#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

// Compressed mesh files. Gzip is inflated while it is read, in bounded memory; the other
// common compressions are only recognised by their first bytes, to be named in the error.

enum class Compression
{
    NONE,
    GZIP,
    BZIP2,
    XZ,
    ZSTD,
    ZIP,
    SEVEN_ZIP,
    LZ4
};

// The compression these first bytes announce; NONE for anything else.
Compression detectCompression(const std::string& head);
const char* compressionName(Compression compression);

// A gzip file may inflate to at most INFLATE_RATIO times its size, and to at least
// INFLATE_FLOOR bytes whatever its size. Meshes deflate by 3 to 10 times; a file past the
// bound is taken for a decompression bomb and rejected, since the readers keep most
// formats whole in memory.
constexpr std::uint64_t INFLATE_RATIO = 100;
constexpr std::uint64_t INFLATE_FLOOR = std::uint64_t(256) << 20;
std::uint64_t inflateLimit(std::uint64_t compressedSize);

class InflatingStream;

struct Decompressed
{
    Compression compression = Compression::NONE;
    std::unique_ptr<InflatingStream> inflating; // set for gzip only
    std::string name;                           // the path without ".gz" (any case)

    Decompressed();
    ~Decompressed();
    std::istream& stream();
    // After reading: empty, or one line on why the inflated bytes ended early (damaged or
    // truncated data, or more than the limit). It overrides what a reader made of them.
    std::string error() const;
};

// Looks at the first bytes of path. True with compression NONE for a file to be read as it
// is (including one that cannot be opened: its reader says why); true with a stream for
// gzip; false with one line in error for a compression that is not read. limit 0 stands
// for inflateLimit(the file's size).
bool openDecompressed(const std::string& path, Decompressed& out, std::string& error,
                      std::uint64_t limit = 0);
