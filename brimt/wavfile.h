// brimt/wavfile.h -- a 16-bit stereo PCM WAV file at the song renderer's rate, written as it comes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// Float samples (nominally -1 to 1, clamped) become 16-bit ones, rounded to nearest. The header's sizes
// are written by Close. Open or Close false: the file could not be written (what is there is partial).
class WavFile {
public:
    bool Open(const std::string& path);
    // `frames` stereo sample frames: 2 * frames floats, left then right.
    void Append(const float* samples, std::size_t frames);
    bool Close();

private:
    void WriteHeader(std::uint32_t bytes);

    std::ofstream out;
    std::vector<std::int16_t> buffer;
    std::uint32_t dataBytes = 0;
};
