// platform/music.cpp -- the music library on libopenmpt (module playback) and SDL2 audio (48 kHz stereo).
//
// One song plays at a time. The renderer (SDL's audio callback, or our own timer thread when there
// is no sound device) pulls float frames from libopenmpt in small chunks and records the song's
// status wherever it changes; GetPlayStatus looks up the status at the frame heard now (see
// musictimeline.h). Everything the two threads share sits under `mutex`.
#include "music.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "musicmodule.h"
#include "musictimeline.h"

namespace {

constexpr int kFrameRate = 48000;      // frames per second, device and silent clock alike
constexpr int kChunkFrames = 128;      // status resolution: 2.7 ms
constexpr Uint16 kDeviceFrames = 1024; // asked-for device buffer: 21 ms
constexpr int kMaxTimerRate = 1000;    // silent timer calls per second, at most
constexpr double kMaxCatchUp = 2.0;    // seconds a late timer call renders at most

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool SameStatus(const PlayStatus& a, const PlayStatus& b)
{
    return a.songPosition == b.songPosition && a.pattern == b.pattern && a.row == b.row &&
           a.syncValue == b.syncValue && a.loopCount == b.loopCount;
}

} // namespace

namespace {

class OpenMptMusicLibrary final : public MusicLibrary {
public:
    ~OpenMptMusicLibrary() override { Close(); }

    bool Startup() override;
    bool Init() override;
    void SetOption(int option, int value) override;
    ModuleHandle LoadModule(const char* file) override;
    PlayHandle PlayModule(ModuleHandle module, bool loopSong) override;
    bool StartBackgroundPlay(int rate) override;
    bool GetPlayStatus(PlayHandle play, PlayStatus* out) override;
    void StopBackgroundPlay() override;
    void StopModule(PlayHandle play) override;
    void FreeModule(ModuleHandle module) override;
    void Close() override;

private:
    enum class Output { kClosed, kDevice, kSilent };

    static void AudioCallback(void* self, Uint8* stream, int bytes);
    void TimerLoop(int rate);
    void RenderLocked(float* out, int frames);
    PlayStatus CurrentStatusLocked() const;
    void StopPlayLocked();

    // Used by the GUI thread only.
    bool started = false;
    bool noSoundDevice = false; // option kMusicOptionNoSoundDevice
    Output output = Output::kClosed;
    bool audioSubsystem = false;
    SDL_AudioDeviceID device = 0;
    std::int64_t deviceLatency = 0; // frames the device holds beyond the one being rendered
    bool background = false;
    std::vector<std::unique_ptr<MusicModule>> modules;
    PlayHandle nextPlay = 1;
    std::thread timer;

