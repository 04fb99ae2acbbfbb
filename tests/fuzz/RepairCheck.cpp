#include "RepairCheck.h"

#include "MeshAnalysis.h"
#include "io/MeshFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <vector>

namespace
{
std::array<std::uint32_t, 3> bitsOf(const Vector3<float>& p)
{
    std::array<std::uint32_t, 3> b;
    for (unsigned int k = 0; k < 3; ++k)
    {
        const float f = p[k];
        std::memcpy(&b[k], &f, sizeof f);
    }
    return b;
}

void check(const MeshData& mesh, MeshRepair::Options options)
{
    MeshData out = mesh;
    MeshRepair::Report report;
    if (!MeshRepair::repair(out, options, report))
        return;
    const std::string failure = repairClaimFailure(mesh, out, report);
    if (!failure.empty())
    {
        std::fprintf(stderr, "repair claim failed: %s\n", failure.c_str());
        __builtin_trap();
    }
}
} // namespace

std::string repairClaimFailure(const MeshData& input, const MeshData& output,
                               const MeshRepair::Report& report)
{
    std::vector<std::array<std::uint32_t, 3>> bits;
    for (const Vector3<float>& p : input.verts)
        bits.push_back(bitsOf(p));
    std::sort(bits.begin(), bits.end());
    for (const Vector3<float>& p : output.verts)
        if (!std::binary_search(bits.begin(), bits.end(), bitsOf(p)))
            return "a position not in the input";
    MeshAnalysis::Report a;
    if (!MeshAnalysis::analyse(output.verts, output.tris, a, nullptr, true))
        return "an index out of range";
    const MeshRepair::CleanResult& c = report.clean;
    const std::uint64_t dropped = c.repeatedCornerTriangles + c.zeroAreaTriangles +
                                  c.duplicateTriangles + report.components.removedTriangles;
    if (a.faces != input.tris.size() - dropped + report.fill.addedTriangles)
        return "a face count the steps do not account for";
    if (a.degenerateTriangles != 0 || a.duplicateTriangles != 0 || a.isolatedVertices != 0)
        return "a degenerate or duplicate triangle or an unused position";
    const bool manifold = report.manifold.nonManifoldEdgesLeft == 0;
    if (manifold && (a.nonManifoldEdges != 0 || a.nonManifoldVertices != 0))
        return "a non-manifold edge or vertex where none was left";
    if (manifold && report.orientation.nonOrientableComponents == 0 && a.inconsistentEdges != 0)
        return "an inconsistent edge in an orientable mesh";
    if (manifold && report.fill.holesLeft == 0 && report.fill.holesTooLarge == 0 &&
        a.boundaryEdges != 0)
        return "a boundary edge where every hole was filled";
    return "";
}

void runRepairCheck(const std::uint8_t* data, std::size_t size)
{
    // The first byte: how many positions; then three bytes a position (each coordinate one
    // of 8 grid values), then three bytes a triangle.
    if (size > 0)
    {
        MeshData mesh;
        const std::size_t positions = std::min<std::size_t>(data[0] % 32 + 1, (size - 1) / 3);
        std::size_t at = 1;
        for (std::size_t i = 0; i < positions; ++i, at += 3)
            mesh.verts.push_back(Vector3<float>(static_cast<float>(data[at] % 8) - 3.5f,
                                                static_cast<float>(data[at + 1] % 8),
                                                static_cast<float>(data[at + 2] % 8) * 0.5f));
        for (; positions > 0 && at + 3 <= size; at += 3)
            mesh.tris.push_back({data[at] % static_cast<unsigned int>(positions),
                                 data[at + 1] % static_cast<unsigned int>(positions),
                                 data[at + 2] % static_cast<unsigned int>(positions)});
        check(mesh, MeshRepair::Options());
        check(mesh, MeshRepair::Options{data[0] % 3u, data[0] % 7u + 3u, data[0] % 5 * 0.3});
    }
    for (const char* name : {"f.obj", "f.stl", "f.ply", "f.off"})
    {
        std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
        MeshData mesh;
        MeshReadOptions options;
        options.splitPolygons = true;
        MeshReadStats stats;
        ReadError error;
        if (readMeshStream(in, name, mesh, options, stats, error))
            check(mesh, MeshRepair::Options());
    }
}
