// tests/models_test.cpp -- the show's ASC models: the committed files are what makemodels writes, they load
// with the engine's loader, and their sizes frame in the show's camera where its scenes place them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "glarve.h"

namespace {

const char* const kFiles[] = {"test.ASC", "marto.ASC", "clou.ASC", "trucmuch.ASC"};

// The source tree: BRIMT_SOURCE_DIR from the environment, else the one this test was built from.
std::string SourceDir()
{
    const char* dir = std::getenv("BRIMT_SOURCE_DIR");
    return dir != nullptr && *dir != '\0' ? dir : BRIMT_SOURCE_TREE;
}

std::string DataPath(const std::string& file)
{
    return SourceDir() + "/DATA/" + file;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A directory under /tmp, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/brimt-models-XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            path = pattern;
        }
    }
    ~TempDir()
    {
        if (!path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path;
};

TEST(MakeModels, WritesExactlyTheCommittedFiles)
{
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    // A directory that does not exist yet is created.
    const std::string out = dir.path + "/DATA";
    const std::string command = std::string("\"") + BRIMT_MAKEMODELS + "\" \"" + out + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* file : kFiles) {
        const std::string written = ReadAll(out + "/" + file);
        const std::string committed = ReadAll(DataPath(file));
        ASSERT_FALSE(committed.empty()) << "DATA/" << file << " is missing";
        EXPECT_TRUE(written == committed)
            << file << " differs from DATA/" << file << ": run makemodels DATA and commit the files";
    }
}

TEST(MakeModels, FailsWhenItCannotWrite)
{
    TempDir dir;
    ASSERT_FALSE(dir.path.empty());
    // A plain file where the directory should be.
    const std::string blocker = dir.path + "/file";
    std::ofstream(blocker) << "x";
    const std::string command =
        std::string("\"") + BRIMT_MAKEMODELS + "\" \"" + blocker + "/DATA\" 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
}

TEST(ModelFiles, KeepEveryLineWithinWhatTheReaderTakes)
{
    for (const char* file : kFiles) {
        std::istringstream text(ReadAll(DataPath(file)));
        int lines = 0;
        for (std::string line; std::getline(text, line); ++lines) {
            EXPECT_EQ(line.find('\r'), std::string::npos) << file << ": LF line ends only";
            EXPECT_LE(line.size(), 99u) << file << " line " << lines + 1;
        }
        EXPECT_GT(lines, 100) << file;
    }
}

struct ObjectCase {
    const char* file;
    const char* name;
    int minVertices;
    bool hasFaces;
};

const ObjectCase kObjects[] = {
    {"test.ASC", "sphere", 381, true},        {"marto.ASC", "manche", 50, true},
    {"marto.ASC", "Tete", 50, true},          {"clou.ASC", "clou", 50, true},
    {"trucmuch.ASC", "trucmuch", 300, false},
};

TEST(ModelFiles, EveryObjectLoadsWithTextureCoordinatesAndValidFaces)
{
    for (const ObjectCase& c : kObjects) {
        SCOPED_TRACE(std::string(c.file) + " / " + c.name);
        MeshObject object;
        ASSERT_TRUE(object.Load(DataPath(c.file).c_str(), c.name));
        const Mesh& mesh = *object.mesh;
        EXPECT_GE(mesh.vertexCount, c.minVertices);
        EXPECT_LE(mesh.vertexCount, 5000) << "drawn every frame: keep it light";
        EXPECT_EQ(mesh.faceCount > 0, c.hasFaces);
        ASSERT_EQ(object.texCoordSet->count, mesh.vertexCount);
        for (int i = 0; i < mesh.vertexCount; ++i) {
            const TexCoord2& t = object.texCoordSet->coords[i];
            ASSERT_TRUE(std::isfinite(t.u) && std::isfinite(t.v)) << "vertex " << i;
        }
        std::vector<bool> used(static_cast<size_t>(mesh.vertexCount), false);
        for (int i = 0; i < mesh.faceCount; ++i) {
            const Face& f = mesh.faces[i];
            for (int index : {f.a, f.b, f.c}) {
                ASSERT_TRUE(index >= 0 && index < mesh.vertexCount) << "face " << i;
                used[static_cast<size_t>(index)] = true;
            }
            EXPECT_TRUE(f.a != f.b && f.b != f.c && f.a != f.c) << "face " << i << " is degenerate";
        }
        if (c.hasFaces) {
            for (int i = 0; i < mesh.vertexCount; ++i) {
                EXPECT_TRUE(used[static_cast<size_t>(i)]) << "vertex " << i << " belongs to no face";
            }
        }
    }
}

