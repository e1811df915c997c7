// tools/images/makeimages.cpp -- writes the show's thirteen JPEG images into a folder (default DATA/).
//
// Usage: makeimages [OUTPUT_DIR]. The folder is made if missing. Every run writes the same bytes
// (fixed seeds, no clock), so the files under DATA/ can be checked against a fresh run.
// Exit status 0 when every file was written, 1 (with a message on stderr) at the first failure.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "art.h"
#include "jpegfile.h"

namespace {

constexpr int kQuality = 90;

struct Entry {
    const char* file; // name under the output folder, with the exact letters the show opens
    int width;
    int height;
    Chroma chroma;
    bool (*paint)(Image& img, std::string* error);
};

template <int N> bool Face(Image& img, std::string* error)
{
    return PaintFace(N, img, error);
}

// In the order the show loads them.
const Entry kImages[] = {
    {"Present.JPG", 1024, 768, Chroma::Full, PaintPresentCard},
    {"toolbox.JPG", 1024, 768, Chroma::Full, PaintToolboxCard},
    {"rusted_metal.JPG", 512, 512, Chroma::Half, PaintRustedMetal},
    {"Plateox2.jpg", 512, 512, Chroma::Half, PaintOxidisedPlate},
    {"brique.JPG", 1024, 768, Chroma::Half, PaintBrickWall},
    {"face1.JPG", 512, 512, Chroma::Full, Face<1>},
    {"face2.JPG", 512, 512, Chroma::Full, Face<2>},
    {"face3.JPG", 512, 512, Chroma::Full, Face<3>},
    {"face4.JPG", 512, 512, Chroma::Full, Face<4>},
    {"face5.JPG", 512, 512, Chroma::Full, Face<5>},
    {"face6.JPG", 512, 512, Chroma::Full, Face<6>},
    {"greets.JPG", 1024, 768, Chroma::Full, PaintGreetingsCard},
    {"particle.JPG", 128, 128, Chroma::Full, PaintParticle},
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 || (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
        std::fprintf(stderr, "usage: makeimages [OUTPUT_DIR]   (default DATA)\n");
        return argc > 2 ? 1 : 0;
    }
    const std::filesystem::path dir = argc == 2 ? argv[1] : "DATA";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir)) {
        std::fprintf(stderr, "makeimages: cannot make the folder %s\n", dir.string().c_str());
        return 1;
    }
    for (const Entry& e : kImages) {
        Image img(e.width, e.height);
        std::string error;
        const std::string path = (dir / e.file).string();
        if (!e.paint(img, &error) || !WriteJpeg(path, img, kQuality, e.chroma, &error)) {
            std::fprintf(stderr, "makeimages: %s: %s\n", e.file, error.c_str());
            return 1;
        }
        std::printf("%s  %dx%d  %ju bytes\n", path.c_str(), e.width, e.height,
                    static_cast<std::uintmax_t>(std::filesystem::file_size(path, ec)));
    }
    return 0;
}
