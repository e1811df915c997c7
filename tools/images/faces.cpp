// tools/images/faces.cpp -- six cartoon portraits for the beat-driven faces scene: a grinning kid,
//   an alien, a dude in shades, a red-haired girl, a surprised professor and a winking punk.
//   Inked, cel-shaded shapes over a sunburst, each character in its own colours, the head enlarged
//   to fill the image inside a sticker frame.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "art.h"
#include "noise.h"
#include "sdf.h"

namespace {

constexpr float kPi = 3.14159265f;
const Rgb kInk = Hex(0x1c1226);
constexpr float kInkWidth = 7.0f;

float Fx(int v)
{
    return static_cast<float>(v);
}

// Pixels around an ellipse's bounds, with room for its ink and shading.
Box EllipseBox(float cx, float cy, float rx, float ry)
{
    return BoxAround(cx - rx, cy - ry, cx + rx, cy + ry, 12.0f);
}

// Two-tone cartoon shading: the part of the shape within about `depth` pixels of its lower-right
// edge (away from the light) takes the shadow colour.
template <class Sdf> auto Cel(const Sdf& sdf, Rgb base, Rgb shadow, float depth = 16.0f)
{
    return [=](float x, float y) { return Mix(shadow, base, Coverage(sdf(x + depth, y + 0.75f * depth))); };
}

// Fills an inked, cel-shaded shape.
template <class Sdf>
void Solid(Image& img, const Sdf& sdf, Rgb base, Rgb shadow, Box box, float depth = 16.0f)
{
    PaintInkedShaded(img, sdf, Cel(sdf, base, shadow, depth), kInk, kInkWidth, box);
}

// An ink line of the given width along a polyline.
void Line(Image& img, const std::vector<Pt>& pts, float width, Rgb colour = kInk)
{
    const Bounds b = BoundsOf(pts);
    Paint(
        img, [&](float x, float y) { return SdPolyline(x, y, pts) - 0.5f * width; }, colour, 1.0f,
        BoxAround(b.x0, b.y0, b.x1, b.y1, width + 2.0f));
}

// A stroke that is thick in the middle and sharp at both ends (eyebrows, lashes, wrinkles).
void Taper(Image& img, Pt a, Pt c, Pt b, float width, Rgb colour = kInk)
{
    const std::vector<Pt> pts = Bezier(a, c, b, 20);
    const Bounds bb = BoundsOf(pts);
    const Box box = BoxAround(bb.x0, bb.y0, bb.x1, bb.y1, width + 2.0f);
    PaintShaded(
        img,
        [&](float x, float y) {
            // Nearest point's position along the curve, from its segment index.
            float best = 1e9f, t = 0.0f;
            for (size_t i = 1; i < pts.size(); ++i) {
                const float d = SdSegment(x, y, pts[i - 1], pts[i]);
                if (d < best) {
                    best = d;
                    t = static_cast<float>(i) / static_cast<float>(pts.size());
                }
            }
            return best - 0.5f * width * std::sin(kPi * t);
        },
        [colour](float, float) { return colour; }, 1.0f, box);
}

// A sunburst behind the portrait: alternating rays of two colours, brighter at the middle,
// darker at the corners.
void Sunburst(Image& img, Rgb a, Rgb b, int rays, float cx, float cy, float twist)
{
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float dx = Fx(x) + 0.5f - cx, dy = Fx(y) + 0.5f - cy;
            const float angle = std::atan2(dy, dx) + twist;
            const float r = Length(dx, dy);
            // Anti-aliased edge between rays: the sine's distance to zero, in pixels at this radius.
            const float s = std::sin(angle * Fx(rays) * 0.5f);
            const float edge = s * r / (Fx(rays) * 0.5f);
            Rgb c = Mix(b, a, Clamp01(0.5f + edge));
            const float glow = 1.0f - Smoothstep(0.0f, 360.0f, r);
            c = Mix(c, Rgb{1.0f, 1.0f, 1.0f}, 0.35f * glow * glow);
            img.At(x, y) = c * (1.0f - 0.35f * Smoothstep(200.0f, 380.0f, r));
        }
    }
}

// Rounded shoulders in a shirt, running off the bottom of the picture, and the neck above them.
void Body(Image& img, Rgb shirt, Rgb shirtShadow, Rgb skin, Rgb skinShadow, float neckWidth)
{
    auto shoulders = [](float x, float y) { return SdEllipse(x, y, 256.0f, 590.0f, 215.0f, 170.0f); };
    Solid(img, shoulders, shirt, shirtShadow, BoxAround(30.0f, 410.0f, 482.0f, 512.0f, 12.0f), 26.0f);
    auto neck = [neckWidth](float x, float y) {
        return std::max(SdBox(x, y, 256.0f, 390.0f, neckWidth, 70.0f, 20.0f), y - 440.0f);
    };
    PaintInkedShaded(
        img, neck,
        [=](float, float y) { return Mix(skinShadow, skin, Smoothstep(380.0f, 410.0f, y) * 0.6f); }, kInk,
        kInkWidth, BoxAround(256.0f - neckWidth, 310.0f, 256.0f + neckWidth, 450.0f, 10.0f));
}

