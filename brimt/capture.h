// brimt/capture.h -- the show rendered offline, frame by frame, for a film or for tools that look at it.
//
// CaptureShow runs the program's own run (DemoApp, its frame step, DemoWindow and the four scenes)
// with its frame path swapped (capturepath.h): the source is a CaptureSource (frame k is at k / fps
// seconds exactly, however long it takes to draw, and the song, a SongRenderer, is rendered in step,
// so frame k sees the play status of k / fps seconds and the sound of each frame's span comes with
// it); the sink is a CaptureSink (frames read back through pixel buffer objects, several in flight,
// so the renderer does not wait for each read; the observer sees every frame in order, a few frames
// after it was drawn). The window is an offscreen one (SDL's offscreen video driver): no display and
// no sound card needed.
//
//     CaptureSettings settings;                    // 1280 x 960 at 60 fps, the whole show, DATA/
//     settings.width = 320;
//     settings.height = 240;
//     int result = CaptureShow(settings, [](const CapturedFrame& frame) {
//         // frame.index, frame.time, frame.status, frame.rgb, frame.audio ...
//         return true;                             // false: stop after this frame
//     });
//
// The same settings give the same frames and the same sound, bit for bit, every time.
#pragma once

#include "platform/music.h"
#include "platform/songrenderer.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CaptureSettings {
    int width = 1280; // pixels of every frame
    int height = 960;
    int fps = 60;                    // frames per second of show time
    std::int64_t frameLimit = 0;     // stop after this many frames; 0: the whole show, to its end
    std::string dataFolder = "DATA"; // where the show's files are
};

// One frame of the show, as the observer sees it. The pointers are valid during the call only.
struct CapturedFrame {
    std::int64_t index; // 0 for the first frame
    float time;         // seconds the show was given for it: index / fps, rounded once to float
    PlayStatus status;  // the play status the show was given (all zero for frame 0)
    int width;
    int height;
    const unsigned char* rgb; // width * height * 3 bytes, 8-bit RGB, rows from the top
    // The sound from this frame's time to the next one's: audioFrames stereo sample frames at
    // SongRenderer::kSampleRate, interleaved left/right floats. Frame k's sound starts at sample
    // floor(k * rate / fps), so the frames' pieces join without gap or overlap.
    const float* audio;
    std::size_t audioFrames;
};

// Called for every frame, in order. Returning false stops the capture after that frame: no later
// frame is handed over and the run ends as if quit.
using FrameObserver = std::function<bool(const CapturedFrame&)>;

// Runs the whole show offscreen at the settings' size and pace and hands each frame to `observer`.
// Returns the run's result: 0 once the show ended by itself (the song reached its end position), or
// frameLimit frames were taken, or the observer stopped it; N after failure N (1 to 6, the message on
// stderr). Sets SDL_VIDEODRIVER to "offscreen" for the process. Not reentrant: one capture at a time.
int CaptureShow(const CaptureSettings& settings, const FrameObserver& observer);

// The first sample frame of frame `index` at `fps` frames per second: floor(index * rate / fps).
std::int64_t FirstSampleOfFrame(std::int64_t index, int fps);
