// bench/frame_bench.cpp -- how long the show takes to draw, frame by frame, and to start.
//
// Usage (run from the folder that holds DATA/):
//   frame_bench [--size WxH]... [--data DIR] [--init-runs N] [--positions A-B]
//   frame_bench --dump DIR [--size WxH]
// The first form replays the whole show offscreen at each size (default 1024x768 and 1280x960): the
// song is rendered silently with libopenmpt in lockstep at 60 frames per second, and each frame's
// Render plus glFinish is timed. After every frame one of two reference frames is drawn and timed in
// the same way, so that the ratios hold on a busy machine:
//   card: clear, then one full-screen card sprite through Texture::DrawSprite, as the intro draws it;
//   quad: clear, then one full-screen quad textured from a plain 1024 x 1024 RGB texture, GL_LINEAR,
//         no mipmaps, no blending, no depth test.
// It prints, per song position, the median and 95th percentile frame time and the ratios of the
// median to the references' medians during that position; then Init as a whole and each of its loaders. With
// --data, each size's frame times go to DIR/frames-WxH.dat (frame, time, position, milliseconds) for
// bench/frames.gp.
// --positions times only those song positions (the others are played but drawn into one pixel).
// The second form draws the same frames without timing and writes fixed frames as raw RGB files
// (DIR/frame-NNNNN.rgb, bottom row first; see IsDumpFrame) to compare before and after a change byte for
// byte.
#include <GL/gl.h>
#include <SDL.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "brimt/demowindow.h"
#include "glarve/glarve.h"

namespace {

constexpr int kFps = 60;
constexpr int kSampleRate = 48000;
constexpr std::uint32_t kEndPosition = 12; // the show asks to quit from here on
constexpr int kMaxFrames = kFps * 600;

// The frames written by --dump: the 20th and the 300th frame of every song position that draws
// something, and the 60th of position 10, while the cloud flies past.
bool IsDumpFrame(std::uint32_t position, int framesAtPosition)
{
    return position < 11 &&
           (framesAtPosition == 20 || framesAtPosition == 300 || (position == 10 && framesAtPosition == 60));
}

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The p-th quantile (0 to 1) of `values`, nearest rank.
double Quantile(std::vector<double> values, double p)
{
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

// A hidden window with a GL 2.1 compatibility context, as the program opens it.
struct GLSurface {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

    bool Open(int width, int height)
    {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        window = SDL_CreateWindow("frame_bench", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
        return context != nullptr;
    }
    ~GLSurface()
    {
        if (context != nullptr) {
            SDL_GL_DeleteContext(context);
        }
        if (window != nullptr) {
            SDL_DestroyWindow(window);
        }
    }
};

// The song rendered silently, one frame's worth of samples at a time, with the status read after it
// as the program's loop reads it.
class SongClock {
public:
    explicit SongClock(const std::string& file) : stream(file, std::ios::binary), song(stream)
    {
        song.set_repeat_count(-1);
        scratch.resize(static_cast<std::size_t>(kSamplesPerFrame) * 2);
    }
    void Advance()
    {
        song.read_interleaved_stereo(kSampleRate, static_cast<std::size_t>(kSamplesPerFrame), scratch.data());
        samples += kSamplesPerFrame;
        status.songPosition = static_cast<std::uint32_t>(song.get_current_order());
        status.pattern = static_cast<std::uint32_t>(song.get_current_pattern());
        status.row = static_cast<std::uint32_t>(song.get_current_row());
        time = static_cast<float>(static_cast<double>(samples) / kSampleRate);
    }

    PlayStatus status;
    float time = 0.0f;

private:
    static constexpr int kSamplesPerFrame = kSampleRate / kFps;
    std::ifstream stream;
    openmpt::module song;
    std::vector<float> scratch;
    long long samples = 0;
};

// The quad reference: a plain 1024 x 1024 RGB texture, linear filtering, one level.
class QuadReference {
public:
    QuadReference()
    {
        std::vector<unsigned char> rgb(static_cast<std::size_t>(kSize) * kSize * 3);
        for (std::size_t i = 0; i < rgb.size(); ++i) {
            rgb[i] = static_cast<unsigned char>((i / 3 % kSize + i / 3 / kSize) / 8);
        }
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kSize, kSize, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    ~QuadReference() { glDeleteTextures(1, &name); }
    QuadReference(const QuadReference&) = delete;
    QuadReference& operator=(const QuadReference&) = delete;

    // Clear and one screen-covering quad; leaves the show's state as it found it.
    void Draw() const
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, name);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glTexCoord2f(1.0f, 0.0f);
        glVertex2f(1.0f, -1.0f);
        glTexCoord2f(1.0f, 1.0f);
        glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, 1.0f);
        glVertex2f(-1.0f, 1.0f);
        glEnd();
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopAttrib();
    }

private:
    static constexpr int kSize = 1024;
    GLuint name = 0;
};

// The card reference: clear and the intro's first card, opaque, exactly as the show draws it.
void DrawCard(Texture* card)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glPushMatrix();
    card->DrawSprite(0.0f, 0.0f, -0.95f, 0.0f, 1.0f);
    glPopMatrix();
}

