// tests/web/gldrawings.h -- small GL 1.1 drawings, one per tile, made the same way on the desktop's GL and on
// the browser's layer (platform/web/gl11.h) so that their pixels can be compared.
//
// Each case uses the calls the engine uses, in the ways it uses them: immediate mode with the current
// colour, normal and texture coordinate, rescaled and mipmapped textures, display lists with a list
// base, client arrays with 32-bit indices, lighting with light 0 and the front material (and with no
// light), the depth test, blending, lines and points.
#pragma once

constexpr int kDrawingTile = 64;  // pixels, each case's square
constexpr int kDrawingCount = 13; // cases, side by side from the left

// Draws every case into its tile of a kDrawingCount * kDrawingTile x kDrawingTile framebuffer, from a
// fresh context. Needs the GL context current.
void DrawAllCases();
// What case `index` shows, for messages.
const char* DrawingName(int index);
