// brimt/demowindow.h -- the show: the window that owns every asset of the demo and draws its four scenes.
#pragma once

#include <array>
#include <cstdint>
#include <future>
#include <memory>
#include <string>

#include "glarve/glarve.h"
#include "glwindow.h"

// 60 Hz steps from show time `previous` to `now` (seconds). The movements that go by steps (drifts,
// spikes, pulses, the fly-past) were timed for a 60 Hz display, one step a frame; this is how many of
// those frames the time between two frames holds: (now - previous) * 60 in double, snapped to the
// nearest whole number when the rounding of the two float times could explain the difference, so that
// frames at k / 60 seconds take exactly one step each. 0 when `now` is not later than `previous`.
double StepsBetween(float previous, float now);

// The concrete OpenGL window of the program. Init builds every texture, model, group, renderer and the
// text object in a fixed order; Release frees them in a fixed order; Render picks a scene from the
// song's position and draws it. Between Init and Release the scenes only move things.
class DemoWindow : public GLWindow {
public:
    // Default display settings: 1024 x 768, 32 bits per pixel, full screen.
    DemoWindow();
    // Frees whatever Init built and Release did not (a failed Init), while the GL context is current.
    ~DemoWindow() override;

    // Sets the show's fixed GL state, names the music file and builds every asset from `dataFolder`.
    // Returns false at the first file that fails to load; nothing after it is built.
    bool Init() override;
    // Frees every asset in the show's fixed order. Always true.
    bool Release() override;
    // Clears the frame and draws the scene of the song's position; at positions 12 to 255 asks the
    // program to quit instead. `time` in seconds since the music started. The stepped movements take
    // the 60 Hz steps since the previous frame's time (StepsBetween); the first frame after Init takes
    // one, as every frame did at 60 Hz. Always true.
    bool Render(float time, const PlayStatus* status) override;

    // The folder that holds the show's files: DATA in the working directory unless told otherwise.
    std::string dataFolder = "DATA";

    // Members, in the show's order. Owned unless marked otherwise.
    std::unique_ptr<TextObject> creditText;
    float beatTime = 0.0f; // seconds: the last beat row's time in the faces scene
    std::unique_ptr<FlatRenderer> creditRenderer;
    std::unique_ptr<Texture> presentTexture;
    std::unique_ptr<Texture> toolboxTexture;
    float fade = 0.0f; // intro alpha; pulse level of the faces scene
    std::unique_ptr<MeshObject> sphere;
    float spikeCount = 0.0f; // 0 to 100 in steps of 20
    std::unique_ptr<ObjectGroup> hammer1;
    std::unique_ptr<ObjectGroup> hammer2;
    std::unique_ptr<ObjectGroup> hammerPair;
    std::unique_ptr<ObjectGroup> hammerGrid;
    std::unique_ptr<Texture> metalTexture;
    std::unique_ptr<Texture> plateTexture;
    std::unique_ptr<Texture> brickTexture;
    std::unique_ptr<TextureRenderer> handleRenderer;
    std::unique_ptr<TextureRenderer> headRenderer;
    std::unique_ptr<MeshObject> nail;
    std::unique_ptr<Texture> greetsTexture;
    std::unique_ptr<MeshObject> particles;
    std::unique_ptr<SpriteRenderer> particleRenderer;
    std::unique_ptr<Texture> particleTexture;
    float greetsFade = 0.0f;
    std::array<std::unique_ptr<Texture>, 6> faceTextures;
    std::array<Texture*, 6> faceCycle{}; // not owned: repeats faceTextures
    std::int32_t faceIndex = 0;
    std::int32_t lastBeatRow = -1; // -1: no beat row yet
    double particleDepth = 0.0;    // model units the cloud has moved towards the viewer
    float stepTime = 0.0f;         // seconds: the show time the stepped movements have reached
    bool stepped = false;          // false until the first frame after Init

    // The scenes, called by Render only. `steps`: 60 Hz steps since the previous frame (fractions
    // and several at once included).
    void DrawIntro(float time, const PlayStatus* status, double steps);
    void DrawHammers(float time, const PlayStatus* status, double steps);
    void DrawFaces(float time, const PlayStatus* status, double steps);
    void DrawGreets(float time, const PlayStatus* status, double steps);

    static constexpr int kCellCount = 25;

private:
    // Objects that no member above holds: reachable only through the groups or the sphere.
    std::unique_ptr<MeshObject> handleObject;
    std::unique_ptr<MeshObject> headObject;
    std::array<std::unique_ptr<ObjectGroup>, kCellCount> cells;
    std::unique_ptr<WireRenderer> sphereRenderer;

    // Moves the intro's spikes `steps` 60 Hz steps out from the sphere (`outwards`) or back, no further
    // than five steps out or back to the sphere.
    void StepSpikes(double steps, bool outwards);
    // The path of the show's file `name` in dataFolder.
    std::string DataFile(const char* name) const;
    // Frees everything built so far, in the release order; safe on a partly built show.
    void FreeAssets();
    // A new texture loaded from a JPEG image decoded elsewhere (waits for it); null when it did not
    // decode.
    static std::unique_ptr<Texture> LoadTexture(std::future<JpegImage>& decode);
    // A new mesh object loaded from an ASC file; null when the object does not load.
    static std::unique_ptr<MeshObject> LoadModel(const char* fileName, const char* objectName);
};
