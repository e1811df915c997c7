// platform/songrenderer.h -- the song rendered offline: a music library whose song moves only when told.
//
// What:   a MusicLibrary on libopenmpt with no sound output and no thread. After PlayModule the song
//         stands at its start; RenderTo moves it on to a given sample frame and hands back the audio
//         it rendered on the way, and GetPlayStatus reports where the song is at that frame. A caller
//         that steps it once per picture (frame k of a film to k / fps seconds) gets the picture and
//         the sound in step to the sample, as fast as it can render them, and the same every time.
// Needs:  libopenmpt. Nothing of SDL: it works without a sound card or a display.
// Limits: one song plays at a time; everything runs on the caller's thread.
#pragma once

#include "music.h"

#include <cstdint>
#include <memory>
#include <vector>

class SongRenderer : public MusicLibrary {
public:
    static constexpr int kSampleRate = 48000; // sample frames per second; two channels, interleaved

    // Moves the playing song on to `frame` sample frames after its start and appends the audio of the
    // way there, samples [previous frame, frame), to *audio (two floats per frame, left then right,
    // nominally -1 to 1). The status is then that of sample `frame`, the one heard at that moment
    // (a row that starts exactly there is already playing). A frame at or before the current one
    // renders nothing. Past the end of a song played once, and with no song playing, the audio is
    // silence and the status stays where it was.
    virtual void RenderTo(std::int64_t frame, std::vector<float>* audio) = 0;
    // Sample frames rendered since PlayModule.
    virtual std::int64_t RenderedFrames() const = 0;
    // Where the playing song is now (what GetPlayStatus reports); all zero before PlayModule.
    virtual PlayStatus Status() const = 0;
};

// Seconds from the start of the module `file` to the first time its order list reaches `position`
// (played once, from the start); negative when the file is no module or never gets there.
double SongSecondsToPosition(const char* file, int position);

// The libopenmpt one. Startup and Init always succeed; SetOption and StartBackgroundPlay do nothing.
std::unique_ptr<SongRenderer> CreateSongRenderer();
