// fuzz/fuzz_texcoords.cpp -- libFuzzer entry for the texcoords target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzTexCoordLoad(data, size);
    return 0;
}
