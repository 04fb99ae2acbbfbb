#include "ObjIO.h"

#include "Console.h"
#include "io/Polygon.h"
#include "io/TextInput.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <iostream>
#include <limits>
#include <mutex>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sstream>
#include <system_error>
#include <thread>

namespace
{
using meshio::keywordIs;
using meshio::parseFloat;
using meshio::quoted;

static_assert(ObjIO::MAX_LINE_BYTES == meshio::MAX_LINE_BYTES &&
                  ObjIO::MAX_SKIPPED_LINE_BYTES == meshio::MAX_SKIPPED_LINE_BYTES,
              "every reader has the same line limits");

// Calls visit(tokBegin, tokEnd) for each blank-separated token of [begin, end) until visit
// returns false. Returns the number of tokens visited.
template <typename Visit>
unsigned int forEachToken(const char* begin, const char* end, Visit&& visit)
{
    unsigned int count = 0;
    const char* b = nullptr;
    const char* e = nullptr;
    while (meshio::nextToken(begin, end, b, e))
    {
        ++count;
        if (!visit(b, e))
            break;
    }
    return count;
}

const char* keywordEnd(const char* begin, const char* end)
{
    return meshio::tokenEnd(begin, end);
}

// The growing parse arrays leave freed blocks between the ones still in use, and the C
// library keeps such pages instead of handing them back. When the triangles are released
// during a load, hand them back too, so that the mesh does not grow on top of them.
void returnFreedPages()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// Whether a line that begins [begin, end), the rest not yet seen, may be one the reader reads:
// "v", "vn", "f" or "F".
bool mayBeReadLine(const char* begin, const char* end)
{
    const char* kwEnd = keywordEnd(begin, end);
    if (kwEnd == end && kwEnd - begin <= 2) // the keyword may go on
        return *begin == 'f' || *begin == 'F' ||
               (*begin == 'v' && (kwEnd - begin == 1 || begin[1] == 'n'));
    return keywordIs(begin, kwEnd, "v") || keywordIs(begin, kwEnd, "vn") ||
           keywordIs(begin, kwEnd, "f") || keywordIs(begin, kwEnd, "F");
}
} // namespace

// The lines to read, parsed on several threads with the result of one pass. The reading
// thread cuts them into chunks of whole lines, each told the number of every line and the
// positions before it (so that relative indices, forward references and the bound on
// positions resolve as in one pass), and parses the chunks the others do not take in
// time. The results join in file order, on the other threads (on the reading one only
// where it would wait otherwise); the first chunk with an error ends the load with its
// message.
class ObjIO::Chunks
{
public:
    explicit Chunks(ObjIO& reader)
        : mReader(reader), mMaxChunks(4 * std::size_t(reader.mThreads) + 4)
    {
        mSpare.reserve(mMaxChunks + 2);
    }
    Chunks(const Chunks&) = delete;
    Chunks& operator=(const Chunks&) = delete;
    ~Chunks()
    {
        {
            const std::lock_guard<std::mutex> lock(mMutex);
            mStop = true;
        }
        mChanged.notify_all();
        for (std::thread& t : mWorkers)
            t.join();
    }

