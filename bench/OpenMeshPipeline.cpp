#include "Pipeline.h"

#include <OpenMesh/Core/IO/MeshIO.hh>
#include <OpenMesh/Core/Mesh/TriMesh_ArrayKernelT.hh>

// The work our viewer does, done the way an OpenMesh user would: read, face and vertex
// normals, area, volume (OpenMesh has none: the divergence sum over the faces) and the
// Euler characteristic.
bool runOpenMeshPipeline(const std::string& file, PipelineRun& run)
{
    using TriMesh = OpenMesh::TriMesh_ArrayKernelT<>;
    TriMesh mesh;
    mesh.request_face_normals();
    mesh.request_vertex_normals();
    bool ok = false;
    run.time("read", [&] { ok = OpenMesh::IO::read_mesh(mesh, file); });
    if (!ok)
        return false;
    run.time("face normals", [&] { mesh.update_face_normals(); });
    run.time("vertex normals", [&] { mesh.update_vertex_normals(); });

    double area = 0.0, volume = 0.0;
    run.time("area",
             [&]
             {
                 for (const auto f : mesh.faces())
                 {
                     const auto h = mesh.halfedge_handle(f);
                     const auto& p0 = mesh.point(mesh.from_vertex_handle(h));
                     const auto& p1 = mesh.point(mesh.to_vertex_handle(h));
                     const auto& p2 =
                         mesh.point(mesh.to_vertex_handle(mesh.next_halfedge_handle(h)));
                     area += 0.5 * ((p1 - p0) % (p2 - p0)).norm();
                 }
             });
    run.time("volume",
             [&]
             {
                 for (const auto f : mesh.faces())
                 {
                     const auto h = mesh.halfedge_handle(f);
                     const auto& p0 = mesh.point(mesh.from_vertex_handle(h));
                     const auto& p1 = mesh.point(mesh.to_vertex_handle(h));
                     const auto& p2 =
                         mesh.point(mesh.to_vertex_handle(mesh.next_halfedge_handle(h)));
                     volume += (p0 | (p1 % p2)) / 6.0;
                 }
             });
    long long euler = 0;
    run.time("euler characteristic",
             [&]
             {
                 euler = static_cast<long long>(mesh.n_vertices()) -
                         static_cast<long long>(mesh.n_edges()) +
                         static_cast<long long>(mesh.n_faces());
             });
    run.result("vertices", static_cast<double>(mesh.n_vertices()));
    run.result("faces", static_cast<double>(mesh.n_faces()));
    run.result("area", area);
    run.result("volume", volume);
    run.result("euler", static_cast<double>(euler));
    return true;
}
