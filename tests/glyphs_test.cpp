// tests/glyphs_test.cpp -- the glyph layer: fonts found by name, glyph geometry in ems (origin, holes,
// extrusion, facing, normals), advances, Windows-1252 codes, line mode and a system without fonts.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <initializer_list>
#include <string>
#include <vector>

#include "glcontext.h"
#include "platform/glyphs.h"
#include "platform/glyphshapes.h"
#include "tempfile.h"

namespace {

using Codes = std::initializer_list<unsigned char>;

constexpr float kDepth = 0.2f;
// Pixels per em when a glyph is drawn large: the unit ortho maps 2 units onto 128 pixels.
constexpr float kEmPixels = 100.0f;
constexpr float kPixelsPerUnit = GLTest::kWidth / 2.0f;

// The lit pixels' bounding box (inclusive), in framebuffer pixels; empty when nothing is lit.
struct Ink {
    int count = 0;
    int minX = 0, maxX = -1, minY = 0, maxY = -1;
    int brightest = 0;
};

std::vector<unsigned char> ReadFrame()
{
    std::vector<unsigned char> pixels(GLTest::kWidth * GLTest::kHeight * 4);
    glFinish();
    glReadPixels(0, 0, GLTest::kWidth, GLTest::kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

bool Lit(const std::vector<unsigned char>& frame, int x, int y)
{
    return frame[4 * (y * GLTest::kWidth + x)] > 40;
}

Ink FindInk()
{
    const std::vector<unsigned char> frame = ReadFrame();
    Ink ink;
    ink.minX = GLTest::kWidth;
    ink.minY = GLTest::kHeight;
    for (int y = 0; y < GLTest::kHeight; ++y) {
        for (int x = 0; x < GLTest::kWidth; ++x) {
            if (!Lit(frame, x, y)) {
                continue;
            }
            ++ink.count;
            ink.minX = std::min(ink.minX, x);
            ink.maxX = std::max(ink.maxX, x);
            ink.minY = std::min(ink.minY, y);
            ink.maxY = std::max(ink.maxY, y);
            ink.brightest = std::max(ink.brightest, static_cast<int>(frame[4 * (y * GLTest::kWidth + x)]));
        }
    }
    return ink;
}

// Lists for all 256 codes of one face, made on construction and deleted after the test.
class GlyphLists : public GLTest {
protected:
    void TearDown() override
    {
        if (base != 0) {
            glDeleteLists(base, 256);
        }
    }

    bool Build(const char* face, bool bold = true, float depth = kDepth, bool polygons = true)
    {
        if (base == 0) {
            base = glGenLists(256);
        }
        return BuildGlyphLists(face, bold, 0, 256, base, depth, polygons, metrics);
    }

    // Draws one glyph with its baseline origin at framebuffer pixel (originX, originY), kEmPixels per
    // em, after `turn` (applied about the origin).
    void DrawAt(unsigned char code, float originX, float originY, void (*turn)() = nullptr)
    {
        UseUnitOrtho();
        glTranslatef(originX / kPixelsPerUnit - 1.0f, originY / kPixelsPerUnit - 1.0f, 0.0f);
        const float s = kEmPixels / kPixelsPerUnit;
        glScalef(s, s, s);
        if (turn != nullptr) {
            turn();
        }
        glCallList(base + code);
    }

    GLuint base = 0;
    GlyphMetrics metrics[256];
};

TEST_F(GlyphLists, BoldCourierNewHasItsMonospacedAdvanceInEms)
{
    ASSERT_TRUE(Build("Courier New"));
    // Courier New (and its metric twin Liberation Mono) advances 1229/2048 em for every letter.
    for (unsigned char code : Codes{'A', 'i', 'W', ' ', '.', 0xE9, 0x80}) {
        SCOPED_TRACE(static_cast<int>(code));
        EXPECT_NEAR(metrics[code].gmfCellIncX, 1229.0f / 2048.0f, 1e-4f);
        EXPECT_EQ(metrics[code].gmfCellIncY, 0.0f);
    }
    EXPECT_EQ(metrics[' '].gmfBlackBoxX, 0.0f);
    EXPECT_EQ(metrics[' '].gmfBlackBoxY, 0.0f);
    // Capitals stand on the baseline and are a little over half an em tall.
    EXPECT_GT(metrics['H'].gmfptGlyphOrigin.y, 0.5f);
    EXPECT_LT(metrics['H'].gmfptGlyphOrigin.y, 0.8f);
    EXPECT_NEAR(metrics['H'].gmfptGlyphOrigin.y - metrics['H'].gmfBlackBoxY, 0.0f, 1e-3f);
}

TEST_F(GlyphLists, DrawnInkMatchesTheMetricsAroundTheBaselineOrigin)
{
    ASSERT_TRUE(Build("Courier New"));
    const float originX = 20.0f, originY = 30.0f;
    // A capital, a descender, a lower-case letter with an accent (code 0xE9) and the euro (0x80).
    for (unsigned char code : Codes{'H', 'g', 0xE9, 0x80}) {
        SCOPED_TRACE(static_cast<int>(code));
        glClear(GL_COLOR_BUFFER_BIT);
        DrawAt(code, originX, originY);
        const Ink ink = FindInk();
        const GlyphMetrics& m = metrics[code];
        ASSERT_GT(ink.count, 0);
        // Pixel centres lie within half a pixel inside the geometry; allow a little more.
        const float left = originX + m.gmfptGlyphOrigin.x * kEmPixels;
        const float top = originY + m.gmfptGlyphOrigin.y * kEmPixels;
        EXPECT_NEAR(ink.minX, left, 1.5f);
        EXPECT_NEAR(ink.maxX + 1, left + m.gmfBlackBoxX * kEmPixels, 1.5f);
        EXPECT_NEAR(ink.maxY + 1, top, 1.5f);
        EXPECT_NEAR(ink.minY, top - m.gmfBlackBoxY * kEmPixels, 1.5f);
    }
}

TEST_F(GlyphLists, EachListMovesTheMatrixOnByItsAdvance)
{
    for (bool polygons : {true, false}) {
        ASSERT_TRUE(Build("Courier New", true, kDepth, polygons));
        for (unsigned char code : Codes{'A', ' ', 0xE9}) {
            SCOPED_TRACE(static_cast<int>(code));
            glLoadIdentity();
            glCallList(base + code);
            EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([&] { glTranslatef(metrics[code].gmfCellIncX, 0, 0); }),
                                   1e-6f));
        }
    }
}

// Runs of lit pixels met going up the middle of the glyph's black box: a letter whose holes were
// filled would show a single run.
TEST_F(GlyphLists, HolesStayOpen)
{
    ASSERT_TRUE(Build("Courier New"));
    struct Case {
        unsigned char code;
        int runs;
    };
    for (const Case& c : {Case{'A', 2}, Case{'O', 2}, Case{'8', 3}, Case{'B', 3}}) {
        SCOPED_TRACE(c.code);
        glClear(GL_COLOR_BUFFER_BIT);
        const float originX =
            64.0f - (metrics[c.code].gmfptGlyphOrigin.x + metrics[c.code].gmfBlackBoxX / 2) * kEmPixels;
        DrawAt(c.code, originX, 20.0f);
        const std::vector<unsigned char> frame = ReadFrame();
        int runs = 0;
        bool inside = false;
        for (int y = 0; y < kHeight; ++y) {
            const bool lit = Lit(frame, 64, y);
            runs += lit && !inside ? 1 : 0;
            inside = lit;
        }
        EXPECT_EQ(runs, c.runs);
    }
}

void TurnHalfAboutY()
{
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
}

void TurnQuarterAboutY()
{
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
}

// With back faces culled and a white light shining down -z from the viewer, a face shows bright only
// if it winds counter-clockwise towards the viewer and its normal points at the viewer too.
TEST_F(GlyphLists, FacesWindAndPointOutwards)
{
    struct Case {
        const char* what;
        float depth;
        void (*turn)();
        bool seen;
    };
    const Case cases[] = {
        {"front face from the front", 0.0f, nullptr, true},
        {"flat letter from behind", 0.0f, TurnHalfAboutY, false},
        {"back face from behind", kDepth, TurnHalfAboutY, true},
        {"side walls edge-on", kDepth, TurnQuarterAboutY, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Build("Courier New", true, c.depth));
        glClear(GL_COLOR_BUFFER_BIT);
        glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_NORMALIZE); // the drawing scale must not dim the light
        const GLfloat black[] = {0, 0, 0, 1}, white[] = {1, 1, 1, 1}, fromViewer[] = {0, 0, 1, 0};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glLightfv(GL_LIGHT0, GL_AMBIENT, black);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLoadIdentity();
        glLightfv(GL_LIGHT0, GL_POSITION, fromViewer); // in eye space
        DrawAt('H', 64.0f, 20.0f, c.turn);
        glPopAttrib();
        const Ink ink = FindInk();
        if (c.seen) {
            // The default material reflects 0.8 of the light: 204 where the normal faces the viewer.
            EXPECT_GT(ink.brightest, 190);
        } else {
            EXPECT_EQ(ink.count, 0);
        }
    }
}

