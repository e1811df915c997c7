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
    // A vertex line without U (an export without texture mapping) gives the coordinates (0, 0), one
    // with U but no V gives v = 0. Returns false when an argument is null, the file cannot be opened,
    // the object is not there, its count line is missing or unreasonable (see Mesh::Load), the
    // array cannot be allocated, or the file ends before every vertex line was read; the set is then
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
    // file `fileName`. Returns false, with the mesh left empty, when an argument is null, the file
    // cannot be opened, the object or its count line is missing, a count is negative, larger than
    // the file could hold or above 1,000,000, an array cannot be allocated, the file ends among the
    // vertex or face lines, a vertex line lacks X, Y or Z, a face line lacks A, B or C (or a space
    // after C's index), or a face index lies outside the vertices.
    //
    // Both loaders read coordinates as decimal numbers only: an optional sign, digits with an
    // optional fraction and exponent ("nan", "inf" and hexadecimal are not numbers and leave the
    // field 0; beyond float's range reads as the largest float). Neither reads more than the first
    // 64 MiB of a file: a file that never ends (a device) fails there.
    bool Load(const char* fileName, const char* objectName);

    void Clear();
};