    // Takes a line that was read; false once a chunk failed (finish then says which).
    bool add(const char* begin, const char* end, unsigned long line)
    {
        // Only lines that parseLine acts on: "v", "vn", "f" and "F".
        if (begin == end || (*begin != 'v' && *begin != 'f' && *begin != 'F'))
            return true;
        std::size_t keyword = 1; // counted up to 3
        while (keyword < 3 && begin + keyword < end && !meshio::isBlank(begin[keyword]))
            ++keyword;
        const bool position = keyword == 1 && *begin == 'v';
        if (keyword > 2 || (keyword == 2 && (*begin != 'v' || begin[1] != 'n')))
            return true;
        if (static_cast<std::size_t>(end - begin) >= mReader.mChunkBytes)
        {
            // Parsed in place, where the window holds it, rather than copied.
            submit();
            std::unique_ptr<Chunk> chunk = fresh();
            chunk->numbers.emplace_back(0, line);
            parse(*chunk, begin, end);
            chunk->claimed = chunk->parsed = true;
            std::unique_lock<std::mutex> lock(mMutex);
            mFailed = mFailed || !chunk->ok;
            mChunks.push_back(std::move(chunk));
            if (mWorkers.empty())
                joinParsed(lock);
        }
        else
        {
            if (!mCurrent)
                mCurrent = fresh();
            Chunk& c = *mCurrent;
            if (line != c.nextNumber)
                c.numbers.emplace_back(c.lines, line);
            c.nextNumber = line + 1;
            ++c.lines;
            c.text.append(begin, static_cast<std::size_t>(end - begin)).push_back('\n');
            if (c.text.size() >= mReader.mChunkBytes)
                submit();
        }
        mPositions += position ? 1 : 0;
        return !mFailed;
    }

    // Parses and joins what is left; false when a chunk failed, its message then written.
    bool finish()
    {
        std::unique_lock<std::mutex> lock(mMutex);
        if (mCurrent)
            queue(std::move(mCurrent));
        while (!mJoinFailed && (mJoining || !mChunks.empty()))
            helpOnce(lock);
        if (mJoinThrown)
            std::rethrow_exception(mJoinThrown);
        if (!mJoinFailed)
            return true;
        *mReader.mMessages << mFailMessage;
        mReader.mLine = mFailLine;
        return false;
    }

private:
    struct Chunk
    {
        // Empties a chunk that joined well for the next one; its arrays keep their memory.
        void reset(std::size_t positionsBefore)
        {
            text.clear();
            numbers.clear();
            lines = 0;
            nextNumber = 0;
            part.loadData.verts.clear();
            part.loadData.normals.clear();
            part.loadData.tris.clear();
            part.loadData.hasNormals = false;
            part.mFaceRuns.clear();
            part.mForwardReferences.clear();
            part.mPolygonsSplit = part.mLargestPolygon = 0;
            part.mPositionsBefore = positionsBefore;
            claimed = parsed = false;
        }
        std::string text; // whole lines, each with its line feed
        // (line of the chunk, its number in the file) where the numbers do not go on by one
        std::vector<std::pair<std::size_t, unsigned long>> numbers;
        std::size_t lines = 0;
        unsigned long nextNumber = 0;
        ObjIO part; // parses the chunk, its arrays holding the result
        std::ostringstream messages;
        bool claimed = false, parsed = false, ok = true;
        std::exception_ptr thrown;
    };

    std::unique_ptr<Chunk> fresh()
    {
        std::unique_ptr<Chunk> c;
        {
            const std::lock_guard<std::mutex> lock(mMutex);
            if (!mSpare.empty())
            {
                c = std::move(mSpare.back());
                mSpare.pop_back();
            }
        }
        if (!c)
            c = std::make_unique<Chunk>();
        c->reset(mPositions);
        return c;
    }

    void parse(Chunk& c, const char* p, const char* end) const
    {
        ObjIO& part = c.part;
        part.mTriangulatePolygons = mReader.mTriangulatePolygons;
        part.mMessages = &c.messages;
        std::size_t jump = 0;
        unsigned long number = 0;
        for (std::size_t i = 0; p < end; ++i)
        {
            const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            const char* e = found ? static_cast<const char*>(found) : end;
            const bool jumps = jump < c.numbers.size() && c.numbers[jump].first == i;
            number = jumps ? c.numbers[jump++].second : number + 1;
            part.mLine = number;
            if (!part.parseLine(p, e))
            {
                c.ok = false;
                return;
            }
            p = e + 1;
        }
    }

    // The next chunk no thread took, or null; with the lock held.
    Chunk* claim()
    {
        while (mNext < mChunks.size())
        {
            Chunk& c = *mChunks[mNext++];
            if (!c.claimed)
            {
                c.claimed = true;
                --mWaiting;
                return &c;
            }
        }
        return nullptr;
    }

