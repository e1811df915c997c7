// brimt/ffmpegfilm.cpp -- the film: ffmpeg started with two pipes, fed by two writers, waited for with
// a bound.
#include "ffmpegfilm.h"

#include <fcntl.h>    // Required for: pipe2(), fcntl()
#include <signal.h>   // Required for: kill()
#include <spawn.h>    // Required for: posix_spawn() of ffmpeg
#include <sys/stat.h> // Required for: stat() of the growing film
#include <sys/wait.h> // Required for: waitpid()
#include <unistd.h>   // Required for: close()

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr std::size_t kVideoQueueFrames = 4; // frames waiting for ffmpeg before the renderer waits
constexpr double kDefaultStallSeconds = 30.0;
constexpr auto kWaitStep = std::chrono::milliseconds(50); // how often a finishing ffmpeg is looked at

void Say(const std::string& line)
{
    std::fprintf(stderr, "brimt: %s\n", line.c_str());
}

long long FileSize(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// Says how ffmpeg ended, from its wait status (a failure).
void SayExit(int status)
{
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        Say("ffmpeg could not be run");
    } else {
        Say("ffmpeg failed (exit status " +
            std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")");
    }
}

} // namespace

double EncoderStallSeconds()
{
    const char* text = std::getenv("BRIMT_ENCODER_TIMEOUT");
    if (text == nullptr) return kDefaultStallSeconds;
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && seconds > 0.0 ? seconds : kDefaultStallSeconds;
}

FfmpegFilm::FfmpegFilm(std::function<bool()> abandon)
    : giveUp(std::move(abandon)), stallSeconds(EncoderStallSeconds())
{
}

FfmpegFilm::~FfmpegFilm()
{
    if (videoPipe) videoPipe->Close(true);
    if (audioPipe) audioPipe->Close(true);
    Kill();
}

bool FfmpegFilm::Open(const std::string& ffmpeg, const CaptureSettings& settings, const std::string& format,
                      const std::string& path)
{
    output = path;
    int video[2] = {-1, -1};
    int audio[2] = {-1, -1};
    if (pipe2(video, O_CLOEXEC) != 0 || pipe2(audio, O_CLOEXEC) != 0) {
        Say(std::string("cannot start ffmpeg: ") + std::strerror(errno));
        return false;
    }
    // Descriptor 3 in ffmpeg is the sound pipe: keep its read end off 3 here, so that dup2 clears
    // close-on-exec on it.
    if (audio[0] == 3) {
        const int moved = fcntl(audio[0], F_DUPFD_CLOEXEC, 10);
        ::close(audio[0]);
        audio[0] = moved;
    }
    const std::string size = std::to_string(settings.width) + "x" + std::to_string(settings.height);
    const std::string rate = std::to_string(settings.fps);
    std::vector<std::string> args = {
        "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostats",
        // Inputs: the frames, then the sound, both exactly the show's span.
        "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size, "-framerate", rate, "-i", "pipe:0",
        // The sound's format is given: no probing, which would read far ahead of the frames queued for
        // the other pipe and wait for ever.
        "-probesize", "32", "-analyzeduration", "0", "-f", "f32le", "-ar",
        std::to_string(SongRenderer::kSampleRate), "-ac", "2", "-i", "pipe:3", "-map", "0:v:0", "-map",
        "1:a:0",
        // H.264 in 4:2:0 (what every player takes) and AAC. "ultrafast" takes under half the CPU of
        // "veryfast", which the renderer needs on a small machine; at the same CRF its pictures are
        // closer to the frames (PSNR and SSIM, bench/README.md), at about twice the bytes.
        "-c:v", "libx264", "-preset", "ultrafast", "-crf", "18", "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a",
        "192k",
        // The same bytes every time: no encoder or muxer version strings, no dates, no random
        // identifiers (Matroska's segment and track UIDs), no metadata carried over.
        "-fflags", "+bitexact", "-flags:v", "+bitexact", "-flags:a", "+bitexact", "-map_metadata", "-1"};
    if (format == "mp4") args.insert(args.end(), {"-movflags", "+faststart"});
    args.insert(args.end(), {"-f", format, "-y", path});
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, video[0], 0);
    posix_spawn_file_actions_adddup2(&actions, audio[0], 3);
    const int spawned = posix_spawn(&child, ffmpeg.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(video[0]);
    ::close(audio[0]);
    if (spawned != 0) {
        ::close(video[1]);
        ::close(audio[1]);
        Say("cannot start " + ffmpeg + ": " + std::strerror(spawned));
        child = -1;
        return false;
    }
    videoPipe = std::make_unique<PipeWriter>(video[1], kVideoQueueFrames, stallSeconds, giveUp);
    audioPipe = std::make_unique<PipeWriter>(audio[1], 0, stallSeconds, giveUp);
    return true;
}

