// tools/stills/stills.cpp -- plays the whole show offscreen, frame by frame in step with the real song,
// writes stills of chosen moments as PNG images and one contact sheet of them all (to look at, not
// committed), and reports the dead screen: how long the picture stands still.
//
// Usage: stills [OUTPUT_DIR] [FPS] [LAST_POSITION]   (run from the folder that holds DATA/; default
// stills/, 60 and 11: the whole show)
// The show runs through the program's own offline capture (brimt/capture.h): its loop, window and
// scenes, frame k at k / fps seconds with the song rendered in step. Every frame is read back and
// compared with the one before (deadtime.h).
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "brimt/capture.h"
#include "contactsheet.h"
#include "deadtime.h"
#include "platform/png.h"

namespace {

struct Moment {
    const char* name;
    // True on the first frame that shows this moment; given the status, the frame's time, the
    // number of frames already drawn at this song position and at this row.
    std::function<bool(const PlayStatus&, float, int, int)> when;
    bool taken = false;
};

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // progress shows as it comes
    const std::string outDir = argc > 1 ? argv[1] : "stills";
    const int fps = argc > 2 ? std::atoi(argv[2]) : 60;
    // Stops once the song has left this position (for a quick look at the first scenes).
    const std::uint32_t lastWanted = argc > 3 ? static_cast<std::uint32_t>(std::atoi(argv[3])) : 11u;
    int width = 1024, height = 768;
    if (argc > 4 && (std::sscanf(argv[4], "%dx%d", &width, &height) != 2 || width < 16 || height < 16 ||
                     width > 4096 || height > 4096)) {
        width = 0;
    }
    if (fps <= 0 || fps > 1000 || width == 0) {
        std::cerr << "usage: stills [OUTPUT_DIR] [FPS] [LAST_POSITION] [WIDTHxHEIGHT]\n";
        return 2;
    }
    std::filesystem::create_directories(outDir);

    // Frame counts below assume the default 60 frames per second (a display's usual refresh rate).
    // `since(p)` is the time since position p started (negative before).
    std::array<float, 256> positionStart;
    positionStart.fill(1e9f);
    float now = 0.0f;
    const auto since = [&](std::uint32_t p) { return now - positionStart[p]; };
    using S = const PlayStatus&;
    std::vector<Moment> moments = {
        {"01-present-fading-in", [](S s, float t, int, int) { return s.songPosition == 0 && t >= 2.0f; }},
        {"02-toolbox-card", [](S s, float, int n, int) { return s.songPosition == 1 && n == 60; }},
        // The spikes grow over the first five frames of a row that is a multiple of 8.
        {"03-sphere-spikes",
         [](S s, float, int n, int k) { return s.songPosition == 1 && s.row % 8 == 0 && k == 6 && n > 120; }},
        // The hammers scene by its own clock: the first strikes, the grid coming in, across, leaving.
        {"04-hammers-first-beat", [&](S, float, int, int) { return since(2) >= 0.4f; }},
        {"05-hammers-entering", [&](S, float, int, int) { return since(2) >= 1.6f; }},
        {"06-hammers-strike-the-nail", [&](S, float, int, int) { return since(2) >= 3.14f; }},
        {"07-hammers-grid-later", [&](S, float, int, int) { return since(2) >= 6.2f; }},
        {"08-hammers-leaving", [&](S, float, int, int) { return since(2) >= 8.3f; }},
        {"09-face-on-beat",
         [](S s, float, int n, int) { return s.songPosition == 5 && s.row == 8 && n > 0; }},
        // A beat row and the one after it last about 0.3 s together: two rows after a beat row the
        // face's pulse is at its height.
        {"10-face-after-beat",
         [](S s, float, int n, int) { return s.songPosition == 5 && s.row == 10 && n > 0; }},
        {"11-face-position-6",
         [](S s, float, int n, int) { return s.songPosition == 6 && s.row == 18 && n > 0; }},
        // Each bar of the greetings starts with the cloud facing the viewer; half a bar later it is
        // turned edge on.
        {"12-greetings-facing", [](S s, float, int n, int) { return s.songPosition == 7 && n == 6; }},
        {"13-greetings-edge-on", [](S s, float, int n, int) { return s.songPosition == 8 && n == 68; }},
        {"14-greetings-later", [](S s, float, int n, int) { return s.songPosition == 9 && n == 30; }},
        {"15-fly-past-start", [](S s, float, int n, int) { return s.songPosition == 10 && n == 15; }},
        {"16-fly-past-near", [](S s, float, int n, int) { return s.songPosition == 10 && n == 32; }},
        {"17-fly-past-end", [](S s, float, int n, int) { return s.songPosition == 10 && n == 48; }},
        {"18-empty-position-11", [](S s, float, int n, int) { return s.songPosition == 11 && n == 5; }},
    };