    // The reading thread leaves the joining to the others when there are any: it has the
    // cutting to do.
    void parseClaimed(std::unique_lock<std::mutex>& lock, Chunk& c, bool join)
    {
        lock.unlock();
        try
        {
            parse(c, c.text.data(), c.text.data() + c.text.size());
        }
        catch (...)
        {
            c.thrown = std::current_exception();
        }
        lock.lock();
        c.parsed = true;
        mFailed = mFailed || !c.ok || c.thrown;
        if (join)
            joinParsed(lock);
        mChanged.notify_all();
    }

    void queue(std::unique_ptr<Chunk> chunk)
    {
        mChunks.push_back(std::move(chunk));
        ++mWaiting;
        mChanged.notify_one();
    }

    void submit()
    {
        if (!mCurrent)
            return;
        if (mWorkers.empty() && !mTriedWorkers)
            startWorkers();
        std::unique_lock<std::mutex> lock(mMutex);
        queue(std::move(mCurrent));
        // Parse here while more chunks wait than the other threads take (they never run
        // dry), and wait while too many are held (one that takes long holds up the join).
        while (!mJoinFailed && (mWaiting > mWorkers.size() || mChunks.size() > mMaxChunks))
            helpOnce(lock);
    }

    // One step of the reading thread's share while it waits: parse a chunk no one took, or
    // join the next parsed one, or wait for a change.
    void helpOnce(std::unique_lock<std::mutex>& lock)
    {
        if (Chunk* c = claim())
            parseClaimed(lock, *c, mWorkers.empty());
        else if (!mJoining && mChunks.front()->parsed)
            joinParsed(lock);
        else
            mChanged.wait(lock);
    }

    void startWorkers()
    {
        mTriedWorkers = true;
        try
        {
            while (mWorkers.size() + 1 < mReader.mThreads)
                mWorkers.emplace_back([this] { work(); });
        }
        catch (const std::system_error&)
        {
            // Fewer threads: the reading thread parses what they do not.
        }
    }

    void work()
    {
        std::unique_lock<std::mutex> lock(mMutex);
        while (true)
        {
            mChanged.wait(lock, [this] { return mStop || mNext < mChunks.size(); });
            if (mStop)
                return;
            if (Chunk* c = claim())
                parseClaimed(lock, *c, true);
        }
    }

    // Joins the parsed chunks at the front into the reader, in file order, one thread at a
    // time, until one failed. With the lock held; it is let go while copying.
    void joinParsed(std::unique_lock<std::mutex>& lock)
    {
        if (mJoining)
            return;
        mJoining = true;
        while (!mJoinFailed && !mChunks.empty() && mChunks.front()->parsed)
        {
            std::unique_ptr<Chunk> c = std::move(mChunks.front());
            mChunks.pop_front();
            mNext -= mNext > 0 ? 1 : 0; // a chunk parsed in place is passed by claim later
            lock.unlock();
            bool ok = false;
            try
            {
                ok = join(*c);
            }
            catch (...)
            {
                mJoinThrown = std::current_exception();
            }
            lock.lock();
            mJoinFailed = !ok;
            mFailed = mFailed || !ok;
            if (ok && mSpare.size() < mSpare.capacity()) // fresh memory for every chunk costs more
                mSpare.push_back(std::move(c));
        }
        mJoining = false;
        mChanged.notify_all();
    }

