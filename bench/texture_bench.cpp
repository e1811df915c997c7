// bench/texture_bench.cpp -- how long loading a 512 x 512 JPEG into a mipmapped texture takes.
//   Runs on a hidden SDL window's GL context (the offscreen driver when there is no display).
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "glarve.h"

namespace {

// A 512 x 512 colour photograph stand-in: smooth gradients with fine detail, quality 90, 4:2:0, as
// an image tool would write it. Returns the file's path ("" on failure).
std::string WriteTestJpeg()
{
    const int size = 512;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * size + x) * 3];
            p[0] = static_cast<unsigned char>(x / 2);
            p[1] = static_cast<unsigned char>(y / 2);
            p[2] = static_cast<unsigned char>(127.5 + 127.5 * std::sin(x * 0.11) * std::cos(y * 0.07));
        }
    }
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int failed =
        tjCompress2(encoder, rgb.data(), size, 0, size, TJPF_RGB, &jpeg, &jpegSize, TJSAMP_420, 90, 0);
    tjDestroy(encoder);
    if (failed) {
        tjFree(jpeg);
        return "";
    }
    char path[] = "/tmp/brimt-bench-XXXXXX.jpg";
    const int fd = mkstemps(path, 4);
    if (fd < 0) {
        tjFree(jpeg);
        return "";
    }
    close(fd);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg), static_cast<long>(jpegSize));
    tjFree(jpeg);
    return path;
}

void BM_LoadJpeg512(benchmark::State& state)
{
    const std::string path = WriteTestJpeg();
    if (path.empty()) {
        state.SkipWithError("could not write the test JPEG");
        return;
    }
    Texture texture;
    for (auto _ : state) {
        const bool ok = texture.LoadJpeg(path.c_str());
        glFinish(); // the upload and mipmaps are done when GL says so
        if (!ok) {
            state.SkipWithError("LoadJpeg failed");
            break;
        }
    }
    texture.Delete();
    std::remove(path.c_str());
}
BENCHMARK(BM_LoadJpeg512)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "texture_bench: no video: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_Window* window =
        SDL_CreateWindow("texture_bench", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "texture_bench: no GL context: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
