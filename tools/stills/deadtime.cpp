// tools/stills/deadtime.cpp -- counts the frames in which the picture does not move or hardly moves,
// their runs, and how much moves at each song position.
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

namespace {

double Longest(const Report& report, const std::vector<Stretch>& runs)
{
    int longest = 0;
    for (const Stretch& s : runs)
        longest = std::max(longest, s.frames);
    return report.Seconds(longest);
}

// Adds a frame to the runs of frames that meet a test: `in` says whether the frame before did.
void Extend(std::vector<Stretch>& runs, bool& in, bool meets, int frame, const SongPlace& place)
{
    if (meets) {
        if (!in) runs.push_back(Stretch{frame, 0, place});
        ++runs.back().frames;
    }
    in = meets;
}

} // namespace

double Report::LongestStretch() const
{
    return Longest(*this, stretches);
}

double Report::LongestQuietStretch() const
{
    return Longest(*this, quietStretches);
}

double Report::MeanMotion(std::uint32_t position) const
{
    const auto seen = framesAt.find(position);
    const auto moved = movedAt.find(position);
    if (seen == framesAt.end() || moved == movedAt.end() || seen->second == 0) return 0.0;
    return moved->second / seen->second;
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

void PrintMotion(const Report& report, std::ostream& out)
{
    char line[200];
    std::snprintf(line, sizeof line,
                  "quiet screen: %.1f s of %.1f s (%.1f %%), longest stretch %.2f s "
                  "(frames with < %.0f %% of pixels changed by > %d/255)\n",
                  report.Seconds(report.quietFrames), report.Seconds(report.frames),
                  100.0 * report.QuietShare(), report.LongestQuietStretch(), 100.0 * kQuietFraction,
                  kChangeThreshold);
    out << line;
    for (const Stretch& s : report.quietStretches) {
        if (report.Seconds(s.frames) <= kReportedStretch) continue;
        std::snprintf(line, sizeof line, "  quiet from %6.2f s for %5.2f s   (position %u row %u)\n",
                      s.start.seconds, report.Seconds(s.frames), s.start.position, s.start.row);
        out << line;
    }
    out << "  motion by position (mean share of pixels changed per frame; quiet time):\n";
    for (const auto& [position, frames] : report.framesAt) {
        const auto quiet = report.quietAt.find(position);
        std::snprintf(line, sizeof line, "    %2u: %5.1f %%   quiet %.2f/%.2f s\n", position,
                      100.0 * report.MeanMotion(position),
                      report.Seconds(quiet != report.quietAt.end() ? quiet->second : 0),
                      report.Seconds(frames));
        out << line;
    }
}

Meter::Meter(int width, int height, double fps)
    : pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)), previous(pixels * 3)
{
    report.fps = fps;
}

void Meter::AddFrame(const unsigned char* rgb, const SongPlace& place)
{
    // The first frame has nothing to differ from: it counts as wholly changed.
    const double changed = havePrevious ? ChangedFraction(previous.data(), rgb, pixels) : 1.0;
    const bool dead = changed < kDeadFraction;
    const bool quiet = changed < kQuietFraction;
    std::copy_n(rgb, pixels * 3, previous.begin());
    havePrevious = true;
    ++report.framesAt[place.position];
    report.movedAt[place.position] += changed;
    if (dead) {
        ++report.deadFrames;
        ++report.deadAt[place.position];
    }
    if (quiet) {
        ++report.quietFrames;
        ++report.quietAt[place.position];
    }
    Extend(report.stretches, inStretch, dead, report.frames, place);
    Extend(report.quietStretches, inQuietStretch, quiet, report.frames, place);
    ++report.frames;
}

} // namespace deadtime
