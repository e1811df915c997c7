// platform/songrenderer.cpp -- the offline song: libopenmpt rendered on the caller's thread, on demand.
#include "songrenderer.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <string>

#include "musicmodule.h"

namespace {

constexpr std::int64_t kChunkFrames = 1024; // rendered per libopenmpt call

class OpenMptSongRenderer final : public SongRenderer {
public:
    bool Startup() override { return true; }
    bool Init() override { return true; }
    void SetOption(int, int) override {}
    ModuleHandle LoadModule(const char* file) override;
    PlayHandle PlayModule(ModuleHandle module, bool loopSong) override;
    bool StartBackgroundPlay(int) override { return playing != nullptr; }
    bool GetPlayStatus(PlayHandle play, PlayStatus* out) override;
    void StopBackgroundPlay() override {}
    void StopModule(PlayHandle play) override;
    void FreeModule(ModuleHandle module) override;
    void Close() override {}

    void RenderTo(std::int64_t frame, std::vector<float>* audio) override;
    std::int64_t RenderedFrames() const override { return rendered; }
    PlayStatus Status() const override { return current; }

private:
    void ReadStatus();
    // Renders `frames` sample frames of the song into `out` (silence past its end).
    void Produce(std::int64_t frames, float* out);

    std::vector<std::unique_ptr<MusicModule>> modules;
    MusicModule* playing = nullptr;
    PlayHandle playHandle = 0;
    bool loopSong = false;
    bool songEnded = false;
    std::uint32_t loopCount = 0;
    std::int64_t rendered = 0;    // sample frames handed out
    float next[2] = {0.0f, 0.0f}; // the sample frame at `rendered`, already rendered
    bool haveNext = false;
    PlayStatus current{};
};

ModuleHandle OpenMptSongRenderer::LoadModule(const char* file)
{
    std::unique_ptr<MusicModule> music = OpenModule(ReadModuleFile(file));
    if (music == nullptr) return nullptr;
    modules.push_back(std::move(music));
    return modules.back().get();
}

PlayHandle OpenMptSongRenderer::PlayModule(ModuleHandle module, bool loop)
{
    const auto known =
        std::find_if(modules.begin(), modules.end(), [module](const auto& m) { return m.get() == module; });
    if (module == nullptr || known == modules.end()) return 0;
    try {
        module->module->set_position_seconds(0.0);
    } catch (const std::exception&) {
        return 0;
    }
    playing = module;
    ++playHandle;
    if (playHandle == 0) playHandle = 1;
    loopSong = loop;
    songEnded = false;
    loopCount = 0;
    rendered = 0;
    haveNext = false;
    ReadStatus();
    return playHandle;
}

void OpenMptSongRenderer::ReadStatus()
{
    current = ModuleStatus(*playing->module, loopCount);
}

bool OpenMptSongRenderer::GetPlayStatus(PlayHandle play, PlayStatus* out)
{
    if (out == nullptr || playing == nullptr || play != playHandle) return false;
    *out = current;
    return true;
}

void OpenMptSongRenderer::Produce(std::int64_t frames, float* out)
{
    std::fill(out, out + 2 * frames, 0.0f); // silence where nothing plays
    bool justLooped = false;
    while (frames > 0 && playing != nullptr && !songEnded) {
        const std::size_t chunk = static_cast<std::size_t>(std::min(frames, kChunkFrames));
        std::size_t got = 0;
        try {
            got = playing->module->read_interleaved_stereo(kSampleRate, chunk, out);
        } catch (const std::exception&) {
            songEnded = true;
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
        out += 2 * got;
        frames -= static_cast<std::int64_t>(got);
    }
}

void OpenMptSongRenderer::RenderTo(std::int64_t frame, std::vector<float>* audio)
{
    if (frame <= rendered) return;
    const std::size_t start = audio->size();
    audio->resize(start + static_cast<std::size_t>(2 * (frame - rendered)));
    float* out = audio->data() + start;
    std::int64_t fresh = frame - rendered;
    if (haveNext) {
        out[0] = next[0];
        out[1] = next[1];
        out += 2;
        --fresh;
    }
    Produce(fresh, out);
    // The status is that of the sample heard at `frame`: render it too, and keep it for the next call.
    Produce(1, next);
    haveNext = true;
    rendered = frame;
    if (playing != nullptr) ReadStatus();
}

void OpenMptSongRenderer::StopModule(PlayHandle play)
{
    if (play == playHandle) playing = nullptr;
}

void OpenMptSongRenderer::FreeModule(ModuleHandle module)
{
    if (module == playing) playing = nullptr;
    modules.erase(
        std::remove_if(modules.begin(), modules.end(), [module](const auto& m) { return m.get() == module; }),
        modules.end());
}

} // namespace

double SongSecondsToPosition(const char* file, int position)
{
    const std::vector<char> bytes = ReadModuleFile(file);
    if (bytes.empty()) return -1.0;
    try {
        std::ostringstream log;
        openmpt::module song(bytes, log);
        if (position < 0 || position >= song.get_num_orders()) return -1.0;
        return song.set_position_order_row(position, 0);
    } catch (const std::exception&) {
        return -1.0;
    }
}

std::unique_ptr<SongRenderer> CreateSongRenderer()
{
    return std::make_unique<OpenMptSongRenderer>();
}
