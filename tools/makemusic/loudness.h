// tools/makemusic/loudness.h -- how loud a stereo recording is: integrated loudness (ITU-R BS.1770-4) and
// peaks.
#pragma once

#include <vector>

namespace loudness {

struct Measure {
    double integratedLufs = -1.0 / 0.0; // gated programme loudness; -inf for silence
    double samplePeakDb = -1.0 / 0.0;   // largest sample magnitude, dB relative to full scale (1.0)
    double truePeakDb = -1.0 / 0.0;     // the same between samples, from 4x oversampling
};

// `frames` interleaved left/right at 48000 Hz (the rate the K-weighting filters are given for).
Measure MeasureStereo48k(const std::vector<float>& frames);

} // namespace loudness
