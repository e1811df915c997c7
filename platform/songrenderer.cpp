// platform/songrenderer.cpp -- the offline song: libopenmpt rendered on the caller's thread, on demand.
#include "songrenderer.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>

#include "musicmodule.h"

namespace {

constexpr std::size_t kMaxModuleBytes = 256u << 20; // far above any real module
constexpr std::int64_t kChunkFrames = 1024;         // rendered per libopenmpt call

std::uint32_t NonNegative(std::int32_t v)
{
    return v < 0 ? 0u : static_cast<std::uint32_t>(v);
}

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

// The file's bytes; empty when it cannot be read, is empty or is too big to be a module.
std::vector<char> ReadModuleFile(const char* file)
{
    std::vector<char> bytes;
    if (file == nullptr) return bytes;
    std::ifstream in(file, std::ios::binary);
    if (!in) return bytes;
    char buffer[65536];
    // A directory opens but does not read; a huge file is no module.
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > kMaxModuleBytes) return {};
    }
    if (in.bad()) return {};
    return bytes;
}

ModuleHandle OpenMptSongRenderer::LoadModule(const char* file)
{
    const std::vector<char> bytes = ReadModuleFile(file);
    if (bytes.empty()) return nullptr;

    auto music = std::make_unique<MusicModule>();
    try {
        // "continue": a read at the song's end returns nothing and the next one goes on from the
        // song's loop start, so every loop is seen and counted (as the live library does).
        const std::map<std::string, std::string> ctls{{"play.at_end", "continue"}};
        music->module = std::make_unique<openmpt::module>(bytes, music->log, ctls);
        music->module->set_repeat_count(0);
        if (music->module->get_num_orders() <= 0) return nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
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
    current.songPosition = NonNegative(playing->module->get_current_order());
    current.pattern = NonNegative(playing->module->get_current_pattern());
    current.row = NonNegative(playing->module->get_current_row());
    current.syncValue = 0;
    current.loopCount = loopCount;
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
