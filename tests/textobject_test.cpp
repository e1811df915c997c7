// tests/textobject_test.cpp -- TextObject: its 256 lists, text width, centred drawing, the state Draw
// leaves behind, renderer calls, and the edge cases (no Create, no renderer, no fonts), on a real context.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "glarve.h"
#include "glcontext.h"
#include "recordingrenderer.h"
#include "tempfile.h"

namespace {

// Draws the letters in its colour: what the show's renderers do in Begin and End, reduced to that.
class ColourRenderer : public Renderer {
public:
    void Begin() override { glColor4f(colour.r, colour.g, colour.b, colour.a); }
    void DrawFace(const Face*, const Vec3*, const TexCoord2*) override
    {
        ADD_FAILURE() << "DrawFace on text";
    }
    void End() override { glColor4f(1.0f, 1.0f, 1.0f, 1.0f); }
};

struct Ink {
    int count = 0;
    int minX = GLTest::kWidth, maxX = -1, minY = GLTest::kHeight, maxY = -1;
};

// Pixels whose red, green or blue exceeds 40, and their bounding box (inclusive).
Ink FindInk()
{
    std::vector<unsigned char> frame(GLTest::kWidth * GLTest::kHeight * 4);
    glFinish();
    glReadPixels(0, 0, GLTest::kWidth, GLTest::kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
    Ink ink;
    for (int y = 0; y < GLTest::kHeight; ++y) {
        for (int x = 0; x < GLTest::kWidth; ++x) {
            const unsigned char* p = &frame[4 * (y * GLTest::kWidth + x)];
            if (std::max({p[0], p[1], p[2]}) > 40) {
                ++ink.count;
                ink.minX = std::min(ink.minX, x);
                ink.maxX = std::max(ink.maxX, x);
                ink.minY = std::min(ink.minY, y);
                ink.maxY = std::max(ink.maxY, y);
            }
        }
    }
    return ink;
}

void ApplyTransform(const Vec3& p, float rx, float ry, float rz)
{
    glTranslatef(p.x, p.y, p.z);
    glRotatef(rx, 1, 0, 0);
    glRotatef(ry, 0, 1, 0);
    glRotatef(rz, 0, 0, 1);
}

// Points FONTCONFIG_FILE at a configuration without fonts for its lifetime.
class NoFonts {
public:
    NoFonts() : config("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", ".conf")
    {
        const char* before = std::getenv("FONTCONFIG_FILE");
        had = before != nullptr;
        saved = had ? before : "";
        setenv("FONTCONFIG_FILE", config.Path(), 1);
    }
    ~NoFonts()
    {
        if (had) {
            setenv("FONTCONFIG_FILE", saved.c_str(), 1);
        } else {
            unsetenv("FONTCONFIG_FILE");
        }
    }

private:
    TempFile config;
    bool had = false;
    std::string saved;
};

class TextObjectTest : public GLTest {
protected:
    // Pixels per em for drawing real letters: `scale` em-units per unit of the unit ortho.
    static constexpr float kScale = 0.8f;
    static constexpr float kPixelsPerEm = kScale * kWidth / 2;

    static void UseLargeLetters()
    {
        UseUnitOrtho();
        glScalef(kScale, kScale, kScale);
    }
};

TEST_F(TextObjectTest, NewObjectHasNoTextNoWidthAndNoLists)
{
    // Somebody else's list, at the name an object without lists would reach for "A" (base 0 + 'A').
    const GLuint sentinel = 'A';
    glNewList(sentinel, GL_COMPILE);
    glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
    glEndList();
    {
        TextObject t;
        EXPECT_TRUE(t.text.empty());
        EXPECT_EQ(t.textWidth, 0.0f);
        EXPECT_EQ(t.listBase, 0u);

        // Drawn before Create: the transform and the renderer calls, but no list runs.
        RecordingRenderer renderer;
        t.renderer = &renderer;
        t.position = Vec3(0.25f, 0.0f, 0.0f);
        t.SetText("AB");
        t.Draw();
        ASSERT_EQ(renderer.calls.size(), 2u);
        EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([] { glTranslatef(0.25f, 0.0f, 0.0f); })));
        EXPECT_EQ(CountPixelsNot(0, 0, 0), 0);
    }
    // Destroyed without Create: it deleted nobody's lists.
    EXPECT_TRUE(glIsList(sentinel));
    glDeleteLists(sentinel, 1);
}

