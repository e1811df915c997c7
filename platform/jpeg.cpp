// platform/jpeg.cpp -- JPEG decoding on libjpeg: the file is read whole, then handed to the decoder, whose
// warnings are told apart (stray bytes between markers are harmless, a cut-short or corrupt scan is not).
#include "platform/jpeg.h"

#include <csetjmp> // Required for: setjmp(), longjmp()
#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <fstream>
#include <limits>
#include <new>
#include <vector>

#include <jerror.h>  // Required for: JWRN_EXTRANEOUS_DATA
#include <jpeglib.h> // Required for: jpeg_create_decompress(), jpeg_read_scanlines(), ...

namespace {

// No file larger than this is read (an image of the largest size a texture takes, 8192 x 8192, is
// far smaller even at the highest quality).
constexpr std::size_t kMaxJpegFileBytes = 128u * 1024u * 1024u;

// The whole file in memory; false when it cannot be opened or read, is empty, is larger than
// kMaxJpegFileBytes (a device that never ends, say) or memory for it cannot be had. Read in blocks to
// its end rather than sized by seeking, which gives nonsense for what is not a regular file.
bool ReadWholeFile(const char* fileName, std::vector<unsigned char>* bytes)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return false;
    }
    constexpr std::size_t kBlock = 64 * 1024;
    static_assert(kMaxJpegFileBytes <= std::numeric_limits<unsigned long>::max(), "decoder size argument");
    bytes->clear();
    try {
        while (in) {
            const std::size_t had = bytes->size();
            if (had > kMaxJpegFileBytes) {
                return false;
            }
            bytes->resize(had + kBlock);
            in.read(reinterpret_cast<char*>(bytes->data() + had), static_cast<std::streamsize>(kBlock));
            bytes->resize(had + static_cast<std::size_t>(in.gcount()));
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return in.eof() && !in.bad() && !bytes->empty() && bytes->size() <= kMaxJpegFileBytes;
}

// libjpeg's error handling: a fatal error, or any warning but stray bytes between markers, leaves the
// decode by a long jump back to its start.
struct DecodeErrors {
    jpeg_error_mgr manager; // first: libjpeg hands back a pointer to it
    std::jmp_buf escape;
};

[[noreturn]] void OnFatalError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<DecodeErrors*>(info->err)->escape, 1);
}

void OnMessage(j_common_ptr info, int level)
{
    // Level -1 is a warning; higher levels are trace messages. Bytes between two markers are skipped
    // by the decoder and every viewer shows such a file whole. Anything else (a file cut short, a
    // corrupt scan) would leave part of the picture grey or wrong.
    if (level < 0 && info->err->msg_code != JWRN_EXTRANEOUS_DATA) {
        std::longjmp(reinterpret_cast<DecodeErrors*>(info->err)->escape, 1);
    }
}

// Reads the header of the JPEG image in `bytes` into `header` and, when `pixels` is not null, decodes
// the image into it (rows top first without gaps, `channels` bytes a pixel), provided the image is
// still `header`'s size on entry. Only plain data lives in this frame, so the long jumps out of
// libjpeg skip no destructor.
bool Decode(const std::vector<unsigned char>& bytes, JpegInfo* header, int channels, unsigned char* pixels)
{
    jpeg_decompress_struct info{};
    DecodeErrors errors{};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnFatalError;
    errors.manager.emit_message = OnMessage;
    if (setjmp(errors.escape) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK || info.image_width == 0 || info.image_height == 0 ||
        info.image_width > 65535 || info.image_height > 65535) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const int width = static_cast<int>(info.image_width);
    const int height = static_cast<int>(info.image_height);
    if (pixels == nullptr) {
        header->width = width;
        header->height = height;
        header->channels = info.jpeg_color_space == JCS_GRAYSCALE ? 1 : 3;
        jpeg_destroy_decompress(&info);
        return true;
    }
    // The buffer was sized for the caller's width x height: refuse a file that no longer has that
    // size, since the decoder would otherwise write past the buffer.
    info.out_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    if (width != header->width || height != header->height || !jpeg_start_decompress(&info) ||
        static_cast<int>(info.output_width) != width || static_cast<int>(info.output_height) != height ||
        info.output_components != channels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels + static_cast<std::size_t>(info.output_scanline) * stride;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) {
            jpeg_destroy_decompress(&info);
            return false;
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

bool ReadJpegInfo(const char* fileName, JpegInfo* info)
{
    if (fileName == nullptr || info == nullptr) {
        return false;
    }
    std::vector<unsigned char> bytes;
    JpegInfo found;
    if (!ReadWholeFile(fileName, &bytes) || !Decode(bytes, &found, 0, nullptr)) {
        return false;
    }
    *info = found;
    return true;
}

bool DecodeJpeg(const char* fileName, int width, int height, int channels, unsigned char* pixels)
{
    if (fileName == nullptr || pixels == nullptr || width <= 0 || height <= 0 ||
        (channels != 1 && channels != 3)) {
        return false;
    }
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(fileName, &bytes)) {
        return false;
    }
    // Stopping on the first harmful warning keeps corrupt data from being reported as a picture (and
    // a huge corrupt image from being decoded to its end).
    JpegInfo expected;
    expected.width = width;
    expected.height = height;
    return Decode(bytes, &expected, channels, pixels);
}
