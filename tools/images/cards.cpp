// tools/images/cards.cpp -- the full-screen cards: "DrUfo presents" under a flying saucer, the
//   "TOOLBOX" title over a red toolbox on a workbench, and the greetings list round the cloud's stage.
#include <cmath>
#include <string>
#include <vector>

#include "art.h"
#include "noise.h"
#include "sdf.h"
#include "text.h"

namespace {

constexpr float kPi = 3.14159265f;

float Fx(int v)
{
    return static_cast<float>(v);
}

// Colour at t along stops (t, colour), t increasing; flat beyond the ends.
struct Stop {
    float t;
    Rgb c;
};
Rgb Ramp(const std::vector<Stop>& stops, float t)
{
    if (t <= stops.front().t) return stops.front().c;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].t) {
            return Mix(stops[i - 1].c, stops[i].c, (t - stops[i - 1].t) / (stops[i].t - stops[i - 1].t));
        }
    }
    return stops.back().c;
}

// The airbrushed chrome of 1980s titles, t from 0 at the letters' top to 1 at their baseline: sky
// reflected above a hard horizon, warm ground below it.
Rgb Chrome(float t)
{
    static const std::vector<Stop> stops = {
        {0.0f, Hex(0xf4fbff)},  {0.25f, Hex(0xb8dcff)}, {0.52f, Hex(0x3c6cc0)}, {0.53f, Hex(0x1a0f2e)},
        {0.62f, Hex(0x5a2a5a)}, {0.8f, Hex(0xe07a40)},  {1.0f, Hex(0xffe6a8)},
    };
    return Ramp(stops, t);
}

// Stars over the sky above y = yMax: many faint, a few bright with a soft halo and four spikes.
void Stars(Image& img, std::uint32_t seed, int count, float yMax)
{
    for (int k = 0; k < count; ++k) {
        const float x = Hash01(k, 0, seed) * Fx(img.width), y = Hash01(k, 1, seed) * yMax;
        const float b = std::pow(Hash01(k, 2, seed), 5.0f);
        const float tint = Hash01(k, 3, seed);
        const Rgb colour = tint < 0.3f ? Hex(0xbcd4ff) : (tint > 0.85f ? Hex(0xffe2c0) : Hex(0xffffff));
        AddGlow(img, x, y, 0.55f + 0.9f * b, colour, 0.25f + 1.2f * b);
        if (b > 0.45f) {
            AddGlow(img, x, y, 6.0f * b, colour, 0.12f * b);
            const int len = static_cast<int>(10.0f + 26.0f * b);
            const int cx = static_cast<int>(x), cy = static_cast<int>(y);
            for (int i = -len; i <= len; ++i) {
                const float f = 1.0f - std::abs(Fx(i)) / Fx(len);
                const Rgb spike = colour * (0.5f * b * f * f * f);
                if (cx + i >= 0 && cx + i < img.width && cy >= 0 && cy < img.height)
                    img.Add(cx + i, cy, spike);
                if (cy + i >= 0 && cy + i < img.height && cx >= 0 && cx < img.width)
                    img.Add(cx, cy + i, spike);
            }
        }
    }
}

// A title in `mask` painted through ramp(t) (t from 0 at `top` to 1 at `baseline`) with an ink
// outline, a solid extrusion `depth` pixels down and to the right, and a coloured glow around it.
template <class RampFn>
void ShinyTitle(Image& img, const Mask& mask, float top, float baseline, int depth, Rgb extrusion, Rgb glow,
                float glowStrength, const RampFn& ramp)
{
    AddMask(img, Blurred(mask, 14), glow * glowStrength);
    const Mask outline = Grown(mask, 5);
    for (int k = depth; k >= 1; --k) {
        const float f = Fx(k) / Fx(depth);
        Composite(
            img, outline, [&](float, float) { return extrusion * (1.0f - 0.5f * f); }, 1.0f, k, k);
    }
    Composite(img, outline, [](float, float) { return Hex(0x0c0618); });
    Composite(img, mask, [&](float, float y) { return ramp((y - top) / (baseline - top)); });
    // A thin white rim along the top of every letter, where the chrome catches the light.
    Mask rim(mask.width, mask.height);
    for (int y = 2; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x)
            rim.At(x, y) = Clamp01(mask.At(x, y) - mask.At(x, y - 2)) * 0.8f;
    }
    Composite(img, rim, [](float, float) { return Rgb{1.0f, 1.0f, 1.0f}; });
}

// A bright four-pointed sparkle (an astroid of light with a round core), `size` pixels from its
// centre to the tip of an arm.
void Sparkle(Image& img, float x, float y, float size, Rgb colour)
{
    AddGlow(img, x, y, 0.1f * size, colour, 1.2f);
    const Box box = BoxAround(x, y, x, y, size + 2.0f);
    for (int py = std::max(box.y0, 0); py < std::min(box.y1, img.height); ++py) {
        for (int px = std::max(box.x0, 0); px < std::min(box.x1, img.width); ++px) {
            const float dx = std::abs(Fx(px) + 0.5f - x) / size, dy = std::abs(Fx(py) + 0.5f - y) / size;
            const float f = 1.0f - (std::sqrt(dx) + std::sqrt(dy));
            if (f > 0.0f) img.Add(px, py, colour * (1.5f * f * f));
        }
    }
}

// A soft shadow of the mask, `dx`, `dy` pixels down and to the right, blurred by `radius`.
void PaintSoftMask(Image& img, const Mask& mask, int dx, int dy, int radius, float opacity)
{
    Composite(
        img, Blurred(mask, radius), [](float, float) { return Hex(0x000000); }, opacity, dx, dy);
}

} // namespace

// The show draws the intro's cards a little narrower than the picture (about 2.5 % of black on each
// side, more at wider screens): the card fades into black over its outer pixels, so that the black
// reads as the frame of a picture rather than a card that falls short.
void SoftEdge(Image& img)
{
    constexpr float kFade = 36.0f; // pixels
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float fx = std::min(Fx(x) + 0.5f, Fx(img.width - x) - 0.5f);
            const float fy = std::min(Fx(y) + 0.5f, Fx(img.height - y) - 0.5f);
            img.At(x, y) = img.At(x, y) * (Smoothstep(0.0f, kFade, fx) * Smoothstep(0.0f, 0.6f * kFade, fy));
        }
    }
}

