// platform/songtimeline.h -- a song's timeline file read back: the play status at any sample of its sound.
//
// The file (written by tools/webmusic/songtimeline) lists the status from each sample on where it
// changes; the sound it goes with is `samples` sample frames long at `rate` per second. The browser's
// music library reads the status here at the audio clock's sample instead of asking a player.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "music.h"

class SongTimeline {
public:
    // Reads the file at `path`. False, with the timeline left empty, when the file is missing, is not
    // a timeline, its samples do not rise from 0, or a line is cut short.
    bool Load(const char* path);
    // The same from the file's text.
    bool Parse(const std::string& text);

    // The status at sample `sample` (the last change at or before it; the first status before 0,
    // the last one past the end). All zero for an empty timeline.
    PlayStatus StatusAt(std::int64_t sample) const;

    int Rate() const { return rate; }                // sample frames per second
    std::int64_t Samples() const { return samples; } // length of the sound
    std::size_t Changes() const { return changes.size(); }
    bool Empty() const { return changes.empty(); }

private:
    struct Change {
        std::int64_t sample;
        PlayStatus status;
    };
    std::vector<Change> changes;
    int rate = 0;
    std::int64_t samples = 0;
};
