// tools/images/art.h -- the painters of the show's thirteen images, one per file.
//
// Each paints the whole of `img` (already sized by the caller to the size the painter is made for)
// and returns true, or false with the reason in *error (only the text painters can fail: a missing
// font). Nothing depends on time or on anything but the code: every run paints the same pixels.
#pragma once

#include <cstdint>
#include <string>

#include "raster.h"

// Materials (materials.cpp).
bool PaintBrickWall(Image& img, std::string* error);     // 1024 x 768, full screen behind the hammers
bool PaintRustedMetal(Image& img, std::string* error);   // 512 x 512, tiles; the hammers' handles
bool PaintOxidisedPlate(Image& img, std::string* error); // 512 x 512, tiles; hammer heads and nail

// The greetings card's backdrop: the teal that the faces scene leaves as the clear colour (0, 131,
// 139). The particle sprite's border is the same colour, so the sprites' squares vanish on the card,
// and on the bare frame the card fades out to.
constexpr std::uint32_t kGreetingsBackdrop = 0x00838b;

// The particle sprite (glow.cpp): 128 x 128, one spark on the greetings backdrop.
bool PaintParticle(Image& img, std::string* error);

// Cards (cards.cpp): full screen, 1024 x 768.
bool PaintPresentCard(Image& img, std::string* error);
bool PaintToolboxCard(Image& img, std::string* error);
bool PaintGreetingsCard(Image& img, std::string* error);

// Faces (faces.cpp): 512 x 512 cartoon portraits; `which` from 1 to 6.
bool PaintFace(int which, Image& img, std::string* error);