    // Shared with the rendering thread.
    std::mutex mutex;
    std::condition_variable wake;
    bool stopTimer = false;
    MusicModule* playing = nullptr; // null: render silence
    PlayHandle playHandle = 0;
    bool loopSong = false;
    bool songEnded = false;
    std::uint32_t loopCount = 0;
    std::int64_t rendered = 0; // frames of the current song rendered so far
    PlayStatus current{};      // status after the last chunk
    PlayTimeline timeline;
    double silentBaseTime = 0.0; // the silent clock: frame silentBaseFrame was heard at silentBaseTime
    std::int64_t silentBaseFrame = 0;
    std::vector<float> scratch; // the silent renderer's discarded output
};

bool OpenMptMusicLibrary::Startup()
{
    // The library we run against must be the major version we were built for.
    const std::uint32_t version = openmpt::get_library_version();
    if ((version >> 24) != OPENMPT_API_VERSION_MAJOR) return false;
    started = true;
    return true;
}

bool OpenMptMusicLibrary::Init()
{
    if (!started) return false;
    if (output != Output::kClosed) return true;
    if (noSoundDevice) {
        output = Output::kSilent;
        return true;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = kFrameRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kDeviceFrames;
    want.callback = &OpenMptMusicLibrary::AudioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // SDL converts rate, format and channels for us; the buffer size is the device's own so that
    // it tells the latency.
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_SAMPLES_CHANGE);
    if (device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    audioSubsystem = true;
    deviceLatency = have.samples;
    output = Output::kDevice;
    return true;
}

void OpenMptMusicLibrary::SetOption(int option, int value)
{
    if (option == kMusicOptionNoSoundDevice) noSoundDevice = value != 0;
}

ModuleHandle OpenMptMusicLibrary::LoadModule(const char* file)
{
    if (!started) return nullptr;
    std::unique_ptr<MusicModule> music = OpenModule(ReadModuleFile(file));
    if (music == nullptr) return nullptr;
    modules.push_back(std::move(music));
    return modules.back().get();
}

PlayHandle OpenMptMusicLibrary::PlayModule(ModuleHandle module, bool loop)
{
    if (output == Output::kClosed) return 0;
    const auto known =
        std::find_if(modules.begin(), modules.end(), [module](const auto& m) { return m.get() == module; });
    if (module == nullptr || known == modules.end()) return 0;

    std::lock_guard<std::mutex> lock(mutex);
    try {
        module->module->set_position_seconds(0.0);
    } catch (const std::exception&) {
        return 0;
    }
    playing = module;
    playHandle = nextPlay++;
    if (nextPlay == 0) nextPlay = 1;
    loopSong = loop;
    songEnded = false;
    loopCount = 0;
    rendered = 0;
    current = CurrentStatusLocked();
    timeline.Reset(current);
    silentBaseTime = Now();
    silentBaseFrame = 0;
    return playHandle;
}

bool OpenMptMusicLibrary::StartBackgroundPlay(int rate)
{
    if (output == Output::kClosed || rate <= 0) return false;
    if (background) return true;
    if (output == Output::kDevice) {
        SDL_PauseAudioDevice(device, 0);
    } else {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopTimer = false;
            silentBaseTime = Now();
            silentBaseFrame = timeline.HeardFrame(silentBaseTime, kFrameRate);
        }
        timer = std::thread(&OpenMptMusicLibrary::TimerLoop, this, std::min(rate, kMaxTimerRate));
    }
    background = true;
    return true;
}

bool OpenMptMusicLibrary::GetPlayStatus(PlayHandle play, PlayStatus* out)
{
    if (out == nullptr || play == 0) return false;
    std::lock_guard<std::mutex> lock(mutex);
    if (play != playHandle) return false;
    *out = timeline.StatusAt(timeline.HeardFrame(Now(), kFrameRate));
    return true;
}

void OpenMptMusicLibrary::StopBackgroundPlay()
{
    if (!background) return;
    // Never hold `mutex` here: pausing waits for the callback, which takes it.
    if (output == Output::kDevice) {
        SDL_PauseAudioDevice(device, 1);
    } else {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopTimer = true;
        }
        wake.notify_all();
        timer.join();
    }
    background = false;
    std::lock_guard<std::mutex> lock(mutex);
    timeline.Freeze(Now(), kFrameRate);
}

void OpenMptMusicLibrary::StopModule(PlayHandle play)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (play != 0 && play == playHandle) StopPlayLocked();
}

void OpenMptMusicLibrary::FreeModule(ModuleHandle module)
{
    const auto known =
        std::find_if(modules.begin(), modules.end(), [module](const auto& m) { return m.get() == module; });
    if (module == nullptr || known == modules.end()) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (playing == module) StopPlayLocked();
    }
    modules.erase(known); // the renderer no longer sees it
}

void OpenMptMusicLibrary::Close()
{
    StopBackgroundPlay();
    {
        std::lock_guard<std::mutex> lock(mutex);
        StopPlayLocked();
    }
    modules.clear();
    if (device != 0) {
        SDL_CloseAudioDevice(device);
        device = 0;
    }
    if (audioSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioSubsystem = false;
    }
    output = Output::kClosed;
    started = false;
    noSoundDevice = false;
}