// A cartoon eye: inked white, a coloured iris looking towards (lookX, lookY) (-1 to 1), a pupil and
// two glints. `lid` (0 to 1) lowers an upper eyelid of colour `lidColour` over that share of the eye.
void Eye(Image& img, float cx, float cy, float rx, float ry, Rgb iris, float lookX, float lookY,
         float lid = 0.0f, Rgb lidColour = {})
{
    const Box box = EllipseBox(cx, cy, rx, ry);
    auto white = [=](float x, float y) { return SdEllipse(x, y, cx, cy, rx, ry); };
    PaintInkedShaded(
        img, white,
        [=](float, float y) {
            return Mix(Hex(0xffffff), Hex(0xd8dce8), Smoothstep(cy - ry, cy + ry, y) * 0.5f);
        },
        kInk, 4.0f, box);
    const float ir = 0.62f * std::min(rx, ry * 1.1f);
    const float ix = cx + lookX * (rx - ir) * 0.8f, iy = cy + lookY * (ry - ir) * 0.6f;
    PaintShaded(
        img, [=](float x, float y) { return std::max(SdCircle(x, y, ix, iy, ir), white(x, y)); },
        [=](float x, float y) {
            return Mix(iris, iris * 0.45f, Clamp01(Length(x - ix, y - iy) / ir) * 0.9f);
        },
        1.0f, box);
    Paint(
        img, [=](float x, float y) { return std::max(SdCircle(x, y, ix, iy, 0.5f * ir), white(x, y)); }, kInk,
        1.0f, box);
    Paint(
        img, [=](float x, float y) { return SdCircle(x, y, ix - 0.35f * ir, iy - 0.35f * ir, 0.25f * ir); },
        Hex(0xffffff), 1.0f, box);
    Paint(
        img, [=](float x, float y) { return SdCircle(x, y, ix + 0.3f * ir, iy + 0.35f * ir, 0.11f * ir); },
        Hex(0xffffff), 0.9f, box);
    if (lid > 0.0f) {
        const float edge = cy - ry + 2.0f * ry * lid;
        Paint(
            img, [=](float x, float y) { return std::max(white(x, y) + 1.0f, y - edge); }, lidColour, 1.0f,
            box);
        Line(img, {{cx - rx, edge}, {cx + rx, edge}}, 4.0f);
        Paint(
            img, [=](float x, float y) { return std::max(std::abs(white(x, y)) - 2.0f, y - edge - 1.0f); },
            kInk, 1.0f, box);
    }
}

// A soft blush on a cheek.
void Blush(Image& img, float cx, float cy, Rgb colour, float opacity)
{
    PaintSoft(
        img, [=](float x, float y) { return SdEllipse(x, y, cx, cy, 26.0f, 15.0f); }, colour, 9.0f, opacity,
        EllipseBox(cx, cy, 40.0f, 30.0f));
}

// A glossy highlight, as on hair or a shiny head.
void Gloss(Image& img, float cx, float cy, float rx, float ry, float angle, float opacity)
{
    PaintSoft(
        img,
        [=](float x, float y) {
            const Pt q = Unrotate(x, y, cx, cy, angle);
            return SdEllipse(q.x, q.y, cx, cy, rx, ry);
        },
        Hex(0xffffff), 3.0f, opacity, EllipseBox(cx, cy, std::max(rx, ry), std::max(rx, ry)));
}

// --- the six characters --------------------------------------------------------------------------

// 1: a grinning kid with spiky orange hair, blue eyes and freckles, on sunshine yellow.
void Kid(Image& img)
{
    Sunburst(img, Hex(0xffd84a), Hex(0xffb52a), 22, 256.0f, 230.0f, 0.0f);
    const Rgb skin = Hex(0xffcfa0), shade = Hex(0xeb9a6e);
    Body(img, Hex(0x3cb84a), Hex(0x23853a), skin, shade, 44.0f);
    // Stripes across the T-shirt.
    PaintShaded(
        img,
        [](float x, float y) {
            return std::max(SdEllipse(x, y, 256.0f, 590.0f, 215.0f, 170.0f),
                            std::abs(std::fmod(y, 34.0f) - 17.0f) - 6.0f);
        },
        [](float, float) { return Hex(0xf4f0d0); }, 0.9f, BoxAround(30.0f, 440.0f, 482.0f, 512.0f, 0.0f));
    for (const float side : {-1.0f, 1.0f}) {
        Solid(
            img,
            [=](float x, float y) { return SdEllipse(x, y, 256.0f + side * 128.0f, 262.0f, 26.0f, 32.0f); },
            skin, shade, EllipseBox(256.0f + side * 128.0f, 262.0f, 26.0f, 32.0f), 10.0f);
    }
    auto head = [](float x, float y) { return SdEllipse(x, y, 256.0f, 250.0f, 128.0f, 134.0f); };
    Solid(img, head, skin, shade, EllipseBox(256.0f, 250.0f, 128.0f, 134.0f), 20.0f);
    Blush(img, 180.0f, 300.0f, Hex(0xff7a7a), 0.45f);
    Blush(img, 332.0f, 300.0f, Hex(0xff7a7a), 0.45f);
    for (int k = 0; k < 14; ++k) {
        const float side = k < 7 ? -1.0f : 1.0f;
        const float fx = 256.0f + side * (64.0f + 34.0f * Hash01(k, 0, 401u)),
                    fy = 276.0f + 22.0f * Hash01(k, 1, 401u);
        Paint(
            img, [=](float x, float y) { return SdCircle(x, y, fx, fy, 2.6f); }, Hex(0xc86a3c), 0.9f,
            BoxAround(fx, fy, fx, fy, 5.0f));
    }
    Eye(img, 206.0f, 232.0f, 30.0f, 36.0f, Hex(0x3a8cff), 0.25f, 0.1f);
    Eye(img, 306.0f, 232.0f, 30.0f, 36.0f, Hex(0x3a8cff), 0.25f, 0.1f);
    Taper(img, {172.0f, 186.0f}, {204.0f, 164.0f}, {236.0f, 180.0f}, 12.0f, Hex(0xc8501a));
    Taper(img, {276.0f, 180.0f}, {308.0f, 164.0f}, {340.0f, 186.0f}, 12.0f, Hex(0xc8501a));
    // Button nose.
    Solid(
        img, [](float x, float y) { return SdEllipse(x, y, 258.0f, 280.0f, 15.0f, 12.0f); }, Hex(0xffb890),
        shade, EllipseBox(258.0f, 280.0f, 15.0f, 12.0f), 6.0f);
    // Open grin: dark mouth, top teeth, a tongue.
    auto mouth = [](float x, float y) {
        return std::max(SdEllipse(x, y, 256.0f, 310.0f, 62.0f, 54.0f), 312.0f - y);
    };
    const Box mouthBox = BoxAround(190.0f, 300.0f, 322.0f, 370.0f, 8.0f);
    PaintInked(img, mouth, Hex(0x5a0c1c), kInk, kInkWidth, mouthBox);
    Paint(
        img, [&](float x, float y) { return std::max(mouth(x, y), y - 326.0f); }, Hex(0xffffff), 1.0f,
        mouthBox);
    Paint(
        img,
        [&](float x, float y) {
            return std::max(mouth(x, y), SdEllipse(x, y, 262.0f, 366.0f, 34.0f, 22.0f));
        },
        Hex(0xff6a7a), 1.0f, mouthBox);
    Line(img, {{196.0f, 312.0f}, {316.0f, 312.0f}}, 5.0f);
    // Spiky hair: a crown of points over a cap that hugs the skull, cut off below in jagged bangs
    // that sweep down to the ears.
    std::vector<Pt> crownPts;
    const int spikes = 9;
    for (int k = 0; k <= spikes * 2; ++k) {
        const float a = kPi * (1.0f + Fx(k) / Fx(spikes * 2));
        const float r = (k % 2 == 0) ? 170.0f + 16.0f * Hash01(k, 0, 402u) : 122.0f;
        crownPts.push_back({256.0f + r * std::cos(a), 250.0f + r * std::sin(a)});
    }
    auto hair = [crownPts](float x, float y) {
        const float dx = x - 256.0f;
        const float saw = std::abs(std::fmod(dx + 1000.0f, 36.0f) - 18.0f); // 0 to 18: points of the bangs
        const float edge = 168.0f + 0.0042f * dx * dx + 1.3f * saw;
        const float mass =
            std::min(SdPolygon(x, y, crownPts) - 4.0f, SdEllipse(x, y, 256.0f, 214.0f, 140.0f, 120.0f));
        return std::max(mass, y - edge);
    };
    Solid(img, hair, Hex(0xff7a1a), Hex(0xc84a0a), BoxAround(60.0f, 40.0f, 452.0f, 260.0f, 12.0f), 14.0f);
    Gloss(img, 200.0f, 120.0f, 34.0f, 10.0f, -0.5f, 0.45f);
}

