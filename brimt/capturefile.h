// brimt/capturefile.h -- a capture of the show written to a film (ffmpeg) or to a folder of pictures,
// whole or not at all.
#pragma once

#include "capture.h"

#include <string>

// What `file` names: a folder of numbered PNG frames and a WAV (a name ending in '/'), an MP4 film
// (".mp4": H.264 yuv420p and AAC) or a Matroska one (".mkv", the same streams).
enum class CaptureKind { kFolder, kMp4, kMatroska, kUnknown };
CaptureKind CaptureKindOf(const std::string& file);

// Exit statuses of CaptureToFile besides the run's own results (0, 1 to 6).
constexpr int kCaptureOutputFailed = 7; // ffmpeg missing, failed or stuck; the output not writable
constexpr int kCaptureInterrupted = 8; // the run ended before the show did (SIGHUP, SIGINT, SIGQUIT, SIGTERM)

// Captures the show at `settings` into `file`, with a progress line on stderr (rewritten in place on
// a terminal, a plain line every few seconds otherwise) and, at the end, a line saying where it wrote.
// Everything is written under a temporary name beside `file` and renamed to it only once complete:
// on any failure nothing is left under `file` (an existing file of that name is replaced only by a
// complete capture; a folder must be absent or empty). A symbolic link is written through: the capture
// lands where it points and the link stays. A signal that ends the run (see interrupt.h) removes what
// was written. Films need the `ffmpeg` program on PATH; an ffmpeg that makes no progress for
// EncoderStallSeconds() (ffmpegfilm.h) is stopped and the capture fails.
// Returns 0, the run's failure number, kCaptureOutputFailed or kCaptureInterrupted; every failure is
// said on stderr in one line.
int CaptureToFile(const CaptureSettings& settings, const std::string& file);

// The number of frames the whole show has at `fps` (where the song reaches the show's end position),
// from the song in `dataFolder`; 0 when the song cannot be read.
std::int64_t ExpectedShowFrames(const std::string& dataFolder, int fps);
