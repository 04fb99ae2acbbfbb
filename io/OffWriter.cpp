#include "io/MeshWriter.h"
#include "io/WriterHelpers.h"

#include <string>

namespace meshio
{
void writeOff(std::ostream& out, const MeshData& data)
{
    OutBuffer buffer(out);
    buffer.text("OFF\n" + std::to_string(data.verts.size()) + " " +
                std::to_string(data.tris.size()) + " 0\n");
    for (const Vector3<float>& v : data.verts)
        buffer.floats(v, ' ', '\n');
    for (const Vector3<unsigned int>& t : data.tris)
    {
        buffer.text("3 ", 2);
        buffer.unsigned3(t[0], t[1], t[2], ' ', '\n');
    }
}
} // namespace meshio