// 2: a green alien with a big cranium, antennae and huge black eyes, on cosmic purple.
void Alien(Image& img)
{
    Sunburst(img, Hex(0x6a2ab8), Hex(0x451a86), 16, 256.0f, 240.0f, 0.2f);
    for (int k = 0; k < 40; ++k) {
        AddGlow(img, Hash01(k, 0, 411u) * 512.0f, Hash01(k, 1, 411u) * 512.0f, 1.0f + Hash01(k, 2, 411u),
                Hex(0xffffff), 0.8f);
    }
    const Rgb skin = Hex(0x8fe36a), shade = Hex(0x4fa84a);
    // Silver space suit with a round collar ring.
    Body(img, Hex(0xc8d0dc), Hex(0x7a8498), skin, shade, 30.0f);
    Solid(
        img, [](float x, float y) { return std::abs(SdEllipse(x, y, 256.0f, 432.0f, 72.0f, 24.0f)) - 9.0f; },
        Hex(0xffd23a), Hex(0xc08a10), BoxAround(170.0f, 400.0f, 342.0f, 466.0f, 10.0f), 6.0f);
    // Antennae with glowing tips.
    for (const float side : {-1.0f, 1.0f}) {
        const Pt base = {256.0f + side * 50.0f, 120.0f}, tip = {256.0f + side * 112.0f, 38.0f};
        Line(img, Bezier(base, {256.0f + side * 60.0f, 60.0f}, tip, 16), 14.0f);
        Line(img, Bezier(base, {256.0f + side * 60.0f, 60.0f}, tip, 16), 6.0f, skin);
        AddGlow(img, tip.x, tip.y, 14.0f, Hex(0xfff060), 0.8f);
        Solid(
            img, [=](float x, float y) { return SdCircle(x, y, tip.x, tip.y, 14.0f); }, Hex(0xfff27a),
            Hex(0xf0b020), BoxAround(tip.x, tip.y, tip.x, tip.y, 20.0f), 6.0f);
    }
    // Head: a wide dome tapering to a small chin.
    auto head = [](float x, float y) {
        return SmoothUnion(SdEllipse(x, y, 256.0f, 206.0f, 150.0f, 112.0f),
                           SdEllipse(x, y, 256.0f, 318.0f, 50.0f, 52.0f), 70.0f);
    };
    Solid(img, head, skin, shade, BoxAround(100.0f, 90.0f, 412.0f, 380.0f, 12.0f), 22.0f);
    Gloss(img, 190.0f, 140.0f, 40.0f, 16.0f, -0.5f, 0.5f);
    // Almond eyes, tilted up at the outer corners.
    for (const float side : {-1.0f, 1.0f}) {
        const float ex = 256.0f + side * 64.0f, ey = 236.0f;
        auto eye = [=](float x, float y) {
            const Pt q = Unrotate(x, y, ex, ey, side * 0.55f);
            return SdEllipse(q.x, q.y, ex, ey, 52.0f, 27.0f);
        };
        PaintInkedShaded(
            img, eye,
            [=](float, float y) {
                return Mix(Hex(0x101018), Hex(0x3a2a5a), Clamp01((y - ey) / 30.0f + 0.3f) * 0.8f);
            },
            kInk, 3.0f, EllipseBox(ex, ey, 56.0f, 56.0f));
        Paint(
            img,
            [=](float x, float y) {
                return SdEllipse(x, y, ex - 14.0f * side - 6.0f, ey - 8.0f, 12.0f, 8.0f);
            },
            Hex(0xffffff), 0.95f, EllipseBox(ex, ey, 56.0f, 56.0f));
        Paint(
            img, [=](float x, float y) { return SdCircle(x, y, ex + 14.0f * side, ey + 8.0f, 4.0f); },
            Hex(0xffffff), 0.8f, EllipseBox(ex, ey, 56.0f, 56.0f));
    }
    // Two nostril dots and a small pleased smile.
    Paint(
        img, [](float x, float y) { return SdEllipse(x, y, 246.0f, 300.0f, 3.0f, 4.5f); }, kInk, 1.0f,
        BoxAround(240.0f, 292.0f, 252.0f, 308.0f, 2.0f));
    Paint(
        img, [](float x, float y) { return SdEllipse(x, y, 266.0f, 300.0f, 3.0f, 4.5f); }, kInk, 1.0f,
        BoxAround(260.0f, 292.0f, 272.0f, 308.0f, 2.0f));
    Line(img, Bezier({226.0f, 330.0f}, {256.0f, 350.0f}, {286.0f, 330.0f}), 6.0f);
    Blush(img, 176.0f, 290.0f, Hex(0x40c0a0), 0.35f);
    Blush(img, 336.0f, 290.0f, Hex(0x40c0a0), 0.35f);
}

