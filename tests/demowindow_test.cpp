// tests/demowindow_test.cpp -- the show on a real GL context with the real DATA: what Init builds and
// Release frees, failures part-way, the scene dispatch and the state the scenes carry between frames.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "brimt/demowindow.h"
#include "glcontext.h"
#include "platform/app.h"

namespace fs = std::filesystem;

namespace {

// Runs a test with the working directory at a folder that holds DATA/, as the program runs.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : saved(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(saved); }

private:
    fs::path saved;
};

// The source folder, set for every test program by its main.
fs::path SourceDir()
{
    return fs::path(std::getenv("BRIMT_SOURCE_DIR"));
}

// Every quit request waiting in the queue, taken off it.
std::vector<int> TakeQuitRequests()
{
    std::vector<int> codes;
    Message message;
    while (TakeMessage(&message)) {
        if (message.quit) {
            codes.push_back(message.exitCode);
        }
    }
    return codes;
}

std::vector<Texture*> AllTextures(DemoWindow& w)
{
    std::vector<Texture*> all = {w.presentTexture.get(), w.toolboxTexture.get(), w.metalTexture.get(),
                                 w.plateTexture.get(),   w.brickTexture.get(),   w.greetsTexture.get(),
                                 w.particleTexture.get()};
    for (auto& face : w.faceTextures) {
        all.push_back(face.get());
    }
    return all;
}

std::vector<GLuint> TextureNames(DemoWindow& w)
{
    std::vector<GLuint> names;
    for (Texture* t : AllTextures(w)) {
        if (t != nullptr && t->handle != 0) {
            names.push_back(t->handle - 1);
        }
    }
    return names;
}

class Show : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        TakeQuitRequests();
        window = std::make_unique<DemoWindow>();
        window->Resize(kWidth, kHeight);
    }
    void TearDown() override
    {
        window.reset();
        TakeQuitRequests();
    }

    bool InitFromSource()
    {
        WorkingDirectory cwd(SourceDir());
        return window->Init();
    }

    PlayStatus At(std::uint32_t position, std::uint32_t row = 0)
    {
        PlayStatus status;
        status.songPosition = position;
        status.row = row;
        return status;
    }

    std::unique_ptr<DemoWindow> window;
};

