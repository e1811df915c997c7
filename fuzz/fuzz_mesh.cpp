// fuzz/fuzz_mesh.cpp -- libFuzzer entry for the mesh target (see targets.h).
#include "targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzMeshLoad(data, size);
    return 0;
}
