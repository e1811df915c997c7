// platform/glyphs.h -- 3D glyphs: a font face's character outlines turned into OpenGL display lists.
//
// What:   finds a font face by name, flattens the outline of each character code and compiles one
//         display list per code: the glyph as extruded filled letters (or line outlines), followed by
//         a move of the matrix by the glyph's advance, so that running the lists of a string in a row
//         lays the letters out one after another. Also gives each glyph's metrics.
// Needs:  fontconfig (finding the face; a face name it does not know is replaced by the closest face
//         it has, as a desktop would do), FreeType (outlines and metrics), the GLU tessellator (filling
//         outlines with holes), and a current OpenGL context on the calling thread (lists are made in
//         it). Everything is loaded for the one call and released before it returns.
// Limits: character codes are 8-bit Windows-1252 ("ANSI") codes: 0 to 127 are ASCII, 128 to 255 the
//         Western European letters and signs of that code page (é, à, ç, €, ...).
//
// Glossary:
//   em       the font's design square; all lengths here are in ems (the em square is 1.0 x 1.0).
//   baseline the line the letters stand on; a glyph's origin is the point on it where the glyph starts.
//   advance  how far the origin moves on for the next glyph (gmfCellIncX, gmfCellIncY).
//   black box the smallest rectangle enclosing the glyph's ink.
#pragma once

// A point in ems, in the glyph's frame (x to the right, y up from the baseline origin).
struct GlyphPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// The metrics of one glyph, in ems. An empty glyph (a space) has a zero black box at (0, 0).
struct GlyphMetrics {
    float gmfBlackBoxX = 0.0f;   // width of the black box
    float gmfBlackBoxY = 0.0f;   // height of the black box
    GlyphPoint gmfptGlyphOrigin; // top-left corner of the black box, relative to the glyph's origin
    float gmfCellIncX = 0.0f;    // advance along x (what the glyph's list translates by)
    float gmfCellIncY = 0.0f;    // advance along y; 0 for horizontal text
};

// Compiles display list `listBase` + i for character code `firstCode` + i, for i from 0 to `count` - 1,
// and fills metricsOut[i] for each of them (codes outside 0 to 255 are skipped).
//
// Geometry of each list, in the current modelview frame, in ems: the glyph's baseline origin at
// (0, 0, 0); with `polygons` true, the filled front face in the z = 0 plane facing +z (normal (0, 0, 1),
// counter-clockwise seen from +z), holes left open, and when `depth` > 0 a back face at z = -depth facing
// -z and side walls between them facing outwards, each with its normal; with `polygons` false, the
// outlines as line loops at z = 0 (and z = -depth, joined at the outline's corners). Curves are
// flattened to within 1/4096 em. After the glyph the list calls glTranslatef(gmfCellIncX, gmfCellIncY,
// 0). A code that maps to a control character the font does not draw gets a list with no geometry and
// zero metrics; a printable character the font lacks gets the font's "missing glyph" box. Normals are
// unit length in ems: a caller that scales the letters and lights them wants GL_NORMALIZE.
//
// `faceName`: family name such as "Courier New" (null is the system's default face). `bold`: the bold
// weight (synthesised by thickening the outlines when the family has no bold face). `depth`: the
// extrusion in ems, 0 or less for flat letters.
//
// Returns true when the glyphs came from a font. Returns false when no scalable font could be found or
// read at all: then every metricsOut entry is zeroed and no list is touched (lists fresh from
// glGenLists stay empty). Never throws on a missing or broken font.
bool BuildGlyphLists(const char* faceName, bool bold, int firstCode, int count, unsigned int listBase,
                     float depth, bool polygons, GlyphMetrics* metricsOut);

// The Unicode character of a Windows-1252 code. The five codes that page leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same number, as Windows does.
char32_t Windows1252ToUnicode(unsigned char code);
