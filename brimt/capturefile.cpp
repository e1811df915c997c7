// brimt/capturefile.cpp -- the capture's outputs: a folder of PNG frames and a WAV, or a film piped to
// ffmpeg; the progress line; the temporary name that becomes the requested one only when complete.
#include "capturefile.h"

#include "platform/png.h"

#include <fcntl.h>    // Required for: pipe2(), fcntl()
#include <signal.h>   // Required for: ignoring SIGPIPE from a dead ffmpeg
#include <spawn.h>    // Required for: posix_spawnp() of ffmpeg
#include <sys/wait.h> // Required for: waitpid()
#include <unistd.h>   // Required for: write(), close(), isatty(), getpid()

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kShowEndPosition = 12; // the song position at which the show asks to quit
constexpr int kPngCompression = 1;             // zlib level: frames are many, speed matters more
constexpr std::size_t kVideoQueueFrames = 4;   // frames waiting for ffmpeg before the renderer waits

bool EndsWith(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

void Say(const std::string& line)
{
    std::fprintf(stderr, "brimt: %s\n", line.c_str());
}

// --- where the output goes ------------------------------------------------------------------------------

// Every output sink receives the frames in order, then Finish: true when the capture is whole.
class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    virtual bool Frame(const CapturedFrame& frame) = 0; // false: the output failed (said on stderr)
    virtual bool Finish(bool complete) = 0;             // false: the output failed (said on stderr)
};

std::int16_t ToPcm16(float sample)
{
    const float clamped = std::fmax(-1.0f, std::fmin(1.0f, sample));
    return static_cast<std::int16_t>(std::lrint(clamped * 32767.0f));
}

void PutLittle(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out.put(static_cast<char>((value >> (8 * k)) & 0xFF));
}

// A 16-bit stereo PCM WAV; its sizes are written when it is closed.
class WavFile {
public:
    bool Open(const std::string& path)
    {
        out.open(path, std::ios::binary | std::ios::trunc);
        WriteHeader(0);
        return static_cast<bool>(out);
    }
    void Append(const float* samples, std::size_t frames)
    {
        buffer.resize(frames * 2);
        for (std::size_t i = 0; i < frames * 2; ++i)
            buffer[i] = ToPcm16(samples[i]);
        out.write(reinterpret_cast<const char*>(buffer.data()),
                  static_cast<std::streamsize>(buffer.size() * sizeof(std::int16_t)));
        dataBytes += static_cast<std::uint32_t>(buffer.size() * sizeof(std::int16_t));
    }
    bool Close()
    {
        out.seekp(0);
        WriteHeader(dataBytes);
        out.close();
        return !out.fail();
    }

private:
    void WriteHeader(std::uint32_t bytes)
    {
        const std::uint32_t rate = SongRenderer::kSampleRate;
        out.write("RIFF", 4);
        PutLittle(out, 36 + bytes, 4);
        out.write("WAVEfmt ", 8);
        PutLittle(out, 16, 4);           // fmt chunk size
        PutLittle(out, 1, 2);            // PCM
        PutLittle(out, 2, 2);            // channels
        PutLittle(out, rate, 4);         // sample frames per second
        PutLittle(out, rate * 2 * 2, 4); // bytes per second
        PutLittle(out, 4, 2);            // bytes per sample frame
        PutLittle(out, 16, 2);           // bits per sample
        out.write("data", 4);
        PutLittle(out, bytes, 4);
    }

    std::ofstream out;
    std::vector<std::int16_t> buffer;
    std::uint32_t dataBytes = 0;
};

// A folder of frame000000.png, frame000001.png, ... and sound.wav.
class FolderSink : public CaptureSink {
public:
    explicit FolderSink(fs::path folder) : dir(std::move(folder)) {}