TEST_F(Show, InitBuildsEveryAssetAndReleaseFreesThemAll)
{
    ASSERT_TRUE(InitFromSource());
    DemoWindow& w = *window;
    EXPECT_EQ(w.musicFile, "DATA/Pkfloyd.xm");

    // 13 textures, each a live GL texture.
    const std::vector<GLuint> names = TextureNames(w);
    ASSERT_EQ(names.size(), 13u);
    for (GLuint name : names) {
        EXPECT_TRUE(glIsTexture(name));
    }

    // 5 model objects: sphere, nail, particles, and the handle and head held by both hammers.
    ASSERT_TRUE(w.sphere && w.nail && w.particles);
    ASSERT_EQ(w.hammer1->GetCount(), 2);
    ObjectList::Position pos = w.hammer1->GetHeadPosition();
    auto* handle = dynamic_cast<MeshObject*>(w.hammer1->GetNext(pos));
    auto* head = dynamic_cast<MeshObject*>(w.hammer1->GetNext(pos));
    ASSERT_TRUE(handle != nullptr && head != nullptr);
    pos = w.hammer2->GetHeadPosition();
    EXPECT_EQ(w.hammer2->GetNext(pos), handle);
    EXPECT_EQ(w.hammer2->GetNext(pos), head);
    EXPECT_GE(w.sphere->mesh->GetVertexCount(), 381);

    // 29 groups: four members and 25 cells, each cell holding the one pair.
    ASSERT_EQ(w.hammerGrid->GetCount(), 25);
    int cellIndex = 0;
    for (pos = w.hammerGrid->GetHeadPosition(); pos; ++cellIndex) {
        auto* cell = dynamic_cast<ObjectGroup*>(w.hammerGrid->GetNext(pos));
        ASSERT_NE(cell, nullptr);
        ObjectList::Position inner = cell->GetHeadPosition();
        EXPECT_EQ(cell->GetNext(inner), static_cast<SceneObject*>(w.hammerPair.get()));
        EXPECT_EQ(cell->position.x, 42.0f * static_cast<float>(cellIndex % 5));
        EXPECT_EQ(cell->position.z, -20.0f * static_cast<float>(cellIndex / 5));
    }
    EXPECT_EQ(w.hammer2->position.z, -5.0f);
    EXPECT_EQ(w.hammer1->rotation.x, -90.0f);

    // 5 renderers with their colours and textures.
    EXPECT_NE(dynamic_cast<WireRenderer*>(w.sphere->renderer), nullptr);
    EXPECT_EQ(w.creditRenderer->colour.a, 0.0f);
    EXPECT_EQ(handle->renderer, w.handleRenderer.get());
    EXPECT_EQ(head->renderer, w.headRenderer.get());
    EXPECT_EQ(w.nail->renderer, w.headRenderer.get());
    EXPECT_EQ(w.handleRenderer->texture, w.metalTexture.get());
    EXPECT_EQ(w.headRenderer->texture, w.plateTexture.get());
    EXPECT_EQ(w.particleRenderer->texture, w.particleTexture.get());
    EXPECT_EQ(w.particleRenderer->colour.a, 0.15f);
    EXPECT_EQ(w.particleRenderer->colour.r, 1.0f);

    // 1 text object with its 256 lists.
    ASSERT_TRUE(w.creditText);
    const GLuint listBase = w.creditText->listBase;
    EXPECT_TRUE(glIsList(listBase + 'C'));
    EXPECT_EQ(w.creditText->text, "Code & 3D Model");

    // The fixed GL state.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint value = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 1);

    EXPECT_TRUE(w.Release());
    for (GLuint name : names) {
        EXPECT_FALSE(glIsTexture(name)) << "texture " << name << " outlived Release";
    }
    for (GLuint k = 0; k < 256; ++k) {
        EXPECT_FALSE(glIsList(listBase + k)) << "list " << k << " outlived Release";
    }
    EXPECT_FALSE(w.sphere || w.hammerGrid || w.creditText || w.particleRenderer);
}

// Init from a copy of DATA/ that lacks one file: it fails at that step, builds nothing after it, and
// what it built is freed with the window.
struct MissingCase {
    const char* file;
    int texturesBuilt; // textures built before the failing step
    bool sphereBuilt;
    bool hammersBuilt;
    bool particlesBuilt;
};

const MissingCase kMissingCases[] = {
    {"Present.JPG", 0, false, false, false}, {"test.ASC", 2, false, false, false},
    {"marto.ASC", 5, true, false, false},    {"clou.ASC", 5, true, true, false},
    {"face4.JPG", 8, true, true, false},     {"particle.JPG", 12, true, true, true},
};

