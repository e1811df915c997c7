// brimt/demowindow.cpp -- the show's assets (built in Init, freed in Release) and its four scenes.
#include "demowindow.h"

#include <GL/gl.h>   // Required for: the fixed GL state, glClear(), glPushMatrix()
#include <algorithm> // Required for: std::min()
#include <cmath>     // Required for: sin(), in double precision, fabs(), pow(), round(), nextafter()
#include <future>    // Required for: std::async(), the image decodes on worker threads
#include <limits>    // Required for: std::numeric_limits, the float spacing of a time

#include "platform/app.h"        // Required for: PostQuitRequest()
#include "platform/background.h" // Required for: BackgroundLaunch(), threads where there are some

namespace {

// Scene numbers from the song's order-list position.
constexpr std::uint32_t kLastIntroPosition = 1;
constexpr std::uint32_t kLastHammersPosition = 4;
constexpr std::uint32_t kLastFacesPosition = 6;
constexpr std::uint32_t kLastGreetsPosition = 10;
constexpr std::uint32_t kEmptyPosition = 11;
constexpr std::uint32_t kFirstQuitPosition = 12;
constexpr std::uint32_t kLastQuitPosition = 255;

// The stepped movements were timed for a 60 Hz display: one step a frame there.
constexpr double kStepsPerSecond = 60.0;

// The intro's spikes: every 20th vertex of the sphere, 20 of them, scaled by 1.05 a step, at most five
// steps out (spikeCount counts one per vertex and step).
constexpr int kSpikeStride = 20;
constexpr int kSpikeVertices = 20;
constexpr float kSpikeScale = 1.05f;
constexpr float kSpikeCountFull = 100.0f;

// Position 10's fly-past: the 60 Hz show fades the card by 0.01 a step while it is above 0, which
// takes 101 steps (the last leaves it just below 0), and brings the cloud 2 units nearer each step.
constexpr double kFlyPastStep = 2.0;                 // model units a step
constexpr double kFlyPastDepth = 101 * kFlyPastStep; // where the cloud stops

// The show's images, in the order Init uploads them.
enum Image {
    kPresent,
    kToolbox,
    kMetal,
    kPlate,
    kBrick,
    kFace1, // to kFace1 + 5
    kGreets = kFace1 + 6,
    kParticle,
    kImageCount
};
const char* const kImageFiles[kImageCount] = {
    "Present.JPG", "toolbox.JPG", "rusted_metal.JPG", "Plateox2.jpg", "brique.JPG",
    "face1.JPG",   "face2.JPG",   "face3.JPG",        "face4.JPG",    "face5.JPG",
    "face6.JPG",   "greets.JPG",  "particle.JPG"};

// "sprite T at (x, y, z), angle a, alpha": the sprite leaves its transform on the matrix.
void Sprite(Texture* texture, float x, float y, float z, float angle, float alpha)
{
    glPushMatrix();
    texture->DrawSprite(x, y, z, angle, alpha);
    glPopMatrix();
}

// The distance from `t` to the next float away from zero, in seconds.
double FloatSpacing(float t)
{
    const float magnitude = std::fabs(t);
    return static_cast<double>(std::nextafter(magnitude, std::numeric_limits<float>::infinity())) -
           static_cast<double>(magnitude);
}

} // namespace

double StepsBetween(float previous, float now)
{
    const double steps = (static_cast<double>(now) - static_cast<double>(previous)) * kStepsPerSecond;
    if (!(steps > 0.0)) {
        return 0.0;
    }
    // Each time is within half a float spacing of the time meant (k / 60 for a 60 fps film): a step
    // count that close to a whole number is that whole number.
    const double whole = std::round(steps);
    const double slack = kStepsPerSecond * (FloatSpacing(previous) + FloatSpacing(now));
    return std::fabs(steps - whole) <= slack ? whole : steps;
}

DemoWindow::DemoWindow() : GLWindow(1024, 768, 32, true)
{
}

DemoWindow::~DemoWindow()
{
    FreeAssets();
}

std::string DemoWindow::DataFile(const char* name) const
{
    return dataFolder + "/" + name;
}

std::unique_ptr<Texture> DemoWindow::LoadTexture(std::future<JpegImage>& decode)
{
    auto texture = std::make_unique<Texture>();
    if (!texture->LoadJpeg(decode.get())) {
        return nullptr;
    }
    return texture;
}

std::unique_ptr<MeshObject> DemoWindow::LoadModel(const char* fileName, const char* objectName)
{
    auto object = std::make_unique<MeshObject>();
    if (!object->Load(fileName, objectName)) {
        return nullptr;
    }
    return object;
}

