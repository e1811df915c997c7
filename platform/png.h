// platform/png.h -- 8-bit RGB pictures to and from PNG files, on libpng.
//
// What:   writes a picture as a PNG file and reads one back as 8-bit RGB (what the film frames, the
//         stills and the tests' reference pictures are).
// Needs:  libpng.
// Limits: reading converts every PNG kind (palette, grey, alpha, 16-bit) to 8-bit RGB; alpha is
//         dropped, not blended.
#pragma once

#include <string>
#include <vector>

// Writes `rgb` (width * height * 3 bytes, rows from the top) to `path`. `compression` is zlib's level,
// 0 (none, fastest) to 9 (smallest). False when the file cannot be written; a partly written file
// may be left behind then.
bool WritePngFile(const std::string& path, int width, int height, const unsigned char* rgb,
                  int compression = 6);

// The same for 8-bit RGBA pictures (4 bytes a pixel, alpha last: 0 transparent, 255 opaque).
bool WritePngFileRgba(const std::string& path, int width, int height, const unsigned char* rgba);

// Reads `path` into *rgb (rows from the top) and its size into *width and *height. False when the
// file is missing or no PNG, the outputs then untouched.
bool ReadPngFile(const std::string& path, int* width, int* height, std::vector<unsigned char>* rgb);
