// platform/musicmodule.h -- what a ModuleHandle points to in the libopenmpt music libraries (private).
#pragma once

#include <libopenmpt/libopenmpt.hpp>

#include <memory>
#include <sstream>

struct MusicModule {
    std::ostringstream log; // libopenmpt's messages; declared first so it outlives `module`
    std::unique_ptr<openmpt::module> module;
};
