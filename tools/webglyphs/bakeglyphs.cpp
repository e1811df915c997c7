// tools/webglyphs/bakeglyphs.cpp -- the 3D text's glyph outlines for the browser, which has no fonts: the
// desktop's own shapes of a face (fontconfig, FreeType, the GLU tessellator) written to a shapes file.
//
//     bakeglyphs OUT.glyphs [FACE] [--regular]
//
// FACE defaults to "Courier New", the face the show's text asks for, in bold as it asks; the face the
// font system gives for it is printed. Codes 0 to 254 are written, as the text object builds them.
// Exit status: 0 written, 1 no scalable font, 2 bad usage, 3 the file could not be written.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/glyphshapes.h"

int main(int argc, char** argv)
{
    const char* out = nullptr;
    const char* face = "Courier New";
    bool bold = true;
    int plain = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--regular") == 0) {
            bold = false;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "bakeglyphs: unknown option %s\n", argv[i]);
            return 2;
        } else if (plain == 0) {
            out = argv[i];
            ++plain;
        } else if (plain == 1) {
            face = argv[i];
            ++plain;
        } else {
            std::fprintf(stderr, "usage: bakeglyphs OUT.glyphs [FACE] [--regular]\n");
            return 2;
        }
    }
    if (out == nullptr) {
        std::fprintf(stderr, "usage: bakeglyphs OUT.glyphs [FACE] [--regular]\n");
        return 2;
    }

    constexpr int kCodes = 255;
    GlyphShapeSet set;
    if (!LoadGlyphShapes(face, bold, 0, kCodes, &set)) {
        std::fprintf(stderr, "bakeglyphs: no scalable font for \"%s\"\n", face);
        return 1;
    }
    const std::vector<unsigned char> bytes = WriteGlyphShapes(set);

    // Written beside the target and renamed over it, so that a build never sees half a file.
    const std::string temporary = std::string(out) + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    bool ok = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file != nullptr) {
        ok = std::fclose(file) == 0 && ok;
    }
    if (!ok || std::rename(temporary.c_str(), out) != 0) {
        std::remove(temporary.c_str());
        std::fprintf(stderr, "bakeglyphs: cannot write %s\n", out);
        return 3;
    }
    size_t triangles = 0;
    for (const GlyphShape& shape : set.shapes) {
        triangles += shape.triangles.size() / 3;
    }
    std::printf("bakeglyphs: \"%s\" %s is %s: %d codes, %zu triangles, %zu bytes in %s\n", face,
                bold ? "bold" : "regular", set.faceName.c_str(), kCodes, triangles, bytes.size(), out);
    return 0;
}
