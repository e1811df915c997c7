// glarve/texture.cpp -- textures and sprites: load a JPEG or BMP into a mipmapped GL texture, draw it as a
// quad.
//   Needs: platform/jpeg.h (decoding), GL 1.1, GLU (mipmaps). Only Bind() and DrawSprite() run per frame.
#include "texture.h"

#include <GL/gl.h>  // Required for: texture objects, glPixelStorei(), immediate mode
#include <GL/glu.h> // Required for: gluBuild2DMipmaps()

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "bmpfile.h"
#include "platform/jpeg.h"

namespace {

// What a failed JPEG load leaves: 2 x 2 luminance, first row black then white, second white then black.
constexpr unsigned char kPlaceholder[4] = {0x00, 0xFF, 0xFF, 0x00};

// The largest JPEG image the loader accepts: 8192 x 8192 pixels (192 MB decoded in colour); the BMP
// reader has the same limit.
constexpr std::uint64_t kMaxImagePixels = 8192ull * 8192ull;

// Sizes `pixels` to `size` bytes; false, with nothing allocated, when the memory cannot be had.
bool Allocate(std::vector<unsigned char>* pixels, std::size_t size)
{
    try {
        pixels->resize(size);
    } catch (const std::bad_alloc&) {
        pixels->clear();
        pixels->shrink_to_fit();
        return false;
    }
    return true;
}

struct Size {
    GLint width, height;
};

// GLU's power of two for a side: the next one up from one and a half times a power of two, else the
// one below (100 and 127 give 128, 300 gives 256, 768 gives 1024, 700 gives 512).
GLint NearestPower(GLint side)
{
    GLint power = 1;
    for (;;) {
        if (side <= 1) return power;
        if (side == 3) return power * 4;
        side >>= 1;
        power *= 2;
    }
}

// The size gluBuild2DMipmaps stores level 0 at, found as it finds it: each side's power of two, both
// halved while GL's proxy refuses level 1 of that size.
Size MipmapSize(int width, int height, GLint components, GLenum format)
{
    Size fit{NearestPower(width), NearestPower(height)};
    for (;;) {
        const Size half{fit.width > 1 ? fit.width / 2 : 1, fit.height > 1 ? fit.height / 2 : 1};
        glTexImage2D(GL_PROXY_TEXTURE_2D, 1, components, half.width, half.height, 0, format, GL_UNSIGNED_BYTE,
                     nullptr);
        GLint proxyWidth = 0;
        glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &proxyWidth);
        if (proxyWidth != 0) return fit;
        if (fit.width == 1 && fit.height == 1) {
            // Not even 1 x 1 fits: GLU then takes the powers of two cut to the largest size.
            GLint maxSize = 0;
            glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
            return {std::min(NearestPower(width), maxSize), std::min(NearestPower(height), maxSize)};
        }
        fit = half;
    }
}

// Which input pixels make up each output pixel along one side of `in` pixels scaled to `out`, and
// by how much: output pixel i averages the input over [i x in / out, (i + 1) x in / out).
struct Footprint {
    int first;                   // the first input pixel it covers
    std::vector<double> weights; // for the pixels from `first` on; they add up to 1
};
std::vector<Footprint> Footprints(int in, int out)
{
    std::vector<Footprint> footprints(static_cast<std::size_t>(out));
    for (int i = 0; i < out; ++i) {
        const double low = static_cast<double>(i) * in / out;
        const double high = static_cast<double>(i + 1) * in / out;
        Footprint& f = footprints[static_cast<std::size_t>(i)];
        f.first = static_cast<int>(std::floor(low));
        const int last = std::min(in - 1, static_cast<int>(std::ceil(high)) - 1);
        for (int k = f.first; k <= last; ++k) {
            const double covered = std::min(high, k + 1.0) - std::max(low, static_cast<double>(k));
            f.weights.push_back(std::max(0.0, covered) / (high - low));
        }
    }
    return footprints;
}

