// brimt/captureoutput.h -- what a capture writes its frames into (a PNG folder, a film through ffmpeg).
#pragma once

#include "capture.h"

// Receives the frames in order, then Finish once. Every failure is said on stderr in one line, except
// when the capture was interrupted (then it is said once, by the caller).
class CaptureOutput {
public:
    virtual ~CaptureOutput() = default;
    // False: the output failed; no more frames are wanted.
    virtual bool Frame(const CapturedFrame& frame) = 0;
    // `complete`: the capture is whole, write it out to its end; otherwise stop as soon as possible
    // (what was written is thrown away by the caller). False: the output failed.
    virtual bool Finish(bool complete) = 0;
};
