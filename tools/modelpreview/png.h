// tools/modelpreview/png.h -- writes 8-bit RGB pictures as PNG files (on the platform's libpng writer).
#pragma once

#include <string>
#include <vector>

// Writes `rgb` (width * height * 3 bytes, rows from the top) to `path`. False when it cannot.
bool WritePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb);
