#include "io/MeshWriter.h"
#include "io/WriterHelpers.h"

#include <cmath>

namespace meshio
{
namespace
{
// The unit normal of the corners in order, zero for a triangle without area.
Vector3<float> facetNormal(const Vector3<float>& a, const Vector3<float>& b,
                           const Vector3<float>& c)
{
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > 0.0) || !std::isfinite(length))
        return Vector3<float>(0.0f, 0.0f, 0.0f);
    return Vector3<float>(static_cast<float>(n[0] / length), static_cast<float>(n[1] / length),
                          static_cast<float>(n[2] / length));
}
constexpr std::size_t FACET = 50;
} // namespace

// Only the triangles: positions no triangle uses cannot be carried.
void writeStl(std::ostream& out, const MeshData& data, bool binary)
{
    OutBuffer buffer(out);
    if (binary)
    {
        // A header that began with "solid" would pass for text with some readers.
        char header[80] = "binary STL written by MeshViewer";
        buffer.text(header, sizeof header);
        buffer.uint32le(static_cast<std::uint32_t>(data.tris.size()));
        for (const Vector3<unsigned int>& t : data.tris)
        {
            const Vector3<float>& a = data.verts[t[0]];
            const Vector3<float>& b = data.verts[t[1]];
            const Vector3<float>& c = data.verts[t[2]];
            const Vector3<float> n = facetNormal(a, b, c);
            // One facet in one piece: twelve floats and the attribute word, zero.
            char* p = buffer.reserve(FACET);
            for (const Vector3<float>* v : {&n, &a, &b, &c})
                for (unsigned int k = 0; k < 3; ++k)
                    p = putFloat32le(p, (*v)[k]);
            p[0] = p[1] = 0;
            buffer.commit(p + 2);
        }
        return;
    }
    buffer.text("solid mesh\n");
    for (const Vector3<unsigned int>& t : data.tris)
    {
        const Vector3<float>& a = data.verts[t[0]];
        const Vector3<float>& b = data.verts[t[1]];
        const Vector3<float>& c = data.verts[t[2]];
        buffer.text("  facet normal ");
        buffer.floats(facetNormal(a, b, c), ' ', '\n');
        buffer.text("    outer loop\n      vertex ");
        buffer.floats(a, ' ', '\n');
        buffer.text("      vertex ");
        buffer.floats(b, ' ', '\n');
        buffer.text("      vertex ");
        buffer.floats(c, ' ', '\n');
        buffer.text("    endloop\n  endfacet\n");
    }
    buffer.text("endsolid mesh\n");
}
} // namespace meshio
