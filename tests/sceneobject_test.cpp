// tests/sceneobject_test.cpp -- MeshObject drawing (call order, per-face and per-vertex modes, the
// matrix it leaves) and Mesh::Centre, on a real GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>

#include "glarve.h"
#include "glcontext.h"
#include "recordingrenderer.h"

namespace {

// A mesh object holding one triangle with three coordinates, built in memory.
struct Triangle {
    MeshObject object;
    Triangle()
    {
        object.mesh = new Mesh;
        object.mesh->vertexCount = 3;
        object.mesh->vertices = new Vec3[3]{Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0)};
        object.mesh->faceCount = 1;
        object.mesh->faces = new Face[1]{{0, 1, 2}};
        object.texCoordSet = new TexCoordSet;
        object.texCoordSet->count = 3;
        object.texCoordSet->coords = new TexCoord2[3]{{0, 0}, {1, 0}, {0, 1}};
    }
};

void ApplyTransform(const Vec3& p, float rx, float ry, float rz)
{
    glTranslatef(p.x, p.y, p.z);
    glRotatef(rx, 1, 0, 0);
    glRotatef(ry, 0, 1, 0);
    glRotatef(rz, 0, 0, 1);
}

class MeshObjectDraw : public GLTest {};

TEST_F(MeshObjectDraw, IncompleteObjectsMakeNoCallAtAll)
{
    RecordingRenderer renderer;
    MeshObject empty;
    empty.renderer = &renderer;
    empty.position = Vec3(5, 5, 5);
    empty.Draw();

    Triangle noRenderer;
    noRenderer.object.position = Vec3(5, 5, 5);
    noRenderer.object.Draw();

    Triangle noMesh;
    noMesh.object.renderer = &renderer;
    delete noMesh.object.mesh;
    noMesh.object.mesh = nullptr;
    noMesh.object.Draw();

    EXPECT_TRUE(renderer.calls.empty());
    EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([] {})));
}

TEST_F(MeshObjectDraw, PerFaceModeCallsOncePerFaceUnderTheObjectsTransform)
{
    RecordingRenderer renderer;
    Triangle t;
    t.object.renderer = &renderer;
    t.object.position = Vec3(1, 2, -3);
    t.object.rotation.x = 30;
    t.object.rotation.y = 45;
    t.object.rotation.z = 60;
    t.object.Draw();

    ASSERT_EQ(renderer.calls.size(), 3u);
    EXPECT_EQ(renderer.calls[0].what, "Begin");
    EXPECT_EQ(renderer.calls[1].what, "DrawFace");
    EXPECT_EQ(renderer.calls[2].what, "End");
    EXPECT_EQ(renderer.calls[1].face, &t.object.mesh->faces[0]);
    EXPECT_EQ(renderer.calls[1].vertices, t.object.mesh->vertices);
    EXPECT_EQ(renderer.calls[1].texCoords, t.object.texCoordSet->coords);

    // Translate, then X, Y, Z rotations, all before Begin; and left on the matrix afterwards.
    const auto expected = MatrixOf([] { ApplyTransform(Vec3(1, 2, -3), 30, 45, 60); });
    EXPECT_TRUE(MatrixNear(renderer.calls[0].modelview, expected));
    EXPECT_TRUE(MatrixNear(Matrix(), expected));
    const auto otherOrder = MatrixOf([] {
        glTranslatef(1, 2, -3);
        glRotatef(60, 0, 0, 1);
        glRotatef(45, 0, 1, 0);
        glRotatef(30, 1, 0, 0);
    });
    EXPECT_FALSE(MatrixNear(expected, otherOrder)) << "the rotation order must be observable";
}

TEST_F(MeshObjectDraw, PerVertexModeSetInBeginTakesEffectOnTheFirstDraw)
{
    RecordingRenderer renderer(/*setPerVertexInBegin=*/true);
    Triangle t;
    t.object.renderer = &renderer;
    t.object.Draw();

    ASSERT_EQ(renderer.calls.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        const auto& call = renderer.calls[1 + i];
        EXPECT_EQ(call.what, "DrawFace");
        EXPECT_EQ(call.face, nullptr);
        EXPECT_EQ(call.vertices, &t.object.mesh->vertices[i]);
        EXPECT_EQ(call.texCoords, t.object.texCoordSet->coords) << "the whole array, not advanced";
    }
    EXPECT_EQ(renderer.calls[4].what, "End");
}

// A coordinate set that does not cover every vertex is never handed to the renderer: it would read
// past the set's end for the vertices beyond it.
TEST_F(MeshObjectDraw, HandsCoordinatesOnlyWhenTheyCoverEveryVertex)
{
    struct Case {
        const char* name;
        int count; // coordinates in the set; the mesh has 3 vertices
        bool handed;
    };
    const Case cases[] = {{"one per vertex", 3, true},
                          {"more than the vertices", 5, true},
                          {"fewer than the vertices", 2, false},
                          {"none", 0, false}};
    for (const Case& c : cases) {
        for (bool perVertex : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (perVertex ? ", per vertex" : ", per face"));
            Triangle t;
            t.object.texCoordSet->Clear();
            if (c.count > 0) {
                t.object.texCoordSet->count = c.count;
                t.object.texCoordSet->coords = new TexCoord2[static_cast<std::size_t>(c.count)]();
            }
            RecordingRenderer renderer(perVertex);
            t.object.renderer = &renderer;
            t.object.Draw();
            ASSERT_EQ(renderer.calls.size(), perVertex ? 5u : 3u) << "the mesh is still drawn";
            EXPECT_EQ(renderer.calls[1].texCoords, c.handed ? t.object.texCoordSet->coords : nullptr);
        }
    }
}

