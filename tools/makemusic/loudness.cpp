// tools/makemusic/loudness.cpp -- BS.1770 K-weighting, 400 ms gated blocks, and sample and true peaks.
#include "loudness.h"

#include <algorithm>
#include <cmath>

namespace loudness {

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = kRate * 400 / 1000; // 400 ms
constexpr int kStep = kBlock / 4;          // 75 % overlap

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0, z2 = 0.0;
    double Run(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two K-weighting stages at 48 kHz: a high shelf (the head) and a high-pass (RLB curve).
std::vector<double> KWeightedSquares(const std::vector<float>& frames, int channel)
{
    Biquad shelf{1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241, 0.73248077421585};
    Biquad highPass{1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621};
    const std::size_t n = frames.size() / 2;
    std::vector<double> squares(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double y = highPass.Run(shelf.Run(frames[2 * i + static_cast<std::size_t>(channel)]));
        squares[i] = y * y;
    }
    return squares;
}

double Lufs(double meanSquare)
{
    return -0.691 + 10.0 * std::log10(meanSquare);
}

// Peak between samples: each channel upsampled 4x by a Hann-windowed sinc (12 taps a phase).
double TruePeak(const std::vector<float>& frames)
{
    constexpr int kFactor = 4;
    constexpr int kTaps = 12;
    const double pi = 3.14159265358979323846;
    double kernel[kFactor][kTaps];
    for (int p = 0; p < kFactor; ++p) {
        for (int t = 0; t < kTaps; ++t) {
            // Output p of sample i lies at i - (kTaps / 2 - 1) + p / kFactor; x is tap t's distance from it.
            const double x = (kTaps / 2 - 1 - t) - static_cast<double>(p) / kFactor;
            const double sinc = x == 0.0 ? 1.0 : std::sin(pi * x) / (pi * x);
            const double window = std::fabs(x) < kTaps / 2 ? 0.5 + 0.5 * std::cos(pi * x / (kTaps / 2)) : 0.0;
            kernel[p][t] = sinc * window;
        }
    }
    const std::size_t n = frames.size() / 2;
    double peak = 0.0;
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = kTaps; i < n; ++i) {
            for (int p = 0; p < kFactor; ++p) {
                double v = 0.0;
                for (int t = 0; t < kTaps; ++t)
                    v += kernel[p][t] *
                         frames[2 * (i - static_cast<std::size_t>(t)) + static_cast<std::size_t>(c)];
                peak = std::max(peak, std::fabs(v));
            }
        }
    }
    return peak;
}

} // namespace

Measure MeasureStereo48k(const std::vector<float>& frames)
{
    Measure m;
    double peak = 0.0;
    for (float v : frames)
        peak = std::max(peak, static_cast<double>(std::fabs(v)));
    if (peak > 0.0) m.samplePeakDb = 20.0 * std::log10(peak);
    const double truePeak = std::max(peak, TruePeak(frames));
    if (truePeak > 0.0) m.truePeakDb = 20.0 * std::log10(truePeak);

    const std::vector<double> left = KWeightedSquares(frames, 0);
    const std::vector<double> right = KWeightedSquares(frames, 1);
    std::vector<double> blocks; // mean square of each block, both channels summed
    for (std::size_t start = 0; start + kBlock <= left.size(); start += kStep) {
        double sum = 0.0;
        for (std::size_t i = start; i < start + kBlock; ++i)
            sum += left[i] + right[i];
        blocks.push_back(sum / kBlock);
    }
    // Absolute gate at -70 LUFS, then a relative gate 10 LU below the loudness of what passed.
    double sum = 0.0;
    int count = 0;
    for (double z : blocks) {
        if (z > 0.0 && Lufs(z) > -70.0) {
            sum += z;
            ++count;
        }
    }
    if (count == 0) return m;
    const double relativeGate = Lufs(sum / count) - 10.0;
    sum = 0.0;
    count = 0;
    for (double z : blocks) {
        if (z > 0.0 && Lufs(z) > -70.0 && Lufs(z) > relativeGate) {
            sum += z;
            ++count;
        }
    }
    m.integratedLufs = Lufs(sum / count);
    return m;
}

} // namespace loudness