bool PaintPresentCard(Image& img, std::string* error)
{
    FontFace sans, serif;
    if (!sans.Open("Liberation Sans", "Bold Italic", error) ||
        !serif.Open("Liberation Serif", "Italic", error)) {
        return false;
    }
    const int w = img.width, h = img.height;

    // Night sky: black overhead to a violet glow at the horizon, with faint nebulae.
    const std::vector<Stop> sky = {{0.0f, Hex(0x020108)},  {0.4f, Hex(0x0b0722)}, {0.7f, Hex(0x24104a)},
                                   {0.84f, Hex(0x6a2060)}, {0.9f, Hex(0xa0406a)}, {1.0f, Hex(0xa0406a)}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float px = Fx(x), py = Fx(y);
            Rgb c = Ramp(sky, py / Fx(h));
            const float n1 = Fbm(px / 240.0f, py / 200.0f, 5, 101u);
            const float n2 = Fbm(px / 150.0f + 9.0f, py / 170.0f, 5, 102u);
            const float high = 1.0f - Smoothstep(0.35f, 0.8f, py / Fx(h));
            c = c + Hex(0x5a1a78) * (0.35f * Smoothstep(0.48f, 0.8f, n1) * high);
            c = c + Hex(0x10306a) * (0.45f * Smoothstep(0.5f, 0.85f, n2) * high);
            img.At(x, y) = c;
        }
    }
    Stars(img, 103u, 520, 0.8f * Fx(h));

    // The intro's wire sphere rests over the lower left of this card. The toolbox card is laid over
    // this one and this one shows through it for a while (it fades out as 1 / t), so the two are
    // laid out together: each bright thing here lies under something bright or busy there. The
    // title lies under the toolbox card's gold title, "presents" under its spanner,
    // the saucer and its beam under the toolbox's body and the bench, and a ringed planet (lit from
    // the left, the ring passing behind and in front) in the upper right under the hanging hammer.
    const float pcx = 880.0f, pcy = 330.0f, pr = 58.0f, tilt = -0.38f;
    const float ringScale = pr / 74.0f;
    auto ring = [&](float px, float py) {
        const Pt q = Unrotate(px, py, pcx, pcy, tilt);
        return std::abs(SdEllipse(q.x, q.y, pcx, pcy, 150.0f * ringScale, 30.0f * ringScale) + 2.0f) -
               9.0f * ringScale;
    };
    auto ringShade = [&](float px, float py) {
        const Pt q = Unrotate(px, py, pcx, pcy, tilt);
        const float across = Length((q.x - pcx) / (150.0f * ringScale), (q.y - pcy) / (30.0f * ringScale));
        const float band = ValueNoise(across * 60.0f, 0.5f, 104u);
        const float gap = Smoothstep(0.012f, 0.004f, std::abs(across - 1.0f));
        return Mix(Mix(Hex(0x9a7a68), Hex(0xf4dcb8), band), Hex(0x1a1024), 0.85f * gap);
    };
    const Box planetBox = BoxAround(pcx, pcy, pcx, pcy, 170.0f * ringScale);
    auto behindPlanet = [&](float px, float py) {
        const Pt q = Unrotate(px, py, pcx, pcy, tilt);
        return q.y < pcy;
    };
    PaintShaded(
        img, [&](float px, float py) { return behindPlanet(px, py) ? ring(px, py) : 1e9f; }, ringShade, 0.8f,
        planetBox);
    AddSoft(
        img, [&](float px, float py) { return SdCircle(px, py, pcx, pcy, pr); },
        [](float, float) { return Hex(0x3050a0) * 0.35f; }, 14.0f, planetBox);
    PaintShaded(
        img, [&](float px, float py) { return SdCircle(px, py, pcx, pcy, pr); },
        [&](float px, float py) {
            const float dx = (px - pcx) / pr, dy = (py - pcy) / pr;
            const float nz = std::sqrt(std::max(0.0f, 1.0f - dx * dx - dy * dy));
            const float lambert = std::max(0.0f, -0.75f * dx - 0.35f * dy + 0.55f * nz);
            // Gas bands follow latitude, swirled by noise.
            const Pt q = Unrotate(px, py, pcx, pcy, tilt);
            const float lat = (q.y - pcy) / pr + 0.12f * Fbm(dx * 3.0f, dy * 3.0f, 4, 105u);
            const float band = 0.5f + 0.5f * std::sin(lat * 14.0f);
            const Rgb surface = Mix(Hex(0xc07848), Hex(0xf0d0a0), band);
            return surface * (0.05f + 1.0f * lambert) + Hex(0x203060) * (0.15f * (1.0f - nz));
        },
        1.0f, planetBox);
    PaintShaded(
        img, [&](float px, float py) { return behindPlanet(px, py) ? 1e9f : ring(px, py); }, ringShade, 0.9f,
        planetBox);

    // Two ranges of hills against the horizon glow.
    for (int layer = 0; layer < 2; ++layer) {
        const float base = layer == 0 ? 652.0f : 708.0f, rise = layer == 0 ? 60.0f : 50.0f;
        const Rgb colour = layer == 0 ? Hex(0x1c0c2c) : Hex(0x08040e);
        for (int x = 0; x < w; ++x) {
            const float ridge =
                base - rise * Fbm(Fx(x) / (layer == 0 ? 180.0f : 120.0f), 3.5f + Fx(layer) * 7.0f, 5, 106u);
            for (int y = std::max(0, static_cast<int>(ridge) - 1); y < h; ++y) {
                const float cover = Clamp01(Fx(y) + 0.5f - ridge);
                // The far range's crest catches the glow.
                const Rgb c =
                    layer == 0 ? Mix(Hex(0x5a2a5a), colour, Smoothstep(0.0f, 6.0f, Fx(y) - ridge)) : colour;
                img.Blend(x, y, c, cover);
            }
        }
    }

    // The saucer's tractor beam: a widening cone of green-white light with motes in it.
    const float ux = 660.0f, uy = 540.0f, utilt = -0.1f;
    const float beamTop = 566.0f, beamBottom = 760.0f;
    for (int y = static_cast<int>(beamTop); y < h; ++y) {
        const float t = (Fx(y) - beamTop) / (beamBottom - beamTop);
        const float half = 70.0f + 300.0f * t;
        const float centre = ux + 12.0f * t;
        const float fade = (1.0f - Smoothstep(0.7f, 1.1f, t)) * (0.45f + 0.55f * (1.0f - t));
        for (int x = 0; x < w; ++x) {
            const float across = std::abs(Fx(x) - centre) / half;
            if (across >= 1.0f) continue;
            const float shimmer = 0.85f + 0.3f * ValueNoise((Fx(x) - centre) / half * 18.0f, t * 3.0f, 107u);
            const float a = (1.0f - Smoothstep(0.55f, 1.0f, across)) * fade * shimmer;
            img.Add(x, y, Hex(0x60ffc8) * (0.22f * a) + Hex(0xffffff) * (0.06f * a * (1.0f - across)));
        }
    }
    for (int k = 0; k < 60; ++k) {
        const float t = Hash01(k, 0, 108u);
        const float half = 70.0f + 300.0f * t;
        const float x = ux + 12.0f * t + (Hash01(k, 1, 108u) * 2.0f - 1.0f) * half * 0.8f;
        AddGlow(img, x, beamTop + t * (beamBottom - beamTop), 1.2f, Hex(0xc8ffe8), 0.7f * (1.0f - t));
    }

    // The saucer, tilted a little: hull, rim band with lights, glass dome with a pilot.
    auto local = [&](float px, float py) { return Unrotate(px, py, ux, uy, utilt); };
    const Box ufoBox = BoxAround(ux - 200.0f, uy - 100.0f, ux + 200.0f, uy + 80.0f, 4.0f);
    AddSoft(
        img,
        [&](float px, float py) {
            Pt q = local(px, py);
            return SdEllipse(q.x, q.y, ux, uy + 4.0f, 180.0f, 44.0f);
        },
        [](float, float) { return Hex(0x40ffc0) * 0.25f; }, 30.0f, BoxAround(ux, uy, ux, uy, 260.0f));
    PaintBevelled(
        img,
        [&](float px, float py) {
            Pt q = local(px, py);
            return SdEllipse(q.x, q.y, ux, uy + 24.0f, 92.0f, 26.0f);
        },
        [&](float px, float py) {
            Pt q = local(px, py);
            return Mix(Hex(0x5a6474), Hex(0x1a1e28), Clamp01((q.y - uy - 10.0f) / 40.0f));
        },
        6.0f, 0.5f, ufoBox);
    const float domeCut = uy - 6.0f;
    PaintBevelled(
        img,
        [&](float px, float py) {
            Pt q = local(px, py);
            return std::max(SdEllipse(q.x, q.y, ux, domeCut, 68.0f, 62.0f), q.y - domeCut);
        },
        [&](float px, float py) {
            Pt q = local(px, py);
            const float v = Clamp01((domeCut - q.y) / 62.0f);
            return Mix(Hex(0x0a3a4a), Hex(0x2a8aa0), v * 0.6f);
        },
        5.0f, 0.6f, ufoBox);
    // The pilot: a green head with two big black eyes, seen through the glass.
    const float ax = ux + 4.0f, ay = domeCut - 26.0f;
    auto pilotHead = [&](float px, float py) {
        Pt q = local(px, py);
        return SmoothUnion(SdEllipse(q.x, q.y, ax, ay, 22.0f, 24.0f),
                           SdEllipse(q.x, q.y, ax, ay + 22.0f, 11.0f, 14.0f), 6.0f);
    };
    PaintShaded(
        img, pilotHead,
        [&](float px, float py) {
            Pt q = local(px, py);
            return Mix(Hex(0x9af07a), Hex(0x3a8a3a), Clamp01((q.x - ax + 18.0f) / 40.0f));
        },
        0.9f, ufoBox);
    for (int side = -1; side <= 1; side += 2) {
        PaintShaded(
            img,
            [&](float px, float py) {
                Pt q = local(px, py);
                const Pt e = Unrotate(q.x, q.y, ax + Fx(side) * 10.0f, ay + 2.0f, Fx(side) * 0.5f);
                return SdEllipse(e.x, e.y, ax + Fx(side) * 10.0f, ay + 2.0f, 8.0f, 12.0f);
            },
            [](float, float) { return Hex(0x05080a); }, 0.95f, ufoBox);
    }
    // Reflections on the glass.
    AddSoft(
        img,
        [&](float px, float py) {
            Pt q = local(px, py);
            const Pt e = Unrotate(q.x, q.y, ux - 30.0f, domeCut - 40.0f, -0.7f);
            return SdEllipse(e.x, e.y, ux - 30.0f, domeCut - 40.0f, 10.0f, 24.0f);
        },
        [](float, float) {
            return Rgb{0.35f, 0.5f, 0.55f};
        },
        5.0f, ufoBox);
    AddGlow(img, ux + 36.0f, domeCut - 44.0f, 3.0f, Rgb{0.8f, 1.0f, 1.0f}, 0.8f);
    // The main disc, polished metal: bright on top, dark beneath, a band of lights round its rim.
    PaintBevelled(
        img,
        [&](float px, float py) {
            Pt q = local(px, py);
            return SdEllipse(q.x, q.y, ux, uy + 2.0f, 180.0f, 30.0f);
        },
        [&](float px, float py) {
            Pt q = local(px, py);
            const float t = (q.y - (uy - 28.0f)) / 60.0f;
            static const std::vector<Stop> metal = {{0.0f, Hex(0xf2f6fa)},
                                                    {0.3f, Hex(0xaab6c6)},
                                                    {0.45f, Hex(0xe0e8f0)},
                                                    {0.55f, Hex(0x5a6678)},
                                                    {1.0f, Hex(0x20242e)}};
            return Ramp(metal, t);
        },
        5.0f, 0.5f, ufoBox);
    PaintShaded(
        img,
        [&](float px, float py) {
            Pt q = local(px, py);
            return std::max(SdEllipse(q.x, q.y, ux, uy + 2.0f, 176.0f, 27.0f),
                            std::abs(q.y - uy - 6.0f) - 5.0f);
        },
        [](float, float) { return Hex(0x262a36); }, 1.0f, ufoBox);
    const Rgb lightColours[] = {Hex(0xffe060), Hex(0x60f0ff), Hex(0xff60c0)};
    for (int k = 0; k < 9; ++k) {
        const float theta = kPi * (0.1f + 0.8f * Fx(k) / 8.0f);
        const float lx = ux - 165.0f * std::cos(theta), ly = uy + 6.0f + 6.0f * std::sin(theta);
        const float c = std::cos(utilt), s = std::sin(utilt);
        const float wx = ux + c * (lx - ux) - s * (ly - uy), wy = uy + s * (lx - ux) + c * (ly - uy);
        const Rgb colour = lightColours[k % 3];
        Paint(
            img, [&](float px, float py) { return SdCircle(px, py, wx, wy, 4.0f); },
            Mix(colour, Hex(0xffffff), 0.5f), 1.0f, BoxAround(wx, wy, wx, wy, 6.0f));
        AddGlow(img, wx, wy, 5.0f, colour, 0.9f);
    }

    // "DrUfo" in chrome, floating in the beam; "presents" beneath between two fine rules.
    Mask title(w, h);
    const float baseline = 222.0f, size = 160.0f, titleX = 512.0f;
    sans.DrawCentred(title, "DrUfo", static_cast<int>(size), titleX - 14.0f, baseline, 4.0f);
    ShinyTitle(img, title, baseline - 0.73f * size, baseline, 12, Hex(0x3a1a66), Hex(0xff40c0), 0.9f, Chrome);
    Sparkle(img, titleX - 165.0f, baseline - 110.0f, 34.0f, Rgb{1.0f, 1.0f, 1.0f});
    Sparkle(img, titleX + 192.0f, baseline - 18.0f, 26.0f, Rgb{1.0f, 0.95f, 0.85f});

    Mask sub(w, h);
    const std::string presents = "presents";
    const float subWidth = serif.Measure(presents, 64, 6.0f);
    const float subBase = 290.0f, subX = 236.0f, rule = subBase - 18.0f;
    serif.DrawCentred(sub, presents, 64, subX, subBase, 6.0f);
    AddMask(img, Blurred(sub, 6), Hex(0x40c0ff) * 0.8f);
    Composite(img, sub, [&](float, float y) {
        return Mix(Hex(0xffffff), Hex(0xa8dcff), Clamp01((y - subBase + 50.0f) / 55.0f));
    });
    for (int side = -1; side <= 1; side += 2) {
        const float x0 = subX + Fx(side) * (0.5f * subWidth + 24.0f), x1 = x0 + Fx(side) * 110.0f;
        PaintShaded(
            img,
            [&](float px, float py) {
                return SdSegment(px, py, {x0, rule}, {x1, rule}) - 0.9f;
            },
            [](float, float) { return Hex(0xa8dcff); }, 0.9f, BoxAround(x0, rule, x1, rule, 3.0f));
        AddGlow(img, x1, rule, 2.0f, Hex(0x80d0ff), 1.0f);
    }
    Vignette(img, 0.3f, 2.0f);
    SoftEdge(img);
    return true;
}