struct Frame {
    int index;
    float time;
    std::uint32_t position;
    double ms;
    double referenceMs = 0.0; // the reference frame drawn right after: card after even frames, quad after odd
};

struct SizeResult {
    int width = 0;
    int height = 0;
    std::vector<Frame> frames;
    std::vector<double> card;
    std::vector<double> quad;
    std::vector<double> init;
};

bool ParseSize(const char* text, int* width, int* height)
{
    return std::sscanf(text, "%dx%d", width, height) == 2 && *width > 0 && *height > 0;
}

// Init, timed whole `runs` times on fresh windows (the first run pays for cold caches).
bool TimeInit(int width, int runs, std::vector<double>* times)
{
    for (int run = 0; run < runs; ++run) {
        auto show = std::make_unique<DemoWindow>();
        show->Resize(width, width * 3 / 4);
        const Clock::time_point t0 = Clock::now();
        const bool ok = show->Init();
        glFinish();
        const Clock::time_point t1 = Clock::now();
        if (!ok) {
            return false;
        }
        times->push_back(Milliseconds(t0, t1));
        show->Release();
    }
    return true;
}

// The song positions timed (--positions A-B). The others are still played, for the scenes' state, but
// drawn into one pixel and not timed: a quicker measure of a few scenes.
std::uint32_t firstTimed = 0;
std::uint32_t lastTimed = kEndPosition - 1;

bool Replay(int width, int height, SDL_Window* window, const std::string& dumpDir, SizeResult* result)
{
    auto show = std::make_unique<DemoWindow>();
    show->Resize(width, height);
    if (!show->Init()) {
        std::cerr << "frame_bench: the show's data did not load (run from the folder holding DATA/)\n";
        return false;
    }
    const bool timing = dumpDir.empty();
    std::unique_ptr<QuadReference> quad;
    if (timing) {
        quad = std::make_unique<QuadReference>();
    }
    SongClock clock(show->musicFile);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);

    std::uint32_t lastPosition = 0;
    int framesAtPosition = 0;
    int written = 0;
    for (int frame = 0; frame < kMaxFrames && clock.status.songPosition < kEndPosition; ++frame) {
        if (clock.status.songPosition != lastPosition || frame == 0) {
            lastPosition = clock.status.songPosition;
            framesAtPosition = 0;
            // On the monotonic clock, as `perf record -k CLOCK_MONOTONIC` stamps its samples, so that
            // a profile of the whole run can be cut by scene with `perf report --time`.
            const double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
            std::fprintf(stderr, "position %u from frame %d, monotonic %.6f s\n", lastPosition, frame, now);
        }
        const bool timed =
            !timing || (clock.status.songPosition >= firstTimed && clock.status.songPosition <= lastTimed);
        if (timed) {
            glDisable(GL_SCISSOR_TEST);
            glViewport(0, 0, width, height);
        } else {
            glEnable(GL_SCISSOR_TEST);
            glScissor(0, 0, 1, 1);
            glViewport(0, 0, 1, 1);
        }
        const Clock::time_point t0 = Clock::now();
        show->Render(clock.time, &clock.status);
        glFinish();
        const Clock::time_point t1 = Clock::now();
        if (timed) {
            result->frames.push_back({frame, clock.time, clock.status.songPosition, Milliseconds(t0, t1)});
        }

        if (!timing && IsDumpFrame(clock.status.songPosition, framesAtPosition)) {
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%05d.rgb", frame);
            std::ofstream(dumpDir + name, std::ios::binary)
                .write(reinterpret_cast<const char*>(pixels.data()),
                       static_cast<std::streamsize>(pixels.size()));
            ++written;
        }
        SDL_GL_SwapWindow(window);

        if (timing && timed) {
            // One reference frame after each show frame, the two kinds in turn.
            const Clock::time_point r0 = Clock::now();
            if (frame % 2 == 0) {
                DrawCard(show->presentTexture.get());
            } else {
                quad->Draw();
            }
            glFinish();
            const Clock::time_point r1 = Clock::now();
            (frame % 2 == 0 ? result->card : result->quad).push_back(Milliseconds(r0, r1));
            result->frames.back().referenceMs = Milliseconds(r0, r1);
            SDL_GL_SwapWindow(window);
        }
        clock.Advance();
        ++framesAtPosition;
    }
    if (!timing) {
        std::printf("%zu frames drawn, %d written to %s\n", result->frames.size(), written, dumpDir.c_str());
    }
    quad.reset();
    show->Release();
    return true;
}

