// tools/images/materials.cpp -- the brick wall, rusted metal and oxidised plate:
//   albedo and height fields from noise, lit as bumps by one light from the upper left.
#include <cmath>
#include <vector>

#include "art.h"
#include "noise.h"
#include "sdf.h"

namespace {

struct Vec {
    float x, y, z;
};

Vec Normalised(Vec v)
{
    const float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / len, v.y / len, v.z / len};
}
float Dot(Vec a, Vec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Towards the light, in image axes (x right, y down, z out of the picture): upper left, fairly high.
const Vec kLight = Normalised({-0.45f, -0.55f, 0.70f});
// Halfway between the light and the viewer (straight above), for highlights.
const Vec kHalf = Normalised({kLight.x, kLight.y, kLight.z + 1.0f});

// A height field in pixels, one value per pixel.
struct HeightField {
    int width, height;
    bool wraps; // tiles: neighbours wrap round the edges instead of stopping there
    std::vector<float> h;

    float At(int x, int y) const
    {
        if (wraps) {
            x = (x % width + width) % width;
            y = (y % height + height) % height;
        } else {
            x = std::clamp(x, 0, width - 1);
            y = std::clamp(y, 0, height - 1);
        }
        return h[static_cast<size_t>(y) * width + x];
    }
    // The surface normal at a pixel from central differences.
    Vec Normal(int x, int y) const
    {
        const float dx = 0.5f * (At(x + 1, y) - At(x - 1, y));
        const float dy = 0.5f * (At(x, y + 1) - At(x, y - 1));
        return Normalised({-dx, -dy, 1.0f});
    }
};

// Diffuse light of a normal, 1 for a flat surface.
float Diffuse(Vec n)
{
    return std::max(Dot(n, kLight), 0.0f) / kLight.z;
}
float Specular(Vec n, float shininess)
{
    return std::pow(std::max(Dot(n, kHalf), 0.0f), shininess);
}

// Periodic noise over a tile of `size` pixels: `cells` lattice cells across, repeating exactly.
float TileFbm(int x, int y, int size, int cells, int octaves, std::uint32_t seed)
{
    const float s = static_cast<float>(cells) / static_cast<float>(size);
    return Fbm((static_cast<float>(x) + 0.5f) * s, (static_cast<float>(y) + 0.5f) * s, octaves, seed, cells,
               cells);
}
Cells TileCells(int x, int y, int size, int cells, std::uint32_t seed)
{
    const float s = static_cast<float>(cells) / static_cast<float>(size);
    return Cellular((static_cast<float>(x) + 0.5f) * s, (static_cast<float>(y) + 0.5f) * s, seed, cells,
                    cells);
}

// The models that use a material carry their light in its image (the show draws them unlit): the
// image holds four columns of the same material, each a quarter of its width, from the side turned
// away from the light (left) to the side facing it (right); a model's faces pick their column by
// how squarely they face the light. `levels` scales each column; the brightest also takes `sheen`.
void LightBands(Image& img, const float (&levels)[4], Rgb sheen, float sheenAmount)
{
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const int band = std::min(3, 4 * x / img.width);
            Rgb c = img.At(x, y) * levels[band];
            if (band == 3) c = Mix(c, sheen, sheenAmount);
            img.At(x, y) = c;
        }
    }
}

// --- brick wall ---------------------------------------------------------------------------------

constexpr float kCourse = 48.0f; // pixels from one course of bricks to the next
constexpr float kPitch = 128.0f; // pixels from one brick to the next along a course
constexpr float kJoint = 4.0f;   // half the mortar joint, pixels

struct BrickHit {
    float d;          // signed distance to the brick's edge, pixels
    std::int32_t col; // which brick
    std::int32_t row;
    float u; // across the brick, -1 at its left end to 1 at its right end
};

