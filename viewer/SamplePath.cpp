#include "viewer/SamplePath.h"

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
bool isFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
} // namespace

std::string SamplePath::installedDataDir()
{
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return "";
    std::string path(exe, static_cast<std::size_t>(n));
    // PREFIX/bin/MeshViewer -> PREFIX/share/meshviewer
    for (int up = 0; up < 2; ++up)
    {
        const std::size_t slash = path.find_last_of('/');
        if (slash == std::string::npos)
            return "";
        path.erase(slash);
    }
    return path + "/share/meshviewer";
}

std::string SamplePath::resolve(const std::string& relative, const std::string& dataDir)
{
    if (isFile(relative) || dataDir.empty())
        return relative;
    const std::string installed = dataDir + "/" + relative;
    return isFile(installed) ? installed : relative;
}