    bool Open()
    {
        std::error_code error;
        fs::create_directories(dir, error);
        if (error || !wav.Open((dir / "sound.wav").string())) {
            Say("cannot write in " + dir.string());
            return false;
        }
        return true;
    }
    bool Frame(const CapturedFrame& frame) override
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
    bool Finish(bool) override
    {
        if (!wav.Close()) {
            Say("cannot write " + (dir / "sound.wav").string());
            return false;
        }
        return true;
    }

private:
    fs::path dir;
    WavFile wav;
};

// Writes all of `data` to `fd`; false when the reader has gone (EPIPE) or another error.
bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// One writer thread feeding a pipe from a queue, so the renderer goes on while ffmpeg reads.
class PipeWriter {
public:
    PipeWriter(int pipeFd, std::size_t maxQueued) : fd(pipeFd), limit(maxQueued), thread([this] { Run(); }) {}
    ~PipeWriter() { Close(); }

    // Queues a block; waits while `limit` blocks are queued (0: never waits). False once writing failed.
    bool Push(std::vector<unsigned char> block)
    {
        std::unique_lock<std::mutex> lock(mutex);
        spaceFree.wait(lock, [this] { return limit == 0 || queue.size() < limit || failed; });
        if (failed) return false;
        queue.push_back(std::move(block));
        work.notify_one();
        return true;
    }
    // Writes what is queued, closes the pipe. False when some write failed.
    bool Close()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            closing = true;
            work.notify_one();
        }
        if (thread.joinable()) thread.join();
        if (fd >= 0) ::close(fd);
        fd = -1;
        return !failed;
    }

private:
    void Run()
    {
        for (;;) {
            std::vector<unsigned char> block;
            {
                std::unique_lock<std::mutex> lock(mutex);
                work.wait(lock, [this] { return !queue.empty() || closing; });
                if (queue.empty()) return;
                block = std::move(queue.front());
                queue.pop_front();
                spaceFree.notify_one();
            }
            if (!failed && !WriteAll(fd, block.data(), block.size())) {
                std::lock_guard<std::mutex> lock(mutex);
                failed = true;
                spaceFree.notify_all();
            }
        }
    }

    int fd;
    std::size_t limit;
    std::mutex mutex;
    std::condition_variable work;
    std::condition_variable spaceFree;
    std::deque<std::vector<unsigned char>> queue;
    bool closing = false;
    std::atomic<bool> failed{false};
    std::thread thread;
};

// The `ffmpeg` program on PATH, or empty.
std::string FindOnPath(const char* program)
{
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = dirs.substr(start, end - start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

// A film encoded by ffmpeg: raw RGB frames on its standard input, float samples on its descriptor 3.
class FfmpegSink : public CaptureSink {
public:
    bool Open(const std::string& ffmpeg, const CaptureSettings& settings, const std::string& format,
              const std::string& path)
    {
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
        std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostats",
                                         // Inputs: the frames, then the sound, both exactly the show's span.
                                         "-f", "rawvideo", "-pix_fmt", "rgb24", "-video_size", size,
                                         "-framerate", rate, "-i", "pipe:0",
                                         // The sound's format is given: no probing, which would read far
                                         // ahead of the frames queued for the other pipe and wait for ever.
                                         "-probesize", "32", "-analyzeduration", "0", "-f", "f32le", "-ar",
                                         std::to_string(SongRenderer::kSampleRate), "-ac", "2", "-i",
                                         "pipe:3", "-map", "0:v:0", "-map", "1:a:0",
                                         // H.264 in 4:2:0 (what every player takes) and AAC.
                                         "-c:v", "libx264", "-preset", "veryfast", "-crf", "18", "-pix_fmt",
                                         "yuv420p", "-c:a", "aac", "-b:a", "192k"};
        if (format == "mp4") {
            args.insert(args.end(), {"-movflags", "+faststart"});
        }
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
        videoPipe = std::make_unique<PipeWriter>(video[1], kVideoQueueFrames);
        audioPipe = std::make_unique<PipeWriter>(audio[1], 0);
        return true;
    }

    bool Frame(const CapturedFrame& frame) override
    {
        const std::size_t pixelBytes = static_cast<std::size_t>(frame.width) * frame.height * 3;
        std::vector<unsigned char> pixels(frame.rgb, frame.rgb + pixelBytes);
        const auto* sound = reinterpret_cast<const unsigned char*>(frame.audio);
        std::vector<unsigned char> samples(sound, sound + frame.audioFrames * 2 * sizeof(float));
        if (!audioPipe->Push(std::move(samples)) || !videoPipe->Push(std::move(pixels))) {
            Say("ffmpeg stopped reading (see its message above)");
            return false;
        }
        return true;
    }

    bool Finish(bool) override
    {
        const bool videoOk = videoPipe->Close();
        const bool audioOk = audioPipe->Close();
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        child = -1;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
                Say("ffmpeg could not be run");
            } else {
                Say("ffmpeg failed (exit status " +
                    std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)) + ")");
            }
            return false;
        }
        if (!videoOk || !audioOk) {
            Say("ffmpeg did not take every frame");
            return false;
        }
        return true;
    }

    ~FfmpegSink() override
    {
        videoPipe.reset();
        audioPipe.reset();
        if (child > 0) waitpid(child, nullptr, 0);
    }