namespace {

// A shape given in its own frame, turned by `angle` radians about (cx, cy).
template <class Sdf> auto Turned(const Sdf& sdf, float cx, float cy, float angle)
{
    return [=](float px, float py) {
        const Pt q = Unrotate(px, py, cx, cy, angle);
        return sdf(q.x, q.y);
    };
}

// Polished steel across a bar: t from 0 on one side to 1 on the other.
Rgb Steel(float t)
{
    static const std::vector<Stop> stops = {{0.0f, Hex(0x5a626c)},
                                            {0.25f, Hex(0xe8eef4)},
                                            {0.45f, Hex(0xa0aab6)},
                                            {0.7f, Hex(0x606874)},
                                            {1.0f, Hex(0x2a2e36)}};
    return Ramp(stops, t);
}

// Red enamel of the toolbox, darker towards the bottom of each panel.
Rgb Enamel(float t)
{
    return Mix(Hex(0xe0402c), Hex(0x861410), Smoothstep(0.0f, 1.0f, t));
}

// A claw hammer hanging on the pegboard, head up, centred on x; its shadow falls down and right.
template <class Painter> void Hammer(float x, float top, const Painter& paint)
{
    // Handle: wood, round in section; head: steel with a flat face on the left and a claw on the right.
    paint(
        [=](float px, float py) {
            return SdSegment(px, py, {x, top + 20.0f}, {x, top + 250.0f}) - 11.0f;
        },
        [=](float px, float py) {
            const float across = (px - x) / 11.0f;
            const float grain = Fbm(px / 3.0f, py / 60.0f, 3, 201u);
            const Rgb wood = Mix(Hex(0x8a5428), Hex(0xd8a062), grain);
            return wood * (1.0f - 0.45f * across * across - 0.2f * across);
        },
        0);
    paint([=](float px, float py) { return SdBox(px, py, x, top + 235.0f, 12.5f, 18.0f, 6.0f); },
          [=](float px, float) {
              return Mix(Hex(0x202020), Hex(0x505050), Clamp01(1.0f - (px - x + 12.0f) / 25.0f));
          },
          0);
    paint(
        [=](float px, float py) {
            const float neck = SdBox(px, py, x - 8.0f, top, 38.0f, 15.0f, 5.0f);
            const float face = SdBox(px, py, x - 44.0f, top, 9.0f, 19.0f, 3.0f);
            const float claw = SdPolyline(px, py,
                                          Bezier({x + 20.0f, top - 1.0f}, {x + 54.0f, top - 2.0f},
                                                 {x + 72.0f, top + 30.0f}, 16)) -
                               13.0f + 10.0f * Clamp01((px - x - 22.0f) / 50.0f);
            return std::min(std::min(neck, face), claw);
        },
        [=](float, float py) { return Steel((py - top + 19.0f) / 38.0f); }, 1);
}

// An open-ended spanner, its jaw at one end and a ring at the other, in its own frame along x.
float SpannerShape(float px, float py, float cx, float cy)
{
    const float shaft = SdBox(px, py, cx, cy, 95.0f, 11.0f, 6.0f);
    const float jawHead = SdCircle(px, py, cx - 105.0f, cy, 30.0f);
    const float jaw = SdBox(px, py, cx - 130.0f, cy, 26.0f, 13.0f, 2.0f);
    const float ringHead = SdCircle(px, py, cx + 108.0f, cy, 25.0f);
    const float ringHole = SdCircle(px, py, cx + 108.0f, cy, 13.0f);
    float d = SmoothUnion(SmoothUnion(shaft, jawHead, 10.0f), ringHead, 10.0f);
    d = std::max(d, -jaw);
    return std::max(d, -ringHole);
}

} // namespace

