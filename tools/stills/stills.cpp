// tools/stills/stills.cpp -- plays the whole show offscreen, frame by frame in step with the real song,
// and writes stills of chosen moments as PNG images (a contact sheet to look at, not committed).
//
// Usage: stills [OUTPUT_DIR] [FPS]   (run from the folder that holds DATA/; default stills/ and 60)
// The song is rendered silently with libopenmpt; each frame reads its position and row, as the
// program's loop does, and hands them to the show with the time since the music started.
#include <GL/gl.h>
#include <SDL.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "brimt/demowindow.h"
#include "png.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
constexpr int kSampleRate = 48000;

struct Moment {
    const char* name;
    // True on the first frame that shows this moment; given the status, the frame's time and the
    // number of frames already drawn at this song position.
    std::function<bool(const PlayStatus&, float, int)> when;
    bool taken = false;
};

bool WriteStill(const std::string& path)
{
    const std::size_t row = static_cast<std::size_t>(kWidth) * 3;
    std::vector<unsigned char> pixels(row * kHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    std::vector<unsigned char> topDown(pixels.size()); // GL rows run bottom-up, PNG rows top-down
    for (int y = 0; y < kHeight; ++y) {
        std::copy_n(&pixels[static_cast<std::size_t>(kHeight - 1 - y) * row], row,
                    &topDown[static_cast<std::size_t>(y) * row]);
    }
    return WritePng(path, kWidth, kHeight, topDown);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string outDir = argc > 1 ? argv[1] : "stills";
    const int fps = argc > 2 ? std::atoi(argv[2]) : 60;
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
    // The hammer grid drifts by a fixed step a frame: at 60 fps it is in sight from about 2.5 s to 9 s
    // after position 2 starts, and positions 2 to 4 last 5 s each, so the grid is caught at 6 s and 8 s
    // (1 s and 3 s into position 3).
    std::vector<Moment> moments = {
        {"01-present-fading-in",
         [](const PlayStatus& s, float t, int) { return s.songPosition == 0 && t >= 2.0f; }},
        {"02-toolbox-card", [](const PlayStatus& s, float, int n) { return s.songPosition == 1 && n == 60; }},
        {"03-sphere-spikes",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 1 && s.row % 8 == 4 && n > 120; }},
        {"04-hammers-nail", [](const PlayStatus& s, float, int n) { return s.songPosition == 2 && n == 60; }},
        {"05-hammers-entering",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 2 && n == 240; }},
        {"06-hammers-grid", [](const PlayStatus& s, float, int n) { return s.songPosition == 3 && n == 60; }},
        {"07-hammers-leaving",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 3 && n == 180; }},
        {"08-face-on-beat",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 5 && s.row == 8 && n > 0; }},
        {"09-face-after-beat",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 5 && s.row == 9 && n > 0; }},
        {"10-face-position-6",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 6 && s.row == 17 && n > 0; }},
        {"11-greetings", [](const PlayStatus& s, float, int n) { return s.songPosition == 7 && n == 60; }},
        {"12-greetings-later",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 9 && n == 60; }},
        {"13-fly-past-start",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 10 && n == 20; }},
        {"14-fly-past-near",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 10 && n == 50; }},
        {"15-fly-past-end",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 10 && n == 90; }},
        {"16-empty-position-11",
         [](const PlayStatus& s, float, int n) { return s.songPosition == 11 && n == 5; }},
    };

    PlayStatus status;
    float time = 0.0f;
    std::uint32_t lastPosition = 0;
    int framesAtPosition = 0;
    const int samplesPerFrame = kSampleRate / fps;
    std::vector<float> scratch(static_cast<std::size_t>(samplesPerFrame) * 2);
    long long samples = 0;
    for (int frame = 0; frame < fps * 600; ++frame) {
        if (status.songPosition != lastPosition) {
            lastPosition = status.songPosition;
            framesAtPosition = 0;
        }
        show->Render(time, &status);
        for (Moment& m : moments) {
            if (!m.taken && m.when(status, time, framesAtPosition)) {
                m.taken = true;
                const std::string path = outDir + "/" + m.name + ".png";
                if (!WriteStill(path)) {
                    std::cerr << "stills: cannot write " << path << '\n';
                    return 1;
                }
                std::printf("%s  t=%.2f s  position %u row %u\n", path.c_str(), static_cast<double>(time),
                            status.songPosition, status.row);
            }
        }
        SDL_GL_SwapWindow(sdlWindow);
        ++framesAtPosition;
        if (status.songPosition >= 12) {
            break;
        }

        // The song moves on by one frame's worth of samples; the status is read after it.
        song.read_interleaved_stereo(kSampleRate, static_cast<std::size_t>(samplesPerFrame), scratch.data());
        samples += samplesPerFrame;
        status.songPosition = static_cast<std::uint32_t>(song.get_current_order());
        status.pattern = static_cast<std::uint32_t>(song.get_current_pattern());
        status.row = static_cast<std::uint32_t>(song.get_current_row());
        time = static_cast<float>(static_cast<double>(samples) / kSampleRate);
    }
    std::printf("show ended at t=%.2f s\n", static_cast<double>(time));

    show->Release();
    show.reset();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(sdlWindow);
    SDL_Quit();
    return 0;
}
