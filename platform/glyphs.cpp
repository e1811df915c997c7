// platform/glyphs.cpp -- glyph display lists: fontconfig finds the face, FreeType gives the outlines,
// the GLU tessellator fills them.
#include "glyphs.h"
#include "glyphshapes.h"

#include <GL/gl.h>                 // Required for: display lists and immediate-mode drawing
#include <GL/glu.h>                // Required for: gluNewTess() and the tessellator callbacks
#include <fontconfig/fontconfig.h> // Required for: finding a face file by family name and weight
#include <ft2build.h>
#include FT_FREETYPE_H // Required for: FT_New_Face(), FT_Load_Glyph()
#include FT_OUTLINE_H  // Required for: FT_Outline_Decompose(), FT_Outline_EmboldenXY()

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace {

// Greatest distance, in ems, between a curve and the chords that stand for it: 1/4096 em is a tenth of
// a pixel on a letter 400 pixels high, so no facet shows even on the largest letters of a full screen.
constexpr double kFlatness = 1.0 / 4096.0;
// Bound on the chords per curve segment, whatever the curve's size.
constexpr int kMaxChordsPerCurve = 128;

struct FontFile {
    std::string path;
    int index = 0;         // face index inside the file (collections, named instances)
    bool embolden = false; // the family has no face as heavy as asked: thicken the outlines
};

// Asks fontconfig for the scalable outline face closest to `faceName` at the given weight. Loads its
// own configuration so that everything is released on return. False when no scalable face exists.
bool FindFontFile(const char* faceName, bool bold, FontFile* out)
{
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) {
        return false;
    }
    bool found = false;
    FcPattern* pattern = FcPatternCreate();
    if (pattern != nullptr) {
        if (faceName != nullptr && faceName[0] != '\0') {
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName));
        }
        FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);

        // Sorted best first; bitmap-only faces have no outlines to extrude, so the first outline
        // face wins.
        FcResult result = FcResultNoMatch;
        FcFontSet* fonts = FcFontSort(config, pattern, FcFalse, nullptr, &result);
        for (int i = 0; fonts != nullptr && i < fonts->nfont && !found; ++i) {
            FcBool outline = FcFalse;
            if (FcPatternGetBool(fonts->fonts[i], FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) {
                continue;
            }
            FcPattern* font = FcFontRenderPrepare(config, pattern, fonts->fonts[i]);
            if (font == nullptr) {
                continue;
            }
            FcChar8* file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
                int index = 0;
                FcBool embolden = FcFalse;
                FcPatternGetInteger(font, FC_INDEX, 0, &index);
                FcPatternGetBool(font, FC_EMBOLDEN, 0, &embolden);
                out->path = reinterpret_cast<const char*>(file);
                out->index = index;
                out->embolden = embolden != FcFalse;
                found = true;
            }
            FcPatternDestroy(font);
        }
        if (fonts != nullptr) {
            FcFontSetDestroy(fonts);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return found;
}

// ---------------------------------------------------------------------------------------------------
// Outlines flattened into closed polygons, in ems.

struct Point {
    double x, y;
};

struct Contour {
    std::vector<Point> points;
    std::vector<char> corners; // 1 where the outline's own segments meet (joins in line mode)
};

struct Flattener {
    double scale; // ems per font unit
    std::vector<Contour> contours;
    Point last{0.0, 0.0};

    Point ToEms(const FT_Vector* v) const { return {v->x * scale, v->y * scale}; }
    void Add(Point p, bool corner)
    {
        contours.back().points.push_back(p);
        contours.back().corners.push_back(corner ? 1 : 0);
        last = p;
    }
};

int MoveTo(const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    f->contours.emplace_back();
    f->Add(f->ToEms(to), true);
    return 0;
}

int LineTo(const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    f->Add(f->ToEms(to), true);
    return 0;
}

double Length(double x, double y)
{
    return std::sqrt(x * x + y * y);
}

// Chords for a curve whose second derivative is at most `bend` (ems): a chord over a parameter step h
// strays at most bend * h^2 / 8 from the curve.
int ChordCount(double bend)
{
    const double n = std::ceil(std::sqrt(bend / (8.0 * kFlatness)));
    return std::clamp(static_cast<int>(n), 1, kMaxChordsPerCurve);
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    const Point p0 = f->last;
    const Point p1 = f->ToEms(control);
    const Point p2 = f->ToEms(to);
    const int n = ChordCount(2.0 * Length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y));
    for (int k = 1; k <= n; ++k) {
        const double t = static_cast<double>(k) / n;
        const double u = 1.0 - t;
        const Point p{u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                      u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y};
        f->Add(k == n ? p2 : p, k == n);
    }
    return 0;
}

int CubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user)
{
    auto* f = static_cast<Flattener*>(user);
    const Point p0 = f->last;
    const Point p1 = f->ToEms(control1);
    const Point p2 = f->ToEms(control2);
    const Point p3 = f->ToEms(to);
    const double bend = 6.0 * std::max(Length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                       Length(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
    const int n = ChordCount(bend);
    for (int k = 1; k <= n; ++k) {
        const double t = static_cast<double>(k) / n;
        const double u = 1.0 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        const Point p{a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
        f->Add(k == n ? p3 : p, k == n);
    }
    return 0;
}

// Drops repeated points (and the closing point that repeats the first) and contours that enclose
// nothing; the tessellator and the side walls want distinct neighbours.
void CleanContours(std::vector<Contour>* contours)
{
    std::vector<Contour> kept;
    for (Contour& c : *contours) {
        Contour out;
        for (size_t i = 0; i < c.points.size(); ++i) {
            const Point p = c.points[i];
            if (!out.points.empty() && out.points.back().x == p.x && out.points.back().y == p.y) {
                out.corners.back() = static_cast<char>(out.corners.back() | c.corners[i]);
                continue;
            }
            out.points.push_back(p);
            out.corners.push_back(c.corners[i]);
        }
        while (out.points.size() > 1 && out.points.back().x == out.points.front().x &&
               out.points.back().y == out.points.front().y) {
            out.corners.front() = static_cast<char>(out.corners.front() | out.corners.back());
            out.points.pop_back();
            out.corners.pop_back();
        }
        if (out.points.size() >= 3) {
            kept.push_back(std::move(out));
        }
    }
    contours->swap(kept);
}

// ---------------------------------------------------------------------------------------------------
// Filling: the GLU tessellator turns the contours into triangles under the font's own fill rule.

struct TessVertex {
    GLdouble xyz[3];
    std::uint32_t index; // in the glyph's vertices: the contours' points in order, then the added ones
};

struct Tessellation {
    std::deque<TessVertex> vertices; // stable addresses: the tessellator keeps pointers into it
    std::vector<const TessVertex*> triangles;
    bool failed = false;
};

void GLAPIENTRY OnTessVertex(void* vertex, void* data)
{
    static_cast<Tessellation*>(data)->triangles.push_back(static_cast<const TessVertex*>(vertex));
}

// Present only so that the tessellator hands out separate triangles, never fans or strips.
void GLAPIENTRY OnTessEdgeFlag(GLboolean, void*)
{
}

// Where contours cross (overlapping parts of a glyph), the tessellator asks for a new vertex.
void GLAPIENTRY OnTessCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* data)
{
    auto* tess = static_cast<Tessellation*>(data);
    const auto index = static_cast<std::uint32_t>(tess->vertices.size());
    tess->vertices.push_back(TessVertex{{coords[0], coords[1], coords[2]}, index});
    *out = &tess->vertices.back();
}

void GLAPIENTRY OnTessError(GLenum, void* data)
{
    static_cast<Tessellation*>(data)->failed = true;
}

// Fills shape->triangles (each counter-clockwise seen from +z) and shape->extraVertices from its
// contours. No triangles when the tessellator gives up (the glyph then keeps its side walls only).
void Tessellate(GLUtesselator* tess, bool evenOdd, GlyphShape* shape)
{
    Tessellation out;
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, evenOdd ? GLU_TESS_WINDING_ODD : GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0.0, 0.0, 1.0);
    for (const GlyphContour& c : shape->contours) {
        for (const GlyphVertex& p : c.points) {
            const auto index = static_cast<std::uint32_t>(out.vertices.size());
            out.vertices.push_back(TessVertex{{p.x, p.y, 0.0}, index});
        }
    }
    const size_t own = out.vertices.size();
    gluTessBeginPolygon(tess, &out);
    size_t next = 0;
    for (const GlyphContour& c : shape->contours) {
        gluTessBeginContour(tess);
        for (size_t i = 0; i < c.points.size(); ++i, ++next) {
            TessVertex* v = &out.vertices[next];
            gluTessVertex(tess, v->xyz, v);
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);

    if (out.failed || out.triangles.size() % 3 != 0) {
        return;
    }
    // Orientation is fixed here rather than trusted to the tessellator, so that the front face's
    // winding never depends on the direction the font draws its contours in.
    for (size_t i = 0; i < out.triangles.size(); i += 3) {
        const GLdouble* a = out.triangles[i]->xyz;
        const GLdouble* b = out.triangles[i + 1]->xyz;
        const GLdouble* c = out.triangles[i + 2]->xyz;
        const double area2 = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
        if (area2 < 0.0) {
            std::swap(out.triangles[i + 1], out.triangles[i + 2]);
        }
    }
    for (size_t i = own; i < out.vertices.size(); ++i) {
        shape->extraVertices.push_back(GlyphVertex{out.vertices[i].xyz[0], out.vertices[i].xyz[1]});
    }
    for (const TessVertex* v : out.triangles) {
        shape->triangles.push_back(v->index);
    }
}

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

FT_UInt GlyphIndexOf(FT_Face face, bool symbolFont, unsigned char code)
{
    if (symbolFont) {
        // Symbol fonts file their glyphs at 0xF000 + code (some at the bare code).
        const FT_UInt index = FT_Get_Char_Index(face, 0xF000u + code);
        return index != 0 ? index : FT_Get_Char_Index(face, code);
    }
    return FT_Get_Char_Index(face, Windows1252ToUnicode(code));
}

// Loads, flattens and fills the glyph of `code`.
void LoadShape(FT_Face face, bool symbolFont, bool embolden, GLUtesselator* tess, unsigned char code,
               GlyphShape* shape)
{
    *shape = GlyphShape{};
    GlyphMetrics* metrics = &shape->metrics;
    const FT_UInt index = GlyphIndexOf(face, symbolFont, code);
    const bool draw = index != 0 || symbolFont || !IsControl(Windows1252ToUnicode(code));
    std::vector<Contour> contours;
    bool evenOdd = false;
    if (draw && FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) == 0) {
        FT_GlyphSlot slot = face->glyph;
        const double scale = 1.0 / face->units_per_EM;
        FT_Pos advance = slot->metrics.horiAdvance;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            // Thickening by 1/24 em on each axis, as FreeType's own emboldening does.
            if (embolden) {
                const FT_Pos strength = face->units_per_EM / 24;
                FT_Outline_EmboldenXY(&slot->outline, strength, strength);
                advance += strength;
            }
            evenOdd = (slot->outline.flags & FT_OUTLINE_EVEN_ODD_FILL) != 0;
            shape->fillRight = FT_Outline_Get_Orientation(&slot->outline) != FT_ORIENTATION_POSTSCRIPT;
            Flattener flattener{scale, {}, {0.0, 0.0}};
            FT_Outline_Funcs funcs{};
            funcs.move_to = MoveTo;
            funcs.line_to = LineTo;
            funcs.conic_to = ConicTo;
            funcs.cubic_to = CubicTo;
            if (FT_Outline_Decompose(&slot->outline, &funcs, &flattener) == 0) {
                contours = std::move(flattener.contours);
                CleanContours(&contours);
            }
        }
        metrics->gmfCellIncX = static_cast<float>(advance * scale);
        metrics->gmfCellIncY = 0.0f; // horizontal text only
    }
    if (contours.empty()) {
        return;
    }

    double minX = contours[0].points[0].x, maxX = minX;
    double minY = contours[0].points[0].y, maxY = minY;
    for (const Contour& c : contours) {
        GlyphContour out;
        out.corners = c.corners;
        for (const Point& p : c.points) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
            out.points.push_back(GlyphVertex{p.x, p.y});
        }
        shape->contours.push_back(std::move(out));
    }
    metrics->gmfBlackBoxX = static_cast<float>(maxX - minX);
    metrics->gmfBlackBoxY = static_cast<float>(maxY - minY);
    metrics->gmfptGlyphOrigin.x = static_cast<float>(minX);
    metrics->gmfptGlyphOrigin.y = static_cast<float>(maxY);
    Tessellate(tess, evenOdd, shape);
}

} // namespace