bool PaintToolboxCard(Image& img, std::string* error)
{
    FontFace sans;
    if (!sans.Open("Liberation Sans", "Bold", error)) return false;
    const int w = img.width, h = img.height;
    const float benchTop = 560.0f, benchEdge = 684.0f;
    const float bx = 660.0f; // the toolbox's middle

    // Pegboard wall under a warm lamp: brown hardboard with a grid of holes.
    for (int y = 0; y < static_cast<int>(benchTop) + 2; ++y) {
        for (int x = 0; x < w; ++x) {
            const float px = Fx(x) + 0.5f, py = Fx(y) + 0.5f;
            Rgb c = Mix(Hex(0x5e4029), Hex(0x7a5536), Fbm(px / 90.0f, py / 90.0f, 4, 211u));
            c = c * (0.92f + 0.16f * ValueNoise(px / 1.5f, py / 1.5f, 212u));
            const float hx = std::fmod(px, 40.0f) - 20.0f, hy = std::fmod(py, 40.0f) - 20.0f;
            const float hole = Coverage(Length(hx, hy) - 5.0f);
            const float wall = Coverage(Length(hx + 2.0f, hy + 2.0f) - 5.0f);
            c = Mix(c, Hex(0x120c08), hole);
            c = Mix(c, Hex(0x4a3220), hole * (1.0f - wall));
            img.At(x, y) = c;
        }
    }
    // Tools on their hooks, each with a soft shadow on the board.
    auto shadowPainter = [&](auto sdf, auto, int) {
        PaintSoft(
            img, [&](float px, float py) { return sdf(px - 12.0f, py - 14.0f); }, Hex(0x000000), 7.0f, 0.45f);
    };
    auto toolPainter = [&](auto sdf, auto shade, int) { PaintBevelled(img, sdf, shade, 4.0f, 0.5f); };
    // The intro's wire sphere rests over the lower left of this card, so the tools keep to the right
    // and to the strip of board above it.
    const float hammerX = 925.0f, hammerTop = 292.0f;
    Hammer(hammerX, hammerTop, shadowPainter);
    Hammer(hammerX, hammerTop, toolPainter);
    // The spanner lies across two pegs under the title.
    const float sx = 232.0f, sy = 272.0f, sa = -0.06f;
    const float ringX = sx + 108.0f * std::cos(sa), ringY = sy + 108.0f * std::sin(sa);
    PaintSoft(
        img,
        Turned([&](float px, float py) { return SpannerShape(px, py, sx, sy); }, sx + 12.0f, sy + 14.0f, sa),
        Hex(0x000000), 7.0f, 0.45f);
    PaintBevelled(
        img, Turned([&](float px, float py) { return SpannerShape(px, py, sx, sy); }, sx, sy, sa),
        [&](float px, float py) {
            const Pt q = Unrotate(px, py, sx, sy, sa);
            return Steel((q.y - sy + 30.0f) / 60.0f) * 0.9f;
        },
        4.0f, 0.5f);
    for (const Pt peg : {Pt{hammerX - 32.0f, hammerTop + 21.0f}, Pt{hammerX + 32.0f, hammerTop + 21.0f},
                         Pt{ringX, ringY - 6.0f}, Pt{sx - 40.0f, sy - 17.0f}}) {
        Paint(
            img, [&](float px, float py) { return SdCircle(px, py, peg.x, peg.y, 5.5f); }, Hex(0xb0b4b8),
            1.0f, BoxAround(peg.x, peg.y, peg.x, peg.y, 8.0f));
    }

    // Workbench: a thick top of planks with the grain running along them, its front edge in shade.
    for (int y = static_cast<int>(benchTop); y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float px = Fx(x) + 0.5f, py = Fx(y) + 0.5f;
            const bool front = py >= benchEdge;
            const float warp = 6.0f * Fbm(px / 260.0f, py / 30.0f, 3, 221u);
            const float grain = 0.5f + 0.5f * std::sin((py / (front ? 5.0f : 4.0f) + warp) * 2.2f);
            const float fibre = ValueNoise(px / 40.0f, py * 1.2f, 222u);
            Rgb wood = Mix(Hex(0x9a6436), Hex(0xc8904e), 0.6f * grain + 0.4f * fibre);
            wood = wood * (0.85f + 0.25f * Fbm(px / 120.0f, py / 12.0f, 3, 223u));
            // Joints between the planks.
            for (const float joint : {604.0f, 646.0f})
                wood = wood * (1.0f - 0.6f * Coverage(std::abs(py - joint) - 1.0f));
            if (front) wood = wood * (0.45f - 0.1f * (py - benchEdge) / (Fx(h) - benchEdge));
            const float lip = Coverage(std::abs(py - benchEdge) - 1.0f);
            wood = Mix(wood, Hex(0xe8b878), 0.7f * lip);
            const float cover = Clamp01(py - benchTop);
            img.Blend(x, y, wood, cover);
        }
    }
    // The lamp's pool of light, then the toolbox's shadow on the bench.
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float dx = (Fx(x) - 512.0f) / 620.0f, dy = (Fx(y) - 360.0f) / 520.0f;
            img.At(x, y) = img.At(x, y) * (1.25f - 0.85f * (dx * dx + dy * dy));
        }
    }
    PaintSoft(
        img, [&](float px, float py) { return SdEllipse(px, py, bx + 8.0f, 640.0f, 250.0f, 16.0f); },
        Hex(0x000000), 16.0f, 0.75f);

    // A screwdriver lying on the bench, a hex nut and two screws beside it.
    const float dx0 = 520.0f, dy0 = 676.0f, dx1 = 654.0f, dy1 = 668.0f, tipX = 736.0f, tipY = 662.0f;
    PaintSoft(
        img,
        [&](float px, float py) {
            return SdSegment(px, py, {dx0, dy0 + 10.0f}, {tipX, tipY + 10.0f}) - 10.0f;
        },
        Hex(0x000000), 6.0f, 0.5f);
    PaintBevelled(
        img,
        [&](float px, float py) {
            return SdSegment(px, py, {dx1, dy1}, {tipX, tipY}) - 3.5f;
        },
        [&](float px, float py) {
            // Across the shaft: its signed distance from the axis, above negative, below positive.
            const float above = py < dy1 + (px - dx1) * (tipY - dy1) / (tipX - dx1) ? -1.0f : 1.0f;
            const float t = (above * SdSegment(px, py, {dx1, dy1}, {tipX, tipY}) + 3.5f) / 7.0f;
            return Steel(t);
        },
        2.0f, 0.4f);
    PaintBevelled(
        img,
        [&](float px, float py) {
            return SdSegment(px, py, {dx0, dy0}, {dx1, dy1}) - 13.0f;
        },
        [&](float px, float py) {
            const float along = ((px - dx0) * (dx1 - dx0) + (py - dy0) * (dy1 - dy0)) /
                                ((dx1 - dx0) * (dx1 - dx0) + (dy1 - dy0) * (dy1 - dy0));
            const float side = (py - dy0 - (px - dx0) * (dy1 - dy0) / (dx1 - dx0)) / 13.0f;
            const Rgb body = along > 0.78f || along < 0.1f ? Hex(0x1a1a1a) : Hex(0xf0b820);
            return body * (1.0f - 0.35f * side * side + 0.25f * (side < 0.0f ? -side : 0.0f));
        },
        5.0f, 0.45f);
    const float nx = 962.0f, ny = 648.0f;
    std::vector<Pt> hexagon;
    for (int k = 0; k < 6; ++k) {
        const float a = kPi / 3.0f * Fx(k) + 0.2f;
        hexagon.push_back({nx + 26.0f * std::cos(a), ny + 18.0f * std::sin(a)});
    }
    PaintSoft(
        img, [&](float px, float py) { return SdEllipse(px, py, nx + 6.0f, ny + 10.0f, 28.0f, 12.0f); },
        Hex(0x000000), 6.0f, 0.55f);
    PaintBevelled(
        img,
        [&](float px, float py) {
            return std::max(SdPolygon(px, py, hexagon), -SdEllipse(px, py, nx, ny, 11.0f, 7.5f));
        },
        [&](float, float py) { return Steel((py - ny + 18.0f) / 36.0f); }, 4.0f, 0.6f,
        BoxAround(nx, ny, nx, ny, 32.0f));
    for (const Pt screw : {Pt{880.0f, 668.0f}, Pt{790.0f, 680.0f}}) {
        PaintSoft(
            img,
            [&](float px, float py) {
                return SdSegment(px, py, {screw.x + 4.0f, screw.y + 6.0f},
                                 {screw.x + 42.0f, screw.y + 4.0f}) -
                       4.0f;
            },
            Hex(0x000000), 4.0f, 0.4f);
        PaintBevelled(
            img,
            [&](float px, float py) {
                return SdSegment(px, py, screw, {screw.x + 38.0f, screw.y - 3.0f}) - 3.0f +
                       2.0f * Clamp01((px - screw.x - 30.0f) / 8.0f);
            },
            [&](float, float py) {
                return Mix(Hex(0xd8c080), Hex(0x6a5a30), Clamp01((py - screw.y + 3.0f) / 7.0f));
            },
            2.0f, 0.4f);
        PaintBevelled(
            img, [&](float px, float py) { return SdEllipse(px, py, screw.x, screw.y, 5.0f, 8.0f); },
            [](float, float) { return Hex(0xc8b070); }, 2.0f, 0.5f);
    }

    // The toolbox: body, ribs, lid with its top face, handle, latches and a brass name plate.
    const float bodyTop = 430.0f, bodyBottom = 642.0f, lidTop = 364.0f, lidBottom = 436.0f;
    auto paintBody = [&](auto sdf, float top, float bottom) {
        PaintBevelled(
            img, sdf,
            [&, top, bottom](float px, float py) {
                Rgb c = Enamel((py - top) / (bottom - top));
                // Worn paint: a few chips showing the grey steel.
                const float chip = Smoothstep(0.8f, 0.84f, Fbm(px / 7.0f, py / 7.0f, 3, 231u));
                c = Mix(c, Hex(0x6a6464), 0.6f * chip);
                return c * (0.94f + 0.12f * ValueNoise(px / 2.0f, py / 2.0f, 232u));
            },
            7.0f, 0.55f, BoxAround(bx - 250.0f, top - 10.0f, bx + 250.0f, bottom + 10.0f, 0.0f));
    };
    paintBody(
        [&](float px, float py) {
            return SdBox(px, py, bx, 0.5f * (bodyTop + bodyBottom), 222.0f, 0.5f * (bodyBottom - bodyTop),
                         10.0f);
        },
        bodyTop, bodyBottom);
    for (const float ry : {588.0f, 614.0f}) {
        PaintBevelled(
            img, [&](float px, float py) { return SdBox(px, py, bx, ry, 200.0f, 5.0f, 5.0f); },
            [&](float, float py) { return Enamel((py - bodyTop) / (bodyBottom - bodyTop)) * 1.08f; }, 5.0f,
            0.7f, BoxAround(bx - 210.0f, ry - 8.0f, bx + 210.0f, ry + 8.0f, 0.0f));
    }
    // A broad soft reflection of the lamp across the body.
    AddSoft(
        img, [&](float px, float py) { return SdBox(px, py, bx - 40.0f, 462.0f, 150.0f, 8.0f, 8.0f); },
        [](float, float) {
            return Rgb{0.18f, 0.12f, 0.1f};
        },
        10.0f, BoxAround(bx - 220.0f, 440.0f, bx + 160.0f, 490.0f, 0.0f));
    // Lid: its top face seen from a little above, then its front.
    const std::vector<Pt> lidFace = {{bx - 230.0f, lidTop + 8.0f},
                                     {bx + 230.0f, lidTop + 8.0f},
                                     {bx + 212.0f, lidTop - 16.0f},
                                     {bx - 212.0f, lidTop - 16.0f}};
    PaintBevelled(
        img, [&](float px, float py) { return SdPolygon(px, py, lidFace) - 4.0f; },
        [&](float, float py) {
            return Mix(Hex(0xb82a1e), Hex(0xf0604a), Clamp01((py - lidTop + 20.0f) / 28.0f));
        },
        4.0f, 0.5f, BoxAround(bx - 240.0f, lidTop - 24.0f, bx + 240.0f, lidTop + 14.0f, 0.0f));
    paintBody(
        [&](float px, float py) {
            return SdBox(px, py, bx, 0.5f * (lidTop + lidBottom), 230.0f, 0.5f * (lidBottom - lidTop), 12.0f);
        },
        lidTop, lidBottom + 30.0f);
    // Handle: a steel bar from two brackets on the lid, with a black ribbed grip.
    const float hl = bx - 112.0f, hr = bx + 112.0f, hy = lidTop - 58.0f;
    std::vector<Pt> bar = Bezier({hl, lidTop - 8.0f}, {hl, hy}, {hl + 40.0f, hy}, 10);
    bar.push_back({hr - 40.0f, hy});
    const std::vector<Pt> right = Bezier({hr - 40.0f, hy}, {hr, hy}, {hr, lidTop - 8.0f}, 10);
    bar.insert(bar.end(), right.begin(), right.end());
    PaintSoft(
        img, [&](float px, float py) { return SdPolyline(px - 6.0f, py - 10.0f, bar) - 6.0f; }, Hex(0x000000),
        5.0f, 0.35f, BoxAround(hl, hy, hr, lidTop, 30.0f));
    PaintBevelled(
        img, [&](float px, float py) { return SdPolyline(px, py, bar) - 6.0f; },
        [&](float, float py) { return Steel(Clamp01((py - hy + 6.0f) / 12.0f)) * 0.95f; }, 3.0f, 0.5f,
        BoxAround(hl, hy, hr, lidTop, 10.0f));
    for (const float bxk : {hl, hr}) {
        PaintBevelled(
            img, [&](float px, float py) { return SdBox(px, py, bxk, lidTop - 8.0f, 16.0f, 9.0f, 4.0f); },
            [&](float, float py) { return Steel((py - lidTop + 17.0f) / 18.0f); }, 3.0f, 0.6f,
            BoxAround(bxk, lidTop - 8.0f, bxk, lidTop - 8.0f, 20.0f));
    }
    PaintBevelled(
        img,
        [&](float px, float py) {
            return SdSegment(px, py, {hl + 44.0f, hy}, {hr - 44.0f, hy}) - 12.0f;
        },
        [&](float px, float py) {
            const float rib = 0.5f + 0.5f * std::cos((px - bx) * 0.55f);
            return Mix(Hex(0x2a2a2e), Hex(0x101012), Clamp01((py - hy + 12.0f) / 24.0f)) *
                   (0.8f + 0.4f * rib);
        },
        6.0f, 0.5f, BoxAround(hl + 30.0f, hy - 14.0f, hr - 30.0f, hy + 14.0f, 0.0f));
    // Latches across the join of lid and body.
    for (const float lx : {bx - 160.0f, bx + 160.0f}) {
        PaintSoft(
            img,
            [&](float px, float py) { return SdBox(px - 5.0f, py - 6.0f, lx, 440.0f, 20.0f, 30.0f, 6.0f); },
            Hex(0x000000), 4.0f, 0.5f, BoxAround(lx, 440.0f, lx, 440.0f, 44.0f));
        PaintBevelled(
            img, [&](float px, float py) { return SdBox(px, py, lx, 440.0f, 20.0f, 30.0f, 6.0f); },
            [&](float, float py) { return Steel((py - 410.0f) / 60.0f); }, 4.0f, 0.6f,
            BoxAround(lx, 440.0f, lx, 440.0f, 36.0f));
        PaintBevelled(
            img, [&](float px, float py) { return SdCircle(px, py, lx, 458.0f, 6.0f); },
            [](float, float) { return Hex(0x8a929c); }, 3.0f, 0.6f, BoxAround(lx, 458.0f, lx, 458.0f, 10.0f));
        Paint(
            img, [&](float px, float py) { return SdBox(px, py, lx, 424.0f, 10.0f, 2.0f, 1.0f); },
            Hex(0x30343a), 1.0f, BoxAround(lx, 424.0f, lx, 424.0f, 14.0f));
    }
    // Brass plate with the group's name stamped in.
    const float plateY = 520.0f;
    PaintBevelled(
        img, [&](float px, float py) { return SdBox(px, py, bx, plateY, 92.0f, 28.0f, 6.0f); },
        [&](float px, float py) {
            const float brushed = ValueNoise(px / 30.0f, py / 1.2f, 241u);
            return Mix(Hex(0xf0d080), Hex(0xa07a30), Clamp01((py - plateY + 28.0f) / 56.0f)) *
                   (0.9f + 0.15f * brushed);
        },
        4.0f, 0.6f, BoxAround(bx, plateY, bx, plateY, 100.0f));
    Mask stamp(w, h);
    sans.DrawCentred(stamp, "DrUfo", 34, bx, plateY + 12.0f, 2.0f);
    Composite(
        img, stamp, [](float, float) { return Hex(0xfff0b8); }, 0.7f, 1, 1);
    Composite(
        img, stamp, [](float, float) { return Hex(0x3a2808); }, 0.9f);
    for (const float scx : {bx - 78.0f, bx + 78.0f}) {
        PaintBevelled(
            img, [&](float px, float py) { return SdCircle(px, py, scx, plateY, 5.0f); },
            [](float, float) { return Hex(0xb09040); }, 3.0f, 0.7f,
            BoxAround(scx, plateY, scx, plateY, 8.0f));
        Paint(
            img,
            [&](float px, float py) {
                return SdSegment(px, py, {scx - 3.5f, plateY + 2.0f}, {scx + 3.5f, plateY - 2.0f}) - 0.7f;
            },
            Hex(0x4a3810), 1.0f, BoxAround(scx, plateY, scx, plateY, 8.0f));
    }

    // The title, in yellow enamel over the board.
    Mask title(w, h);
    const float baseline = 214.0f, size = 150.0f;
    sans.DrawCentred(title, "TOOLBOX", static_cast<int>(size), 512.0f, baseline, 10.0f);
    PaintSoftMask(img, title, 12, 18, 22, 0.6f);
    ShinyTitle(img, title, baseline - 0.72f * size, baseline, 10, Hex(0x5a1e06), Hex(0xffa020), 0.35f,
               [](float t) {
                   static const std::vector<Stop> stops = {{0.0f, Hex(0xfff6b0)},
                                                           {0.35f, Hex(0xffd030)},
                                                           {0.55f, Hex(0xf5a000)},
                                                           {0.56f, Hex(0xd07000)},
                                                           {1.0f, Hex(0xffc040)}};
                   return Ramp(stops, t);
               });
    Vignette(img, 0.35f, 2.2f);
    SoftEdge(img);
    return true;
}

