// tools/images/raster.h -- the painter's kit for the show's images: colours, float images and masks,
//   anti-aliased filling of shapes given by signed distances, soft glows, blurs and 8-bit output.
//
// Frames: pixel (x, y) covers [x, x+1) x [y, y+1), y down; shapes are sampled at pixel centres.
// Colours are display values from 0 to 1 (no gamma handling: the images are painted as seen).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator-(Rgb a, Rgb b)
{
    return {a.r - b.r, a.g - b.g, a.b - b.b};
}
inline Rgb operator*(Rgb a, Rgb b)
{
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
inline Rgb operator*(Rgb a, float s)
{
    return {a.r * s, a.g * s, a.b * s};
}
inline Rgb operator*(float s, Rgb a)
{
    return a * s;
}

inline float Clamp01(float v)
{
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}
inline float Mixf(float a, float b, float t)
{
    return a + (b - a) * t;
}
inline Rgb Mix(Rgb a, Rgb b, float t)
{
    return a + (b - a) * t;
}
// 0 below e0, 1 above e1, a smooth ramp between (e0 > e1 ramps down).
inline float Smoothstep(float e0, float e1, float x)
{
    const float t = Clamp01((x - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}
// A colour written as 0xRRGGBB.
inline Rgb Hex(std::uint32_t rgb)
{
    return {static_cast<float>((rgb >> 16) & 0xFFu) / 255.0f, static_cast<float>((rgb >> 8) & 0xFFu) / 255.0f,
            static_cast<float>(rgb & 0xFFu) / 255.0f};
}
inline float Luma(Rgb c)
{
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
}

// A rectangle of pixels, x0/y0 inclusive, x1/y1 exclusive; Paint clips it to the image.
struct Box {
    int x0, y0, x1, y1;
};
constexpr Box kEverywhere = {-1000000, -1000000, 1000000, 1000000};
// The pixels within `margin` of the rectangle [x0, x1] x [y0, y1] (pixel units, any order).
Box BoxAround(float x0, float y0, float x1, float y1, float margin);

class Image {
public:
    Image(int w, int h, Rgb fill = {}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

    Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgb& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Lays colour c over pixel (x, y) with opacity a (0 to 1).
    void Blend(int x, int y, Rgb c, float a)
    {
        Rgb& p = At(x, y);
        p = p + (c - p) * a;
    }
    // Adds light: for glows and highlights that brighten whatever lies below.
    void Add(int x, int y, Rgb c) { At(x, y) = At(x, y) + c; }

    int width;
    int height;
    std::vector<Rgb> pixels;
};

// A grey level per pixel, usually coverage from 0 to 1.
class Mask {
public:
    Mask(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0f) {}
    float& At(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    float At(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
    // The value at (x, y), or 0 outside the mask.
    float Get(int x, int y) const { return (x < 0 || y < 0 || x >= width || y >= height) ? 0.0f : At(x, y); }

    int width;
    int height;
    std::vector<float> values;
};

// The share of a pixel covered by a shape whose signed distance at the pixel's centre is d pixels
// (negative inside): a one-pixel ramp across the edge.
inline float Coverage(float d)
{
    return Clamp01(0.5f - d);
}

// Fills the shape sdf(x, y) < 0 (distance in pixels) with the colour shade(x, y), anti-aliased,
// at the given opacity, looking only at the pixels of `box`.
template <class Sdf, class Shade>
void PaintShaded(Image& img, const Sdf& sdf, const Shade& shade, float opacity = 1.0f, Box box = kEverywhere)
{
    const int x0 = std::max(box.x0, 0), y0 = std::max(box.y0, 0);
    const int x1 = std::min(box.x1, img.width), y1 = std::min(box.y1, img.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float a = Coverage(sdf(px, py)) * opacity;
            if (a > 0.0f) img.Blend(x, y, shade(px, py), a);
        }
    }
}

template <class Sdf>
void Paint(Image& img, const Sdf& sdf, Rgb colour, float opacity = 1.0f, Box box = kEverywhere)
{
    PaintShaded(
        img, sdf, [colour](float, float) { return colour; }, opacity, box);
}

// The shape with an ink outline `ink` pixels wide around it, as a cartoon is inked.
template <class Sdf, class Shade>
void PaintInkedShaded(Image& img, const Sdf& sdf, const Shade& shade, Rgb ink, float inkWidth,
                      Box box = kEverywhere)
{
    Paint(
        img, [&](float x, float y) { return sdf(x, y) - inkWidth; }, ink, 1.0f, box);
    PaintShaded(img, sdf, shade, 1.0f, box);
}
template <class Sdf>
void PaintInked(Image& img, const Sdf& sdf, Rgb fill, Rgb ink, float inkWidth, Box box = kEverywhere)
{
    PaintInkedShaded(
        img, sdf, [fill](float, float) { return fill; }, ink, inkWidth, box);
}

// A soft-edged version of the shape: opacity falls from full at `softness` pixels inside the edge
// to none at `softness` pixels outside (shadows, blurred blobs).
template <class Sdf>
void PaintSoft(Image& img, const Sdf& sdf, Rgb colour, float softness, float opacity = 1.0f,
               Box box = kEverywhere)
{
    const int x0 = std::max(box.x0, 0), y0 = std::max(box.y0, 0);
    const int x1 = std::min(box.x1, img.width), y1 = std::min(box.y1, img.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float d = sdf(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f);
            const float a = (1.0f - Smoothstep(-softness, softness, d)) * opacity;
            if (a > 0.0f) img.Blend(x, y, colour, a);
        }
    }
}

// Fills the shape as a raised plate: within `bevel` pixels of its edge the surface slopes, so the rim
// catches the light (from the upper left) on one side and falls into shade on the other; `strength`
// (0 to 1) says how far the rim goes towards white or black.
template <class Sdf, class Shade>
void PaintBevelled(Image& img, const Sdf& sdf, const Shade& shade, float bevel, float strength,
                   Box box = kEverywhere)
{
    constexpr float kLightX = -0.6f, kLightY = -0.8f; // towards the light, unit length
    const int x0 = std::max(box.x0, 0), y0 = std::max(box.y0, 0);
    const int x1 = std::min(box.x1, img.width), y1 = std::min(box.y1, img.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float d = sdf(px, py);
            const float a = Coverage(d);
            if (a <= 0.0f) continue;
            // The outward direction of the edge nearest the pixel.
            const float gx = sdf(px + 0.5f, py) - sdf(px - 0.5f, py);
            const float gy = sdf(px, py + 0.5f) - sdf(px, py - 0.5f);
            const float slope = 1.0f - Smoothstep(0.0f, bevel, -d);
            const float lit = (gx * kLightX + gy * kLightY) * slope * strength;
            Rgb c = shade(px, py);
            c = lit > 0.0f ? Mix(c, Rgb{1.0f, 1.0f, 1.0f}, std::min(lit, 1.0f))
                           : Mix(c, Rgb{0.0f, 0.0f, 0.0f}, std::min(-lit, 1.0f));
            img.Blend(x, y, c, a);
        }
    }
}

// Light added around a point: colour * strength / (1 + (r / radius)^2)^2, cut to nothing at 4 radii.
void AddGlow(Image& img, float cx, float cy, float radius, Rgb colour, float strength);

// Light added inside the shape, fading to nothing `softness` pixels outside its edge.
template <class Sdf, class Shade>
void AddSoft(Image& img, const Sdf& sdf, const Shade& shade, float softness, Box box = kEverywhere)
{
    const int x0 = std::max(box.x0, 0), y0 = std::max(box.y0, 0);
    const int x1 = std::min(box.x1, img.width), y1 = std::min(box.y1, img.height);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const float a = 1.0f - Smoothstep(-softness, softness, sdf(px, py));
            if (a > 0.0f) img.Add(x, y, shade(px, py) * a);
        }
    }
}

// Three box blurs of the given radius (pixels) in x and y: close to a Gaussian of sigma ~ radius.
void Blur(Mask& mask, int radius);
// The mask laid over the image through shade(x, y), at (dx, dy) pixels from where it was drawn.
template <class Shade>
void Composite(Image& img, const Mask& mask, const Shade& shade, float opacity = 1.0f, int dx = 0, int dy = 0)
{
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float a = Clamp01(mask.Get(x - dx, y - dy)) * opacity;
            if (a > 0.0f) {
                img.Blend(x, y, shade(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f), a);
            }
        }
    }
}
// A blurred copy of the mask.
Mask Blurred(const Mask& mask, int radius);
// The mask grown by about `radius` pixels with a soft edge: for outlines around text.
Mask Grown(const Mask& mask, int radius);
// Adds the mask's values, times colour, as light.
void AddMask(Image& img, const Mask& mask, Rgb colour);

// Darkens the corners: the pixel at normalised radius r (1 at a corner) gets 1 - strength * r^power.
void Vignette(Image& img, float strength, float power);

// The image as 8-bit RGB rows, top row first. A faint fixed dither (a hash of the pixel position,
// +-0.5 of a step) keeps smooth gradients from banding; the result depends on nothing else.
std::vector<unsigned char> ToRgb8(const Image& img);
