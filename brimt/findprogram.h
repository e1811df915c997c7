// brimt/findprogram.h -- where a program would be run from: the first match on PATH.
#pragma once

#include <string>

// The first PATH entry (an empty one is the working folder) holding an executable `program` that is
// no folder, as that entry's path joined with the name; empty when there is none or no PATH.
std::string FindOnPath(const char* program);
