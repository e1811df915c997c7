// brimt/frameclock.cpp -- the live clock: buffer swaps, the performance counter, an optional frame cap.
#include "frameclock.h"

#include "platform/app.h"

#include <algorithm> // Required for: std::max()
#include <chrono>
#include <thread> // Required for: std::this_thread::sleep_for() under a frame-rate cap

float ClockSeconds(std::int64_t start, std::int64_t now, std::int64_t frequency)
{
    const std::int64_t elapsed = now - start;
    return static_cast<float>(static_cast<double>(elapsed) / static_cast<double>(frequency));
}

LiveClock::LiveClock(int cap) : maxFrameRate(cap)
{
}

void LiveClock::Start()
{
    frequency = CounterFrequency();
    start = CounterNow();
    nextFrame = start;
}

void LiveClock::Present(SurfaceHandle surface)
{
    if (maxFrameRate > 0) {
        // Wait for this frame's slot; a late frame starts the count again from now, so a stall is
        // not followed by a burst of frames that catch up.
        const std::int64_t now = CounterNow();
        if (now < nextFrame) {
            const double wait = static_cast<double>(nextFrame - now) / static_cast<double>(frequency);
            std::this_thread::sleep_for(std::chrono::duration<double>(wait));
        }
        nextFrame = std::max(nextFrame, now) + frequency / maxFrameRate;
    }
    PresentFrame(surface);
}

float LiveClock::Seconds()
{
    return ClockSeconds(start, CounterNow(), frequency);
}
