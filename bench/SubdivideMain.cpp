// subdivide IN OUT LEVELS: splits every triangle of IN into 4, LEVELS times, and writes OUT
// (.obj or binary .stl, either way round) for the size series of bench/size_series.sh.

#include "Subdivide.h"

#include <charconv>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr,
                     "usage: subdivide IN OUT LEVELS   (.obj or binary .stl; LEVELS 0 to 8)\n");
        return 2;
    }
    int levels = -1;
    const char* lv = argv[3];
    const auto r = std::from_chars(lv, lv + std::strlen(lv), levels);
    if (r.ec != std::errc() || *r.ptr != '\0' || levels < 0 || levels > 8)
    {
        std::fprintf(stderr, "subdivide: LEVELS must be a whole number from 0 to 8, not '%s'\n",
                     lv);
        return 2;
    }
    subdiv::IndexedMesh mesh;
    std::string error;
    bool ok = subdiv::readMesh(argv[1], mesh, error);
    const std::size_t inTris = mesh.tris.size() / 3;
    for (int i = 0; ok && i < levels; ++i)
        ok = subdiv::splitOnce(mesh, error);
    ok = ok && subdiv::writeMesh(argv[2], mesh, error);
    if (!ok)
    {
        std::fprintf(stderr, "subdivide: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %zu positions, %zu triangles (from %zu)\n", argv[2], mesh.xyz.size() / 3,
                mesh.tris.size() / 3, inTris);
    return 0;
}
