// brimt/ffmpegfilm.h -- a capture encoded into a film by the ffmpeg program (H.264 and AAC).
#pragma once

#include "captureoutput.h"
#include "pipewriter.h"

#include <sys/types.h> // Required for: pid_t

#include <functional>
#include <memory>
#include <string>

// Seconds without progress after which ffmpeg is taken as stuck (not reading its input, or not
// finishing once it has it all): BRIMT_ENCODER_TIMEOUT (a positive number of seconds) or 30.
double EncoderStallSeconds();

// ffmpeg reads the raw RGB frames on its standard input and the float samples on its descriptor 3, and
// writes `path` in `format` ("mp4" or "matroska"); the same frames give the same bytes every time.
// It is stopped (SIGKILL) when it is stuck for EncoderStallSeconds(), when `giveUp` says so, or when
// the capture ends incomplete.
class FfmpegFilm : public CaptureOutput {
public:
    explicit FfmpegFilm(std::function<bool()> giveUp);
    ~FfmpegFilm() override; // stops ffmpeg if it still runs
    // Starts `ffmpeg` (a path); false (said on stderr) when it cannot be started.
    bool Open(const std::string& ffmpeg, const CaptureSettings& settings, const std::string& format,
              const std::string& path);
    bool Frame(const CapturedFrame& frame) override;
    // Complete: the last frames are written, then ffmpeg is waited for while its file grows. False when
    // ffmpeg failed, stopped reading or got stuck.
    bool Finish(bool complete) override;

private:
    void Kill();
    std::string StallText() const;

    std::function<bool()> giveUp;
    double stallSeconds;
    std::string output;
    pid_t child = -1;
    std::unique_ptr<PipeWriter> videoPipe;
    std::unique_ptr<PipeWriter> audioPipe;
};
