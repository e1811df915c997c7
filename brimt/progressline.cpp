// brimt/progressline.cpp -- the progress line, in place on a terminal, plain lines in a log.
#include "progressline.h"

#include <unistd.h> // Required for: isatty()

#include <algorithm>
#include <cstdio>

ProgressLine::ProgressLine(std::int64_t expectedFrames)
    : total(expectedFrames), terminal(isatty(STDERR_FILENO) != 0), started(Clock::now()), lastShown(started)
{
}

void ProgressLine::Update(std::int64_t done)
{
    const Clock::time_point now = Clock::now();
    const double sinceShown = std::chrono::duration<double>(now - lastShown).count();
    if (sinceShown < (terminal ? 0.25 : 5.0)) return;
    lastShown = now;
    Show(done, now, false);
}

void ProgressLine::Done(std::int64_t done)
{
    Show(done, Clock::now(), true);
}

void ProgressLine::Show(std::int64_t done, Clock::time_point now, bool last)
{
    const double seconds = std::chrono::duration<double>(now - started).count();
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    const std::int64_t shownTotal = std::max(total, done);
    char line[160];
    if (last) {
        std::snprintf(line, sizeof line, "%lld frames in %.1f s, %.1f frames/s", static_cast<long long>(done),
                      seconds, rate);
    } else {
        const double left = rate > 0.0 ? static_cast<double>(shownTotal - done) / rate : 0.0;
        const int leftSeconds = static_cast<int>(left + 0.5);
        std::snprintf(line, sizeof line, "frame %lld of %lld, %.1f frames/s, %d:%02d left",
                      static_cast<long long>(done), static_cast<long long>(shownTotal), rate,
                      leftSeconds / 60, leftSeconds % 60);
    }
    if (terminal) {
        std::fprintf(stderr, "\r\033[Kbrimt: capture: %s%s", line, last ? "\n" : "");
    } else {
        std::fprintf(stderr, "brimt: capture: %s\n", line);
    }
    std::fflush(stderr);
}