bool DemoWindow::Init()
{
    // 1. The fixed GL state. No light source: lighting on with none makes lit drawing black, and every
    //    drawing operation switches lighting off for itself.
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glEnable(GL_LIGHTING);

    // Every image is decoded on a worker thread of its own from here on (where the platform has
    // threads; else when it is waited for), while this thread builds the text and the models; each
    // upload below waits for its image and stays in its place in the order.
    // (Leaving early waits for the decodes still running: a future from std::async joins its thread.)
    std::array<std::future<JpegImage>, kImageCount> images;
    for (int k = 0; k < kImageCount; ++k) {
        images[static_cast<std::size_t>(k)] =
            std::async(BackgroundLaunch(),
                       [file = DataFile(kImageFiles[k])] { return Texture::ReadJpeg(file.c_str(), false); });
    }
    auto image = [&images](int k) -> std::future<JpegImage>& { return images[static_cast<std::size_t>(k)]; };

    // 2. The music, loaded by the caller once the music library is up.
    musicFile = DataFile("Pkfloyd.xm");

    // 3-4. The credit text: built and freed, drawn by no scene.
    creditText = std::make_unique<TextObject>();
    creditText->Create(GetSurface(), "Courier New", true);
    creditText->SetText("Code & 3D Model");
    creditRenderer = std::make_unique<FlatRenderer>();
    creditRenderer->colour = Color4(1.0f, 1.0f, 1.0f, 0.0f);
    creditText->renderer = creditRenderer.get();
    creditText->position.y = 2.0f;

    // 5. Textures and models of the intro and hammers scenes.
    if (!(presentTexture = LoadTexture(image(kPresent)))) return false;
    if (!(toolboxTexture = LoadTexture(image(kToolbox)))) return false;
    if (!(sphere = LoadModel(DataFile("test.ASC").c_str(), "sphere"))) return false;
    sphere->mesh->Centre(); // the spikes scale vertices about the sphere's centre
    sphereRenderer = std::make_unique<WireRenderer>();
    sphere->renderer = sphereRenderer.get();
    sphere->position.x = -40.0f;
    if (!(metalTexture = LoadTexture(image(kMetal)))) return false;
    if (!(plateTexture = LoadTexture(image(kPlate)))) return false;
    if (!(brickTexture = LoadTexture(image(kBrick)))) return false;
    handleRenderer = std::make_unique<TextureRenderer>();
    handleRenderer->texture = metalTexture.get();
    headRenderer = std::make_unique<TextureRenderer>();
    headRenderer->texture = plateTexture.get();
    if (!(handleObject = LoadModel(DataFile("marto.ASC").c_str(), "manche"))) return false;
    handleObject->renderer = handleRenderer.get();
    if (!(headObject = LoadModel(DataFile("marto.ASC").c_str(), "Tete"))) return false;
    headObject->renderer = headRenderer.get();

    // 6. Two hammers sharing one handle and one head, a pair of them, and a 5 x 5 grid of cells that
    //    all show the same pair.
    hammer1 = std::make_unique<ObjectGroup>();
    hammer1->AddTail(handleObject.get());
    hammer1->AddTail(headObject.get());
    hammer2 = std::make_unique<ObjectGroup>();
    hammer2->AddTail(handleObject.get());
    hammer2->AddTail(headObject.get());
    hammer1->position.z = 0.0f;
    hammer1->rotation.x = -90.0f;
    hammer2->position.z = -5.0f;
    hammer2->rotation.x = -90.0f;
    hammerPair = std::make_unique<ObjectGroup>();
    hammerPair->AddTail(hammer1.get());
    hammerPair->AddTail(hammer2.get());
    hammerGrid = std::make_unique<ObjectGroup>();
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            auto& cell = cells[static_cast<std::size_t>(i * 5 + j)];
            cell = std::make_unique<ObjectGroup>();
            cell->AddTail(hammerPair.get());
            cell->position.z = static_cast<float>(-20 * i);
            cell->position.x = static_cast<float>(42 * j);
            hammerGrid->AddTail(cell.get());
        }
    }

    // 7. The nail, textured like the hammer heads.
    if (!(nail = LoadModel(DataFile("clou.ASC").c_str(), "clou"))) return false;
    nail->renderer = headRenderer.get();
    nail->position.x = -17.0f;

    // 8-9. The faces and the cycle through them.
    for (std::size_t k = 0; k < faceTextures.size(); ++k) {
        if (!(faceTextures[k] = LoadTexture(image(kFace1 + static_cast<int>(k))))) return false;
    }
    for (std::size_t k = 0; k < faceCycle.size(); ++k) {
        faceCycle[k] = faceTextures[k].get();
    }
    faceIndex = 0;
    lastBeatRow = -1;

    // 10-13. The greetings card and the particle cloud, a glow sprite at every vertex.
    if (!(greetsTexture = LoadTexture(image(kGreets)))) return false;
    if (!(particles = LoadModel(DataFile("trucmuch.ASC").c_str(), "trucmuch"))) return false;
    if (!(particleTexture = LoadTexture(image(kParticle)))) return false;
    particleRenderer = std::make_unique<SpriteRenderer>();
    particleRenderer->texture = particleTexture.get();
    particleRenderer->colour.a = 0.15f;
    particles->renderer = particleRenderer.get();

    // 14. Scene state.
    greetsFade = 1.0f;
    particleDepth = 0.0;
    fade = 0.0f;
    beatTime = 0.0f;
    spikeCount = 0.0f;
    stepTime = 0.0f;
    stepped = false;
    return true;
}