private:
    pid_t child = -1;
    std::unique_ptr<PipeWriter> videoPipe;
    std::unique_ptr<PipeWriter> audioPipe;
};

// --- progress ------------------------------------------------------------------------------------------

class ProgressLine {
public:
    explicit ProgressLine(std::int64_t expectedFrames)
        : total(expectedFrames), terminal(isatty(STDERR_FILENO) != 0), started(Clock::now()),
          lastShown(started)
    {
    }

    void Update(std::int64_t done)
    {
        const Clock::time_point now = Clock::now();
        const double sinceShown = std::chrono::duration<double>(now - lastShown).count();
        if (sinceShown < (terminal ? 0.25 : 5.0)) return;
        lastShown = now;
        Show(done, now, false);
    }

    void Done(std::int64_t done) { Show(done, Clock::now(), true); }

private:
    using Clock = std::chrono::steady_clock;

    void Show(std::int64_t done, Clock::time_point now, bool last)
    {
        const double seconds = std::chrono::duration<double>(now - started).count();
        const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
        const std::int64_t shownTotal = std::max(total, done);
        char line[160];
        if (last) {
            std::snprintf(line, sizeof line, "%lld frames in %.1f s, %.1f frames/s",
                          static_cast<long long>(done), seconds, rate);
        } else {
            const double left = rate > 0.0 ? static_cast<double>(shownTotal - done) / rate : 0.0;
            const int leftSeconds = static_cast<int>(left + 0.5);
            std::snprintf(line, sizeof line, "frame %lld of %lld, %.1f frames/s, %d:%02d left",
                          static_cast<long long>(done), static_cast<long long>(shownTotal), rate,
                          leftSeconds / 60, leftSeconds % 60);
        }
        if (terminal) {
            std::fprintf(stderr, "\r\033[Kbrimt: capture: %s%s", line, last ? "\n" : "");
        } else {
            std::fprintf(stderr, "brimt: capture: %s\n", line);
        }
        std::fflush(stderr);
    }

    std::int64_t total;
    bool terminal;
    Clock::time_point started;
    Clock::time_point lastShown;
};

// A name beside `target` for the capture in progress, e.g. ".show.mp4.part-1234".
fs::path TemporaryName(const fs::path& target)
{
    const std::string name = "." + target.filename().string() + ".part-" + std::to_string(getpid());
    return target.parent_path() / name;
}

} // namespace

CaptureKind CaptureKindOf(const std::string& file)
{
    if (!file.empty() && file.back() == '/') return CaptureKind::kFolder;
    if (file.size() > 4 && EndsWith(file, ".mp4")) return CaptureKind::kMp4;
    if (file.size() > 4 && EndsWith(file, ".mkv")) return CaptureKind::kMatroska;
    return CaptureKind::kUnknown;
}

