// tools/makemusic/dsp.cpp -- reproducible sine, exponential, noise and filters for the instrument synthesis.
#include "dsp.h"

#include <algorithm>
#include <cmath>

namespace dsp {

namespace {

constexpr double InverseFactorial(int n)
{
    double f = 1.0;
    for (int i = 2; i <= n; ++i)
        f *= i;
    return 1.0 / f;
}

} // namespace

double Sin(double x)
{
    // Into [-pi, pi], then [-pi/2, pi/2] by symmetry, then the Taylor series (to r^19).
    const double k = std::floor(x / kTwoPi + 0.5);
    double r = x - k * kTwoPi;
    if (r > kPi / 2) {
        r = kPi - r;
    } else if (r < -kPi / 2) {
        r = -kPi - r;
    }
    const double r2 = r * r;
    double p = -1.0 / 121645100408832000.0;
    p = 1.0 / 355687428096000.0 + r2 * p;
    p = -1.0 / 1307674368000.0 + r2 * p;
    p = 1.0 / 6227020800.0 + r2 * p;
    p = -1.0 / 39916800.0 + r2 * p;
    p = 1.0 / 362880.0 + r2 * p;
    p = -1.0 / 5040.0 + r2 * p;
    p = 1.0 / 120.0 + r2 * p;
    p = -1.0 / 6.0 + r2 * p;
    p = 1.0 + r2 * p;
    return r * p;
}

double Cos(double x)
{
    return Sin(x + kPi / 2);
}

double Tan(double x)
{
    return Sin(x) / Cos(x);
}

double Exp(double x)
{
    if (x < -700.0) return 0.0;
    if (x > 700.0) x = 700.0;
    // x = k ln 2 + r with |r| <= ln 2 / 2; e^r by its series to r^14; times 2^k exactly.
    const double k = std::floor(x / kLn2 + 0.5);
    const double r = x - k * kLn2;
    double p = InverseFactorial(14);
    for (int n = 13; n >= 1; --n)
        p = InverseFactorial(n) + r * p;
    p = 1.0 + r * p;
    return std::ldexp(p, static_cast<int>(k));
}

double Tanh(double x)
{
    if (x > 20.0) return 1.0;
    if (x < -20.0) return -1.0;
    const double e = Exp(2.0 * x);
    return (e - 1.0) / (e + 1.0);
}

double Pow2(double x)
{
    return Exp(x * kLn2);
}

std::uint32_t Noise::Bits()
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

double Noise::Next()
{
    return static_cast<double>(Bits()) / 2147483648.0 - 1.0;
}

Svf::Svf(double cutoffHz, double q, double sampleRate)
{
    const double g = Tan(kPi * std::min(cutoffHz, 0.49 * sampleRate) / sampleRate);
    k = 1.0 / q;
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

void Svf::Run(double x)
{
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
}

void Normalise(std::vector<double>& x, double peak)
{
    double most = 0.0;
    for (double v : x)
        most = std::max(most, std::fabs(v));
    if (most <= 0.0) return;
    const double gain = peak / most;
    for (double& v : x)
        v *= gain;
}

namespace {

std::vector<std::int16_t> Quantise(const std::vector<double>& x, double scale)
{
    std::vector<std::int16_t> out;
    out.reserve(x.size());
    for (double v : x) {
        const double s = std::clamp(std::nearbyint(v * scale), -scale - 1.0, scale);
        out.push_back(static_cast<std::int16_t>(s));
    }
    return out;
}

} // namespace

std::vector<std::int16_t> ToPcm16(const std::vector<double>& x)
{
    return Quantise(x, 32767.0);
}

std::vector<std::int16_t> ToPcm8(const std::vector<double>& x)
{
    return Quantise(x, 127.0);
}

} // namespace dsp
