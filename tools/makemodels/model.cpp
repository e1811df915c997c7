// tools/makemodels/model.cpp -- building meshes vertex by vertex and writing them as ASC model text.
#include "model.h"

#include <cstdio> // Required for: snprintf()

int Model::AddVertex(double x, double y, double z, double u, double v)
{
    vertices.push_back(ModelVertex{x, y, z, u, v});
    return static_cast<int>(vertices.size()) - 1;
}

void Model::AddTriangle(int a, int b, int c)
{
    faces.push_back(ModelFace{a, b, c, true, true, true});
}

void Model::AddQuad(int a, int b, int c, int d)
{
    faces.push_back(ModelFace{a, b, c, true, true, false});
    faces.push_back(ModelFace{a, c, d, false, true, true});
}

namespace {

// Four decimals; a negative zero is written as zero so that mirrored shapes print alike.
std::string Number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    const std::string s = text;
    return s == "-0.0000" ? "0.0000" : s;
}

} // namespace

std::string FormatAsc(const std::vector<const Model*>& models)
{
    std::string out = "Ambient light color: Red=0.300000 Green=0.300000 Blue=0.300000\n";
    char line[256];
    for (const Model* model : models) {
        out += "\nNamed object: \"" + model->name + "\"\n";
        // Exactly one space after each colon: the reader skips two characters past it.
        std::snprintf(line, sizeof line, "Tri-mesh, Vertices: %d     Faces: %d\n",
                      static_cast<int>(model->vertices.size()), static_cast<int>(model->faces.size()));
        out += line;
        out += "Vertex list:\n";
        for (size_t i = 0; i < model->vertices.size(); ++i) {
            const ModelVertex& p = model->vertices[i];
            std::snprintf(line, sizeof line, "Vertex %d:  X:%s     Y:%s     Z:%s     U:%s     V:%s\n",
                          static_cast<int>(i), Number(p.x).c_str(), Number(p.y).c_str(), Number(p.z).c_str(),
                          Number(p.u).c_str(), Number(p.v).c_str());
            out += line;
        }
        if (!model->faces.empty()) {
            out += "Face list:\n";
        }
        for (size_t i = 0; i < model->faces.size(); ++i) {
            const ModelFace& f = model->faces[i];
            // Every index, the last one too, is followed by a space: the reader ends an index there.
            std::snprintf(line, sizeof line, "Face %d:    A:%d B:%d C:%d AB:%d BC:%d CA:%d\n",
                          static_cast<int>(i), f.a, f.b, f.c, f.ab ? 1 : 0, f.bc ? 1 : 0, f.ca ? 1 : 0);
            out += line;
        }
    }
    return out;
}
