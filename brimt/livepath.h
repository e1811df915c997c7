// brimt/livepath.h -- the live run's frame path: the counter and the song tell the time, a swap presents.
#pragma once

#include "framepath.h"

#include <cstdint>

// The run's clock: seconds from `start` to `now` for a counter of `frequency` counts per second. The
// difference is taken in 64-bit integers, divided in double precision and rounded once to float.
float ClockSeconds(std::int64_t start, std::int64_t now, std::int64_t frequency);

// Time from the high-resolution counter (read once at Start for its origin, once per frame after),
// status from the music library (what is heard now).
class LiveSource : public FrameSource {
public:
    void Start(MusicLibrary& music, PlayHandle play) override;
    void Next(PlayStatus* status, float* time) override;
    void Stop() override {}

private:
    MusicLibrary* music = nullptr;
    PlayHandle play = 0;
    std::int64_t frequency = 1; // counts per second
    std::int64_t start = 0;     // counter value at Start
};

// Presents with a buffer swap, paced by the display and, when asked, by a frame-rate cap.
class LiveSink : public FrameSink {
public:
    // `maxFrameRate` caps the frames presented per second (0: as fast as the display presents).
    explicit LiveSink(int maxFrameRate = 0);

    void Present(SurfaceHandle surface) override;
    void Stop() override {}

private:
    int maxFrameRate;
    std::int64_t frequency = 0; // counts per second; read at the first Present
    std::int64_t nextFrame = 0; // counter value before which no frame is presented (with a cap)
};
