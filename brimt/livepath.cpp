// brimt/livepath.cpp -- the live source (performance counter, the song's status) and sink (buffer swap, cap).
#include "livepath.h"

#include "platform/app.h"

#include <algorithm> // Required for: std::max()
#include <chrono>
#include <thread> // Required for: std::this_thread::sleep_for() under a frame-rate cap

float ClockSeconds(std::int64_t start, std::int64_t now, std::int64_t frequency)
{
    const std::int64_t elapsed = now - start;
    return static_cast<float>(static_cast<double>(elapsed) / static_cast<double>(frequency));
}

void LiveSource::Start(MusicLibrary& library, PlayHandle playing)
{
    music = &library;
    play = playing;
    frequency = CounterFrequency();
    start = CounterNow();
}

void LiveSource::Next(PlayStatus* status, float* time)
{
    music->GetPlayStatus(play, status); // its result is not needed: a failed read leaves the last one
    *time = ClockSeconds(start, CounterNow(), frequency);
}

LiveSink::LiveSink(int cap) : maxFrameRate(cap)
{
}

void LiveSink::Present(SurfaceHandle surface)
{
    if (maxFrameRate > 0) {
        // Wait for this frame's slot; a late frame starts the count again from now, so a stall is
        // not followed by a burst of frames that catch up.
        const std::int64_t now = CounterNow();
        if (frequency == 0) {
            frequency = CounterFrequency();
            nextFrame = now;
        }
        if (now < nextFrame) {
            const double wait = static_cast<double>(nextFrame - now) / static_cast<double>(frequency);
            std::this_thread::sleep_for(std::chrono::duration<double>(wait));
        }
        nextFrame = std::max(nextFrame, now) + frequency / maxFrameRate;
    }
    PresentFrame(surface);
}