// The brick whose cell holds (x, y), in running bond: every other course shifted half a brick.
BrickHit BrickAt(float x, float y)
{
    const auto row = static_cast<std::int32_t>(std::floor(y / kCourse));
    const float shift = (row & 1) != 0 ? 0.5f * kPitch : 0.0f;
    const auto col = static_cast<std::int32_t>(std::floor((x + shift) / kPitch));
    const float cx = static_cast<float>(col) * kPitch + 0.5f * kPitch - shift;
    const float cy = static_cast<float>(row) * kCourse + 0.5f * kCourse;
    // Hand-laid bricks: each a little off in size and place, edges chipped by noise.
    const float jx = (Hash01(col, row, 11u) - 0.5f) * 2.0f, jy = (Hash01(col, row, 12u) - 0.5f) * 1.5f;
    const float hw = 0.5f * kPitch - kJoint - Hash01(col, row, 13u) * 1.5f;
    const float hh = 0.5f * kCourse - kJoint - Hash01(col, row, 14u) * 1.2f;
    float d = SdBox(x, y, cx + jx, cy + jy, hw, hh, 3.0f);
    d +=
        (Fbm(x / 7.0f, y / 7.0f, 3, 15u) - 0.5f) * 5.0f + (ValueNoise(x / 2.0f, y / 2.0f, 16u) - 0.5f) * 1.2f;
    return {d, col, row, (x - cx - jx) / hw};
}

} // namespace

bool PaintBrickWall(Image& img, std::string*)
{
    const int w = img.width, h = img.height;
    // Fired clay of different batches: reds, oranges, a few dark over-fired ones.
    const Rgb palette[] = {Hex(0x9a4530), Hex(0xa65236), Hex(0x8c3a28), Hex(0xb0643e),
                           Hex(0x7c3326), Hex(0x94482c), Hex(0x6a2c24), Hex(0xa85c3c)};
    HeightField field{w, h, false, std::vector<float>(static_cast<size_t>(w) * h)};
    std::vector<Rgb> albedo(static_cast<size_t>(w) * h);
    std::vector<float> shadow(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const BrickHit b = BrickAt(px, py);
            const float cover = Coverage(b.d);
            const float inside = -b.d;

            // Brick: a base colour per brick, clay mottling, lighter sand specks, darker fired edges.
            const std::uint32_t pick = Hash2(b.col, b.row, 21u);
            Rgb clay = palette[pick % 8u];
            clay = clay * (0.88f + 0.24f * Hash01(b.col, b.row, 22u));
            const float mottle = Fbm(px / 18.0f, py / 18.0f, 4, 23u);
            clay = clay * (0.8f + 0.4f * mottle);
            const float speck = Smoothstep(0.78f, 0.9f, ValueNoise(px / 1.6f, py / 1.6f, 24u));
            clay = Mix(clay, Hex(0xd0a07a), 0.35f * speck);
            clay = clay * (0.82f + 0.18f * Smoothstep(0.0f, 8.0f, inside));
            // Some bricks were flashed darker at one end in the kiln.
            const float flashed = Hash01(b.col, b.row, 28u);
            if (flashed < 0.3f) {
                const float end = flashed < 0.15f ? b.u : -b.u;
                clay = clay * (1.0f - 0.4f * Smoothstep(0.1f, 1.0f, end));
            }
            // Pits: a few small dents, more on some bricks than on others.
            const Cells pit = Cellular(px / 8.0f, py / 8.0f, 25u);
            const float pitted = 0.05f + 0.2f * Hash01(b.col, b.row, 29u);
            const float dent = pit.id < pitted ? Smoothstep(0.2f, 0.06f, pit.f1) : 0.0f;

            // Mortar: pale sandy grey with grains.
            const float grain = ValueNoise(px / 1.3f, py / 1.3f, 31u);
            Rgb mortar = Mix(Hex(0x6f6960), Hex(0xa09888), Fbm(px / 9.0f, py / 9.0f, 3, 32u));
            mortar = mortar * (0.85f + 0.25f * grain);

            const float brickHeight = 4.0f * Smoothstep(0.0f, 6.0f, inside) +
                                      1.6f * Fbm(px / 22.0f, py / 22.0f, 3, 26u) +
                                      0.5f * ValueNoise(px / 2.5f, py / 2.5f, 27u) - 1.5f * dent;
            const float mortarHeight = -1.0f + 0.8f * grain + 0.6f * Fbm(px / 6.0f, py / 6.0f, 2, 33u);
            const size_t i = static_cast<size_t>(y) * w + x;
            field.h[i] = Mixf(mortarHeight, brickHeight, cover);
            albedo[i] = Mix(mortar, clay * (1.0f - 0.35f * dent), cover);

            // The joint lies in the shadow of the brick above and to its left of the light.
            const BrickHit caster = BrickAt(px + 4.0f * kLight.x / kLight.z, py + 4.0f * kLight.y / kLight.z);
            shadow[i] = (1.0f - cover) * (1.0f - Smoothstep(-2.0f, 2.5f, caster.d));
        }
    }

    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            const float px = static_cast<float>(x) + 0.5f, py = static_cast<float>(y) + 0.5f;
            const Vec n = field.Normal(x, y);
            float light = 0.32f + 0.68f * Diffuse(n) * (1.0f - 0.75f * shadow[i]);
            // Weathering: broad dirty patches and rain streaks running down the wall.
            const float grime = Fbm(px / 160.0f, py / 160.0f, 4, 41u);
            const float streak = Fbm(px / 24.0f, py / 420.0f, 3, 42u) * Smoothstep(0.2f, 0.7f, grime);
            light *= 0.74f + 0.36f * grime;
            light *= 1.0f - 0.14f * Smoothstep(0.5f, 0.75f, streak);
            Rgb c = albedo[i] * light + Rgb{1.0f, 0.9f, 0.8f} * (0.05f * Specular(n, 12.0f));
            img.At(x, y) = c;
        }
    }
    // A light falling from above the middle, the corners darker.
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float dx = (static_cast<float>(x) - 0.5f * static_cast<float>(w)) / static_cast<float>(w);
            const float dy = (static_cast<float>(y) - 0.3f * static_cast<float>(h)) / static_cast<float>(h);
            img.At(x, y) = img.At(x, y) * (1.12f - 0.55f * (dx * dx + dy * dy));
        }
    }
    // Old limewash, gone grey-blue in the shade: the bricks keep their shapes and their light but
    // lose most of their red, and the wall sits back, darker and cooler than the rusty hammers.
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = img.At(x, y);
            const Rgb wash = Rgb{0.72f, 0.83f, 1.0f} * Luma(c);
            img.At(x, y) = Mix(c, wash, 0.88f) * 0.8f;
        }
    }
    Vignette(img, 0.35f, 2.5f);
    return true;
}