bool DemoWindow::Release()
{
    FreeAssets();
    return true;
}

void DemoWindow::FreeAssets()
{
    creditRenderer.reset();
    creditText.reset();
    presentTexture.reset();
    toolboxTexture.reset();
    brickTexture.reset();
    // Emptying a group deletes nothing it holds: the handle and head sit in both hammers, the pair in
    // all 25 cells. Each is freed once, after every group holding it is emptied.
    for (auto* group : {&hammer1, &hammer2, &hammerPair}) {
        if (*group) {
            (*group)->RemoveAll();
            group->reset();
        }
    }
    handleObject.reset();
    headObject.reset();
    metalTexture.reset();
    plateTexture.reset();
    headRenderer.reset();
    handleRenderer.reset();
    if (hammerGrid) {
        hammerGrid->RemoveAll();
        hammerGrid.reset();
    }
    for (auto& cell : cells) {
        cell.reset();
    }
    nail.reset();
    for (auto& face : faceTextures) {
        face.reset();
    }
    faceCycle.fill(nullptr);
    greetsTexture.reset();
    particles.reset();
    particleRenderer.reset();
    particleTexture.reset();
    sphere.reset();
    sphereRenderer.reset();
}

bool DemoWindow::Render(float time, const PlayStatus* status)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    // The stepped movements follow show time, as a 60 Hz display showed them, whatever the frame rate.
    // The first frame has no previous one: it takes one step, as it did at 60 Hz (the show's first
    // frame is at the song's start, where nothing moves by steps).
    const double steps = stepped ? StepsBetween(stepTime, time) : 1.0;
    stepTime = time;
    stepped = true;

    const std::uint32_t p = status->songPosition;
    if (p <= kLastIntroPosition) {
        DrawIntro(time, status, steps);
    } else if (p <= kLastHammersPosition) {
        DrawHammers(time, status, steps);
    } else if (p <= kLastFacesPosition) {
        DrawFaces(time, status, steps);
    } else if (p <= kLastGreetsPosition) {
        DrawGreets(time, status, steps);
    } else if (p == kEmptyPosition) {
        // the cleared frame only
    } else if (p >= kFirstQuitPosition && p <= kLastQuitPosition) {
        PostQuitRequest(0); // the song's end: the loop ends when it takes the request
    }

    glFlush();
    return true;
}

void DemoWindow::DrawIntro(float time, const PlayStatus* status, double steps)
{
    const std::uint32_t p = status->songPosition;
    const std::uint32_t r = status->row;

    // The first card fades in over 3 s while the sphere slides in from the left. At t = 0 the sphere
    // is at minus infinity for one frame, and invisible since fade is 0.
    if (p == 0 && fade < 1.0f) {
        fade = time / 3.0f;
        sphere->position.x = -17.0f - 20.0f / time;
    }
    if (fade > 0.0f) {
        Sprite(presentTexture.get(), 0.0f, 0.0f, -0.95f, 0.0f, fade);
    }

    if (p >= 1) {
        if (fade > 0.0f) {
            fade = 1.0f - 1.0f / (time - beatTime);
        }
        Sprite(toolboxTexture.get(), 0.0f, 0.0f, -0.95f, 0.0f, fade);

        // Spikes: out on rows that are multiples of 8, back on the others.
        StepSpikes(steps, r % 8 == 0);
    }

    glPushMatrix();
    sphere->renderer->colour = Color4(0.0f, 1.0f, 1.0f, fade);
    sphere->position.y = -11.0f;
    sphere->position.z = -80.0f;
    sphere->rotation.x = sphere->rotation.y = sphere->rotation.z = -80.0f * time;
    sphere->Draw();
    glPopMatrix();
}