void OpenMptMusicLibrary::StopPlayLocked()
{
    playing = nullptr;
    playHandle = 0;
}

PlayStatus OpenMptMusicLibrary::CurrentStatusLocked() const
{
    return ModuleStatus(*playing->module, loopCount);
}

// Fills `frames` stereo frames of `out`, and records where the song is after each chunk.
void OpenMptMusicLibrary::RenderLocked(float* out, int frames)
{
    bool justLooped = false;
    while (frames > 0 && playing != nullptr && !songEnded) {
        const int chunk = std::min(frames, kChunkFrames);
        std::size_t got = 0;
        try {
            got = playing->module->read_interleaved_stereo(kFrameRate, static_cast<std::size_t>(chunk), out);
        } catch (const std::exception&) {
            songEnded = true; // nothing sensible to play any more
            break;
        }
        if (got == 0) {
            // The song's end. A song that gives nothing right after looping is empty: stop there.
            if (loopSong && !justLooped) {
                ++loopCount;
                justLooped = true;
                continue;
            }
            songEnded = true;
            break;
        }
        justLooped = false;
        // The chunk's status holds from its first frame: at most one chunk early, never late.
        const PlayStatus status = CurrentStatusLocked();
        if (!SameStatus(status, current)) {
            current = status;
            timeline.Record(rendered, status);
        }
        rendered += static_cast<std::int64_t>(got);
        out += 2 * got;
        frames -= static_cast<int>(got);
    }
    std::fill(out, out + 2 * std::max(frames, 0), 0.0f);
}

void OpenMptMusicLibrary::AudioCallback(void* self, Uint8* stream, int bytes)
{
    auto* library = static_cast<OpenMptMusicLibrary*>(self);
    const double now = Now();
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    std::lock_guard<std::mutex> lock(library->mutex);
    if (library->playing != nullptr) {
        // What the device holds is heard before what we render now: the frame heard at this
        // moment lies `deviceLatency` behind, and the sound can reach at most what was handed over.
        library->timeline.Anchor(now, library->rendered - library->deviceLatency, library->rendered);
    }
    library->RenderLocked(reinterpret_cast<float*>(stream), frames);
}

// The silent clock: every 1/rate seconds, render (and discard) up to one period past real time.
void OpenMptMusicLibrary::TimerLoop(int rate)
{
    const std::chrono::duration<double> period(1.0 / rate);
    const auto periodFrames = static_cast<std::int64_t>(kFrameRate / rate) + 1;
    auto next = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopTimer) {
        if (playing != nullptr) {
            const double elapsed = std::max(0.0, Now() - silentBaseTime);
            const std::int64_t target =
                silentBaseFrame + static_cast<std::int64_t>(elapsed * kFrameRate) + periodFrames;
            std::int64_t wanted = std::min<std::int64_t>(target - rendered,
                                                         static_cast<std::int64_t>(kMaxCatchUp * kFrameRate));
            while (wanted > 0 && playing != nullptr && !songEnded) {
                const int n = static_cast<int>(std::min<std::int64_t>(wanted, 4096));
                scratch.resize(2 * static_cast<std::size_t>(n));
                const std::int64_t before = rendered;
                RenderLocked(scratch.data(), n);
                if (rendered == before) break;
                wanted -= rendered - before;
            }
            if (playing != nullptr) timeline.Anchor(silentBaseTime, silentBaseFrame, rendered);
        }
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        const auto now = std::chrono::steady_clock::now();
        if (next < now) next = now; // late: do not try to make up the missed calls one by one
        wake.wait_until(lock, next, [this] { return stopTimer; });
    }
}

} // namespace

std::unique_ptr<MusicLibrary> CreateMusicLibrary()
{
    return std::make_unique<OpenMptMusicLibrary>();
}