TEST_F(Show, InitStopsAtTheFirstMissingFileAndTheWindowFreesWhatItBuilt)
{
    const fs::path data = SourceDir() / "DATA";
    for (const MissingCase& c : kMissingCases) {
        SCOPED_TRACE(c.file);
        const fs::path dir = fs::temp_directory_path() / ("brimt-show-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "DATA");
        for (const auto& entry : fs::directory_iterator(data)) {
            if (entry.path().filename() != c.file) {
                fs::create_symlink(entry.path(), dir / "DATA" / entry.path().filename());
            }
        }

        auto w = std::make_unique<DemoWindow>();
        {
            WorkingDirectory cwd(dir);
            EXPECT_FALSE(w->Init());
        }
        const std::vector<GLuint> names = TextureNames(*w);
        EXPECT_EQ(static_cast<int>(names.size()), c.texturesBuilt);
        EXPECT_EQ(static_cast<bool>(w->sphere), c.sphereBuilt);
        EXPECT_EQ(static_cast<bool>(w->hammerGrid), c.hammersBuilt);
        EXPECT_EQ(static_cast<bool>(w->particles), c.particlesBuilt);
        EXPECT_FALSE(w->particleRenderer) << "the last step is never reached";
        const GLuint listBase = w->creditText->listBase;

        w.reset();
        for (GLuint name : names) {
            EXPECT_FALSE(glIsTexture(name));
        }
        EXPECT_FALSE(glIsList(listBase + 'C'));
        fs::remove_all(dir);
    }
}

// A copy of DATA/ (links to the real files) in which `file` is replaced by what `make` writes at its path.
class DataCopy {
public:
    DataCopy(const char* file, const std::function<void(const fs::path&)>& make)
        : dir(fs::temp_directory_path() / ("brimt-show-" + std::to_string(getpid())))
    {
        fs::remove_all(dir);
        fs::create_directories(dir / "DATA");
        for (const auto& entry : fs::directory_iterator(SourceDir() / "DATA")) {
            if (entry.path().filename() != file) {
                fs::create_symlink(entry.path(), dir / "DATA" / entry.path().filename());
            }
        }
        make(dir / "DATA" / file);
    }
    ~DataCopy() { fs::remove_all(dir); }
    DataCopy(const DataCopy&) = delete;
    DataCopy& operator=(const DataCopy&) = delete;

    const fs::path dir;
};

// Files that never end or claim more than memory make Init fail (the program's "Erreur Brimt 2"),
// neither hang it nor abort it.
TEST_F(Show, InitFailsOnFilesThatNeverEndOrClaimTooMuch)
{
    auto zero = [](const fs::path& path) { fs::create_symlink("/dev/zero", path); };
    auto sparseModel = [](const fs::path& path) {
        std::ofstream(path) << "Named object: \"sphere\"\nTri-mesh, Vertices: 3 Faces: 500000000\n"
                               "Vertex: X:0 Y:0 Z:0\nVertex: X:0 Y:0 Z:0\nVertex: X:0 Y:0 Z:0\n";
        fs::resize_file(path, 8ull * 1024 * 1024 * 1024);
    };
    const struct {
        const char* file;
        std::function<void(const fs::path&)> make;
    } cases[] = {{"Present.JPG", zero}, {"test.ASC", zero}, {"test.ASC", sparseModel}, {"greets.JPG", zero}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        DataCopy copy(c.file, c.make);
        DemoWindow w;
        WorkingDirectory cwd(copy.dir);
        EXPECT_FALSE(w.Init());
    }
}

// After a run through every scene, Release leaves no texture and no display list of the show in the
// context: every name in use afterwards was in use before Init.
TEST_F(Show, NothingOfTheShowOutlivesReleaseAfterEveryScene)
{
    // Texture names and list names are counted apart (they are separate name spaces): a list name n
    // is entered as kNamesLooked + n.
    constexpr GLuint kNamesLooked = 4096;
    auto namesInUse = [] {
        std::vector<GLuint> used;
        for (GLuint name = 1; name < kNamesLooked; ++name) {
            if (glIsTexture(name)) {
                used.push_back(name);
            }
            if (glIsList(name)) {
                used.push_back(kNamesLooked + name);
            }
        }
        return used;
    };
    const std::vector<GLuint> before = namesInUse();
    ASSERT_TRUE(InitFromSource());
    EXPECT_GT(namesInUse().size(), before.size() + 13 + 255);
    float time = 0.0f;
    for (std::uint32_t position : {0u, 1u, 2u, 5u, 7u, 10u, 11u}) {
        for (std::uint32_t row = 0; row < 3; ++row, time += 0.02f) {
            const PlayStatus status = At(position, row * 4);
            window->Render(time, &status);
        }
    }
    EXPECT_TRUE(window->Release());
    EXPECT_EQ(namesInUse(), before);
}

TEST_F(Show, RenderDispatchesOnTheSongPosition)
{
    ASSERT_TRUE(InitFromSource());
    const std::uint32_t positions[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 255, 256, 1000};
    for (std::uint32_t p : positions) {
        SCOPED_TRACE(p);
        const PlayStatus status = At(p, 1);
        EXPECT_TRUE(window->Render(10.0f, &status));
        const std::vector<int> quits = TakeQuitRequests();
        if (p >= 12 && p <= 255) {
            EXPECT_EQ(quits, std::vector<int>{0});
        } else {
            EXPECT_TRUE(quits.empty());
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Show, PositionsFrom11UpDrawNothingButTheClearedFrame)
{
    ASSERT_TRUE(InitFromSource());
    for (std::uint32_t p : {11u, 12u, 256u}) {
        const PlayStatus status = At(p);
        window->Render(20.0f, &status);
        EXPECT_EQ(CountPixelsNot(0, 0, 0, 0), 0) << "position " << p;
    }
    const PlayStatus intro = At(0);
    window->Render(1.5f, &intro); // fade 0.5: the first card shows half-faded
    EXPECT_GT(CountPixelsNot(0, 0, 0, 0), kWidth * kHeight / 2);
}

TEST_F(Show, FacesTurnTheClearColourTealFromTheirSecondFrame)
{
    ASSERT_TRUE(InitFromSource());
    const PlayStatus faces = At(5, 1);
    window->Render(60.0f, &faces);
    const Rgba first = ReadPixel(0, 0);
    EXPECT_EQ(first.r + first.g + first.b, 0) << "the first frame at position 5 is cleared black";
    window->Render(60.1f, &faces);
    const Rgba second = ReadPixel(0, 0);
    EXPECT_EQ(second.r, 0);
    EXPECT_EQ(second.g, 131);
    EXPECT_EQ(second.b, 139);

    const PlayStatus empty = At(11);
    window->Render(90.0f, &empty);
    EXPECT_EQ(CountPixelsNot(0, 131, 139, 1), 0) << "teal stays through position 11";
}

TEST_F(Show, SpikesStepByTwentyBetweenZeroAndHundred)
{
    ASSERT_TRUE(InitFromSource());
    Vec3* v = window->sphere->mesh->GetVertices();
    const Vec3 start0 = v[0], start380 = v[380];
    const Vec3 start1 = v[1];

    const PlayStatus beat = At(1, 8);
    std::vector<float> counts;
    for (int frame = 0; frame < 6; ++frame) {
        window->Render(5.0f, &beat);
        counts.push_back(window->spikeCount);
    }
    EXPECT_EQ(counts, (std::vector<float>{20, 40, 60, 80, 100, 100}));
    Vec3 expected = start0;
    for (int i = 0; i < 5; ++i) {
        expected *= 1.05f;
    }
    EXPECT_EQ(v[0].x, expected.x) << "six frames scale five times";
    EXPECT_EQ(v[0].y, expected.y);
    EXPECT_NE(v[380].x, start380.x);
    EXPECT_EQ(v[1].x, start1.x) << "only every 20th vertex spikes";

    const PlayStatus offBeat = At(1, 9);
    counts.clear();
    for (int frame = 0; frame < 6; ++frame) {
        window->Render(5.1f, &offBeat);
        counts.push_back(window->spikeCount);
    }
    EXPECT_EQ(counts, (std::vector<float>{80, 60, 40, 20, 0, 0}));
    for (int i = 0; i < 5; ++i) {
        expected /= 1.05f;
    }
    EXPECT_EQ(v[0].x, expected.x);
}

TEST_F(Show, FacesAdvanceOncePerBeatRowStartingAtTheSecondFace)
{
    ASSERT_TRUE(InitFromSource());
    struct Step {
        std::uint32_t row;
        int faceIndex;
    };
    const Step steps[] = {{0, 1}, {0, 1},  {1, 1},  {2, 1},  {4, 2},  {4, 2},
                          {8, 3}, {12, 4}, {16, 5}, {20, 0}, {21, 0}, {24, 1}};
    float t = 40.0f;
    for (const Step& s : steps) {
        const PlayStatus status = At(5, s.row);
        window->Render(t, &status);
        EXPECT_EQ(window->faceIndex, s.faceIndex) << "row " << s.row;
        t += 0.05f;
    }
    // Row 0 of position 6 after row 24 of position 5 advances again: only row numbers are compared.
    const PlayStatus next = At(6, 0);
    window->Render(t, &next);
    EXPECT_EQ(window->faceIndex, 2);
    EXPECT_EQ(window->lastBeatRow, 0);
}

TEST_F(Show, FacesPulseRestartsOnBeatRowsAndFallsAfterwards)
{
    ASSERT_TRUE(InitFromSource());
    const PlayStatus beat = At(5, 4);
    window->Render(30.0f, &beat);
    EXPECT_FLOAT_EQ(window->fade, 0.2f);
    EXPECT_EQ(window->beatTime, 30.0f);
    const PlayStatus after = At(5, 5);
    window->Render(30.1f, &after); // within 0.3 s of the beat: grows
    EXPECT_FLOAT_EQ(window->fade, 0.4f);
    window->Render(30.5f, &after); // later: falls
    EXPECT_FLOAT_EQ(window->fade, 0.2f);
    window->Render(30.6f, &after);
    window->Render(30.7f, &after);
    EXPECT_LE(window->fade, 0.0f + 1e-6f);
}

TEST_F(Show, GreetingsFadeOutInOneHundredAndOneFramesWhileTheCloudFliesPast)
{
    ASSERT_TRUE(InitFromSource());
    const PlayStatus calm = At(9);
    window->Render(100.0f, &calm);
    EXPECT_EQ(window->greetsFade, 1.0f);
    EXPECT_EQ(window->particleDepth, 0.0);
    EXPECT_EQ(window->particles->position.z, -70.0f);

    const PlayStatus fadeOut = At(10);
    int frames = 0;
    while (window->greetsFade > 0.0f && frames < 1000) {
        window->Render(101.0f, &fadeOut);
        ++frames;
    }
    EXPECT_EQ(frames, 101);
    EXPECT_EQ(window->particleDepth, 202.0);
    window->Render(102.0f, &fadeOut);
    EXPECT_EQ(window->particleDepth, 202.0) << "stops once the card is gone";
    EXPECT_EQ(window->particles->position.z, 132.0f);
}

TEST_F(Show, IntroFadesInAndTheSecondCardFollowsTheLastBeat)
{
    ASSERT_TRUE(InitFromSource());
    const PlayStatus start = At(0);
    window->Render(0.0f, &start);
    EXPECT_EQ(window->fade, 0.0f);
    EXPECT_TRUE(std::isinf(window->sphere->position.x) && window->sphere->position.x < 0);
    window->Render(1.5f, &start);
    EXPECT_EQ(window->fade, 0.5f);
    EXPECT_EQ(window->sphere->position.x, -17.0f - 20.0f / 1.5f);

    const PlayStatus second = At(1, 1);
    window->Render(10.0f, &second);
    EXPECT_EQ(window->fade, 1.0f - 1.0f / 10.0f);

    // A second pass through the intro uses the beat time the faces scene wrote last.
    const PlayStatus faces = At(5, 0);
    window->Render(50.0f, &faces);
    window->fade = 0.5f;
    window->Render(52.0f, &second);
    EXPECT_EQ(window->fade, 0.5f);
}

TEST_F(Show, HammersSwingAndDrift)
{
    ASSERT_TRUE(InitFromSource());
    const PlayStatus hammers = At(3);
    const float t = 0.3f;
    window->Render(t, &hammers);
    const float s = static_cast<float>(std::sin(static_cast<double>(4.0f * t)));
    const float c = static_cast<float>(std::sin(static_cast<double>(6.0f * t)));
    EXPECT_EQ(window->hammer1->rotation.y, 40.0f * s);
    EXPECT_EQ(window->hammer2->rotation.y, -40.0f * s);
    EXPECT_EQ(window->hammerPair->position.x, std::fabs(s));
    EXPECT_EQ(window->nail->position.x, -17.0f + std::fabs(c) / 2.0f);
    EXPECT_EQ(window->nail->position.y, 2.0f * c);
    window->Render(t, &hammers);
    EXPECT_EQ(window->hammerPair->position.x, std::fabs(s) + std::fabs(s)) << "drift is per frame";
    EXPECT_GT(CountPixelsNot(0, 0, 0), kWidth * kHeight / 2) << "the brick wall fills the frame";
}

} // namespace