std::int64_t ExpectedShowFrames(const std::string& dataFolder, int fps)
{
    const std::string song = dataFolder + "/Pkfloyd.xm"; // the show's song, as DemoWindow names it
    const double seconds = SongSecondsToPosition(song.c_str(), static_cast<int>(kShowEndPosition));
    if (seconds < 0.0) return 0;
    return static_cast<std::int64_t>(std::ceil(seconds * fps)) + 1;
}

int CaptureToFile(const CaptureSettings& settings, const std::string& file)
{
    const CaptureKind kind = CaptureKindOf(file);
    if (kind == CaptureKind::kUnknown) {
        Say("--capture " + file + ": name a .mp4 or .mkv file, or a folder ending in '/'");
        return kCaptureOutputFailed;
    }
    // A dead ffmpeg must not kill us: the write fails instead, and is reported.
    signal(SIGPIPE, SIG_IGN);

    const fs::path target =
        fs::absolute(kind == CaptureKind::kFolder ? file.substr(0, file.size() - 1) : file);
    const fs::path temporary = TemporaryName(target);
    std::error_code error;
    std::unique_ptr<CaptureSink> sink;
    if (kind == CaptureKind::kFolder) {
        if (fs::exists(target, error) && !(fs::is_directory(target, error) && fs::is_empty(target, error))) {
            Say(file + " exists and is not an empty folder");
            return kCaptureOutputFailed;
        }
        auto folder = std::make_unique<FolderSink>(temporary);
        if (!folder->Open()) return kCaptureOutputFailed;
        sink = std::move(folder);
    } else {
        const std::string ffmpeg = FindOnPath("ffmpeg");
        if (ffmpeg.empty()) {
            Say("a film needs the ffmpeg program, which is not on PATH (Debian: apt-get install ffmpeg); "
                "--capture FOLDER/ writes PNG frames and a WAV without it");
            return kCaptureOutputFailed;
        }
        if (!fs::is_directory(target.parent_path(), error)) {
            Say("cannot write " + file + ": no folder " + target.parent_path().string());
            return kCaptureOutputFailed;
        }
        auto film = std::make_unique<FfmpegSink>();
        if (!film->Open(ffmpeg, settings, kind == CaptureKind::kMp4 ? "mp4" : "matroska",
                        temporary.string())) {
            return kCaptureOutputFailed;
        }
        sink = std::move(film);
    }

    std::int64_t expected = ExpectedShowFrames(settings.dataFolder, settings.fps);
    if (settings.frameLimit > 0 && (expected == 0 || settings.frameLimit < expected)) {
        expected = settings.frameLimit;
    }
    ProgressLine progress(expected);
    std::int64_t frames = 0;
    bool sinkFailed = false;
    PlayStatus last{};
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        if (!sink->Frame(frame)) {
            sinkFailed = true;
            return false;
        }
        ++frames;
        last = frame.status;
        progress.Update(frames);
        return true;
    });
    const bool complete = result == 0 && !sinkFailed && frames > 0 &&
                          (last.songPosition >= kShowEndPosition || frames == settings.frameLimit);
    const bool written = sink->Finish(complete);
    sink.reset();
    if (frames > 0) progress.Done(frames);

    if (!complete || !written) {
        fs::remove_all(temporary, error);
        if (result != 0) return result; // its message is out already
        if (!sinkFailed && written) {
            Say("capture interrupted before the show's end; nothing written");
            return kCaptureInterrupted;
        }
        Say("nothing written to " + file);
        return kCaptureOutputFailed;
    }
    if (kind == CaptureKind::kFolder && fs::exists(target, error)) fs::remove(target, error); // empty
    fs::rename(temporary, target, error);
    if (error) {
        Say("cannot rename " + temporary.string() + " to " + target.string() + ": " + error.message());
        fs::remove_all(temporary, error);
        return kCaptureOutputFailed;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", static_cast<double>(frames) / settings.fps);
    Say("wrote " + target.string() + (kind == CaptureKind::kFolder ? "/" : "") + " (" +
        std::to_string(frames) + " frames, " + seconds + " s at " + std::to_string(settings.fps) + " fps)");
    return 0;
}
