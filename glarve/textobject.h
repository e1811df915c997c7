// glarve/textobject.h -- TextObject: one line of 3D outline letters, centred on the object's position.
#pragma once

#include <array>
#include <string>

#include "platform/glyphs.h"
#include "platform/surface.h"
#include "sceneobject.h"

// Draws one line of text as extruded letters. Create turns character codes 0 to 254 of a font face
// into 256 consecutive display lists (list listBase + n draws code n, then moves the matrix on by its
// advance); Draw runs the lists of `text` in one call, centred horizontally on `position`, not shifted
// vertically. Glyphs are in ems (the font's em square is 1.0), the baseline on y = 0, front faces in
// the z = 0 plane, extruded 0.2 towards -z. The renderer's Begin and End set and restore the colour and
// state of the letters; its DrawFace is not used.
//
// Characters are 8-bit Windows-1252 codes (so a UTF-8 "é" is two characters, not one). Code 255 has an
// empty list and zero metrics: it draws nothing and does not advance.
class TextObject : public SceneObject {
public:
    unsigned int listBase = 0;               // first of the 256 lists; 0 before Create (no lists)
    std::array<GlyphMetrics, 256> metrics{}; // entry n: code n, in ems; all zero before Create
    std::string text;                        // the text drawn, Windows-1252 bytes; empty at construction
    float textWidth = 0.0f;                  // sum of the text's advances (gmfCellIncX), in ems

    TextObject() = default;
    // Deletes the 256 lists, if Create made them.
    ~TextObject() override;

    // Builds the glyph lists and metrics of bold `faceName` (filled letters with `polygons` true, line
    // outlines otherwise) in the current GL context. `dc` is the window's surface, whose context must be
    // current; it is not otherwise used. Always returns normally: with no usable font the lists stay
    // empty and every advance is zero; without lists from GL (no context) nothing is built at all.
    // Called again, it rebuilds into the same lists. textWidth is recomputed for the current text.
    void Create(SurfaceHandle dc, const char* faceName, bool polygons);

    // Sets the text (null is the empty text) and recomputes textWidth (a 32-bit float sum, in order, of each
    // character's advance, the character read as an unsigned 8-bit code).
    void SetText(const char* newText);

    // Applies the object's transform, then Begin of the renderer, the text centred on x = 0 in the
    // object's frame, End of the renderer. Leaves the object's transform on the matrix (callers bracket
    // it with glPushMatrix / glPopMatrix) and the list base as it found it. Without a renderer the
    // renderer calls are skipped and the letters take the current colour; before Create no list runs.
    void Draw() override;

private:
    // textWidth = the sum of the advances of `text`, in order.
    void MeasureText();
};
