// tools/stills/stills.cpp -- plays the whole show offscreen, frame by frame in step with the real song,
// writes stills of chosen moments as PNG images and one contact sheet of them all (to look at, not
// committed), and reports the dead screen: how long the picture stands still.
//
// Usage: stills [OUTPUT_DIR] [FPS] [LAST_POSITION]   (run from the folder that holds DATA/; default
// stills/, 60 and 11: the whole show)
// The song is rendered silently with libopenmpt; each frame reads its position and row, as the
// program's loop does, and hands them to the show with the time since the music started. Every frame
// is read back at 1024 x 768 and compared with the one before (deadtime.h).
#include <GL/gl.h>
#include <SDL.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "brimt/demowindow.h"
#include "contactsheet.h"
#include "deadtime.h"
#include "png.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kSampleRate = 48000;

struct Moment {
    const char* name;
    // True on the first frame that shows this moment; given the status, the frame's time, the
    // number of frames already drawn at this song position and at this row.
    std::function<bool(const PlayStatus&, float, int, int)> when;
    bool taken = false;
};

// The frame just drawn, as GL keeps it: RGB rows from the bottom up.
void ReadFrame(std::vector<unsigned char>& pixels)
{
    pixels.resize(static_cast<std::size_t>(kWidth) * kHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
}

// The frame turned into a picture with its rows from the top, as PNG wants them.
contactsheet::Picture TopDown(const std::vector<unsigned char>& pixels)
{
    const std::size_t row = static_cast<std::size_t>(kWidth) * 3;
    contactsheet::Picture picture{kWidth, kHeight, std::vector<unsigned char>(pixels.size())};
    for (int y = 0; y < kHeight; ++y) {
        std::copy_n(&pixels[static_cast<std::size_t>(kHeight - 1 - y) * row], row,
                    &picture.rgb[static_cast<std::size_t>(y) * row]);
    }
    return picture;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // progress shows as it comes
    const std::string outDir = argc > 1 ? argv[1] : "stills";
    const int fps = argc > 2 ? std::atoi(argv[2]) : 60;
    // Stops once the song has left this position (for a quick look at the first scenes).
    const std::uint32_t lastWanted = argc > 3 ? static_cast<std::uint32_t>(std::atoi(argv[3])) : 11u;
    if (fps <= 0 || fps > kSampleRate) {
        std::cerr << "usage: stills [OUTPUT_DIR] [FPS] [LAST_POSITION]\n";
        return 2;
    }
    std::filesystem::create_directories(outDir);

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::cerr << "stills: no video: " << SDL_GetError() << '\n';
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* sdlWindow =
        SDL_CreateWindow("stills", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = sdlWindow != nullptr ? SDL_GL_CreateContext(sdlWindow) : nullptr;
    if (context == nullptr) {
        std::cerr << "stills: no GL context: " << SDL_GetError() << '\n';
        return 1;
    }

    auto show = std::make_unique<DemoWindow>();
    show->Resize(kWidth, kHeight);
    if (!show->Init()) {
        std::cerr << "stills: the show's data did not load (run from the folder holding DATA/)\n";
        return 1;
    }

    std::ifstream songFile(show->musicFile, std::ios::binary);
    openmpt::module song(songFile);
    song.set_repeat_count(-1);

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
        // The hammers scene by its own clock: the nail alone, the grid coming in, across, leaving.
        {"04-hammers-nail", [&](S, float, int, int) { return since(2) >= 1.0f; }},
        {"05-hammers-entering", [&](S, float, int, int) { return since(2) >= 2.7f; }},
        {"06-hammers-grid", [&](S, float, int, int) { return since(2) >= 4.5f; }},
        {"07-hammers-grid-later", [&](S, float, int, int) { return since(2) >= 7.0f; }},
        {"08-hammers-leaving", [&](S, float, int, int) { return since(2) >= 9.0f; }},
        {"09-face-on-beat",
         [](S s, float, int n, int) { return s.songPosition == 5 && s.row == 8 && n > 0; }},
        {"10-face-after-beat",
         [](S s, float, int n, int) { return s.songPosition == 5 && s.row == 9 && n > 0; }},
        {"11-face-position-6",
         [](S s, float, int n, int) { return s.songPosition == 6 && s.row == 17 && n > 0; }},
        {"12-greetings", [](S s, float, int n, int) { return s.songPosition == 7 && n == 60; }},
        {"13-greetings-later", [](S s, float, int n, int) { return s.songPosition == 9 && n == 60; }},
        {"14-fly-past-start", [](S s, float, int n, int) { return s.songPosition == 10 && n == 20; }},
        {"15-fly-past-near", [](S s, float, int n, int) { return s.songPosition == 10 && n == 50; }},
        {"16-fly-past-end", [](S s, float, int n, int) { return s.songPosition == 10 && n == 90; }},
        {"17-empty-position-11", [](S s, float, int n, int) { return s.songPosition == 11 && n == 5; }},
    };

    PlayStatus status;
    float time = 0.0f;
    std::uint32_t lastPosition = 0;
    std::uint32_t lastRow = 0;
    int framesAtPosition = 0;
    int framesAtRow = 0;
    const int samplesPerFrame = kSampleRate / fps;
    std::vector<float> scratch(static_cast<std::size_t>(samplesPerFrame) * 2);
    long long samples = 0;
    std::vector<unsigned char> pixels;
    deadtime::Meter meter(kWidth, kHeight, fps);
    std::vector<contactsheet::Still> sheet;
    for (int frame = 0; frame < fps * 600; ++frame) {
        if (status.songPosition != lastPosition || frame == 0) {
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
        show->Render(time, &status);
        if (status.songPosition >= 12 || status.songPosition > lastWanted) {
            break; // the show has asked to quit and drawn nothing, or we have seen enough
        }
        ReadFrame(pixels);
        meter.AddFrame(pixels.data(), deadtime::SongPlace{time, status.songPosition, status.row});
        for (Moment& m : moments) {
            if (!m.taken && m.when(status, time, framesAtPosition, framesAtRow)) {
                m.taken = true;
                const std::string path = outDir + "/" + m.name + ".png";
                contactsheet::Picture picture = TopDown(pixels);
                if (!WritePng(path, picture.width, picture.height, picture.rgb)) {
                    std::cerr << "stills: cannot write " << path << '\n';
                    return 1;
                }
                std::printf("%s  t=%.2f s  position %u row %u\n", path.c_str(), static_cast<double>(time),
                            status.songPosition, status.row);
                char caption[64];
                std::snprintf(caption, sizeof caption, "%.2s  t=%.2fs  p%u r%u", m.name,
                              static_cast<double>(time), status.songPosition, status.row);
                sheet.push_back({std::move(picture), caption});
            }
        }
        SDL_GL_SwapWindow(sdlWindow);
        ++framesAtPosition;
        ++framesAtRow;

        // The song moves on by one frame's worth of samples; the status is read after it.
        song.read_interleaved_stereo(kSampleRate, static_cast<std::size_t>(samplesPerFrame), scratch.data());
        samples += samplesPerFrame;
        status.songPosition = static_cast<std::uint32_t>(song.get_current_order());
        status.pattern = static_cast<std::uint32_t>(song.get_current_pattern());
        status.row = static_cast<std::uint32_t>(song.get_current_row());
        time = static_cast<float>(static_cast<double>(samples) / kSampleRate);
    }
    std::printf("show ended at t=%.2f s (position %u)\n", static_cast<double>(time), status.songPosition);

    const std::string sheetPath = outDir + "/contact-sheet.png";
    const contactsheet::Picture contact = contactsheet::Make(sheet, 4, 256);
    if (!WritePng(sheetPath, contact.width, contact.height, contact.rgb)) {
        std::cerr << "stills: cannot write " << sheetPath << '\n';
        return 1;
    }
    std::printf("%s  %zu stills\n", sheetPath.c_str(), sheet.size());
    deadtime::Print(meter.Result(), std::cout);

    show->Release();
    show.reset();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(sdlWindow);
    SDL_Quit();
    return 0;
}
