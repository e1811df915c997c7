// tools/makemusic/dsp.h -- bit-reproducible sound arithmetic: sine, exponential, noise, filters, quantising.
//
// The composer must write the same bytes on every machine, so nothing here calls the C mathematics
// library (whose last bits may change between versions): sine and exponential are our own
// polynomials over +, -, *, / and exact rounding steps, which IEEE arithmetic makes reproducible.
#pragma once

#include <cstdint>
#include <vector>

namespace dsp {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;
constexpr double kLn2 = 0.69314718055994530942;

double Sin(double x); // radians; absolute error below 1e-13 for |x| < 1e6
double Cos(double x);
double Tan(double x); // |x| < pi / 2
double Exp(double x); // relative error below 1e-15; 0 below -700
double Tanh(double x);
double Pow2(double x);

// A small, fast, reproducible noise source (xorshift).
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state(seed ? seed : 0x9E3779B9u) {}
    double Next(); // uniform in [-1, 1)
    std::uint32_t Bits();

private:
    std::uint32_t state;
};

// Topology-preserving state-variable filter (2 poles): low, band and high outputs of one input.
class Svf {
public:
    Svf(double cutoffHz, double q, double sampleRate);
    void Run(double x);
    double low = 0.0;
    double band = 0.0;
    double high = 0.0;

private:
    double k, a1, a2, a3;
    double ic1 = 0.0, ic2 = 0.0;
};

// Scales `x` so that its largest magnitude is `peak`.
void Normalise(std::vector<double>& x, double peak);

// Rounded and clamped to signed 16 or 8 bits.
std::vector<std::int16_t> ToPcm16(const std::vector<double>& x);
std::vector<std::int16_t> ToPcm8(const std::vector<double>& x);

} // namespace dsp