void KeepOnlyBehindHalfDepth()
{
    const GLdouble plane[] = {0.0, 0.0, -1.0, -kDepth / 2}; // keeps z <= -depth / 2, in the glyph's frame
    glClipPlane(GL_CLIP_PLANE0, plane);
    glEnable(GL_CLIP_PLANE0);
}

TEST_F(GlyphLists, ExtrusionReachesDepthTowardsMinusZ)
{
    ASSERT_TRUE(Build("Courier New"));
    // A quarter turn about Y shows the letter edge-on: its z becomes the screen's x.
    DrawAt('H', 64.0f, 20.0f, TurnQuarterAboutY);
    Ink ink = FindInk();
    ASSERT_GT(ink.count, 0);
    EXPECT_NEAR(ink.minX, 64.0f - kDepth * kEmPixels, 1.5f);
    EXPECT_NEAR(ink.maxX + 1, 64.0f, 1.5f);

    // Face-on, with everything in front of z = -depth / 2 clipped away, the back face is what shows,
    // as large as the letter.
    glClear(GL_COLOR_BUFFER_BIT);
    DrawAt('H', 20.0f, 20.0f);
    const int frontInk = FindInk().count;
    glClear(GL_COLOR_BUFFER_BIT);
    DrawAt('H', 20.0f, 20.0f, KeepOnlyBehindHalfDepth);
    glDisable(GL_CLIP_PLANE0);
    ink = FindInk();
    EXPECT_GT(ink.count, frontInk * 9 / 10);
}