    bool join(Chunk& c)
    {
        if (c.thrown)
            std::rethrow_exception(c.thrown);
        ObjIO& to = mReader;
        ObjIO& from = c.part;
        const auto append = [](auto& a, const auto& b) { a.insert(a.end(), b.begin(), b.end()); };
        if (!from.mFaceRuns.empty())
        {
            to.mFaceRuns.resize(to.loadData.tris.size(), false);
            append(to.mFaceRuns, from.mFaceRuns);
        }
        append(to.loadData.verts, from.loadData.verts);
        append(to.loadData.normals, from.loadData.normals);
        append(to.loadData.tris, from.loadData.tris);
        append(to.mForwardReferences, from.mForwardReferences);
        to.loadData.hasNormals = to.loadData.hasNormals || from.loadData.hasNormals;
        to.mPolygonsSplit += from.mPolygonsSplit;
        to.mLargestPolygon = std::max(to.mLargestPolygon, from.mLargestPolygon);
        if (c.ok)
            return true;
        mFailMessage = c.messages.str();
        mFailLine = from.mLine;
        return false;
    }

    ObjIO& mReader; // its arrays are written by the thread that joins, its line by finish
    // Chunks cut and not joined: with the one being cut and the line in the window, all the
    // text held (chunks are reused, see mSpare).
    const std::size_t mMaxChunks;
    std::unique_ptr<Chunk> mCurrent; // being cut
    std::size_t mPositions = 0;      // position lines cut so far
    bool mTriedWorkers = false;
    std::vector<std::thread> mWorkers;
    std::atomic<bool> mFailed{false}; // a chunk failed: no more need to be cut
    std::mutex mMutex;                // guards what follows
    std::condition_variable mChanged;
    std::deque<std::unique_ptr<Chunk>> mChunks; // cut and not joined yet, in file order
    std::size_t mNext = 0;                      // index in mChunks from which claim looks
    std::size_t mWaiting = 0;                   // chunks in mChunks no thread took yet
    std::vector<std::unique_ptr<Chunk>> mSpare; // joined, for reuse
    bool mJoining = false;
    bool mJoinFailed = false;
    std::exception_ptr mJoinThrown;
    std::string mFailMessage;
    unsigned long mFailLine = 0;
    bool mStop = false;
};

bool ObjIO::fail(const std::string& what) const
{
    *mMessages << "Error: OBJ line " << mLine << ": " << what << std::endl;
    return false;
}

bool ObjIO::load(Mesh* mesh, std::istream& is)
{
    // A stream that did not open never reaches a 'v' line nor its end: stop here rather
    // than scan it forever.
    if (!is.good())
    {
        *mMessages << "Error: OBJ input stream is not readable" << std::endl;
        return false;
    }
    mPolygonsSplit = 0;
    mIrregularFaces = 0;
    mFaceRuns.clear();
    mLargestPolygon = 0;
    mInput.reset();
    if (!readByteOrderMark(is) || !readHeader(is))
    {
        mInput.reset();
        return false;
    }
    const bool read = readData(is);
    mInput.reset(); // the window is not needed while the mesh is fed
    if (!read)
        return false;
    // Faces are split truly once every position is known.
    mIrregularFaces = meshio::splitFaces(loadData.verts, loadData.tris, mFaceRuns);

    loadData.hasNormals = false;
    loadData.normals.clear();

    if (mesh == nullptr) // read only: the caller takes loadData
        return true;
    const std::vector<Vector3<float>>& verts = loadData.verts;
    std::vector<Vector3<unsigned int>>& tris = loadData.tris;
    if (!tris.empty())
        mesh->reserve(Mesh::usedPositions(verts.size(), tris), tris.size());

    if (!mReleaseTriangles)
    {
        mesh->addTriangles(verts, tris, 0, tris.size());
        return true;
    }
    // An eighth at a time, each let go once the mesh holds it.
    returnFreedPages();
    const std::size_t step = std::max<std::size_t>(tris.size() / 8, 1 << 16);
    while (!tris.empty())
    {
        const std::size_t count = std::min(step, tris.size());
        mesh->addTriangles(verts, tris, 0, count);
        std::vector<Vector3<unsigned int>>(tris.begin() + static_cast<std::ptrdiff_t>(count),
                                           tris.end())
            .swap(tris);
        returnFreedPages();
    }
    return true;
}

