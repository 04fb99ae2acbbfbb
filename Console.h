#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

// Text for the console shared by the programs: progress lines for long loads, and any bytes
// (a file name, a token from a file) made safe to show.

// One line per phase of a long job, such as "meshinfo: reading...", on standard error. Only
// a terminal gets them, and only for inputs large enough to take about a second or more, so
// scripts and logs see exactly what they saw before.
class Progress
{
public:
    static constexpr long long THRESHOLD_BYTES = 16ll * 1000 * 1000;

    // prefix starts every line ("meshinfo", or "meshinfo: FILE" when there are several).
    // inputBytes is the size of the input, or -1 when not known (a pipe).
    Progress(std::string prefix, long long inputBytes);
    // For tests: on or off whatever the input, and lines to out.
    Progress(std::string prefix, bool enabled, std::ostream& out);

    bool enabled() const { return mEnabled; }
    // "PREFIX: what..." when enabled, written and flushed as one piece.
    void phase(const char* what) const;

private:
    std::string mPrefix;
    bool mEnabled;
    std::ostream* mOut;
};

// bytes with every byte that would not show as itself on a terminal written as \xNN:
// control characters, DEL and bytes that are not part of a valid UTF-8 sequence. Valid
// UTF-8 stays. With maxBytes given, only the first maxBytes bytes are shown, then "...".
std::string printable(const std::string& bytes, std::size_t maxBytes = std::string::npos);

// bytes with every byte that is not part of a valid UTF-8 sequence replaced by U+FFFD, so
// that any file name can stand in a JSON document.
std::string validUtf8(const std::string& bytes);

// A JSON string literal of text, quoted and escaped; always valid UTF-8 (see validUtf8).
std::string jsonString(const std::string& text);
