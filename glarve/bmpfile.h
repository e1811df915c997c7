// glarve/bmpfile.h -- reading an uncompressed 24-bit BMP file whole, for the texture loader.
#pragma once

#include <cstdint>
#include <vector>

// An uncompressed 24-bit BMP image read whole: blue-green-red pixels, each row padded to 4 bytes,
// bottom row first.
struct BmpImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<unsigned char> pixels;
};

// Reads and checks BMP file `fileName` into `image`. Top-down files are turned round so that the
// pixels are always bottom row first. Returns false when `fileName` is null, the file cannot be read,
// is not an uncompressed 24-bit BMP, is cut short, has a size of 0, below 0 (width), over `maxSize`
// (GL's texture limit) on either side or over 8192 x 8192 pixels, or memory for it cannot be had.
bool ReadBmpFile(const char* fileName, std::uint64_t maxSize, BmpImage* image);
