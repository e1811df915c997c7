// tools/modelpreview/png.cpp -- the tools' PNG writer: the platform's libpng writer, checked for size.
#include "png.h"

#include "platform/png.h"

bool WritePng(const std::string& path, int width, int height, const std::vector<unsigned char>& rgb)
{
    if (width <= 0 || height <= 0 || rgb.size() < static_cast<std::size_t>(width) * height * 3) return false;
    return WritePngFile(path, width, height, rgb.data());
}
