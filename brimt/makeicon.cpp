// brimt/makeicon.cpp -- writes the application's icon (the one the dialog and window show) as PNG files
// for the desktop: makeicon FOLDER writes FOLDER/brimt-32.png and FOLDER/brimt-16.png.
#include <cstdio>
#include <string>
#include <vector>

#include "appicon.h"
#include "platform/png.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeicon FOLDER\n");
        return 2;
    }
    for (const IconImage& icon : AppIcon()) {
        std::vector<unsigned char> rgba;
        for (std::uint32_t pixel : icon.pixels) { // 0xAARRGGBB
            rgba.push_back(static_cast<unsigned char>(pixel >> 16));
            rgba.push_back(static_cast<unsigned char>(pixel >> 8));
            rgba.push_back(static_cast<unsigned char>(pixel));
            rgba.push_back(static_cast<unsigned char>(pixel >> 24));
        }
        const std::string path = std::string(argv[1]) + "/brimt-" + std::to_string(icon.size) + ".png";
        if (!WritePngFileRgba(path, icon.size, icon.size, rgba.data())) {
            std::fprintf(stderr, "makeicon: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
