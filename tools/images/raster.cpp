// tools/images/raster.cpp -- glows, blurs, vignette and the 8-bit conversion of the painter's kit.
#include "raster.h"

#include <cstddef>

#include "noise.h"

Box BoxAround(float x0, float y0, float x1, float y1, float margin)
{
    const float lx = std::min(x0, x1) - margin, hx = std::max(x0, x1) + margin;
    const float ly = std::min(y0, y1) - margin, hy = std::max(y0, y1) + margin;
    return {static_cast<int>(std::floor(lx)), static_cast<int>(std::floor(ly)),
            static_cast<int>(std::ceil(hx)) + 1, static_cast<int>(std::ceil(hy)) + 1};
}

void AddGlow(Image& img, float cx, float cy, float radius, Rgb colour, float strength)
{
    const Box box = BoxAround(cx, cy, cx, cy, 4.0f * radius);
    const int x0 = std::max(box.x0, 0), y0 = std::max(box.y0, 0);
    const int x1 = std::min(box.x1, img.width), y1 = std::min(box.y1, img.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - cx) / radius;
            const float dy = (static_cast<float>(y) + 0.5f - cy) / radius;
            const float r2 = dx * dx + dy * dy;
            if (r2 >= 16.0f) continue;
            const float q = 1.0f / (1.0f + r2);
            // The cut at 4 radii is faded in over the last radius so it leaves no ring.
            const float edge = 1.0f - Smoothstep(9.0f, 16.0f, r2);
            img.Add(x, y, colour * (strength * q * q * edge));
        }
    }
}

namespace {

// One box blur pass along a line of n values spaced `stride` apart; edges repeat the end values.
void BoxLine(float* line, int n, int stride, int radius, std::vector<float>& scratch)
{
    scratch.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        scratch[static_cast<size_t>(i)] = line[static_cast<std::ptrdiff_t>(i) * stride];
    auto at = [&](int i) { return scratch[static_cast<size_t>(std::clamp(i, 0, n - 1))]; };
    float sum = 0.0f;
    for (int i = -radius; i <= radius; ++i)
        sum += at(i);
    const float scale = 1.0f / static_cast<float>(2 * radius + 1);
    for (int i = 0; i < n; ++i) {
        line[static_cast<std::ptrdiff_t>(i) * stride] = sum * scale;
        sum += at(i + radius + 1) - at(i - radius);
    }
}

} // namespace

void Blur(Mask& mask, int radius)
{
    if (radius <= 0) return;
    std::vector<float> scratch;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < mask.height; ++y)
            BoxLine(&mask.At(0, y), mask.width, 1, radius, scratch);
        for (int x = 0; x < mask.width; ++x)
            BoxLine(&mask.At(x, 0), mask.height, mask.width, radius, scratch);
    }
}

Mask Blurred(const Mask& mask, int radius)
{
    Mask out = mask;
    Blur(out, radius);
    return out;
}

Mask Grown(const Mask& mask, int radius)
{
    Mask out = Blurred(mask, std::max(1, radius / 2));
    for (float& v : out.values)
        v = Smoothstep(0.02f, 0.2f, v);
    return out;
}

void AddMask(Image& img, const Mask& mask, Rgb colour)
{
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float v = mask.Get(x, y);
            if (v > 0.0f) img.Add(x, y, colour * v);
        }
    }
}

void Vignette(Image& img, float strength, float power)
{
    const float hw = 0.5f * static_cast<float>(img.width), hh = 0.5f * static_cast<float>(img.height);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - hw) / hw;
            const float dy = (static_cast<float>(y) + 0.5f - hh) / hh;
            const float r = std::sqrt(0.5f * (dx * dx + dy * dy));
            img.At(x, y) = img.At(x, y) * (1.0f - strength * std::pow(r, power));
        }
    }
}

std::vector<unsigned char> ToRgb8(const Image& img)
{
    std::vector<unsigned char> out(static_cast<size_t>(img.width) * img.height * 3);
    size_t i = 0;
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const Rgb& p = img.At(x, y);
            const float dither = Hash01(x, y, 0xD17Eu) - 0.5f;
            for (float v : {p.r, p.g, p.b}) {
                const float scaled = std::floor(Clamp01(v) * 255.0f + 0.5f + dither);
                out[i++] = static_cast<unsigned char>(std::clamp(scaled, 0.0f, 255.0f));
            }
        }
    }
    return out;
}
