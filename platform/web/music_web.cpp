// platform/web/music_web.cpp -- WebMusicLibrary: the timeline in C++, the sound and its clock in the page.
#include "music_web.h"

#include <emscripten.h>

#include <cmath>
#include <string>

// The page's audio (web/brimt.js): a decoded AudioBuffer played from its start.
EM_JS(int, brimt_audio_ready, (), { return Module.brimtAudio && Module.brimtAudio.ready() ? 1 : 0; });
EM_JS(int, brimt_audio_start, (int silent),
      { return Module.brimtAudio ? Module.brimtAudio.start(!!silent) : 0; });
EM_JS(double, brimt_audio_seconds, (), { return Module.brimtAudio ? Module.brimtAudio.seconds() : 0; });
EM_JS(void, brimt_audio_stop, (), {
    if (Module.brimtAudio) Module.brimtAudio.stop();
});

namespace {
// The one module there is: its handle only says "loaded".
MusicModule* const kModule = reinterpret_cast<MusicModule*>(1);
} // namespace

bool WebMusicLibrary::Init()
{
    return noSoundDevice || silent || brimt_audio_ready() != 0;
}

void WebMusicLibrary::SetOption(int option, int value)
{
    if (option == kMusicOptionNoSoundDevice) noSoundDevice = value == 1;
}

ModuleHandle WebMusicLibrary::LoadModule(const char* file)
{
    if (file == nullptr) return nullptr;
    std::string path = file;
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
    loaded = timeline.Load((path + ".timeline").c_str());
    return loaded ? kModule : nullptr;
}

PlayHandle WebMusicLibrary::PlayModule(ModuleHandle module, bool /*loopSong: the sound ends with the show*/)
{
    if (module != kModule || !loaded) return 0;
    ++playHandle;
    if (playHandle == 0) playHandle = 1;
    return playHandle;
}

bool WebMusicLibrary::StartBackgroundPlay(int /*rate*/)
{
    if (playHandle == 0) return false;
    playing = true;
    return brimt_audio_start(silent || noSoundDevice ? 1 : 0) != 0;
}

double WebMusicLibrary::HeardSeconds() const
{
    return playing ? brimt_audio_seconds() : 0.0;
}

PlayStatus WebMusicLibrary::StatusAtSample(std::int64_t sample) const
{
    return timeline.StatusAt(sample);
}

bool WebMusicLibrary::GetPlayStatus(PlayHandle play, PlayStatus* out)
{
    if (out == nullptr || play == 0 || play != playHandle || !loaded) return false;
    const auto sample = static_cast<std::int64_t>(std::floor(HeardSeconds() * timeline.Rate()));
    *out = timeline.StatusAt(sample);
    return true;
}

void WebMusicLibrary::StopBackgroundPlay()
{
    if (playing) brimt_audio_stop();
    playing = false;
}

void WebMusicLibrary::StopModule(PlayHandle play)
{
    if (play == playHandle) StopBackgroundPlay();
}

void WebMusicLibrary::FreeModule(ModuleHandle module)
{
    if (module == kModule) loaded = false;
}

void WebMusicLibrary::Close()
{
    StopBackgroundPlay();
}
