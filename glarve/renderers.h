// glarve/renderers.h -- the six drawing styles: points, wire outlines, flat, textured, lit material, sprites.
#pragma once

#include "renderer.h"
#include "texture.h"

#include <vector>

// Every kind below except MaterialRenderer draws unlit: Begin remembers whether lighting was on and
// switches it off, End switches it back on if it was. Each DrawFace is one glBegin/glEnd primitive.
// Blending uses the blend function in force (the show sets source alpha, one minus source alpha), so
// `colour`'s alpha is the opacity. None sets the point size, line width, shade model or blend
// function. Begin/End pairs on one renderer do not nest.

// Each vertex as a GL point in `colour`. Per-vertex from its first Begin on.
class PointRenderer : public Renderer {
public:
    bool lightingWasOn = false;

    void Begin() override; // perVertex on, lighting off, colour, blending on
    void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) override;
    void End() override; // blending off, lighting back
};

// Each face as its own closed, smoothed outline in `colour` (shared edges are drawn twice).
class WireRenderer : public Renderer {
public:
    bool lightingWasOn = false;

    void Begin() override; // lighting off, colour, line smoothing and blending on
    void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) override;
    void End() override; // blending and line smoothing off, lighting back
};

// Each face as a filled triangle in `colour`.
class FlatRenderer : public Renderer {
public:
    bool lightingWasOn = false;

    void Begin() override; // lighting off, colour, blending on
    void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) override;
    void End() override; // blending off, lighting back
};

// Each face as a triangle textured with `texture`, its colours multiplied by `colour` (modulate).
// With no texture it draws nothing (Begin and End still save and restore their state).
//
// Deferred: DrawFace only notes the face's three indices; End draws the noted triangles, in the order
// they came, as one glDrawElements over the vertex and texture-coordinate arrays that DrawFace was
// handed (a change of arrays between calls draws what was noted so far first). The arrays must
// therefore stay unchanged until End, as a mesh object's do. GL then transforms each vertex once
// instead of once per face using it, and the pixels are those of one glBegin/glEnd triangle per
// DrawFace. After End the client array state is as before and the current texture coordinate is the
// last vertex's, as the per-call drawing leaves it.
class TextureRenderer : public Renderer {
public:
    Texture* texture = nullptr; // not owned
    bool lightingWasOn = false;

    void Begin() override; // lighting off, colour, texture bound, 2D texturing and blending on
    void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) override;
    void End() override; // draws the faces noted; 2D texturing and blending off, lighting back

private:
    void DrawPending();
    const Vec3* pendingVertices = nullptr;
    const TexCoord2* pendingCoords = nullptr;
    std::vector<unsigned int> pendingIndices; // three a face; kept allocated from frame to frame
};

// Each face as a triangle lit by light 0 with the front material below. Sends no normal: the current
// normal applies. End restores nothing: lighting, blending, the depth test and light 0 stay on.
class MaterialRenderer : public Renderer {
public:
    Color4 ambient{0.0f, 0.0f, 0.0f, 0.0f};
    Color4 diffuse{0.0f, 0.0f, 0.0f, 0.0f};
    Color4 specular{0.0f, 0.0f, 0.0f, 0.0f};
    int shininess = 0; // specular exponent, 0 to 128

    void Begin() override; // lighting, blending, depth test, light 0 on; colour's r, g, b; material
    void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) override;
    void End() override;
};

// `texture` drawn as a sprite at each vertex (Texture::DrawSprite with angle 0 and alpha = `colour`'s
// a, read at each vertex; r, g, b unused). DrawSprite counts the point twice, so each sprite is
// centred at twice its vertex in the object's frame. Per-vertex from its first Begin on. With no
// texture it draws nothing.
//
// Deferred: DrawFace only notes the vertex and the alpha; End draws all the sprites noted since Begin,
// in the order they came, with the matrix current at End (a mesh object changes none in between).
// Each sprite is drawn with DrawSprite's calls (push, translate, turn, colour, quad, pop), but the
// sprite state is switched on once before the first and off once after the last instead of around
// every one: the pixels, and the state after End, are those of one DrawSprite per DrawFace.
class SpriteRenderer : public Renderer {
public:
    Texture* texture = nullptr; // not owned
    bool lightingWasOn = false;

    void Begin() override; // perVertex on, lighting off; End sets the sprite state
    void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) override;
    void End() override; // draws the sprites noted, lighting back

private:
    struct Pending {
        Vec3 at;
        float alpha;
    };
    std::vector<Pending> pending; // since Begin; kept allocated from frame to frame
};
