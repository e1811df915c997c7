// tests/glyphs_test.cpp -- the glyph layer: fonts found by name, glyph geometry in ems (origin, holes,
// extrusion, facing, normals), advances, Windows-1252 codes, line mode and a system without fonts.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "glcontext.h"
#include "platform/glyphs.h"
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

} // namespace
