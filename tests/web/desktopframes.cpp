// tests/web/desktopframes.cpp -- chosen frames of the desktop's capture of the show, for the browser tests
// to compare the page with.
//
//     desktopframes DATA OUTDIR WIDTH HEIGHT K...
//
// Runs the whole show through CaptureShow at WIDTH x HEIGHT, 60 frames a second, and writes frame K as
// OUTDIR/frameK.ppm (binary PPM, rows from the top) for each K asked for. Prints one line per frame
// written ("frame K position P row R time T") and, at the end, "frames N" (the frames of the whole
// show) and "sound S" (its sound, in sample frames).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "capture.h"

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: desktopframes DATA OUTDIR WIDTH HEIGHT K...\n");
        return 2;
    }
    CaptureSettings settings;
    settings.dataFolder = argv[1];
    const std::string out = argv[2];
    settings.width = std::atoi(argv[3]);
    settings.height = std::atoi(argv[4]);
    settings.fps = 60;
    std::set<std::int64_t> wanted;
    for (int i = 5; i < argc; ++i)
        wanted.insert(std::atoll(argv[i]));

    std::int64_t frames = 0;
    std::int64_t sound = 0;
    bool written = true;
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        frames = frame.index + 1;
        sound += static_cast<std::int64_t>(frame.audioFrames);
        if (wanted.count(frame.index) != 0) {
            const std::string path = out + "/frame" + std::to_string(frame.index) + ".ppm";
            std::FILE* f = std::fopen(path.c_str(), "wb");
            if (f == nullptr) {
                written = false;
                return false;
            }
            std::fprintf(f, "P6\n%d %d\n255\n", frame.width, frame.height);
            std::fwrite(frame.rgb, 1, static_cast<std::size_t>(frame.width) * frame.height * 3, f);
            written = std::fclose(f) == 0 && written;
            std::printf("frame %lld position %u row %u time %.6f\n", static_cast<long long>(frame.index),
                        frame.status.songPosition, frame.status.row, static_cast<double>(frame.time));
        }
        return true;
    });
    std::printf("frames %lld\nsound %lld\n", static_cast<long long>(frames), static_cast<long long>(sound));
    return result == 0 && written ? 0 : 1;
}
