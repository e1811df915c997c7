// tests/renderer_test.cpp -- the six renderers on a real GL context: the state each leaves, what each
// draws (read back as pixels, depth and GL's own feedback), per-vertex drawing, missing textures.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "feedback.h"
#include "glarve.h"
#include "glcontext.h"
#include "imagefiles.h"
#include "tempfile.h"

namespace {

// A mesh object: the square (-s, -s) to (s, s) at depth z as two faces, texture coordinates with
// t = 0 along the top edge (as DrawSprite shows an image).
struct Square {
    MeshObject object;
    explicit Square(float s = 0.5f, float z = 0.0f)
    {
        object.mesh = new Mesh;
        object.mesh->vertexCount = 4;
        object.mesh->vertices = new Vec3[4]{Vec3(-s, -s, z), Vec3(s, -s, z), Vec3(s, s, z), Vec3(-s, s, z)};
        object.mesh->faceCount = 2;
        object.mesh->faces = new Face[2]{{0, 1, 2}, {2, 3, 0}};
        object.texCoordSet = new TexCoordSet;
        object.texCoordSet->count = 4;
        object.texCoordSet->coords = new TexCoord2[4]{{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    }
    void DrawWith(Renderer& renderer)
    {
        object.renderer = &renderer;
        glPushMatrix();
        object.Draw();
        glPopMatrix();
    }
};

Rgba CurrentColour()
{
    GLfloat c[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, c);
    auto byte = [](float f) { return static_cast<int>(f * 255.0f + 0.5f); };
    return Rgba{byte(c[0]), byte(c[1]), byte(c[2]), byte(c[3])};
}

void ExpectNear(Rgba actual, int r, int g, int b, int tolerance = 4)
{
    EXPECT_NEAR(actual.r, r, tolerance);
    EXPECT_NEAR(actual.g, g, tolerance);
    EXPECT_NEAR(actual.b, b, tolerance);
}

GLint StackDepth()
{
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}

// The unit orthographic view (x and y from -1 to 1, 64 pixels a unit), the show's blend function,
// and two loaded textures: 16 x 16 white, and 16 x 16 red on the left, white on the right.
class RendererTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        UseUnitOrtho();
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthFunc(GL_LEQUAL);
        TempFile whiteFile(MakeSolidJpeg(16, 16, Rgb{255, 255, 255}), ".jpg");
        ASSERT_TRUE(white.LoadJpeg(whiteFile.Path()));
        const auto halves = MakePixels(16, 16, [](int x, int) {
            return x < 8 ? Rgb{255, 0, 0} : Rgb{255, 255, 255};
        });
        TempFile halvesFile(MakeJpeg(16, 16, halves), ".jpg");
        ASSERT_TRUE(redWhite.LoadJpeg(halvesFile.Path()));
    }
    void TearDown() override
    {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisable(GL_DEPTH_TEST);
    }

