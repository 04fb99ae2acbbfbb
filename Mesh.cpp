#include "Mesh.h"

#include <iostream>

void Mesh::reserve(std::size_t, std::size_t) {}

float Mesh::area() const
{
    std::cerr << "Error: area() not implemented for this Mesh" << std::endl;
    return -1.0f;
}

float Mesh::volume() const
{
    std::cerr << "Error: volume() not implemented for this Mesh" << std::endl;
    return -1.0f;
}

int Mesh::genus() const
{
    std::cerr << "Error: genus() not implemented for this Mesh" << std::endl;
    return -1;
}

void Mesh::calculateFaceNormals()
{
    std::cerr << "Error: calculateFaceNormals() not implemented for this Mesh" << std::endl;
}

void Mesh::calculateVertexNormals()
{
    std::cerr << "Error: calculateVertexNormals() not implemented for this Mesh" << std::endl;
}

float Mesh::triArea(const Vector3<float>& v1, const Vector3<float>& v2, const Vector3<float>& v3)
{
    const Vector3<float> e1 = v2 - v1;
    const Vector3<float> e2 = v3 - v1;
    return 0.5f * cross(e1, e2).length();
}
