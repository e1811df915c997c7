// platform/jpeg.cpp -- JPEG decoding: the file is read whole, its header by TurboJPEG, its pixels by
// libjpeg (whose warnings can be told apart: stray bytes between markers are harmless, a cut-short or
// corrupt scan is not).
#include "platform/jpeg.h"

#include <turbojpeg.h> // Required for: tjInitDecompress(), tjDecompressHeader3()

#include <csetjmp> // Required for: setjmp(), longjmp()
#include <cstddef>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first
#include <fstream>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include <jerror.h>  // Required for: JWRN_EXTRANEOUS_DATA
#include <jpeglib.h> // Required for: jpeg_create_decompress(), jpeg_read_scanlines(), ...

namespace {

// No file larger than this is read (an image of the largest size a texture takes, 8192 x 8192, is
// far smaller even at the highest quality).
constexpr std::size_t kMaxJpegFileBytes = 128u * 1024u * 1024u;

// A decompressor that is destroyed on every way out.
struct DecoderDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Decoder = std::unique_ptr<void, DecoderDeleter>;

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

// Decodes `bytes` into `pixels` (width x height x channels, rows top first without gaps). Only plain
// data lives in this frame, so the long jumps out of libjpeg skip no destructor.
bool DecodeBytes(const unsigned char* bytes, unsigned long size, int width, int height, int channels,
                 unsigned char* pixels)
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
    jpeg_mem_src(&info, bytes, size);
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    if (!jpeg_start_decompress(&info) || static_cast<int>(info.output_width) != width ||
        static_cast<int>(info.output_height) != height || info.output_components != channels) {
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

// The image's size and colour space from its header; false when it has none.
bool ReadHeader(void* decoder, const std::vector<unsigned char>& bytes, JpegInfo* info)
{
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(decoder, bytes.data(), static_cast<unsigned long>(bytes.size()), &width, &height,
                            &subsampling, &colourSpace) != 0) {
        return false;
    }
    if (width <= 0 || height <= 0) {
        return false;
    }
    info->width = width;
    info->height = height;
    info->channels = colourSpace == TJCS_GRAY ? 1 : 3;
    return true;
}

} // namespace

bool ReadJpegInfo(const char* fileName, JpegInfo* info)
{
    if (fileName == nullptr || info == nullptr) {
        return false;
    }
    std::vector<unsigned char> bytes;
    if (!ReadWholeFile(fileName, &bytes)) {
        return false;
    }
    const Decoder decoder(tjInitDecompress());
    if (!decoder) {
        return false;
    }
    JpegInfo found;
    if (!ReadHeader(decoder.get(), bytes, &found)) {
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
    const Decoder decoder(tjInitDecompress());
    if (!decoder) {
        return false;
    }
    // The buffer was sized for width x height: refuse a file that no longer has that size, since
    // the decoder would otherwise scale to it or write past the buffer.
    JpegInfo found;
    if (!ReadHeader(decoder.get(), bytes, &found) || found.width != width || found.height != height) {
        return false;
    }
    // Stopping on the first harmful warning keeps corrupt data from being reported as a picture (and
    // a huge corrupt image from being decoded to its end).
    return DecodeBytes(bytes.data(), static_cast<unsigned long>(bytes.size()), width, height, channels,
                       pixels);
}