// Each loader of Init on its own, timed once per file (after the replays, so the files are cached).
void TimeLoaders()
{
    static const char* const kJpegs[] = {"DATA/Present.JPG",  "DATA/toolbox.JPG", "DATA/rusted_metal.JPG",
                                         "DATA/Plateox2.jpg", "DATA/brique.JPG",  "DATA/face1.JPG",
                                         "DATA/face2.JPG",    "DATA/face3.JPG",   "DATA/face4.JPG",
                                         "DATA/face5.JPG",    "DATA/face6.JPG",   "DATA/greets.JPG",
                                         "DATA/particle.JPG"};
    static const char* const kModels[][2] = {{"DATA/test.ASC", "sphere"},
                                             {"DATA/marto.ASC", "manche"},
                                             {"DATA/marto.ASC", "Tete"},
                                             {"DATA/clou.ASC", "clou"},
                                             {"DATA/trucmuch.ASC", "trucmuch"}};
    std::printf("\nInit loaders, one at a time (ms):\n");
    double total = 0.0;
    for (const char* file : kJpegs) {
        Texture texture;
        const Clock::time_point t0 = Clock::now();
        texture.LoadJpeg(file);
        glFinish();
        const double ms = Milliseconds(t0, Clock::now());
        total += ms;
        std::printf("  %-24s %4ux%-4u %7.2f\n", file, texture.width, texture.height, ms);
    }
    std::printf("  %-34s %7.2f\n", "all JPEGs, one after another", total);
    for (const auto& model : kModels) {
        MeshObject object;
        const Clock::time_point t0 = Clock::now();
        object.Load(model[0], model[1]);
        const double ms = Milliseconds(t0, Clock::now());
        std::printf("  %-24s %-9s %7.2f\n", model[0], model[1], ms);
    }
    TextObject text;
    const Clock::time_point t0 = Clock::now();
    text.Create(nullptr, "Courier New", true);
    glFinish();
    std::printf("  %-34s %7.2f\n", "255 glyph lists (Courier New)", Milliseconds(t0, Clock::now()));
}

