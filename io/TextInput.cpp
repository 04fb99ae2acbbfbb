#include "io/TextInput.h"

#include "Console.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace meshio
{
namespace
{
constexpr std::size_t MAX_BLOCK = std::size_t(1) << 20;
// A window beyond this grows at once to hold the longest line: growing by doubling would
// hold the old and the new window at once, twice the bound.
constexpr std::size_t SMALL_WINDOW = std::size_t(4) << 20;

// After an optional '+', the token must start with a digit, a '.' or a '-' sign that is
// not preceded by the '+'.
bool stripPlus(const char*& begin, const char* end)
{
    if (begin < end && *begin == '+')
    {
        ++begin;
        if (begin < end && (*begin == '+' || *begin == '-'))
            return false;
    }
    return begin != end;
}

template <typename T> bool parseReal(const char* begin, const char* end, T& out)
{
    if (!stripPlus(begin, end))
        return false;
    const std::from_chars_result r = std::from_chars(begin, end, out);
    if (r.ptr != end)
        return false;
    if (r.ec == std::errc::result_out_of_range)
    {
        // Too small gives 0 or a subnormal, too large infinity, as the C library rounds.
        const std::string token(begin, end);
        out = static_cast<T>(sizeof(T) == sizeof(float) ? std::strtof(token.c_str(), nullptr)
                                                        : std::strtod(token.c_str(), nullptr));
    }
    else if (r.ec != std::errc())
        return false;
    return std::isfinite(out);
}

bool isCommentLine(const char* begin, const char* end)
{
    while (begin < end && isBlank(*begin))
        ++begin;
    return begin < end && *begin == '#';
}

bool keepUnlessComment(const char* begin, const char* end)
{
    return !isCommentLine(begin, end);
}
} // namespace

bool parseFloat(const char* begin, const char* end, float& out)
{
    return parseReal(begin, end, out);
}

bool parseDouble(const char* begin, const char* end, double& out)
{
    return parseReal(begin, end, out);
}

bool parseInteger(const char* begin, const char* end, std::int64_t& out)
{
    if (!stripPlus(begin, end))
        return false;
    const std::from_chars_result r = std::from_chars(begin, end, out);
    return r.ptr == end && r.ec == std::errc();
}

const char* tokenEnd(const char* begin, const char* end)
{
    while (begin < end && !isBlank(*begin))
        ++begin;
    return begin;
}

bool keywordIs(const char* begin, const char* end, const char* word)
{
    const std::size_t n = std::strlen(word);
    return static_cast<std::size_t>(end - begin) == n && std::memcmp(begin, word, n) == 0;
}

std::string quoted(const char* begin, const char* end)
{
    return "'" + printable(std::string(begin, std::min(end, begin + 41)), 40) + "'";
}

void Input::grow(std::size_t needed)
{
    if (needed > mBuffer.capacity())
        mBuffer.reserve(needed <= SMALL_WINDOW
                            ? std::max(needed, 2 * mBuffer.capacity())
                            : std::max(needed, MAX_LINE_BYTES + SMALL_WINDOW + MAX_BLOCK));
    if (needed > mBuffer.size())
        mBuffer.resize(needed);
}

std::size_t Input::fill(std::size_t n)
{
    if (held() >= n || mEof)
        return held();
    if (mPos > 0)
    {
        std::memmove(mBuffer.data(), mBuffer.data() + mPos, held());
        mEnd -= mPos;
        mPos = 0;
    }
    while (mEnd < n && !mEof)
    {
        const std::size_t want = std::max(n - mEnd, mBlock);
        grow(mEnd + want);
        const std::streamsize got =
            mSource.sgetn(mBuffer.data() + mEnd, static_cast<std::streamsize>(want));
        if (got <= 0)
            mEof = true;
        else
            mEnd += static_cast<std::size_t>(got);
        mBlock = std::min(2 * mBlock, MAX_BLOCK);
    }
    return held();
}

namespace
{
// How the line that starts at start of [p, p + h) looks to passOver, and where it ends.
struct LineLook
{
    enum Kind
    {
        EMPTY,        // blank or a comment: next is past its line feed
        DATA,         // a line with data
        MORE,         // blank so far: more bytes decide
        MORE_COMMENT, // a comment whose line feed is not held yet
        LONG_COMMENT  // left to nextLine, which passes over it in constant memory
    } kind;
    std::size_t next;
};

LineLook lookAt(const char* p, std::size_t start, std::size_t h, bool comments)
{
    constexpr std::size_t LONG_COMMENT = std::size_t(64) << 10;
    std::size_t i = start;
    while (i < h && isBlank(p[i]))
        ++i;
    if (i == h)
        return {LineLook::MORE, h};
    if (p[i] == '\n')
        return {LineLook::EMPTY, i + 1};
    if (!comments || p[i] != '#')
        return {LineLook::DATA, i};
    const void* found = std::memchr(p + i, '\n', h - i);
    const std::size_t next =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - p) + 1 : h;
    // Whether a comment counts depends on its length alone, not on what the window holds.
    if (next - start >= LONG_COMMENT)
        return {LineLook::LONG_COMMENT, next};
    return {found ? LineLook::EMPTY : LineLook::MORE_COMMENT, next};
}
} // namespace

