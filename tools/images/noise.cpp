// tools/images/noise.cpp -- integer hashes, value, gradient, fractal and cellular noise.
#include "noise.h"

#include <cmath>

namespace {

// Lattice coordinate i wrapped into [0, period) when the axis is periodic.
std::int32_t Wrap(std::int32_t i, int period)
{
    if (period <= 0) return i;
    const std::int32_t m = i % period;
    return m < 0 ? m + period : m;
}

// Quintic fade: zero first and second derivatives at 0 and 1, so the noise has no visible grid.
float Fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float Lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

// Sixteen unit gradients, evenly spaced around the circle (written out so no trigonometry is needed).
const float kGradients[16][2] = {
    {1.0f, 0.0f},  {0.92388f, 0.38268f},   {0.70711f, 0.70711f},   {0.38268f, 0.92388f},
    {0.0f, 1.0f},  {-0.38268f, 0.92388f},  {-0.70711f, 0.70711f},  {-0.92388f, 0.38268f},
    {-1.0f, 0.0f}, {-0.92388f, -0.38268f}, {-0.70711f, -0.70711f}, {-0.38268f, -0.92388f},
    {0.0f, -1.0f}, {0.38268f, -0.92388f},  {0.70711f, -0.70711f},  {0.92388f, -0.38268f},
};

} // namespace

std::uint32_t Hash2(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    // Two rounds of a lowbias32-style mixer over the packed inputs.
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= static_cast<std::uint32_t>(x) * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<std::uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float Hash01(std::int32_t x, std::int32_t y, std::uint32_t seed)
{
    return static_cast<float>(Hash2(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float ValueNoise(float x, float y, std::uint32_t seed, int periodX, int periodY)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy);
    const float tx = Fade(x - fx), ty = Fade(y - fy);
    const std::int32_t x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
    const std::int32_t y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
    const float a = Lerp(Hash01(x0, y0, seed), Hash01(x1, y0, seed), tx);
    const float b = Lerp(Hash01(x0, y1, seed), Hash01(x1, y1, seed), tx);
    return Lerp(a, b, ty);
}

float GradientNoise(float x, float y, std::uint32_t seed, int periodX, int periodY)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy);
    const float rx = x - fx, ry = y - fy;
    auto corner = [&](std::int32_t cx, std::int32_t cy, float dx, float dy) {
        const float* g = kGradients[Hash2(Wrap(cx, periodX), Wrap(cy, periodY), seed) & 15u];
        return g[0] * dx + g[1] * dy;
    };
    const float tx = Fade(rx), ty = Fade(ry);
    const float a = Lerp(corner(ix, iy, rx, ry), corner(ix + 1, iy, rx - 1.0f, ry), tx);
    const float b = Lerp(corner(ix, iy + 1, rx, ry - 1.0f), corner(ix + 1, iy + 1, rx - 1.0f, ry - 1.0f), tx);
    return Lerp(a, b, ty);
}

float Fbm(float x, float y, int octaves, std::uint32_t seed, int periodX, int periodY)
{
    float sum = 0.0f, amplitude = 0.5f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * ValueNoise(x, y, seed + static_cast<std::uint32_t>(o) * 101u, periodX, periodY);
        total += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / total;
}

float GradientFbm(float x, float y, int octaves, std::uint32_t seed, int periodX, int periodY)
{
    float sum = 0.0f, amplitude = 0.5f, total = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * GradientNoise(x, y, seed + static_cast<std::uint32_t>(o) * 101u, periodX, periodY);
        total += amplitude;
        amplitude *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / total;
}

Cells Cellular(float x, float y, std::uint32_t seed, int periodX, int periodY)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int32_t>(fx), iy = static_cast<std::int32_t>(fy);
    Cells best = {1e9f, 1e9f, 0.0f};
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            const std::int32_t cx = Wrap(ix + i, periodX), cy = Wrap(iy + j, periodY);
            const float px = static_cast<float>(i) + Hash01(cx, cy, seed) - (x - fx);
            const float py = static_cast<float>(j) + Hash01(cx, cy, seed ^ 0x5bd1e995u) - (y - fy);
            const float d = std::sqrt(px * px + py * py);
            if (d < best.f1) {
                best.f2 = best.f1;
                best.f1 = d;
                best.id = Hash01(cx, cy, seed ^ 0x27d4eb2fu);
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    }
    return best;
}