// With a short set a textured object draws nothing, a wire object draws its mesh as always.
TEST_F(MeshObjectDraw, AShortCoordinateSetDrawsNoTexturedFaceButWireStillDraws)
{
    UseUnitOrtho();
    Texture texture;
    texture.LoadJpeg("/nonexistent/missing.jpg"); // the checkerboard, white and black texels
    TextureRenderer textured;
    textured.texture = &texture;
    WireRenderer wire;

    for (Renderer* renderer : {static_cast<Renderer*>(&textured), static_cast<Renderer*>(&wire)}) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Triangle t;
        t.object.texCoordSet->count = 1; // claims one coordinate for three vertices
        t.object.mesh->vertices[1] = Vec3(0.9f, 0, 0);
        t.object.mesh->vertices[2] = Vec3(0, 0.9f, 0);
        t.object.renderer = renderer;
        glPushMatrix();
        t.object.Draw();
        glPopMatrix();
        Finish();
        if (renderer == &textured) {
            EXPECT_EQ(CountPixelsNot(0, 0, 0), 0) << "no textured face without coordinates";
        } else {
            EXPECT_GT(CountPixelsNot(0, 0, 0), 0) << "the wire kind needs no coordinates";
        }
    }
}

TEST_F(MeshObjectDraw, DrawsWithoutSavingTheMatrix)
{
    RecordingRenderer renderer;
    Triangle t;
    t.object.renderer = &renderer;
    t.object.position = Vec3(0, 0, -10);
    GLint before = 0, after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
    t.object.Draw();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    EXPECT_EQ(before, after);
    EXPECT_EQ(renderer.calls[1].stackDepth, before);
}

TEST(MeshCentre, MovesTheBoundingBoxCentreToTheOrigin)
{
    Mesh mesh;
    mesh.vertexCount = 2;
    mesh.vertices = new Vec3[2]{Vec3(0, 0, 0), Vec3(2, 4, 6)};
    const Vec3 c = mesh.Centre();
    EXPECT_EQ(c.x, 1.0f);
    EXPECT_EQ(c.y, 2.0f);
    EXPECT_EQ(c.z, 3.0f);
    EXPECT_EQ(mesh.vertices[0].x, -1.0f);
    EXPECT_EQ(mesh.vertices[0].y, -2.0f);
    EXPECT_EQ(mesh.vertices[0].z, -3.0f);
    EXPECT_EQ(mesh.vertices[1].z, 3.0f);

    const Vec3 again = mesh.Centre();
    EXPECT_EQ(again.x, 0.0f);
    EXPECT_EQ(again.y, 0.0f);
    EXPECT_EQ(again.z, 0.0f);
}

TEST(MeshCentre, SingleVertexAndEmptyMesh)
{
    Mesh one;
    one.vertexCount = 1;
    one.vertices = new Vec3[1]{Vec3(3.5f, -2, 7)};
    const Vec3 c = one.Centre();
    EXPECT_EQ(c.x, 3.5f);
    EXPECT_EQ(c.y, -2.0f);
    EXPECT_EQ(c.z, 7.0f);
    EXPECT_EQ(one.vertices[0].x, 0.0f);
    EXPECT_EQ(one.vertices[0].y, 0.0f);
    EXPECT_EQ(one.vertices[0].z, 0.0f);

    Mesh empty;
    const Vec3 none = empty.Centre();
    EXPECT_EQ(none.x, 0.0f);
    EXPECT_EQ(none.y, 0.0f);
    EXPECT_EQ(none.z, 0.0f);
}

TEST(MeshCentre, HalvesTheSpanInDoublePrecision)
{
    // min + (max - min) / 2 in double: a float (min + max) would overflow to infinity on x.
    Mesh mesh;
    mesh.vertexCount = 2;
    mesh.vertices = new Vec3[2]{Vec3(3e38f, 1.0f, -16777216.0f), Vec3(3.2e38f, 16777218.0f, 16777218.0f)};
    const Vec3 c = mesh.Centre();
    const double minX = 3e38f, maxX = 3.2e38f;
    EXPECT_EQ(c.x, static_cast<float>(minX + (maxX - minX) / 2.0));
    EXPECT_FALSE(std::isinf(c.x));
    const double lo = 1.0, hi = 16777218.0;
    EXPECT_EQ(c.y, static_cast<float>(lo + (hi - lo) / 2.0));
    EXPECT_EQ(c.z, 1.0f);
}

} // namespace
