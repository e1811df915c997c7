// platform/musicmodule.h -- the module reader and status rule the live and the rendered song share (private).
//
// Both music libraries (music.cpp plays the song in real time, songrenderer.cpp renders it on demand)
// read a module file, open it and tell where it is the same way, through these three.
#pragma once

#include "music.h"

#include <libopenmpt/libopenmpt.hpp>

#include <cstdint>
#include <memory>
#include <sstream>
#include <vector>

struct MusicModule {
    std::ostringstream log; // libopenmpt's messages; declared first so it outlives `module`
    std::unique_ptr<openmpt::module> module;
};

constexpr std::size_t kMaxModuleBytes = 256u << 20; // far above any real module

// The bytes of `file`, read only when it is a regular file (a FIFO, a device or a folder is never
// opened for reading, so none can hang or flood the start); empty when it is not one, cannot be read,
// is empty or is larger than kMaxModuleBytes.
std::vector<char> ReadModuleFile(const char* file);

// The module in `bytes`, ready to play from its start: a read at the song's end returns nothing and
// the next one goes on from its loop start (so every loop is seen and counted), and it never repeats
// by itself. Null when the bytes are no module or it has no order list.
std::unique_ptr<MusicModule> OpenModule(const std::vector<char>& bytes);

// Where `module` is now, as a play status: its order-list position, pattern and row (never negative),
// sync value 0, and `loopCount` as counted by the caller.
PlayStatus ModuleStatus(const openmpt::module& module, std::uint32_t loopCount);
