// platform/web/jpeg_stb.cpp -- platform/jpeg.h over stb_image (Emscripten's sysroot ships it), for the web.
#include "platform/jpeg.h"

#include <cstdio>
#include <cstring>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#include "stb_image.h"

namespace {

constexpr long kMaxFileBytes = 128L << 20; // as the desktop decoder

// The whole file; empty when it cannot be read or is too big.
std::vector<unsigned char> ReadFile(const char* fileName)
{
    std::vector<unsigned char> bytes;
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return bytes;
    unsigned char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (static_cast<long>(bytes.size()) > kMaxFileBytes) {
            bytes.clear();
            break;
        }
    }
    std::fclose(file);
    return bytes;
}

} // namespace

bool ReadJpegInfo(const char* fileName, JpegInfo* info)
{
    if (fileName == nullptr || info == nullptr) return false;
    const std::vector<unsigned char> bytes = ReadFile(fileName);
    // A JPEG file starts with its start-of-image marker.
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return false;
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels)) return false;
    if (w < 1 || h < 1 || w > 65535 || h > 65535 || (channels != 1 && channels != 3)) return false;
    info->width = w;
    info->height = h;
    info->channels = channels;
    return true;
}

bool DecodeJpeg(const char* fileName, int width, int height, int channels, unsigned char* pixels)
{
    if (fileName == nullptr || pixels == nullptr || width < 1 || height < 1 ||
        (channels != 1 && channels != 3)) {
        return false;
    }
    const std::vector<unsigned char> bytes = ReadFile(fileName);
    if (bytes.empty()) return false;
    int w = 0, h = 0, got = 0;
    unsigned char* decoded =
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &got, channels);
    if (decoded == nullptr) return false;
    const bool same = w == width && h == height;
    if (same) std::memcpy(pixels, decoded, static_cast<std::size_t>(w) * h * channels);
    stbi_image_free(decoded);
    return same;
}
