// tests/objectgroup_test.cpp -- object lists and groups: order, shared children, nesting, the matrix
// each child sees, and filling a group from an ASC file.
#include <gtest/gtest.h>

#include "glarve.h"
#include "glcontext.h"
#include "recordingrenderer.h"
#include "tempfile.h"

namespace {

// A child that records the matrix and stack depth it was drawn under.
class Probe : public SceneObject {
public:
    explicit Probe(std::vector<std::pair<const Probe*, std::array<float, 16>>>* log) : drawn(log) {}
    void Draw() override
    {
        std::array<float, 16> m{};
        glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        depths.push_back(depth);
        drawn->push_back({this, m});
        // A child's own transform must not reach the next child.
        glTranslatef(100.0f, 0.0f, 0.0f);
    }
    std::vector<std::pair<const Probe*, std::array<float, 16>>>* drawn;
    std::vector<int> depths;
};

TEST(ObjectList, KeepsOrderAndOwnsNothing)
{
    ObjectList list;
    EXPECT_FALSE(list.GetHeadPosition());
    std::vector<std::pair<const Probe*, std::array<float, 16>>> log;
    Probe a(&log), b(&log), c(&log);
    list.AddTail(&a);
    list.AddTail(&b);
    list.AddTail(&c);
    list.AddTail(&a); // the same object may stand twice

    std::vector<SceneObject*> seen;
    for (ObjectList::Position pos = list.GetHeadPosition(); pos;) {
        seen.push_back(list.GetNext(pos));
    }
    EXPECT_EQ(seen, (std::vector<SceneObject*>{&a, &b, &c, &a}));

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_FALSE(list.GetHeadPosition());
    list.AddTail(&b); // former children still exist and can be appended again
    ObjectList::Position pos = list.GetHeadPosition();
    EXPECT_EQ(list.GetNext(pos), &b);
    EXPECT_FALSE(pos);
}

class ObjectGroupDraw : public GLTest {};

std::array<float, 16> Transform(float x, float y, float z, float rx, float ry, float rz)
{
    return MatrixOf([=] {
        glTranslatef(x, y, z);
        glRotatef(rx, 1, 0, 0);
        glRotatef(ry, 0, 1, 0);
        glRotatef(rz, 0, 0, 1);
    });
}

TEST_F(ObjectGroupDraw, EmptyGroupAppliesItsTransformAndPushesNothing)
{
    ObjectGroup group;
    group.position = Vec3(1, 2, 3);
    group.rotation.x = 10;
    group.rotation.y = 20;
    group.rotation.z = 30;
    GLint before = 0, after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
    group.Draw();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    EXPECT_EQ(before, after);
    EXPECT_TRUE(MatrixNear(Matrix(), Transform(1, 2, 3, 10, 20, 30)));
}

TEST_F(ObjectGroupDraw, ChildrenDrawInOrderEachUnderTheGroupsTransformOnly)
{
    std::vector<std::pair<const Probe*, std::array<float, 16>>> log;
    Probe a(&log), b(&log);
    ObjectGroup group;
    group.AddTail(&a);
    group.AddTail(&b);
    group.position = Vec3(0, 0, -5);
    group.rotation.y = 90;
    group.Draw();

    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].first, &a);
    EXPECT_EQ(log[1].first, &b);
    const auto expected = Transform(0, 0, -5, 0, 90, 0);
    EXPECT_TRUE(MatrixNear(log[0].second, expected));
    EXPECT_TRUE(MatrixNear(log[1].second, expected)) << "a's translation leaked into b";
    EXPECT_EQ(a.depths[0], 2) << "each child sits between its own push and pop";
    EXPECT_TRUE(MatrixNear(Matrix(), expected)) << "the group's own transform is left on the matrix";
}

