// glarve/mesh.h -- mesh data: faces, vertices and the texture coordinates of one model object.
#pragma once

#include "vec.h"

// One triangle: three 0-based indices into the vertex array of its mesh, in file order.
struct Face {
    int a;
    int b;
    int c;
};

// The texture coordinates of one mesh, one per vertex (element i belongs to vertex i).
class TexCoordSet {
public:
    int count = 0;               // number of coordinates; 0 when empty
    TexCoord2* coords = nullptr; // owned; null when empty

    TexCoordSet() = default;
    ~TexCoordSet();
    TexCoordSet(const TexCoordSet&) = delete;
    TexCoordSet& operator=(const TexCoordSet&) = delete;

    TexCoord2* GetCoords() const { return coords; }

    // Reads the texture coordinates (U, V) of object `objectName` from the ASC model file `fileName`.
    // Returns false when the file cannot be opened, the object is not there, its count line is
    // missing or unreasonable, or the file ends before every vertex line was read; the set is then
    // left empty.
    bool Load(const char* fileName, const char* objectName);

    void Clear();
};

// The geometry of one named model object.
class Mesh {
public:
    int faceCount = 0;
    int vertexCount = 0;
    Vec3* vertices = nullptr; // owned; null when empty
    Face* faces = nullptr;    // owned; null when empty

    Mesh() = default;
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    int GetFaceCount() const { return faceCount; }
    int GetVertexCount() const { return vertexCount; }
    Vec3* GetVertices() const { return vertices; } // modifiable in place, may be null
    Face* GetFaces() const { return faces; }

    // Moves the mesh so that the centre of its axis-aligned bounding box is at the origin and
    // returns the centre it removed; (0, 0, 0) and no change for a mesh without vertices.
    Vec3 Centre();

    // Reads the vertices (X, Y, Z) and faces (A, B, C) of object `objectName` from the ASC model
    // file `fileName`. Returns false, with the mesh left empty, when the file cannot be opened, the
    // object or its count line is missing, a count is negative or larger than the file could hold,
    // the file ends among the vertex or face lines, or a face index lies outside the vertices.
    bool Load(const char* fileName, const char* objectName);

    void Clear();
};
