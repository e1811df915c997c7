// bench/capture_bench.cpp -- how fast the offline capture runs against real time, and what holds it back.
//   The first 1800 frames (30 s of show: the intro and the first hammers) at 1280 x 960, rendered and
//   read back with nothing done with the frames, then the same encoded to H.264 and AAC by ffmpeg.
//   The counter x_real_time is seconds of show per second of capture; x_render (the film only) is the
//   film's speed as a share of rendering alone in the same run, which a shared machine's load changes
//   far less than either speed. Run from the source folder (it reads DATA/).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "capturefile.h"

namespace {

constexpr std::int64_t kFrames = 1800;

double renderSeconds = 0.0; // rendering alone, as last timed

CaptureSettings Settings()
{
    CaptureSettings settings; // 1280 x 960 at 60 fps
    settings.frameLimit = kFrames;
    return settings;
}

void Report(benchmark::State& state, double seconds)
{
    state.counters["frames_per_s"] = static_cast<double>(kFrames) / seconds;
    state.counters["x_real_time"] = static_cast<double>(kFrames) / 60.0 / seconds;
}

void BM_RenderAndReadBack(benchmark::State& state)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int result = CaptureShow(Settings(), [](const CapturedFrame&) { return true; });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result != 0) state.SkipWithError("the show did not run (run from the source folder)");
        state.SetIterationTime(seconds);
        Report(state, seconds);
        renderSeconds = seconds;
    }
}
BENCHMARK(BM_RenderAndReadBack)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_RenderAndEncodeMp4(benchmark::State& state)
{
    const std::string film = "/tmp/brimt-capture-bench.mp4";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int result = CaptureToFile(Settings(), film);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (result != 0) state.SkipWithError("the capture failed (ffmpeg missing?)");
        state.SetIterationTime(seconds);
        Report(state, seconds);
        if (renderSeconds > 0.0) state.counters["x_render"] = renderSeconds / seconds;
    }
    std::remove(film.c_str());
}
BENCHMARK(BM_RenderAndEncodeMp4)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