TEST_F(GlyphLists, LineModeDrawsOutlinesOnly)
{
    int filledInk = 0;
    for (bool polygons : {true, false}) {
        SCOPED_TRACE(polygons);
        ASSERT_TRUE(Build("Courier New", true, kDepth, polygons));
        glClear(GL_COLOR_BUFFER_BIT);
        const GlyphMetrics& m = metrics['O'];
        const float originX = 64.0f - (m.gmfptGlyphOrigin.x + m.gmfBlackBoxX / 2) * kEmPixels;
        DrawAt('O', originX, 20.0f);
        const Ink ink = FindInk();
        // The middle of the ring's left stroke: inked when filled, between the two outlines otherwise.
        const std::vector<unsigned char> frame = ReadFrame();
        const int strokeY = 20 + static_cast<int>((m.gmfptGlyphOrigin.y - m.gmfBlackBoxY / 2) * kEmPixels);
        int strokeX = ink.minX;
        while (strokeX < 64 && Lit(frame, strokeX, strokeY)) {
            ++strokeX;
        }
        if (polygons) {
            filledInk = ink.count;
            EXPECT_GT(strokeX - ink.minX, 8) << "a bold stroke is many pixels wide";
        } else {
            ASSERT_GT(ink.count, 0);
            EXPECT_LT(ink.count, filledInk / 2);
            EXPECT_LE(strokeX - ink.minX, 3) << "only the outer outline, one line wide";
        }
    }
}

TEST_F(GlyphLists, BoldHasMoreInkThanRegular)
{
    int ink[2] = {};
    for (bool bold : {false, true}) {
        ASSERT_TRUE(Build("Courier New", bold));
        glClear(GL_COLOR_BUFFER_BIT);
        DrawAt('H', 30.0f, 20.0f);
        ink[bold ? 1 : 0] = FindInk().count;
    }
    EXPECT_GT(ink[1], ink[0] * 5 / 4);
}

