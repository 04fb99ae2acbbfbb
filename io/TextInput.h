#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <streambuf>
#include <string>
#include <vector>

// The reading stack every format shares, OBJ included: a bounded window over a stream that
// hands out lines (found with memchr) or fixed-size records, and the token and number
// helpers. No reader holds more of its input than one line or one record plus a block.
namespace meshio
{
// A line a reader reads may hold up to MAX_LINE_BYTES; a line it only passes over (a
// comment, a name) up to MAX_SKIPPED_LINE_BYTES, in constant memory. Longer lines reject
// the input.
constexpr std::size_t MAX_LINE_BYTES = std::size_t(64) << 20;
constexpr std::size_t MAX_SKIPPED_LINE_BYTES = std::size_t(1) << 30;
// Valid files never hold megabytes of blank lines or comments in a row, and an endless pipe
// of them must stop: a reader that passes over such lines rejects more than this in a row.
constexpr std::size_t MAX_NO_DATA_BYTES = std::size_t(16) << 20;
constexpr const char* NO_DATA_MESSAGE = "no data in the last 16 MiB";

// The white space between tokens of the text formats; a carriage return before the line
// feed is one of them, so CRLF files read like LF files.
inline bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A whole token as a finite float, correctly rounded from its decimal text. A leading '+' is
// allowed ("+-1" and "++1" are not); hexadecimal, "nan", "inf", a decimal comma and
// trailing junk are not. Values too small for a float become 0 or a subnormal; values too
// large are rejected.
bool parseFloat(const char* begin, const char* end, float& out);
// The same for a double (values of PLY properties that are not coordinates).
bool parseDouble(const char* begin, const char* end, double& out);
// A whole token as a decimal integer, with the same sign rule.
bool parseInteger(const char* begin, const char* end, std::int64_t& out);

// The end of the token that starts at begin.
const char* tokenEnd(const char* begin, const char* end);
// The next blank-separated token of [pos, end): false when there is none. Inline: it runs
// for every token of every text format.
inline bool nextToken(const char*& pos, const char* end, const char*& tokenBegin,
                      const char*& tokenEnd)
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
bool keywordIs(const char* begin, const char* end, const char* word);
// A token for a message: quoted, cut after 40 bytes, bytes a terminal would not show escaped.
std::string quoted(const char* begin, const char* end);

// A window over a stream. Bytes are taken in blocks that start small and double up to
// 1 MiB; the window holds the unfinished line or record and one block.
class Input
{
public:
    explicit Input(std::streambuf& source) : mSource(source) {}

    // Holds at least n bytes from the read position unless the stream ends first; returns
    // how many it holds.
    std::size_t fill(std::size_t n);
    const char* data() const { return mBuffer.data() + mPos; }
    std::size_t held() const { return mEnd - mPos; }
    void consume(std::size_t n)
    {
        mPos += n;
        mOffset += n;
    }
    bool atEnd() { return fill(1) == 0; }
    // From now on nextLine passes over lines of blanks (and with comments, lines whose first
    // non-blank is '#', up to 64 KiB long) without giving them.
    void passOverEmptyLines(bool comments)
    {
        mPassOver = true;
        mComments = comments;
    }
    // Passes over such lines now; false when more than MAX_NO_DATA_BYTES of them come in a
    // row, line() then being the line that went beyond.
    bool passOver();
    // Bytes consumed since the start.
    std::uint64_t offset() const { return mOffset; }

    enum class Line
    {
        READ,             // [begin, end) is the line, without its line feed
        SKIPPED,          // too long to hold and not kept: [begin, end) is its first bytes
        END,              // no more bytes
        TOO_LONG,         // a kept line beyond MAX_LINE_BYTES
        TOO_LONG_SKIPPED, // a passed-over line beyond MAX_SKIPPED_LINE_BYTES
        NO_DATA           // more than MAX_NO_DATA_BYTES of empty lines: line() is the last
    };
    // The next line. A line that does not fit a block is held while keep (if given) says its
    // first bytes may be of use, else passed over. Without keep every line is held.
    Line nextLine(const char*& begin, const char*& end,
                  bool (*keep)(const char* begin, const char* end) = nullptr)
    {
        // The common case inline: a whole line of a usual length is held.
        const char* p = data();
        if (mPassOver)
        {
            if (held() == 0 || *p == '\n' || isBlank(*p) || (mComments && *p == '#'))
            {
                if (!passOver())
                    return Line::NO_DATA;
                p = data();
            }
            else
                mNoData = 0;
        }
        const void* found = held() > 0 ? std::memchr(p, '\n', held()) : nullptr;
        if (!found ||
            static_cast<std::size_t>(static_cast<const char*>(found) - p) > MAX_LINE_BYTES)
            return nextLineSlow(begin, end, keep);
        ++mLine;
        mCut = false;
        begin = p;
        end = static_cast<const char*>(found);
        consume(static_cast<std::size_t>(end - p) + 1);
        return Line::READ;
    }
    // The number of the line given last, from 1.
    std::uint64_t line() const { return mLine; }
    // The line given last ended the stream without a line feed.
    bool lineCut() const { return mCut; }

private:
    void grow(std::size_t needed);
    Line nextLineSlow(const char*& begin, const char*& end,
                      bool (*keep)(const char* begin, const char* end));

    std::streambuf& mSource;
    std::vector<char> mBuffer;
    std::size_t mPos = 0;
    std::size_t mEnd = 0;
    std::size_t mBlock = std::size_t(1) << 16;
    bool mEof = false;
    std::uint64_t mOffset = 0;
    std::uint64_t mLine = 0;
    bool mCut = false;
    bool mPassOver = false;
    bool mComments = false;
    std::uint64_t mNoData = 0; // bytes of empty lines since the last line with data
    std::string mSkippedStart;
};

// The tokens of a text format read across lines (OFF, the body of an ASCII PLY): a token
// never crosses a line feed, and with comments on, '#' starts a comment to the end of its
// line.
class Tokens
{
public:
    Tokens(Input& input, bool comments) : mInput(input), mComments(comments) {}
    enum class Result
    {
        TOKEN,
        END,
        TOO_LONG,
        NO_DATA
    };
    Result next(const char*& begin, const char*& end);
    // The line of the token given last (or of the end).
    std::uint64_t line() const { return mInput.line(); }
    // Only blanks (and comments) are left on the current line.
    bool lineDone();
    // Drops the rest of the current line; its end.
    void skipLine() { mPos = mEnd; }
    const char* lineEnd() const { return mEnd; }

private:
    Input& mInput;
    bool mComments;
    const char* mPos = nullptr;
    const char* mEnd = nullptr;
};

// A stream buffer that gives the bytes an Input holds, then the rest of its stream: for a
// reader that takes an std::istream after the format was told from the first bytes.
class InputBuffer : public std::streambuf
{
public:
    explicit InputBuffer(Input& input, std::streambuf& rest) : mInput(input), mRest(rest) {}

protected:
    int_type underflow() override;
    std::streamsize xsgetn(char* out, std::streamsize n) override;

private:
    Input& mInput;
    std::streambuf& mRest;
    std::vector<char> mHead;
};
} // namespace meshio
