#pragma once

#include "../SupportCode/Vector3.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

// What the writers share: a buffer in front of the stream and the number formats.
namespace meshio
{
// The shortest decimal that reads back as the same float (-0 as "-0"). Writes at most
// FLOAT_CHARS bytes at p and returns the end.
constexpr std::size_t FLOAT_CHARS = 48;
char* formatFloat(char* p, float value);

// Stores value's bits at p, least significant byte first; returns the end.
inline char* putFloat32le(char* p, float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return p + 4;
}

// Collects output in blocks, so the writers pay one stream call per block.
class OutBuffer
{
public:
    explicit OutBuffer(std::ostream& out) : mOut(out) {}
    OutBuffer(const OutBuffer&) = delete;
    OutBuffer& operator=(const OutBuffer&) = delete;
    ~OutBuffer() { flush(); }

    void flush()
    {
        mOut.write(mBuffer.data(), static_cast<std::streamsize>(mUsed));
        mUsed = 0;
    }
    // Room for at least n bytes; n at most ROOM.
    char* reserve(std::size_t n)
    {
        if (mUsed + n > mBuffer.size())
            flush();
        return mBuffer.data() + mUsed;
    }
    void commit(char* end) { mUsed = static_cast<std::size_t>(end - mBuffer.data()); }

    void text(const char* s, std::size_t n)
    {
        if (n > ROOM)
        {
            flush();
            mOut.write(s, static_cast<std::streamsize>(n));
            return;
        }
        char* p = reserve(n);
        std::memcpy(p, s, n);
        commit(p + n);
    }
    void text(const char* s) { text(s, std::strlen(s)); }
    void text(const std::string& s) { text(s.data(), s.size()); }
    // Numbers separated by sep and ended by end.
    void floats(const Vector3<float>& v, char sep, char end);
    void unsigned3(unsigned int a, unsigned int b, unsigned int c, char sep, char end);
    void uint32le(std::uint32_t value);
    void float32le(float value);

    static constexpr std::size_t ROOM = 1024;

private:
    std::ostream& mOut;
    std::size_t mUsed = 0;
    std::vector<char> mBuffer = std::vector<char>(std::size_t(1) << 16);
};
} // namespace meshio