// Scales gapless rows of `channels` bytes a pixel with an area (box) filter, the filter GLU's mipmap
// builder means to apply, but reading inside the image only and weighting its last row and column
// fully. Row by row: one row of sums in memory besides the two images.
void ScaleImage(const unsigned char* in, int inWidth, int inHeight, int channels, unsigned char* out,
                int outWidth, int outHeight)
{
    const std::vector<Footprint> columns = Footprints(inWidth, outWidth);
    const std::vector<Footprint> rows = Footprints(inHeight, outHeight);
    const std::size_t inRow = static_cast<std::size_t>(inWidth) * channels;
    std::vector<double> sums(inRow);
    for (int y = 0; y < outHeight; ++y) {
        const Footprint& row = rows[static_cast<std::size_t>(y)];
        std::fill(sums.begin(), sums.end(), 0.0);
        for (std::size_t k = 0; k < row.weights.size(); ++k) {
            const unsigned char* source = in + (static_cast<std::size_t>(row.first) + k) * inRow;
            for (std::size_t i = 0; i < inRow; ++i) {
                sums[i] += row.weights[k] * source[i];
            }
        }
        unsigned char* target = out + static_cast<std::size_t>(y) * outWidth * channels;
        for (const Footprint& column : columns) {
            for (int c = 0; c < channels; ++c) {
                double value = 0.0;
                for (std::size_t k = 0; k < column.weights.size(); ++k) {
                    value +=
                        column.weights[k] * sums[(static_cast<std::size_t>(column.first) + k) * channels + c];
                }
                *target++ = static_cast<unsigned char>(std::min(255.0, value + 0.5));
            }
        }
    }
}

// Uploads gapless rows of `channels` bytes a pixel with their mipmaps into the bound texture. An
// image GLU would rescale is scaled here first: GLU's own scaler leaves the last row black when it
// keeps the height (all black for an image 1 pixel high), reads past the image, and uploads level 0
// with the unpack alignment in force (rows of 1 or 2 BGR pixels come out scrambled at 4). GLU then
// only halves a power-of-two image, reading inside it. The unpack state is alignment 1, row length
// and skips 0 afterwards. False, with nothing uploaded, when memory for the scaled image cannot be had.
bool BuildMipmaps(GLint components, GLenum format, int channels, int width, int height,
                  const unsigned char* pixels)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    const Size fit = MipmapSize(width, height, components, format);
    if (fit.width == width && fit.height == height) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
        return true;
    }
    std::vector<unsigned char> scaled;
    if (!Allocate(&scaled, static_cast<std::size_t>(fit.width) * fit.height * channels)) {
        return false;
    }
    ScaleImage(pixels, width, height, channels, scaled.data(), fit.width, fit.height);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, fit.width, fit.height, format, GL_UNSIGNED_BYTE,
                      scaled.data());
    return true;
}

} // namespace

Texture::~Texture()
{
    Delete();
}

bool Texture::Create()
{
    Delete();
    GLuint name = 0;
    glGenTextures(1, &name);
    handle = name + 1;
    glBindTexture(GL_TEXTURE_2D, handle - 1);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR_MIPMAP_NEAREST));
    return true;
}

void Texture::Delete()
{
    if (handle != 0) {
        const GLuint name = handle - 1;
        glDeleteTextures(1, &name);
        handle = 0;
    }
}

void Texture::Bind() const
{
    // Without a GL object, name handle - 1 would wrap round to a name GL would create on the spot.
    glBindTexture(GL_TEXTURE_2D, handle != 0 ? handle - 1 : 0);
}

JpegImage Texture::ReadJpeg(const char* fileName, bool alphaOnly)
{
    JpegImage image;
    image.alphaOnly = alphaOnly;
    JpegInfo info;
    // A header may claim up to 65535 x 65535 pixels whatever the file holds: refuse sizes no show
    // needs before allocating for them.
    if (ReadJpegInfo(fileName, &info) &&
        static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.height) <= kMaxImagePixels) {
        image.height = static_cast<std::uint32_t>(info.height);
        image.width = static_cast<std::uint32_t>(info.width);
        const int channels = alphaOnly ? 1 : 3;
        const std::size_t rowBytes = static_cast<std::size_t>(image.width) * channels;
        if (Allocate(&image.pixels, rowBytes * image.height)) {
            image.decoded = DecodeJpeg(fileName, info.width, info.height, channels, image.pixels.data());
        }
        if (!image.decoded) {
            image.pixels.clear();
        }
    }
    return image;
}

