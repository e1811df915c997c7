// tools/makemusic/rendermusic.cpp -- plays a module through libopenmpt into a WAV file and says how it
// measures:
//   rendermusic SONG.xm OUT.wav   (48 kHz stereo, 32-bit float, the song once through)
// Prints libopenmpt's messages, the time each order position starts, loudness and peaks.
#include <libopenmpt/libopenmpt.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "loudness.h"

namespace {

constexpr int kRate = 48000;

void Put32(std::ofstream& out, std::uint32_t v)
{
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    out.write(b, 4);
}

void Put16(std::ofstream& out, std::uint16_t v)
{
    const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
    out.write(b, 2);
}

bool WriteWav(const char* path, const std::vector<float>& frames)
{
    std::ofstream out(path, std::ios::binary);
    const auto bytes = static_cast<std::uint32_t>(frames.size() * sizeof(float));
    out.write("RIFF", 4);
    Put32(out, 36 + bytes);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 3); // IEEE float
    Put16(out, 2);
    Put32(out, kRate);
    Put32(out, kRate * 2 * sizeof(float));
    Put16(out, 2 * sizeof(float));
    Put16(out, 32);
    out.write("data", 4);
    Put32(out, bytes);
    for (float v : frames) {
        std::uint32_t bits;
        static_assert(sizeof bits == sizeof v);
        std::memcpy(&bits, &v, sizeof v);
        Put32(out, bits);
    }
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: rendermusic SONG.xm OUT.wav\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ostringstream log;
    std::vector<float> frames;
    try {
        openmpt::module song(bytes, log);
        std::printf("libopenmpt says: %s\n", log.str().empty() ? "nothing" : log.str().c_str());
        std::printf("%d orders, %d channels, %d instruments; %.2f s\n", song.get_num_orders(),
                    song.get_num_channels(), song.get_num_instruments(), song.get_duration_seconds());
        for (int order = 0; order < song.get_num_orders(); ++order) {
            std::printf("position %2d (pattern %2d) starts at %7.3f s\n", order,
                        song.get_order_pattern(order), song.set_position_order_row(order, 0));
        }
        song.set_position_seconds(0.0);
        std::vector<float> chunk(2 * 4800);
        for (;;) {
            const std::size_t n = song.read_interleaved_stereo(kRate, 4800, chunk.data());
            if (n == 0) break;
            frames.insert(frames.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(2 * n));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rendermusic: %s: %s\n", argv[1], e.what());
        return 1;
    }
    const loudness::Measure m = loudness::MeasureStereo48k(frames);
    std::printf("rendered %.2f s: integrated %.2f LUFS, sample peak %.2f dBFS, true peak %.2f dBTP\n",
                static_cast<double>(frames.size() / 2) / kRate, m.integratedLufs, m.samplePeakDb,
                m.truePeakDb);
    if (!WriteWav(argv[2], frames)) {
        std::fprintf(stderr, "rendermusic: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