TEST(ModelFiles, TheHammerFileHoldsJustTheHandleAndTheHead)
{
    ObjectGroup group;
    ASSERT_TRUE(group.LoadFile(DataPath("marto.ASC").c_str()));
    EXPECT_EQ(group.GetCount(), 2);
}

// --- shapes -------------------------------------------------------------------------------------

struct Box {
    float lo[3] = {1e30f, 1e30f, 1e30f};
    float hi[3] = {-1e30f, -1e30f, -1e30f};
};

Box BoundsOf(const Mesh& mesh)
{
    Box box;
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const float p[3] = {mesh.vertices[i].x, mesh.vertices[i].y, mesh.vertices[i].z};
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = std::fmin(box.lo[k], p[k]);
            box.hi[k] = std::fmax(box.hi[k], p[k]);
        }
    }
    return box;
}

// The object, loaded; one without a mesh when the load failed (the failure is reported).
std::unique_ptr<MeshObject> Loaded(const char* file, const char* name)
{
    auto object = std::make_unique<MeshObject>();
    EXPECT_TRUE(object->Load(DataPath(file).c_str(), name)) << name;
    return object;
}

TEST(SphereModel, IsARoundBallWhoseSpikingVerticesAreSpreadOverIt)
{
    const auto sphere = Loaded("test.ASC", "sphere");
    ASSERT_TRUE(sphere->mesh != nullptr);
    const Vec3 centre = sphere->mesh->Centre();
    EXPECT_NEAR(centre.x, 0.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-3f);
    EXPECT_NEAR(centre.z, 0.0f, 1e-3f);
    const Vec3* v = sphere->mesh->vertices;
    const float radius = std::sqrt(v[0].x * v[0].x + v[0].y * v[0].y + v[0].z * v[0].z);
    for (int i = 0; i < sphere->mesh->vertexCount; ++i) {
        EXPECT_NEAR(std::sqrt(v[i].x * v[i].x + v[i].y * v[i].y + v[i].z * v[i].z), radius, 2e-3f) << i;
    }

    // The 20 vertices the intro pushes out: directions on both sides of every axis, no two close
    // together, and no lopsided bunch (their mean direction is near zero).
    double dirs[20][3];
    double mean[3] = {0, 0, 0};
    int positive[3] = {0, 0, 0}, negative[3] = {0, 0, 0};
    for (int k = 0; k < 20; ++k) {
        const Vec3& p = v[20 * k];
        const double d[3] = {p.x / radius, p.y / radius, p.z / radius};
        for (int a = 0; a < 3; ++a) {
            dirs[k][a] = d[a];
            mean[a] += d[a] / 20;
            positive[a] += d[a] > 0.1;
            negative[a] += d[a] < -0.1;
        }
    }
    for (int a = 0; a < 3; ++a) {
        EXPECT_GE(positive[a], 6) << "axis " << a;
        EXPECT_GE(negative[a], 6) << "axis " << a;
        EXPECT_NEAR(mean[a], 0.0, 0.05) << "axis " << a;
    }
    double closest = 1e9;
    for (int i = 0; i < 20; ++i) {
        for (int j = i + 1; j < 20; ++j) {
            const double dot = dirs[i][0] * dirs[j][0] + dirs[i][1] * dirs[j][1] + dirs[i][2] * dirs[j][2];
            closest = std::fmin(closest, std::acos(std::fmax(-1.0, std::fmin(1.0, dot))) * 180.0 / M_PI);
        }
    }
    EXPECT_GT(closest, 35.0) << "degrees between the two nearest spikes";
}