bool Texture::LoadJpeg(const char* fileName, bool alphaOnly)
{
    Create();
    return Upload(ReadJpeg(fileName, alphaOnly));
}

bool Texture::LoadJpeg(const JpegImage& image)
{
    Create();
    return Upload(image);
}

bool Texture::Upload(const JpegImage& image)
{
    if (image.decoded) {
        const auto w = static_cast<int>(image.width);
        const auto h = static_cast<int>(image.height);
        const bool built = image.alphaOnly ? BuildMipmaps(GL_ALPHA, GL_ALPHA, 1, w, h, image.pixels.data())
                                           : BuildMipmaps(3, GL_RGB, 3, w, h, image.pixels.data());
        if (built) {
            width = image.width;
            height = image.height;
            return true;
        }
    }
    width = 2;
    height = 2;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 1, 2, 2, GL_LUMINANCE, GL_UNSIGNED_BYTE, kPlaceholder);
    return false;
}

bool Texture::LoadBmp(const char* fileName)
{
    Create();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    BmpImage image;
    if (!ReadBmpFile(fileName, static_cast<std::uint64_t>(maxSize > 0 ? maxSize : 0), &image)) {
        return false;
    }
    // The rows lose their padding to 4 bytes: GLU uploads the levels it makes with the alignment in
    // force, so every level goes up as gapless rows at alignment 1.
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 3;
    const std::size_t stride = (rowBytes + 3) / 4 * 4;
    for (std::size_t row = 1; row < image.height; ++row) {
        std::memmove(image.pixels.data() + row * rowBytes, image.pixels.data() + row * stride, rowBytes);
    }
    const bool built = BuildMipmaps(3, GL_BGR_EXT, 3, static_cast<int>(image.width),
                                    static_cast<int>(image.height), image.pixels.data());
    // What a BMP load leaves: the unpack state for rows padded to 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (!built) {
        return false;
    }
    width = image.width;
    height = image.height;
    return true;
}

void Texture::DrawSprite(float x, float y, float z, float angle, float alpha)
{
    if (!IsDrawable()) {
        return;
    }
    const GLboolean lightingWasOn = glIsEnabled(GL_LIGHTING);
    if (lightingWasOn) {
        glDisable(GL_LIGHTING);
    }
    glTranslatef(x, y, z);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    Bind();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    Quad(x, y, z);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    if (lightingWasOn) {
        glEnable(GL_LIGHTING);
    }
}

void Texture::SpriteStateOn() const
{
    if (!IsDrawable()) {
        return;
    }
    Bind();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
}

void Texture::SpriteQuad(float x, float y, float z, float angle, float alpha) const
{
    if (!IsDrawable()) {
        return;
    }
    glTranslatef(x, y, z);
    glRotatef(angle, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, alpha);
    Quad(x, y, z);
}

void Texture::SpriteStateOff() const
{
    if (!IsDrawable()) {
        return;
    }
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

void Texture::Quad(float x, float y, float z) const
{
    // Half sizes: the longer side is 2 units.
    float hx = 1.0f;
    float hy = 1.0f;
    if (width > height) {
        hy = static_cast<float>(height) / static_cast<float>(width);
    } else {
        hx = static_cast<float>(width) / static_cast<float>(height);
    }
    // The corners hold the point once more although the frame is already translated by it: the
    // quad lands at twice the point, which the show's sprite positions count on. The first texture
    // row (t = 0) runs along the upper edge.
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(x - hx, y + hy, z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(x + hx, y + hy, z);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(x + hx, y - hy, z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(x - hx, y - hy, z);
    glEnd();
}
