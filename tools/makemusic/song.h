// tools/makemusic/song.h -- "Pkfloyd", the show's song: a D minor groove at 96 BPM in thirteen positions.
//
// Every position but the last two is one 64-row pattern of four 4/4 bars (4 rows a beat, 6 ticks a
// row at 96 BPM: 10 s). The show follows the positions: 0-1 intro (from position 1 the kick falls
// on every row that is a multiple of 8), 2-4 groove and verse, 5-6 chorus with the kick on every
// beat (rows that are multiples of 4), 7-10 breakdown, two last choruses and the outro, which
// fades out to silence over position 10; 11 and 12 are a short silence (the show ends at 12).
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
constexpr int kPatternRows = 64;
constexpr int kSilenceRows = 16;

// The whole song, the same bytes on every run.
xm::Module Compose();

} // namespace song
