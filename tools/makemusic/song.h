// tools/makemusic/song.h -- "Pkfloyd", the show's song: a D minor groove at 96 BPM in thirteen positions.
//
// Four rows a beat, 6 ticks a row at 96 BPM: a 4/4 bar of 16 rows lasts 2.5 s. The show follows the
// positions, and several of its animations move by a fixed step a frame, so the positions' lengths
// are set by what the scenes do at 60 frames a second:
//   0-1  intro, 64 rows (10 s) each; from position 1 the kick falls on every row that is a multiple
//        of 8;
//   2-4  groove, verse and a turn into the chorus, 16, 32 and 12 rows (9.4 s in all): the nail is in
//        sight from the first frame to about 2.9 s, the hammer grid from about 2.4 s to 9.3 s, and
//        the scene ends just after;
//   5-6  chorus, 96 rows (15 s) each, the kick on every beat (rows that are multiples of 4): the
//        faces change on it; the beat rows there are short (2 ticks), the beat as long as elsewhere;
//   7-9  breakdown and two last choruses, 64 rows each, the particle cloud spinning;
//   10   the last chord, 12 rows at 105 BPM (1.71 s): the cloud flies past the viewer in 1.68 s
//        while the chord dies away;
//   11-12 a short silence, 4 rows (0.57 s) (the show ends at 12).
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
constexpr int kPatternRows = 64; // most positions: four bars
constexpr int kBarRows = 16;
constexpr int kLongChorusRows = 96; // positions 5-6: six bars
constexpr int kTurnRows = 12;       // position 4: three beats
constexpr int kEndingRows = 12;     // position 10: three beats
constexpr int kEndingBpm = 105;     // position 10 on
constexpr int kSilenceRows = 4;     // positions 11 and 12: one beat
// Ticks of the four rows of a beat at positions 5 and 6: a short beat row, then the rest.
constexpr std::uint8_t kFacesBeatTicks[kRowsPerBeat] = {2, 10, 6, 6};

// The whole song, the same bytes on every run.
xm::Module Compose();

} // namespace song
