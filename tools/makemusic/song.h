// tools/makemusic/song.h -- "Pkfloyd", the show's song: a D minor groove in thirteen positions.
//
// Four rows a beat, 6 ticks a row at 96 BPM: a 4/4 bar of 16 rows lasts 2.5 s. The show follows the
// positions, and several of its animations move by a fixed step a frame or run on show time, so the
// positions are cut and timed to what the scenes do at 60 frames a second:
//   0    intro, 32 rows (5 s): the first card fades in over 3 s;
//   1    64 rows (10 s), the kick on every row that is a multiple of 8 (the sphere spikes on it),
//        its last rows held so that the hammers start in step with their swing;
//   2-4  the hammers, at a beat of pi/4 s (11 ticks a row at 140 BPM), 12, 28 and 4 rows (8.6 s):
//        one of each pair strikes on every beat, the kick with it;
//   5-6  chorus, 64 rows (10.5 s) each at 94 BPM, the kick on every beat (rows that are multiples of
//        4): the faces change on it; the beat rows there are short (44 ms), the beat as long as
//        elsewhere; the last rows held so that the greetings start in step with the cloud's turn;
//   7-9  breakdown and two choruses, 32, 64 and 64 rows at a bar of 2.25 s (9 ticks a row at 160
//        BPM), the particle cloud spinning and facing the viewer on every bar's first beat;
//   10   the last chord, 8 rows at 140 BPM (0.86 s): the cloud flies past the viewer while the chord
//        dies away, and the show ends on the half-faded card;
//   11-12 one row of silence each, 10 ms and 60 ms (the show ends at 12, which every frame rate sees).
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
constexpr int kPatternRows = 64; // the choruses and the intro's theme: four bars
constexpr int kBarRows = 16;
constexpr int kIntroRows = 32;     // position 0: two bars
constexpr int kGrooveRows = 12;    // position 2: three beats
constexpr int kVerseRows = 28;     // position 3: seven beats
constexpr int kTurnRows = 4;       // position 4: one beat
constexpr int kBreakdownRows = 32; // position 7: two bars
constexpr int kEndingRows = 8;     // position 10
constexpr int kEndingBpm = 140;    // position 10: 8 rows in 0.86 s
constexpr int kSilenceRows = 1;    // positions 11 and 12
// Positions 2-4: 11 ticks a row at 140 BPM, a beat of 0.7857 s: within 0.3 ms of half the hammers'
// swing (pi/2 s), so that a hammer strikes on every beat.
constexpr int kHammerSpeed = 11;
constexpr int kHammerBpm = 140;
constexpr double kSwingPeriod = 1.5707963267948966; // s: the hammers swing as sin(4 t)
constexpr double kStrikePhase = kSwingPeriod / 4.0; // s: sin(4 t) is at its height at pi/8
// Positions 7-9: 9 ticks a row at 160 BPM, a bar of exactly 2.25 s: the time the cloud, spinning at
// 80 degrees a second, takes to turn from facing the viewer to facing it again.
constexpr int kGreetsSpeed = 9;
constexpr int kGreetsBpm = 160;
constexpr double kCloudTurn = 2.25;
// Positions 5-6 a touch slower than the intro: the faces last about 20 s, and the greetings that
// follow start in step with the cloud after a hold of a fifth of a second.
constexpr int kFacesBpm = 94;
// Ticks of the four rows of a beat at positions 5 and 6: a short beat row, then the rest. The beat row's
// one tick is played at kFacesBeatRowBpm, the others at kFacesBpm: 44 ms, just longer than a frame at
// 24 a second (so that no frame rate misses a face change), and no longer, since the new face stands
// still while it lasts.
constexpr std::uint8_t kFacesBeatTicks[kRowsPerBeat] = {1, 11, 6, 6};
constexpr int kFacesBeatRowBpm = 57;

// The whole song, the same bytes on every run.
xm::Module Compose();

} // namespace song
