// platform/music.h -- the song: load a tracker module, play it in the background, report where it is.
//
// What:   the eleven operations the program makes on its music library, as one small interface, and
//         the play status record the show reads once per frame.
// Needs:  CreateMusicLibrary() gives the real one (libopenmpt for XM playback, SDL2 audio for output);
//         tests pass their own MusicLibrary.
// Limits: all calls come from the GUI thread; playback runs on its own thread after
//         StartBackgroundPlay and is only read through GetPlayStatus.
#pragma once

#include <cstdint>
#include <memory>

// Where the song is, as heard now. Five 32-bit members, in this order.
struct PlayStatus {
    std::uint32_t songPosition = 0; // position in the song's order list
    std::uint32_t pattern = 0;      // pattern being played
    std::uint32_t row = 0;          // row within the pattern
    std::int32_t syncValue = 0;     // synchronisation value (not used by the show)
    std::uint32_t loopCount = 0;    // times the song has looped
};

struct MusicModule; // a loaded module, opaque outside the library
using ModuleHandle = MusicModule*;
using PlayHandle = std::uint32_t;

// Option number for SetOption: with value 1, the next Init succeeds without a sound device and the
// song advances silently in real time.
constexpr int kMusicOptionNoSoundDevice = 13;

class MusicLibrary {
public:
    virtual ~MusicLibrary() = default;

    virtual bool Startup() = 0;                            // false: no library (start-up failure 3)
    virtual bool Init() = 0;                               // opens the sound output; false: none
    virtual void SetOption(int option, int value) = 0;     // see kMusicOptionNoSoundDevice
    virtual ModuleHandle LoadModule(const char* file) = 0; // null for a missing or unreadable file
    virtual PlayHandle PlayModule(ModuleHandle module, bool loopSong) = 0;
    virtual bool StartBackgroundPlay(int rate) = 0; // rate: timer calls per second when silent
    virtual bool GetPlayStatus(PlayHandle play, PlayStatus* out) = 0; // what is heard now, not queued
    virtual void StopBackgroundPlay() = 0;
    virtual void StopModule(PlayHandle play) = 0;
    virtual void FreeModule(ModuleHandle module) = 0;
    virtual void Close() = 0; // closes the sound output; safe after a failed Init
};

// The real library: libopenmpt renders the module, SDL2 audio plays it (48 kHz stereo).
std::unique_ptr<MusicLibrary> CreateMusicLibrary();
