// bench/frame_bench.cpp -- how long the show takes to draw, frame by frame, and to start.
//
// Usage (run from the folder that holds DATA/):
//   frame_bench [--size WxH]... [--data DIR] [--init-runs N] [--positions A-B]
//   frame_bench --dump DIR [--size WxH]
// The first form replays the whole show offscreen at each size (default 1024x768 and 1280x960) through
// the program's own run and frame step with the capture's source (the song rendered silently in
// lockstep at 60 frames per second) and a sink of its own, and each frame's Render plus glFinish is
// timed. After every frame one of two reference frames is drawn and timed in
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

#include "brimt/brimt.h"
#include "brimt/capturepath.h"
#include "brimt/demowindow.h"
#include "glarve/glarve.h"

namespace {

constexpr int kFps = 60;
constexpr std::uint32_t kEndPosition = 12; // the show asks to quit from here on

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

// A capture has nobody to click a message box: the show's failures go to stderr.
class StderrBoxes : public MessageBoxes {
public:
    MessageAnswer Show(const char* caption, const char* text, MessageButtons buttons, MessageIcon) override
    {
        std::fprintf(stderr, "frame_bench: %s: %s\n", caption, text);
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
};

// What one replay keeps between the window's Render and the sink's Present.
struct ReplayState {
    int width = 0;
    int height = 0;
    bool timing = true;
    std::string dumpDir;
    SizeResult* result = nullptr;
    std::unique_ptr<QuadReference> quad;
    std::vector<unsigned char> pixels;
    int frame = -1; // the frame being drawn
    std::uint32_t position = 0;
    int framesAtPosition = 0;
    bool timed = false;
    int written = 0;
};

// The show, each Render timed with glFinish; positions not timed are drawn into one pixel.
class TimedShow : public DemoWindow {
public:
    explicit TimedShow(ReplayState& replayState) : state(replayState) {}
    bool Init() override
    {
        if (!DemoWindow::Init()) return false;
        if (state.timing) state.quad = std::make_unique<QuadReference>();
        return true;
    }
    bool Release() override
    {
        state.quad.reset();
        return DemoWindow::Release();
    }
    bool Render(float time, const PlayStatus* status) override
    {
        ++state.frame;
        if (status->songPosition != state.position || state.frame == 0) {
            state.position = status->songPosition;
            state.framesAtPosition = 0;
            // On the monotonic clock, as `perf record -k CLOCK_MONOTONIC` stamps its samples, so that
            // a profile of the whole run can be cut by scene with `perf report --time`.
            const double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
            std::fprintf(stderr, "position %u from frame %d, monotonic %.6f s\n", state.position, state.frame,
                         now);
        } else {
            ++state.framesAtPosition;
        }
        state.timed = !state.timing || (state.position >= firstTimed && state.position <= lastTimed);
        if (state.timed) {
            glDisable(GL_SCISSOR_TEST);
            glViewport(0, 0, state.width, state.height);
        } else {
            glEnable(GL_SCISSOR_TEST);
            glScissor(0, 0, 1, 1);
            glViewport(0, 0, 1, 1);
        }
        const Clock::time_point t0 = Clock::now();
        const bool go = DemoWindow::Render(time, status);
        glFinish();
        const Clock::time_point t1 = Clock::now();
        if (state.timed && state.position < kEndPosition) {
            state.result->frames.push_back({state.frame, time, state.position, Milliseconds(t0, t1)});
        }
        return go;
    }

private:
    ReplayState& state;
};

// Presents each frame; dumps the fixed frames, or draws and times one reference frame after each
// timed one, the two kinds in turn.
class BenchSink : public FrameSink {
public:
    BenchSink(ReplayState& replayState, DemoWindow*& showWindow) : state(replayState), show(showWindow) {}
    void Present(SurfaceHandle surface) override
    {
        if (!state.timing && IsDumpFrame(state.position, state.framesAtPosition)) {
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadBuffer(GL_BACK);
            glReadPixels(0, 0, state.width, state.height, GL_RGB, GL_UNSIGNED_BYTE, state.pixels.data());
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%05d.rgb", state.frame);
            std::ofstream(state.dumpDir + name, std::ios::binary)
                .write(reinterpret_cast<const char*>(state.pixels.data()),
                       static_cast<std::streamsize>(state.pixels.size()));
            ++state.written;
        }
        PresentFrame(surface);
        if (state.timing && state.timed && state.position < kEndPosition) {
            const Clock::time_point r0 = Clock::now();
            if (state.frame % 2 == 0) {
                DrawCard(show->presentTexture.get());
            } else {
                state.quad->Draw();
            }
            glFinish();
            const Clock::time_point r1 = Clock::now();
            (state.frame % 2 == 0 ? state.result->card : state.result->quad).push_back(Milliseconds(r0, r1));
            state.result->frames.back().referenceMs = Milliseconds(r0, r1);
            PresentFrame(surface);
        }
    }
    void Stop() override {}

private:
    ReplayState& state;
    DemoWindow*& show;
};

bool Replay(int width, int height, const std::string& dumpDir, SizeResult* result)
{
    ReplayState state;
    state.width = width;
    state.height = height;
    state.timing = dumpDir.empty();
    state.dumpDir = dumpDir;
    state.result = result;
    state.pixels.resize(static_cast<std::size_t>(width) * height * 3);

    std::unique_ptr<SongRenderer> song = CreateSongRenderer();
    StderrBoxes boxes;
    DemoWindow* show = nullptr;
    DemoApp app(
        [&] {
            auto window = std::make_unique<TimedShow>(state);
            window->width = width;
            window->height = height;
            window->fullScreen = false;
            show = window.get();
            return window;
        },
        *song, boxes);
    app.askSettings = false;
    CaptureSource source(*song, kFps);
    BenchSink sink(state, show);
    app.UseFrameSource(source);
    app.UseFrameSink(sink);
    if (app.Run() != 0) {
        std::cerr << "frame_bench: the show did not run (run from the folder holding DATA/)\n";
        return false;
    }
    if (!state.timing) {
        std::printf("%zu frames drawn, %d written to %s\n", static_cast<std::size_t>(state.frame + 1),
                    state.written, dumpDir.c_str());
    }
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
        if (!Replay(width, height, dumpDir, &result)) {
            return 1;
        }
        SDL_GL_MakeCurrent(surface.window, surface.context); // the replay's window had its own
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
