#include "Console.h"
#include "io/MeshReaders.h"
#include "io/Polygon.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <system_error>
#include <thread>

namespace meshio
{
namespace
{
constexpr std::size_t DEFAULT_CHUNK = std::size_t(1) << 14;
std::size_t chunk = DEFAULT_CHUNK; // NOLINT: a test hook, set before reading
} // namespace

Crew::Crew(unsigned int threads)
    : mThreads(threads), mSpin(threads <= std::thread::hardware_concurrency()), mFailed(threads)
{
    try
    {
        for (unsigned int share = 0; share + 1 < threads; ++share)
            mHelpers.emplace_back(&Crew::serve, this, share);
    }
    catch (const std::system_error&)
    {
        // No more threads to be had: the calling thread takes the other shares.
    }
}

Crew::~Crew()
{
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        mQuit = true;
        ++mStep;
    }
    mWake.notify_all();
    for (std::thread& t : mHelpers)
        t.join();
}

namespace
{
// A step comes a few milliseconds after the last: waiting for it a while without sleeping
// spares the wake-up, which costs more than the wait; but not where threads outnumber the
// cores, and a waiting one would hold a core another needs.
template <class Done> bool spinUntil(Done done, bool spin)
{
    for (int i = 0; spin && i < 50000; ++i)
        if (done())
            return true;
    return false;
}
} // namespace

void Crew::serve(unsigned int share)
{
    for (std::uint64_t seen = 0;; ++seen)
    {
        const auto started = [&] { return mStep.load() != seen; };
        if (!spinUntil(started, mSpin))
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mWake.wait(lock, started);
        }
        if (mQuit)
            return;
        try
        {
            (*mWork)(share);
        }
        catch (...)
        {
            mFailed[share] = std::current_exception();
        }
        if (--mBusy == 0)
        {
            const std::lock_guard<std::mutex> lock(mMutex);
            mDone.notify_one();
        }
    }
}

void Crew::run(const std::function<void(unsigned int)>& work)
{
    mWork = &work;
    const auto helpers = static_cast<unsigned int>(mHelpers.size());
    mBusy = helpers;
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        ++mStep;
    }
    mWake.notify_all();
    for (unsigned int share = helpers; share < mThreads; ++share)
        try
        {
            work(share);
        }
        catch (...)
        {
            mFailed[share] = std::current_exception();
        }
    const auto done = [this] { return mBusy.load() == 0; };
    if (!spinUntil(done, mSpin))
    {
        std::unique_lock<std::mutex> lock(mMutex);
        mDone.wait(lock, done);
    }
    for (std::exception_ptr& e : mFailed)
        if (e)
        {
            const std::exception_ptr first = e;
            std::fill(mFailed.begin(), mFailed.end(), nullptr);
            std::rethrow_exception(first);
        }
}

std::size_t chunkRecords()
{
    return chunk;
}

void setChunkRecords(std::size_t records)
{
    chunk = records > 0 ? records : DEFAULT_CHUNK;
}

bool addFace(const unsigned int* corners, std::size_t count, const MeshReadOptions& options,
             MeshData& data, MeshReadStats& stats)
{
    if (count < 3 || (count > 4 && !options.splitPolygons))
        return false;
    const std::size_t first = data.tris.size();
    if (count == 3)
        data.tris.emplace_back(corners[0], corners[1], corners[2]);
    else if (count == 4)
    {
        data.tris.emplace_back(corners[0], corners[1], corners[3]);
        data.tris.emplace_back(corners[1], corners[2], corners[3]);
    }
    else
    {
        for (std::size_t i = 1; i + 1 < count; ++i)
            data.tris.emplace_back(corners[0], corners[i], corners[i + 1]);
        ++stats.splitPolygons;
        if (count > stats.largestPolygon)
            stats.largestPolygon = static_cast<unsigned int>(
                std::min<std::size_t>(count, std::numeric_limits<unsigned int>::max()));
    }
    if (count > 3)
        markFace(data.faceRuns, first, data.tris.size());
    return true;
}

std::string faceRefusal(std::size_t count)
{
    if (count < 3)
        return "a face with " + std::to_string(count) + " corners (at least three are needed)";
    return "a face with " + std::to_string(count) +
           " corners (faces of more than four corners are split only on request)";
}

OffKeyword offKeyword(const std::string& token)
{
    std::size_t at = 0;
    const auto take = [&](const char* prefix)
    {
        const std::size_t n = std::strlen(prefix);
        if (token.compare(at, n, prefix) != 0)
            return false;
        at += n;
        return true;
    };
    bool extra = take("ST");
    extra = take("C") || extra;
    extra = take("N") || extra;
    bool higher = take("4");
    higher = take("n") || higher;
    if (token.compare(at, std::string::npos, "OFF") != 0)
        return OffKeyword::NONE;
    return higher ? OffKeyword::HIGHER : extra ? OffKeyword::EXTRA : OffKeyword::PLAIN;
}

bool reject(ReadError& error, std::string message, std::uint64_t line, std::uint64_t byte)
{
    error.kind = ReadFailure::REJECTED;
    error.message = std::move(message);
    error.line = line;
    error.byte = byte;
    return false;
}

std::size_t reserveFor(std::uint64_t count, std::uint64_t itemBytes, const Source& source)
{
    // Without a size, a start that grows: a pipe's lying header costs nothing.
    const std::uint64_t fits =
        source.sizeHint > 0 ? source.sizeHint / std::max<std::uint64_t>(itemBytes, 1) : 1 << 16;
    return static_cast<std::size_t>(std::min(count, fits));
}
} // namespace meshio
