#include "viewer/OutputPath.h"

#include <cstdlib>
#include <set>

std::string OutputPath::callerDir()
{
    const char* dir = std::getenv("MV_CALLER_DIR");
    return dir == nullptr ? "" : dir;
}

std::string OutputPath::resolve(const std::string& name, const std::string& dir)
{
    if (name.empty() || name[0] == '/' || dir.empty())
        return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::string OutputPath::stem(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0)
        base.erase(dot);
    return base.empty() ? "mesh" : base;
}

std::vector<std::string> OutputPath::pictureNames(const std::vector<std::string>& files)
{
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const std::string& f : files)
    {
        const std::string base = stem(f);
        std::string name = base + ".png";
        for (int n = 2; !taken.insert(name).second; ++n)
            name = base + "-" + std::to_string(n) + ".png";
        names.push_back(name);
    }
    return names;
}
