#include "Console.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>
#include <utility>

Progress::Progress(std::string prefix, long long inputBytes)
    : Progress(std::move(prefix), isatty(STDERR_FILENO) && inputBytes >= THRESHOLD_BYTES, std::cerr)
{
}

Progress::Progress(std::string prefix, bool enabled, std::ostream& out)
    : mPrefix(std::move(prefix)), mEnabled(enabled), mOut(&out)
{
}

void Progress::phase(const char* what) const
{
    if (mEnabled)
        *mOut << (mPrefix + ": " + what + "...\n") << std::flush;
}

namespace
{
// The length of the valid UTF-8 sequence at s[i], or 0. Overlong forms, surrogates and code
// points beyond U+10FFFF are not valid.
std::size_t utf8Length(const std::string& s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xbf; // allowed range of the second byte
    if (c >= 0xc2 && c <= 0xdf)
        n = 2;
    else if (c >= 0xe0 && c <= 0xef)
    {
        n = 3;
        lo = c == 0xe0 ? 0xa0 : 0x80;
        hi = c == 0xed ? 0x9f : 0xbf;
    }
    else if (c >= 0xf0 && c <= 0xf4)
    {
        n = 4;
        lo = c == 0xf0 ? 0x90 : 0x80;
        hi = c == 0xf4 ? 0x8f : 0xbf;
    }
    if (n == 0 || i + n > s.size() || byte(i + 1) < lo || byte(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xbf)
            return 0;
    return n;
}
} // namespace

std::string printable(const std::string& bytes, std::size_t maxBytes)
{
    const bool cut = bytes.size() > maxBytes;
    const std::string s = cut ? bytes.substr(0, maxBytes) : bytes;
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();)
    {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c < 0x7f)
        {
            out += s[i++];
            continue;
        }
        if (const std::size_t n = c >= 0x80 ? utf8Length(s, i) : 0)
        {
            out.append(s, i, n);
            i += n;
            continue;
        }
        static const char HEX[] = "0123456789abcdef";
        out += "\\x";
        out += HEX[c >> 4];
        out += HEX[c & 15];
        ++i;
    }
    return cut ? out + "..." : out;
}

std::string validUtf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();)
    {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const std::size_t n = c < 0x80 ? 1 : utf8Length(bytes, i);
        if (n == 0)
        {
            out += "\xef\xbf\xbd";
            ++i;
            continue;
        }
        out.append(bytes, i, n);
        i += n;
    }
    return out;
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char ch : validUtf8(text))
    {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\')
            out += '\\', out += ch;
        else if (c < 0x20)
        {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
            out += buffer;
        }
        else
            out += ch;
    }
    return out + "\"";
}
