// tests/demowindow_test.cpp -- the show on a real GL context with the real DATA: what Init builds and
// Release frees, failures part-way, the scene dispatch, the state the scenes carry between frames, and
// the stepped movements at 60 frames a second and at other rates.
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

// The time of frame `k` of a film at `fps` frames a second, as the capture gives it.
float FrameTime(std::int64_t k, int fps = 60)
{
    return static_cast<float>(static_cast<double>(k) / fps);
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
    std::int64_t k = 300; // 60 fps frames from 5 s on
    for (int frame = 0; frame < 6; ++frame) {
        window->Render(FrameTime(k++), &beat);
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
        window->Render(FrameTime(k++), &offBeat);
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
    window->Render(30.0f + 6.0f / 60.0f, &beat); // however long the frame, a beat frame holds it at 0.2
    EXPECT_FLOAT_EQ(window->fade, 0.2f);
    const float beatTime = window->beatTime;
    const PlayStatus after = At(5, 5);
    window->Render(beatTime + 1.0f / 60.0f, &after); // within 0.3 s of the beat: grows a step
    EXPECT_FLOAT_EQ(window->fade, 0.4f);
    window->Render(beatTime + 0.5f, &after); // later: falls, by as many steps as the frame took
    EXPECT_NEAR(window->fade, 0.4f - 0.2f * (0.5f - 1.0f / 60.0f) * 60.0f, 1e-4f);
    const float fallen = window->fade;
    EXPECT_LE(fallen, 0.0f);
    window->Render(beatTime + 0.6f, &after);
    EXPECT_EQ(window->fade, fallen) << "nothing moves once it has fallen";
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
    std::int64_t k = 6001; // the 60 fps frame after 100 s
    while (window->greetsFade > 0.0f && frames < 1000) {
        window->Render(FrameTime(k++), &fadeOut);
        ++frames;
    }
    EXPECT_EQ(frames, 101);
    EXPECT_EQ(window->particleDepth, 202.0);
    window->Render(FrameTime(k++), &fadeOut);
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
    EXPECT_GT(CountPixelsNot(0, 0, 0), kWidth * kHeight / 2) << "the brick wall fills the frame";

    // A drift step is one 60 Hz frame's: a frame at the same time adds nothing, one 60 Hz frame later
    // adds a step, one 2.5 frames after that two and a half.
    window->Render(t, &hammers);
    EXPECT_EQ(window->hammerPair->position.x, std::fabs(s));
    const float t1 = t + 1.0f / 60.0f;
    window->Render(t1, &hammers);
    const float s1 = static_cast<float>(std::sin(static_cast<double>(4.0f * t1)));
    EXPECT_EQ(window->hammerPair->position.x, std::fabs(s) + std::fabs(s1));
    const float t2 = t1 + 2.5f / 60.0f;
    window->Render(t2, &hammers);
    const float s2 = static_cast<float>(std::sin(static_cast<double>(4.0f * t2)));
    EXPECT_NEAR(window->hammerPair->position.x, std::fabs(s) + std::fabs(s1) + 2.5f * std::fabs(s2), 1e-4f);
}

// --- The stepped movements: one step per 60 Hz frame, any frame rate ---

TEST(StepsBetween, FramesAtSixtyASecondTakeOneStepEachAndOtherRatesTheirShare)
{
    // Ten minutes of frames at each rate, times as the capture gives them (k / fps rounded to float):
    // whole step counts come out exactly, the others as their share, and no rate drifts.
    constexpr int kSeconds = 600;
    for (int fps : {24, 30, 60, 120, 144, 165}) {
        SCOPED_TRACE(std::to_string(fps) + " fps");
        const double share = 60.0 / fps;
        const bool whole = share == std::round(share);
        int off = 0;
        double total = 0.0;
        for (std::int64_t k = 0; k < std::int64_t{kSeconds} * fps; ++k) {
            const float now = FrameTime(k + 1, fps);
            const double steps = StepsBetween(FrameTime(k, fps), now);
            total += steps;
            // A float time is within 2^-24 of itself off the time meant.
            const double rounding = 60.0 * 2.0 * std::ldexp(static_cast<double>(now), -24);
            if (whole ? steps != share : std::fabs(steps - share) > rounding) {
                if (++off == 1) ADD_FAILURE() << "frame " << k << " takes " << steps << " steps";
            }
        }
        EXPECT_EQ(off, 0);
        EXPECT_NEAR(total, 60.0 * kSeconds, 1e-6);
    }
}

TEST(StepsBetween, NoneForAFrameAtTheSameTimeOrEarlierAndManyForASlowOne)
{
    const struct {
        float previous, now;
        double steps;
    } cases[] = {
        {0.0f, 0.0f, 0.0},
        {10.0f, 10.0f, 0.0},
        {10.0f, 9.0f, 0.0},
        {0.0f, 1.0f / 60.0f, 1.0},
        {10.0f, 20.0f, 600.0},
        {10.0f, 10.0f + 2.5f / 60.0f, 2.5},
        {5.0f, 5.0f + 0.0125f, 0.75}, // between whole steps: left as it is, not snapped
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(StepsBetween(c.previous, c.now), c.steps, 1e-4) << c.previous << " to " << c.now;
        if (c.steps == std::round(c.steps)) {
            EXPECT_EQ(StepsBetween(c.previous, c.now), c.steps) << c.previous << " to " << c.now;
        }
    }
}

// The stepped movements as the show defined them when every frame was a 60 Hz step, written out apart
// from the show: what it must still do at 60 frames a second, bit for bit.
struct SixtyHertzSteps {
    float pairX = 0.0f;
    float nailX = -17.0f;
    float fade = 0.0f;
    float beatTime = 0.0f;
    float spikeCount = 0.0f;
    Vec3 spike;     // vertex 0 of the sphere
    Vec3 spikeLast; // vertex 380
    float greetsFade = 1.0f;
    double particleDepth = 0.0;

    void Frame(float t, const PlayStatus& status)
    {
        const std::uint32_t p = status.songPosition;
        const std::uint32_t r = status.row;
        if (p <= 1) {
            if (p == 0 && fade < 1.0f) fade = t / 3.0f;
            if (p >= 1) {
                if (fade > 0.0f) fade = 1.0f - 1.0f / (t - beatTime);
                if (r % 8 == 0) {
                    if (spikeCount < 100.0f) {
                        spike *= 1.05f;
                        spikeLast *= 1.05f;
                        for (int k = 0; k < 20; ++k)
                            spikeCount += 1.0f;
                    }
                } else if (spikeCount > 0.0f) {
                    spike /= 1.05f;
                    spikeLast /= 1.05f;
                    for (int k = 0; k < 20; ++k)
                        spikeCount -= 1.0f;
                }
            }
        } else if (p <= 4) {
            pairX += std::fabs(static_cast<float>(std::sin(static_cast<double>(4.0f * t))));
            nailX += std::fabs(static_cast<float>(std::sin(static_cast<double>(6.0f * t)))) / 2.0f;
        } else if (p <= 6) {
            if (r % 4 == 0) {
                beatTime = t;
                fade = 0.0f;
            }
            if (static_cast<double>(t - beatTime) < 0.3) {
                fade += 0.2f;
            } else if (fade > 0.0f) {
                fade -= 0.2f;
            }
        } else if (p <= 10) {
            if (p > 9 && greetsFade > 0.0f) {
                greetsFade = static_cast<float>(static_cast<double>(greetsFade) - 0.01);
                particleDepth += 2.0;
            }
        }
    }
};

TEST_F(Show, AtSixtyFramesASecondEveryFrameIsOneStepBitForBit)
{
    ASSERT_TRUE(InitFromSource());
    SixtyHertzSteps expected;
    expected.spike = window->sphere->mesh->GetVertices()[0];
    expected.spikeLast = window->sphere->mesh->GetVertices()[380];

    // One run of 60 fps frames through every stepped movement, from 63 s on: the times cross 64 s,
    // where the spacing of floats doubles.
    struct Stretch {
        std::uint32_t position;
        std::uint32_t row;
        int frames;
    };
    const Stretch script[] = {
        // The intro, then the spikes five steps out, back, out and back.
        {0, 0, 3},
        {1, 8, 7},
        {1, 9, 7},
        {1, 16, 3},
        {1, 17, 4},
        // The hammers' and the nail's drift.
        {2, 0, 30},
        {3, 5, 200},
        {4, 1, 20},
        // The pulse: up, over the top, down, gone, and again.
        {5, 4, 3},
        {5, 5, 15},
        {5, 6, 10},
        {5, 8, 1},
        {5, 9, 40},
        {6, 0, 2},
        {6, 1, 8},
        // The fly-past to its end.
        {9, 0, 5},
        {10, 0, 120},
        {11, 0, 3},
    };
    std::int64_t k = 63 * 60;
    int fadeOutFrames = 0;
    for (const Stretch& stretch : script) {
        const PlayStatus status = At(stretch.position, stretch.row);
        for (int frame = 0; frame < stretch.frames; ++frame, ++k) {
            SCOPED_TRACE("frame " + std::to_string(k) + " at position " + std::to_string(stretch.position));
            const float t = FrameTime(k);
            const float fadeBefore = expected.greetsFade;
            expected.Frame(t, status);
            fadeOutFrames += expected.greetsFade != fadeBefore ? 1 : 0;
            window->Render(t, &status);
            ASSERT_EQ(window->hammerPair->position.x, expected.pairX);
            ASSERT_EQ(window->nail->position.x, expected.nailX);
            ASSERT_EQ(window->fade, expected.fade);
            ASSERT_EQ(window->spikeCount, expected.spikeCount);
            const Vec3* v = window->sphere->mesh->GetVertices();
            ASSERT_TRUE(v[0].x == expected.spike.x && v[0].y == expected.spike.y &&
                        v[0].z == expected.spike.z);
            ASSERT_TRUE(v[380].x == expected.spikeLast.x && v[380].z == expected.spikeLast.z);
            ASSERT_EQ(window->greetsFade, expected.greetsFade);
            ASSERT_EQ(window->particleDepth, expected.particleDepth);
        }
    }
    EXPECT_EQ(fadeOutFrames, 101);
    EXPECT_EQ(window->particleDepth, 202.0);
    EXPECT_GT(expected.pairX, 100.0f) << "the script drifted the hammers";
}

// However the frames fall, many a step or many steps a frame, the spikes go five steps out and back to
// the sphere and no further, and the fly-past stops at 202 with the card where the 60 Hz show leaves it.
TEST_F(Show, AtAnyRateTheSteppedMovementsStopWhereTheSixtyHertzShowStops)
{
    ASSERT_TRUE(InitFromSource());
    const Vec3 start = window->sphere->mesh->GetVertices()[0];
    Vec3 out = start;
    for (int step = 0; step < 5; ++step) {
        out *= 1.05f;
    }
    float cardLeft = 1.0f; // the card's last alpha at 60 Hz, just below 0
    while (cardLeft > 0.0f) {
        cardLeft = static_cast<float>(static_cast<double>(cardLeft) - 0.01);
    }
    auto near = [](const Vec3& a, const Vec3& b) {
        return std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) <= 1e-4f * std::fabs(b.x);
    };

    for (int fps : {144, 24, 7}) {
        SCOPED_TRACE(std::to_string(fps) + " fps");
        window = std::make_unique<DemoWindow>();
        window->Resize(kWidth, kHeight);
        ASSERT_TRUE(InitFromSource());
        const Vec3* v = window->sphere->mesh->GetVertices();
        // One second in each stretch, from 10 s on.
        std::int64_t k = 10 * fps;
        auto second = [&](const PlayStatus& status, const std::function<void()>& check) {
            for (const std::int64_t end = k + fps; k < end; ++k) {
                window->Render(FrameTime(k, fps), &status);
                check();
            }
        };
        second(At(1, 8), [&] { EXPECT_LE(window->spikeCount, 100.0f); });
        EXPECT_NEAR(window->spikeCount, 100.0f, 1e-3f);
        EXPECT_TRUE(near(v[0], out)) << v[0].x << " against " << out.x;
        second(At(1, 9), [&] { EXPECT_GE(window->spikeCount, -1e-3f); });
        EXPECT_NEAR(window->spikeCount, 0.0f, 1e-3f);
        EXPECT_TRUE(near(v[0], start)) << v[0].x << " against " << start.x;

        for (int s = 0; s < 2; ++s) { // the fly-past takes 101 / 60 s
            second(At(10), [&] { EXPECT_LE(window->particleDepth, 202.0); });
        }
        EXPECT_EQ(window->particleDepth, 202.0);
        EXPECT_NEAR(window->greetsFade, cardLeft, 1e-5f);
    }
}

} // namespace
