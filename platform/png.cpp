// platform/png.cpp -- PNG writing and reading over libpng's simplified and classic interfaces.
#include "platform/png.h"

#include <png.h>

#include <cstdio>

namespace {

// libpng reports errors through longjmp: the calls that may jump sit in functions with no C++
// objects that need destroying.
bool WriteRows(FILE* file, int width, int height, const unsigned char* rgb, int compression, bool alpha)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, compression);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rgb + static_cast<std::size_t>(y) * stride);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

namespace {

bool WriteFile(const std::string& path, int width, int height, const unsigned char* pixels, int compression,
               bool alpha)
{
    if (width <= 0 || height <= 0 || pixels == nullptr) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = WriteRows(file, width, height, pixels, compression, alpha);
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

} // namespace

bool WritePngFile(const std::string& path, int width, int height, const unsigned char* rgb, int compression)
{
    return WriteFile(path, width, height, rgb, compression, false);
}

bool WritePngFileRgba(const std::string& path, int width, int height, const unsigned char* rgba)
{
    return WriteFile(path, width, height, rgba, 9, true);
}

bool ReadPngFile(const std::string& path, int* width, int* height, std::vector<unsigned char>* rgb)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        png_image_free(&image);
        return false;
    }
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    *rgb = std::move(pixels);
    return true;
}
