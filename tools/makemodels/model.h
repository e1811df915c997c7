// tools/makemodels/model.h -- a textured triangle mesh being built, and its text in the ASC model format.
#pragma once

#include <string>
#include <vector>

// One vertex: position in model units, texture coordinates in texture units (1 = one repeat).
struct ModelVertex {
    double x, y, z;
    double u, v;
};

// One triangle by 0-based vertex indices. The edge flags say which edges a modeller would show
// (a quad's diagonal is hidden); they are written as AB, BC and CA and read by no one in the show.
struct ModelFace {
    int a, b, c;
    bool ab, bc, ca;
};

// A named object: what one "Named object" section of an ASC file holds.
class Model {
public:
    explicit Model(std::string objectName) : name(std::move(objectName)) {}

    std::string name;
    std::vector<ModelVertex> vertices;
    std::vector<ModelFace> faces;

    // Appends a vertex and returns its index.
    int AddVertex(double x, double y, double z, double u, double v);
    void AddTriangle(int a, int b, int c);
    // Two triangles a-b-c and a-c-d of the quad a-b-c-d; the diagonal a-c is a hidden edge.
    void AddQuad(int a, int b, int c, int d);
};

// The whole text of an ASC model file holding `models` in this order: an ambient-light line, then for
// each object its header, count line, vertex list and face list, as 3D Studio exports them. Lines end
// in LF alone. Numbers have four decimals, so the text is the same on every run. Every vertex and face
// line stays well within the 99 characters a reader takes per line.
std::string FormatAsc(const std::vector<const Model*>& models);
