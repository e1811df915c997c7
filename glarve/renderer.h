// glarve/renderer.h -- the renderer contract: a drawing style that scene objects hand their faces to.
#pragma once

#include "mesh.h"
#include "vec.h"

// A drawing style for faces. A mesh object calls Begin, reads IsPerVertex(), then DrawFace once per
// face (or once per vertex when perVertex is set) and End; a text object calls only Begin and End.
// A renderer owns nothing; several objects may share one, and its creator deletes it.
class Renderer {
public:
    Color4 colour;          // sent to GL by Begin; (1, 1, 1, 1) at construction
    bool perVertex = false; // false: called per face; true: per vertex (set by some kinds' Begin)

    Renderer() : colour(1.0f, 1.0f, 1.0f, 1.0f) {}
    virtual ~Renderer() = default;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Sets the GL state of the style.
    virtual void Begin() = 0;
    // Per-face mode: draws `face`, picking from the whole `vertices` and `texCoords` arrays by its
    // indices. Per-vertex mode: `face` is null and `vertices` points at the one vertex to draw.
    virtual void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) = 0;
    // Restores the GL state that Begin changed.
    virtual void End() = 0;

    bool IsPerVertex() const { return perVertex; }
};