// Polished gold for a title on teal, t from 0 at the letters' top to 1 at their baseline: bright
// sky above a hard horizon, deep amber below it rising to a warm rim.
Rgb Gold(float t)
{
    static const std::vector<Stop> stops = {
        {0.0f, Hex(0xfffbe8)},  {0.3f, Hex(0xffe070)},  {0.52f, Hex(0xf0a020)}, {0.53f, Hex(0x6a3406)},
        {0.62f, Hex(0x9a5a10)}, {0.85f, Hex(0xf0b030)}, {1.0f, Hex(0xfff0b0)},
    };
    return Ramp(stops, t);
}

bool PaintGreetingsCard(Image& img, std::string* error)
{
    FontFace title, names, serif;
    if (!title.Open("Liberation Sans", "Bold Italic", error) ||
        !names.Open("Liberation Sans", "Bold", error) ||
        !serif.Open("Liberation Serif", "Bold Italic", error)) {
        return false;
    }
    const int w = img.width, h = img.height;
    // The particle cloud spins in the middle of the picture; drawn on this card it covers a disc of
    // about this radius round the card's centre (sparks included). The disc stays plain backdrop,
    // the colour of the particle sprite's border, and the names are laid round it.
    const float cx = 512.0f, cy = 384.0f, stage = 248.0f;
    const Rgb backdrop = Hex(kGreetingsBackdrop);

    // Teal, with faint rays of lighter teal fanning out from behind the cloud. They are barely
    // lighter than the backdrop, so a sprite's border lying over them still does not show.
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float px = Fx(x) + 0.5f - cx, py = Fx(y) + 0.5f - cy;
            const float angle = std::atan2(py, px), r = Length(px, py);
            const float ray = Smoothstep(0.55f, 0.95f, 0.5f + 0.5f * std::cos(angle * 18.0f));
            const float away = Smoothstep(stage, stage + 160.0f, r);
            img.At(x, y) = Mix(backdrop, Hex(0x1aa4a8), 0.55f * ray * away);
        }
    }
    // The heading in gold at the top, a line beneath it.
    Mask heading(w, h);
    const float headBase = 92.0f, headSize = 92.0f;
    title.DrawCentred(heading, "GREETINGS", static_cast<int>(headSize), cx, headBase, 6.0f);
    PaintSoftMask(img, heading, 8, 10, 8, 0.45f);
    ShinyTitle(img, heading, headBase - 0.73f * headSize, headBase, 8, Hex(0x00363c), Hex(0xffe080), 0.35f,
               Gold);

    Mask sub(w, h);
    serif.DrawCentred(sub, "DrUfo sends its love to", 26, cx, 128.0f, 2.0f);
    Composite(
        img, Grown(sub, 3), [](float, float) { return Hex(0x002a30); }, 0.8f);
    Composite(img, sub, [](float, float) { return Hex(0xfff4d0); });

    // Two columns of names hugging the stage: the left one ends, and the right one starts, just
    // clear of the disc at its row; a name too long for its place is set smaller.
    static const char* const kGroups[] = {
        "Sinewave Syndicate", "Polygon Pirates", "Copper Kidz",      "Mode 13h",
        "Bitfiend",           "Plasma Pilots",   "Rasterbar Rebels", "Nocturnal Vectors",
        "Z-Buffer Zealots",   "Vectronix",       "Texel Temple",     "Blitter Boys",
        "Moiré Mafia",        "Trackerheads",    "Gouraud Gang",     "Phosphor Dreams",
    };
    Mask list(w, h);
    const float rowGap = 54.0f, firstRow = 212.0f, gap = 16.0f, margin = 10.0f;
    for (int k = 0; k < 16; ++k) {
        const bool left = k < 8;
        const float baseline = firstRow + rowGap * Fx(k % 8);
        const float middle = baseline - 11.0f; // half a capital above the baseline
        const float dy = std::abs(middle - cy);
        const float reach = dy < stage ? std::sqrt(stage * stage - dy * dy) : 0.0f;
        const float room = cx - reach - gap - margin;
        int size = 32;
        while (size > 18 && names.Measure(kGroups[k], size) > room)
            --size;
        const float width = names.Measure(kGroups[k], size);
        const float x = left ? cx - reach - gap - width : cx + reach + gap;
        names.Draw(list, kGroups[k], size, x, baseline);
    }
    // Each name: a dark shadow and outline so it reads over the rays, then white warming to gold
    // (left) or cooling to pale aqua (right) down each line.
    PaintSoftMask(img, list, 3, 4, 3, 0.5f);
    Composite(
        img, Grown(list, 3), [](float, float) { return Hex(0x002227); }, 0.9f);
    Composite(img, list, [&](float px, float py) {
        const float inLine = std::fmod(py - firstRow + rowGap + 24.0f, rowGap) / 24.0f; // 0 at a cap top
        const Rgb tint = px < cx ? Hex(0xffd860) : Hex(0x9ff8ff);
        return Mix(Hex(0xffffff), tint, Smoothstep(0.3f, 1.0f, inLine));
    });

    Mask footer(w, h);
    serif.DrawCentred(footer, "... and everybody we forgot!", 36, cx, 700.0f, 2.0f);
    PaintSoftMask(img, footer, 3, 4, 3, 0.5f);
    Composite(
        img, Grown(footer, 3), [](float, float) { return Hex(0x002227); }, 0.9f);
    Composite(img, footer, [](float, float) { return Hex(0xfff4d0); });
    return true;
}
