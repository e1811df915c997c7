// glarve/renderers.cpp -- the six renderers: the GL state each style sets, the primitive it draws per face.
#include "renderers.h"

#include <GL/gl.h> // Required for: glIsEnabled(), glEnable(), immediate mode, glMaterialfv()

namespace {

// Lighting saved and off: remembers whether it was on and switches it off.
bool SaveLightingAndSwitchOff()
{
    const bool wasOn = glIsEnabled(GL_LIGHTING) == GL_TRUE;
    if (wasOn) {
        glDisable(GL_LIGHTING);
    }
    return wasOn;
}

void RestoreLighting(bool wasOn)
{
    if (wasOn) {
        glEnable(GL_LIGHTING);
    }
}

void SendColour(const Color4& c)
{
    glColor4f(c.r, c.g, c.b, c.a);
}

void SendVertex(const Vec3& v)
{
    glVertex3f(v.x, v.y, v.z);
}

// vertices[a], [b], [c] of the face as one triangle.
void DrawTriangle(const Face& face, const Vec3* vertices)
{
    glBegin(GL_TRIANGLES);
    SendVertex(vertices[face.a]);
    SendVertex(vertices[face.b]);
    SendVertex(vertices[face.c]);
    glEnd();
}

} // namespace

// ---- PointRenderer

void PointRenderer::Begin()
{
    perVertex = true;
    lightingWasOn = SaveLightingAndSwitchOff();
    SendColour(colour);
    glEnable(GL_BLEND);
}

void PointRenderer::DrawFace(const Face* /*face*/, const Vec3* vertices, const TexCoord2* /*texCoords*/)
{
    if (vertices == nullptr) {
        return;
    }
    glBegin(GL_POINTS);
    SendVertex(vertices[0]);
    glEnd();
}

void PointRenderer::End()
{
    glDisable(GL_BLEND);
    RestoreLighting(lightingWasOn);
}

// ---- WireRenderer

void WireRenderer::Begin()
{
    lightingWasOn = SaveLightingAndSwitchOff();
    SendColour(colour);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
}

void WireRenderer::DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* /*texCoords*/)
{
    if (face == nullptr || vertices == nullptr) {
        return;
    }
    glBegin(GL_LINE_LOOP);
    SendVertex(vertices[face->a]);
    SendVertex(vertices[face->b]);
    SendVertex(vertices[face->c]);
    glEnd();
}

void WireRenderer::End()
{
    glDisable(GL_BLEND);
    glDisable(GL_LINE_SMOOTH);
    RestoreLighting(lightingWasOn);
}

// ---- FlatRenderer

void FlatRenderer::Begin()
{
    lightingWasOn = SaveLightingAndSwitchOff();
    SendColour(colour);
    glEnable(GL_BLEND);
}

void FlatRenderer::DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* /*texCoords*/)
{
    if (face == nullptr || vertices == nullptr) {
        return;
    }
    DrawTriangle(*face, vertices);
}

void FlatRenderer::End()
{
    glDisable(GL_BLEND);
    RestoreLighting(lightingWasOn);
}

// ---- TextureRenderer

void TextureRenderer::Begin()
{
    lightingWasOn = SaveLightingAndSwitchOff();
    pendingIndices.clear();
    pendingVertices = nullptr;
    pendingCoords = nullptr;
    SendColour(colour);
    if (texture != nullptr) {
        texture->Bind();
        glEnable(GL_TEXTURE_2D);
    }
    glEnable(GL_BLEND);
}

void TextureRenderer::DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords)
{
    if (texture == nullptr || face == nullptr || vertices == nullptr || texCoords == nullptr) {
        return;
    }
    if (vertices != pendingVertices || texCoords != pendingCoords) {
        DrawPending();
        pendingVertices = vertices;
        pendingCoords = texCoords;
    }
    pendingIndices.push_back(static_cast<unsigned int>(face->a));
    pendingIndices.push_back(static_cast<unsigned int>(face->b));
    pendingIndices.push_back(static_cast<unsigned int>(face->c));
}

void TextureRenderer::DrawPending()
{
    if (!pendingIndices.empty()) {
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(Vec3), pendingVertices);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(TexCoord2), pendingCoords);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(pendingIndices.size()), GL_UNSIGNED_INT,
                       pendingIndices.data());
        glPopClientAttrib();
        // Drawing from arrays leaves the current texture coordinate undefined; one glTexCoord per
        // vertex would have left the last one.
        const TexCoord2& last = pendingCoords[pendingIndices.back()];
        glTexCoord2f(last.u, last.v);
        pendingIndices.clear();
    }
    pendingVertices = nullptr;
    pendingCoords = nullptr;
}

void TextureRenderer::End()
{
    DrawPending();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    RestoreLighting(lightingWasOn);
}

// ---- MaterialRenderer

void MaterialRenderer::Begin()
{
    glEnable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor3f(colour.r, colour.g, colour.b);
    glEnable(GL_LIGHT0);
    const GLfloat ambientRgba[4] = {ambient.r, ambient.g, ambient.b, ambient.a};
    const GLfloat diffuseRgba[4] = {diffuse.r, diffuse.g, diffuse.b, diffuse.a};
    const GLfloat specularRgba[4] = {specular.r, specular.g, specular.b, specular.a};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambientRgba);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuseRgba);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specularRgba);
    glMateriali(GL_FRONT, GL_SHININESS, shininess);
}

void MaterialRenderer::DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* /*texCoords*/)
{
    if (face == nullptr || vertices == nullptr) {
        return;
    }
    DrawTriangle(*face, vertices);
}

void MaterialRenderer::End()
{
    // Deliberately nothing: the lit state stays for whatever is drawn next.
}

// ---- SpriteRenderer

void SpriteRenderer::Begin()
{
    perVertex = true;
    lightingWasOn = SaveLightingAndSwitchOff();
    pending.clear();
}

void SpriteRenderer::DrawFace(const Face* /*face*/, const Vec3* vertices, const TexCoord2* /*texCoords*/)
{
    if (texture == nullptr || vertices == nullptr) {
        return;
    }
    pending.push_back({vertices[0], colour.a});
}

void SpriteRenderer::End()
{
    if (texture != nullptr && texture->IsDrawable() && !pending.empty()) {
        texture->SpriteStateOn();
        for (const Pending& sprite : pending) {
            glPushMatrix();
            texture->SpriteQuad(sprite.at.x, sprite.at.y, sprite.at.z, 0.0f, sprite.alpha);
            glPopMatrix();
        }
        texture->SpriteStateOff();
    }
    pending.clear();
    RestoreLighting(lightingWasOn);
}
