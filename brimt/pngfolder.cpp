// brimt/pngfolder.cpp -- the PNG folder: one compressed frame a file, the sound appended to one WAV.
#include "pngfolder.h"

#include "platform/png.h"

#include <cstdio>
#include <string>
#include <system_error>

namespace {

constexpr int kPngCompression = 1; // zlib level: frames are many, speed matters more

void Say(const std::string& line)
{
    std::fprintf(stderr, "brimt: %s\n", line.c_str());
}

} // namespace

PngFolder::PngFolder(std::filesystem::path folder) : dir(std::move(folder))
{
}

bool PngFolder::Open()
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error || !wav.Open((dir / "sound.wav").string())) {
        Say("cannot write in " + dir.string());
        return false;
    }
    return true;
}

bool PngFolder::Frame(const CapturedFrame& frame)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame%06lld.png", static_cast<long long>(frame.index));
    const std::string path = (dir / name).string();
    if (!WritePngFile(path, frame.width, frame.height, frame.rgb, kPngCompression)) {
        Say("cannot write " + path);
        return false;
    }
    wav.Append(frame.audio, frame.audioFrames);
    return true;
}

bool PngFolder::Finish(bool)
{
    if (!wav.Close()) {
        Say("cannot write " + (dir / "sound.wav").string());
        return false;
    }
    return true;
}