bool PaintRustedMetal(Image& img, std::string*)
{
    const int size = img.width;
    const float fs = static_cast<float>(size);
    HeightField field{size, size, true, std::vector<float>(static_cast<size_t>(size) * size)};
    std::vector<Rgb> albedo(field.h.size());
    std::vector<float> metal(field.h.size());
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = static_cast<size_t>(y) * size + x;
            // Bare steel: dark grey with the horizontal grain of the rolling mill.
            const float brushed = ValueNoise((static_cast<float>(x) + 0.5f) * 4.0f / fs,
                                             (static_cast<float>(y) + 0.5f) * 192.0f / fs, 51u, 4, 192);
            Rgb steel = Mix(Hex(0x4d5053), Hex(0x6e7175), 0.3f + 0.5f * brushed);
            steel = steel * (0.8f + 0.35f * TileFbm(x, y, size, 8, 3, 52u));

            // Where rust has eaten in: most of the surface, in patches with ragged, warped edges.
            const float warp = TileFbm(x, y, size, 8, 3, 60u) - 0.5f;
            const float patches = TileFbm(x + static_cast<int>(40.0f * warp), y, size, 4, 6, 53u);
            const float ragged = TileFbm(x, y, size, 32, 3, 54u) - 0.5f;
            const float reach = patches + 0.22f * ragged;
            const float rust = Smoothstep(0.36f, 0.44f, reach);
            // Rust colour: dark crust, orange bloom, a few bright ochre flakes, black pocks.
            const float tone = TileFbm(x, y, size, 10, 5, 55u);
            const float fine = TileFbm(x, y, size, 64, 3, 57u);
            Rgb oxide = Mix(Hex(0x5a260c), Hex(0xa44a16), Smoothstep(0.32f, 0.58f, tone));
            oxide = Mix(oxide, Hex(0xd06a22), Smoothstep(0.52f, 0.7f, tone + 0.35f * ragged));
            oxide = Mix(oxide, Hex(0xe8a050), 0.45f * Smoothstep(0.64f, 0.82f, fine + 0.4f * ragged));
            oxide = oxide * (0.75f + 0.5f * fine);
            const float pock =
                Smoothstep(0.66f, 0.78f, TileFbm(x, y, size, 48, 2, 56u)) * Smoothstep(0.5f, 0.7f, tone);
            oxide = Mix(oxide, Hex(0x1c0d06), 0.8f * pock);

            // Small pits left in the steel, of random sizes.
            const Cells pit = TileCells(x, y, size, 32, 58u);
            const float dent = pit.id < 0.18f ? Smoothstep(0.12f + 0.2f * pit.id, 0.02f, pit.f1) : 0.0f;

            const float crust = 1.0f + 3.0f * TileFbm(x, y, size, 24, 4, 59u) - 1.5f * pock;
            const float steelHeight = -0.9f * dent + 0.25f * brushed;
            field.h[i] = Mixf(steelHeight, crust, rust);
            albedo[i] = Mix(steel * (1.0f - 0.5f * dent), oxide, rust);
            // Brown stain spreading beyond the rust's edge, streaked with the grain.
            const float halo = Smoothstep(0.22f, 0.38f, reach + 0.1f * (brushed - 0.5f)) * (1.0f - rust);
            albedo[i] = Mix(albedo[i], Hex(0x5a3220), 0.65f * halo);
            metal[i] = (1.0f - rust) * (1.0f - 0.7f * halo);
        }
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = static_cast<size_t>(y) * size + x;
            const Vec n = field.Normal(x, y);
            const float light = 0.35f + 0.65f * Diffuse(n);
            const float shine = metal[i] * (0.3f * Specular(n, 24.0f)) + 0.03f * Specular(n, 6.0f);
            img.At(x, y) = albedo[i] * light + Rgb{1.0f, 0.95f, 0.9f} * shine;
        }
    }
    const float levels[4] = {0.42f, 0.7f, 1.0f, 1.3f};
    LightBands(img, levels, Hex(0xf0b070), 0.12f);
    return true;
}

