// brimt/frameclock.h -- when the loop's frames happen: the clock that presents them and tells the time.
//
// The loop (brimt.h) takes its time through a FrameClock: Start() just before the song starts, then
// on every idle pass Present() after the frame was drawn (or skipped) and Seconds() after the play
// status was read; Stop() once the loop is over, while the GL context is still current.
//   LiveClock    the real run: presents with a buffer swap, paced by the display (and, when asked, by
//                a frame-rate cap); the time is the high-resolution counter's.
//   CaptureClock (capture.h) the film: frame k is at k / fps seconds exactly, whatever it costs.
#pragma once

#include "platform/surface.h"

#include <cstdint>

class FrameClock {
public:
    virtual ~FrameClock() = default;
    // The clock starts: Seconds() is 0 from here until the first Present.
    virtual void Start() = 0;
    // The frame just drawn into the back buffer (or, while the window is inactive, not drawn) is
    // presented on `surface`.
    virtual void Present(SurfaceHandle surface) = 0;
    // Seconds since Start, for the next frame.
    virtual float Seconds() = 0;
    // The loop is over; the GL context is still current.
    virtual void Stop() = 0;
};

// The run's clock: seconds from `start` to `now` for a counter of `frequency` counts per second. The
// difference is taken in 64-bit integers, divided in double precision and rounded once to float.
float ClockSeconds(std::int64_t start, std::int64_t now, std::int64_t frequency);

class LiveClock : public FrameClock {
public:
    // `maxFrameRate` caps the frames presented per second (0: as fast as the display presents).
    explicit LiveClock(int maxFrameRate = 0);

    void Start() override;
    void Present(SurfaceHandle surface) override;
    float Seconds() override;
    void Stop() override {}

private:
    int maxFrameRate;
    std::int64_t frequency = 1; // counts per second
    std::int64_t start = 0;     // counter value at Start
    std::int64_t nextFrame = 0; // counter value before which no frame is presented (with a cap)
};