// 3: a square-jawed dude with a black flat-top, shades and a smirk, on electric blue.
void Dude(Image& img)
{
    Sunburst(img, Hex(0x4a8cff), Hex(0x2a5ad8), 18, 256.0f, 220.0f, 0.1f);
    const Rgb skin = Hex(0xd99562), shade = Hex(0xa8683c);
    // Black leather jacket over a white T-shirt.
    Body(img, Hex(0x2a2a34), Hex(0x121218), skin, shade, 52.0f);
    const std::vector<Pt> tee = {{206.0f, 440.0f}, {306.0f, 440.0f}, {286.0f, 512.0f}, {226.0f, 512.0f}};
    Solid(
        img, [&](float x, float y) { return SdPolygon(x, y, tee); }, Hex(0xf4f4f4), Hex(0xc0c4cc),
        BoxAround(200.0f, 436.0f, 312.0f, 512.0f, 10.0f), 10.0f);
    for (const float side : {-1.0f, 1.0f}) {
        const std::vector<Pt> lapel = {{256.0f + side * 50.0f, 432.0f},
                                       {256.0f + side * 118.0f, 448.0f},
                                       {256.0f + side * 64.0f, 512.0f},
                                       {256.0f + side * 34.0f, 512.0f}};
        Solid(
            img, [&](float x, float y) { return SdPolygon(x, y, lapel); }, Hex(0x3a3a48), Hex(0x1a1a22),
            BoxAround(256.0f + side * 30.0f, 428.0f, 256.0f + side * 122.0f, 512.0f, 10.0f), 8.0f);
    }
    for (const float side : {-1.0f, 1.0f}) {
        Solid(
            img,
            [=](float x, float y) { return SdEllipse(x, y, 256.0f + side * 122.0f, 262.0f, 22.0f, 34.0f); },
            skin, shade, EllipseBox(256.0f + side * 122.0f, 262.0f, 22.0f, 34.0f), 10.0f);
    }
    // A blocky head, wider at the jaw.
    auto head = [](float x, float y) {
        const float widen = 0.1f * Clamp01((y - 180.0f) / 160.0f) * 120.0f;
        return SdBox(x, y, 256.0f, 252.0f, 112.0f + widen * 0.15f, 138.0f, 46.0f);
    };
    Solid(img, head, skin, shade, BoxAround(130.0f, 100.0f, 382.0f, 400.0f, 12.0f), 22.0f);
    // Flat-top hair with sideburns.
    auto hair = [](float x, float y) {
        const float top = SdBox(x, y, 256.0f, 116.0f, 120.0f, 42.0f, 14.0f);
        const float burns = std::min(SdBox(x, y, 146.0f, 200.0f, 12.0f, 50.0f, 6.0f),
                                     SdBox(x, y, 366.0f, 200.0f, 12.0f, 50.0f, 6.0f));
        return std::min(top, burns);
    };
    PaintInkedShaded(
        img, hair,
        [](float x, float y) {
            const float bristle = 0.5f + 0.5f * std::sin(x * 0.9f) * ValueNoise(x / 3.0f, y / 8.0f, 421u);
            return Mix(Hex(0x141418), Hex(0x3a3a4a), 0.5f * bristle + 0.3f * Smoothstep(80.0f, 60.0f, y));
        },
        kInk, kInkWidth, BoxAround(130.0f, 56.0f, 382.0f, 256.0f, 10.0f));
    Taper(img, {170.0f, 184.0f}, {206.0f, 172.0f}, {238.0f, 184.0f}, 14.0f);
    Taper(img, {274.0f, 180.0f}, {306.0f, 164.0f}, {342.0f, 176.0f}, 14.0f);
    // Shades: two wedge lenses on a bar, sky and sunset reflected in them.
    // Lenses narrow towards their lower outer corners, like aviators.
    auto lens = [](float x, float y, float cx) {
        return SdBox(x, y, cx, 226.0f, 50.0f, 26.0f, 14.0f) +
               0.0096f * std::max(0.0f, y - 226.0f) * std::abs(x - cx);
    };
    const Box shadesBox = BoxAround(130.0f, 190.0f, 382.0f, 270.0f, 10.0f);
    PaintInked(
        img, [](float x, float y) { return SdBox(x, y, 256.0f, 212.0f, 118.0f, 5.0f, 3.0f); }, Hex(0x101014),
        kInk, 2.0f, shadesBox);
    for (const float cx : {200.0f, 312.0f}) {
        PaintInkedShaded(
            img, [=](float x, float y) { return lens(x, y, cx); },
            [=](float x, float y) {
                const float t = (y - 200.0f) / 52.0f + 0.3f * (x - cx) / 50.0f;
                Rgb c = Mix(Hex(0x20285a), Hex(0x0a0a14), Smoothstep(0.0f, 0.5f, t));
                c = Mix(c, Hex(0xff60a0), 0.7f * Smoothstep(0.55f, 0.75f, t) * Smoothstep(1.0f, 0.8f, t));
                return c;
            },
            kInk, kInkWidth, shadesBox);
        Line(img, {{cx - 34.0f, 214.0f}, {cx - 14.0f, 206.0f}}, 5.0f, Hex(0xffffff));
    }
    // A strong nose and a lopsided smirk with a dimple.
    Line(img, Bezier({256.0f, 250.0f}, {246.0f, 290.0f}, {262.0f, 300.0f}, 12), 5.0f);
    Line(img, Bezier({250.0f, 302.0f}, {262.0f, 306.0f}, {276.0f, 298.0f}, 10), 4.0f);
    Taper(img, {206.0f, 340.0f}, {260.0f, 350.0f}, {318.0f, 318.0f}, 10.0f);
    Line(img, Bezier({322.0f, 310.0f}, {330.0f, 318.0f}, {326.0f, 328.0f}, 8), 4.0f);
    Line(img, Bezier({246.0f, 372.0f}, {256.0f, 378.0f}, {266.0f, 372.0f}, 8), 4.0f, shade * 0.8f);
}