meshio::Input& ObjIO::input(std::istream& is)
{
    if (!mInput || mInputSource != is.rdbuf())
    {
        mInput = std::make_shared<meshio::Input>(*is.rdbuf());
        mInput->passOverEmptyLines(true);
        mInputSource = is.rdbuf();
    }
    return *mInput;
}

bool ObjIO::readByteOrderMark(std::istream& is)
{
    // The bytes are taken as they match. Whatever they begin is no 'v' line, so when they
    // stop matching, the rest of that line is dropped as the header scan would.
    meshio::Input& in = input(is);
    const std::size_t held = in.fill(4);
    const auto* bytes = reinterpret_cast<const unsigned char*>(in.data());
    std::size_t taken = 0;
    const auto next = [&](unsigned char byte)
    {
        if (taken >= held || bytes[taken] != byte)
            return false;
        ++taken;
        return true;
    };
    const char* encoding = nullptr;
    mLine = 0;
    bool bom = false;
    if (next(0xef))
        bom = next(0xbb) && next(0xbf);
    else if (next(0xfe))
    {
        if (next(0xff))
            encoding = "UTF-16";
    }
    else if (next(0xff))
    {
        if (next(0xfe))
            encoding = next(0) && next(0) ? "UTF-32" : "UTF-16";
    }
    else if (next(0))
    {
        if (next(0) && next(0xfe) && next(0xff))
            encoding = "UTF-32";
    }
    else
        return true;
    in.consume(taken);
    if (bom)
        return true;
    if (encoding)
    {
        *mMessages << "Error: OBJ input is " << encoding
                   << " text (it begins with a byte order mark); only ASCII and UTF-8 are read"
                   << std::endl;
        return false;
    }
    return skipHeaderLine(is);
}

bool ObjIO::skipHeaderLine(std::istream& is)
{
    meshio::Input& in = input(is);
    const char* begin = nullptr;
    const char* end = nullptr;
    const meshio::Input::Line got =
        in.nextLine(begin, end, [](const char*, const char*) { return false; });
    mLine = static_cast<unsigned long>(in.line());
    if (got == meshio::Input::Line::TOO_LONG_SKIPPED)
        return fail("the line is longer than 1 GiB");
    if (got == meshio::Input::Line::NO_DATA)
        return fail(meshio::NO_DATA_MESSAGE);
    return true;
}

bool ObjIO::readHeader(std::istream& is)
{
    meshio::Input& in = input(is);
    while (in.fill(1) > 0)
    {
        // A line given to skipHeaderLine must be the one looked at here.
        if (!in.passOver())
        {
            mLine = static_cast<unsigned long>(in.line());
            return fail(meshio::NO_DATA_MESSAGE);
        }
        if (in.fill(1) == 0)
            break;
        if (*in.data() == 'v')
            return true;
        if (!skipHeaderLine(is))
            return false;
    }
    return false;
}

bool ObjIO::readData(std::istream& is)
{
    // Lines come from a window over the stream (meshio::Input): a stream extraction per
    // token is several times slower, and holding the whole file at once would add its size
    // to the peak memory of a load.
    meshio::Input& in = input(is);
    mForwardReferences.clear();
    std::unique_ptr<Chunks> chunks;
    if (mThreads > 1)
        chunks = std::make_unique<Chunks>(*this);
    const char* begin = nullptr;
    const char* end = nullptr;
    bool atEnd = false;
    while (!atEnd)
    {
        const meshio::Input::Line got = in.nextLine(begin, end, mayBeReadLine);
        mLine = static_cast<unsigned long>(in.line());
        switch (got)
        {
        case meshio::Input::Line::END:
            atEnd = true;
            break;
        case meshio::Input::Line::TOO_LONG:
            return failAfter(chunks.get(), "the line is longer than 64 MiB");
        case meshio::Input::Line::TOO_LONG_SKIPPED:
            return failAfter(chunks.get(), "the line is longer than 1 GiB");
        case meshio::Input::Line::NO_DATA:
            return failAfter(chunks.get(), meshio::NO_DATA_MESSAGE);
        case meshio::Input::Line::SKIPPED:
            break;
        case meshio::Input::Line::READ:
            if (chunks ? !chunks->add(begin, end, mLine) : !parseLine(begin, end))
            {
                if (chunks)
                    chunks->finish(); // names the first error in file order
                return false;
            }
            break;
        }
    }
    if (chunks && !chunks->finish())
        return false;
    mLine = static_cast<unsigned long>(in.line());
    is.setstate(std::ios::eofbit);

    // Faces may name positions that stand later in the file, so indices beyond the
    // positions read so far are only judged once all positions are known.
    const std::size_t numVerts = loadData.verts.size();
    for (const ForwardReference& ref : mForwardReferences)
        if (ref.index > numVerts)
        {
            mLine = ref.line;
            return fail("vertex index " + std::to_string(ref.index) + " is beyond the " +
                        std::to_string(numVerts) + " positions in the file");
        }
    return true;
}

