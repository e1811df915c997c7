// glarve/sceneobject.cpp -- the scene object transform and the mesh object's draw.
#include "sceneobject.h"

#include <GL/gl.h> // Required for: glTranslatef(), glRotatef()

void SceneObject::ApplyTransform() const
{
    glTranslatef(position.x, position.y, position.z);
    glRotatef(rotation.x, 1.0f, 0.0f, 0.0f);
    glRotatef(rotation.y, 0.0f, 1.0f, 0.0f);
    glRotatef(rotation.z, 0.0f, 0.0f, 1.0f);
}

MeshObject::~MeshObject()
{
    delete texCoordSet;
    delete mesh;
}

void MeshObject::Draw()
{
    if (renderer == nullptr || texCoordSet == nullptr || mesh == nullptr) {
        return;
    }

    const int faceCount = mesh->GetFaceCount();
    const int vertexCount = mesh->GetVertexCount();
    const Vec3* vertices = mesh->GetVertices();
    const Face* faces = mesh->GetFaces();
    // The renderers pick coordinates by vertex index: a set that does not cover every vertex (loaded
    // from another object, or filled by hand) is not handed over at all, so no renderer can read
    // past it. Kinds that need coordinates then draw nothing; the others draw as usual.
    const TexCoord2* coords = texCoordSet->count >= vertexCount ? texCoordSet->GetCoords() : nullptr;

    ApplyTransform();
    renderer->Begin();
    // Some kinds switch to per-vertex mode inside Begin, so the flag is read only now.
    if (renderer->IsPerVertex()) {
        for (int i = 0; i < vertexCount; ++i) {
            renderer->DrawFace(nullptr, &vertices[i], coords);
        }
    } else {
        for (int i = 0; i < faceCount; ++i) {
            renderer->DrawFace(&faces[i], vertices, coords);
        }
    }
    renderer->End();
}