void DemoWindow::StepSpikes(double steps, bool outwards)
{
    // Five steps out at most, and never back past the sphere: the count says how far they are.
    const double room = (outwards ? kSpikeCountFull - spikeCount : spikeCount) / kSpikeVertices;
    Vec3* vertices = sphere->mesh->GetVertices();
    const int vertexCount = sphere->mesh->GetVertexCount();
    // Whole steps scale by 1.05 each, as a 60 Hz frame did; a part of a step by the matching power.
    for (double left = std::min(steps, room); left > 0.0; left -= 1.0) {
        const double part = std::min(left, 1.0);
        const float scale =
            part == 1.0 ? kSpikeScale : static_cast<float>(std::pow(static_cast<double>(kSpikeScale), part));
        const float count = static_cast<float>(part);
        for (int k = 0; k < kSpikeVertices; ++k) {
            if (kSpikeStride * k < vertexCount) {
                if (outwards) {
                    vertices[kSpikeStride * k] *= scale;
                } else {
                    vertices[kSpikeStride * k] /= scale;
                }
            }
            spikeCount += outwards ? count : -count;
        }
    }
    // Parts of steps add up with rounding: the end of the way is held exactly.
    if (steps >= room) {
        spikeCount = outwards ? kSpikeCountFull : 0.0f;
    }
}

void DemoWindow::DrawHammers(float time, const PlayStatus* /*status*/, double steps)
{
    Sprite(brickTexture.get(), 0.0f, 0.0f, -0.9f, 0.0f, 1.0f);

    // All 25 cells show the same pair: its hammers swing in opposite directions, and the pair drifts
    // in +x by |s| a step.
    const float s = static_cast<float>(std::sin(static_cast<double>(4.0f * time)));
    hammer1->rotation.y = 40.0f * s;
    hammer2->rotation.y = -40.0f * s;
    hammerPair->position.x += static_cast<float>(steps) * std::fabs(s);

    glPushMatrix();
    hammerGrid->position = Vec3(-300.0f, 5.0f, -30.0f);
    hammerGrid->rotation.x = 15.0f;
    hammerGrid->Draw();
    glPopMatrix();

    // The nail drifts by |c| / 2 a step; its bob and turn are set after the draw and so show on the
    // next frame.
    const float c = static_cast<float>(std::sin(static_cast<double>(6.0f * time)));
    glPushMatrix();
    nail->position.z = -30.0f;
    nail->rotation.x = -90.0f;
    nail->position.x += static_cast<float>(steps) * (std::fabs(c) / 2.0f);
    nail->Draw();
    nail->rotation.y = -20.0f * c;
    nail->position.y = 2.0f * c;
    glPopMatrix();
}

void DemoWindow::DrawFaces(float time, const PlayStatus* status, double steps)
{
    const std::uint32_t r = status->row;
    const bool beat = r % 4 == 0;

    // A beat row restarts the pulse; the first frame of each beat row advances the face.
    if (beat) {
        beatTime = time;
        fade = 0.0f;
        if (static_cast<std::uint32_t>(lastBeatRow) != r) {
            faceIndex += 1;
            if (faceIndex == 6) {
                faceIndex = 0;
            }
            lastBeatRow = static_cast<std::int32_t>(r);
        }
    }
    // The pulse grows for 0.3 s after the beat, then falls, by 0.2 a step. A beat frame holds it at one
    // step's height, as each frame of a beat row did at 60 Hz, however long since the last frame.
    const float pulseStep = 0.2f * static_cast<float>(beat ? 1.0 : steps);
    if (static_cast<double>(time - beatTime) < 0.3) {
        fade += pulseStep;
    } else if (fade > 0.0f) {
        fade -= pulseStep;
    }

    // Teal from the next frame's clear on; nothing sets it back.
    glClearColor(0.0f, static_cast<float>(131.0 / 255.0), static_cast<float>(139.0 / 255.0), 1.0f);

    Sprite(faceCycle[static_cast<std::size_t>(faceIndex)], 0.0f, 0.0f, -5.0f, 20.0f * fade - 10.0f, fade);
}

void DemoWindow::DrawGreets(float time, const PlayStatus* status, double steps)
{
    Sprite(greetsTexture.get(), 0.0f, 0.0f, -0.9f, 0.0f, greetsFade);

    glPushMatrix();
    particles->position.z = static_cast<float>(particleDepth - 70.0);
    particles->rotation.x = particles->rotation.y = particles->rotation.z = -80.0f * time;
    particles->Draw();
    glPopMatrix();

    // Position 10: the card fades out by 0.01 a step while the cloud comes nearer, for the 101 steps the
    // 60 Hz show takes, and no further at any rate.
    if (status->songPosition > 9 && particleDepth < kFlyPastDepth) {
        const double depth = std::min(particleDepth + kFlyPastStep * steps, kFlyPastDepth);
        const double taken = (depth - particleDepth) / kFlyPastStep;
        greetsFade = static_cast<float>(static_cast<double>(greetsFade) - 0.01 * taken);
        particleDepth = depth;
    }
}