// 4: a girl with long wavy red hair, green eyes with lashes and a warm smile, on candy pink.
void Girl(Image& img)
{
    Sunburst(img, Hex(0xff9ad0), Hex(0xf06aa8), 20, 256.0f, 230.0f, 0.05f);
    const Rgb skin = Hex(0xffe2cc), shade = Hex(0xf0ae92), hairLight = Hex(0xd8401e),
              hairDark = Hex(0x8a1c10);
    // Long hair falling behind the shoulders, its edge waving.
    auto backHair = [](float x, float y) {
        const float wave = 10.0f * std::sin(y * 0.06f) * Smoothstep(200.0f, 300.0f, y);
        return SmoothUnion(SdEllipse(x, y, 256.0f, 230.0f, 168.0f + wave, 170.0f),
                           SdBox(x, y, 256.0f, 400.0f, 172.0f + wave, 110.0f, 60.0f), 40.0f);
    };
    Solid(img, backHair, hairLight, hairDark, BoxAround(70.0f, 50.0f, 442.0f, 512.0f, 12.0f), 28.0f);
    Body(img, Hex(0x8a4ae0), Hex(0x5a2aa8), skin, shade, 38.0f);
    // Locks falling over the shoulders.
    for (const float side : {-1.0f, 1.0f}) {
        auto lock = [=](float x, float y) {
            const float cx = 256.0f + side * (128.0f + 14.0f * std::sin(y * 0.05f));
            return SdBox(x, y, cx, 380.0f, 34.0f - 0.08f * std::max(0.0f, y - 380.0f), 120.0f, 30.0f);
        };
        Solid(
            img, lock, hairLight, hairDark,
            BoxAround(256.0f + side * 128.0f - 60.0f, 250.0f, 256.0f + side * 128.0f + 60.0f, 512.0f, 10.0f),
            16.0f);
    }
    auto head = [](float x, float y) {
        return SmoothUnion(SdEllipse(x, y, 256.0f, 240.0f, 112.0f, 128.0f),
                           SdEllipse(x, y, 256.0f, 320.0f, 60.0f, 50.0f), 40.0f);
    };
    Solid(img, head, skin, shade, BoxAround(130.0f, 100.0f, 382.0f, 385.0f, 12.0f), 18.0f);
    Blush(img, 186.0f, 296.0f, Hex(0xff5a7a), 0.55f);
    Blush(img, 326.0f, 296.0f, Hex(0xff5a7a), 0.55f);
    for (const float side : {-1.0f, 1.0f}) {
        const float ex = 256.0f + side * 50.0f, ey = 250.0f;
        Eye(img, ex, ey, 30.0f, 32.0f, Hex(0x2aa84a), -0.1f * side, 0.2f);
        // Three lashes sweeping out from the outer corner.
        for (int k = 0; k < 3; ++k) {
            const float a = -0.5f - 0.35f * Fx(k);
            const float bx = ex + side * (22.0f - 8.0f * Fx(k)), by = ey - 22.0f - 3.0f * Fx(k);
            Taper(img, {bx, by}, {bx + side * 6.0f * std::cos(a), by + 8.0f * std::sin(a)},
                  {bx + side * 16.0f * std::cos(a), by + 18.0f * std::sin(a)}, 6.0f);
        }
        Taper(img, {ex - 28.0f, ey - 44.0f}, {ex, ey - 58.0f}, {ex + 28.0f, ey - 46.0f}, 8.0f, hairDark);
    }
    // Small nose, open smile with a lower lip.
    Line(img, Bezier({250.0f, 296.0f}, {258.0f, 304.0f}, {266.0f, 296.0f}, 8), 4.0f, shade * 0.7f);
    auto mouth = [](float x, float y) {
        return std::max(SdEllipse(x, y, 256.0f, 328.0f, 42.0f, 26.0f), 330.0f - y);
    };
    const Box mouthBox = BoxAround(206.0f, 320.0f, 306.0f, 360.0f, 8.0f);
    PaintInked(img, mouth, Hex(0x8a1a3a), kInk, 4.0f, mouthBox);
    Paint(
        img, [&](float x, float y) { return std::max(mouth(x, y), y - 340.0f); }, Hex(0xffffff), 1.0f,
        mouthBox);
    Paint(
        img,
        [&](float x, float y) {
            return std::max(mouth(x, y), SdEllipse(x, y, 256.0f, 360.0f, 24.0f, 12.0f));
        },
        Hex(0xff7a90), 1.0f, mouthBox);
    Line(img, {{212.0f, 330.0f}, {300.0f, 330.0f}}, 4.0f);
    // Fringe: soft scallops across the forehead, and a gloss on the crown.
    auto fringe = [](float x, float y) {
        const float cap = SdEllipse(x, y, 256.0f, 178.0f, 136.0f, 86.0f);
        const float scallop = y - 196.0f - 16.0f * std::abs(std::sin((x - 256.0f) * 0.045f));
        return std::max(cap, scallop);
    };
    Solid(img, fringe, hairLight, hairDark, BoxAround(110.0f, 80.0f, 402.0f, 230.0f, 12.0f), 14.0f);
    Gloss(img, 200.0f, 128.0f, 40.0f, 12.0f, -0.4f, 0.4f);
    // Gold hoops below the hair.
    for (const float side : {-1.0f, 1.0f}) {
        const float hx = 256.0f + side * 108.0f, hy = 320.0f;
        PaintInked(
            img, [=](float x, float y) { return std::abs(SdCircle(x, y, hx, hy, 14.0f)) - 3.5f; },
            Hex(0xffd040), kInk, 2.5f, BoxAround(hx, hy, hx, hy, 24.0f));
    }
}

