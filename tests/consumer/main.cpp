// Loads an OBJ file into a half-edge mesh through the library and prints its area.
#include <MeshCore/HalfEdgeMesh.h>
#include <MeshCore/MeshRepair.h>
#include <MeshCore/ObjIO.h>
#include <MeshCore/io/MeshFile.h>
#include <MeshCore/io/MeshWriter.h>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    std::ifstream in(argc == 2 ? argv[1] : "");
    HalfEdgeMesh mesh;
    ObjIO reader;
    if (!in || !reader.load(&mesh, in))
        return 1;
    std::cout << "area " << mesh.area() << "\n";
    return 0;
}