std::string FfmpegFilm::StallText() const
{
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", stallSeconds);
    return std::string(seconds) + " s (BRIMT_ENCODER_TIMEOUT)";
}

bool FfmpegFilm::Frame(const CapturedFrame& frame)
{
    const std::size_t pixelBytes = static_cast<std::size_t>(frame.width) * frame.height * 3;
    // Blocks already written are filled again: no fresh megabytes to fault in for every frame.
    std::vector<unsigned char> pixels = videoPipe->TakeSpare();
    pixels.assign(frame.rgb, frame.rgb + pixelBytes);
    const auto* sound = reinterpret_cast<const unsigned char*>(frame.audio);
    std::vector<unsigned char> samples = audioPipe->TakeSpare();
    samples.assign(sound, sound + frame.audioFrames * 2 * sizeof(float));
    if (audioPipe->Push(std::move(samples)) && videoPipe->Push(std::move(pixels))) return true;
    if (videoPipe->Why() == PipeWriter::kStalled || audioPipe->Why() == PipeWriter::kStalled) {
        Say("ffmpeg has read nothing for " + StallText() + "; stopped");
    } else if (!giveUp()) {
        Say("ffmpeg stopped reading (see its message above)");
    }
    return false;
}

bool FfmpegFilm::Finish(bool complete)
{
    if (!complete || giveUp()) {
        videoPipe->Close(true);
        audioPipe->Close(true);
        const bool readerGone =
            videoPipe->Why() == PipeWriter::kReaderGone || audioPipe->Why() == PipeWriter::kReaderGone;
        if (readerGone && !giveUp()) {
            // ffmpeg closed its input: it is exiting, and its status says why.
            int status = 0;
            for (int k = 0; k < 40 && child > 0; ++k) {
                if (waitpid(child, &status, WNOHANG) == child) {
                    child = -1;
                    SayExit(status);
                }
                std::this_thread::sleep_for(kWaitStep);
            }
        }
        Kill();
        return false;
    }
    const bool videoOk = videoPipe->Close();
    const bool audioOk = audioPipe->Close();
    if (videoPipe->Why() == PipeWriter::kStalled || audioPipe->Why() == PipeWriter::kStalled) {
        Kill();
        Say("ffmpeg has read nothing for " + StallText() + "; stopped");
        return false;
    }
    // ffmpeg has all it gets: wait for it to finish, as long as its file keeps growing.
    using Clock = std::chrono::steady_clock;
    Clock::time_point lastProgress = Clock::now();
    long long lastSize = FileSize(output);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) {
            child = -1;
            Say("ffmpeg vanished");
            return false;
        }
        if (giveUp()) {
            Kill();
            return false;
        }
        const long long size = FileSize(output);
        if (size != lastSize) {
            lastSize = size;
            lastProgress = Clock::now();
        } else if (std::chrono::duration<double>(Clock::now() - lastProgress).count() > stallSeconds) {
            Kill();
            Say("ffmpeg has not finished the film in " + StallText() + "; stopped");
            return false;
        }
        std::this_thread::sleep_for(kWaitStep);
    }
    child = -1;
    if (giveUp()) return false; // a Ctrl-C reached ffmpeg too: an interruption, not its failure
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        SayExit(status);
        return false;
    }
    if (!videoOk || !audioOk) {
        Say("ffmpeg did not take every frame");
        return false;
    }
    return true;
}

void FfmpegFilm::Kill()
{
    if (child <= 0) return;
    kill(child, SIGKILL);
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    child = -1;
}
