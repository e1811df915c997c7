// tests/loudness_test.cpp -- the loudness meter against the levels BS.1770 gives for plain sine waves.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "loudness.h"

namespace {

constexpr int kRate = 48000;

// `seconds` of a sine of `hz` with amplitudes `left` and `right`, starting at `phase` radians.
std::vector<float> Sine(double hz, double seconds, double left, double right, double phase = 0.0)
{
    std::vector<float> frames;
    const int n = static_cast<int>(seconds * kRate);
    for (int i = 0; i < n; ++i) {
        const double v = std::sin(2.0 * M_PI * hz * i / kRate + phase);
        frames.push_back(static_cast<float>(left * v));
        frames.push_back(static_cast<float>(right * v));
    }
    return frames;
}

TEST(Loudness, SineLevelsMatchTheStandard)
{
    // "A 0 dB FS 1 kHz sine wave applied to the left channel only reads -3.01 LKFS."
    EXPECT_NEAR(loudness::MeasureStereo48k(Sine(997.0, 5.0, 1.0, 0.0)).integratedLufs, -3.01, 0.05);
    // In both channels at -20 dBFS: -20 LUFS.
    EXPECT_NEAR(loudness::MeasureStereo48k(Sine(997.0, 5.0, 0.1, 0.1)).integratedLufs, -20.0, 0.05);
    // K-weighting: lows count for less, highs for more.
    EXPECT_LT(loudness::MeasureStereo48k(Sine(60.0, 5.0, 0.1, 0.1)).integratedLufs, -20.5);
    EXPECT_GT(loudness::MeasureStereo48k(Sine(4000.0, 5.0, 0.1, 0.1)).integratedLufs, -19.0);
}

TEST(Loudness, GatesLeaveOutSilenceAndQuietPassages)
{
    std::vector<float> frames = Sine(997.0, 5.0, 0.1, 0.1);
    const std::vector<float> quiet = Sine(997.0, 5.0, 0.001, 0.001); // 40 dB down: below the relative gate
    frames.insert(frames.end(), quiet.begin(), quiet.end());
    frames.insert(frames.end(), 2 * 5 * kRate, 0.0f);
    // Only the blocks that straddle the drop (some of them quiet) pull it a little below -20.
    EXPECT_NEAR(loudness::MeasureStereo48k(frames).integratedLufs, -20.1, 0.1);
    EXPECT_TRUE(std::isinf(loudness::MeasureStereo48k(std::vector<float>(2 * kRate, 0.0f)).integratedLufs));
}

TEST(Loudness, TruePeakSeesBetweenTheSamples)
{
    // A quarter-rate sine at 45 degrees: every sample is at 0.707 of the true peak (-3 dB).
    const loudness::Measure m = loudness::MeasureStereo48k(Sine(kRate / 4.0, 1.0, 0.9, 0.9, M_PI / 4));
    EXPECT_NEAR(m.samplePeakDb, 20.0 * std::log10(0.9 * std::sqrt(0.5)), 0.01);
    EXPECT_NEAR(m.truePeakDb, 20.0 * std::log10(0.9), 0.3);
}

} // namespace