TEST_F(GlyphLists, Windows1252CodesReachTheirLetters)
{
    ASSERT_TRUE(Build("Courier New"));
    // é (0xE9) is e with an accent above: same foot, taller ink.
    EXPECT_NEAR(metrics[0xE9].gmfptGlyphOrigin.y - metrics[0xE9].gmfBlackBoxY,
                metrics['e'].gmfptGlyphOrigin.y - metrics['e'].gmfBlackBoxY, 1e-3f);
    EXPECT_GT(metrics[0xE9].gmfptGlyphOrigin.y, metrics['e'].gmfptGlyphOrigin.y + 0.1f);
    // The letters of the 0x80-0x9F block are the code page's, not C1 controls.
    for (unsigned char code : Codes{0x80, 0x8C, 0x9C, 0x9F, 0xE0, 0xE7}) {
        SCOPED_TRACE(static_cast<int>(code));
        EXPECT_GT(metrics[code].gmfBlackBoxX, 0.1f);
    }
    // Control codes, including those the code page leaves undefined, draw nothing and do not move.
    for (unsigned char code : Codes{0x01, 0x1B, 0x81, 0x8D}) {
        SCOPED_TRACE(static_cast<int>(code));
        EXPECT_EQ(metrics[code].gmfCellIncX, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawAt(code, 30.0f, 20.0f);
        EXPECT_EQ(FindInk().count, 0);
    }

    struct Mapping {
        unsigned char code;
        char32_t unicode;
    };
    for (const Mapping& m :
         {Mapping{'A', U'A'}, Mapping{0x80, U'€'}, Mapping{0x92, U'\u2019'}, Mapping{0x9C, U'œ'},
          Mapping{0xE9, U'é'}, Mapping{0xFF, U'ÿ'}, Mapping{0x81, U'\u0081'}}) {
        EXPECT_EQ(Windows1252ToUnicode(m.code), m.unicode) << static_cast<int>(m.code);
    }
}

TEST_F(GlyphLists, AnUnknownFaceNameGetsTheClosestFace)
{
    EXPECT_TRUE(Build("No Such Face Anywhere"));
    EXPECT_GT(metrics['A'].gmfCellIncX, 0.0f);
    EXPECT_GT(metrics['A'].gmfBlackBoxY, 0.0f);
}

TEST_F(GlyphLists, WithoutAnyFontNothingIsBuiltAndNothingBreaks)
{
    // A configuration naming no font directory: the system has no fonts at all.
    TempFile config("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", ".conf");
    const char* before = std::getenv("FONTCONFIG_FILE");
    const std::string saved = before != nullptr ? before : "";
    setenv("FONTCONFIG_FILE", config.Path(), 1);

    base = glGenLists(256);
    glNewList(base + 'A', GL_COMPILE);
    glTranslatef(5.0f, 0.0f, 0.0f);
    glEndList();
    for (GlyphMetrics& m : metrics) {
        m.gmfCellIncX = 7.0f;
        m.gmfBlackBoxX = 7.0f;
    }
    const bool built = BuildGlyphLists("Courier New", true, 0, 256, base, kDepth, true, metrics);

    if (before != nullptr) {
        setenv("FONTCONFIG_FILE", saved.c_str(), 1);
    } else {
        unsetenv("FONTCONFIG_FILE");
    }
    EXPECT_FALSE(built);
    for (const GlyphMetrics& m : metrics) {
        EXPECT_EQ(m.gmfCellIncX, 0.0f);
        EXPECT_EQ(m.gmfBlackBoxX, 0.0f);
    }
    glCallList(base + 'A'); // the list was left as it was
    EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([] { glTranslatef(5.0f, 0.0f, 0.0f); })));
}

// ---------------------------------------------------------------------------------------------------
// The shapes file the browser compiles its lists from.

bool SameVertex(const GlyphVertex& a, const GlyphVertex& b)
{
    return std::memcmp(&a.x, &b.x, sizeof a.x) == 0 && std::memcmp(&a.y, &b.y, sizeof a.y) == 0;
}