// 5: a bald professor with white tufts, round glasses, a walrus moustache and an astonished "O",
// on hot orange.
void Professor(Image& img)
{
    Sunburst(img, Hex(0xff8a3a), Hex(0xe85a24), 24, 256.0f, 220.0f, 0.15f);
    const Rgb skin = Hex(0xffd6b4), shade = Hex(0xe0a080);
    // Tweed jacket, white collar and a red polka-dot bow tie.
    Body(img, Hex(0x8a6a44), Hex(0x5a4228), skin, shade, 40.0f);
    for (const float side : {-1.0f, 1.0f}) {
        const std::vector<Pt> collar = {
            {256.0f, 452.0f}, {256.0f + side * 60.0f, 420.0f}, {256.0f + side * 70.0f, 470.0f}};
        Solid(
            img, [&](float x, float y) { return SdPolygon(x, y, collar) - 4.0f; }, Hex(0xffffff),
            Hex(0xc8ccd8), BoxAround(256.0f, 410.0f, 256.0f + side * 80.0f, 480.0f, 10.0f), 8.0f);
    }
    auto bow = [](float x, float y) {
        const float dx = std::abs(x - 256.0f);
        const float wing =
            SdPolygon(dx + 256.0f, y, {{256.0f, 452.0f}, {306.0f, 426.0f}, {306.0f, 482.0f}}) - 5.0f;
        return std::min(wing, SdCircle(x, y, 256.0f, 454.0f, 12.0f));
    };
    PaintInkedShaded(
        img, bow,
        [](float x, float y) {
            const float gx = std::fmod(x + 100.0f, 16.0f) - 8.0f, gy = std::fmod(y, 16.0f) - 8.0f;
            return Mix(Hex(0xd8202a), Hex(0xffffff), Coverage(Length(gx, gy) - 3.0f));
        },
        kInk, kInkWidth, BoxAround(190.0f, 416.0f, 322.0f, 492.0f, 10.0f));
    for (const float side : {-1.0f, 1.0f}) {
        Solid(
            img,
            [=](float x, float y) { return SdEllipse(x, y, 256.0f + side * 116.0f, 262.0f, 22.0f, 32.0f); },
            skin, shade, EllipseBox(256.0f + side * 116.0f, 262.0f, 22.0f, 32.0f), 10.0f);
    }
    auto head = [](float x, float y) { return SdEllipse(x, y, 256.0f, 236.0f, 112.0f, 148.0f); };
    Solid(img, head, skin, shade, EllipseBox(256.0f, 236.0f, 112.0f, 148.0f), 20.0f);
    Gloss(img, 206.0f, 124.0f, 34.0f, 14.0f, -0.6f, 0.6f);
    // Forehead wrinkles.
    for (int k = 0; k < 3; ++k) {
        const float y = 140.0f + 16.0f * Fx(k);
        Taper(img, {212.0f, y + 6.0f}, {256.0f, y - 6.0f}, {300.0f, y + 6.0f}, 5.0f, shade * 0.75f);
    }
    // White tufts over the ears: clouds of puffs.
    for (const float side : {-1.0f, 1.0f}) {
        auto tuft = [=](float x, float y) {
            float d = 1e9f;
            for (int k = 0; k < 5; ++k) {
                const float px = 256.0f + side * (118.0f + 14.0f * std::sin(Fx(k) * 1.7f)),
                            py = 170.0f + 26.0f * Fx(k);
                d = SmoothUnion(d, SdCircle(x, y, px, py, 24.0f - 2.0f * Fx(k)), 6.0f);
            }
            return d;
        };
        Solid(
            img, tuft, Hex(0xf6f6f8), Hex(0xb8bcc8),
            BoxAround(256.0f + side * 118.0f - 50.0f, 130.0f, 256.0f + side * 118.0f + 50.0f, 300.0f, 10.0f),
            10.0f);
    }
    // Eyebrows raised high in surprise, small eyes behind big round glasses.
    Taper(img, {172.0f, 190.0f}, {204.0f, 166.0f}, {238.0f, 180.0f}, 14.0f, Hex(0xe8e8f0));
    Taper(img, {274.0f, 180.0f}, {308.0f, 166.0f}, {340.0f, 190.0f}, 14.0f, Hex(0xe8e8f0));
    for (const float side : {-1.0f, 1.0f}) {
        const float ex = 256.0f + side * 50.0f, ey = 228.0f;
        Eye(img, ex, ey, 16.0f, 19.0f, Hex(0x5a3a20), 0.0f, 0.0f);
        const Box box = EllipseBox(ex, ey, 40.0f, 40.0f);
        PaintSoft(
            img, [=](float x, float y) { return SdCircle(x, y, ex, ey, 36.0f); }, Hex(0xc8f0ff), 2.0f, 0.18f,
            box);
        PaintInked(
            img, [=](float x, float y) { return std::abs(SdCircle(x, y, ex, ey, 38.0f)) - 3.0f; },
            Hex(0xc89a30), kInk, 2.5f, box);
        Line(img, {{ex - 20.0f, ey - 22.0f}, {ex - 8.0f, ey - 30.0f}}, 4.0f, Hex(0xffffff));
    }
    PaintInked(
        img,
        [](float x, float y) {
            return SdSegment(x, y, {244.0f, 226.0f}, {268.0f, 226.0f}) - 3.0f;
        },
        Hex(0xc89a30), kInk, 2.5f, BoxAround(236.0f, 218.0f, 276.0f, 234.0f, 6.0f));
    // A big red nose over a white walrus moustache, the mouth a round "O" beneath.
    auto mouth = [](float x, float y) { return SdEllipse(x, y, 256.0f, 344.0f, 20.0f, 26.0f); };
    PaintInkedShaded(
        img, mouth,
        [](float, float y) { return Mix(Hex(0x5a0c1c), Hex(0xd84a5a), Smoothstep(340.0f, 366.0f, y)); }, kInk,
        kInkWidth, EllipseBox(256.0f, 344.0f, 20.0f, 26.0f));
    auto moustache = [](float x, float y) {
        const float dx = std::abs(x - 256.0f);
        const float droop = 0.0025f * dx * dx;
        return SdEllipse(dx, y - droop, 34.0f, 302.0f, 42.0f, 20.0f);
    };
    Solid(img, moustache, Hex(0xf8f8fa), Hex(0xb8bcc8), BoxAround(166.0f, 278.0f, 346.0f, 340.0f, 10.0f),
          8.0f);
    Solid(
        img, [](float x, float y) { return SdEllipse(x, y, 256.0f, 272.0f, 26.0f, 22.0f); }, Hex(0xff9a8a),
        Hex(0xe06a5a), EllipseBox(256.0f, 272.0f, 26.0f, 22.0f), 8.0f);
    Gloss(img, 248.0f, 264.0f, 7.0f, 4.0f, -0.5f, 0.7f);
}