    Texture white;
    Texture redWhite;
};

// Every kind but MaterialRenderer, made afresh.
struct Kind {
    const char* name;
    std::function<std::unique_ptr<Renderer>(Texture*)> make;
};
const Kind kUnlitKinds[] = {
    {"Point", [](Texture*) { return std::make_unique<PointRenderer>(); }},
    {"Wire", [](Texture*) { return std::make_unique<WireRenderer>(); }},
    {"Flat", [](Texture*) { return std::make_unique<FlatRenderer>(); }},
    {"Texture",
     [](Texture* t) {
         auto r = std::make_unique<TextureRenderer>();
         r->texture = t;
         return r;
     }},
    {"Sprite",
     [](Texture* t) {
         auto r = std::make_unique<SpriteRenderer>();
         r->texture = t;
         return r;
     }},
};

TEST_F(RendererTest, UnlitKindsDrawUnlitAndPutLightingBackAsItWas)
{
    for (const Kind& kind : kUnlitKinds) {
        for (const bool lightingBefore : {false, true}) {
            SCOPED_TRACE(testing::Message()
                         << kind.name << (lightingBefore ? ", lighting on" : ", lighting off"));
            glClear(GL_COLOR_BUFFER_BIT);
            lightingBefore ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
            const auto renderer = kind.make(&white);
            renderer->colour = Color4(0, 1, 0, 1);

            renderer->Begin();
            EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
            renderer->End();
            EXPECT_EQ(glIsEnabled(GL_LIGHTING), lightingBefore ? GL_TRUE : GL_FALSE);

            // Drawn through a mesh object: lit with no light source it would come out black.
            Square square;
            square.DrawWith(*renderer);
            EXPECT_EQ(glIsEnabled(GL_LIGHTING), lightingBefore ? GL_TRUE : GL_FALSE);
            EXPECT_GT(CountPixelsNot(0, 0, 0, 64), 0);
            const Rgba onEdge = ReadPixel(32, 32); // the square's bottom-left corner, where every kind draws
            EXPECT_GT(onEdge.g, 100);
        }
    }
}

TEST_F(RendererTest, WhatEachKindSwitchesOnIsOffAfterEnd)
{
    const struct {
        const char* name;
        std::function<std::unique_ptr<Renderer>(Texture*)> make;
        std::vector<GLenum> offAfterEnd;
    } cases[] = {
        {"Point", kUnlitKinds[0].make, {GL_BLEND}},
        {"Wire", kUnlitKinds[1].make, {GL_BLEND, GL_LINE_SMOOTH}},
        {"Flat", kUnlitKinds[2].make, {GL_BLEND}},
        {"Texture", kUnlitKinds[3].make, {GL_BLEND, GL_TEXTURE_2D}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Switched on before Begin: End still leaves them off.
        for (GLenum cap : {GL_BLEND, GL_LINE_SMOOTH, GL_TEXTURE_2D}) {
            glEnable(cap);
        }
        const auto renderer = c.make(&white);
        Square square;
        square.DrawWith(*renderer);
        for (GLenum cap : c.offAfterEnd) {
            EXPECT_FALSE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
        }
    }
}

TEST_F(RendererTest, BeginSendsTheColourAndTheTextureRendererBindsItsTexture)
{
    for (int k = 0; k < 4; ++k) { // Point, Wire, Flat, Texture
        SCOPED_TRACE(kUnlitKinds[k].name);
        const auto renderer = kUnlitKinds[k].make(&redWhite);
        renderer->colour = Color4(0.2f, 0.4f, 0.6f, 0.8f);
        glBindTexture(GL_TEXTURE_2D, white.handle - 1);
        renderer->Begin();
        const Rgba c = CurrentColour();
        EXPECT_EQ(c.r, 51);
        EXPECT_EQ(c.g, 102);
        EXPECT_EQ(c.b, 153);
        EXPECT_EQ(c.a, 204);
        if (k == 3) {
            GLint bound = 0;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            EXPECT_EQ(static_cast<GLuint>(bound), redWhite.handle - 1);
            EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        }
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        renderer->End();
    }
}

TEST_F(RendererTest, OnlyPointAndSpriteRenderersDrawPerVertexFromTheirFirstBegin)
{
    for (const Kind& kind : kUnlitKinds) {
        SCOPED_TRACE(kind.name);
        const bool perVertex = std::string(kind.name) == "Point" || std::string(kind.name) == "Sprite";
        const auto renderer = kind.make(&white);
        EXPECT_FALSE(renderer->perVertex);
        Square square;
        square.DrawWith(*renderer);
        EXPECT_EQ(renderer->perVertex, perVertex);
    }
    MaterialRenderer material;
    material.Begin();
    material.End();
    EXPECT_FALSE(material.perVertex);
}

TEST_F(RendererTest, PointRendererDrawsEveryVertexOnTheFirstFrame)
{
    PointRenderer points;
    points.colour = Color4(1, 1, 0, 1);
    Square square;
    std::vector<FeedbackPrimitive> drawn = Feedback([&] { square.DrawWith(points); });
    ASSERT_EQ(drawn.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(drawn[i].token, static_cast<GLenum>(GL_POINT_TOKEN));
        EXPECT_NEAR(drawn[i].vertices[0][0], square.object.mesh->vertices[i].x, 1e-4);
        EXPECT_NEAR(drawn[i].vertices[0][1], square.object.mesh->vertices[i].y, 1e-4);
    }

    // Points on pixel centres light one pixel each.
    const float c = -1.0f + 40.5f / 64.0f;
    square.object.mesh->vertices[0] = Vec3(c, c, 0);
    square.object.mesh->vertices[1] = Vec3(-c, c, 0);
    square.object.mesh->vertices[2] = Vec3(-c, -c, 0);
    square.object.mesh->vertices[3] = Vec3(c, -c, 0);
    square.DrawWith(points);
    EXPECT_EQ(CountPixelsNot(0, 0, 0), 4);
    ExpectNear(ReadPixel(40, 40), 255, 255, 0);
    ExpectNear(ReadPixel(87, 87), 255, 255, 0);
}

TEST_F(RendererTest, WireRendererDrawsOneClosedOutlinePerFace)
{
    WireRenderer wire;
    Square square;
    const auto drawn = Feedback([&] { square.DrawWith(wire); });
    // Faces (0, 1, 2) and (2, 3, 0): each its own closed loop of three segments. (One loop through
    // all six vertices would join 2 to 2 and 0 to 0; strips would leave the loops open.)
    const int expected[6][2] = {{0, 1}, {1, 2}, {2, 0}, {2, 3}, {3, 0}, {0, 2}};
    ASSERT_EQ(drawn.size(), 6u);
    const Vec3* v = square.object.mesh->vertices;
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(testing::Message() << "segment " << i);
        EXPECT_TRUE(drawn[i].token == GL_LINE_RESET_TOKEN || drawn[i].token == GL_LINE_TOKEN);
        for (int end = 0; end < 2; ++end) {
            EXPECT_NEAR(drawn[i].vertices[end][0], v[expected[i][end]].x, 1e-4);
            EXPECT_NEAR(drawn[i].vertices[end][1], v[expected[i][end]].y, 1e-4);
        }
    }

    // Outlines only: the inside of a face stays clear.
    square.DrawWith(wire);
    EXPECT_EQ(ReadPixel(72, 56).r, 0);
    EXPECT_GT(CountPixelsNot(0, 0, 0), 0);
}

TEST_F(RendererTest, FlatRendererFillsFacesInItsColour)
{
    FlatRenderer flat;
    flat.colour = Color4(0, 0, 1, 1);
    Square square;
    square.DrawWith(flat);
    EXPECT_EQ(CountPixelsNot(0, 0, 0), 64 * 64);
    ExpectNear(ReadPixel(64, 64), 0, 0, 255);

    // Half opacity over black.
    glClear(GL_COLOR_BUFFER_BIT);
    flat.colour = Color4(0, 0, 1, 0.5f);
    square.DrawWith(flat);
    ExpectNear(ReadPixel(64, 64), 0, 0, 128);
}

TEST_F(RendererTest, FlatRendererWithAlphaZeroLeavesTheColourButWritesDepth)
{
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    FlatRenderer flat;
    flat.colour = Color4(1, 1, 1, 0);
    Square square;
    square.DrawWith(flat);
    EXPECT_EQ(CountPixelsNot(51, 102, 153, 1), 0);
    GLfloat depth = 1.0f;
    glReadPixels(64, 64, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_NEAR(depth, 0.5f, 0.01f); // z = 0 in a -1000 to 1000 depth range
    glReadPixels(4, 4, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f); // outside the square: untouched
}

TEST_F(RendererTest, TextureRendererShowsItsTextureTimesTheColour)
{
    TextureRenderer textured;
    textured.texture = &redWhite;
    textured.colour = Color4(1, 1, 0.5f, 1);
    glBindTexture(GL_TEXTURE_2D, white.handle - 1); // Begin must bind its own
    Square square(1.0f);
    square.DrawWith(textured);
    ExpectNear(ReadPixel(20, 64), 255, 0, 0, 24);      // red half, blue channel times 0.5 of 0
    ExpectNear(ReadPixel(108, 64), 255, 255, 128, 24); // white half times (1, 1, 0.5)
}

TEST_F(RendererTest, TextureAndSpriteRenderersWithoutATextureDrawNothing)
{
    for (const int k : {3, 4}) {
        SCOPED_TRACE(kUnlitKinds[k].name);
        glEnable(GL_LIGHTING);
        const auto renderer = kUnlitKinds[k].make(nullptr);
        Square square;
        square.DrawWith(*renderer);
        EXPECT_EQ(CountPixelsNot(0, 0, 0), 0);
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_EQ(StackDepth(), 1);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(RendererTest, MaterialRendererLightsFacesAndLeavesItsStateOn)
{
    for (GLenum cap : {GL_LIGHTING, GL_BLEND, GL_DEPTH_TEST, GL_LIGHT0}) {
        glDisable(cap);
    }
    MaterialRenderer material;
    material.colour = Color4(0.5f, 0.25f, 1.0f, 0.1f);
    material.ambient = Color4(0.1f, 0.2f, 0.3f, 0.4f);
    material.diffuse = Color4(0, 1, 0, 1);
    material.specular = Color4(0.5f, 0.5f, 0.5f, 1);
    material.shininess = 32;
    glClear(GL_DEPTH_BUFFER_BIT);
    Square square;
    square.DrawWith(material);

    for (GLenum cap : {GL_LIGHTING, GL_BLEND, GL_DEPTH_TEST, GL_LIGHT0}) {
        EXPECT_TRUE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
    }
    const Rgba c = CurrentColour(); // glColor3f: alpha 1
    EXPECT_EQ(c.r, 128);
    EXPECT_EQ(c.g, 64);
    EXPECT_EQ(c.b, 255);
    EXPECT_EQ(c.a, 255);
    const struct {
        GLenum name;
        Color4 expected;
    } colours[] = {
        {GL_AMBIENT, material.ambient}, {GL_DIFFUSE, material.diffuse}, {GL_SPECULAR, material.specular}};
    for (const auto& m : colours) {
        GLfloat v[4] = {};
        glGetMaterialfv(GL_FRONT, m.name, v);
        EXPECT_FLOAT_EQ(v[0], m.expected.r);
        EXPECT_FLOAT_EQ(v[1], m.expected.g);
        EXPECT_FLOAT_EQ(v[2], m.expected.b);
        EXPECT_FLOAT_EQ(v[3], m.expected.a);
    }
    GLfloat shininess = 0;
    glGetMaterialfv(GL_FRONT, GL_SHININESS, &shininess);
    EXPECT_EQ(shininess, 32.0f);

    // Light 0 shines down -z on the default normal (0, 0, 1): diffuse green, plus the global ambient
    // (0.2) times the material's, plus a specular highlight straight back at the viewer.
    const Rgba lit = ReadPixel(64, 64);
    EXPECT_GT(lit.g, 240);
    EXPECT_LT(lit.r, lit.g);
}

TEST_F(RendererTest, SpriteRendererDrawsEachSpriteAtTwiceItsVertexWithTheColoursAlpha)
{
    glClearColor(100 / 255.0f, 100 / 255.0f, 100 / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // A view from -4 to 4 (16 pixels a unit) so that the 2 x 2 sprites fit.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-4.0, 4.0, -4.0, 4.0, -20.0, 20.0);
    glMatrixMode(GL_MODELVIEW);

    SpriteRenderer sprites;
    sprites.texture = &white;
    sprites.colour = Color4(0, 0, 0, 0.15f); // r, g, b play no part
    Square square(1.0f);                     // vertices at (+-1, +-1): sprites centred at (+-2, +-2)

    const auto drawn = Feedback([&] { square.DrawWith(sprites); });
    std::vector<std::array<double, 2>> centres;
    for (const auto& p : drawn) {
        double x = 0, y = 0;
        for (const auto& v : p.vertices) {
            x += v[0] / p.vertices.size();
            y += v[1] / p.vertices.size();
        }
        centres.push_back({x, y});
    }
    // Each quad may come back whole or as two triangles: look for each expected centre.
    for (const Vec3& v : {Vec3(-2, -2, 0), Vec3(2, -2, 0), Vec3(2, 2, 0), Vec3(-2, 2, 0)}) {
        bool found = false;
        for (std::size_t i = 0; i < centres.size() && !found; ++i) {
            found = std::abs(centres[i][0] - v.x) < 1.01 && std::abs(centres[i][1] - v.y) < 1.01;
        }
        EXPECT_TRUE(found) << "no sprite around (" << v.x << ", " << v.y << ")";
    }

    square.DrawWith(sprites);
    // White at 0.15 over grey 100: 0.15 x 255 + 0.85 x 100 = 123.
    ExpectNear(ReadPixel(96, 96), 123, 123, 123, 3);
    ExpectNear(ReadPixel(32, 32), 123, 123, 123, 3);
    ExpectNear(ReadPixel(64, 64), 100, 100, 100, 1); // between the sprites
}

TEST_F(RendererTest, SpriteRendererWithAnEmptyTextureStillSavesLightingAndBalancesTheStack)
{
    Texture empty; // width and height 0
    SpriteRenderer sprites;
    sprites.texture = &empty;
    glEnable(GL_LIGHTING);
    const auto before = Matrix();
    sprites.Begin();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    const Vec3 v(0.5f, 0.5f, 0);
    sprites.DrawFace(nullptr, &v, nullptr);
    EXPECT_EQ(StackDepth(), 1);
    EXPECT_TRUE(MatrixNear(Matrix(), before));
    sprites.End();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(CountPixelsNot(0, 0, 0), 0);
}

// ---- batched drawing: the same pixels and state as one primitive per DrawFace call

// Everything a drawing leaves behind: the whole colour buffer and the state the renderers touch.
struct Outcome {
    std::vector<unsigned char> pixels;
    std::array<GLboolean, 5> caps{};
    std::array<float, 4> colour{};
    std::array<float, 4> texCoord{};
    GLint boundTexture = 0;
    std::array<GLboolean, 2> clientArrays{};
    std::array<float, 16> modelview{};
    GLint stackDepth = 0;
};

Outcome Capture()
{
    Outcome o;
    o.pixels.resize(static_cast<std::size_t>(GLTest::kWidth) * GLTest::kHeight * 4);
    glFinish();
    glReadPixels(0, 0, GLTest::kWidth, GLTest::kHeight, GL_RGBA, GL_UNSIGNED_BYTE, o.pixels.data());
    const GLenum caps[5] = {GL_LIGHTING, GL_DEPTH_TEST, GL_BLEND, GL_TEXTURE_2D, GL_LINE_SMOOTH};
    for (int i = 0; i < 5; ++i) {
        o.caps[static_cast<std::size_t>(i)] = glIsEnabled(caps[i]);
    }
    glGetFloatv(GL_CURRENT_COLOR, o.colour.data());
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, o.texCoord.data());
    o.clientArrays = {glIsEnabled(GL_VERTEX_ARRAY), glIsEnabled(GL_TEXTURE_COORD_ARRAY)};
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &o.boundTexture);
    glGetFloatv(GL_MODELVIEW_MATRIX, o.modelview.data());
    o.stackDepth = StackDepth();
    return o;
}

// A cloud of overlapping points, with faces between them, turned in perspective.
struct Cloud {
    MeshObject object;
    Cloud()
    {
        const int n = 400;
        object.mesh = new Mesh;
        object.mesh->vertexCount = n;
        object.mesh->vertices = new Vec3[n];
        object.texCoordSet = new TexCoordSet;
        object.texCoordSet->count = n;
        object.texCoordSet->coords = new TexCoord2[n];
        for (int i = 0; i < n; ++i) {
            const float a = 0.7f * static_cast<float>(i);
            object.mesh->vertices[i] = Vec3(std::cos(a) * 0.05f * static_cast<float>(i % 13),
                                            std::sin(1.3f * a) * 0.4f, -0.2f * static_cast<float>(i % 7));
            object.texCoordSet->coords[i] = TexCoord2{std::fabs(std::cos(a)), std::fabs(std::sin(a))};
        }
        object.mesh->faceCount = n - 2;
        object.mesh->faces = new Face[static_cast<std::size_t>(n - 2)];
        for (int i = 0; i < n - 2; ++i) {
            object.mesh->faces[i] = Face{i, i + 1, i + 2};
        }
        object.position = Vec3(0.1f, -0.2f, -6.0f);
        object.rotation.x = 20.0f;
        object.rotation.y = 35.0f;
        object.rotation.z = -10.0f;
    }
};

TEST_F(RendererTest, BatchedRenderersDrawWhatOnePrimitivePerCallDraws)
{
    Texture* texture = &redWhite;
    // Per call, as DrawSprite at each vertex: the pixels and state the sprite renderer must match.
    auto spritesOneByOne = [&](const Cloud& cloud, float alpha) {
        const bool lit = glIsEnabled(GL_LIGHTING);
        glDisable(GL_LIGHTING);
        for (int i = 0; i < cloud.object.mesh->vertexCount; ++i) {
            const Vec3& v = cloud.object.mesh->vertices[i];
            glPushMatrix();
            texture->DrawSprite(v.x, v.y, v.z, 0.0f, alpha);
            glPopMatrix();
        }
        if (lit) {
            glEnable(GL_LIGHTING);
        }
    };
    // One textured triangle per face.
    auto trianglesOneByOne = [&](const Cloud& cloud, float alpha) {
        const bool lit = glIsEnabled(GL_LIGHTING);
        glDisable(GL_LIGHTING);
        glColor4f(1.0f, 0.5f, 0.25f, alpha);
        texture->Bind();
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        const Vec3* v = cloud.object.mesh->vertices;
        const TexCoord2* t = cloud.object.texCoordSet->coords;
        for (int i = 0; i < cloud.object.mesh->faceCount; ++i) {
            const Face& f = cloud.object.mesh->faces[i];
            glBegin(GL_TRIANGLES);
            for (int k : {f.a, f.b, f.c}) {
                glTexCoord2f(t[k].u, t[k].v);
                glVertex3f(v[k].x, v[k].y, v[k].z);
            }
            glEnd();
        }
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        if (lit) {
            glEnable(GL_LIGHTING);
        }
    };
    const struct {
        const char* name;
        std::function<std::unique_ptr<Renderer>()> make;
        std::function<void(const Cloud&, float)> oneByOne;
    } cases[] = {
        {"Texture",
         [&] {
             auto r = std::make_unique<TextureRenderer>();
             r->texture = texture;
             r->colour = Color4(1.0f, 0.5f, 0.25f, 1.0f);
             return std::unique_ptr<Renderer>(std::move(r));
         },
         trianglesOneByOne},
        {"Sprite",
         [&] {
             auto r = std::make_unique<SpriteRenderer>();
             r->texture = texture;
             return std::unique_ptr<Renderer>(std::move(r));
         },
         spritesOneByOne},
    };
    for (const auto& c : cases) {
        for (const bool lightingBefore : {false, true}) {
            for (const float alpha : {0.15f, 1.0f}) {
                SCOPED_TRACE(testing::Message()
                             << c.name << ", lighting " << lightingBefore << ", alpha " << alpha);
                UsePerspective();
                glEnable(GL_DEPTH_TEST);
                lightingBefore ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
                Cloud cloud;

                glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
                glBindTexture(GL_TEXTURE_2D, 0);
                glPushMatrix();
                glTranslatef(cloud.object.position.x, cloud.object.position.y, cloud.object.position.z);
                glRotatef(cloud.object.rotation.x, 1.0f, 0.0f, 0.0f);
                glRotatef(cloud.object.rotation.y, 0.0f, 1.0f, 0.0f);
                glRotatef(cloud.object.rotation.z, 0.0f, 0.0f, 1.0f);
                c.oneByOne(cloud, alpha);
                glPopMatrix();
                const Outcome expected = Capture();

                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
                glBindTexture(GL_TEXTURE_2D, 0);
                const auto renderer = c.make();
                renderer->colour.a = alpha;
                glPushMatrix();
                cloud.object.renderer = renderer.get();
                cloud.object.Draw();
                glPopMatrix();
                const Outcome actual = Capture();

                EXPECT_GT(CountPixelsNot(26, 51, 77, 2), 100); // something was drawn
                EXPECT_TRUE(actual.pixels == expected.pixels) << "the pixels differ";
                EXPECT_EQ(actual.caps, expected.caps);
                EXPECT_EQ(actual.colour, expected.colour);
                EXPECT_EQ(actual.texCoord, expected.texCoord);
                EXPECT_EQ(actual.clientArrays, expected.clientArrays);
                EXPECT_EQ(actual.boundTexture, expected.boundTexture);
                EXPECT_EQ(actual.modelview, expected.modelview);
                EXPECT_EQ(actual.stackDepth, expected.stackDepth);
                glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
            }
        }
    }
}

} // namespace
