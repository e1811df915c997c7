// platform/glyphshapes.h -- glyph outlines as data: what a font gives for each character code, ready to be
// compiled into the display lists of platform/glyphs.h, and kept in a file for a host with no fonts.
//
// What:   a glyph's shape is its metrics, its outline flattened into closed contours (in ems) and the
//         triangles that fill it. The desktop makes shapes from a font (FreeType and the GLU
//         tessellator) and compiles them at once; the browser has no font, so a build tool writes the
//         same shapes into a file (tools/webglyphs/bakeglyphs) and the browser's glyph layer reads it
//         and compiles them with the same code. The lists are then the same vertex for vertex.
// Needs:  nothing for the shapes and the file; CompileGlyphList needs a current OpenGL context;
//         LoadGlyphShapes is the desktop's (fontconfig, FreeType, GLU) and needs no context.
// Limits: a shapes file is read whole, at most kGlyphFileMaxBytes; anything in it that does not hold
//         together (a count beyond the bytes left, an index outside the glyph's vertices, a coordinate
//         that is not finite) makes the whole file refused, never a partial set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "glyphs.h"

// A point of an outline, in ems, in double: the side walls' normals are worked out from these.
struct GlyphVertex {
    double x = 0.0;
    double y = 0.0;
};

// One closed contour of a glyph, in ems: distinct neighbours, the closing point not repeated.
struct GlyphContour {
    std::vector<GlyphVertex> points;
    std::vector<char> corners; // 1 where the outline's own segments meet (where line mode joins)
};

struct GlyphShape {
    GlyphMetrics metrics;
    // TrueType draws outer contours clockwise (ink on the right of travel), PostScript the other way.
    bool fillRight = true;
    std::vector<GlyphContour> contours;
    // Vertices the tessellator added where contours cross (after the contours' own points).
    std::vector<GlyphVertex> extraVertices;
    // Filled triangles, counter-clockwise seen from +z, as indices into the glyph's vertices: the
    // contours' points in order, then extraVertices. Empty when the outline could not be filled.
    std::vector<std::uint32_t> triangles;
};

// A face's shapes for the codes firstCode to firstCode + shapes.size() - 1.
struct GlyphShapeSet {
    std::string faceName; // the face the font system gave (family and style), for messages
    int firstCode = 0;
    std::vector<GlyphShape> shapes;
};

constexpr std::size_t kGlyphFileMaxBytes = 64u * 1024u * 1024u;

// Compiles `shape` into display list `list` as platform/glyphs.h describes the lists: the glyph (filled
// and extruded by `depth` with `polygons` true, line outlines otherwise), then a move by the advance.
void CompileGlyphList(const GlyphShape& shape, unsigned int list, float depth, bool polygons);

// The shapes file: little-endian, see glyphshapes.cpp for the layout.
std::vector<unsigned char> WriteGlyphShapes(const GlyphShapeSet& set);
// False, with `error` saying why, when the bytes are not a whole, consistent shapes file; `out` is
// then left as it was.
bool ReadGlyphShapes(const unsigned char* bytes, std::size_t size, GlyphShapeSet* out, std::string* error);

// The desktop's shapes of the face closest to `faceName` (see BuildGlyphLists for `faceName` and
// `bold`), codes firstCode to firstCode + count - 1 (codes outside 0 to 255 get empty shapes). False
// when no scalable font could be found or read.
bool LoadGlyphShapes(const char* faceName, bool bold, int firstCode, int count, GlyphShapeSet* out);