TEST_F(TextObjectTest, CreateFillsCodes0To254AndLeavesTheLastListEmpty)
{
    GLuint base = 0;
    {
        TextObject t;
        t.Create(nullptr, "Courier New", true);
        base = t.listBase;
        ASSERT_NE(base, 0u);
        for (int code : {int{'A'}, 0xE9, 0xFE}) {
            SCOPED_TRACE(code);
            EXPECT_GT(t.metrics[code].gmfCellIncX, 0.5f);
            glLoadIdentity();
            glCallList(base + code);
            EXPECT_TRUE(
                MatrixNear(Matrix(), MatrixOf([&] { glTranslatef(t.metrics[code].gmfCellIncX, 0, 0); })));
        }
        // Code 255 (ÿ) has no glyph: zero metrics, and its list neither draws nor moves.
        EXPECT_EQ(t.metrics[255].gmfCellIncX, 0.0f);
        EXPECT_EQ(t.metrics[255].gmfBlackBoxX, 0.0f);
        glLoadIdentity();
        glCallList(base + 255);
        EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([] {})));

        // A second Create rebuilds into the same lists.
        t.Create(nullptr, "Courier New", true);
        EXPECT_EQ(t.listBase, base);
    }
    // Destruction deleted all 256.
    EXPECT_FALSE(glIsList(base));
    EXPECT_FALSE(glIsList(base + 'A'));
    EXPECT_FALSE(glIsList(base + 255));
}

TEST_F(TextObjectTest, TextWidthIsTheSumOfTheCurrentTextsAdvances)
{
    TextObject t;
    t.metrics['a'].gmfCellIncX = 0.6f;
    t.metrics['b'].gmfCellIncX = 0.4f;
    t.metrics['c'].gmfCellIncX = 0.25f;
    t.metrics[0xE9].gmfCellIncX = 0.3f;
    struct Case {
        const char* text;
        float width;
    };
    // In sequence: each text's width stands alone, whatever came before.
    for (const Case& c : {Case{"abc", 0.6f + 0.4f + 0.25f}, Case{"ab", 1.0f}, Case{"", 0.0f},
                          Case{"a\xE9", 0.6f + 0.3f}, Case{nullptr, 0.0f}}) {
        SCOPED_TRACE(c.text != nullptr ? c.text : "(null)");
        t.SetText(c.text);
        EXPECT_EQ(t.text, c.text != nullptr ? c.text : "");
        EXPECT_EQ(t.textWidth, c.width);
    }
}

TEST_F(TextObjectTest, TextSetBeforeCreateIsMeasuredByCreate)
{
    TextObject t;
    t.SetText("ab");
    EXPECT_EQ(t.textWidth, 0.0f);
    t.Create(nullptr, "Courier New", true);
    EXPECT_EQ(t.textWidth, t.metrics['a'].gmfCellIncX + t.metrics['b'].gmfCellIncX);
}

// Lists of our own, one point at each glyph origin, give the exact place of every glyph drawn.
TEST_F(TextObjectTest, FirstGlyphStartsAtMinusHalfTheWidth)
{
    TextObject t;
    t.listBase = glGenLists(256);
    const float advances[2] = {0.6f, 0.4f};
    for (int i = 0; i < 2; ++i) {
        glNewList(t.listBase + 'a' + i, GL_COMPILE);
        glBegin(GL_POINTS);
        glVertex3f(0.0f, 0.0f, 0.0f);
        glEnd();
        glTranslatef(advances[i], 0.0f, 0.0f);
        glEndList();
        t.metrics['a' + i].gmfCellIncX = advances[i];
    }
    t.SetText("ab");
    ASSERT_EQ(t.textWidth, 1.0f);
    UseUnitOrtho();
    t.position = Vec3(0.5f / 64, 0.5f / 64, 0.0f); // onto pixel centres
    t.Draw();
    // x = -0.5 and x = 0.1 in the object's frame: pixels 32 and 70 of the 64-per-unit ortho.
    EXPECT_GT(ReadPixel(32, 64).r, 200);
    EXPECT_GT(ReadPixel(70, 64).r, 200);
    EXPECT_EQ(CountPixelsNot(0, 0, 0), 2);
}

TEST_F(TextObjectTest, RealLettersAreCentredOnThePosition)
{
    TextObject t;
    t.Create(nullptr, "Courier New", true);
    t.SetText("HH");
    UseLargeLetters();
    t.position = Vec3(0.0f, -0.3f, 0.0f);
    t.Draw();
    const Ink ink = FindInk();
    const GlyphMetrics& h = t.metrics['H'];
    const float start = 64.0f - t.textWidth / 2 * kPixelsPerEm;
    EXPECT_NEAR(ink.minX, start + h.gmfptGlyphOrigin.x * kPixelsPerEm, 1.5f);
    EXPECT_NEAR(ink.maxX + 1, start + (h.gmfCellIncX + h.gmfptGlyphOrigin.x + h.gmfBlackBoxX) * kPixelsPerEm,
                1.5f);
    // Not shifted vertically: the baseline is at the object's y.
    EXPECT_NEAR(ink.minY, 64.0f - 0.3f * kPixelsPerEm, 1.5f);
}