TEST_F(ObjectGroupDraw, SharedChildDrawsOncePerGroupAndNestingComposes)
{
    std::vector<std::pair<const Probe*, std::array<float, 16>>> log;
    Probe shared(&log);
    ObjectGroup left, right, outer;
    left.AddTail(&shared);
    right.AddTail(&shared);
    left.position = Vec3(-10, 0, 0);
    right.position = Vec3(10, 0, 0);
    outer.AddTail(&left);
    outer.AddTail(&right);
    outer.position = Vec3(0, 3, -30);
    outer.rotation.x = 15;

    outer.Draw();

    ASSERT_EQ(log.size(), 2u);
    const auto underLeft = MatrixOf([] {
        glTranslatef(0, 3, -30);
        glRotatef(15, 1, 0, 0);
        glTranslatef(-10, 0, 0);
    });
    const auto underRight = MatrixOf([] {
        glTranslatef(0, 3, -30);
        glRotatef(15, 1, 0, 0);
        glTranslatef(10, 0, 0);
    });
    EXPECT_TRUE(MatrixNear(log[0].second, underLeft));
    EXPECT_TRUE(MatrixNear(log[1].second, underRight));
    EXPECT_EQ(shared.depths, (std::vector<int>{3, 3}));
}

TEST_F(ObjectGroupDraw, MeshChildrenReachTheirRenderers)
{
    const char* text = "Named object: \"a\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex: X:0 Y:0 Z:0 U:0 V:0\n"
                       "Vertex: X:1 Y:0 Z:0 U:1 V:0\nVertex: X:0 Y:1 Z:0 U:0 V:1\nFace: A:0 B:1 C:2 \n";
    TempFile file(text);
    MeshObject mesh;
    ASSERT_TRUE(mesh.Load(file.Path(), "a"));
    RecordingRenderer renderer;
    mesh.renderer = &renderer;
    ObjectGroup g1, g2;
    g1.AddTail(&mesh);
    g2.AddTail(&g1);
    g2.AddTail(&g1);
    g2.Draw();
    EXPECT_EQ(renderer.calls.size(), 6u) << "Begin, one face, End, twice";
}

TEST(ObjectGroupLoadFile, LoadsEveryLoadableObjectInFileOrder)
{
    const char* text =
        "Named object: \"first\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:1 Y:0 Z:0 U:0 V:0\n"
        "Named object: \"Camera01\"\nCamera (60.000000mm)\n"
        "Named object: \"second\"\r\nTri-mesh, Vertices: 1 Faces: 0\r\nVertex: X:2 Y:0 Z:0 U:0 V:0\r\n"
        "Named object: no quotes\n"
        "Named object: \"third\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:3 Y:0 Z:0 U:0 V:0\n";
    TempFile file(text);
    ObjectGroup group;
    ASSERT_TRUE(group.LoadFile(file.Path()));
    ASSERT_EQ(group.GetCount(), 3);
    float x = 1.0f;
    for (ObjectList::Position pos = group.GetHeadPosition(); pos; x += 1.0f) {
        auto* object = dynamic_cast<MeshObject*>(group.GetNext(pos));
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->mesh->vertices[0].x, x);
        EXPECT_EQ(object->renderer, nullptr);
    }

    ASSERT_TRUE(group.LoadFile(file.Path())) << "a second load replaces the children";
    EXPECT_EQ(group.GetCount(), 3);
}

TEST(ObjectGroupLoadFile, MissingFileEmptiesTheGroupAndFails)
{
    std::vector<std::pair<const Probe*, std::array<float, 16>>> log;
    Probe a(&log);
    ObjectGroup group;
    group.AddTail(&a);
    EXPECT_FALSE(group.LoadFile("/nonexistent/file.asc"));
    EXPECT_TRUE(group.IsEmpty());
}

TEST(ObjectGroupLoadFile, FileWithNoLoadableObjectStillSucceeds)
{
    TempFile file("Named object: \"x\"\nnot a count line\n");
    ObjectGroup group;
    EXPECT_TRUE(group.LoadFile(file.Path()));
    EXPECT_TRUE(group.IsEmpty());
}

} // namespace
