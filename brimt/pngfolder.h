// brimt/pngfolder.h -- a capture written as frame000000.png, frame000001.png, ... and sound.wav in a folder.
#pragma once

#include "captureoutput.h"
#include "wavfile.h"

#include <filesystem>

class PngFolder : public CaptureOutput {
public:
    explicit PngFolder(std::filesystem::path folder);
    // Makes the folder (and its parents) and opens the sound; false (said on stderr) when it cannot.
    bool Open();
    bool Frame(const CapturedFrame& frame) override; // one PNG (fast zlib level), the frame's sound
    bool Finish(bool complete) override;             // closes the sound

private:
    std::filesystem::path dir;
    WavFile wav;
};