// A byte loop over the window, not a call per line: an endless run of one-byte lines must
// reach the bound in well under a second.
bool Input::passOver()
{
    std::size_t had = 0;
    while (fill(had + 1) > had)
    {
        const char* p = data();
        const std::size_t h = held();
        std::size_t start = 0;
        LineLook look = lookAt(p, start, h, mComments);
        while (look.kind == LineLook::EMPTY && mNoData + (look.next - start) <= MAX_NO_DATA_BYTES)
        {
            mNoData += look.next - start;
            ++mLine;
            start = look.next;
            look = lookAt(p, start, h, mComments);
        }
        consume(start);
        if (look.kind == LineLook::EMPTY ||
            (look.kind == LineLook::MORE && mNoData + (h - start) > MAX_NO_DATA_BYTES))
        {
            ++mLine; // the line that went beyond
            return false;
        }
        if (look.kind == LineLook::DATA)
            mNoData = 0;
        if (look.kind == LineLook::DATA || look.kind == LineLook::LONG_COMMENT)
            return true;
        had = held();
    }
    return true;
}

// One loop over the states of a line (whole, held on, passed over), best read together.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
Input::Line Input::nextLineSlow(const char*& begin, const char*& end,
                                bool (*keep)(const char*, const char*))
{
    std::size_t searched = 0; // what is held has no line feed up to here
    while (true)
    {
        const char* p = data();
        const std::size_t h = held();
        const void* found = h > searched ? std::memchr(p + searched, '\n', h - searched) : nullptr;
        if (found || mEof)
        {
            if (!found && h == 0)
                return Line::END;
            const char* e = found ? static_cast<const char*>(found) : p + h;
            ++mLine;
            mCut = !found;
            begin = p;
            end = e;
            consume(static_cast<std::size_t>(e - p) + (found ? 1 : 0));
            if (static_cast<std::size_t>(e - p) > MAX_LINE_BYTES && (!keep || keep(p, e)))
                return Line::TOO_LONG;
            return Line::READ;
        }
        if (keep && h > 0 && !keep(p, p + h))
            break;
        if (h > MAX_LINE_BYTES)
        {
            ++mLine;
            return Line::TOO_LONG;
        }
        searched = h;
        fill(h + 1);
    }

    // A line of no use, passed over in constant memory; its first bytes stay for the caller.
    ++mLine;
    mSkippedStart.assign(data(), std::min<std::size_t>(held(), 64));
    std::uint64_t skipped = held();
    consume(held());
    begin = mSkippedStart.data();
    end = begin + mSkippedStart.size();
    while (true)
    {
        if (fill(1) == 0)
        {
            mCut = true;
            return Line::SKIPPED;
        }
        const void* found = std::memchr(data(), '\n', held());
        const std::size_t n =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - data()) : held();
        skipped += n;
        if (skipped > MAX_SKIPPED_LINE_BYTES)
            return Line::TOO_LONG_SKIPPED;
        consume(found ? n + 1 : n);
        if (found)
        {
            mCut = false;
            return Line::SKIPPED;
        }
    }
}

Tokens::Result Tokens::next(const char*& begin, const char*& end)
{
    while (true)
    {
        while (mPos < mEnd && isBlank(*mPos))
            ++mPos;
        if (mPos < mEnd && !(mComments && *mPos == '#'))
        {
            begin = mPos;
            mPos = tokenEnd(mPos, mEnd);
            end = mPos;
            return Result::TOKEN;
        }
        const char* b = nullptr;
        const char* e = nullptr;
        switch (mInput.nextLine(b, e, mComments ? keepUnlessComment : nullptr))
        {
        case Input::Line::END:
            mPos = mEnd = nullptr;
            return Result::END;
        case Input::Line::TOO_LONG:
        case Input::Line::TOO_LONG_SKIPPED:
            return Result::TOO_LONG;
        case Input::Line::NO_DATA:
            return Result::NO_DATA;
        case Input::Line::SKIPPED: // a comment
            mPos = mEnd = nullptr;
            break;
        case Input::Line::READ:
            mPos = b;
            mEnd = e;
            break;
        }
    }
}

bool Tokens::lineDone()
{
    while (mPos < mEnd && isBlank(*mPos))
        ++mPos;
    return mPos == mEnd || (mComments && *mPos == '#');
}

InputBuffer::int_type InputBuffer::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    if (mInput.held() > 0)
    {
        mHead.assign(mInput.data(), mInput.data() + mInput.held());
        mInput.consume(mInput.held());
    }
    else
    {
        mHead.resize(std::size_t(1) << 16);
        const std::streamsize n =
            mRest.sgetn(mHead.data(), static_cast<std::streamsize>(mHead.size()));
        mHead.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    if (mHead.empty())
        return traits_type::eof();
    setg(mHead.data(), mHead.data(), mHead.data() + mHead.size());
    return traits_type::to_int_type(mHead[0]);
}

std::streamsize InputBuffer::xsgetn(char* out, std::streamsize n)
{
    std::streamsize done = 0;
    while (done < n)
    {
        if (gptr() == egptr() && mInput.held() == 0)
        {
            // What the window held is given: the rest comes straight from the stream.
            const std::streamsize got = mRest.sgetn(out + done, n - done);
            return done + (got > 0 ? got : 0);
        }
        if (gptr() == egptr() && underflow() == traits_type::eof())
            break;
        const std::streamsize take = std::min<std::streamsize>(n - done, egptr() - gptr());
        std::memcpy(out + done, gptr(), static_cast<std::size_t>(take));
        gbump(static_cast<int>(take));
        done += take;
    }
    return done;
}
} // namespace meshio
