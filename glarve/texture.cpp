// glarve/texture.cpp -- textures and sprites: load a JPEG or BMP into a mipmapped GL texture, draw it as a
// quad.
//   Needs: platform/jpeg.h (decoding), GL 1.1, GLU (mipmaps). Only Bind() and DrawSprite() run per frame.
#include "texture.h"

#include <GL/gl.h>  // Required for: texture objects, glPixelStorei(), immediate mode
#include <GL/glu.h> // Required for: gluBuild2DMipmaps()

#include <cstddef>
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

// GLU's mipmap builder, when it scales an image whose sides are not powers of two, reads up to one row
// and one pixel past the image's last byte (seen with valgrind on Mesa's libGLU 9.0). Every buffer
// handed to it has that much more, zeroed, behind the image.
std::size_t ScalerSlack(std::size_t rowBytes, int pixelBytes)
{
    return rowBytes + static_cast<std::size_t>(pixelBytes) + 4;
}

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
        // Room behind the pixels for GLU's scaler, which reads a little past a non-power-of-two image.
        if (Allocate(&image.pixels, rowBytes * image.height + ScalerSlack(rowBytes, channels))) {
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
    if (!ReadBmpFile(fileName, static_cast<std::uint64_t>(maxSize > 0 ? maxSize : 0), &image)) {
        return false;
    }
    const std::size_t rowBytes = (static_cast<std::size_t>(image.width) * 3 + 3) / 4 * 4;
    if (!Allocate(&image.pixels, image.pixels.size() + ScalerSlack(rowBytes, 3))) {
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
