// tests/ascloader_test.cpp -- reading named objects of ASC model files: the scanning rules, real
// 3D Studio exports, failures that leave objects as they were, and hostile files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>

#include "glarve.h"
#include "tempfile.h"

namespace {

const char* const kTri = "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n"
                         "\n"
                         "Named object: \"tri\"\n"
                         "Tri-mesh, Vertices: 3     Faces: 1\n"
                         "Vertex list:\n"
                         "Vertex 0:  X:-1.5     Y:2     Z:3     U:0.25     V:0.75\n"
                         "Vertex 1:  X: -1.5     Y:0     Z:0     U:1     V:0\n"
                         "Vertex 2:  X:0     Y:1e1     Z:-0.5     U:0     V:1\n"
                         "Face list:\n"
                         "Face 0:    A:0 B:1 C:2 AB:1 BC:1 CA:1\n"
                         "Smoothing:  1\n";

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void ExpectTri(const Mesh& mesh, const TexCoordSet& set)
{
    ASSERT_EQ(mesh.vertexCount, 3);
    ASSERT_EQ(mesh.faceCount, 1);
    EXPECT_EQ(mesh.vertices[0].x, -1.5f);
    EXPECT_EQ(mesh.vertices[0].y, 2.0f);
    EXPECT_EQ(mesh.vertices[0].z, 3.0f);
    EXPECT_EQ(mesh.vertices[1].x, -1.5f) << "X: -1.5 reads like X:-1.5";
    EXPECT_EQ(mesh.vertices[2].y, 10.0f);
    EXPECT_EQ(mesh.vertices[2].z, -0.5f);
    EXPECT_EQ(mesh.faces[0].a, 0);
    EXPECT_EQ(mesh.faces[0].b, 1);
    EXPECT_EQ(mesh.faces[0].c, 2);
    ASSERT_EQ(set.count, 3);
    EXPECT_EQ(set.coords[0].u, 0.25f);
    EXPECT_EQ(set.coords[0].v, 0.75f);
    EXPECT_EQ(set.coords[2].v, 1.0f);
}

TEST(AscLoader, LoadsTheTriObjectWithLfOrCrLfLines)
{
    for (const std::string& text : {std::string(kTri), WithCrLf(kTri)}) {
        TempFile file(text);
        Mesh mesh;
        TexCoordSet set;
        ASSERT_TRUE(mesh.Load(file.Path(), "tri"));
        ASSERT_TRUE(set.Load(file.Path(), "tri"));
        ExpectTri(mesh, set);

        MeshObject object;
        ASSERT_TRUE(object.Load(file.Path(), "tri"));
        ExpectTri(*object.mesh, *object.texCoordSet);
    }
}

TEST(AscLoader, LoadsARealStudioExportWithLightsCamerasAndPageBreaks)
{
    const char* text =
        "Ambient light color: Red=0.039216 Green=0.039216 Blue=0.039216\r\n"
        "\r\n"
        "Named object: \"Light01\"\r\n"
        "Direct light\r\n"
        "Position:  X: 20.000000 Y: -40.000000 Z: 60.000000\r\n"
        "Light color: Red=1.000000 Green=1.000000 Blue=1.000000\r\n"
        "\r\n"
        "Named object: \"Camera01\"\r\n"
        "Camera (60.000000mm)\r\n"
        "\r\n"
        "Named object: \"Box01\"\r\n"
        "Tri-mesh, Vertices: 4     Faces: 2\r\n"
        "Mapped\r\n"
        "Vertex list:\r\n"
        "Vertex 0:  X: 20.000000     Y: -5.000000     Z: 0.000000     U: 0.000000     V: 0.000000\r\n"
        "Vertex 1:  X: 40.000000     Y: -5.000000     Z: 0.000000     U: 1.000000     V: 0.000000\r\n"
        "\f\r\n"
        "Page 2\r\n"
        "Vertex 2:  X: 20.000000     Y: 15.000000     Z: 0.000000     U: 0.000000     V: 1.000000\r\n"
        "Vertex 3:  X: 40.000000     Y: 15.000000     Z: 0.000000     U: 1.000000     V: 1.000000\r\n"
        "Face list:\r\n"
        "Face 0:    A:0 B:1 C:2 AB:1 BC:1 CA:0\r\n"
        "Material:\"r1g1b1a1\"\r\n"
        "Smoothing:  1 \r\n"
        "Face 1:    A:1 B:3 C:2 AB:1 BC:1 CA:0\r\n"
        "Material:\"r1g1b1a1\"\r\n"
        "Smoothing:  1 \r\n";
    TempFile file(text);
    MeshObject box;
    ASSERT_TRUE(box.Load(file.Path(), "Box01"));
    EXPECT_EQ(box.mesh->vertexCount, 4);
    EXPECT_EQ(box.mesh->faceCount, 2);
    EXPECT_EQ(box.mesh->vertices[3].x, 40.0f);
    EXPECT_EQ(box.mesh->vertices[3].y, 15.0f);
    EXPECT_EQ(box.texCoordSet->coords[3].u, 1.0f);
    EXPECT_EQ(box.mesh->faces[1].a, 1);
    EXPECT_EQ(box.mesh->faces[1].b, 3);
    EXPECT_EQ(box.mesh->faces[1].c, 2);

    MeshObject light;
    EXPECT_FALSE(light.Load(file.Path(), "Light01")) << "a light has no count line";
    MeshObject prefix;
    EXPECT_FALSE(prefix.Load(file.Path(), "Box")) << "Box must not match Box01";
    MeshObject lower;
    EXPECT_FALSE(lower.Load(file.Path(), "box01")) << "names are case-sensitive";
}

// Each case is one object "o" and what loading it must give: whether each loader succeeds and, for
// a mesh that loads, its counts and the first vertex's x and face's a.
struct ScanCase {
    const char* name;
    const char* text;
    bool meshLoads;
    bool setLoads;
    int vertexCount;
    int faceCount;
    float x0;
    int a0;
};

const ScanCase kScanCases[] = {
    {"colon directly before the count skips its first digit",
     "Named object: \"o\"\nTri-mesh, Vertices:12 Faces: 0\n"
     "Vertex 0: X:1 Y:0 Z:0 U:0 V:0\nVertex 1: X:2 Y:0 Z:0 U:0 V:0\n",
     true, true, 2, 0, 1.0f, 0},
    {"space after an index colon reads index 0",
     "Named object: \"o\"\nTri-mesh, Vertices: 6 Faces: 1\n"
     "Vertex: X:0 Y:0 Z:0 U:0 V:0\nVertex: X:1 Y:0 Z:0 U:0 V:0\nVertex: X:2 Y:0 Z:0 U:0 V:0\n"
     "Vertex: X:3 Y:0 Z:0 U:0 V:0\nVertex: X:4 Y:0 Z:0 U:0 V:0\nVertex: X:5 Y:0 Z:0 U:0 V:0\n"
     "Face 0: A: 5 B:1 C:2 \n",
     true, true, 6, 1, 0.0f, 0},
    {"header followed by another line",
     "Named object: \"o\"\n\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false, false, 0,
     0, 0, 0},
    {"header on the last line", "Named object: \"o\"\n", false, false, 0, 0, 0, 0},
    {"prefixes are case-sensitive",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 0\nvertex: X:1 Y:0 Z:0 U:0 V:0\n", false, false, 0, 0,
     0, 0},
    {"file ends inside the vertex list",
     "Named object: \"o\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false, false, 0, 0,
     0, 0},
    {"file ends inside the face list",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 2\nVertex: X:1 Y:0 Z:0 U:0 V:0\nFace: A:0 B:0 C:0 \n",
     false, true, 0, 0, 0, 0},
    {"vertex and face lines of later objects are taken",
     "Named object: \"o\"\nTri-mesh, Vertices: 2 Faces: 0\nVertex: X:7 Y:0 Z:0 U:0 V:0\n"
     "Named object: \"p\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:8 Y:0 Z:0 U:0 V:0\n",
     true, true, 2, 0, 7.0f, 0},
    {"unreadable numbers stay 0",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 1\nVertex: X:abc Y:0 Z:0 U:0 V:0\n"
     "Face: A:x B:0 C:0 \n",
     true, true, 1, 1, 0.0f, 0},
    // An export without texture mapping has no U and V: its coordinates read as 0 and it loads. A
    // line that lacks a letter the mesh needs fails the load.
    {"vertex line without U and V",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:1 Y:2 Z:3\n", true, true, 1, 0, 1.0f, 0},
    {"vertex line without X",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: Y:2 Z:3 U:0 V:0\n", false, true, 0, 0, 0,
     0},
    {"face line without C",
     "Named object: \"o\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex: X:1 Y:0 Z:0\n"
     "Vertex: X:1 Y:0 Z:0\nVertex: X:1 Y:0 Z:0\nFace: A:0 B:1 \n",
     false, true, 0, 0, 0, 0},
    {"vertex line without Z",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:1 Y:2 U:0 V:0\n", false, true, 0, 0, 0,
     0},
    {"last index not followed by a space",
     "Named object: \"o\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex: X:1 Y:0 Z:0 U:0 V:0\n"
     "Vertex: X:1 Y:0 Z:0 U:0 V:0\nVertex: X:1 Y:0 Z:0 U:0 V:0\nFace: A:0 B:1 C:2\n",
     false, true, 0, 0, 0, 0},
    {"count line without a second colon",
     "Named object: \"o\"\nTri-mesh, Vertices: 1\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false, true, 0, 0, 0, 0},
    {"letter at the very end of a piece",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:1 Y:0 Z:0 U:0 V", true, true, 1, 0, 1.0f,
     0},
    // Mended: counts that are negative or more than the file could hold, and indices out of range.
    {"negative vertex count",
     "Named object: \"o\"\nTri-mesh, Vertices: -3 Faces: 0\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false, false, 0,
     0, 0, 0},
    {"negative face count",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: -1\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false, true, 0, 0,
     0, 0},
    {"huge vertex count",
     "Named object: \"o\"\nTri-mesh, Vertices: 2000000000 Faces: 0\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false,
     false, 0, 0, 0, 0},
    {"count beyond int", "Named object: \"o\"\nTri-mesh, Vertices: 99999999999999999999 Faces: 0\n", false,
     false, 0, 0, 0, 0},
    {"vertex count above the loaders' limit of 1,000,000",
     "Named object: \"o\"\nTri-mesh, Vertices: 1000001 Faces: 0\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false, false,
     0, 0, 0, 0},
    {"huge face count",
     "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 1000000000\nVertex: X:1 Y:0 Z:0 U:0 V:0\n", false,
     true, 0, 0, 0, 0},
    {"face index past the last vertex",
     "Named object: \"o\"\nTri-mesh, Vertices: 2 Faces: 1\nVertex: X:1 Y:0 Z:0 U:0 V:0\n"
     "Vertex: X:1 Y:0 Z:0 U:0 V:0\nFace: A:0 B:1 C:2 \n",
     false, true, 0, 0, 0, 0},
    {"negative face index",
     "Named object: \"o\"\nTri-mesh, Vertices: 2 Faces: 1\nVertex: X:1 Y:0 Z:0 U:0 V:0\n"
     "Vertex: X:1 Y:0 Z:0 U:0 V:0\nFace: A:-1 B:1 C:0 \n",
     false, true, 0, 0, 0, 0},
    {"face index beyond int",
     "Named object: \"o\"\nTri-mesh, Vertices: 2 Faces: 1\nVertex: X:1 Y:0 Z:0 U:0 V:0\n"
     "Vertex: X:1 Y:0 Z:0 U:0 V:0\nFace: A:0 B:4294967296 C:0 \n",
     false, true, 0, 0, 0, 0},
};

TEST(AscLoader, FollowsTheScanningRules)
{
    for (const ScanCase& c : kScanCases) {
        SCOPED_TRACE(c.name);
        TempFile file(c.text);
        Mesh mesh;
        TexCoordSet set;
        EXPECT_EQ(mesh.Load(file.Path(), "o"), c.meshLoads);
        EXPECT_EQ(set.Load(file.Path(), "o"), c.setLoads);
        if (!c.meshLoads) {
            EXPECT_EQ(mesh.vertexCount, 0);
            EXPECT_EQ(mesh.faceCount, 0);
            EXPECT_EQ(mesh.vertices, nullptr);
            EXPECT_EQ(mesh.faces, nullptr);
        } else {
            EXPECT_EQ(mesh.vertexCount, c.vertexCount);
            EXPECT_EQ(mesh.faceCount, c.faceCount);
            if (mesh.vertexCount > 0) {
                EXPECT_EQ(mesh.vertices[0].x, c.x0);
            }
            if (mesh.faceCount > 0) {
                EXPECT_EQ(mesh.faces[0].a, c.a0);
            }
        }
        if (!c.setLoads) {
            EXPECT_EQ(set.count, 0);
            EXPECT_EQ(set.coords, nullptr);
        }
        MeshObject object;
        EXPECT_EQ(object.Load(file.Path(), "o"), c.meshLoads && c.setLoads);
    }
}

TEST(AscLoader, LinesLongerThan99CharactersAreReadAsPieces)
{
    // Vertex 0's fields all lie in its first 99 characters; the tail starts a piece of its own that
    // begins with "Vertex" and so counts as vertex 1.
    const std::string head = "Vertex: X:1 Y:2 Z:3 U:0 V:0";
    const std::string split = "Named object: \"o\"\nTri-mesh, Vertices: 2 Faces: 0\n" + head +
                              std::string(99 - head.size(), ' ') + "Vertex X:9 Y:0 Z:0 U:0 V:0\n";
    TempFile splitFile(split);
    MeshObject object;
    ASSERT_TRUE(object.Load(splitFile.Path(), "o"));
    EXPECT_EQ(object.mesh->vertices[0].x, 1.0f);
    EXPECT_EQ(object.mesh->vertices[1].x, 9.0f);

    // A Z beyond the 99th character is not found in the first piece, and the load fails.
    const std::string far = "Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:4 Y:5" +
                            std::string(90, ' ') + "Z:6 U:0 V:0\n";
    TempFile farFile(far);
    Mesh mesh;
    EXPECT_FALSE(mesh.Load(farFile.Path(), "o"));
}

TEST(AscLoader, MissingFileOrObjectFailsAndEmpties)
{
    TempFile file(kTri);
    Mesh mesh;
    ASSERT_TRUE(mesh.Load(file.Path(), "tri"));
    EXPECT_FALSE(mesh.Load("/nonexistent/model.asc", "tri"));
    EXPECT_EQ(mesh.vertices, nullptr);
    EXPECT_EQ(mesh.vertexCount, 0);
    ASSERT_TRUE(mesh.Load(file.Path(), "tri"));
    EXPECT_FALSE(mesh.Load(file.Path(), "other"));
    EXPECT_EQ(mesh.faces, nullptr);
    EXPECT_EQ(mesh.faceCount, 0);
}

TEST(AscLoader, FailedMeshObjectLoadLeavesTheObjectAsItWas)
{
    TempFile good(kTri);
    MeshObject object;
    ASSERT_TRUE(object.Load(good.Path(), "tri"));
    Mesh* mesh = object.mesh;
    TexCoordSet* set = object.texCoordSet;

    const std::string cut(kTri, std::string(kTri).find("Vertex 2"));
    TempFile truncated(cut);
    EXPECT_FALSE(object.Load(truncated.Path(), "tri"));
    EXPECT_EQ(object.mesh, mesh);
    EXPECT_EQ(object.texCoordSet, set);
    EXPECT_EQ(object.mesh->vertexCount, 3);

    MeshObject fresh;
    EXPECT_FALSE(fresh.Load(truncated.Path(), "tri"));
    EXPECT_EQ(fresh.mesh, nullptr);
    EXPECT_EQ(fresh.texCoordSet, nullptr);
}

TEST(AscLoader, EachLoadSearchesFromTheStart)
{
    // Loading b then a from one file works: nothing of the first search persists.
    const char* text = "Named object: \"a\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:1 Y:0 Z:0 U:0 V:0\n"
                       "Named object: \"b\"\nTri-mesh, Vertices: 1 Faces: 0\nVertex: X:2 Y:0 Z:0 U:0 V:0\n";
    TempFile file(text);
    MeshObject b, a;
    ASSERT_TRUE(b.Load(file.Path(), "b"));
    ASSERT_TRUE(a.Load(file.Path(), "a"));
    EXPECT_EQ(b.mesh->vertices[0].x, 2.0f);
    EXPECT_EQ(a.mesh->vertices[0].x, 1.0f);
}

TEST(AscLoader, HostileBytesNeverReadOutsideTheBuffers)
{
    // Random-ish garbage around valid prefixes; run under the sanitizers this catches any overrun.
    std::string text = "Named object: \"o\"\nTri-mesh, Vertices:";
    unsigned seed = 12345;
    for (int line = 0; line < 400; ++line) {
        const char* prefixes[] = {"Vertex", "Face", "Vertex list", "Tri-mesh, Vertices",
                                  "Named object: \"o\""};
        text += prefixes[line % 5];
        for (int i = 0; i < static_cast<int>(seed % 150); ++i) {
            seed = seed * 1103515245u + 12345u;
            const char alphabet[] = "XYZUVABC: -0123456789.e\"\r\t";
            text += alphabet[(seed >> 16) % (sizeof alphabet - 1)];
        }
        text += '\n';
    }
    TempFile file(text);
    MeshObject object;
    object.Load(file.Path(), "o");
    if (object.mesh != nullptr) {
        for (int i = 0; i < object.mesh->faceCount; ++i) {
            EXPECT_GE(object.mesh->faces[i].a, 0);
            EXPECT_LT(object.mesh->faces[i].c, object.mesh->vertexCount);
        }
    }
}

// Coordinates are decimal numbers and nothing else; a field that does not start like one is 0.
TEST(AscLoader, ReadsCoordinatesAsDecimalNumbersOnly)
{
    struct Case {
        const char* field;
        float value;
    };
    const Case cases[] = {
        {"1.5", 1.5f},       {"-2", -2.0f},        {"+2.5e1", 25.0f}, {"  -3", -3.0f},  {".5", 0.5f},
        {"5.", 5.0f},        {"7E-1", 0.7f},       {"1e", 1.0f},      {"1e+", 1.0f},    {"2.5x", 2.5f},
        {"0x10", 0.0f},      {"nan", 0.0f},        {"-nan", 0.0f},    {"NAN(1)", 0.0f}, {"inf", 0.0f},
        {"-infinity", 0.0f}, {"abc", 0.0f},        {"- 3", 0.0f},     {".", 0.0f},      {"+", 0.0f},
        {"1e999", FLT_MAX},  {"-1e999", -FLT_MAX}, {"1e-999", 0.0f},  {"3e38", 3e38f},  {"1e39", FLT_MAX},
        {"1.0e-50", 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        const std::string text = std::string("Named object: \"o\"\nTri-mesh, Vertices: 1 Faces: 0\n") +
                                 "Vertex 0: X:" + c.field + " Y:" + c.field + " Z:0 U:" + c.field +
                                 " V:" + c.field + "\n";
        TempFile file(text);
        MeshObject object;
        ASSERT_TRUE(object.Load(file.Path(), "o"));
        EXPECT_EQ(object.mesh->vertices[0].x, c.value);
        EXPECT_EQ(object.mesh->vertices[0].y, c.value);
        EXPECT_EQ(object.texCoordSet->coords[0].u, c.value);
        EXPECT_EQ(object.texCoordSet->coords[0].v, c.value);
    }

    // One "nan" once made the whole mesh NaN through its centre.
    TempFile nanFile("Named object: \"o\"\nTri-mesh, Vertices: 2 Faces: 0\n"
                     "Vertex 0: X:nan Y:inf Z:-inf\nVertex 1: X:2 Y:4 Z:1e999\n");
    Mesh mesh;
    ASSERT_TRUE(mesh.Load(nanFile.Path(), "o"));
    const Vec3 centre = mesh.Centre();
    for (float f :
         {centre.x, centre.y, centre.z, mesh.vertices[0].x, mesh.vertices[0].z, mesh.vertices[1].z}) {
        EXPECT_TRUE(std::isfinite(f));
    }
}

TEST(AscLoader, ANullNameFailsLikeAMissingObject)
{
    TempFile file(kTri);
    Mesh mesh;
    ASSERT_TRUE(mesh.Load(file.Path(), "tri"));
    EXPECT_FALSE(mesh.Load(file.Path(), nullptr));
    EXPECT_EQ(mesh.vertices, nullptr);
    EXPECT_FALSE(mesh.Load(nullptr, "tri"));

    TexCoordSet set;
    ASSERT_TRUE(set.Load(file.Path(), "tri"));
    EXPECT_FALSE(set.Load(file.Path(), nullptr));
    EXPECT_EQ(set.coords, nullptr);
    EXPECT_FALSE(set.Load(nullptr, "tri"));

    MeshObject object;
    ASSERT_TRUE(object.Load(file.Path(), "tri"));
    Mesh* before = object.mesh;
    EXPECT_FALSE(object.Load(file.Path(), nullptr));
    EXPECT_FALSE(object.Load(nullptr, "tri"));
    EXPECT_EQ(object.mesh, before);

    ObjectGroup group;
    EXPECT_FALSE(group.LoadFile(nullptr));
}

// Three mesh objects exported without texture mapping, among a light, a camera, materials, smoothing
// groups and a page break, with CR LF line ends.
TEST(AscLoader, LoadsEveryObjectOfAnExportWithoutTextureMapping)
{
    const std::string path = std::string(std::getenv("BRIMT_SOURCE_DIR")) + "/tests/data/unmapped.asc";
    struct Expected {
        const char* name;
        int vertices;
        int faces;
        Vec3 lastVertex;
        Face lastFace;
    };
    const Expected objects[] = {
        {"Box01", 8, 12, Vec3(10, 10, 20), Face{4, 6, 2}},
        {"Pyramid01", 5, 6, Vec3(35, 5, 15.5f), Face{3, 0, 4}},
        {"Plane01", 4, 2, Vec3(5.25f, -20, 0), Face{3, 2, 0}},
    };
    for (const Expected& e : objects) {
        SCOPED_TRACE(e.name);
        MeshObject object;
        ASSERT_TRUE(object.Load(path.c_str(), e.name));
        ASSERT_EQ(object.mesh->vertexCount, e.vertices);
        ASSERT_EQ(object.mesh->faceCount, e.faces);
        const Vec3& v = object.mesh->vertices[e.vertices - 1];
        EXPECT_EQ(v.x, e.lastVertex.x);
        EXPECT_EQ(v.y, e.lastVertex.y);
        EXPECT_EQ(v.z, e.lastVertex.z);
        const Face& f = object.mesh->faces[e.faces - 1];
        EXPECT_EQ(f.a, e.lastFace.a);
        EXPECT_EQ(f.b, e.lastFace.b);
        EXPECT_EQ(f.c, e.lastFace.c);
        ASSERT_EQ(object.texCoordSet->count, e.vertices);
        for (int i = 0; i < e.vertices; ++i) {
            EXPECT_EQ(object.texCoordSet->coords[i].u, 0.0f);
            EXPECT_EQ(object.texCoordSet->coords[i].v, 0.0f);
        }
    }

    ObjectGroup group;
    ASSERT_TRUE(group.LoadFile(path.c_str()));
    EXPECT_EQ(group.GetCount(), 3) << "the light and the camera are no mesh objects";
}

// Files that never end or claim more than memory fail quickly instead of hanging or aborting.
TEST(AscLoader, FilesThatNeverEndOrClaimTooMuchFailQuickly)
{
    // A sparse file whose apparent size would let half a billion faces pass the size check.
    TempFile sparse("Named object: \"o\"\nTri-mesh, Vertices: 3 Faces: 500000000\n"
                    "Vertex: X:0 Y:0 Z:0\nVertex: X:0 Y:0 Z:0\nVertex: X:0 Y:0 Z:0\n");
    ASSERT_EQ(truncate(sparse.Path(), 8ll * 1024 * 1024 * 1024), 0);
    // A model file that is a link to a device that never ends.
    const std::string zeroLink = std::string(sparse.Path()) + ".zero";
    ASSERT_EQ(symlink("/dev/zero", zeroLink.c_str()), 0);

    for (const std::string& path : {std::string(sparse.Path()), zeroLink}) {
        SCOPED_TRACE(path);
        Mesh mesh;
        EXPECT_FALSE(mesh.Load(path.c_str(), "o"));
        EXPECT_EQ(mesh.faces, nullptr);
        MeshObject object;
        EXPECT_FALSE(object.Load(path.c_str(), "o"));
        ObjectGroup group;
        group.LoadFile(path.c_str());
        EXPECT_EQ(group.GetCount(), 0);
    }
    unlink(zeroLink.c_str());
}

} // namespace
