// platform/jpeg.cpp -- JPEG decoding on TurboJPEG: the file is read whole, then handed to the decoder.
#include "platform/jpeg.h"

#include <turbojpeg.h> // Required for: tjInitDecompress(), tjDecompressHeader3(), tjDecompress2()

#include <cstddef>
#include <fstream>
#include <limits>
#include <memory>
#include <vector>

namespace {

// A decompressor that is destroyed on every way out.
struct DecoderDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Decoder = std::unique_ptr<void, DecoderDeleter>;

// The whole file in memory; false when it cannot be opened or read, or is empty or too large for
// the decoder's size argument. Read in blocks to its end rather than sized by seeking, which gives
// nonsense for what is not a regular file (a directory, say).
bool ReadWholeFile(const char* fileName, std::vector<unsigned char>* bytes)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return false;
    }
    constexpr std::size_t kBlock = 64 * 1024;
    bytes->clear();
    while (in) {
        const std::size_t had = bytes->size();
        bytes->resize(had + kBlock);
        in.read(reinterpret_cast<char*>(bytes->data() + had), static_cast<std::streamsize>(kBlock));
        bytes->resize(had + static_cast<std::size_t>(in.gcount()));
        if (bytes->size() > std::numeric_limits<unsigned long>::max() - kBlock) {
            return false;
        }
    }
    return in.eof() && !in.bad() && !bytes->empty();
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
    // Pitch = exactly one row of pixels: the rows follow each other with no gap. Stopping on the
    // first warning keeps corrupt data from being reported as a picture (and a huge corrupt image
    // from being decoded to its end).
    const int pixelFormat = channels == 1 ? TJPF_GRAY : TJPF_RGB;
    return tjDecompress2(decoder.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), pixels, width,
                         width * channels, height, pixelFormat, TJFLAG_STOPONWARNING) == 0;
}
