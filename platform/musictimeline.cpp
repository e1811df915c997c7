// platform/musictimeline.cpp -- status snapshots keyed by rendered frame, and the heard-frame clock.
#include "musictimeline.h"

#include <algorithm>
#include <cmath>

void PlayTimeline::Reset(const PlayStatus& startStatus)
{
    first = 0;
    count = 0;
    start = startStatus;
    anchored = false;
    frozen = false;
    anchorTime = 0.0;
    anchorFrame = 0;
    anchorLimit = 0;
    lastHeard = 0;
}

void PlayTimeline::Record(std::int64_t frame, const PlayStatus& status)
{
    if (count > 0) {
        const Change& newest = changes[static_cast<std::size_t>((first + count - 1) % kCapacity)];
        frame = std::max(frame, newest.frame);
    }
    if (count == kCapacity) {
        first = (first + 1) % kCapacity; // drop the oldest: it is long past
        --count;
    }
    changes[static_cast<std::size_t>((first + count) % kCapacity)] = Change{frame, status};
    ++count;
}

void PlayTimeline::Anchor(double now, std::int64_t heard, std::int64_t limit)
{
    anchored = true;
    frozen = false;
    anchorTime = now;
    anchorFrame = heard;
    anchorLimit = limit;
}

void PlayTimeline::Freeze(double now, double frameRate)
{
    if (!anchored) return;
    lastHeard = HeardFrame(now, frameRate);
    frozen = true;
}

std::int64_t PlayTimeline::HeardFrame(double now, double frameRate)
{
    if (!anchored || frozen) return lastHeard;
    const double elapsed = std::max(0.0, now - anchorTime);
    const double ahead = std::floor(elapsed * frameRate);
    std::int64_t heard = anchorFrame + static_cast<std::int64_t>(std::min(ahead, 1e15));
    heard = std::min(heard, anchorLimit);
    heard = std::max(heard, lastHeard); // a late render call must not take the song back
    lastHeard = heard;
    return heard;
}

PlayStatus PlayTimeline::StatusAt(std::int64_t frame) const
{
    // Newest first: the frame asked for is nearly always close to the newest change.
    for (int i = count - 1; i >= 0; --i) {
        const Change& c = changes[static_cast<std::size_t>((first + i) % kCapacity)];
        if (c.frame <= frame) return c.status;
    }
    return start;
}
