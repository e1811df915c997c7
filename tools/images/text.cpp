// tools/images/text.cpp -- fontconfig look-up and FreeType rasterising of text lines into masks.
#include "text.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstddef>
#include <vector>

struct FontFace::State {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

namespace {

// The code points of a UTF-8 string; a malformed byte stands for itself (Latin-1).
std::vector<unsigned> CodePoints(const std::string& text)
{
    std::vector<unsigned> out;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        unsigned cp = extra == 3 ? (c & 0x07u) : extra == 2 ? (c & 0x0Fu) : extra == 1 ? (c & 0x1Fu) : c;
        if (i + static_cast<size_t>(extra) >= text.size()) {
            extra = 0;
            cp = c;
        }
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((cc & 0xC0u) != 0x80u) {
                extra = 0;
                cp = c;
                break;
            }
            cp = (cp << 6) | (cc & 0x3Fu);
        }
        out.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

// Path of the font file fontconfig picks for family:style, and the family it really has.
bool FindFontFile(const std::string& family, const std::string& style, std::string* file, std::string* error)
{
    if (!FcInit()) {
        *error = "fontconfig could not be initialised";
        return false;
    }
    bool found = false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_STYLE, reinterpret_cast<const FcChar8*>(style.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* matchFamily = nullptr;
        FcChar8* matchStyle = nullptr;
        FcChar8* matchFile = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &matchFamily) == FcResultMatch &&
            FcPatternGetString(match, FC_STYLE, 0, &matchStyle) == FcResultMatch &&
            FcPatternGetString(match, FC_FILE, 0, &matchFile) == FcResultMatch &&
            family == reinterpret_cast<const char*>(matchFamily) &&
            style == reinterpret_cast<const char*>(matchStyle)) {
            *file = reinterpret_cast<const char*>(matchFile);
            found = true;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    FcFini();
    if (!found) *error = "font \"" + family + ":" + style + "\" is not installed (package fonts-liberation)";
    return found;
}

} // namespace

FontFace::FontFace() : state(std::make_unique<State>())
{
}

FontFace::~FontFace()
{
    if (state->face != nullptr) FT_Done_Face(state->face);
    if (state->library != nullptr) FT_Done_FreeType(state->library);
}

bool FontFace::Open(const std::string& family, const std::string& style, std::string* error)
{
    std::string file;
    if (!FindFontFile(family, style, &file, error)) return false;
    if (state->library == nullptr && FT_Init_FreeType(&state->library) != 0) {
        state->library = nullptr;
        *error = "FreeType could not be initialised";
        return false;
    }
    if (state->face != nullptr) FT_Done_Face(state->face);
    state->face = nullptr;
    if (FT_New_Face(state->library, file.c_str(), 0, &state->face) != 0) {
        state->face = nullptr;
        *error = "FreeType cannot read " + file;
        return false;
    }
    return true;
}

float FontFace::Measure(const std::string& text, int size, float tracking)
{
    Mask none(0, 0);
    return Draw(none, text, size, 0.0f, 0.0f, tracking);
}

float FontFace::Draw(Mask& mask, const std::string& text, int size, float x, float baseline, float tracking)
{
    FT_Face face = state->face;
    if (face == nullptr) return x;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size));
    // The pen in 26.6 fixed point, so that fractional advances add up exactly.
    FT_Pos pen = static_cast<FT_Pos>(std::lround(x * 64.0f));
    const FT_Pos track = static_cast<FT_Pos>(std::lround(tracking * 64.0f));
    const std::vector<unsigned> cps = CodePoints(text);
    FT_UInt previous = 0;
    for (size_t i = 0; i < cps.size(); ++i) {
        const FT_UInt glyph = FT_Get_Char_Index(face, cps[i]);
        if (previous != 0 && glyph != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &kern) == 0) pen += kern.x;
        }
        previous = glyph;
        // Measuring (an empty mask) needs the advances only; light hinting keeps them unchanged.
        const FT_Int32 flags = FT_LOAD_TARGET_LIGHT | (mask.width > 0 ? FT_LOAD_RENDER : 0);
        if (FT_Load_Glyph(face, glyph, flags) != 0) continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bm = slot->bitmap;
        const int left = static_cast<int>((pen + 32) >> 6) + slot->bitmap_left;
        const int top = static_cast<int>(std::lround(baseline)) - slot->bitmap_top;
        if (mask.width > 0 && bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            for (unsigned row = 0; row < bm.rows; ++row) {
                const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
                for (unsigned col = 0; col < bm.width; ++col) {
                    const int mx = left + static_cast<int>(col), my = top + static_cast<int>(row);
                    if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) continue;
                    const float v = static_cast<float>(src[col]) / 255.0f;
                    mask.At(mx, my) = std::max(mask.At(mx, my), v);
                }
            }
        }
        pen += slot->advance.x;
        if (i + 1 < cps.size()) pen += track;
    }
    return static_cast<float>(pen) / 64.0f;
}

void FontFace::DrawCentred(Mask& mask, const std::string& text, int size, float x, float baseline,
                           float tracking)
{
    const float width = Measure(text, size, tracking);
    Draw(mask, text, size, x - 0.5f * width, baseline, tracking);
}
