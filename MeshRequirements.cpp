#include "MeshRequirements.h"

#include "Console.h"

namespace
{
std::string count(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}
} // namespace

bool MeshRequirements::parse(const std::string& list, std::string& error)
{
    std::size_t begin = 0;
    while (true)
    {
        const std::size_t comma = list.find(',', begin);
        const std::string name =
            list.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin);
        if (name == "closed")
            closed = true;
        else if (name == "manifold")
            manifold = true;
        else if (name == "oriented")
            oriented = true;
        else if (name == "no-degenerate")
            noDegenerate = true;
        else
        {
            error = "unknown requirement '" + printable(name) +
                    "' (closed, manifold, oriented or no-degenerate)";
            return false;
        }
        if (comma == std::string::npos)
            return true;
        begin = comma + 1;
    }
}

std::vector<std::string> MeshRequirements::unmet(const MeshAnalysis::Report& r) const
{
    std::vector<std::string> lines;
    auto check =
        [&](bool wanted, bool needsTriangles, const char* what, const std::string& shortfall)
    {
        if (wanted && needsTriangles && r.faces == 0)
            lines.push_back(std::string(what) + ": no triangles");
        else if (wanted && !shortfall.empty())
            lines.push_back(std::string(what) + ": " + shortfall);
    };
    check(closed, true, "not closed",
          r.boundaryEdges ? count(r.boundaryEdges, "boundary edge", "boundary edges") : "");
    std::string nonManifold;
    if (r.nonManifoldEdges)
        nonManifold = count(r.nonManifoldEdges, "non-manifold edge", "non-manifold edges");
    if (r.nonManifoldVertices)
        nonManifold += (nonManifold.empty() ? "" : ", ") +
                       count(r.nonManifoldVertices, "non-manifold vertex", "non-manifold vertices");
    check(manifold, true, "not manifold", nonManifold);
    check(oriented, false, "not oriented",
          r.inconsistentEdges ? count(r.inconsistentEdges, "inconsistently oriented edge",
                                      "inconsistently oriented edges")
                              : "");
    check(noDegenerate, false, "has degenerate triangles",
          r.degenerateTriangles
              ? std::to_string(r.degenerateTriangles) + " of zero area (" +
                    std::to_string(r.repeatedCornerTriangles) + " with repeated corners)"
              : "");
    return lines;
}
