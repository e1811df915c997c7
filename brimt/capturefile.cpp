// brimt/capturefile.cpp -- a capture into a file or folder: which output, its temporary name beside the
// requested one, the run, and the rename once complete (or the clean-up when not).
#include "capturefile.h"

#include "ffmpegfilm.h"
#include "findprogram.h"
#include "interrupt.h"
#include "pngfolder.h"
#include "progressline.h"

#include <signal.h> // Required for: ignoring SIGPIPE from a dead ffmpeg
#include <unistd.h> // Required for: getpid()

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kShowEndPosition = 12; // the song position at which the show asks to quit
constexpr std::size_t kNameBytesKept = 200;    // of the output's name in the temporary one (of 255)

bool EndsWith(const std::string& text, const char* suffix)
{
    const std::size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

void Say(const std::string& line)
{
    std::fprintf(stderr, "brimt: %s\n", line.c_str());
}

// A hidden name beside `target` for the capture in progress, e.g. ".show.mp4.part-1234"; a long name is
// cut so that the temporary one still fits a file system's 255 bytes.
fs::path TemporaryName(const fs::path& target)
{
    const std::string name = target.filename().string().substr(0, kNameBytesKept);
    return target.parent_path() / ("." + name + ".part-" + std::to_string(getpid()));
}

// Where the capture goes: `file` made absolute, and when it is a symbolic link to something that
// exists, what the link points to (the link stays). Empty, said on stderr, when it names no place a
// capture can be renamed to (the root, "..").
fs::path TargetOf(const std::string& file, CaptureKind kind)
{
    std::string name = file;
    while (kind == CaptureKind::kFolder && name.size() > 1 && name.back() == '/')
        name.pop_back();
    std::error_code error;
    fs::path target = fs::absolute(name, error);
    if (error) {
        Say("cannot write " + file + ": " + error.message());
        return {};
    }
    if (fs::is_symlink(target, error) && fs::exists(target, error)) {
        const fs::path real = fs::canonical(target, error);
        if (!error) target = real;
    }
    target = target.lexically_normal();
    const std::string last = target.filename().string();
    if (last.empty() || last == "." || last == "..") {
        Say("cannot write " + file + ": name a new file or folder, or an empty folder");
        return {};
    }
    return target;
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
    // From here on a signal that ends the run is noted, and everything written is removed.
    InterruptCatcher interrupts;
    const auto interrupted = [] { return InterruptCaught() != 0; };

    const fs::path target = TargetOf(file, kind);
    if (target.empty()) return kCaptureOutputFailed;
    const fs::path temporary = TemporaryName(target);
    std::error_code error;
    std::unique_ptr<CaptureOutput> output;
    if (kind == CaptureKind::kFolder) {
        if (fs::exists(target, error) && !(fs::is_directory(target, error) && fs::is_empty(target, error))) {
            Say(file + " exists and is not an empty folder");
            return kCaptureOutputFailed;
        }
        auto folder = std::make_unique<PngFolder>(temporary);
        if (!folder->Open()) {
            fs::remove_all(temporary, error);
            return kCaptureOutputFailed;
        }
        output = std::move(folder);
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
        auto film = std::make_unique<FfmpegFilm>(interrupted);
        if (!film->Open(ffmpeg, settings, kind == CaptureKind::kMp4 ? "mp4" : "matroska",
                        temporary.string())) {
            return kCaptureOutputFailed;
        }
        output = std::move(film);
    }

    std::int64_t expected = ExpectedShowFrames(settings.dataFolder, settings.fps);
    if (settings.frameLimit > 0 && (expected == 0 || settings.frameLimit < expected)) {
        expected = settings.frameLimit;
    }
    ProgressLine progress(expected);
    std::int64_t frames = 0;
    bool outputFailed = false;
    PlayStatus last{};
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        if (interrupted()) return false;
        if (!output->Frame(frame)) {
            outputFailed = true;
            return false;
        }
        ++frames;
        last = frame.status;
        progress.Update(frames);
        return true;
    });
    const bool complete = result == 0 && !outputFailed && !interrupted() && frames > 0 &&
                          (last.songPosition >= kShowEndPosition || frames == settings.frameLimit);
    const bool written = output->Finish(complete);
    output.reset(); // ffmpeg is gone with it
    if (frames > 0) progress.Done(frames);

    if (!complete || !written || interrupted()) {
        fs::remove_all(temporary, error);
        if (interrupted()) {
            Say(std::string("capture interrupted (") + strsignal(InterruptCaught()) + "); nothing written");
            return kCaptureInterrupted;
        }
        if (result != 0) return result; // its message is out already
        if (!outputFailed && written) {
            Say("capture ended before the show's end; nothing written");
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
