// fuzz/fuzz_glyphs.cpp -- libFuzzer entry for the glyphs target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzGlyphShapes(data, size);
    return 0;
}