// The show turns each hammer about its model origin: that is the hand on the grip, the head out at
// the handle's other end, leaning 20 degrees above level at rest so that 40 degrees of swing bring it
// 20 degrees below level, face down.
TEST(HammerModel, TurnsAboutTheGripWithTheHeadOutAtRestAboveLevel)
{
    const auto handle = Loaded("marto.ASC", "manche");
    const auto head = Loaded("marto.ASC", "Tete");
    ASSERT_TRUE(handle->mesh != nullptr && head->mesh != nullptr);
    const Box h = BoundsOf(*handle->mesh);
    EXPECT_TRUE(h.lo[0] < 0.0f && h.hi[0] > 0.0f && h.lo[2] < 0.0f && h.hi[2] > 0.0f)
        << "the pivot lies on the handle";
    double cx = 0, cz = 0;
    for (int i = 0; i < head->mesh->vertexCount; ++i) {
        cx += head->mesh->vertices[i].x / head->mesh->vertexCount;
        cz += head->mesh->vertices[i].z / head->mesh->vertexCount;
    }
    EXPECT_GT(std::hypot(cx, cz), 15.0) << "the head at the far end of the handle";
    EXPECT_NEAR(std::atan2(cz, cx) * 180.0 / M_PI, 20.0, 4.0) << "degrees above level at rest";
    // Thin in depth: the two hammers of a pair stand 5 apart and never meet.
    const Box t = BoundsOf(*head->mesh);
    EXPECT_LT(std::fmax(std::fmax(-h.lo[1], h.hi[1]), std::fmax(-t.lo[1], t.hi[1])), 2.5f);
}

// --- framing in the show's camera ---------------------------------------------------------------

// A point in front of the 45-degree, 4:3 camera, mapped to the picture: x and y in -1 to 1 when
// seen, and the distance, which must lie between the near (0.1) and far (100) planes.
struct Seen {
    double x, y, distance;
};

Seen Project(double x, double y, double z)
{
    const double t = std::tan(22.5 * M_PI / 180.0);
    return Seen{x / (-z * t * 4.0 / 3.0), y / (-z * t), -z};
}

struct Mat {
    double m[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};

    Mat Then(const Mat& inner) const
    {
        Mat r;
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 4; ++j) {
                r.m[i][j] = (j == 3 ? m[i][3] : 0.0);
                for (int k = 0; k < 3; ++k) {
                    r.m[i][j] += m[i][k] * inner.m[k][j];
                }
            }
        }
        return r;
    }
    void Apply(const Vec3& p, double out[3]) const
    {
        for (int i = 0; i < 3; ++i) {
            out[i] = m[i][0] * p.x + m[i][1] * p.y + m[i][2] * p.z + m[i][3];
        }
    }
};

Mat Translate(double x, double y, double z)
{
    Mat r;
    r.m[0][3] = x;
    r.m[1][3] = y;
    r.m[2][3] = z;
    return r;
}

// glRotatef about one axis (0 = x, 1 = y, 2 = z), degrees.
Mat Rotate(int axis, double degrees)
{
    const double c = std::cos(degrees * M_PI / 180.0), s = std::sin(degrees * M_PI / 180.0);
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    Mat r;
    r.m[i][i] = c;
    r.m[i][j] = -s;
    r.m[j][i] = s;
    r.m[j][j] = c;
    return r;
}

