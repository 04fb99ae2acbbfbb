#pragma once

// meshinfo over collections: the files of folders and lists, and how many of them may be
// read at once within the memory there is.

#include <condition_variable>
#include <cstdint>
#include <istream>
#include <mutex>
#include <string>
#include <vector>

// A file to read, or (error set) a line to report in its place: a folder that cannot be read.
struct CollectionItem
{
    std::string path;
    std::string error;
};

// .obj .stl .ply .off in any case, alone or followed by .gz.
bool isMeshFileName(const std::string& name);

// The mesh files under folder: each folder's entries in bytewise order of their names,
// depth first. Symbolic links are followed, but no folder is walked twice (a link back to a
// parent ends there). Other kinds of files (pipes, devices) are left out.
void walkFolder(const std::string& folder, std::vector<CollectionItem>& items);

// An argument: a folder's mesh files, else the name itself. False when a folder holds none.
bool addArgument(const std::string& name, std::vector<CollectionItem>& items);

// One name a line; blank lines are skipped and a line's final carriage return dropped.
void readNameList(std::istream& in, std::vector<std::string>& names);

// "123", "64K", "512M", "2G", "1T" (powers of 1024); false for anything else or zero.
bool parseSize(const std::string& text, std::uint64_t& bytes);

// MemAvailable of /proc/meminfo; 0 when it cannot be read.
std::uint64_t availableMemory();

// The expected peak memory of reading and analysing a file of this size and name (a .gz by
// the size its trailer records), in bytes. The constants are measured: see Collection.cpp.
std::uint64_t estimatePeak(const std::string& path);

// Lets files start while their expected peaks fit within a limit together; one file starts
// alone whatever its peak, so a file larger than the limit still runs.
class MemoryGate
{
public:
    explicit MemoryGate(std::uint64_t limit) : mLimit(limit) {}
    static bool admits(std::uint64_t inUse, unsigned running, std::uint64_t peak,
                       std::uint64_t limit)
    {
        return running == 0 || (inUse <= limit && peak <= limit - inUse);
    }
    void enter(std::uint64_t peak);
    void leave(std::uint64_t peak);

private:
    std::uint64_t mLimit;
    std::uint64_t mInUse = 0;
    unsigned mRunning = 0;
    std::mutex mMutex;
    std::condition_variable mChanged;
};
