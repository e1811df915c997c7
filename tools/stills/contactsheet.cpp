// tools/stills/contactsheet.cpp -- the contact sheet: shrunk stills in a grid, captions in a 3 x 5 font.
#include "contactsheet.h"

#include <algorithm>
#include <cstdint>

namespace contactsheet {

namespace {

constexpr int kGap = 6;       // pixels between tiles and round the sheet
constexpr int kFontScale = 2; // screen pixels per font pixel
constexpr int kCaptionRows = 5 * kFontScale + 6;
constexpr unsigned char kGround = 40;
constexpr unsigned char kInk = 235;

// A 3 x 5 glyph, its rows from the top, three bits each (the high bit on the left).
std::uint16_t Glyph(char c)
{
    switch (c) {
    case '0':
        return 0b111'101'101'101'111;
    case '1':
        return 0b010'110'010'010'111;
    case '2':
        return 0b111'001'111'100'111;
    case '3':
        return 0b111'001'111'001'111;
    case '4':
        return 0b101'101'111'001'001;
    case '5':
        return 0b111'100'111'001'111;
    case '6':
        return 0b111'100'111'101'111;
    case '7':
        return 0b111'001'001'001'001;
    case '8':
        return 0b111'101'111'101'111;
    case '9':
        return 0b111'101'111'001'111;
    case '.':
        return 0b000'000'000'000'010;
    case '-':
        return 0b000'000'111'000'000;
    case ':':
        return 0b000'010'000'010'000;
    case '=':
        return 0b000'111'000'111'000;
    case 'p':
        return 0b110'101'110'100'100;
    case 'r':
        return 0b000'101'110'100'100;
    case 's':
        return 0b011'100'010'001'110;
    case 't':
        return 0b010'111'010'010'011;
    default:
        return 0;
    }
}

void Text(Picture& sheet, int x, int y, const std::string& text)
{
    for (char c : text) {
        const std::uint16_t glyph = Glyph(c);
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if ((glyph >> (14 - 3 * row - col) & 1u) == 0) continue;
                for (int dy = 0; dy < kFontScale; ++dy) {
                    for (int dx = 0; dx < kFontScale; ++dx) {
                        const int px = x + col * kFontScale + dx;
                        const int py = y + row * kFontScale + dy;
                        if (px < 0 || py < 0 || px >= sheet.width || py >= sheet.height) continue;
                        unsigned char* p = &sheet.rgb[(static_cast<std::size_t>(py) * sheet.width + px) * 3];
                        p[0] = p[1] = p[2] = kInk;
                    }
                }
            }
        }
        x += 4 * kFontScale;
    }
}

} // namespace

Picture Resize(const Picture& source, int width, int height)
{
    Picture out;
    out.width = std::max(width, 0);
    out.height = std::max(height, 0);
    out.rgb.assign(static_cast<std::size_t>(out.width) * out.height * 3, 0);
    if (source.width <= 0 || source.height <= 0) return out;
    for (int y = 0; y < out.height; ++y) {
        const int y0 = y * source.height / out.height;
        const int y1 = std::max(y0 + 1, (y + 1) * source.height / out.height);
        for (int x = 0; x < out.width; ++x) {
            const int x0 = x * source.width / out.width;
            const int x1 = std::max(x0 + 1, (x + 1) * source.width / out.width);
            unsigned sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const unsigned char* p =
                        &source.rgb[(static_cast<std::size_t>(sy) * source.width + sx) * 3];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p[c];
                }
            }
            const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            unsigned char* q = &out.rgb[(static_cast<std::size_t>(y) * out.width + x) * 3];
            for (int c = 0; c < 3; ++c)
                q[c] = static_cast<unsigned char>((sum[c] + count / 2) / count);
        }
    }
    return out;
}

Picture Make(const std::vector<Still>& stills, int columns, int tileWidth)
{
    Picture sheet;
    if (stills.empty() || columns <= 0 || tileWidth <= 0) return sheet;
    // Each grid row is as tall as its tallest tile.
    std::vector<int> rowHeights;
    for (std::size_t k = 0; k < stills.size(); ++k) {
        const Picture& p = stills[k].picture;
        const int h = p.width > 0 ? tileWidth * p.height / p.width : 0;
        if (k % static_cast<std::size_t>(columns) == 0) rowHeights.push_back(0);
        rowHeights.back() = std::max(rowHeights.back(), h + kCaptionRows);
    }
    const int shown = std::min(columns, static_cast<int>(stills.size()));
    sheet.width = kGap + shown * (tileWidth + kGap);
    sheet.height = kGap;
    for (int h : rowHeights)
        sheet.height += h + kGap;
    sheet.rgb.assign(static_cast<std::size_t>(sheet.width) * sheet.height * 3, kGround);

    int top = kGap;
    for (std::size_t k = 0; k < stills.size(); ++k) {
        const std::size_t gridRow = k / static_cast<std::size_t>(columns);
        const int left = kGap + static_cast<int>(k % static_cast<std::size_t>(columns)) * (tileWidth + kGap);
        const Picture& p = stills[k].picture;
        const int h = p.width > 0 ? tileWidth * p.height / p.width : 0;
        const Picture tile = Resize(p, tileWidth, h);
        for (int y = 0; y < h; ++y) {
            std::copy_n(&tile.rgb[static_cast<std::size_t>(y) * tileWidth * 3],
                        static_cast<std::size_t>(tileWidth) * 3,
                        &sheet.rgb[(static_cast<std::size_t>(top + y) * sheet.width + left) * 3]);
        }
        Text(sheet, left, top + h + 3, stills[k].caption);
        if (k % static_cast<std::size_t>(columns) == static_cast<std::size_t>(columns) - 1)
            top += rowHeights[gridRow] + kGap;
    }
    return sheet;
}

} // namespace contactsheet
