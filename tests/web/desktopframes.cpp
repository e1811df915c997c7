// tests/web/desktopframes.cpp -- chosen frames of the desktop's capture of the show, for the browser tests
// to compare the page with.
//
//     desktopframes DATA OUTDIR WIDTH HEIGHT P+N...
//
// Runs the whole show through CaptureShow at WIDTH x HEIGHT, 60 frames a second, and for each P+N asked
// for writes the frame N frames after the first frame at song position P as OUTDIR/frameK.ppm (binary
// PPM, rows from the top; K the frame's number), so that the choice follows the song's own timing.
// Prints one line per frame written ("frame K position P row R time T asked P+N") and, at the end,
// "frames N" (the frames of the whole show) and "sound S" (its sound, in sample frames).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "capture.h"

int main(int argc, char** argv)
{
    if (argc < 6) {
        std::fprintf(stderr, "usage: desktopframes DATA OUTDIR WIDTH HEIGHT P+N...\n");
        return 2;
    }
    CaptureSettings settings;
    settings.dataFolder = argv[1];
    const std::string out = argv[2];
    settings.width = std::atoi(argv[3]);
    settings.height = std::atoi(argv[4]);
    settings.fps = 60;
    struct Wanted {
        std::uint32_t position;
        std::int64_t after; // frames after the position's first frame
        std::string asked;
    };
    std::vector<Wanted> wanted;
    for (int i = 5; i < argc; ++i) {
        const std::string word = argv[i];
        const std::size_t plus = word.find('+');
        if (plus == std::string::npos) {
            std::fprintf(stderr, "desktopframes: '%s' is not POSITION+FRAMES\n", argv[i]);
            return 2;
        }
        wanted.push_back({static_cast<std::uint32_t>(std::atoi(word.substr(0, plus).c_str())),
                          std::atoll(word.substr(plus + 1).c_str()), word});
    }
    std::map<std::uint32_t, std::int64_t> firstFrame; // song position: its first frame

    std::int64_t frames = 0;
    std::int64_t sound = 0;
    bool written = true;
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        frames = frame.index + 1;
        sound += static_cast<std::int64_t>(frame.audioFrames);
        firstFrame.emplace(frame.status.songPosition, frame.index);
        for (const Wanted& w : wanted) {
            const auto first = firstFrame.find(w.position);
            if (first == firstFrame.end() || first->second + w.after != frame.index ||
                frame.status.songPosition != w.position) {
                continue;
            }
            const std::string path = out + "/frame" + std::to_string(frame.index) + ".ppm";
            std::FILE* f = std::fopen(path.c_str(), "wb");
            if (f == nullptr) {
                written = false;
                return false;
            }
            std::fprintf(f, "P6\n%d %d\n255\n", frame.width, frame.height);
            std::fwrite(frame.rgb, 1, static_cast<std::size_t>(frame.width) * frame.height * 3, f);
            written = std::fclose(f) == 0 && written;
            std::printf("frame %lld position %u row %u time %.6f asked %s\n",
                        static_cast<long long>(frame.index), frame.status.songPosition, frame.status.row,
                        static_cast<double>(frame.time), w.asked.c_str());
        }
        return true;
    });
    std::printf("frames %lld\nsound %lld\n", static_cast<long long>(frames), static_cast<long long>(sound));
    return result == 0 && written ? 0 : 1;
}
