// tools/images/glow.cpp -- the particle sprite of the greetings scene: one spark of light.
//
// The show draws this image hundreds of times at opacity 0.15 over the greetings card, each copy a
// square that turns with the cloud. Blending pulls what lies below a little towards the image, so
// wherever the image holds the card's backdrop colour nothing changes: the square's border is that
// colour exactly, and the spark inside it is lighter than the backdrop everywhere. Where sparks
// overlap, the picture is pulled again and again towards their white centres and grows brighter.
#include <cmath>

#include "art.h"

bool PaintParticle(Image& img, std::string*)
{
    const Rgb backdrop = Hex(kGreetingsBackdrop);
    const Rgb halo = Hex(0xd8fff8);  // pale aqua light around the spark
    const Rgb warm = Hex(0xfff4c8);  // a warm white ring just outside the core
    const Rgb white = Hex(0xffffff); // the spark itself
    const float half = 0.5f * static_cast<float>(img.width);
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f - half) / half;
            const float dy = (static_cast<float>(y) + 0.5f - half) / half;
            const float r = std::sqrt(dx * dx + dy * dy);
            // A hot core, a warm ring and a wide halo, gone just inside the square's edge, which is
            // pure backdrop. The spark fills most of the square: each sprite adds only 15 % of its
            // light, so the more of the square glows, the more light the cloud gives; and the show
            // often sees the square nearly edge on, and then draws it from a coarse mipmap level, in
            // which a small spark would melt into the backdrop.
            const float haloShare = Smoothstep(0.94f, 0.2f, r);
            const float warmShare = Smoothstep(0.62f, 0.12f, r);
            const float coreShare = Smoothstep(0.4f, 0.0f, r);
            Rgb c = Mix(backdrop, halo, haloShare);
            c = Mix(c, warm, warmShare);
            img.At(x, y) = Mix(c, white, coreShare);
        }
    }
    return true;
}
