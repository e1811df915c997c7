// glarve/textobject.cpp -- the outline text object: glyph lists from the platform layer, drawn centred.
#include "textobject.h"

#include <GL/gl.h> // Required for: glGenLists(), glCallLists(), glPushAttrib()

namespace {
// Extrusion of the letters, in ems.
constexpr float kDepth = 0.2f;
// Codes 0 to 254 get glyphs; the last of the 256 lists stays empty.
constexpr int kListCount = 256;
constexpr int kGlyphCount = 255;
} // namespace

TextObject::~TextObject()
{
    if (listBase != 0) {
        glDeleteLists(listBase, kListCount);
    }
}

void TextObject::Create(SurfaceHandle /*dc: the glyph layer needs only the current context*/,
                        const char* faceName, bool polygons)
{
    if (listBase == 0) {
        listBase = glGenLists(kListCount);
    }
    // glGenLists gives 0 when it cannot reserve the names (no context): then there is nothing to build
    // into, and Draw will run no list rather than someone else's.
    if (listBase != 0) {
        BuildGlyphLists(faceName, true, 0, kGlyphCount, listBase, kDepth, polygons, metrics.data());
    }
    MeasureText();
}

void TextObject::SetText(const char* newText)
{
    text = newText != nullptr ? newText : "";
    MeasureText();
}

void TextObject::MeasureText()
{
    textWidth = 0.0f;
    for (const char c : text) {
        textWidth += metrics[static_cast<unsigned char>(c)].gmfCellIncX;
    }
}

void TextObject::Draw()
{
    ApplyTransform();
    if (renderer != nullptr) {
        renderer->Begin();
    }
    glPushMatrix();
    glTranslatef(-textWidth / 2.0f, 0.0f, 0.0f);
    glPushAttrib(GL_LIST_BIT); // the caller's list base comes back with glPopAttrib
    if (listBase != 0) {
        glListBase(listBase);
        // Each list draws its glyph and moves the matrix on by the advance, so the letters follow on.
        glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
    }
    glPopAttrib();
    glPopMatrix(); // undoes the centring shift and the advances
    if (renderer != nullptr) {
        renderer->End();
    }
}
