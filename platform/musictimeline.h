// platform/musictimeline.h -- which play status is being heard now: snapshots by rendered frame, less
// latency.
//
// The mixer runs ahead of the loudspeaker: when it renders frames [R, R + n) the device still holds
// earlier frames that nobody has heard yet. The renderer records the song's status at the frame where
// it changes and anchors the clock at every render call (the frame heard at that moment, and the last
// frame it may reach before the next call); a reader asks for the status at the frame heard now,
// interpolated in real time between render calls. Not thread-safe: the music library guards it.
#pragma once

#include <array>
#include <cstdint>

#include "music.h"

class PlayTimeline {
public:
    // A new song: nothing heard yet, `start` is its status from frame 0 on.
    void Reset(const PlayStatus& start);

    // The song's status from `frame` on (frames never go back; a frame before the last one recorded
    // is taken as that one). Keeps the newest kCapacity changes.
    void Record(std::int64_t frame, const PlayStatus& status);

    // At time `now` (seconds, any steady clock) the frame `heard` is being heard, and until the next
    // anchor the sound can go on at most to frame `limit` (what has been rendered and handed over).
    void Anchor(double now, std::int64_t heard, std::int64_t limit);

    // Playback paused at `now`: the heard frame stays where it is until the next Anchor.
    void Freeze(double now, double frameRate);

    // The frame heard at `now`: the last anchor advanced at `frameRate` frames per second, never
    // past the anchor's limit, never before 0 and never behind a frame already reported.
    std::int64_t HeardFrame(double now, double frameRate);

    // The status recorded for `frame` (the latest change at or before it; the start status before
    // any change, or when `frame` is older than every change kept).
    PlayStatus StatusAt(std::int64_t frame) const;

    static constexpr int kCapacity = 1024;

private:
    struct Change {
        std::int64_t frame;
        PlayStatus status;
    };
    std::array<Change, kCapacity> changes{}; // ring: the newest at (first + count - 1) % kCapacity
    int first = 0;
    int count = 0;
    PlayStatus start{};

    bool anchored = false;
    bool frozen = false;
    double anchorTime = 0.0;
    std::int64_t anchorFrame = 0;
    std::int64_t anchorLimit = 0;
    std::int64_t lastHeard = 0;
};
