// glarve/sceneobject.h -- drawable scene objects: the abstract SceneObject and MeshObject.
#pragma once

#include "mesh.h"
#include "renderer.h"
#include "vec.h"

// Rotation angles in degrees about the X, Y and Z axes.
struct Rotation3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Abstract drawable. Draw applies the object's own transform to the current modelview matrix
// (translate by `position`, then rotate about X, Y and Z by `rotation`) and leaves it there: the
// caller brackets each Draw with glPushMatrix / glPopMatrix.
class SceneObject {
public:
    Vec3 position;                // model units; (0, 0, 0) at construction
    Rotation3 rotation;           // degrees; all 0 at construction
    Renderer* renderer = nullptr; // not owned; may be shared by several objects

    SceneObject() = default;
    virtual ~SceneObject() = default;
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    virtual void Draw() = 0;

protected:
    // glTranslatef by position, then glRotatef about X, Y and Z, in that order.
    void ApplyTransform() const;
};

// A scene object that draws one mesh, face by face (or vertex by vertex) through its renderer.
class MeshObject : public SceneObject {
public:
    TexCoordSet* texCoordSet = nullptr; // owned; created by Load
    Mesh* mesh = nullptr;               // owned; created by Load

    MeshObject() = default;
    ~MeshObject() override;

    // Without a renderer, set or mesh: returns at once and makes no GL call at all. The renderer gets
    // the set's coordinates only when the set has at least one per vertex of the mesh; otherwise it
    // gets none (a null pointer): a TextureRenderer then draws nothing, the kinds that use no
    // coordinates draw the mesh as usual.
    void Draw() override;

    // Loads object `objectName` of the ASC model file `fileName` into a new set and mesh. On success
    // they replace (and release) the former ones; on failure the object is left exactly as it was.
    bool Load(const char* fileName, const char* objectName);
};
