#pragma once

#include "MeshFile.h"
#include "TextInput.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The readers behind loadMeshFile, each over a window of its stream (meshio::Input) that
// holds the first bytes already. Each fills data from empty and returns true, or returns
// false with the error's message and position set.
namespace meshio
{
// What is known of the input besides its bytes.
struct Source
{
    bool whole = false;         // the window holds all of it (it is at most MESH_HEAD_BYTES)
    std::uint64_t sizeHint = 0; // its size when a regular file, else 0: for reserving only
};

bool readStl(Input& input, const Source& source, bool binary, const MeshReadOptions& options,
             MeshData& data, MeshReadStats& stats, ReadError& error);
bool readPly(Input& input, const Source& source, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, ReadError& error);
bool readOff(Input& input, const Source& source, const MeshReadOptions& options, MeshData& data,
             MeshReadStats& stats, ReadError& error);

// The OFF keyword: [ST][C][N][4][n]OFF. The 4 and n prefixes are 4-D and n-D files.
enum class OffKeyword
{
    NONE,
    PLAIN, // OFF
    EXTRA, // ST, C or N: columns after the coordinates, one vertex per line
    HIGHER // 4 or n: more than three dimensions
};
OffKeyword offKeyword(const std::string& token);

// Vertex indices stay below the half-edge mesh's two sentinels.
constexpr std::uint64_t MAX_VERTICES = 0xFFFFFFFFull - 2;

// Sets error to one rejection; false, for returning.
bool reject(ReadError& error, std::string message, std::uint64_t line, std::uint64_t byte);

// How many items to reserve room for when count are declared, each taking at least
// itemBytes of the input: a header that lies must not allocate beyond the input.
std::size_t reserveFor(std::uint64_t count, std::uint64_t itemBytes, const Source& source);

// Appends the triangles of a face whose corners are already checked: a quad a b c d as
// a b d and b c d (as ObjIO cuts it), a larger face as a fan from its first corner when
// options allow. False for fewer than three corners or an unsplit larger face.
bool addFace(const unsigned int* corners, std::size_t count, const MeshReadOptions& options,
             MeshData& data, MeshReadStats& stats);
// Why addFace refused a face of this many corners.
std::string faceRefusal(std::size_t count);

// Helper threads kept through one read (starting a thread per step costs more than a small
// step): run(work) runs work(0) .. work(threads - 1) at once, the last on the calling
// thread, and after all have ended rethrows the exception of the lowest share that threw.
class Crew
{
public:
    explicit Crew(unsigned int threads);
    ~Crew();
    Crew(const Crew&) = delete;
    Crew& operator=(const Crew&) = delete;
    void run(const std::function<void(unsigned int)>& work);

private:
    void serve(unsigned int share);

    const unsigned int mThreads;
    const bool mSpin; // no more threads than cores
    std::mutex mMutex;
    std::condition_variable mWake, mDone;
    const std::function<void(unsigned int)>* mWork = nullptr;
    std::atomic<std::uint64_t> mStep{0};
    std::atomic<unsigned int> mBusy{0};
    bool mQuit = false;
    std::vector<std::exception_ptr> mFailed;
    std::vector<std::thread> mHelpers;
};
// The records (triangles, rows) a reader on several threads takes from the window at a
// time. Setting 0 restores the default; tests set a few, so that small files cross many.
std::size_t chunkRecords();
void setChunkRecords(std::size_t records);
// The first of count records that share of threads takes; share == threads gives count.
inline std::size_t shareStart(std::size_t count, unsigned int share, unsigned int threads)
{
    return static_cast<std::size_t>(std::uint64_t(count) * share / threads);
}
} // namespace meshio
