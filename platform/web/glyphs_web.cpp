// platform/web/glyphs_web.cpp -- platform/glyphs.h in a browser: no font files, FreeType or GLU tessellator
// there, so no face is ever found (the contract's "no scalable font": metrics zeroed, lists untouched).
// The show builds its credit text but draws it in no scene, so the picture is the same.
#include "platform/glyphs.h"

bool BuildGlyphLists(const char* /*faceName*/, bool /*bold*/, int /*firstCode*/, int count,
                     unsigned int /*listBase*/, float /*depth*/, bool /*polygons*/, GlyphMetrics* metricsOut)
{
    for (int i = 0; metricsOut != nullptr && i < count; ++i) {
        metricsOut[i] = GlyphMetrics{};
    }
    return false;
}
