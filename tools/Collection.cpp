#include "tools/Collection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace
{
std::string lowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

using Visited = std::set<std::pair<dev_t, ino_t>>;

void walk(const std::string& folder, std::vector<CollectionItem>& items, Visited& visited)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
    {
        items.push_back({folder, std::string("cannot read the folder: ") + std::strerror(errno)});
        return;
    }
    struct stat st;
    if (fstat(dirfd(dir), &st) != 0 || !visited.emplace(st.st_dev, st.st_ino).second)
    {
        closedir(dir); // walked already: a link back up, or a second link to it
        return;
    }
    std::vector<std::pair<std::string, bool>> names; // and whether it is a folder
    while (const dirent* entry = readdir(dir))
    {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name, entry->d_type == DT_DIR);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    const std::string prefix = endsWith(folder, "/") ? folder : folder + "/";
    for (const auto& [name, isFolder] : names)
    {
        const std::string path = prefix + name;
        if (stat(path.c_str(), &st) != 0)
        {
            // A folder out of reach is said; a mesh's name (a dangling link) is left to its
            // reader to say why it cannot be opened.
            if (isFolder)
                items.push_back(
                    {path, std::string("cannot read the folder: ") + std::strerror(errno)});
            else if (isMeshFileName(name))
                items.push_back({path, ""});
        }
        else if (S_ISDIR(st.st_mode))
            walk(path, items, visited);
        else if (S_ISREG(st.st_mode) && isMeshFileName(name))
            items.push_back({path, ""});
    }
}
} // namespace

bool isMeshFileName(const std::string& name)
{
    std::string lower = lowerCase(name);
    if (endsWith(lower, ".gz"))
        lower.resize(lower.size() - 3);
    for (const char* ext : {".obj", ".stl", ".ply", ".off"})
        if (endsWith(lower, ext))
            return true;
    return false;
}

void walkFolder(const std::string& folder, std::vector<CollectionItem>& items)
{
    Visited visited;
    walk(folder, items, visited);
}

bool addArgument(const std::string& name, std::vector<CollectionItem>& items)
{
    struct stat st;
    if (name == "-" || stat(name.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    {
        items.push_back({name, ""});
        return true;
    }
    const std::size_t before = items.size();
    walkFolder(name, items);
    return items.size() > before;
}

void readNameList(std::istream& in, std::vector<std::string>& names)
{
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            names.push_back(line);
    }
}

bool parseSize(const std::string& text, std::uint64_t& bytes)
{
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > 15 || text.size() > digits + 1)
        return false;
    unsigned shift = 0;
    if (text.size() > digits)
    {
        const std::size_t unit = std::string("KMGT").find(text[digits] & ~0x20);
        if (unit == std::string::npos)
            return false;
        shift = 10 * static_cast<unsigned>(unit + 1);
    }
    const std::uint64_t n = std::stoull(text.substr(0, digits));
    if (n == 0 || n > (~std::uint64_t(0) >> shift))
        return false;
    bytes = n << shift;
    return true;
}

std::uint64_t availableMemory()
{
    std::ifstream in("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    while (in >> key >> kib)
    {
        if (key == "MemAvailable:")
            return kib << 10;
        in.ignore(64, '\n');
    }
    return 0;
}

// Peak resident memory over file size, measured with /usr/bin/time -v (maximum resident
// set size) on the dragon (437,645 positions, 871,414 triangles) written in each format:
//   OBJ 33.4 MB: 124.7 MB peak, 3.8 per byte     OFF 32.5 MB: 123.8 MB, 3.9
//   PLY ASCII 32.5 MB: 123.3 MB, 3.9             PLY binary 16.6 MB: 124.6 MB, 7.7
//   STL binary 43.6 MB: 121.8 MB, 2.9            STL ASCII 137.8 MB: 274.3 MB, 2.0
// Rounded up, and the denser of a format's two encodings (the name does not tell them
// apart); a name of no known extension takes the largest. The program itself takes 4 MB.
std::uint64_t estimatePeak(const std::string& path)
{
    constexpr std::uint64_t BASE = std::uint64_t(4) << 20;
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return BASE;
    std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    std::string name = lowerCase(path);
    if (endsWith(name, ".gz"))
    {
        // The trailer's last four bytes: the inflated size modulo 2^32.
        name.resize(name.size() - 3);
        std::ifstream in(path, std::ios::binary);
        unsigned char trailer[4] = {};
        if (size >= 4 && in.seekg(-4, std::ios::end) &&
            in.read(reinterpret_cast<char*>(trailer), 4))
            size = std::max<std::uint64_t>(size, trailer[0] | trailer[1] << 8 | trailer[2] << 16 |
                                                     std::uint64_t(trailer[3]) << 24);
    }
    std::uint64_t perByte = 8;
    if (endsWith(name, ".obj") || endsWith(name, ".off"))
        perByte = 4;
    else if (endsWith(name, ".stl"))
        perByte = 3;
    return BASE + size * perByte;
}

void MemoryGate::enter(std::uint64_t peak)
{
    std::unique_lock<std::mutex> lock(mMutex);
    mChanged.wait(lock, [&] { return admits(mInUse, mRunning, peak, mLimit); });
    mInUse += peak;
    ++mRunning;
}

void MemoryGate::leave(std::uint64_t peak)
{
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        mInUse -= peak;
        --mRunning;
    }
    mChanged.notify_all();
}
