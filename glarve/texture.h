// glarve/texture.h -- a GL texture loaded from a JPEG or BMP file, with mipmaps, drawable as a sprite.
#pragma once

#include <cstdint>
#include <vector>

// A JPEG file decoded into memory: what Texture::LoadJpeg reads before it makes any GL call.
struct JpegImage {
    std::uint32_t width = 0; // pixels
    std::uint32_t height = 0;
    bool alphaOnly = false;            // one grey channel, else RGB
    bool decoded = false;              // false: missing, undecodable or too large
    std::vector<unsigned char> pixels; // gapless rows, top row first; empty unless decoded
};

// One GL 2D texture object and the pixel size of the image last loaded into it. Every operation
// but the constructor makes GL calls and needs the GL context current; so does destruction of a
// Texture that holds a GL texture object. A Texture owns its GL object and is never copied.
class Texture {
public:
    std::uint32_t handle = 0; // the GL texture name plus one; 0: no GL texture object
    std::uint32_t width = 0;  // pixels, of the image last loaded (not of the stored levels); 2 after
    std::uint32_t height = 0; // the placeholder; 0 until the first successful load

    Texture() = default;
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Deletes the old GL texture object, makes a new one and leaves it bound, with wrap S and T
    // GL_REPEAT, magnification GL_LINEAR and minification GL_LINEAR_MIPMAP_NEAREST. Always true.
    bool Create();
    // Deletes the GL texture object if there is one; a second call does nothing.
    void Delete();
    // Binds the texture to GL_TEXTURE_2D; a Texture without a GL object binds the default texture 0.
    void Bind() const;

    // Creates a new GL object and decodes JPEG file `fileName` into it with its mipmaps: RGB, or with
    // `alphaOnly` the grey level as the texture's alpha (a one-channel alpha texture). Returns false
    // when the file is missing or cannot be decoded, is over 128 MiB, its image is over 8192 x 8192
    // pixels or memory for it cannot be had; the texture then holds a 2 x 2 black-and-white
    // checkerboard (first row black, white) and `width` = `height` = 2. An image whose sides are not
    // powers of two is stored at GLU's power-of-two size (each side to the nearest, 100 -> 128,
    // 300 -> 256), scaled with an area filter. Leaves the unpack state at alignment 1, row length and
    // skips 0.
    bool LoadJpeg(const char* fileName, bool alphaOnly = false);
    // LoadJpeg in two halves, so that files can be decoded on other threads while the GL uploads
    // stay on the GL thread, in their order: ReadJpeg decodes without GL (any thread, no context);
    // LoadJpeg(image) then does the rest of what LoadJpeg(fileName) does, with the same result.
    static JpegImage ReadJpeg(const char* fileName, bool alphaOnly = false);
    bool LoadJpeg(const JpegImage& image);

    // Creates a new GL object and reads the uncompressed 24-bit BMP file `fileName` into it with its
    // mipmaps, stored and scaled as LoadJpeg does. Bottom-up and top-down files give the same texture:
    // texture row 0 (t = 0) is the
    // image's bottom row, as a bottom-up file stores it. Returns false, with nothing uploaded (the new
    // GL object stays empty) and `width` and `height` unchanged, when the file cannot be read, is
    // not an uncompressed 24-bit BMP, is cut short, has a size of 0, below 0 (width), over the GL
    // maximum texture size or over 8192 x 8192 pixels, or memory for it cannot be had. Leaves the unpack
    // state at alignment 4, row length and skips 0.
    bool LoadBmp(const char* fileName);

    // Draws the texture as one quad with opacity `alpha` (0 to 1) turned by `angle` degrees about z.
    // The longer side is 2 model units, the shorter keeps the image's aspect ratio. The quad is built
    // around (x, y, z) in a frame already translated by (x, y, z) and turned by `angle`: with angle 0
    // it is centred at twice the point, (2x, 2y, 2z); with x = y = 0 it turns about its own centre.
    // Draws unlit; leaves lighting as it found it, the depth test on, blending and 2D texturing off,
    // the current colour (1, 1, 1, alpha) and the current matrix translated and rotated (callers
    // push and pop). Makes no GL call when `width` or `height` is 0 or there is no GL object.
    void DrawSprite(float x, float y, float z, float angle, float alpha);

    // DrawSprite in three parts, for many sprites of one texture under one change of state: the
    // same calls in the same order for each sprite, without switching the state off and on between
    // them. Between SpriteStateOn and SpriteStateOff the state is DrawSprite's while it draws (this
    // texture bound, depth test off, 2D texturing and blending on); SpriteStateOff leaves what
    // DrawSprite leaves (depth test on, blending and texturing off). Lighting is left to the caller,
    // who switches it off first. SpriteQuad is DrawSprite's translation, turn, colour and quad: like
    // it, it leaves the matrix translated and turned. All three do nothing where DrawSprite would
    // draw nothing (IsDrawable false).
    bool IsDrawable() const { return width != 0 && height != 0 && handle != 0; }
    void SpriteStateOn() const;
    void SpriteQuad(float x, float y, float z, float angle, float alpha) const;
    void SpriteStateOff() const;

private:
    // Uploads a decoded image with its mipmaps into the bound object, or the checkerboard.
    bool Upload(const JpegImage& image);
    // The sprite's quad around (x, y, z), in the frame already translated and turned.
    void Quad(float x, float y, float z) const;
};
