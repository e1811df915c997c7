// tools/images/art.h -- the painters of the show's thirteen images, one per file.
//
// Each paints the whole of `img` (already sized by the caller to the size the painter is made for)
// and returns true, or false with the reason in *error (only the text painters can fail: a missing
// font). Nothing depends on time or on anything but the code: every run paints the same pixels.
#pragma once

#include <string>

#include "raster.h"

// Materials (materials.cpp).
bool PaintBrickWall(Image& img, std::string* error);     // 1024 x 768, full screen behind the hammers
bool PaintRustedMetal(Image& img, std::string* error);   // 512 x 512, tiles; the hammers' handles
bool PaintOxidisedPlate(Image& img, std::string* error); // 512 x 512, tiles; hammer heads and nail
bool PaintParticle(Image& img, std::string* error);      // 128 x 128, one glow on black

// Cards (cards.cpp): full screen, 1024 x 768.
bool PaintPresentCard(Image& img, std::string* error);
bool PaintToolboxCard(Image& img, std::string* error);
bool PaintGreetingsCard(Image& img, std::string* error);

// Faces (faces.cpp): 512 x 512 cartoon portraits; `which` from 1 to 6.
bool PaintFace(int which, Image& img, std::string* error);
