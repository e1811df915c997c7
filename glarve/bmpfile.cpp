// glarve/bmpfile.cpp -- reading uncompressed 24-bit BMP files whole, every size checked before use.
#include "bmpfile.h"

#include <cstddef>
#include <fstream>
#include <limits>
#include <new>

namespace {

// The largest image the reader accepts: 8192 x 8192 pixels (192 MB).
constexpr std::uint64_t kMaxBmpPixels = 8192ull * 8192ull;

// Little-endian fields of a BMP header.
std::uint32_t ReadU16(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t ReadU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t ReadS32(const unsigned char* p)
{
    const std::uint32_t u = ReadU32(p);
    return u <= 0x7FFFFFFFu ? static_cast<std::int32_t>(u) : -static_cast<std::int32_t>(~u) - 1;
}

bool ReadExactly(std::ifstream& in, unsigned char* to, std::uint64_t count)
{
    in.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(count));
    return static_cast<std::uint64_t>(in.gcount()) == count;
}

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint64_t kInfoHeaderSize = 40; // BITMAPINFOHEADER; larger (V4, V5) headers start alike

} // namespace

bool ReadBmpFile(const char* fileName, std::uint64_t maxSize, BmpImage* image)
{
    if (fileName == nullptr) {
        return false;
    }
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0) {
        return false;
    }
    const auto fileSize = static_cast<std::uint64_t>(length);
    in.seekg(0, std::ios::beg);

    unsigned char fileHeader[kFileHeaderSize];
    if (!ReadExactly(in, fileHeader, kFileHeaderSize) || fileHeader[0] != 'B' || fileHeader[1] != 'M') {
        return false;
    }
    const std::uint64_t pixelOffset = ReadU32(fileHeader + 10);

    unsigned char info[kInfoHeaderSize];
    if (!ReadExactly(in, info, kInfoHeaderSize)) {
        return false;
    }
    const std::uint64_t infoSize = ReadU32(info);
    if (infoSize < kInfoHeaderSize || kFileHeaderSize + infoSize > fileSize) {
        return false;
    }
    const std::int64_t width = ReadS32(info + 4);
    const std::int64_t height = ReadS32(info + 8); // below 0: rows stored top first
    const std::uint32_t bitsPerPixel = ReadU16(info + 14);
    const std::uint32_t compression = ReadU32(info + 16);
    if (bitsPerPixel != 24 || compression != 0) {
        return false;
    }
    const std::uint64_t rows = static_cast<std::uint64_t>(height < 0 ? -height : height);
    if (width <= 0 || rows == 0 || static_cast<std::uint64_t>(width) > maxSize || rows > maxSize ||
        static_cast<std::uint64_t>(width) * rows > kMaxBmpPixels) {
        return false;
    }

    // The header's own image size is not trusted: the rows are what the upload will read.
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) / 4 * 4;
    if (rows > std::numeric_limits<std::size_t>::max() / stride) {
        return false;
    }
    const std::uint64_t size = stride * rows;
    // The pixels start after the headers (a palette may lie between) and lie wholly in the file.
    if (pixelOffset < kFileHeaderSize + infoSize || pixelOffset > fileSize || fileSize - pixelOffset < size) {
        return false;
    }

    try {
        image->pixels.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    in.seekg(static_cast<std::streamoff>(pixelOffset), std::ios::beg);
    if (height > 0) {
        if (!ReadExactly(in, image->pixels.data(), size)) {
            return false;
        }
    } else {
        // A top-down file: turn the row order round so that both kinds give the same texture.
        for (std::uint64_t row = 0; row < rows; ++row) {
            if (!ReadExactly(in, image->pixels.data() + (rows - 1 - row) * stride, stride)) {
                return false;
            }
        }
    }
    image->width = static_cast<std::uint32_t>(width);
    image->height = static_cast<std::uint32_t>(rows);
    return true;
}
