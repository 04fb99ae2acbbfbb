// subdivide IN OUT LEVELS: splits every triangle of IN into 4, LEVELS times, and writes OUT
// in the format of its extension, for the size series of bench/size_series.sh.

#include "../io/MeshWriter.h"
#include "Subdivide.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    const int levels = argc == 4 ? std::atoi(argv[3]) : -1;
    if (levels < 0 || levels > 8)
    {
        std::fprintf(stderr, "usage: subdivide IN OUT LEVELS   (LEVELS 0 to 8)\n");
        return 2;
    }
    MeshData mesh;
    MeshReadOptions options;
    options.splitPolygons = true;
    MeshReadStats stats;
    ReadError readError;
    if (!readMeshFile(argv[1], mesh, options, stats, readError))
    {
        std::fprintf(stderr, "subdivide: %s\n", readError.message.c_str());
        return 1;
    }
    const std::size_t in = mesh.tris.size();
    for (int i = 0; i < levels; ++i)
        if (!splitOnce(mesh))
        {
            std::fprintf(stderr, "subdivide: too large for 32-bit indices\n");
            return 1;
        }
    WriteFormat format;
    std::string error;
    if (!writeFormatFor(argv[2], "", false, format, error) ||
        !writeMeshFile(argv[2], mesh, format, WriteOptions{}, error))
    {
        std::fprintf(stderr, "subdivide: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu positions, %zu triangles (from %zu)\n", argv[2], mesh.verts.size(),
                mesh.tris.size(), in);
    return 0;
}
