// brimt/capturepath.h -- the capture's frame path: frame times and the song in step, pixels read back.
//
// CaptureShow (capture.h) runs the show with these two; tests may drive them on their own.
//   CaptureSource  frame k at k / fps seconds; the song rendered to that time before the frame is drawn;
//                  each frame's time, status and sound kept until the sink takes it.
//   CaptureSink    each frame read back through a pixel buffer (several in flight), then handed to the
//                  observer with what the source kept for it; asks the loop to end (a quit request)
//                  once it takes no more frames.
#pragma once

#include "capture.h"
#include "framepath.h"

#include <cstdint>
#include <deque>
#include <vector>

class CaptureSource : public FrameSource {
public:
    CaptureSource(SongRenderer& song, int fps);

    // Frame 0 is at 0 s with an all-zero status; `music` is not read (the song renderer is).
    void Start(MusicLibrary& music, PlayHandle play) override;
    // Renders the song on to the next frame's first sample: its sound is this frame's, its status the
    // next frame's.
    void Next(PlayStatus* status, float* time) override;
    void Stop() override {}

    // The frame being drawn now: 0 after Start, one more after each Next.
    std::int64_t Frame() const { return frame; }
    // Fills index, time, status and sound (audio, audioFrames) of frame `index` into *out; false when
    // that frame is not kept (taken already, or its sound not yet rendered: Next has not passed it).
    // Frames are taken in order; what comes before `index` is dropped. The sound pointer stays valid
    // until the next Take or Next.
    bool Take(std::int64_t index, CapturedFrame* out);

private:
    struct Given {
        std::int64_t index;
        float time;
        PlayStatus status;
    };
    SongRenderer& song;
    int fps;
    std::int64_t frame = 0;
    std::deque<Given> given;  // what each frame not yet taken was given, oldest first
    std::vector<float> audio; // rendered sound not yet dropped, from sample audioStart on
    std::int64_t audioStart = 0;
};

class CaptureSink : public FrameSink {
public:
    static constexpr int kFramesInFlight = 3; // read-backs queued before the oldest is waited for

    // Frames of settings.width x settings.height; at most settings.frameLimit of them (0: no limit).
    CaptureSink(const CaptureSettings& settings, CaptureSource& source, const FrameObserver& observer);
    ~CaptureSink() override;
    CaptureSink(const CaptureSink&) = delete;
    CaptureSink& operator=(const CaptureSink&) = delete;

    // Queues the read-back of the frame and presents it; hands over the oldest frame in flight first
    // when the queue is full. After frameLimit frames, or once the observer said stop, asks the loop
    // to end (once) and hands nothing more over.
    void Present(SurfaceHandle surface) override;
    // Hands over the frames still in flight and frees the pixel buffers.
    void Stop() override;

    std::int64_t FramesPresented() const { return presented; }
    std::int64_t FramesHandedOver() const { return handedOver; }

private:
    struct Slot {
        unsigned int buffer = 0; // GL pixel buffer object
        std::int64_t index = 0;
    };
    void Prepare();
    void HandOverOldest();

    CaptureSettings settings;
    CaptureSource& source;
    FrameObserver observer;
    std::vector<Slot> slots; // ring of kFramesInFlight read-backs; made at the first Present
    std::int64_t presented = 0;
    std::int64_t handedOver = 0;
    int inFlight = 0;
    bool stopped = false; // the observer said stop: nothing more is handed over
    bool quitPosted = false;
    std::vector<unsigned char> rgb; // one frame, rows from the top
};