bool ObjIO::failAfter(Chunks* chunks, const std::string& what)
{
    // The lines before this one may hold an error of their own, which comes first.
    const unsigned long line = mLine;
    if (chunks && !chunks->finish())
        return false;
    mLine = line;
    return fail(what);
}

bool ObjIO::parseLine(const char* begin, const char* end)
{
    if (begin == end)
        return true;
    const char first = *begin;
    if (first == 'v' || first == 'V')
    {
        const char* kwEnd = keywordEnd(begin, end);
        if (keywordIs(begin, kwEnd, "v"))
        {
            Vector3<float> pos;
            if (!parsePosition(kwEnd, end, pos))
                return false;
            // Indices must stay below the half-edge mesh's sentinels.
            if (mPositionsBefore + loadData.verts.size() >=
                std::numeric_limits<unsigned int>::max() - 2)
                return fail("too many positions");
            loadData.verts.push_back(pos);
        }
        else if (keywordIs(begin, kwEnd, "vn"))
        {
            // Normals are dropped before the mesh is built, so a malformed one is not worth
            // rejecting the file for: what does not parse stays 0.
            Vector3<float> n;
            unsigned int i = 0;
            forEachToken(kwEnd, end,
                         [&](const char* b, const char* e)
                         {
                             float value = 0.0f;
                             n[i] = parseFloat(b, e, value) ? value : 0.0f;
                             return ++i < 3;
                         });
            loadData.hasNormals = true;
            loadData.normals.push_back(n);
        }
        return true;
    }
    if (first == 'f' || first == 'F')
    {
        const char* kwEnd = keywordEnd(begin, end);
        // A longer keyword ("fo") is no face: skip it like any unknown line.
        if (!keywordIs(begin, kwEnd, "f") && !keywordIs(begin, kwEnd, "F"))
            return true;
        return parseFace(kwEnd, end);
    }
    return true;
}

bool ObjIO::parsePosition(const char* begin, const char* end, Vector3<float>& out) const
{
    unsigned int count = 0;
    const char* badBegin = nullptr;
    const char* badEnd = nullptr;
    forEachToken(begin, end,
                 [&](const char* b, const char* e)
                 {
                     if (!parseFloat(b, e, out[count]))
                     {
                         badBegin = b;
                         badEnd = e;
                         return false;
                     }
                     return ++count < 3;
                 });
    if (badBegin)
        return fail("bad number " + quoted(badBegin, badEnd) +
                    " in a position (coordinates must be finite decimal numbers)");
    if (count < 3)
        return fail("a position needs three coordinates, found " + std::to_string(count));
    return true;
}

