// tools/images/jpegfile.h -- writing a painted image as a baseline JPEG file through TurboJPEG.
#pragma once

#include <string>

#include "raster.h"

// How the encoder stores colour: full resolution (for sharp coloured edges and text) or halved in
// both directions (for photographic textures, smaller files).
enum class Chroma { Full, Half };

// Writes `img` to `path` at the given quality (1 to 100) with the accurate integer DCT, so the bytes
// depend only on the pixels and the libjpeg-turbo version. False, with the reason in *error, when
// encoding or writing fails; a partly written file is removed.
bool WriteJpeg(const std::string& path, const Image& img, int quality, Chroma chroma, std::string* error);
