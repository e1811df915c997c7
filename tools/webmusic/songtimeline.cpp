// tools/webmusic/songtimeline.cpp -- the song for the browser: its sound as a WAV file and its timeline, the
// play status from each sample on where it changes, both rendered by the song renderer the capture uses.
//
//     songtimeline DATA/Pkfloyd.xm OUT.wav OUT.timeline [END_POSITION]
//
// The song is played once from its start up to the first sample at END_POSITION (default 12, where the
// show ends) and one second beyond. Each change is found to the sample: a coarse pass finds the
// stretch a change lies in, a second renderer of the same song walks that stretch sample by sample.
// The status of sample s is the one the capture gives a frame that starts at s (SongRenderer::RenderTo).
//
// Timeline format (text, one record a line):
//     brimt-timeline 1
//     rate 48000
//     samples N                          the length of the sound, in sample frames
//     S POSITION PATTERN ROW LOOPCOUNT   the status from sample S on (the first line has S = 0)
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "songrenderer.h"

namespace {

constexpr std::int64_t kStep = 256;                 // samples per coarse step
constexpr std::int64_t kMaxSamples = 48000LL * 600; // ten minutes: no song of ours is longer

bool Same(const PlayStatus& a, const PlayStatus& b)
{
    return a.songPosition == b.songPosition && a.pattern == b.pattern && a.row == b.row &&
           a.loopCount == b.loopCount;
}

void Put16(std::FILE* f, std::uint16_t v)
{
    const unsigned char b[2] = {static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

void Put32(std::FILE* f, std::uint32_t v)
{
    Put16(f, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(f, static_cast<std::uint16_t>(v >> 16));
}

// 16-bit stereo PCM at the renderer's rate.
bool WriteWav(const char* path, const std::vector<float>& audio)
{
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return false;
    const auto dataBytes = static_cast<std::uint32_t>(audio.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    Put32(f, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    Put32(f, 16);
    Put16(f, 1); // PCM
    Put16(f, 2);
    Put32(f, SongRenderer::kSampleRate);
    Put32(f, SongRenderer::kSampleRate * 4);
    Put16(f, 4);
    Put16(f, 16);
    std::fwrite("data", 1, 4, f);
    Put32(f, dataBytes);
    for (const float s : audio) {
        const float clamped = s < -1.0f ? -1.0f : (s > 1.0f ? 1.0f : s);
        Put16(f, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(clamped * 32767.0f))));
    }
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: songtimeline MODULE OUT.wav OUT.timeline [END_POSITION]\n");
        return 2;
    }
    const std::uint32_t endPosition = argc > 4 ? static_cast<std::uint32_t>(std::atoi(argv[4])) : 12u;

    std::unique_ptr<SongRenderer> coarse = CreateSongRenderer();
    std::unique_ptr<SongRenderer> fine = CreateSongRenderer();
    const ModuleHandle coarseModule = coarse->LoadModule(argv[1]);
    const ModuleHandle fineModule = fine->LoadModule(argv[1]);
    if (coarseModule == nullptr || fineModule == nullptr) {
        std::fprintf(stderr, "songtimeline: %s is no module\n", argv[1]);
        return 1;
    }
    coarse->PlayModule(coarseModule, true);
    fine->PlayModule(fineModule, true);

    struct Change {
        std::int64_t sample;
        PlayStatus status;
    };
    std::vector<Change> changes{{0, coarse->Status()}};
    std::vector<float> audio;
    std::vector<float> scratch;
    PlayStatus last = coarse->Status();
    std::int64_t endSample = -1;
    std::int64_t at = 0;
    while (at < kMaxSamples && (endSample < 0 || at < endSample)) {
        at += kStep;
        coarse->RenderTo(at, &audio);
        if (Same(coarse->Status(), last)) continue;
        // The change lies in (at - kStep, at]: walk it one sample at a time.
        scratch.clear();
        fine->RenderTo(at - kStep, &scratch);
        for (std::int64_t s = at - kStep + 1; s <= at; ++s) {
            scratch.clear();
            fine->RenderTo(s, &scratch);
            if (!Same(fine->Status(), changes.back().status)) {
                changes.push_back({s, fine->Status()});
                if (endSample < 0 && fine->Status().songPosition >= endPosition) {
                    endSample = s + SongRenderer::kSampleRate;
                }
            }
        }
        if (!Same(fine->Status(), coarse->Status())) {
            std::fprintf(stderr, "songtimeline: the two renderers of the song disagree at sample %lld\n",
                         static_cast<long long>(at));
            return 1;
        }
        last = coarse->Status();
    }
    if (endSample < 0) {
        std::fprintf(stderr, "songtimeline: the song never reaches position %u\n", endPosition);
        return 1;
    }
    audio.resize(static_cast<std::size_t>(2 * endSample));

    if (!WriteWav(argv[2], audio)) {
        std::fprintf(stderr, "songtimeline: cannot write %s\n", argv[2]);
        return 1;
    }
    std::FILE* out = std::fopen(argv[3], "w");
    if (out == nullptr) {
        std::fprintf(stderr, "songtimeline: cannot write %s\n", argv[3]);
        return 1;
    }
    std::fprintf(out, "brimt-timeline 1\nrate %d\nsamples %lld\n", SongRenderer::kSampleRate,
                 static_cast<long long>(endSample));
    for (const Change& c : changes) {
        if (c.sample >= endSample) break;
        std::fprintf(out, "%lld %u %u %u %u\n", static_cast<long long>(c.sample), c.status.songPosition,
                     c.status.pattern, c.status.row, c.status.loopCount);
    }
    if (std::fclose(out) != 0) return 1;
    std::printf("songtimeline: %lld samples (%.3f s), %zu changes\n", static_cast<long long>(endSample),
                static_cast<double>(endSample) / SongRenderer::kSampleRate, changes.size());
    return 0;
}
