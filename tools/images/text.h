// tools/images/text.h -- lines of text drawn into coverage masks from a TrueType face, found by
//   fontconfig and rasterised by FreeType (anti-aliased, light hinting).
#pragma once

#include <memory>
#include <string>

#include "raster.h"

class FontFace {
public:
    FontFace();
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Opens the installed face of this family and style (for instance "Liberation Sans", "Bold").
    // False, with the reason in *error, when fontconfig finds no face of exactly that family or
    // FreeType cannot open it; the face is then left closed. A near match is refused because the
    // images must come out the same wherever they are made.
    bool Open(const std::string& family, const std::string& style, std::string* error);

    // Width in pixels of the UTF-8 `text` at `size` pixels per em, with `tracking` extra pixels
    // after every character but the last.
    float Measure(const std::string& text, int size, float tracking = 0.0f);
    // Draws `text` into `mask` (keeping the larger coverage where glyphs overlap), its baseline at
    // y = baseline and its left end at x (pixels); returns the pen's x after the last character.
    float Draw(Mask& mask, const std::string& text, int size, float x, float baseline, float tracking = 0.0f);
    // Draws `text` centred on x.
    void DrawCentred(Mask& mask, const std::string& text, int size, float x, float baseline,
                     float tracking = 0.0f);

private:
    struct State;
    std::unique_ptr<State> state;
};