bool SameShape(const GlyphShape& a, const GlyphShape& b)
{
    const GlyphMetrics& m = a.metrics;
    const GlyphMetrics& n = b.metrics;
    if (m.gmfBlackBoxX != n.gmfBlackBoxX || m.gmfBlackBoxY != n.gmfBlackBoxY ||
        m.gmfptGlyphOrigin.x != n.gmfptGlyphOrigin.x || m.gmfptGlyphOrigin.y != n.gmfptGlyphOrigin.y ||
        m.gmfCellIncX != n.gmfCellIncX || m.gmfCellIncY != n.gmfCellIncY || a.fillRight != b.fillRight ||
        a.contours.size() != b.contours.size() || a.extraVertices.size() != b.extraVertices.size() ||
        a.triangles != b.triangles) {
        return false;
    }
    for (size_t i = 0; i < a.contours.size(); ++i) {
        const GlyphContour& c = a.contours[i];
        const GlyphContour& d = b.contours[i];
        if (c.corners != d.corners || c.points.size() != d.points.size() ||
            !std::equal(c.points.begin(), c.points.end(), d.points.begin(), SameVertex)) {
            return false;
        }
    }
    return std::equal(a.extraVertices.begin(), a.extraVertices.end(), b.extraVertices.begin(), SameVertex);
}

// Draws the text with the lists from `base`, lit, turned so that the side walls and the back show,
// after `project` set the projection.
std::vector<unsigned char> DrawLitText(GLuint base, const char* text, void (*project)())
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    project();
    glTranslatef(0.0f, 0.0f, -4.0f);
    glRotatef(40.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(-25.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-1.5f, -0.3f, 0.0f);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_DEPTH_TEST);
    glListBase(base);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glListBase(0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_NORMALIZE);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    return ReadFrame();
}

TEST_F(GlyphLists, ListsFromTheShapesFileAreTheFontsOwn)
{
    for (const bool polygons : {true, false}) {
        SCOPED_TRACE(polygons ? "filled" : "lines");
        ASSERT_TRUE(Build("Courier New", true, kDepth, polygons));
        GlyphShapeSet loaded;
        ASSERT_TRUE(LoadGlyphShapes("Courier New", true, 0, 255, &loaded));
        const std::vector<unsigned char> bytes = WriteGlyphShapes(loaded);
        GlyphShapeSet read;
        std::string error;
        ASSERT_TRUE(ReadGlyphShapes(bytes.data(), bytes.size(), &read, &error)) << error;
        EXPECT_EQ(read.faceName, loaded.faceName);
        EXPECT_FALSE(read.faceName.empty());
        ASSERT_EQ(read.shapes.size(), 255u);
        size_t triangles = 0;
        for (size_t code = 0; code < 255; ++code) {
            EXPECT_TRUE(SameShape(read.shapes[code], loaded.shapes[code])) << code;
            EXPECT_EQ(read.shapes[code].metrics.gmfCellIncX, metrics[code].gmfCellIncX) << code;
            EXPECT_EQ(read.shapes[code].metrics.gmfptGlyphOrigin.y, metrics[code].gmfptGlyphOrigin.y) << code;
            triangles += read.shapes[code].triangles.size();
        }
        EXPECT_GT(triangles, 1000u);

        const GLuint fromFile = glGenLists(256);
        for (int code = 0; code < 255; ++code) {
            CompileGlyphList(read.shapes[static_cast<size_t>(code)], fromFile + static_cast<GLuint>(code),
                             kDepth, polygons);
        }
        const char* text = "&Bg\xe9";
        const std::vector<unsigned char> own = DrawLitText(base, text, UsePerspective);
        const std::vector<unsigned char> baked = DrawLitText(fromFile, text, UsePerspective);
        glDeleteLists(fromFile, 256);
        EXPECT_EQ(own, baked);
        EXPECT_GT(std::count_if(own.begin(), own.end(), [](unsigned char v) { return v > 40; }), 500);
        glDeleteLists(base, 256);
        base = 0;
    }
}

