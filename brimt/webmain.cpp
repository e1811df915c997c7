// brimt/webmain.cpp -- the browser's host of the show: the page calls one frame step per animation frame.
//
// The run is the program's own (DemoApp and its window, Init, the scenes, Release) with the browser's
// source and sink: the time and status of a frame come from the audio clock (live) or from the frame's
// number (the test mode: frame k at k / 60 s with the song's status at that time, as the desktop's
// capture gives them); the sink leaves the frame to the browser, which shows the canvas once the
// animation-frame callback returns. The page (web/page.js) calls:
//   brimt_begin(width, height, testFrame)  the run up to the loop; -1 while the show runs, else its result
//   brimt_frame()                          one frame step; 0 once the show is over (brimt_result then)
//   brimt_test_frames(chunk)               up to `chunk` frames of the test mode; -1 while there are more
//   brimt_frame_status(field)              position, row, time (s) of the last frame drawn
#include <emscripten.h>

#include <cmath>
#include <memory>

#include "brimt.h"
#include "demowindow.h"
#include "framepath.h"
#include "platform/web/gl11.h"
#include "platform/web/music_web.h"

namespace {

constexpr int kTestFramesPerSecond = 60;

// A frame's time and play status as the page's clocks give them.
class WebFrameSource final : public FrameSource {
public:
    explicit WebFrameSource(WebMusicLibrary& musicLibrary) : music(musicLibrary) {}

    void Start(MusicLibrary& /*the same library*/, PlayHandle newPlay) override
    {
        play = newPlay;
        frame = 0;
    }

    void Next(PlayStatus* status, float* time) override
    {
        ++frame;
        if (testMode) {
            // Frame k at k / fps seconds, rounded once to float, and the status of its first sample.
            *time = static_cast<float>(static_cast<double>(frame) / kTestFramesPerSecond);
            const std::int64_t sample = frame * music.Timeline().Rate() / kTestFramesPerSecond;
            *status = music.StatusAtSample(sample);
        } else {
            music.GetPlayStatus(play, status);
            *time = static_cast<float>(music.HeardSeconds());
        }
        lastStatus = *status;
        lastTime = *time;
    }

    void Stop() override {}

    bool testMode = false;
    std::int64_t frame = 0; // the number of the frame Next gave the time for
    PlayStatus lastStatus{};
    float lastTime = 0.0f;

private:
    WebMusicLibrary& music;
    PlayHandle play = 0;
};

// The browser presents the canvas itself; the layer's batch only has to be sent.
class CanvasSink final : public FrameSink {
public:
    void Present(SurfaceHandle surface) override { PresentFrame(surface); }
    void Stop() override { WebGlFlush(); }
};

struct Run {
    WebMusicLibrary music;
    WebFrameSource source{music};
    CanvasSink sink;
    std::unique_ptr<DemoApp> app;
    bool running = false;
    int result = 0;
    std::int64_t testFrame = -1; // the frame the test mode stops at; -1: live
    PlayStatus drawnStatus{};    // what the last frame drawn was given
    float drawnTime = 0.0f;
};

Run* run = nullptr;

void Finish()
{
    run->result = run->app->EndShow();
    run->running = false;
    WebGlDiscardDrawing(false);
}

// One step; remembers what the frame drawn in it was given. A step that ends the show draws nothing
// (it only takes the quit), so the last frame drawn keeps its own status, not the song's after its end.
bool Step()
{
    const PlayStatus status = run->source.lastStatus;
    const float time = run->source.lastTime;
    if (!run->app->StepFrame()) {
        Finish();
        return false;
    }
    run->drawnStatus = status;
    run->drawnTime = time;
    return true;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE int brimt_begin(int width, int height, int testFrame)
{
    if (run != nullptr && run->running) return 1; // one show at a time
    delete run;
    run = new Run;
    run->testFrame = testFrame;
    run->source.testMode = testFrame >= 0;
    run->music.silent = testFrame >= 0;
    run->app = std::make_unique<DemoApp>(
        [width, height] {
            auto window = std::make_unique<DemoWindow>();
            window->width = width;
            window->height = height;
            window->fullScreen = false; // the page's full screen: the canvas keeps its size
            return window;
        },
        run->music);
    run->app->askSettings = false; // the page's start screen took the settings
    run->app->UseFrameSource(run->source);
    run->app->UseFrameSink(run->sink);
    // The test mode's frames before the one it shows are run without drawing: the scenes move on exactly
    // as drawn ones, and only the last frame's pixels are looked at.
    WebGlDiscardDrawing(testFrame > 0);
    const int begun = run->app->BeginShow();
    if (begun != DemoApp::kShowRunning) {
        run->result = begun;
        WebGlDiscardDrawing(false);
        return begun;
    }
    run->running = true;
    return DemoApp::kShowRunning;
}

EMSCRIPTEN_KEEPALIVE int brimt_frame()
{
    if (run == nullptr || !run->running) return 0;
    return Step() ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int brimt_test_frames(int chunk)
{
    if (run == nullptr) return 0;
    for (int k = 0; k < chunk && run->running; ++k) {
        const std::int64_t frame = run->source.frame; // the frame this step draws
        if (frame == run->testFrame) WebGlDiscardDrawing(false);
        if (!Step()) return static_cast<int>(frame); // the show ended before the frame asked for
        if (frame == run->testFrame) {
            Finish();
            return static_cast<int>(frame + 1);
        }
    }
    return run->running ? -1 : static_cast<int>(run->source.frame);
}

EMSCRIPTEN_KEEPALIVE int brimt_result()
{
    return run != nullptr ? run->result : 0;
}

EMSCRIPTEN_KEEPALIVE double brimt_frame_status(int field)
{
    if (run == nullptr) return 0.0;
    switch (field) {
    case 0:
        return run->drawnStatus.songPosition;
    case 1:
        return run->drawnStatus.row;
    default:
        return static_cast<double>(run->drawnTime);
    }
}

int main()
{
    return 0; // the page starts the show
}

} // extern "C"
