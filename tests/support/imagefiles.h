// tests/support/imagefiles.h -- small JPEG and BMP files made in memory for texture tests.
#pragma once

#include <turbojpeg.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Rgb {
    unsigned char r, g, b;
};

// A width x height image as gapless rows, top row first: RGB, or grey (the red of `pixel`) with `grey`.
inline std::vector<unsigned char> MakePixels(int width, int height,
                                             const std::function<Rgb(int x, int y)>& pixel, bool grey = false)
{
    std::vector<unsigned char> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb p = pixel(x, y);
            out.push_back(p.r);
            if (!grey) {
                out.push_back(p.g);
                out.push_back(p.b);
            }
        }
    }
    return out;
}

// The bytes of a JPEG file holding `pixels` (as MakePixels gives them); full chroma resolution so
// that blocks of one colour come back close to that colour. Empty when TurboJPEG fails.
inline std::string MakeJpeg(int width, int height, const std::vector<unsigned char>& pixels,
                            bool grey = false, int quality = 95)
{
    tjhandle encoder = tjInitCompress();
    if (encoder == nullptr) {
        return {};
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int ok = tjCompress2(encoder, pixels.data(), width, 0, height, grey ? TJPF_GRAY : TJPF_RGB, &jpeg,
                               &size, grey ? TJSAMP_GRAY : TJSAMP_444, quality, 0);
    std::string bytes;
    if (ok == 0) {
        bytes.assign(reinterpret_cast<const char*>(jpeg), size);
    }
    tjFree(jpeg);
    tjDestroy(encoder);
    return bytes;
}

// A JPEG of one colour.
inline std::string MakeSolidJpeg(int width, int height, Rgb colour)
{
    return MakeJpeg(width, height, MakePixels(width, height, [&](int, int) { return colour; }));
}

// The header fields of a BMP file. The defaults describe a well-formed uncompressed 24-bit image.
struct BmpHeader {
    std::int32_t width = 0;
    std::int32_t height = 0; // below 0: rows stored top first
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t infoSize = 40;      // BITMAPINFOHEADER
    std::uint32_t paletteEntries = 0; // 4-byte entries between the info block and the pixels
    std::int64_t pixelOffset = -1;    // what the header claims; -1: right after the palette
    std::uint32_t imageSize = 0;      // 0: as the file writers that leave it out
};

// 24-bit BMP pixel data: blue-green-red, each row padded with zeros to 4 bytes, rows in the order
// given (`pixel` is asked for row 0 first).
inline std::string BmpRows(int width, int rows, const std::function<Rgb(int x, int row)>& pixel)
{
    std::string out;
    for (int row = 0; row < rows; ++row) {
        for (int x = 0; x < width; ++x) {
            const Rgb p = pixel(x, row);
            out += static_cast<char>(p.b);
            out += static_cast<char>(p.g);
            out += static_cast<char>(p.r);
        }
        while (out.size() % 4 != 0) {
            out += '\0';
        }
    }
    return out;
}

// A BMP file: the 14-byte file header, the info block (`infoSize` bytes), the palette, then `pixels`.
inline std::string MakeBmp(const BmpHeader& h, const std::string& pixels)
{
    std::string out;
    auto u16 = [&](std::uint32_t v) {
        out += static_cast<char>(v & 0xFF);
        out += static_cast<char>((v >> 8) & 0xFF);
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    // An absurd info size is only claimed, not written out.
    const std::uint32_t infoWritten = h.infoSize <= 4096 ? h.infoSize : 40;
    const std::uint32_t headersEnd = 14 + infoWritten + 4 * h.paletteEntries;
    const std::uint32_t offset = h.pixelOffset >= 0 ? static_cast<std::uint32_t>(h.pixelOffset) : headersEnd;
    out += "BM";
    u32(static_cast<std::uint32_t>(offset + pixels.size()));
    u32(0);
    u32(offset);
    u32(h.infoSize);
    u32(static_cast<std::uint32_t>(h.width));
    u32(static_cast<std::uint32_t>(h.height));
    u16(1);
    u16(h.bitsPerPixel);
    u32(h.compression);
    u32(h.imageSize);
    u32(2835); // 72 dots per inch, both ways
    u32(2835);
    u32(h.paletteEntries);
    u32(0);
    while (out.size() < 14 + infoWritten) {
        out += '\0';
    }
    for (std::uint32_t i = 0; i < h.paletteEntries; ++i) {
        u32(0x00FF00FFu); // magenta: would show if the palette were read as pixels
    }
    out += pixels; // right after the palette, wherever `pixelOffset` says they are
    return out;
}