// 6: a winking punk with a tall pink mohawk, tongue out and a nose ring, on lime green.
void Punk(Image& img)
{
    Sunburst(img, Hex(0xb8f03a), Hex(0x86c81a), 14, 256.0f, 240.0f, 0.3f);
    const Rgb skin = Hex(0xf2c8a4), shade = Hex(0xcc9270);
    // Studded black leather over a red T-shirt.
    Body(img, Hex(0x24242c), Hex(0x101014), skin, shade, 42.0f);
    const std::vector<Pt> tee = {{214.0f, 438.0f}, {298.0f, 438.0f}, {288.0f, 512.0f}, {224.0f, 512.0f}};
    Solid(
        img, [&](float x, float y) { return SdPolygon(x, y, tee); }, Hex(0xd82a2a), Hex(0x901818),
        BoxAround(206.0f, 430.0f, 306.0f, 512.0f, 10.0f), 8.0f);
    for (int k = 0; k < 7; ++k) {
        const float a = kPi * (1.15f + 0.1f * Fx(k) + (k > 3 ? 0.4f : 0.0f));
        const float sx = 256.0f + 170.0f * std::cos(a) * -1.0f, sy = 590.0f + 135.0f * std::sin(a);
        PaintBevelled(
            img, [=](float x, float y) { return SdCircle(x, y, sx, sy, 6.0f); },
            [](float, float) { return Hex(0xd0d4dc); }, 3.0f, 0.7f, BoxAround(sx, sy, sx, sy, 8.0f));
    }
    for (const float side : {-1.0f, 1.0f}) {
        Solid(
            img,
            [=](float x, float y) { return SdEllipse(x, y, 256.0f + side * 116.0f, 258.0f, 22.0f, 32.0f); },
            skin, shade, EllipseBox(256.0f + side * 116.0f, 258.0f, 22.0f, 32.0f), 10.0f);
        // A row of rings up the ear.
        for (int k = 0; k < 3; ++k) {
            const float rx = 256.0f + side * 132.0f, ry = 244.0f + 14.0f * Fx(k);
            PaintInked(
                img, [=](float x, float y) { return std::abs(SdCircle(x, y, rx, ry, 6.0f)) - 2.0f; },
                Hex(0xd8dce4), kInk, 1.5f, BoxAround(rx, ry, rx, ry, 12.0f));
        }
    }
    // A lean face with a pointed chin.
    auto head = [](float x, float y) {
        return SmoothUnion(SdEllipse(x, y, 256.0f, 232.0f, 106.0f, 126.0f),
                           SdEllipse(x, y, 256.0f, 330.0f, 40.0f, 40.0f), 50.0f);
    };
    Solid(img, head, skin, shade, BoxAround(140.0f, 96.0f, 372.0f, 384.0f, 12.0f), 18.0f);
    // Shaved sides: a stubble tint over the skull, fading out towards the face and the crown.
    for (int y = 90; y < 220; ++y) {
        for (int x = 130; x < 382; ++x) {
            const float px = Fx(x) + 0.5f, py = Fx(y) + 0.5f;
            const float a = Coverage(head(px, py) + 3.0f) * Smoothstep(205.0f, 170.0f, py) *
                            Smoothstep(24.0f, 44.0f, std::abs(px - 256.0f));
            const Rgb stubble = Mix(Hex(0x5a4a5a), Hex(0x8a7a8a), ValueNoise(px / 2.0f, py / 2.0f, 431u));
            if (a > 0.0f) img.Blend(x, y, stubble, 0.45f * a);
        }
    }
    // The mohawk: five tall spikes fanning out from a strip along the crown.
    auto mohawk = [](float x, float y) {
        float d = SdBox(x, y, 256.0f, 122.0f, 28.0f, 26.0f, 10.0f);
        for (int k = 0; k < 5; ++k) {
            const float a = -0.52f + 0.26f * Fx(k);
            const float len = 118.0f + 22.0f * std::cos(a * 3.0f) + 8.0f * Hash01(k, 0, 432u);
            const float bx = 256.0f + 90.0f * std::sin(a), by = 132.0f;
            const float tx = 256.0f + (len + 30.0f) * std::sin(a) * 1.3f, ty = by - len * std::cos(a);
            const float nx = std::cos(a) * 17.0f, ny = std::sin(a) * 17.0f;
            d = std::min(d, SdPolygon(x, y,
                                      {{bx - nx * 0.8f - 40.0f * std::sin(a) + 0.0f, by - ny},
                                       {tx, ty},
                                       {bx + nx - 40.0f * std::sin(a), by + ny}}) -
                                3.0f);
        }
        return d;
    };
    Solid(img, mohawk, Hex(0xff3aa8), Hex(0xb8107a), BoxAround(120.0f, 0.0f, 392.0f, 160.0f, 12.0f), 12.0f);
    Gloss(img, 240.0f, 66.0f, 5.0f, 22.0f, 0.05f, 0.4f);
    // Left eye open and looking sideways, right eye a winking curve; angled brows.
    Eye(img, 208.0f, 232.0f, 26.0f, 28.0f, Hex(0x8a4ae0), 0.4f, 0.0f, 0.3f, skin);
    Taper(img, {280.0f, 236.0f}, {306.0f, 216.0f}, {332.0f, 236.0f}, 9.0f);
    Taper(img, {176.0f, 186.0f}, {208.0f, 190.0f}, {236.0f, 200.0f}, 12.0f, Hex(0x2a1a2a));
    Taper(img, {278.0f, 206.0f}, {306.0f, 188.0f}, {338.0f, 192.0f}, 12.0f, Hex(0x2a1a2a));
    // Nose with a ring.
    Line(img, Bezier({254.0f, 250.0f}, {242.0f, 286.0f}, {260.0f, 292.0f}, 12), 5.0f);
    PaintInked(
        img, [](float x, float y) { return std::abs(SdCircle(x, y, 268.0f, 296.0f, 8.0f)) - 2.0f; },
        Hex(0xd8dce4), kInk, 1.5f, BoxAround(268.0f, 296.0f, 268.0f, 296.0f, 14.0f));
    // A cheeky grin to one side with the tongue out.
    auto mouth = [](float x, float y) {
        const Pt q = Unrotate(x, y, 262.0f, 326.0f, -0.12f);
        return std::max(SdEllipse(q.x, q.y, 262.0f, 322.0f, 48.0f, 24.0f), 322.0f - q.y);
    };
    const Box mouthBox = BoxAround(200.0f, 300.0f, 330.0f, 390.0f, 8.0f);
    PaintInked(img, mouth, Hex(0x4a0a18), kInk, 4.0f, mouthBox);
    auto tongue = [](float x, float y) {
        return std::max(SmoothUnion(SdEllipse(x, y, 272.0f, 354.0f, 22.0f, 26.0f),
                                    SdBox(x, y, 272.0f, 338.0f, 22.0f, 10.0f), 6.0f),
                        328.0f - y);
    };
    Solid(img, tongue, Hex(0xff6a8a), Hex(0xd03a5a), mouthBox, 6.0f);
    Line(img, Bezier({272.0f, 336.0f}, {270.0f, 350.0f}, {274.0f, 364.0f}, 8), 3.0f, Hex(0xa02040));
    Line(img, Bezier({206.0f, 320.0f}, {262.0f, 330.0f}, {312.0f, 308.0f}, 16), 5.0f);
}

