// tools/stills/deadtime.h -- dead screen and motion: the stretches of a replayed show in which the
// picture stands still or nearly so, and how much of it moves at each song position, measured frame
// against frame.
//
// A pixel changes when it differs from the same pixel of the frame before by more than
// kChangeThreshold in any of red, green or blue. A frame is dead when fewer than kDeadFraction of its
// pixels change, quiet when fewer than kQuietFraction do (the eye finds little to follow). The meter takes
// plain 8-bit RGB buffers of one fixed size (row order does not matter, both frames only have to share it)
// and the song's place at each frame, so it works with any way of drawing and reading the show back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <vector>

namespace deadtime {

constexpr int kChangeThreshold = 6;      // out of 255, in one channel
constexpr double kDeadFraction = 0.005;  // of the picture's pixels
constexpr double kQuietFraction = 0.02;  // of the picture's pixels
constexpr double kReportedStretch = 1.0; // seconds: longer dead or quiet stretches are listed one by one

// The share of pixels (0 to 1) that differ by more than `threshold` in a channel between `a` and `b`,
// both `pixels` * 3 bytes of RGB.
double ChangedFraction(const unsigned char* a, const unsigned char* b, std::size_t pixels,
                       int threshold = kChangeThreshold);

// Where a frame stands in the song.
struct SongPlace {
    double seconds = 0.0; // since the music started
    std::uint32_t position = 0;
    std::uint32_t row = 0;
};

// A run of consecutive dead frames.
struct Stretch {
    int firstFrame = 0;
    int frames = 0;
    SongPlace start; // of its first frame
};

struct Report {
    int frames = 0;      // frames looked at
    int deadFrames = 0;  // of those, dead
    int quietFrames = 0; // of those, quiet (dead ones included)
    double fps = 60.0;
    std::vector<Stretch> stretches;          // every dead stretch, in show order
    std::vector<Stretch> quietStretches;     // every quiet stretch, in show order
    std::map<std::uint32_t, int> framesAt;   // frames looked at, by song position
    std::map<std::uint32_t, int> deadAt;     // dead frames, by song position
    std::map<std::uint32_t, int> quietAt;    // quiet frames, by song position
    std::map<std::uint32_t, double> movedAt; // sum over the frames of the share of pixels changed

    double Seconds(int frameCount) const { return frameCount / fps; }
    double DeadShare() const { return frames > 0 ? static_cast<double>(deadFrames) / frames : 0.0; }
    double QuietShare() const { return frames > 0 ? static_cast<double>(quietFrames) / frames : 0.0; }
    // The longest dead stretch in seconds (0 when there is none).
    double LongestStretch() const;
    // The longest quiet stretch in seconds (0 when there is none).
    double LongestQuietStretch() const;
    // The mean share of pixels changed per frame at `position` (0 when it was not seen).
    double MeanMotion(std::uint32_t position) const;
};

// Writes the figures: total dead time, its share of the show, the longest stretch, every stretch
// longer than kReportedStretch with its start time and song position, and the dead time at each
// song position.
void Print(const Report& report, std::ostream& out);

// Writes the motion report: the quiet frames' total, share and longest stretch, every quiet stretch
// longer than kReportedStretch, and for each song position the mean share of pixels changed per
// frame and the quiet time.
void PrintMotion(const Report& report, std::ostream& out);

class Meter {
public:
    // Frames of `width` x `height` pixels, `fps` of them a second.
    Meter(int width, int height, double fps);

    // The next frame of the show: width * height * 3 bytes of RGB. The first frame has nothing to
    // differ from and counts as live.
    void AddFrame(const unsigned char* rgb, const SongPlace& place);

    const Report& Result() const { return report; }

private:
    std::size_t pixels;
    std::vector<unsigned char> previous;
    bool havePrevious = false;
    bool inStretch = false;
    bool inQuietStretch = false;
    Report report;
};

} // namespace deadtime
