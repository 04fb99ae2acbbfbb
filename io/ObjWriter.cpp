#include "io/MeshWriter.h"
#include "io/WriterHelpers.h"

namespace meshio
{
// Every position (unreferenced ones too, so indices stay as they were), then the faces,
// 1-based.
void writeObj(std::ostream& out, const MeshData& data)
{
    OutBuffer buffer(out);
    buffer.text("# written by MeshViewer\n");
    for (const Vector3<float>& v : data.verts)
    {
        buffer.text("v ", 2);
        buffer.floats(v, ' ', '\n');
    }
    for (const Vector3<unsigned int>& t : data.tris)
    {
        buffer.text("f ", 2);
        buffer.unsigned3(t[0] + 1, t[1] + 1, t[2] + 1, ' ', '\n');
    }
}
} // namespace meshio
