#include "viewer/Summary.h"

#include <cstdio>
#include <sstream>

namespace
{
std::string count(std::uint64_t k, const char* one, const char* many)
{
    return std::to_string(k) + " " + (k == 1 ? one : many);
}

std::string genusText(const MeshAnalysis::Component& c)
{
    return c.hasGenus ? std::to_string(c.genus) : "undefined (" + c.genusUndefinedWhy + ")";
}
} // namespace

std::string Summary::genusDifference(const MeshAnalysis::Report& r, long long halfEdgeGenus)
{
    const std::size_t n = r.components.size();
    if (n == 1 && r.components[0].hasGenus && r.components[0].genus == halfEdgeGenus)
        return "";
    std::string s = "genus " + std::to_string(halfEdgeGenus) + " above ";
    const char* undefined = ", where no genus is defined";
    if (r.repeatedCornerTriangles > 0)
    {
        s += "counts " + count(r.repeatedCornerTriangles, "triangle with a repeated corner",
                               "triangles with a repeated corner");
        if (r.hasGenusIgnoringDegenerate)
            s += "; ignoring them: genus " + std::to_string(r.genusIgnoringDegenerate);
        return s;
    }
    if (r.nonManifoldEdges > 0)
        return s + "counts " +
               count(r.nonManifoldEdges, "non-manifold edge", "non-manifold edges") + undefined;
    if (r.nonManifoldVertices > 0)
        return s + "counts " +
               count(r.nonManifoldVertices, "non-manifold vertex", "non-manifold vertices") +
               undefined;
    if (r.inconsistentEdges > 0)
        return s + "counts " +
               count(r.inconsistentEdges, "inconsistently oriented edge",
                     "inconsistently oriented edges") +
               undefined;
    if (n != 1)
        return s + "takes the " + count(n, "component", "components") + " as one surface";
    if (r.boundaryLoops > 0)
        return s + "counts " + count(r.boundaryLoops, "boundary loop", "boundary loops") +
               " as half a handle each";
    return s + "is the half-edge structure's own count";
}

std::string Summary::line(const MeshAnalysis::Report& r, std::optional<long long> halfEdgeGenus)
{
    std::ostringstream s;
    const std::size_t n = r.components.size();
    s << "Summary: " << count(n, "component", "components") << ", "
      << count(r.boundaryLoops, "boundary loop", "boundary loops") << ", "
      << count(r.nonManifoldEdges, "non-manifold edge", "non-manifold edges") << ", volume ";
    if (r.hasVolume)
        s << r.volume;
    else
        s << "undefined (" << r.volumeUndefinedWhy << ")";
    if (n == 1)
        s << ", genus " << genusText(r.components[0]);
    else
    {
        const std::size_t shown = n < 5 ? n : 5;
        s << ", genus per component:";
        for (std::size_t i = 0; i < shown; ++i)
            s << (i == 0 ? " " : ", ") << genusText(r.components[i]);
        if (shown < n)
            s << " and " << n - shown << " more";
    }
    // Every digit: the float sum of the line above may differ in the last places.
    char area[40];
    std::snprintf(area, sizeof area, "%.17g", r.area);
    s << ", area " << area;
    const std::string why = halfEdgeGenus ? genusDifference(r, *halfEdgeGenus) : "";
    if (!why.empty())
        s << "; " << why;
    return s.str();
}