// Per song position, ratios to the references drawn during that position (the load of a shared
// machine changes over a run; the references drawn beside the frames change with it).
void Report(const SizeResult& r)
{
    const double card = Quantile(r.card, 0.5);
    const double quad = Quantile(r.quad, 0.5);
    std::printf(
        "\n%d x %d: card %.2f ms (p95 %.2f), quad %.2f ms (p95 %.2f) over the run; Init %.1f ms first, "
        "%.1f ms median\n",
        r.width, r.height, card, Quantile(r.card, 0.95), quad, Quantile(r.quad, 0.95),
        r.init.empty() ? 0.0 : r.init.front(), Quantile(r.init, 0.5));
    std::printf("pos frames   median     p95  p95/med    card    quad  x card  x quad   slowest  x card\n");
    for (std::uint32_t p = 0; p < kEndPosition; ++p) {
        std::vector<double> ms;
        std::vector<double> cards;
        std::vector<double> quads;
        for (const Frame& f : r.frames) {
            if (f.position == p) {
                ms.push_back(f.ms);
                (f.index % 2 == 0 ? cards : quads).push_back(f.referenceMs);
            }
        }
        if (ms.empty()) {
            continue;
        }
        const double median = Quantile(ms, 0.5);
        const double p95 = Quantile(ms, 0.95);
        const double cardHere = Quantile(cards, 0.5);
        const double quadHere = Quantile(quads, 0.5);
        const double slowest = *std::max_element(ms.begin(), ms.end());
        std::printf("%3u %6zu %8.2f %7.2f %8.2f %7.2f %7.2f %7.2f %7.2f %9.2f %7.2f\n", p, ms.size(), median,
                    p95, p95 / median, cardHere, quadHere, median / cardHere, median / quadHere, slowest,
                    slowest / cardHere);
    }
}

void WriteData(const SizeResult& r, const std::string& dir)
{
    const std::string path =
        dir + "/frames-" + std::to_string(r.width) + "x" + std::to_string(r.height) + ".dat";
    std::ofstream out(path);
    out << "# frame time_s position frame_ms reference_ms (card after even frames, quad after odd)\n";
    for (const Frame& f : r.frames) {
        out << f.index << ' ' << f.time << ' ' << f.position << ' ' << f.ms << ' ' << f.referenceMs << '\n';
    }
    std::printf("frame times written to %s\n", path.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::pair<int, int>> sizes;
    std::string dataDir;
    std::string dumpDir;
    int initRuns = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int w = 0;
        int h = 0;
        if (arg == "--size" && i + 1 < argc && ParseSize(argv[i + 1], &w, &h)) {
            sizes.emplace_back(w, h);
            ++i;
        } else if (arg == "--data" && i + 1 < argc) {
            dataDir = argv[++i];
        } else if (arg == "--dump" && i + 1 < argc) {
            dumpDir = argv[++i];
        } else if (arg == "--positions" && i + 1 < argc &&
                   std::sscanf(argv[i + 1], "%u-%u", &firstTimed, &lastTimed) == 2) {
            ++i;
        } else if (arg == "--init-runs" && i + 1 < argc) {
            initRuns = std::max(1, std::atoi(argv[++i]));
        } else {
            std::cerr << "usage: frame_bench [--size WxH]... [--data DIR] [--init-runs N] [--positions A-B]\n"
                         "       frame_bench --dump DIR [--size WxH]\n";
            return 2;
        }
    }
    if (sizes.empty()) {
        sizes = {{1024, 768}, {1280, 960}};
    }
    if (!dumpDir.empty()) {
        sizes.resize(1);
        std::filesystem::create_directories(dumpDir);
    }
    if (!dataDir.empty()) {
        std::filesystem::create_directories(dataDir);
    }

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::cerr << "frame_bench: no video: " << SDL_GetError() << '\n';
        return 1;
    }
    for (std::size_t s = 0; s < sizes.size(); ++s) {
        const int width = sizes[s].first;
        const int height = sizes[s].second;
        GLSurface surface;
        if (!surface.Open(width, height)) {
            std::cerr << "frame_bench: no GL context: " << SDL_GetError() << '\n';
            return 1;
        }
        if (s == 0) {
            std::printf("renderer: %s, %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                        reinterpret_cast<const char*>(glGetString(GL_VERSION)));
        }
        SizeResult result;
        result.width = width;
        result.height = height;
        if (dumpDir.empty() && !TimeInit(width, initRuns, &result.init)) {
            std::cerr << "frame_bench: Init failed (run from the folder holding DATA/)\n";
            return 1;
        }
        if (!Replay(width, height, surface.window, dumpDir, &result)) {
            return 1;
        }
        if (dumpDir.empty()) {
            Report(result);
            if (!dataDir.empty()) {
                WriteData(result, dataDir);
            }
            if (s + 1 == sizes.size()) {
                TimeLoaders();
            }
        }
    }
    SDL_Quit();
    return 0;
}
