// brimt/wavfile.cpp -- the WAV writer: a RIFF header, then little-endian 16-bit samples.
#include "wavfile.h"

#include "platform/songrenderer.h" // Required for: SongRenderer::kSampleRate

#include <cmath>

namespace {

std::int16_t ToPcm16(float sample)
{
    const float clamped = std::fmax(-1.0f, std::fmin(1.0f, sample));
    return static_cast<std::int16_t>(std::lrint(clamped * 32767.0f));
}

void PutLittle(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out.put(static_cast<char>((value >> (8 * k)) & 0xFF));
}

} // namespace

bool WavFile::Open(const std::string& path)
{
    out.open(path, std::ios::binary | std::ios::trunc);
    WriteHeader(0);
    return static_cast<bool>(out);
}

void WavFile::Append(const float* samples, std::size_t frames)
{
    buffer.resize(frames * 2);
    for (std::size_t i = 0; i < frames * 2; ++i)
        buffer[i] = ToPcm16(samples[i]);
    out.write(reinterpret_cast<const char*>(buffer.data()),
              static_cast<std::streamsize>(buffer.size() * sizeof(std::int16_t)));
    dataBytes += static_cast<std::uint32_t>(buffer.size() * sizeof(std::int16_t));
}

bool WavFile::Close()
{
    out.seekp(0);
    WriteHeader(dataBytes);
    out.close();
    return !out.fail();
}

void WavFile::WriteHeader(std::uint32_t bytes)
{
    const std::uint32_t rate = SongRenderer::kSampleRate;
    out.write("RIFF", 4);
    PutLittle(out, 36 + bytes, 4);
    out.write("WAVEfmt ", 8);
    PutLittle(out, 16, 4);           // fmt chunk size
    PutLittle(out, 1, 2);            // PCM
    PutLittle(out, 2, 2);            // channels
    PutLittle(out, rate, 4);         // sample frames per second
    PutLittle(out, rate * 2 * 2, 4); // bytes per second
    PutLittle(out, 4, 2);            // bytes per sample frame
    PutLittle(out, 16, 2);           // bits per sample
    out.write("data", 4);
    PutLittle(out, bytes, 4);
}
