// bench/text_bench.cpp -- time of TextObject::Create: the 255 glyph lists of bold "Courier New".
//   Needs a GL context: opens a hidden window on SDL's offscreen driver (EGL, Mesa's software GL).
#include <GL/gl.h> // Required for: glFinish()
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "glarve.h"

namespace {

// One hidden GL 2.1 compatibility context for the whole run; false when none can be had.
bool OpenContext()
{
    static bool open = false;
    if (open) {
        return true;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_Window* window = SDL_CreateWindow("text_bench", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        return false;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    open = context != nullptr && SDL_GL_MakeCurrent(window, context) == 0;
    return open;
}

// The show's call: filled letters. Includes finding the face, so it is the cost seen at start-up.
void BM_TextObjectCreate(benchmark::State& state)
{
    if (!OpenContext()) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    const bool polygons = state.range(0) != 0;
    for (auto _ : state) {
        TextObject text;
        text.Create(nullptr, "Courier New", polygons);
        benchmark::DoNotOptimize(text.metrics.data());
        glFinish();
    }
    state.SetLabel(polygons ? "polygons" : "lines");
}
BENCHMARK(BM_TextObjectCreate)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
