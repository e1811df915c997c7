// platform/web/glyphs_web.cpp -- platform/glyphs.h in a browser. There is no font system, FreeType or GLU
// tessellator there: the desktop's shapes of each face the show asks for are made at build time
// (tools/webglyphs/bakeglyphs) into DATA/<face without spaces>[-Bold].glyphs, and the lists are compiled
// from that file with the desktop's own code, so they hold the same vertices. A face with no such file
// (or a file that does not read) is "no scalable font": metrics zeroed, lists untouched.
#include "platform/glyphs.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/glyphshapes.h"

namespace {

std::string ShapesFileName(const char* faceName, bool bold)
{
    std::string name = "DATA/";
    for (const char* c = faceName != nullptr ? faceName : ""; *c != '\0'; ++c) {
        if (*c != ' ' && *c != '/') {
            name += *c;
        }
    }
    return name + (bold ? "-Bold.glyphs" : ".glyphs");
}

// The whole file; false when it cannot be opened or is larger than a shapes file may be.
bool ReadWhole(const std::string& fileName, std::vector<unsigned char>* bytes)
{
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    unsigned char buffer[65536];
    std::size_t got = 0;
    bool ok = true;
    while (ok && (got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes->insert(bytes->end(), buffer, buffer + got);
        ok = bytes->size() <= kGlyphFileMaxBytes;
    }
    ok = ok && std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

} // namespace

bool BuildGlyphLists(const char* faceName, bool bold, int firstCode, int count, unsigned int listBase,
                     float depth, bool polygons, GlyphMetrics* metricsOut)
{
    for (int i = 0; metricsOut != nullptr && i < count; ++i) {
        metricsOut[i] = GlyphMetrics{};
    }
    const std::string fileName = ShapesFileName(faceName, bold);
    std::vector<unsigned char> bytes;
    GlyphShapeSet set;
    std::string error;
    if (!ReadWhole(fileName, &bytes)) {
        std::printf("3D text: no glyph outlines for this face (%s cannot be read)\n", fileName.c_str());
        return false;
    }
    if (!ReadGlyphShapes(bytes.data(), bytes.size(), &set, &error)) {
        std::printf("3D text: %s: %s\n", fileName.c_str(), error.c_str());
        return false;
    }
    // Codes the file does not hold (or outside 0 to 255) keep zero metrics and an untouched list, as
    // codes the desktop skips.
    for (int i = 0; i < count; ++i) {
        const int code = firstCode + i;
        const int k = code - set.firstCode;
        if (code < 0 || code > 255 || k < 0 || k >= static_cast<int>(set.shapes.size())) {
            continue;
        }
        if (metricsOut != nullptr) {
            metricsOut[i] = set.shapes[static_cast<size_t>(k)].metrics;
        }
        CompileGlyphList(set.shapes[static_cast<size_t>(k)], listBase + static_cast<unsigned int>(i), depth,
                         polygons);
    }
    return true;
}