bool PaintOxidisedPlate(Image& img, std::string*)
{
    const int size = img.width;
    HeightField field{size, size, true, std::vector<float>(static_cast<size_t>(size) * size)};
    std::vector<Rgb> albedo(field.h.size());
    std::vector<float> metal(field.h.size());
    const float fs = static_cast<float>(size);
    // Fine scratches: random short strokes, drawn with wrap-around so the tile stays seamless.
    Mask scratches(size, size);
    for (int k = 0; k < 28; ++k) {
        const float ax = Hash01(k, 0, 71u) * fs, ay = Hash01(k, 1, 71u) * fs;
        const float angle = (Hash01(k, 2, 71u) - 0.5f) * 0.7f + (k % 4 == 0 ? 1.3f : 0.0f);
        const float len = 15.0f + 70.0f * Hash01(k, 3, 71u);
        const float depth = 0.2f + 0.4f * Hash01(k, 4, 71u);
        const std::vector<Pt> line =
            Bezier({ax, ay}, {ax + 0.5f * len * std::cos(angle), ay + 0.5f * len * std::sin(angle) + 3.0f},
                   {ax + len * std::cos(angle), ay + len * std::sin(angle)}, 8);
        const Bounds b = BoundsOf(line);
        for (int oy = -1; oy <= 1; ++oy) {
            for (int ox = -1; ox <= 1; ++ox) {
                const float sx = static_cast<float>(ox) * fs, sy = static_cast<float>(oy) * fs;
                const Box box = BoxAround(b.x0 + sx, b.y0 + sy, b.x1 + sx, b.y1 + sy, 3.0f);
                for (int y = std::max(box.y0, 0); y < std::min(box.y1, size); ++y) {
                    for (int x = std::max(box.x0, 0); x < std::min(box.x1, size); ++x) {
                        const float d = SdPolyline(static_cast<float>(x) + 0.5f - sx,
                                                   static_cast<float>(y) + 0.5f - sy, line);
                        // Strokes taper towards both ends.
                        scratches.At(x, y) = std::max(scratches.At(x, y), depth * Coverage(d - 0.2f));
                    }
                }
            }
        }
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = static_cast<size_t>(y) * size + x;
            // Blue-grey rolled steel, brushed along x.
            const float brushed = ValueNoise((static_cast<float>(x) + 0.5f) * 8.0f / fs,
                                             (static_cast<float>(y) + 0.5f) * 256.0f / fs, 61u, 8, 256);
            Rgb steel = Mix(Hex(0x7c848e), Hex(0xa4acb6), 0.3f + 0.55f * brushed);
            steel = steel * (0.85f + 0.25f * TileFbm(x, y, size, 6, 4, 62u));

            // Mill scale: dark blue-black skin left in broad mottled patches.
            const float scaleNoise = TileFbm(x, y, size, 5, 6, 72u);
            const float millScale =
                Smoothstep(0.47f, 0.51f, scaleNoise + 0.16f * (TileFbm(x, y, size, 48, 3, 73u) - 0.5f));
            steel = Mix(steel, Hex(0x343a42) * (0.8f + 0.4f * TileFbm(x, y, size, 24, 3, 74u)),
                        0.85f * millScale);

            // Oxide: brown patina in blotches, with rust bloom in speckled clusters.
            const float patina =
                TileFbm(x, y, size, 4, 6, 63u) + 0.15f * (TileFbm(x, y, size, 40, 2, 64u) - 0.5f);
            const float oxideAmount = 0.6f * Smoothstep(0.58f, 0.68f, patina);
            const float speckle = Smoothstep(0.64f, 0.74f, TileFbm(x, y, size, 128, 2, 65u));
            const float bloom = speckle * Smoothstep(0.44f, 0.58f, patina);
            Rgb oxide = Mix(Hex(0x5b4c40), Hex(0x3a2e26), TileFbm(x, y, size, 16, 3, 66u));
            oxide = oxide * (0.85f + 0.3f * TileFbm(x, y, size, 80, 2, 67u));

            const float pits =
                Smoothstep(0.8f, 0.9f, TileFbm(x, y, size, 128, 2, 69u)) * (0.3f + oxideAmount);
            const float scratch = scratches.At(x, y);
            field.h[i] = 0.15f * brushed + 0.8f * oxideAmount + 0.6f * bloom - 0.7f * pits - 0.6f * scratch;
            Rgb c = Mix(steel, oxide, 0.9f * oxideAmount);
            c = Mix(c, Hex(0x94521f), 0.75f * bloom);
            c = c * (1.0f - 0.45f * pits);
            // A scratch cuts through scale and patina to bright metal.
            c = Mix(c, Hex(0xb0b6bc), 0.55f * scratch);
            albedo[i] = c;
            metal[i] = Clamp01((1.0f - oxideAmount) * (1.0f - 0.5f * millScale) + scratch);
        }
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const size_t i = static_cast<size_t>(y) * size + x;
            const Vec n = field.Normal(x, y);
            const float light = 0.38f + 0.62f * Diffuse(n);
            const float shine = metal[i] * 0.3f * Specular(n, 40.0f);
            img.At(x, y) = albedo[i] * light + Rgb{0.95f, 0.97f, 1.0f} * shine;
        }
    }
    const float levels[4] = {0.3f, 0.55f, 0.82f, 1.1f};
    LightBands(img, levels, Hex(0xeef4ff), 0.15f);
    return true;
}
