// brimt/progressline.h -- the capture's progress on stderr: frames done, rate, time left.
#pragma once

#include <chrono>
#include <cstdint>

// On a terminal the line is rewritten in place (at most four times a second); otherwise a plain line
// is written every five seconds. Done() writes the last line: frames, seconds, frames per second.
class ProgressLine {
public:
    explicit ProgressLine(std::int64_t expectedFrames);
    void Update(std::int64_t done);
    void Done(std::int64_t done);

private:
    using Clock = std::chrono::steady_clock;
    void Show(std::int64_t done, Clock::time_point now, bool last);

    std::int64_t total;
    bool terminal;
    Clock::time_point started;
    Clock::time_point lastShown;
};