// Catmull-Rom weights of the four samples around a point at fraction t past the second.
void CubicWeights(float t, float w[4])
{
    const float t2 = t * t, t3 = t2 * t;
    w[0] = 0.5f * (-t3 + 2.0f * t2 - t);
    w[1] = 0.5f * (3.0f * t3 - 5.0f * t2 + 2.0f);
    w[2] = 0.5f * (-3.0f * t3 + 4.0f * t2 + t);
    w[3] = 0.5f * (t3 - t2);
}

// Fills `out` with the square of `in` centred on (cx, cy), `half` pixels from its centre to its
// sides, enlarged by bicubic sampling.
void Enlarge(const Image& in, float cx, float cy, float half, Image& out)
{
    const float step = 2.0f * half / Fx(out.width);
    for (int y = 0; y < out.height; ++y) {
        const float sy = cy - half + (Fx(y) + 0.5f) * step - 0.5f;
        const int y0 = static_cast<int>(std::floor(sy));
        float wy[4];
        CubicWeights(sy - Fx(y0), wy);
        for (int x = 0; x < out.width; ++x) {
            const float sx = cx - half + (Fx(x) + 0.5f) * step - 0.5f;
            const int x0 = static_cast<int>(std::floor(sx));
            float wx[4];
            CubicWeights(sx - Fx(x0), wx);
            Rgb c;
            for (int j = 0; j < 4; ++j) {
                const int py = std::clamp(y0 - 1 + j, 0, in.height - 1);
                for (int i = 0; i < 4; ++i) {
                    const int px = std::clamp(x0 - 1 + i, 0, in.width - 1);
                    c = c + in.At(px, py) * (wx[i] * wy[j]);
                }
            }
            out.At(x, y) = Rgb{Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
        }
    }
}

// Where each portrait's head lies in the frame it is drawn in: the centre and half side of the
// square that the image shows of it.
struct Framing {
    void (*draw)(Image&);
    float cx, cy, half;
};

const Framing kFaces[] = {
    {Kid, 256.0f, 252.0f, 178.0f},  {Alien, 256.0f, 236.0f, 186.0f},     {Dude, 256.0f, 246.0f, 176.0f},
    {Girl, 256.0f, 262.0f, 182.0f}, {Professor, 256.0f, 250.0f, 178.0f}, {Punk, 256.0f, 236.0f, 186.0f},
};

} // namespace

// The show draws a face about a quarter of the picture high, over teal and often half faded in: each
// portrait is drawn, then its head is enlarged to fill the image edge to edge (the ink, drawn thick
// for it, ends up bold), and a dark frame with a white rim makes the square stand out as a sticker.
bool PaintFace(int which, Image& img, std::string* error)
{
    if (which < 1 || which > 6) {
        *error = "there is no face " + std::to_string(which);
        return false;
    }
    const Framing& f = kFaces[which - 1];
    Image drawn(img.width, img.height);
    f.draw(drawn);
    Enlarge(drawn, f.cx, f.cy, f.half, img);
    const float w = Fx(img.width), h = Fx(img.height);
    auto inset = [=](float x, float y) { return std::min(std::min(x, w - x), std::min(y, h - y)); };
    Paint(
        img, [&](float x, float y) { return inset(x, y) - 21.0f; }, Hex(0xffffff));
    Paint(
        img, [&](float x, float y) { return inset(x, y) - 14.0f; }, kInk);
    return true;
}
