// glarve/texture.cpp -- textures and sprites: load a JPEG or BMP into a mipmapped GL texture, draw it as a
// quad.
//   Needs: platform/jpeg.h (decoding), GL 1.1, GLU (mipmaps). Only Bind() and DrawSprite() run per frame.
#include "texture.h"

#include <GL/gl.h>  // Required for: texture objects, glPixelStorei(), immediate mode
#include <GL/glu.h> // Required for: gluBuild2DMipmaps()

#include <cstddef>
#include <fstream>
#include <limits>
#include <vector>

#include "platform/jpeg.h"

namespace {

// What a failed JPEG load leaves: 2 x 2 luminance, first row black then white, second white then black.
constexpr unsigned char kPlaceholder[4] = {0x00, 0xFF, 0xFF, 0x00};

// The largest JPEG the loader accepts: 8192 x 8192 pixels (192 MB decoded in colour).
constexpr std::uint64_t kMaxJpegPixels = 8192ull * 8192ull;

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

// An uncompressed 24-bit BMP image read whole: blue-green-red pixels, each row padded to 4 bytes,
// bottom row first.
struct BmpImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<unsigned char> pixels;
};

constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint64_t kInfoHeaderSize = 40; // BITMAPINFOHEADER; larger (V4, V5) headers start alike

// Reads and checks BMP file `fileName`. Every size is checked against the file's length and against
// `maxSize` (GL's texture limit) before anything is allocated, so a hostile header cannot make the
// reader allocate or read past what the file holds.
bool ReadBmp(const char* fileName, std::uint64_t maxSize, BmpImage* image)
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
    if (width <= 0 || rows == 0 || static_cast<std::uint64_t>(width) > maxSize || rows > maxSize) {
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

    image->pixels.resize(static_cast<std::size_t>(size));
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
        static_cast<std::uint64_t>(info.width) * static_cast<std::uint64_t>(info.height) <= kMaxJpegPixels) {
        image.height = static_cast<std::uint32_t>(info.height);
        image.width = static_cast<std::uint32_t>(info.width);
        const int channels = alphaOnly ? 1 : 3;
        image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * channels);
        image.decoded = DecodeJpeg(fileName, info.width, info.height, channels, image.pixels.data());
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
        width = image.width;
        height = image.height;
        const auto w = static_cast<GLint>(image.width);
        const auto h = static_cast<GLint>(image.height);
        // Rows come without gaps; set the alignment here rather than trust what an earlier upload (a
        // BMP's 4) left.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        if (image.alphaOnly) {
            gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA, w, h, GL_ALPHA, GL_UNSIGNED_BYTE, image.pixels.data());
        } else {
            gluBuild2DMipmaps(GL_TEXTURE_2D, 3, w, h, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
        }
    } else {
        width = 2;
        height = 2;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gluBuild2DMipmaps(GL_TEXTURE_2D, 1, 2, 2, GL_LUMINANCE, GL_UNSIGNED_BYTE, kPlaceholder);
    }
    return image.decoded;
}

bool Texture::LoadBmp(const char* fileName)
{
    Create();
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    BmpImage image;
    if (!ReadBmp(fileName, static_cast<std::uint64_t>(maxSize > 0 ? maxSize : 0), &image)) {
        return false;
    }
    width = image.width;
    height = image.height;
    // BMP rows are padded to 4 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, static_cast<GLint>(width), static_cast<GLint>(height), GL_BGR_EXT,
                      GL_UNSIGNED_BYTE, image.pixels.data());
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