    std::uint32_t lastPosition = 0;
    std::uint32_t lastRow = 0;
    int framesAtPosition = 0;
    int framesAtRow = 0;
    float lastTime = 0.0f;
    std::uint32_t endPosition = 0;
    bool failed = false;
    deadtime::Meter meter(width, height, fps);
    std::vector<contactsheet::Still> sheet;
    CaptureSettings settings;
    settings.width = width;
    settings.height = height;
    settings.fps = fps;
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        const PlayStatus& status = frame.status;
        const float time = frame.time;
        lastTime = time;
        endPosition = status.songPosition;
        if (status.songPosition >= 12 || status.songPosition > lastWanted) {
            return false; // the show has asked to quit and drawn nothing, or we have seen enough
        }
        if (status.songPosition != lastPosition || frame.index == 0) {
            lastPosition = status.songPosition;
            framesAtPosition = 0;
            if (status.songPosition < positionStart.size())
                positionStart[status.songPosition] = std::min(positionStart[status.songPosition], time);
        }
        now = time;
        if (status.row != lastRow || framesAtPosition == 0) {
            lastRow = status.row;
            framesAtRow = 0;
        }
        meter.AddFrame(frame.rgb, deadtime::SongPlace{time, status.songPosition, status.row});
        for (Moment& m : moments) {
            if (!m.taken && m.when(status, time, framesAtPosition, framesAtRow)) {
                m.taken = true;
                const std::string path = outDir + "/" + m.name + ".png";
                contactsheet::Picture picture{
                    width, height,
                    std::vector<unsigned char>(frame.rgb,
                                               frame.rgb + static_cast<std::size_t>(width) * height * 3)};
                if (!WritePngFile(path, picture.width, picture.height, picture.rgb.data())) {
                    std::cerr << "stills: cannot write " << path << '\n';
                    failed = true;
                    return false;
                }
                std::printf("%s  t=%.2f s  position %u row %u\n", path.c_str(), static_cast<double>(time),
                            status.songPosition, status.row);
                char caption[64];
                std::snprintf(caption, sizeof caption, "%.2s  t=%.2fs  p%u r%u", m.name,
                              static_cast<double>(time), status.songPosition, status.row);
                sheet.push_back({std::move(picture), caption});
            }
        }
        ++framesAtPosition;
        ++framesAtRow;
        return true;
    });
    if (result != 0) {
        std::cerr << "stills: the show did not run (failure " << result
                  << "; run from the folder holding DATA/)\n";
        return 1;
    }
    if (failed) return 1;
    std::printf("show ended at t=%.2f s (position %u)\n", static_cast<double>(lastTime), endPosition);

    const std::string sheetPath = outDir + "/contact-sheet.png";
    const contactsheet::Picture contact = contactsheet::Make(sheet, 4, 256);
    if (!WritePngFile(sheetPath, contact.width, contact.height, contact.rgb.data())) {
        std::cerr << "stills: cannot write " << sheetPath << '\n';
        return 1;
    }
    std::printf("%s  %zu stills\n", sheetPath.c_str(), sheet.size());
    deadtime::Print(meter.Result(), std::cout);
    deadtime::PrintMotion(meter.Result(), std::cout);

    return 0;
}
