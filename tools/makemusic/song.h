// tools/makemusic/song.h -- "Pkfloyd", the show's song: a D minor groove at 96 BPM in thirteen positions.
//
// Four rows a beat, 6 ticks a row at 96 BPM: a 4/4 bar of 16 rows lasts 2.5 s. The show follows the
// positions, so their lengths are set by the scenes:
//   0-1  intro, 64 rows (10 s) each; from position 1 the kick falls on every row that is a multiple
//        of 8;
//   2-4  groove and verse, 32 rows (5 s) each: the hammers cross the picture only for a few seconds,
//        so the build is short, its chords changing every half bar;
//   5-6  chorus, 96 rows (15 s) each, the kick on every beat (rows that are multiples of 4): the
//        faces change on it;
//   7-10 breakdown, two last choruses and the outro, 64 rows each; the outro fades out to silence
//        over position 10;
//   11-12 a short silence (the show ends at 12).
#pragma once

#include "xmwriter.h"

namespace song {

constexpr int kChannels = 8;
enum Channel {
    kKickChannel,
    kSnareChannel,
    kHatChannel,
    kBassChannel,
    kPadA,
    kPadB,
    kBellChannel,
    kLeadChannel
};

constexpr int kSpeed = 6; // ticks per row
constexpr int kBpm = 96;
constexpr int kRowsPerBeat = 4;
constexpr int kPatternRows = 64;    // most positions: four bars
constexpr int kBuildRows = 32;      // positions 2-4: two bars
constexpr int kLongChorusRows = 96; // positions 5-6: six bars
constexpr int kSilenceRows = 16;

// The whole song, the same bytes on every run.
xm::Module Compose();

} // namespace song