// One block: the checks of a corner read best together.
// NOLINTNEXTLINE(readability-function-cognitive-complexity)
bool ObjIO::parseFace(const char* begin, const char* end)
{
    // Every token after the keyword is a corner, a trailing comment included.
    const unsigned int numCorners =
        forEachToken(begin, end, [](const char*, const char*) { return true; });
    if (numCorners < 3 || (numCorners > 4 && !mTriangulatePolygons))
    {
        *mMessages << "Encountered polygon with " << numCorners << " faces. Bailing out.\n";
        return false;
    }

    mCorners.clear();
    bool ok = true;
    forEachToken(begin, end,
                 [&](const char* b, const char* e)
                 {
                     // "p", "p/t", "p/t/n" and "p//n": only the position index p is used.
                     const char* slash = static_cast<const char*>(
                         std::memchr(b, '/', static_cast<std::size_t>(e - b)));
                     const char* fieldEnd = slash ? slash : e;
                     const char* digits = b;
                     const bool negative = digits < fieldEnd && *digits == '-';
                     if (digits < fieldEnd && (*digits == '-' || *digits == '+'))
                         ++digits;
                     unsigned long value = 0;
                     const std::from_chars_result r = std::from_chars(digits, fieldEnd, value);
                     if (digits == fieldEnd || r.ptr != fieldEnd || r.ec != std::errc())
                     {
                         ok = fail("bad vertex index " + quoted(b, e));
                         return false;
                     }
                     if (value == 0)
                     {
                         ok = fail("vertex index " + quoted(b, fieldEnd) +
                                   " is invalid (indices start at 1)");
                         return false;
                     }
                     const std::size_t numVerts = mPositionsBefore + loadData.verts.size();
                     if (negative)
                     {
                         // Relative to the positions read so far, as OBJ defines it.
                         if (value > numVerts)
                         {
                             ok = fail("relative vertex index " + quoted(b, fieldEnd) +
                                       " reaches before the first position");
                             return false;
                         }
                         mCorners.push_back(static_cast<unsigned int>(numVerts - value));
                         return true;
                     }
                     if (value >= std::numeric_limits<unsigned int>::max() - 1)
                     {
                         ok = fail("vertex index " + quoted(b, fieldEnd) + " is out of range");
                         return false;
                     }
                     if (value > numVerts)
                         mForwardReferences.push_back(ForwardReference{mLine, value});
                     mCorners.push_back(static_cast<unsigned int>(value - 1));
                     return true;
                 });
    if (!ok)
        return false;

    const std::vector<unsigned int>& c = mCorners;
    const std::size_t first = loadData.tris.size();
    if (numCorners == 3)
        loadData.tris.emplace_back(c[0], c[1], c[2]);
    else if (numCorners == 4)
    {
        // The quad a b c d is cut along b-d; both halves keep its winding.
        loadData.tris.emplace_back(c[0], c[1], c[3]);
        loadData.tris.emplace_back(c[1], c[2], c[3]);
    }
    else
    {
        for (std::size_t i = 1; i + 1 < c.size(); ++i)
            loadData.tris.emplace_back(c[0], c[i], c[i + 1]);
        ++mPolygonsSplit;
        mLargestPolygon = std::max<unsigned long long>(mLargestPolygon, numCorners);
    }
    if (numCorners > 3)
        meshio::markFace(mFaceRuns, first, loadData.tris.size());
    return true;
}

Vector3<unsigned int> ObjIO::readTri(std::istream& is)
{
    std::string keyword;
    is >> keyword;
    std::string rest;
    std::getline(is, rest);
    return Vector3<unsigned int>(rest) - Vector3<unsigned int>(1, 1, 1);
}

void ObjIO::splitQuad(std::istream& is, Vector3<unsigned int>& tri1, Vector3<unsigned int>& tri2)
{
    std::string keyword;
    unsigned int i0 = 0, i1 = 0, i2 = 0, i3 = 0;
    is >> keyword >> i0 >> i1 >> i2 >> i3;
    tri1 = Vector3<unsigned int>(i0 - 1, i1 - 1, i3 - 1);
    tri2 = Vector3<unsigned int>(i1 - 1, i2 - 1, i3 - 1);
}