char32_t Windows1252ToUnicode(unsigned char code)
{
    // 0x80 to 0x9F are where the code page differs from Latin-1; 0 marks the undefined codes.
    static const char32_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
    };
    if (code >= 0x80 && code <= 0x9F && high[code - 0x80] != 0) {
        return high[code - 0x80];
    }
    return code;
}

bool LoadGlyphShapes(const char* faceName, bool bold, int firstCode, int count, GlyphShapeSet* out)
{
    FontFile file;
    if (count < 0 || !FindFontFile(faceName, bold, &file)) {
        return false;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        return false;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0 || face->units_per_EM == 0) {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        FT_Done_FreeType(library);
        return false;
    }
    bool symbolFont = false;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
        symbolFont = FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
    }

    GLUtesselator* tess = gluNewTess();
    if (tess == nullptr) {
        FT_Done_Face(face);
        FT_Done_FreeType(library);
        return false;
    }
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(OnTessVertex));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<_GLUfuncptr>(OnTessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(OnTessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<_GLUfuncptr>(OnTessError));
    GlyphShapeSet set;
    set.faceName = face->family_name != nullptr ? face->family_name : "";
    if (face->style_name != nullptr) {
        set.faceName += std::string(" ") + face->style_name;
    }
    if (file.embolden) {
        set.faceName += " (emboldened)";
    }
    set.firstCode = firstCode;
    set.shapes.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int code = firstCode + i;
        if (code >= 0 && code <= 255) {
            LoadShape(face, symbolFont, file.embolden, tess, static_cast<unsigned char>(code),
                      &set.shapes[i]);
        }
    }
    gluDeleteTess(tess);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    *out = std::move(set);
    return true;
}

bool BuildGlyphLists(const char* faceName, bool bold, int firstCode, int count, unsigned int listBase,
                     float depth, bool polygons, GlyphMetrics* metricsOut)
{
    for (int i = 0; metricsOut != nullptr && i < count; ++i) {
        metricsOut[i] = GlyphMetrics{};
    }
    GlyphShapeSet set;
    if (!LoadGlyphShapes(faceName, bold, firstCode, count, &set)) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const int code = firstCode + i;
        if (code < 0 || code > 255) {
            continue;
        }
        if (metricsOut != nullptr) {
            metricsOut[i] = set.shapes[i].metrics;
        }
        CompileGlyphList(set.shapes[i], listBase + i, depth, polygons);
    }
    return true;
}
