// tests/texture_test.cpp -- Texture on a real GL context: the GL object and its parameters, JPEG and BMP
// loads read back from GL (placeholder, hostile BMP files), and sprite geometry, pixels and state.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <climits>
#include <future>
#include <cmath>
#include <string>
#include <vector>

#include "feedback.h"
#include "glarve.h"
#include "glcontext.h"
#include "imagefiles.h"
#include "tempfile.h"

namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

// The size of level `level` of the texture bound to GL_TEXTURE_2D; 0 x 0 when it holds nothing.
struct LevelSize {
    int width, height;
};
LevelSize SizeOfLevel(int level)
{
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
    return {w, h};
}

// Level 0 of `texture` read back from GL, `channels` bytes a texel in `format`, row 0 (t = 0) first.
std::vector<unsigned char> Texels(const Texture& texture, GLenum format, int channels)
{
    texture.Bind();
    const LevelSize size = SizeOfLevel(0);
    std::vector<unsigned char> texels(static_cast<std::size_t>(size.width) * size.height * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// One RGB texel of level 0 (x from the left, row from t = 0).
Rgb TexelAt(const std::vector<unsigned char>& rgb, int levelWidth, int x, int row)
{
    const std::size_t i = (static_cast<std::size_t>(row) * levelWidth + x) * 3;
    return Rgb{rgb[i], rgb[i + 1], rgb[i + 2]};
}

::testing::AssertionResult Near(Rgb actual, Rgb expected, int tolerance = 24)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "(" << int(actual.r) << ", " << int(actual.g) << ", " << int(actual.b) << ") is not near ("
           << int(expected.r) << ", " << int(expected.g) << ", " << int(expected.b) << ")";
}

GLuint BoundTexture()
{
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return static_cast<GLuint>(name);
}

// ---- the GL texture object

class TextureObject : public GLTest {};

TEST_F(TextureObject, CreateMakesABoundObjectWithTheFourParameters)
{
    Texture t;
    EXPECT_EQ(t.handle, 0u);
    EXPECT_TRUE(t.Create());
    ASSERT_NE(t.handle, 0u);
    EXPECT_TRUE(glIsTexture(t.handle - 1));
    EXPECT_EQ(BoundTexture(), t.handle - 1);

    const struct {
        GLenum parameter;
        GLint value;
    } expected[] = {{GL_TEXTURE_WRAP_S, GL_REPEAT},
                    {GL_TEXTURE_WRAP_T, GL_REPEAT},
                    {GL_TEXTURE_MAG_FILTER, GL_LINEAR},
                    {GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST}};
    for (const auto& e : expected) {
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, e.parameter, &value);
        EXPECT_EQ(value, e.value) << "parameter 0x" << std::hex << e.parameter;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureObject, CreateAgainAndLoadingAgainDeleteTheOldObject)
{
    Texture t;
    t.Create();
    const GLuint first = t.handle - 1;
    // Keep the old name from being handed out again at once, so that its deletion shows.
    GLuint holder = 0;
    glGenTextures(1, &holder);
    t.Create();
    EXPECT_FALSE(glIsTexture(first));
    const GLuint second = t.handle - 1;

    TempFile jpeg(MakeSolidJpeg(8, 8, kWhite), ".jpg");
    ASSERT_TRUE(t.LoadJpeg(jpeg.Path()));
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_TRUE(glIsTexture(t.handle - 1));
    glDeleteTextures(1, &holder);
}

TEST_F(TextureObject, DeleteTwiceDeletesOnce)
{
    Texture a;
    a.Create();
    a.Delete();
    EXPECT_EQ(a.handle, 0u);
    // GL may hand a's old name to b: a second Delete on a must not take it from b.
    Texture b;
    b.Create();
    a.Delete();
    EXPECT_TRUE(glIsTexture(b.handle - 1));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureObject, DestructionDeletesTheObject)
{
    GLuint name = 0;
    {
        Texture t;
        t.Create();
        name = t.handle - 1;
        ASSERT_TRUE(glIsTexture(name));
    }
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(TextureObject, BindWithoutAnObjectBindsTheDefaultTexture)
{
    Texture other;
    other.Create();
    Texture none;
    none.Bind();
    EXPECT_EQ(BoundTexture(), 0u);
    // Name handle - 1 (all ones) would have made GL create a texture object of that name.
    EXPECT_FALSE(glIsTexture(0xFFFFFFFFu));
}

// ---- JPEG loading

class JpegLoad : public GLTest {};

TEST_F(JpegLoad, ColourImageBecomesAMipmappedRgbTextureTopRowFirst)
{
    // Quarters: red | green over blue | white, each a whole number of 8 x 8 JPEG blocks.
    const auto pixels = MakePixels(32, 16, [](int x, int y) {
        if (y < 8) {
            return x < 16 ? kRed : kGreen;
        }
        return x < 16 ? kBlue : kWhite;
    });
    TempFile file(MakeJpeg(32, 16, pixels), ".jpg");
    Texture t;
    ASSERT_TRUE(t.LoadJpeg(file.Path()));
    EXPECT_EQ(t.width, 32u);
    EXPECT_EQ(t.height, 16u);

    t.Bind();
    EXPECT_EQ(SizeOfLevel(0).width, 32);
    EXPECT_EQ(SizeOfLevel(0).height, 16);
    EXPECT_EQ(SizeOfLevel(5).width, 1); // the chain goes down to 1 x 1
    EXPECT_EQ(SizeOfLevel(5).height, 1);

    const auto rgb = Texels(t, GL_RGB, 3);
    EXPECT_TRUE(Near(TexelAt(rgb, 32, 2, 2), kRed));
    EXPECT_TRUE(Near(TexelAt(rgb, 32, 29, 2), kGreen));
    EXPECT_TRUE(Near(TexelAt(rgb, 32, 2, 13), kBlue));
    EXPECT_TRUE(Near(TexelAt(rgb, 32, 29, 13), kWhite));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(JpegLoad, DecodedOnAnotherThreadThenUploadedLoadsTheSameTexture)
{
    // An odd size, which GLU rescales before it builds the levels, and a missing file.
    const auto pixels = MakePixels(40, 24, [](int x, int y) {
        return Rgb{static_cast<unsigned char>(x * 6), static_cast<unsigned char>(y * 10), 128};
    });
    TempFile file(MakeJpeg(40, 24, pixels), ".jpg");
    for (const std::string& path : {std::string(file.Path()), std::string("/nonexistent/none.jpg")}) {
        SCOPED_TRACE(path);
        Texture direct;
        const bool directOk = direct.LoadJpeg(path.c_str());
        // The decode needs no GL context: run it where there is none.
        JpegImage image =
            std::async(std::launch::async, [&] { return Texture::ReadJpeg(path.c_str()); }).get();
        Texture split;
        EXPECT_EQ(split.LoadJpeg(image), directOk);
        EXPECT_EQ(split.width, direct.width);
        EXPECT_EQ(split.height, direct.height);
        EXPECT_EQ(BoundTexture(), split.handle - 1);
        for (int level = 0; level < 7; ++level) {
            direct.Bind();
            const LevelSize d = SizeOfLevel(level);
            split.Bind();
            const LevelSize s = SizeOfLevel(level);
            EXPECT_EQ(s.width, d.width) << "level " << level;
            EXPECT_EQ(s.height, d.height) << "level " << level;
        }
        EXPECT_EQ(Texels(split, GL_RGB, 3), Texels(direct, GL_RGB, 3));
    }
}

TEST_F(JpegLoad, AlphaOnlyKeepsTheGreyLevelAsTheTexturesAlpha)
{
    struct Case {
        const char* name;
        bool greyFile;
    };
    for (const Case c : {Case{"grey file", true}, Case{"colour file", false}}) {
        SCOPED_TRACE(c.name);
        // Grey 200 over grey 40 (a colour file holds the same greys as RGB).
        const auto pixels = MakePixels(
            16, 16,
            [](int, int y) {
                return y < 8 ? Rgb{200, 200, 200} : Rgb{40, 40, 40};
            },
            c.greyFile);
        TempFile file(MakeJpeg(16, 16, pixels, c.greyFile), ".jpg");
        Texture t;
        ASSERT_TRUE(t.LoadJpeg(file.Path(), true));
        EXPECT_EQ(t.width, 16u);

        t.Bind();
        GLint alphaBits = 0, redBits = 0, luminanceBits = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_RED_SIZE, &redBits);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_LUMINANCE_SIZE, &luminanceBits);
        EXPECT_GT(alphaBits, 0);
        EXPECT_EQ(redBits, 0);
        EXPECT_EQ(luminanceBits, 0);

        const auto alpha = Texels(t, GL_ALPHA, 1);
        ASSERT_EQ(alpha.size(), 256u);
        EXPECT_NEAR(alpha[2 * 16 + 5], 200, 6);
        EXPECT_NEAR(alpha[13 * 16 + 5], 40, 6);
    }
}

TEST_F(JpegLoad, UploadDoesNotDependOnAnEarlierUnpackAlignment)
{
    // Rows of 6 RGB pixels are 18 bytes: read with the alignment of 4 a BMP load leaves, each row
    // would start 2 bytes further on than the last, and red would come out green or blue.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    TempFile file(MakeSolidJpeg(6, 16, kRed), ".jpg");
    Texture t;
    ASSERT_TRUE(t.LoadJpeg(file.Path()));
    EXPECT_EQ(t.width, 6u);

    const auto rgb = Texels(t, GL_RGB, 3);
    const LevelSize size = SizeOfLevel(0);
    for (int row = 0; row < size.height; ++row) {
        for (int x = 0; x < size.width; ++x) {
            ASSERT_TRUE(Near(TexelAt(rgb, size.width, x, row), kRed)) << "texel " << x << ", " << row;
        }
    }
}

TEST_F(JpegLoad, AFailedReadLeavesTheCheckerboard)
{
    const std::string good = MakeSolidJpeg(16, 16, kWhite);
    TempFile empty("", ".jpg");
    TempFile text("this is not a JPEG image\n", ".jpg");
    TempFile truncated(good.substr(0, good.size() / 2), ".jpg");
    TempFile bmp(MakeBmp(BmpHeader{2, 2}, BmpRows(2, 2, [](int, int) { return kRed; })), ".jpg");
    // A header that claims 65535 x 65535 pixels (12 GB of RGB) for a few bytes of data.
    std::string huge = good;
    const std::size_t frame = huge.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    huge.replace(frame + 5, 4, "\xFF\xFF\xFF\xFF");
    TempFile hugeFile(huge, ".jpg");
    // A larger picture cut inside its scan: libjpeg would fill the rest with grey.
    const std::string stripes =
        MakeJpeg(64, 64, MakePixels(64, 64, [](int x, int y) {
                     return Rgb{static_cast<unsigned char>(x * 4), static_cast<unsigned char>(y * 4), 128};
                 }));
    const std::size_t scan = stripes.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    TempFile cutInScan(stripes.substr(0, scan + (stripes.size() - scan) / 2), ".jpg");
    const struct {
        const char* name;
        const char* path;
    } cases[] = {{"missing file", "/nonexistent/brimt/picture.jpg"},
                 {"empty file", empty.Path()},
                 {"text file", text.Path()},
                 {"JPEG cut in half", truncated.Path()},
                 {"BMP file", bmp.Path()},
                 {"header claiming 65535 x 65535", hugeFile.Path()},
                 {"JPEG cut inside its scan", cutInScan.Path()},
                 {"a device that never ends", "/dev/zero"},
                 {"directory", "/tmp"}};
    TempFile goodFile(good, ".jpg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Texture t;
        ASSERT_TRUE(t.LoadJpeg(goodFile.Path())); // an image is there before: the failure replaces it
        // The placeholder's 2-byte rows would be misread with a BMP load's alignment of 4.
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        EXPECT_FALSE(t.LoadJpeg(c.path));
        EXPECT_EQ(t.width, 2u);
        EXPECT_EQ(t.height, 2u);
        EXPECT_NE(t.handle, 0u);

        t.Bind();
        EXPECT_EQ(SizeOfLevel(0).width, 2);
        EXPECT_EQ(SizeOfLevel(0).height, 2);
        EXPECT_EQ(SizeOfLevel(1).width, 1); // mipmapped like any image
        const auto luminance = Texels(t, GL_LUMINANCE, 1);
        EXPECT_EQ(luminance, (std::vector<unsigned char>{0x00, 0xFF, 0xFF, 0x00}));
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Stray bytes between two markers make libjpeg warn about extraneous data; the picture is whole and
// every viewer shows it, and so does the loader. Bytes inside the scan are another matter.
TEST_F(JpegLoad, StrayBytesBetweenMarkersStillLoadTheWholePicture)
{
    const std::string good =
        MakeJpeg(16, 16, MakePixels(16, 16, [](int x, int) { return x < 8 ? kRed : kBlue; }));
    const std::size_t scan = good.find("\xFF\xDA");
    const std::size_t tables = good.find("\xFF\xC4"); // the first Huffman table
    ASSERT_NE(scan, std::string::npos);
    ASSERT_NE(tables, std::string::npos);
    for (std::size_t at : {scan, tables}) {
        SCOPED_TRACE(at);
        std::string stray = good;
        stray.insert(at, std::string("\x00\x11\x22junk", 7));
        TempFile file(stray, ".jpg");
        Texture t;
        ASSERT_TRUE(t.LoadJpeg(file.Path()));
        EXPECT_EQ(t.width, 16u);
        const auto rgb = Texels(t, GL_RGB, 3);
        EXPECT_TRUE(Near(TexelAt(rgb, 16, 2, 8), kRed));
        EXPECT_TRUE(Near(TexelAt(rgb, 16, 13, 8), kBlue));
        Texture alpha;
        EXPECT_TRUE(alpha.LoadJpeg(file.Path(), true));
    }
}

// ---- BMP loading

class BmpLoad : public GLTest {};

// The four colours of the 2 x 2 image the layouts below hold, bottom row first as BMP stores it.
Rgb Quad2x2(int x, int rowFromBottom)
{
    return rowFromBottom == 0 ? (x == 0 ? kRed : kGreen) : (x == 0 ? kBlue : kWhite);
}

TEST_F(BmpLoad, ReadsUncompressed24BitImagesWhateverTheirLayout)
{
    const std::string bottomUp = BmpRows(2, 2, Quad2x2); // 6-byte rows padded to 8
    const std::string topDown = BmpRows(2, 2, [](int x, int row) { return Quad2x2(x, 1 - row); });
    BmpHeader plain{2, 2};
    BmpHeader flipped{2, -2};
    BmpHeader withPalette{2, 2};
    withPalette.paletteEntries = 4;
    BmpHeader v5Header{2, 2};
    v5Header.infoSize = 124;
    BmpHeader statedSize{2, 2};
    statedSize.imageSize = 16;
    const struct {
        const char* name;
        std::string file;
    } cases[] = {{"bottom-up", MakeBmp(plain, bottomUp)},
                 {"top-down", MakeBmp(flipped, topDown)},
                 {"palette before the pixels", MakeBmp(withPalette, bottomUp)},
                 {"124-byte info block", MakeBmp(v5Header, bottomUp)},
                 {"image size given", MakeBmp(statedSize, bottomUp)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile file(c.file, ".bmp");
        Texture t;
        ASSERT_TRUE(t.LoadBmp(file.Path()));
        EXPECT_EQ(t.width, 2u);
        EXPECT_EQ(t.height, 2u);
        // Lossless and already a power of two: the texels are the file's pixels, bottom row at t = 0.
        const auto rgb = Texels(t, GL_RGB, 3);
        ASSERT_EQ(rgb.size(), 12u);
        EXPECT_TRUE(Near(TexelAt(rgb, 2, 0, 0), kRed, 0));
        EXPECT_TRUE(Near(TexelAt(rgb, 2, 1, 0), kGreen, 0));
        EXPECT_TRUE(Near(TexelAt(rgb, 2, 0, 1), kBlue, 0));
        EXPECT_TRUE(Near(TexelAt(rgb, 2, 1, 1), kWhite, 0));
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(BmpLoad, PaddedRowsAreReadInStepAndWhole)
{
    // 127 pixels are 381 bytes, padded to 384. A reader that sized the rows without their padding
    // would read 189 bytes too few and leave GL reading the last row's right half past its buffer.
    const std::string pixels = BmpRows(127, 64, [](int x, int) { return x < 64 ? kRed : kBlue; });
    TempFile file(MakeBmp(BmpHeader{127, 64}, pixels), ".bmp");
    Texture t;
    ASSERT_TRUE(t.LoadBmp(file.Path()));
    EXPECT_EQ(t.width, 127u);
    EXPECT_EQ(t.height, 64u);

    const auto rgb = Texels(t, GL_RGB, 3);
    const LevelSize size = SizeOfLevel(0); // GLU scales both sides to powers of two
    for (int row = 0; row < size.height; ++row) {
        for (int x = 0; x < size.width; ++x) {
            if (std::abs(2 * x - size.width) <= 2) {
                continue; // the border between the halves blends
            }
            ASSERT_TRUE(Near(TexelAt(rgb, size.width, x, row), 2 * x < size.width ? kRed : kBlue, 8))
                << "texel " << x << ", " << row;
        }
    }
}

TEST_F(BmpLoad, RejectsEverythingButWholeUncompressed24BitImages)
{
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    const std::string pixels4x4 = BmpRows(4, 4, [](int, int) { return kWhite; });
    const std::string valid = MakeBmp(BmpHeader{4, 4}, pixels4x4);
    auto with = [&](auto change) {
        BmpHeader h{4, 4};
        change(h);
        return MakeBmp(h, pixels4x4);
    };
    std::string badSignature = valid;
    badSignature[1] = 'X';
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"empty file", ""},
        {"shorter than the file header", valid.substr(0, 10)},
        {"bad signature", badSignature},
        {"info block ends past the file", valid.substr(0, 30)},
        {"info block shorter than 40 bytes", with([](BmpHeader& h) { h.infoSize = 12; })},
        {"info block size past the file", with([](BmpHeader& h) { h.infoSize = 0xFFFFFFF0u; })},
        {"run-length compressed", with([](BmpHeader& h) { h.compression = 1; })},
        {"bit fields", with([](BmpHeader& h) { h.compression = 3; })},
        {"8 bits per pixel", with([](BmpHeader& h) { h.bitsPerPixel = 8; })},
        {"32 bits per pixel", with([](BmpHeader& h) { h.bitsPerPixel = 32; })},
        {"width 0", with([](BmpHeader& h) { h.width = 0; })},
        {"negative width", with([](BmpHeader& h) { h.width = -4; })},
        {"height 0", with([](BmpHeader& h) { h.height = 0; })},
        {"width 3,000,000", with([](BmpHeader& h) { h.width = 3000000; })},
        {"width and height whose product overflows",
         with([](BmpHeader& h) { h.width = h.height = INT_MAX; })},
        {"most negative height", with([](BmpHeader& h) { h.height = INT_MIN; })},
        {"one pixel wider than GL allows",
         MakeBmp(BmpHeader{maxSize + 1, 1}, BmpRows(maxSize + 1, 1, [](int, int) { return kWhite; }))},
        {"one row taller than GL allows",
         MakeBmp(BmpHeader{1, maxSize + 1}, BmpRows(1, maxSize + 1, [](int, int) { return kWhite; }))},
        {"pixel data offset past the file", with([](BmpHeader& h) { h.pixelOffset = 100000; })},
        {"pixel data offset inside the headers", with([](BmpHeader& h) { h.pixelOffset = 20; })},
        {"pixel data one byte short", valid.substr(0, valid.size() - 1)},
        {"one row short", valid.substr(0, valid.size() - 16)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile file(c.file, ".bmp");
        Texture t;
        EXPECT_FALSE(t.LoadBmp(file.Path()));
        EXPECT_EQ(t.width, 0u);
        EXPECT_EQ(t.height, 0u);
        // The new GL object is there, bound and empty.
        ASSERT_NE(t.handle, 0u);
        EXPECT_EQ(BoundTexture(), t.handle - 1);
        EXPECT_EQ(SizeOfLevel(0).width, 0);
    }

    // The valid file all the above were made from loads.
    TempFile file(valid, ".bmp");
    Texture t;
    EXPECT_TRUE(t.LoadBmp(file.Path()));
    EXPECT_EQ(SizeOfLevel(0).width, 4);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(BmpLoad, AFailedLoadKeepsTheEarlierSizeAndAnUnreadablePathFails)
{
    TempFile file(MakeBmp(BmpHeader{2, 2}, BmpRows(2, 2, Quad2x2)), ".bmp");
    Texture t;
    ASSERT_TRUE(t.LoadBmp(file.Path()));
    EXPECT_FALSE(t.LoadBmp("/nonexistent/brimt/picture.bmp"));
    EXPECT_FALSE(t.LoadBmp("/tmp"));
    EXPECT_FALSE(t.LoadBmp(nullptr));
    EXPECT_EQ(t.width, 2u);
    EXPECT_EQ(t.height, 2u);
}

// ---- what level 0 holds, for images of every kind of size

// `pixels` (gapless rows of `channels` bytes a pixel) scaled to `width` x `height` with an area
// filter: each texel is the mean of the image over the texel's footprint. Computed from the image's
// summed-area table, whose bilinear interpolation is the exact integral of a picture of square pixels.
std::vector<double> AreaScaled(const std::vector<unsigned char>& pixels, int inWidth, int inHeight,
                               int channels, int width, int height)
{
    std::vector<double> out;
    for (int c = 0; c < channels; ++c) {
        // table[y][x]: the sum of channel c over the pixels left of x and above y.
        std::vector<std::vector<double>> table(inHeight + 1, std::vector<double>(inWidth + 1, 0.0));
        for (int y = 0; y < inHeight; ++y) {
            for (int x = 0; x < inWidth; ++x) {
                table[y + 1][x + 1] = table[y][x + 1] + table[y + 1][x] - table[y][x] +
                                      pixels[(static_cast<std::size_t>(y) * inWidth + x) * channels + c];
            }
        }
        auto integral = [&](double x, double y) {
            const int xi = std::min(static_cast<int>(x), inWidth - 1);
            const int yi = std::min(static_cast<int>(y), inHeight - 1);
            const double fx = x - xi;
            const double fy = y - yi;
            return (1 - fx) * (1 - fy) * table[yi][xi] + fx * (1 - fy) * table[yi][xi + 1] +
                   (1 - fx) * fy * table[yi + 1][xi] + fx * fy * table[yi + 1][xi + 1];
        };
        for (int j = 0; j < height; ++j) {
            for (int i = 0; i < width; ++i) {
                const double x0 = static_cast<double>(i) * inWidth / width;
                const double x1 = static_cast<double>(i + 1) * inWidth / width;
                const double y0 = static_cast<double>(j) * inHeight / height;
                const double y1 = static_cast<double>(j + 1) * inHeight / height;
                const double sum = integral(x1, y1) - integral(x0, y1) - integral(x1, y0) + integral(x0, y0);
                out.push_back(sum / ((x1 - x0) * (y1 - y0)));
            }
        }
    }
    // Channel-major above; interleave like the texels.
    std::vector<double> interleaved(out.size());
    const std::size_t plane = static_cast<std::size_t>(width) * height;
    for (std::size_t p = 0; p < plane; ++p) {
        for (int c = 0; c < channels; ++c) {
            interleaved[p * channels + c] = out[c * plane + p];
        }
    }
    return interleaved;
}

// Where `texels` first differs from `expected` by more than `tolerance`, or success.
::testing::AssertionResult TexelsNear(const std::vector<unsigned char>& texels,
                                      const std::vector<double>& expected, int width, int channels,
                                      double tolerance)
{
    if (texels.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << texels.size() << " texel bytes, " << expected.size() << " expected";
    }
    for (std::size_t i = 0; i < texels.size(); ++i) {
        if (std::abs(texels[i] - expected[i]) > tolerance) {
            const std::size_t texel = i / channels;
            return ::testing::AssertionFailure()
                   << "texel " << texel % width << ", row " << texel / width << ", channel " << i % channels
                   << ": " << int(texels[i]) << " instead of " << expected[i];
        }
    }
    return ::testing::AssertionSuccess();
}

// A picture in which every channel changes along both sides in its own way, so that a row taken at
// the wrong stride, a channel moved along or a dark row shows.
Rgb Pattern(int x, int y)
{
    return Rgb{static_cast<unsigned char>(40 + (x * 29 + y * 7) % 180),
               static_cast<unsigned char>(30 + (y * 23) % 200),
               static_cast<unsigned char>(60 + (x * 5 + y * 13) % 160)};
}

class TextureSizes : public GLTest {};

// Each image goes up at GLU's power-of-two size (the nearest: 100 and 127 give 128, 300 gives 256),
// and level 0 read back is the picture scaled by an area filter, within 1 (the scaler rounds to the
// nearest level; GL keeps 8 bits a channel). Level 1 is level 0 halved, within 1. Faults these cases
// were found with: the last row black under a width that is scaled over a height that is not (all
// black 1 pixel high), BMPs 1 or 2 pixels wide scrambled when their height is scaled, and level 1 of
// BMPs 2 or 4 pixels wide read at the wrong stride.
TEST_F(TextureSizes, LevelZeroIsThePictureScaledByAnAreaFilter)
{
    const struct {
        int width, height;  // the image
        int levelW, levelH; // level 0
    } sizes[] = {
        {127, 64, 128, 64},   // wide over a power of two
        {100, 64, 128, 64},   //
        {127, 128, 128, 128}, //
        {64, 100, 64, 128},   // tall
        {1, 100, 1, 128},     // 1 and 2 pixels wide
        {2, 37, 2, 32},       //
        {300, 1, 256, 1},     // 1 pixel high
        {4097, 1, 4096, 1},   //
        {63, 63, 64, 64},     // already right before: both sides scaled,
        {32, 16, 32, 16},     // powers of two,
        {4, 4, 4, 4},         //
        {2, 4, 2, 4},         //
    };
    enum class Kind { kJpegRgb, kJpegAlpha, kBmp };
    for (const auto& size : sizes) {
        for (const Kind kind : {Kind::kJpegRgb, Kind::kJpegAlpha, Kind::kBmp}) {
            const char* kindName = kind == Kind::kJpegRgb     ? "JPEG RGB"
                                   : kind == Kind::kJpegAlpha ? "JPEG alpha"
                                                              : "BMP";
            SCOPED_TRACE(testing::Message() << kindName << " " << size.width << " x " << size.height);
            const int channels = kind == Kind::kJpegAlpha ? 1 : 3;
            // The pixels as the loader gets them, first row first: for a JPEG, as decoded (it is lossy).
            std::vector<unsigned char> source;
            Texture t;
            if (kind == Kind::kBmp) {
                TempFile file(
                    MakeBmp(BmpHeader{size.width, size.height}, BmpRows(size.width, size.height, Pattern)),
                    ".bmp");
                ASSERT_TRUE(t.LoadBmp(file.Path()));
                source = MakePixels(size.width, size.height, Pattern);
            } else {
                const bool grey = kind == Kind::kJpegAlpha;
                TempFile file(MakeJpeg(size.width, size.height,
                                       MakePixels(size.width, size.height, Pattern, grey), grey),
                              ".jpg");
                ASSERT_TRUE(t.LoadJpeg(file.Path(), grey));
                const JpegImage decoded = Texture::ReadJpeg(file.Path(), grey);
                ASSERT_TRUE(decoded.decoded);
                source = decoded.pixels;
            }
            EXPECT_EQ(t.width, static_cast<std::uint32_t>(size.width));
            EXPECT_EQ(t.height, static_cast<std::uint32_t>(size.height));

            t.Bind();
            const LevelSize level0 = SizeOfLevel(0);
            ASSERT_EQ(level0.width, size.levelW);
            ASSERT_EQ(level0.height, size.levelH);
            const GLenum format = channels == 1 ? GL_ALPHA : GL_RGB;
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            std::vector<unsigned char> texels(static_cast<std::size_t>(level0.width) * level0.height *
                                              channels);
            glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, texels.data());
            EXPECT_TRUE(TexelsNear(
                texels, AreaScaled(source, size.width, size.height, channels, level0.width, level0.height),
                level0.width, channels, 1.0))
                << "level 0";

            const LevelSize level1 = SizeOfLevel(1);
            ASSERT_EQ(level1.width, std::max(1, level0.width / 2));
            ASSERT_EQ(level1.height, std::max(1, level0.height / 2));
            std::vector<unsigned char> halved(static_cast<std::size_t>(level1.width) * level1.height *
                                              channels);
            glGetTexImage(GL_TEXTURE_2D, 1, format, GL_UNSIGNED_BYTE, halved.data());
            EXPECT_TRUE(TexelsNear(
                halved,
                AreaScaled(texels, level0.width, level0.height, channels, level1.width, level1.height),
                level1.width, channels, 1.0))
                << "level 1";
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// ---- sprites

// An orthographic view of x and y from -4 to 4 (16 pixels a unit), z from -20 to 20, with the
// show's blend function.
class Sprite : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4.0, 4.0, -4.0, 4.0, -20.0, 20.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }

    // A texture of `width` x `height` white pixels.
    static void LoadWhite(Texture& t, int width, int height)
    {
        TempFile file(MakeSolidJpeg(width, height, kWhite), ".jpg");
        ASSERT_TRUE(t.LoadJpeg(file.Path()));
    }
};

// The corners' bounding box in the caller's frame, from what GL itself was given.
struct Box {
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9, minZ = 1e9, maxZ = -1e9;
    double CentreX() const { return (minX + maxX) / 2; }
    double CentreY() const { return (minY + maxY) / 2; }
    double CentreZ() const { return (minZ + maxZ) / 2; }
};
Box SpriteBox(Texture& t, float x, float y, float z, float angle)
{
    Box box;
    for (const auto& p : Feedback([&] { t.DrawSprite(x, y, z, angle, 1.0f); })) {
        for (const auto& v : p.vertices) {
            box.minX = std::min(box.minX, v[0]);
            box.maxX = std::max(box.maxX, v[0]);
            box.minY = std::min(box.minY, v[1]);
            box.maxY = std::max(box.maxY, v[1]);
            box.minZ = std::min(box.minZ, v[2]);
            box.maxZ = std::max(box.maxZ, v[2]);
        }
    }
    return box;
}

TEST_F(Sprite, QuadSizeFollowsTheImagesAspectRatio)
{
    const struct {
        int width, height; // 0 x 0: the placeholder of a failed load
        double quadWidth, quadHeight;
    } cases[] = {{256, 128, 2, 1}, {128, 256, 1, 2}, {64, 64, 2, 2}, {0, 0, 2, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        Texture t;
        if (c.width == 0) {
            ASSERT_FALSE(t.LoadJpeg("/nonexistent/brimt/picture.jpg"));
        } else {
            LoadWhite(t, c.width, c.height);
        }
        const Box box = SpriteBox(t, 0, 0, 0, 0);
        EXPECT_NEAR(box.maxX - box.minX, c.quadWidth, 1e-3);
        EXPECT_NEAR(box.maxY - box.minY, c.quadHeight, 1e-3);
    }
}

TEST_F(Sprite, ThePointCountsTwice)
{
    Texture wide; // 2 x 1
    LoadWhite(wide, 256, 128);
    const struct {
        float x, y, z, angle;
        double centreX, centreY, centreZ, quadWidth, quadHeight;
    } cases[] = {
        {0, 0, -0.95f, 0, 0, 0, -1.9, 2, 1},
        {0.5f, 0.25f, 0, 0, 1, 0.5, 0, 2, 1},
        {0, 0, -5, 90, 0, 0, -10, 1, 2}, // a quarter turn about its own centre
        {1, 0, 0, 90, 1, 1, 0, 1, 2},    // the point turned by the angle, plus the point
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ", " << c.z << ") at " << c.angle);
        const Box box = SpriteBox(wide, c.x, c.y, c.z, c.angle);
        EXPECT_NEAR(box.CentreX(), c.centreX, 1e-3);
        EXPECT_NEAR(box.CentreY(), c.centreY, 1e-3);
        EXPECT_NEAR(box.CentreZ(), c.centreZ, 1e-3);
        EXPECT_NEAR(box.maxX - box.minX, c.quadWidth, 1e-3);
        EXPECT_NEAR(box.maxY - box.minY, c.quadHeight, 1e-3);
        EXPECT_NEAR(box.maxZ - box.minZ, 0, 1e-3);

        // ... and it leaves the matrix translated and rotated.
        glLoadIdentity();
        wide.DrawSprite(c.x, c.y, c.z, c.angle, 1.0f);
        EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([&] {
                                   glTranslatef(c.x, c.y, c.z);
                                   glRotatef(c.angle, 0, 0, 1);
                               })));
        glLoadIdentity();
    }
}

TEST_F(Sprite, ShowsTheImageUprightWithItsOpacity)
{
    // Top half red, bottom half blue.
    const auto pixels = MakePixels(16, 16, [](int, int y) { return y < 8 ? kRed : kBlue; });
    TempFile file(MakeJpeg(16, 16, pixels), ".jpg");
    Texture t;
    ASSERT_TRUE(t.LoadJpeg(file.Path()));

    // At (0.5, 0.25) the 2 x 2 quad is centred at (1, 0.5): pixels 64 to 96 across, 56 to 88 up.
    t.DrawSprite(0.5f, 0.25f, 0, 0, 1.0f);
    const Rgba top = ReadPixel(80, 84);
    const Rgba bottom = ReadPixel(80, 60);
    EXPECT_TRUE(Near(Rgb{static_cast<unsigned char>(top.r), static_cast<unsigned char>(top.g),
                         static_cast<unsigned char>(top.b)},
                     kRed));
    EXPECT_TRUE(Near(Rgb{static_cast<unsigned char>(bottom.r), static_cast<unsigned char>(bottom.g),
                         static_cast<unsigned char>(bottom.b)},
                     kBlue));
    EXPECT_EQ(CountPixelsNot(0, 0, 0), 32 * 32);
    EXPECT_EQ(ReadPixel(63, 72).r, 0); // just left of the quad
    EXPECT_EQ(ReadPixel(97, 72).r, 0); // just right of it

    // Opacity: red at 0.5 over black.
    glClear(GL_COLOR_BUFFER_BIT);
    glLoadIdentity();
    t.DrawSprite(0, 0, 0, 0, 0.5f);
    EXPECT_NEAR(ReadPixel(64, 72).r, 128, 4);
}

TEST_F(Sprite, LeavesLightingAsFoundDepthTestOnBlendingAndTexturingOff)
{
    Texture t;
    LoadWhite(t, 8, 8);
    for (const bool wasOn : {false, true}) {
        SCOPED_TRACE(wasOn ? "all on before" : "all off before");
        for (GLenum cap : {GL_LIGHTING, GL_DEPTH_TEST, GL_BLEND, GL_TEXTURE_2D}) {
            wasOn ? glEnable(cap) : glDisable(cap);
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        t.DrawSprite(0, 0, 0, 0, 0.75f);
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), wasOn ? GL_TRUE : GL_FALSE);
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        GLfloat colour[4] = {};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[0], 1.0f);
        EXPECT_EQ(colour[1], 1.0f);
        EXPECT_EQ(colour[2], 1.0f);
        EXPECT_EQ(colour[3], 0.75f);
        EXPECT_EQ(BoundTexture(), t.handle - 1);
        // Drawn unlit: with lighting on and no light, a lit quad would be near black.
        EXPECT_GT(ReadPixel(64, 64).r, 180);
    }
    glDisable(GL_LIGHTING);
}

TEST_F(Sprite, ATextureWithoutAnImageDrawsNothing)
{
    Texture fresh; // width and height 0
    Texture deleted;
    LoadWhite(deleted, 8, 8);
    deleted.Delete(); // size kept, GL object gone
    for (Texture* t : {&fresh, &deleted}) {
        glEnable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glColor4f(0.25f, 0.5f, 0.75f, 1.0f);
        t->DrawSprite(1, 1, 0, 45, 1.0f);
        EXPECT_TRUE(MatrixNear(Matrix(), MatrixOf([] {})));
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        GLfloat colour[4] = {};
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_EQ(colour[0], 0.25f);
        EXPECT_EQ(CountPixelsNot(0, 0, 0), 0);
    }
    glDisable(GL_LIGHTING);
}

} // namespace