TEST_F(TextObjectTest, DrawLeavesTheTransformAndTheListBaseAndCallsOnlyBeginAndEnd)
{
    TextObject t;
    t.Create(nullptr, "Courier New", true);
    RecordingRenderer renderer;
    t.renderer = &renderer;
    t.position = Vec3(1.0f, 2.0f, -3.0f);
    t.rotation.x = 30.0f;
    t.rotation.y = 45.0f;
    t.rotation.z = 60.0f;
    const auto transform = MatrixOf([&] { ApplyTransform(t.position, 30, 45, 60); });

    for (const char* text : {"AB", ""}) {
        SCOPED_TRACE(text);
        renderer.calls.clear();
        t.SetText(text);
        glLoadIdentity();
        glListBase(77);
        t.Draw();

        GLint listBase = 0;
        glGetIntegerv(GL_LIST_BASE, &listBase);
        EXPECT_EQ(listBase, 77);
        EXPECT_TRUE(MatrixNear(Matrix(), transform));
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
        ASSERT_EQ(renderer.calls.size(), 2u);
        EXPECT_EQ(renderer.calls[0].what, "Begin");
        EXPECT_EQ(renderer.calls[1].what, "End");
        // Begin and End see the object's transform, not the centring shift.
        EXPECT_TRUE(MatrixNear(renderer.calls[0].modelview, transform));
        EXPECT_TRUE(MatrixNear(renderer.calls[1].modelview, transform));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    glListBase(0);
}

TEST_F(TextObjectTest, LettersTakeTheRenderersColourOrTheCurrentOneWithoutRenderer)
{
    TextObject t;
    t.Create(nullptr, "Courier New", true);
    t.SetText("H");
    ColourRenderer red;
    red.colour = Color4(1.0f, 0.0f, 0.0f, 1.0f);
    struct Case {
        Renderer* renderer;
        int r, g, b;
    };
    for (const Case& c : {Case{&red, 255, 0, 0}, Case{nullptr, 0, 255, 0}}) {
        SCOPED_TRACE(c.renderer != nullptr ? "renderer" : "no renderer");
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0.0f, 1.0f, 0.0f);
        t.renderer = c.renderer;
        UseLargeLetters();
        t.Draw();
        // Every pixel is either background or letter colour, and the letter covers many of them.
        const int inked = CountPixelsNot(0, 0, 0);
        EXPECT_GT(inked, 100);
        EXPECT_EQ(inked + CountPixelsNot(c.r, c.g, c.b), kWidth * kHeight);
    }
}

TEST_F(TextObjectTest, AccentedLettersDrawTheirOwnGlyphs)
{
    TextObject t;
    t.Create(nullptr, "Courier New", true);
    UseLargeLetters();
    Ink ink[2];
    const char* texts[2] = {"e", "\xE9"}; // e, then é in Windows-1252
    for (int i = 0; i < 2; ++i) {
        glClear(GL_COLOR_BUFFER_BIT);
        t.SetText(texts[i]);
        EXPECT_EQ(t.textWidth, t.metrics[static_cast<unsigned char>(texts[i][0])].gmfCellIncX);
        glPushMatrix();
        t.Draw();
        glPopMatrix();
        ink[i] = FindInk();
    }
    ASSERT_GT(ink[1].count, ink[0].count);
    EXPECT_GT(ink[1].maxY, ink[0].maxY + 0.1f * kPixelsPerEm) << "the accent stands above the e";
    EXPECT_NEAR(ink[1].minY, ink[0].minY, 1);
}

TEST_F(TextObjectTest, PolygonsFalseDrawsLineOutlines)
{
    int count[2] = {};
    for (bool polygons : {true, false}) {
        TextObject t;
        t.Create(nullptr, "Courier New", polygons);
        t.SetText("O");
        glClear(GL_COLOR_BUFFER_BIT);
        UseLargeLetters();
        t.Draw();
        count[polygons ? 0 : 1] = FindInk().count;
        // The middle of the letter is empty either way; the middle of its left stroke only in outline.
        const GlyphMetrics& o = t.metrics['O'];
        const int midY = 64 + static_cast<int>((o.gmfptGlyphOrigin.y - o.gmfBlackBoxY / 2) * kPixelsPerEm);
        const float left = 64.0f + (o.gmfptGlyphOrigin.x - t.textWidth / 2) * kPixelsPerEm;
        EXPECT_EQ(ReadPixel(64, midY).r, 0);
        EXPECT_EQ(ReadPixel(static_cast<int>(left) + 4, midY).r > 0, polygons);
    }
    EXPECT_GT(count[1], 0);
    EXPECT_LT(count[1], count[0] / 2);
}

TEST_F(TextObjectTest, CreateWithoutFontsReturnsAndDrawsNothing)
{
    NoFonts noFonts;
    TextObject t;
    t.Create(nullptr, "Courier New", true);
    t.SetText("Bonjour");
    EXPECT_EQ(t.textWidth, 0.0f);
    RecordingRenderer renderer;
    t.renderer = &renderer;
    UseLargeLetters();
    t.Draw();
    EXPECT_EQ(FindInk().count, 0);
    EXPECT_EQ(renderer.calls.size(), 2u);
    EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([] { glScalef(kScale, kScale, kScale); })));
}

} // namespace