// Every vertex of `mesh` under `place` lies in the picture (within `margin` of its edges, in the
// picture's half-height units) and between the clipping planes.
::testing::AssertionResult InPicture(const Mesh& mesh, const Mat& place, double margin = 0.0,
                                     double scale = 1.0)
{
    for (int i = 0; i < mesh.vertexCount; ++i) {
        const Vec3 v = mesh.vertices[i];
        double p[3];
        place.Apply(Vec3(v.x * static_cast<float>(scale), v.y * static_cast<float>(scale),
                         v.z * static_cast<float>(scale)),
                    p);
        const Seen s = Project(p[0], p[1], p[2]);
        if (std::fabs(s.x) > 1.0 - margin || std::fabs(s.y) > 1.0 - margin || s.distance < 0.1 ||
            s.distance > 100.0) {
            return ::testing::AssertionFailure()
                   << "vertex " << i << " at (" << s.x << ", " << s.y << ") distance " << s.distance;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(Framing, SphereWithItsSpikesOutStaysInThePicture)
{
    const auto sphere = Loaded("test.ASC", "sphere");
    ASSERT_TRUE(sphere->mesh != nullptr);
    sphere->mesh->Centre();
    for (int s = 0; s < 5; ++s) {
        for (int k = 0; k < 20; ++k) {
            sphere->mesh->vertices[20 * k] *= 1.05f;
        }
    }
    // Where the sphere rests once the first image has faded in, spinning on all three axes.
    for (double angle = 0; angle < 360; angle += 10) {
        const Mat place = Translate(-17.0 - 20.0 / 3.0, -11, -80)
                              .Then(Rotate(0, -angle))
                              .Then(Rotate(1, -angle))
                              .Then(Rotate(2, -angle));
        ASSERT_TRUE(InPicture(*sphere->mesh, place, 0.05)) << "angle " << angle;
    }
}

// At each end of the swing one hammer of each front pair strikes: its head is in the picture, and
// its face comes down to the height of the far nail's head, which the front row passes over.
TEST(Framing, FrontRowStrikesInThePictureAtTheFarNailsHeight)
{
    const auto head = Loaded("marto.ASC", "Tete");
    const auto nail = Loaded("clou.ASC", "clou");
    ASSERT_TRUE(head->mesh != nullptr && nail->mesh != nullptr);
    // The grid drifted so that the middle front cell (i = 0, j = 2, at 84) pivots left of the
    // picture's middle, its head near the middle.
    const Mat cell = Translate(-300, 5, -30).Then(Rotate(0, 15)).Then(Translate(84 + 186, 0, 0));
    double nailTop = -1e9;
    const Mat nailPlace = Translate(0, 0, -30).Then(Rotate(0, -90));
    for (int i = 0; i < nail->mesh->vertexCount; ++i) {
        double p[3];
        nailPlace.Apply(nail->mesh->vertices[i], p);
        if (-p[2] > 60.0) nailTop = std::fmax(nailTop, Project(p[0], p[1], p[2]).y);
    }
    ASSERT_GT(nailTop, -1.0) << "no far nail";
    for (double s : {-1.0, 1.0}) {
        SCOPED_TRACE("swing " + std::to_string(s));
        // hammer1 turns by 40 s, hammer2 by -40 s: the one turned by +40 strikes.
        const Mat striking = s > 0
                                 ? cell.Then(Rotate(0, -90)).Then(Rotate(1, 40.0))
                                 : cell.Then(Translate(0, 0, -5)).Then(Rotate(0, -90)).Then(Rotate(1, 40.0));
        EXPECT_TRUE(InPicture(*head->mesh, striking));
        double face = 1e9;
        for (int i = 0; i < head->mesh->vertexCount; ++i) {
            double p[3];
            striking.Apply(head->mesh->vertices[i], p);
            face = std::fmin(face, Project(p[0], p[1], p[2]).y);
        }
        EXPECT_NEAR(face, nailTop, 0.12) << "in half-heights of the picture";
    }
}

// True when some vertex of `mesh` under `place` is in the picture.
bool AnyInPicture(const Mesh& mesh, const Mat& place)
{
    for (int i = 0; i < mesh.vertexCount; ++i) {
        double p[3];
        place.Apply(mesh.vertices[i], p);
        const Seen s = Project(p[0], p[1], p[2]);
        if (std::fabs(s.x) < 1.0 && std::fabs(s.y) < 1.0 && s.distance > 0.1 && s.distance < 100.0)
            return true;
    }
    return false;
}

// The hammers scene frame by frame at 60 frames a second, as the show moves its objects: the grid's
// pair drifts |sin 4t| a frame and swings +-40 sin 4t degrees, the nail drifts |sin 6t| / 2 a frame
// from x = -17 and takes its bob and rock after it is drawn. The nail is there from the first frame
// and stays until the first hammers have come in, so that the scene never shows the bare wall.
TEST(Framing, NailStaysUntilTheFirstHammersComeIn)
{
    const auto handle = Loaded("marto.ASC", "manche");
    const auto head = Loaded("marto.ASC", "Tete");
    const auto nail = Loaded("clou.ASC", "clou");
    ASSERT_TRUE(handle->mesh != nullptr && head->mesh != nullptr && nail->mesh != nullptr);
    // The scene's start on the song clock sets the phase of the sines; a few phases.
    for (double start : {15.3, 15.5, 15.7, 15.9}) {
        SCOPED_TRACE("scene starts at " + std::to_string(start) + " s");
        double pairX = 0.0, nailX = -17.0, nailY = 0.0, nailTurn = 0.0;
        int hammersIn = -1, nailGone = -1;
        for (int frame = 0; frame < 6 * 60 && (hammersIn < 0 || nailGone < 0); ++frame) {
            const double t = start + frame / 60.0;
            const double s = static_cast<float>(std::sin(4.0 * t));
            pairX += std::fabs(s);
            bool hammers = false;
            for (int i = 0; i < 5 && !hammers; ++i) {
                for (int j = 0; j < 5 && !hammers; ++j) {
                    const Mat pair = Translate(-300, 5, -30)
                                         .Then(Rotate(0, 15))
                                         .Then(Translate(42.0 * j, 0, -20.0 * i))
                                         .Then(Translate(pairX, 0, 0));
                    for (const Mat& place :
                         {pair.Then(Rotate(0, -90)).Then(Rotate(1, 40 * s)),
                          pair.Then(Translate(0, 0, -5)).Then(Rotate(0, -90)).Then(Rotate(1, -40 * s))}) {
                        hammers =
                            hammers || AnyInPicture(*handle->mesh, place) || AnyInPicture(*head->mesh, place);
                    }
                }
            }
            const double c = static_cast<float>(std::sin(6.0 * t));
            nailX += std::fabs(c) / 2.0;
            const bool nailIn = AnyInPicture(
                *nail->mesh, Translate(nailX, nailY, -30).Then(Rotate(0, -90)).Then(Rotate(1, nailTurn)));
            nailTurn = -20.0 * c;
            nailY = 2.0 * c;
            if (hammers && hammersIn < 0) hammersIn = frame;
            if (!nailIn && nailGone < 0) nailGone = frame;
        }
        ASSERT_GE(hammersIn, 0) << "the grid never comes in";
        EXPECT_GT(nailGone, 0) << "the scene opens on the bare wall";
        EXPECT_GT(nailGone, hammersIn + 10) << "the nail has gone before the hammers come in";
    }
}

TEST(Framing, ParticleCloudSpinsWithinTheNamesAndTheFarPlane)
{
    const auto cloud = Loaded("trucmuch.ASC", "trucmuch");
    ASSERT_TRUE(cloud->mesh != nullptr);
    // Each sprite is centred at twice its vertex and reaches sqrt(2) further (a 2 x 2 square). The
    // greetings card keeps a disc of 248 of its 768 rows round its centre plain, and its names start
    // 16 rows further out; the card fills 0.953 of the picture's height, so the cloud must stay
    // within 244 (256 card rows) of the picture's 384 half rows whichever way it turns.
    const double stage = 256.0 * 0.953 / 384.0;
    double widest = 0.0;
    for (double angle = 0; angle < 360; angle += 5) {
        const Mat place =
            Translate(0, 0, -70).Then(Rotate(0, -angle)).Then(Rotate(1, -angle)).Then(Rotate(2, -angle));
        ASSERT_TRUE(InPicture(*cloud->mesh, place, 0.1, 2.0)) << "angle " << angle;
        for (int i = 0; i < cloud->mesh->vertexCount; ++i) {
            const Vec3& v = cloud->mesh->vertices[i];
            double p[3];
            place.Apply(Vec3(2.0f * v.x, 2.0f * v.y, 2.0f * v.z), p);
            // The sprite's far corner, seen at the sprite's distance.
            const Seen s = Project(p[0], p[1], p[2]);
            const double slack = std::sqrt(2.0) / (p[2] * -std::tan(22.5 * M_PI / 180.0));
            const double r = std::hypot(s.x * 4.0 / 3.0, s.y) + slack;
            widest = std::fmax(widest, r);
            ASSERT_LT(r, stage) << "vertex " << i << " at angle " << angle << " reaches over the names";
        }
    }
    EXPECT_GT(widest, 0.7 * stage) << "the cloud is too small to fill its stage";
    EXPECT_LE(cloud->mesh->vertexCount, 2400) << "every vertex is a sprite drawn in every frame";
    float reach = 0;
    for (int i = 0; i < cloud->mesh->vertexCount; ++i) {
        const Vec3& v = cloud->mesh->vertices[i];
        reach = std::fmax(reach, std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z));
    }
    EXPECT_LT(70.0 + 2.0 * reach + std::sqrt(2.0), 100.0) << "the far side of the cloud is clipped";
}

// Every sprite lies in the cloud's x-y plane, so all turn edge on together; what is left of each is
// its slant as the eye sees it. A hollow globe keeps some light whichever way it turns, and leaves
// its middle empty, so that flying through it at position 10 puts no crowd of sprites at the eye.
TEST(ParticleCloud, IsAHollowGlobeThatKeepsItsLightEdgeOn)
{
    const auto cloud = Loaded("trucmuch.ASC", "trucmuch");
    ASSERT_TRUE(cloud->mesh != nullptr);
    float nearest = 1e9f, farthest = 0.0f;
    for (int i = 0; i < cloud->mesh->vertexCount; ++i) {
        const Vec3& v = cloud->mesh->vertices[i];
        const float r = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        nearest = std::fmin(nearest, r);
        farthest = std::fmax(farthest, r);
    }
    EXPECT_GT(nearest, 0.75f * farthest) << "sprites in the globe's middle";
    // The light of a sprite: its area seen from the eye, the cosine of its slant over the square of
    // its distance.
    double least = 1e30, most = 0.0;
    for (double angle = 0; angle < 180; angle += 3) {
        const Mat place =
            Translate(0, 0, -70).Then(Rotate(0, -angle)).Then(Rotate(1, -angle)).Then(Rotate(2, -angle));
        const double n[3] = {place.m[0][2], place.m[1][2], place.m[2][2]};
        double light = 0.0;
        for (int i = 0; i < cloud->mesh->vertexCount; ++i) {
            const Vec3& v = cloud->mesh->vertices[i];
            double p[3];
            place.Apply(Vec3(2.0f * v.x, 2.0f * v.y, 2.0f * v.z), p);
            const double d = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
            light += std::fabs(n[0] * p[0] + n[1] * p[1] + n[2] * p[2]) / (d * d * d);
        }
        least = std::fmin(least, light);
        most = std::fmax(most, light);
    }
    EXPECT_GT(least, 0.1 * most) << "the cloud thins to almost nothing edge on";
}

} // namespace
