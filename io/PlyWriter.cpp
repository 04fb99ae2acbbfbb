#include "io/MeshWriter.h"
#include "io/WriterHelpers.h"

#include <limits>
#include <string>

namespace meshio
{
void writePly(std::ostream& out, const MeshData& data, bool binary)
{
    OutBuffer buffer(out);
    // Indices beyond a signed int need the unsigned type, which fewer readers know.
    const bool wide = data.verts.size() > std::size_t(std::numeric_limits<std::int32_t>::max());
    buffer.text(std::string("ply\nformat ") + (binary ? "binary_little_endian" : "ascii") +
                " 1.0\ncomment written by MeshViewer\nelement vertex " +
                std::to_string(data.verts.size()) +
                "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
                std::to_string(data.tris.size()) + "\nproperty list uchar " +
                (wide ? "uint" : "int") + " vertex_indices\nend_header\n");
    if (!binary)
    {
        for (const Vector3<float>& v : data.verts)
            buffer.floats(v, ' ', '\n');
        for (const Vector3<unsigned int>& t : data.tris)
        {
            buffer.text("3 ", 2);
            buffer.unsigned3(t[0], t[1], t[2], ' ', '\n');
        }
        return;
    }
    for (const Vector3<float>& v : data.verts)
        for (unsigned int k = 0; k < 3; ++k)
            buffer.float32le(v[k]);
    for (const Vector3<unsigned int>& t : data.tris)
    {
        buffer.text("\3", 1);
        for (unsigned int k = 0; k < 3; ++k)
            buffer.uint32le(t[k]);
    }
}
} // namespace meshio
