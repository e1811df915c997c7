// brimt/appicon.cpp -- draws the application icon: shapes in unit coordinates, rasterised at each size.
#include "appicon.h"

#include <cstdint>

namespace {

// The classic 16-colour VGA palette, 0xAARRGGBB.
constexpr std::uint32_t kPalette[16] = {
    0xFF000000, 0xFF000080, 0xFF008000, 0xFF008080, 0xFF800000, 0xFF800080, 0xFF808000, 0xFFC0C0C0,
    0xFF808080, 0xFF0000FF, 0xFF00FF00, 0xFF00FFFF, 0xFFFF0000, 0xFFFF00FF, 0xFFFFFF00, 0xFFFFFFFF,
};
enum Colour {
    kBlack = 0,
    kTeal = 3,
    kOlive = 6,
    kSilver = 7,
    kGrey = 8,
    kLime = 10,
    kCyan = 11,
    kRed = 12,
    kYellow = 14,
    kWhite = 15,
    kClear = -1, // transparent
};

// Inside the ellipse of centre (cx, cy) and radii (rx, ry)? All in units of the icon's side, y down.
bool InEllipse(double x, double y, double cx, double cy, double rx, double ry)
{
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

bool InHull(double x, double y)
{
    return InEllipse(x, y, 0.5, 0.56, 0.47, 0.15);
}

bool InDome(double x, double y)
{
    return y < 0.5 && InEllipse(x, y, 0.5, 0.48, 0.23, 0.23);
}

// The colour of the point (x, y); `odd` alternates between neighbouring pixels for the beam's dither.
int ColourAt(double x, double y, bool odd)
{
    if (InDome(x, y)) {
        if (InEllipse(x, y, 0.42, 0.36, 0.06, 0.05)) return kWhite; // the glint
        return x + (0.48 - y) * 0.3 > 0.58 ? kTeal : kCyan;
    }
    if (InHull(x, y)) {
        const double lightY = 0.585;
        for (double lightX : {0.24, 0.5, 0.76}) {
            if (InEllipse(x, y, lightX, lightY, 0.05, 0.04)) {
                return lightX < 0.3 ? kRed : (lightX < 0.6 ? kYellow : kLime);
            }
        }
        return y > 0.6 ? kGrey : kSilver;
    }
    // The beam widens below the hull; dithered so that it reads as light, not as a solid.
    if (y > 0.66 && y < 0.98) {
        const double half = 0.1 + (y - 0.66) * 0.75;
        if (x > 0.5 - half && x < 0.5 + half) return odd ? kYellow : (y > 0.85 ? kClear : kOlive);
    }
    return kClear;
}

IconImage Draw(int size)
{
    IconImage image{size, std::vector<std::uint32_t>(static_cast<std::size_t>(size * size), 0)};
    // Which pixels belong to the craft (hull or dome), for its black outline.
    std::vector<bool> craft(static_cast<std::size_t>(size * size), false);
    auto at = [size](int px, int py) { return static_cast<std::size_t>(py * size + px); };
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            const double x = (px + 0.5) / size, y = (py + 0.5) / size;
            const int colour = ColourAt(x, y, (px + py) % 2 == 1);
            image.pixels[at(px, py)] = colour == kClear ? 0u : kPalette[colour];
            craft[at(px, py)] = InHull(x, y) || InDome(x, y);
        }
    }
    // Outline: craft pixels with a 4-neighbour outside the craft turn black.
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            if (!craft[at(px, py)]) continue;
            const bool edge = px == 0 || py == 0 || px == size - 1 || py == size - 1 ||
                              !craft[at(px - 1, py)] || !craft[at(px + 1, py)] || !craft[at(px, py - 1)] ||
                              !craft[at(px, py + 1)];
            if (edge) image.pixels[at(px, py)] = kPalette[kBlack];
        }
    }
    return image;
}

} // namespace

const std::vector<IconImage>& AppIcon()
{
    static const std::vector<IconImage> icon{Draw(32), Draw(16)};
    return icon;
}