// A file of one square glyph, with the byte offsets of its fields (see glyphshapes.cpp).
std::vector<unsigned char> SquareFile()
{
    GlyphShapeSet set;
    set.faceName = "T";
    set.firstCode = 65;
    GlyphShape square;
    square.metrics.gmfCellIncX = 0.6f;
    GlyphContour c;
    c.points = {{0.0, 0.0}, {0.0, 0.5}, {0.5, 0.5}, {0.5, 0.0}};
    c.corners = {1, 1, 1, 1};
    square.contours.push_back(c);
    square.triangles = {0, 1, 2, 0, 2, 3};
    set.shapes.push_back(square);
    return WriteGlyphShapes(set);
}
constexpr size_t kNameLength = 12, kFirstCode = 17, kGlyphCount = 21, kFillRight = 49, kPointCount = 54,
                 kFirstX = 58, kFirstCorner = 74, kTriangleCount = 130, kFirstIndex = 134, kFileEnd = 158;

void PutU32(std::vector<unsigned char>* bytes, size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) {
        (*bytes)[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    }
}

TEST(GlyphShapesFile, RefusesAnyFileThatDoesNotHoldTogether)
{
    const std::vector<unsigned char> good = SquareFile();
    ASSERT_EQ(good.size(), kFileEnd);
    GlyphShapeSet read;
    std::string error;
    ASSERT_TRUE(ReadGlyphShapes(good.data(), good.size(), &read, &error)) << error;
    ASSERT_EQ(read.shapes.size(), 1u);
    EXPECT_EQ(read.firstCode, 65);
    EXPECT_EQ(read.shapes[0].triangles.size(), 6u);
    EXPECT_EQ(read.shapes[0].contours[0].points[2].x, 0.5);

    struct Case {
        const char* what;
        void (*spoil)(std::vector<unsigned char>*);
    };
    const Case cases[] = {
        {"another magic", [](std::vector<unsigned char>* b) { (*b)[0] = 'X'; }},
        {"a name longer than the file", [](std::vector<unsigned char>* b) { PutU32(b, kNameLength, 4000); }},
        {"a first code past 255", [](std::vector<unsigned char>* b) { PutU32(b, kFirstCode, 300); }},
        {"a glyph count the bytes cannot hold",
         [](std::vector<unsigned char>* b) { PutU32(b, kGlyphCount, 0x7FFFFFFF); }},
        {"a fill flag of 2", [](std::vector<unsigned char>* b) { (*b)[kFillRight] = 2; }},
        {"a huge point count", [](std::vector<unsigned char>* b) { PutU32(b, kPointCount, 0xFFFFFFFF); }},
        {"a contour of two points", [](std::vector<unsigned char>* b) { PutU32(b, kPointCount, 2); }},
        {"a coordinate that is not a number",
         [](std::vector<unsigned char>* b) {
             const double nan = std::numeric_limits<double>::quiet_NaN();
             std::memcpy(&(*b)[kFirstX], &nan, sizeof nan);
         }},
        {"a corner flag of 2", [](std::vector<unsigned char>* b) { (*b)[kFirstCorner] = 2; }},
        {"a triangle count not a multiple of 3",
         [](std::vector<unsigned char>* b) { PutU32(b, kTriangleCount, 5); }},
        {"a triangle index past the vertices",
         [](std::vector<unsigned char>* b) { PutU32(b, kFirstIndex, 4); }},
        {"a byte after the last glyph", [](std::vector<unsigned char>* b) { b->push_back(0); }},
    };
    GlyphShapeSet kept;
    kept.faceName = "kept";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<unsigned char> bytes = good;
        c.spoil(&bytes);
        GlyphShapeSet out = kept;
        error.clear();
        EXPECT_FALSE(ReadGlyphShapes(bytes.data(), bytes.size(), &out, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(out.faceName, "kept");
    }
    // Every shorter file: cut anywhere, it is refused.
    for (size_t size = 0; size < good.size(); ++size) {
        GlyphShapeSet out = kept;
        EXPECT_FALSE(ReadGlyphShapes(good.data(), size, &out, &error)) << size;
        EXPECT_EQ(out.faceName, "kept");
    }
}

} // namespace
