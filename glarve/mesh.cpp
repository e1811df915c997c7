// glarve/mesh.cpp -- mesh and texture-coordinate storage, and centring a mesh on its bounding box.
#include "mesh.h"

TexCoordSet::~TexCoordSet()
{
    Clear();
}

void TexCoordSet::Clear()
{
    delete[] coords;
    coords = nullptr;
    count = 0;
}

Mesh::~Mesh()
{
    Clear();
}

void Mesh::Clear()
{
    delete[] vertices;
    vertices = nullptr;
    delete[] faces;
    faces = nullptr;
    vertexCount = 0;
    faceCount = 0;
}

Vec3 Mesh::Centre()
{
    Vec3 centre;
    if (vertexCount <= 0 || vertices == nullptr) {
        return centre;
    }

    float minX = vertices[0].x, maxX = vertices[0].x;
    float minY = vertices[0].y, maxY = vertices[0].y;
    float minZ = vertices[0].z, maxZ = vertices[0].z;
    for (int i = 1; i < vertexCount; ++i) {
        const Vec3& v = vertices[i];
        if (minX > v.x) minX = v.x;
        if (maxX < v.x) maxX = v.x;
        if (minY > v.y) minY = v.y;
        if (maxY < v.y) maxY = v.y;
        if (minZ > v.z) minZ = v.z;
        if (maxZ < v.z) maxZ = v.z;
    }

    // min + (max - min) / 2 in double precision, then stored as float; not (min + max) / 2.
    auto mid = [](float lo, float hi) {
        const double low = lo;
        return static_cast<float>(low + (static_cast<double>(hi) - low) / 2.0);
    };
    centre = Vec3(mid(minX, maxX), mid(minY, maxY), mid(minZ, maxZ));

    for (int i = 0; i < vertexCount; ++i) {
        vertices[i] -= centre;
    }
    return centre;
}
