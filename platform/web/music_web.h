// platform/web/music_web.h -- the song in a browser: the sound rendered at build time, played by WebAudio,
// and its play status read from the song's timeline at the audio clock.
//
// What:   a MusicLibrary whose LoadModule takes a module's name ("DATA/Pkfloyd.xm") and reads the
//         timeline beside it ("DATA/Pkfloyd.timeline"); the page (web/brimt.js) has fetched and
//         decoded the sound ("Pkfloyd.ogg") before the show starts. GetPlayStatus is the timeline's
//         status at the sample being heard. The audio clock is the show's clock: HeardSeconds.
// Needs:  the page's audio functions (Module.brimtAudio); no libopenmpt in the page.
// Limits: one song at a time; the sound ends where the show ends (position 12, plus a second).
#pragma once

#include "platform/music.h"
#include "platform/songtimeline.h"

class WebMusicLibrary final : public MusicLibrary {
public:
    bool Startup() override { return true; }
    // False when the page has no audio output (no AudioContext, or no decoded sound).
    bool Init() override;
    // kMusicOptionNoSoundDevice, 1: the next Init succeeds without sound; the clock is then the page's
    // own (performance.now) from StartBackgroundPlay on.
    void SetOption(int option, int value) override;
    // Null when the timeline beside `file` is missing or bad.
    ModuleHandle LoadModule(const char* file) override;
    PlayHandle PlayModule(ModuleHandle module, bool loopSong) override;
    bool StartBackgroundPlay(int rate) override;
    bool GetPlayStatus(PlayHandle play, PlayStatus* out) override;
    void StopBackgroundPlay() override;
    void StopModule(PlayHandle play) override;
    void FreeModule(ModuleHandle module) override;
    void Close() override;

    // Seconds of the song heard since StartBackgroundPlay (0 before it and after the stop).
    double HeardSeconds() const;
    // The loaded song's status at sample `sample` of its sound.
    PlayStatus StatusAtSample(std::int64_t sample) const;
    const SongTimeline& Timeline() const { return timeline; }
    // True: play no sound even where there is some (the test mode's frames need only the timeline).
    bool silent = false;

private:
    SongTimeline timeline;
    bool loaded = false;
    bool noSoundDevice = false;
    bool playing = false;
    PlayHandle playHandle = 0;
};
