// platform/jpeg.h -- JPEG images from files: first their size, then their pixels into the caller's buffer.
//
// What:   two plain calls over one decoder. ReadJpegInfo reports an image's size and colour kind;
//         DecodeJpeg fills a gapless width x height x channels byte buffer, RGB (3 bytes a pixel, red
//         first) or grey (1 byte a pixel), first row = the image's top row.
// Needs:  libjpeg (libjpeg-turbo's). Nothing else, no GL: callable without a context.
// Limits: the whole file is read into memory for each call, and a file over 128 MiB (or one that
//         never ends, such as a device) is refused; a file is decoded at its full size (no
//         scaling); CMYK images cannot be turned into RGB or grey and fail. Stray bytes between two
//         markers are skipped (the decoder warns and every viewer opens such a file); any other
//         decoder warning (data cut short or corrupt) counts as a failure: a half-decoded image is
//         never handed out. Running out of memory is a failure, not an exception.
#pragma once

// What ReadJpegInfo found out about an image.
struct JpegInfo {
    int width = 0;    // pixels, 1 to 65535
    int height = 0;   // pixels, 1 to 65535
    int channels = 0; // what the file holds: 1 for a grey image, 3 for a colour one
};

// Reads the header of JPEG file `fileName` into `info`. Returns false, with `info` unchanged, when
// `fileName` or `info` is null, the file cannot be read or is not a JPEG image.
bool ReadJpegInfo(const char* fileName, JpegInfo* info);

// Decodes JPEG file `fileName` into `pixels`, which must hold width x height x channels bytes:
// rows top first with no gap between them, `channels` 3 for RGB or 1 for grey (a colour image is
// turned into grey, a grey one into RGB). `width` and `height` must be the image's own size, as
// ReadJpegInfo reported it. Returns false when an argument is null or out of range, the file
// cannot be read, its size is not `width` x `height` (it changed since it was measured), or its
// data are corrupt or cut short; `pixels` may then be partly written, never beyond its size.
bool DecodeJpeg(const char* fileName, int width, int height, int channels, unsigned char* pixels);
