// tools/stills/deadtime.cpp -- counts the frames in which the picture does not move, and their runs.
#include "deadtime.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace deadtime {

double ChangedFraction(const unsigned char* a, const unsigned char* b, std::size_t pixels, int threshold)
{
    if (pixels == 0) return 0.0;
    std::size_t changed = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned char* p = a + 3 * i;
        const unsigned char* q = b + 3 * i;
        if (std::abs(p[0] - q[0]) > threshold || std::abs(p[1] - q[1]) > threshold ||
            std::abs(p[2] - q[2]) > threshold) {
            ++changed;
        }
    }
    return static_cast<double>(changed) / static_cast<double>(pixels);
}

double Report::LongestStretch() const
{
    int longest = 0;
    for (const Stretch& s : stretches)
        longest = std::max(longest, s.frames);
    return Seconds(longest);
}

void Print(const Report& report, std::ostream& out)
{
    char line[200];
    std::snprintf(line, sizeof line,
                  "dead screen: %.1f s of %.1f s (%.1f %%), longest stretch %.1f s "
                  "(frames with < %.1f %% of pixels changed by > %d/255, at %.0f fps)\n",
                  report.Seconds(report.deadFrames), report.Seconds(report.frames),
                  100.0 * report.DeadShare(), report.LongestStretch(), 100.0 * kDeadFraction,
                  kChangeThreshold, report.fps);
    out << line;
    for (const Stretch& s : report.stretches) {
        if (report.Seconds(s.frames) <= kReportedStretch) continue;
        std::snprintf(line, sizeof line, "  dead from %6.2f s for %5.2f s   (position %u row %u)\n",
                      s.start.seconds, report.Seconds(s.frames), s.start.position, s.start.row);
        out << line;
    }
    out << "  dead time by position:";
    for (const auto& [position, frames] : report.framesAt) {
        const auto dead = report.deadAt.find(position);
        std::snprintf(line, sizeof line, " %u: %.1f/%.1f s", position,
                      report.Seconds(dead != report.deadAt.end() ? dead->second : 0), report.Seconds(frames));
        out << line;
        if (position % 6 == 5) out << "\n                       ";
    }
    out << '\n';
}

Meter::Meter(int width, int height, double fps)
    : pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)), previous(pixels * 3)
{
    report.fps = fps;
}

void Meter::AddFrame(const unsigned char* rgb, const SongPlace& place)
{
    const bool dead = havePrevious && ChangedFraction(previous.data(), rgb, pixels) < kDeadFraction;
    std::copy_n(rgb, pixels * 3, previous.begin());
    havePrevious = true;
    ++report.framesAt[place.position];
    if (dead) {
        ++report.deadFrames;
        ++report.deadAt[place.position];
        if (!inStretch) report.stretches.push_back(Stretch{report.frames, 0, place});
        ++report.stretches.back().frames;
    }
    inStretch = dead;
    ++report.frames;
}

} // namespace deadtime
