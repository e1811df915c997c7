// tools/images/noise.h -- repeatable noise for procedural images: integer hashes, value and gradient
//   noise, fractal sums and cellular (Worley) noise, each optionally periodic so textures tile.
//
// Coordinates are in lattice cells. A period of p (> 0) makes the noise repeat every p cells in that
// axis; 0 means no period. Every result depends only on its arguments and the seed.
#pragma once

#include <cstdint>

// A well-mixed 32-bit hash of two integers and a seed.
std::uint32_t Hash2(std::int32_t x, std::int32_t y, std::uint32_t seed);
// The hash mapped to [0, 1).
float Hash01(std::int32_t x, std::int32_t y, std::uint32_t seed);

// Smoothly interpolated random values on the lattice; result in [0, 1].
float ValueNoise(float x, float y, std::uint32_t seed, int periodX = 0, int periodY = 0);
// Perlin-style gradient noise; result roughly in [-0.7, 0.7], 0 at every lattice point.
float GradientNoise(float x, float y, std::uint32_t seed, int periodX = 0, int periodY = 0);

// `octaves` layers of value noise, each twice the frequency (and period) and half the amplitude of
// the last; result in [0, 1].
float Fbm(float x, float y, int octaves, std::uint32_t seed, int periodX = 0, int periodY = 0);
// The same with gradient noise, result roughly in [-0.7, 0.7].
float GradientFbm(float x, float y, int octaves, std::uint32_t seed, int periodX = 0, int periodY = 0);

// Distances (cells) from (x, y) to the nearest and second-nearest of one random point per cell,
// and a random value in [0, 1) that names the nearest point's cell.
struct Cells {
    float f1;
    float f2;
    float id;
};
Cells Cellular(float x, float y, std::uint32_t seed, int periodX = 0, int periodY = 0);
