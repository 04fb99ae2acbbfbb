#include "Pipeline.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Polygon_mesh_processing/compute_normal.h>
#include <CGAL/Polygon_mesh_processing/measure.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/boost/graph/IO/OBJ.h>

// The work our viewer does, done the way a CGAL user would: Surface_mesh read, normals and
// measures from Polygon_mesh_processing, and the Euler characteristic.
bool runCgalPipeline(const std::string& file, PipelineRun& run)
{
    using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
    using SurfaceMesh = CGAL::Surface_mesh<Kernel::Point_3>;
    namespace PMP = CGAL::Polygon_mesh_processing;

    SurfaceMesh mesh;
    bool ok = false;
    run.time("read", [&] { ok = CGAL::IO::read_OBJ(file, mesh); });
    if (!ok)
        return false;
    auto faceNormals =
        mesh.add_property_map<SurfaceMesh::Face_index, Kernel::Vector_3>("f:normal").first;
    auto vertexNormals =
        mesh.add_property_map<SurfaceMesh::Vertex_index, Kernel::Vector_3>("v:normal").first;
    run.time("face normals", [&] { PMP::compute_face_normals(mesh, faceNormals); });
    run.time("vertex normals", [&] { PMP::compute_vertex_normals(mesh, vertexNormals); });
    double area = 0.0, volume = 0.0;
    run.time("area", [&] { area = CGAL::to_double(PMP::area(mesh)); });
    const bool closed = CGAL::is_closed(mesh);
    run.time("volume",
             [&]
             {
                 if (closed)
                     volume = CGAL::to_double(PMP::volume(mesh));
             });
    long long euler = 0;
    run.time("euler characteristic",
             [&]
             {
                 euler = static_cast<long long>(mesh.number_of_vertices()) -
                         static_cast<long long>(mesh.number_of_edges()) +
                         static_cast<long long>(mesh.number_of_faces());
             });
    run.result("vertices", static_cast<double>(mesh.number_of_vertices()));
    run.result("faces", static_cast<double>(mesh.number_of_faces()));
    run.result("area", area);
    run.result("volume", closed ? volume : 0.0);
    run.result("euler", static_cast<double>(euler));
    return true;
}
