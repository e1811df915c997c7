// tools/makemusic/song.cpp -- the song's patterns: drum grooves, bass lines, chord pads, arpeggios and
// melody.
#include "song.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "instruments.h"

namespace song {

namespace {

using xm::Note;

constexpr int kHalfBarRows = kBarRows / 2;

// A chord: the pad plays `pad` (its root, C-2 to F-3), the bass `bass`, arpeggios start on `bell`.
struct Chord {
    const char* pad;
    const char* bass;
    const char* bell;
    bool minor;
};

const Chord kDm{"D-3", "D-2", "D-4", true};
const Chord kBb{"Bb2", "Bb1", "Bb3", false};
const Chord kF{"F-3", "F-2", "F-4", false};
const Chord kC{"C-3", "C-2", "C-4", false};
const Chord kGm{"G-2", "G-1", "G-3", true};
const Chord kA{"A-2", "A-1", "A-3", false};

bool Same(const Chord& a, const Chord& b)
{
    return std::string(a.pad) == b.pad && a.minor == b.minor;
}

// Tones of the chord over its root, in semitones, low to high: a minor seventh or a major add-nine
// (no sevenths on major chords: the key has none that fit them all).
int ChordTone(const Chord& c, int index)
{
    static const int kMinor[] = {0, 3, 7, 10, 12, 15, 19, 22, 24};
    static const int kMajor[] = {0, 4, 7, 12, 14, 16, 19, 24, 26};
    return c.minor ? kMinor[index] : kMajor[index];
}

std::uint8_t Transpose(const char* name, int semitones)
{
    return static_cast<std::uint8_t>(Note(name) + semitones);
}

// One melody note: bar (0-5), row in the bar, note name, length in rows; `slide` glides into it
// from the note before.
struct Tone {
    int bar;
    int row;
    const char* note;
    int length;
    bool slide = false;
};

class Part {
public:
    explicit Part(int rows = kPatternRows) : pattern(rows, kChannels) {}

    void Play(int row, int channel, std::uint8_t note, std::uint8_t instrument, int volume)
    {
        xm::Cell& c = pattern.At(row, channel);
        c.note = note;
        c.instrument = instrument;
        c.volume = xm::SetVolume(volume);
    }
    void Release(int row, int channel)
    {
        xm::Cell& c = pattern.At(row, channel);
        if (c.note == xm::kNoNote) c.note = xm::kNoteOff;
    }
    void Effect(int row, int channel, std::uint8_t effect, std::uint8_t param)
    {
        xm::Cell& c = pattern.At(row, channel);
        c.effect = effect;
        c.param = param;
    }
    bool Free(int row, int channel) const { return pattern.At(row, channel).note == xm::kNoNote; }

    // A drum line of one bar, one character a row: 'X' accent, 'x' normal, 'g' ghost, '.' rest;
    // on the hat channel 'o' / 'O' play the open hat and 'C' the crash.
    void Drums(int bar, int channel, std::uint8_t instrument, const char* line, int loud, int normal,
               int ghost)
    {
        for (int i = 0; i < kBarRows && line[i] != '\0'; ++i) {
            const int row = bar * kBarRows + i;
            switch (line[i]) {
            case 'X':
                Play(row, channel, Note("C-4"), instrument, loud);
                break;
            case 'x':
                Play(row, channel, Note("C-4"), instrument, normal);
                break;
            case 'g':
                Play(row, channel, Note("C-4"), instrument, ghost);
                break;
            case 'o':
                Play(row, channel, Note("C-4"), kOpenHat, normal);
                break;
            case 'O':
                Play(row, channel, Note("C-4"), kOpenHat, loud);
                break;
            case 'C':
                Play(row, channel, Note("C-4"), kCrash, loud);
                break;
            default:
                break;
            }
        }
    }

    // The same drum line in every bar.
    void DrumsAllBars(int channel, std::uint8_t instrument, const char* line, int loud, int normal, int ghost)
    {
        for (int bar = 0; bar < pattern.Rows() / kBarRows; ++bar)
            Drums(bar, channel, instrument, line, loud, normal, ghost);
    }

    // A bass line for one bar over `chord`: each step is (row, semitones over the root, length).
    struct Step {
        int row;
        int interval;
        int length;
    };
    void BassBar(int bar, const Chord& chord, const std::vector<Step>& steps, int volume)
    {
        BassBar(bar, chord, chord, steps, volume);
    }
    // The same over a bar whose harmony moves from `chord` to `half` at its middle (row 8).
    void BassBar(int bar, const Chord& chord, const Chord& half, const std::vector<Step>& steps, int volume)
    {
        for (const Step& s : steps) {
            const int row = bar * kBarRows + s.row;
            const Chord& now = s.row < kHalfBarRows ? chord : half;
            Play(row, kBassChannel, Transpose(now.bass, s.interval), kBass, volume);
        }
        for (const Step& s : steps) {
            const int end = bar * kBarRows + s.row + s.length;
            if (end < pattern.Rows() && Free(end, kBassChannel)) Release(end, kBassChannel);
        }
    }

    // Arpeggio over one bar: `rhythm` marks the rows ('X' accent, 'x' note), `order` picks the
    // chord tones in turn; the bell moves between left and right.
    void Arpeggio(int bar, const Chord& chord, const char* rhythm, const std::vector<int>& order, int volume)
    {
        Arpeggio(bar, chord, chord, rhythm, order, volume);
    }
    // The same over a bar whose harmony moves from `chord` to `half` at its middle: the figure runs
    // on through the change, its tones taken from the chord that sounds.
    void Arpeggio(int bar, const Chord& chord, const Chord& half, const char* rhythm,
                  const std::vector<int>& order, int volume)
    {
        std::size_t next = 0;
        for (int i = 0; i < kBarRows && rhythm[i] != '\0'; ++i) {
            if (rhythm[i] != 'x' && rhythm[i] != 'X') continue;
            const int row = bar * kBarRows + i;
            const Chord& now = i < kHalfBarRows ? chord : half;
            const int tone = ChordTone(now, order[next % order.size()]);
            Play(row, kBellChannel, Transpose(now.bell, tone), kBell, rhythm[i] == 'X' ? volume + 8 : volume);
            Effect(row, kBellChannel, xm::kSetPanning, next % 2 == 0 ? 0x50 : 0xB0);
            ++next;
        }
    }

    void Melody(const std::vector<Tone>& tones, int volume)
    {
        for (const Tone& t : tones) {
            const int row = t.bar * kBarRows + t.row;
            if (t.slide) {
                xm::Cell& c = pattern.At(row, kLeadChannel);
                c.note = Note(t.note);
                c.volume = xm::SetVolume(volume);
                c.effect = xm::kTonePorta;
                c.param = 0x08; // half a semitone a tick
            } else {
                Play(row, kLeadChannel, Note(t.note), kLead, volume);
            }
        }
        for (const Tone& t : tones) {
            const int end = t.bar * kBarRows + t.row + t.length;
            if (end < pattern.Rows() && Free(end, kLeadChannel)) Release(end, kLeadChannel);
        }
    }

    xm::Pattern pattern;
};

class Composer {
public:
    xm::Module Build();

private:
    // Chord pads, one chord every `rows` rows (a bar unless told), crossfading between two channels:
    // a new chord starts on the channel that is free while the old one is released on the other,
    // panned apart.
    void Pads(Part& part, const std::vector<Chord>& chords, int volume, int rows = kBarRows);

    Part Intro();
    Part IntroTheme();
    Part Groove();
    Part Verse();
    Part Turn();
    Part Chorus(int which);
    Part Breakdown();
    Part Ending();
    Part Silence(int ticks, int bpm);

    int padChannel = kPadB; // the channel of the chord that sounds now
    bool padPlaying = false;
    Chord padChord{}; // the chord that sounds now, when padPlaying
};

void Composer::Pads(Part& part, const std::vector<Chord>& chords, int volume, int rows)
{
    for (std::size_t k = 0; k < chords.size(); ++k) {
        const Chord& chord = chords[k];
        if (padPlaying && Same(padChord, chord)) continue; // held over the change
        const int row = static_cast<int>(k) * rows;
        part.Release(row, padChannel);
        padChannel = padChannel == kPadA ? kPadB : kPadA;
        part.Play(row, padChannel, Note(chord.pad), chord.minor ? kPadMinor : kPadMajor, volume);
        part.Effect(row, padChannel, xm::kSetPanning, padChannel == kPadA ? 0x58 : 0xA8);
        padChord = chord;
        padPlaying = true;
    }
}

// The grooves' bass: a syncopated line around the root with octave and fifth jumps.
const std::vector<Part::Step> kGrooveBass = {{0, 0, 3}, {3, 0, 2},  {6, 12, 2},
                                             {8, 0, 3}, {11, 7, 2}, {14, 12, 2}};
// The chorus bass: eighth notes leaping octaves, pumping with the four-on-the-floor kick.
const std::vector<Part::Step> kChorusBass = {{0, 0, 2}, {2, 12, 2},  {4, 0, 2},  {6, 12, 2},
                                             {8, 0, 2}, {10, 12, 2}, {12, 0, 2}, {14, 12, 2}};
const std::vector<int> kArpUp = {0, 2, 4, 5, 6, 5, 4, 2};
const std::vector<int> kArpWide = {4, 2, 0, 2, 5, 3, 6, 3};
const std::vector<int> kRiff = {4, 6, 5, 2, 3, 4};

// The chorus melodies over Bb C Dm A, one for the first chorus of a pair and one for the second;
// `slides` glides into some long notes.
std::vector<Tone> ChorusMelody(bool second, bool slides)
{
    if (!second) {
        return {
            {0, 0, "F-5", 8}, {0, 8, "D-5", 4},  {0, 12, "F-5", 4}, {1, 0, "G-5", 8, slides},
            {1, 8, "E-5", 4}, {1, 12, "C-5", 4}, {2, 0, "A-5", 6},  {2, 6, "G-5", 2},
            {2, 8, "F-5", 4}, {2, 12, "E-5", 2}, {2, 14, "D-5", 2}, {3, 0, "E-5", 8, slides},
            {3, 8, "C#5", 4}, {3, 12, "E-5", 3},
        };
    }
    return {
        {0, 0, "F-5", 6}, {0, 6, "G-5", 2},         {0, 8, "F-5", 4},  {0, 12, "D-5", 4},
        {1, 0, "E-5", 6}, {1, 6, "F-5", 2},         {1, 8, "G-5", 4},  {1, 12, "C-6", 4, slides},
        {2, 0, "A-5", 8}, {2, 8, "D-6", 4, slides}, {2, 12, "A-5", 4}, {3, 0, "A-5", 6},
        {3, 6, "G-5", 2}, {3, 8, "E-5", 4},         {3, 12, "C#5", 3},
    };
}

// Position 0: the chords alone and a bell counting in, two bars; the hats creep in and the bell
// doubles its pace in the second bar, so that the ear hears the show gather while the first card
// stands.
Part Composer::Intro()
{
    Part part(kIntroRows);
    // Full volume, speed and tempo again when the song loops.
    part.Effect(0, kKickChannel, xm::kSetGlobalVolume, 64);
    part.Effect(0, kSnareChannel, xm::kSetSpeed, kSpeed);
    part.Effect(0, kHatChannel, xm::kSetSpeed, kBpm);
    Pads(part, {kDm, kBb}, 46);
    part.Arpeggio(0, kDm, "x...x...x.x.x.x.", kArpUp, 26);
    part.Arpeggio(1, kBb, "x.x.x.x.xxxxxxxx", kArpWide, 30);
    part.BassBar(0, kDm, {{0, 0, 16}}, 30);
    part.BassBar(1, kBb, {{0, 0, 16}}, 32);
    part.Drums(1, kHatChannel, kClosedHat, "..g...g.g.gggggg", 30, 22, 14);
    part.Drums(1, kSnareChannel, kSnare, "............gggx", 40, 30, 18);
    return part;
}

// Position 1: the kick on every strong beat (rows 0 and 8 of each bar), long bass notes, the
// melody's theme for the first time, and a snare roll into the groove.
Part Composer::IntroTheme()
{
    Part part;
    part.Drums(0, kSnareChannel, kCrash, "C...............", 40, 40, 40);
    part.DrumsAllBars(kKickChannel, kKick, "X.......X.......", 60, 52, 30);
    part.Drums(0, kHatChannel, kClosedHat, "..g...g...g...g.", 30, 22, 16);
    part.Drums(1, kHatChannel, kClosedHat, "..g...g...g...g.", 30, 22, 16);
    part.Drums(2, kHatChannel, kClosedHat, "..x...x...x...x.", 30, 22, 16);
    part.Drums(3, kHatChannel, kClosedHat, "..x...x...x...o.", 30, 24, 16);
    part.Drums(3, kSnareChannel, kSnare, "........g.g.xxXX", 48, 36, 22);
    const std::vector<Chord> chords = {kDm, kBb, kF, kC};
    Pads(part, chords, 42);
    for (int bar = 0; bar < 4; ++bar) {
        part.BassBar(bar, chords[static_cast<std::size_t>(bar)],
                     {{0, 0, 6}, {6, 0, 2}, {8, 0, 6}, {14, 7, 2}}, 44);
        part.Arpeggio(bar, chords[static_cast<std::size_t>(bar)], "x.x.x.x.x.x.x.x.", kArpUp, 26);
    }
    part.Melody({{0, 0, "A-4", 12},
                 {0, 12, "G-4", 4},
                 {1, 0, "F-4", 8},
                 {1, 8, "D-4", 8},
                 {2, 0, "C-5", 12},
                 {2, 12, "A#4", 2},
                 {2, 14, "A-4", 2},
                 {3, 0, "G-4", 12}},
                40);
    return part;
}

// The hammers' beat: every beat is a strike of one of the hammers of a pair, so the kick falls on
// every beat and the bell rings a high anvil note on it, alternating between two pitches as the two
// hammers take turns.
void AnvilBeats(Part& part, int rows, int volume)
{
    for (int row = 0; row < rows; row += kRowsPerBeat) {
        const bool first = (row / kRowsPerBeat) % 2 == 0;
        part.Play(row, kBellChannel, Note(first ? "D-6" : "A-5"), kBell, volume);
        part.Effect(row, kBellChannel, xm::kSetPanning, first ? 0x60 : 0xA0);
    }
}

// Position 2: the hammers come in: a heavier, slower stomp, the kick on every beat under the
// strikes, three beats with a chord every half bar (Dm Bb) and a fill into the verse.
Part Composer::Groove()
{
    Part part(kGrooveRows);
    part.Effect(0, kKickChannel, xm::kSetSpeed, kHammerSpeed);
    part.Effect(0, kHatChannel, xm::kSetSpeed, kHammerBpm);
    part.Drums(0, kSnareChannel, kCrash, "C...............", 50, 50, 50);
    const std::vector<Chord> chords = {kDm, kBb};
    part.Drums(0, kKickChannel, kKick, "X...X...X.x.", 60, 50, 30);
    part.Drums(0, kSnareChannel, kSnare, "....X...XgXX", 50, 40, 16);
    part.Drums(0, kHatChannel, kClosedHat, "XgxgXgxgXgog", 34, 24, 14);
    part.BassBar(0, kDm, kBb, {{0, 0, 3}, {3, 0, 2}, {6, 12, 2}, {8, 0, 3}, {11, 7, 1}}, 50);
    AnvilBeats(part, kGrooveRows, 30);
    Pads(part, chords, 34, kHalfBarRows);
    return part;
}

// Position 3: the verse melody over the stomp, two bars with a chord every half bar (Dm Bb | F C),
// the second cut short by a beat as the grid leaves the picture.
Part Composer::Verse()
{
    Part part(kVerseRows);
    const std::vector<Chord> chords = {kDm, kBb, kF, kC};
    for (int bar = 0; bar < 2; ++bar) {
        const Chord& first = chords[static_cast<std::size_t>(2 * bar)];
        const Chord& half = chords[static_cast<std::size_t>(2 * bar + 1)];
        const bool cut = bar == 1; // three beats, into the turn
        part.Drums(bar, kKickChannel, kKick, cut ? "X...X.x.X..." : "X...X.x.X...X.x.", 60, 50, 30);
        part.Drums(bar, kSnareChannel, kSnare, cut ? "....X..g.gXX" : "....X..g....X..g", 50, 40, 16);
        part.Drums(bar, kHatChannel, kClosedHat, cut ? "XgxgXgxgXgxg" : "XgxgXgxgXgxgXgxg", 32, 22, 12);
        std::vector<Part::Step> bass;
        for (const Part::Step& step : kGrooveBass) {
            if (!cut || step.row < kVerseRows - kBarRows) bass.push_back(step);
        }
        part.BassBar(bar, first, half, bass, 48);
    }
    AnvilBeats(part, kVerseRows, 28);
    Pads(part, chords, 32, kHalfBarRows);
    // Half a bar a chord: each phrase leans on a chord tone and steps down into the next change.
    part.Melody({{0, 0, "A-4", 3},
                 {0, 3, "F-4", 1},
                 {0, 4, "D-5", 4},
                 {0, 8, "A#4", 4},
                 {0, 12, "A-4", 2},
                 {0, 14, "G-4", 2},
                 {1, 0, "A-4", 3},
                 {1, 3, "C-5", 1},
                 {1, 4, "F-5", 4},
                 {1, 8, "E-5", 4}},
                46);
    return part;
}

// Position 4: the turn into the chorus, one beat on A under a snare roll, as the grid leaves.
Part Composer::Turn()
{
    Part part(kTurnRows);
    part.Drums(0, kKickChannel, kKick, "X...", 60, 50, 30);
    part.Drums(0, kSnareChannel, kSnare, "XxXX", 52, 42, 16);
    part.Drums(0, kHatChannel, kClosedHat, "X.x.", 32, 22, 14);
    part.BassBar(0, kA, {{0, 0, 4}}, 46);
    AnvilBeats(part, kTurnRows, 30);
    Pads(part, {kA}, 32, kTurnRows);
    part.Melody({{0, 0, "C#5", 2}, {0, 2, "E-5", 2}}, 46);
    return part;
}

// Positions 5, 6, 8 and 9: the chorus, four bars over Bb C Dm A, the kick on every beat (rows that
// are multiples of 4): under the faces (5 and 6) each face changes on it; under the greetings (8 and
// 9) the crash and an accented kick mark every bar's first beat, when the spinning cloud faces the
// viewer.
//
// Under the faces each beat's rows take 1, 11, 6 and 6 ticks instead of 6 each, the beat row's tick at
// a slower tempo: the beat row, during which the new face stands faint and still, lasts 44 ms (just
// longer than a frame at 24 a second, so that no frame rate misses a face change) instead of 6 ticks
// (10 frames at 60), and every beat as long as the next. Its second sixteenth then falls 5 ticks
// early, so nothing plays on it there.
Part Composer::Chorus(int which)
{
    const bool faces = which < 2;
    Part part(kPatternRows);
    if (faces) {
        for (int row = 0; row < kPatternRows; ++row) {
            part.Effect(row, kKickChannel, xm::kSetSpeed, kFacesBeatTicks[row % kRowsPerBeat]);
            if (row % kRowsPerBeat < 2)
                part.Effect(row, kHatChannel, xm::kSetSpeed,
                            row % kRowsPerBeat == 0 ? kFacesBeatRowBpm : kFacesBpm);
        }
    }
    const std::vector<Chord> chords = {kBb, kC, kDm, kA};
    const int bars = static_cast<int>(chords.size());
    const bool last = which == 3;
    for (int bar = 0; bar < bars; ++bar) {
        const bool fill = bar == bars - 1 && (which == 1 || last);
        const bool busy = which >= 2 || bar >= 2; // sixteenths on the bell
        if (!faces || bar == 0) part.Drums(bar, kSnareChannel, kCrash, "C...............", 50, 50, 50);
        part.Drums(bar, kKickChannel, kKick, "X...x...x...x...", 62, 54, 30);
        const char* snareFill = faces ? "....X.......X.XX" : "....X.......XxXX";
        part.Drums(bar, kSnareChannel, kSnare, fill ? snareFill : "....X.......X...", 50, 40, 18);
        part.Drums(bar, kHatChannel, kClosedHat, faces ? "x.ogx.ogx.ogx.og" : "xgogxgogxgogxgog", 30, 22, 12);
        part.BassBar(bar, chords[static_cast<std::size_t>(bar)], kChorusBass, 46);
        const char* busyLine = faces ? "x.xxx.xxx.xxx.xx" : "xxxxxxxxxxxxxxxx";
        part.Arpeggio(bar, chords[static_cast<std::size_t>(bar)], busy ? busyLine : "x.x.x.x.x.x.x.x.",
                      busy ? kArpWide : kArpUp, busy ? 18 : 22);
    }
    Pads(part, chords, 36);
    const bool slides = which >= 2;
    part.Melody(ChorusMelody(which % 2 == 1, slides), 48);
    return part;
}

// Position 7: the greetings come in on a slower, wider beat: a bar lasts as long as the particle
// cloud takes to turn from facing the viewer to facing it again. The drums drop out but for a soft
// kick on each bar's first beat; pads, bass and bells carry the theme an octave up, and a snare roll
// leads into the chorus.
Part Composer::Breakdown()
{
    Part part(kBreakdownRows);
    part.Effect(0, kKickChannel, xm::kSetSpeed, kGreetsSpeed);
    part.Effect(0, kHatChannel, xm::kSetSpeed, kGreetsBpm);
    part.Drums(0, kSnareChannel, kCrash, "C...............", 44, 44, 44);
    const std::vector<Chord> chords = {kDm, kBb, kGm, kA};
    for (int bar = 0; bar < 2; ++bar) {
        const Chord& first = chords[static_cast<std::size_t>(2 * bar)];
        const Chord& half = chords[static_cast<std::size_t>(2 * bar + 1)];
        part.Drums(bar, kHatChannel, kClosedHat, "..g...g...g...g.", 24, 20, 14);
        part.BassBar(bar, first, half, {{0, 0, 7}, {8, 0, 6}, {14, 12, 2}}, 40);
        part.Arpeggio(bar, first, half, "x.x.x.x.x.x.x.x.", bar % 2 ? kArpWide : kArpUp, 30);
    }
    part.Drums(0, kKickChannel, kKick, "X...............", 50, 48, 30);
    part.Drums(1, kKickChannel, kKick, "X.......X...X.X.", 56, 48, 30);
    part.Drums(1, kSnareChannel, kSnare, "........g.g.xxXX", 48, 36, 22);
    Pads(part, chords, 48, kHalfBarRows);
    part.Melody({{0, 0, "A-5", 6},
                 {0, 6, "G-5", 2},
                 {0, 8, "F-5", 6},
                 {0, 14, "D-5", 2},
                 {1, 0, "D-5", 6},
                 {1, 6, "C-5", 2},
                 {1, 8, "A-4", 8}},
                38);
    return part;
}

// Position 10: the last chord, struck with the crash as the particle cloud flies past the viewer, and
// let die away: full for two rows, then even steps in decibels down to -40 dB on the last row. Its 8
// rows last 0.86 s: the show ends as the cloud has passed, on the greetings card half faded.
Part Composer::Ending()
{
    Part part(kEndingRows);
    part.Effect(0, kKickChannel, xm::kSetSpeed, kSpeed);
    part.Effect(0, kHatChannel, xm::kSetSpeed, kEndingBpm);
    part.Drums(0, kSnareChannel, kCrash, "C", 52, 52, 52);
    part.Drums(0, kKickChannel, kKick, "X", 60, 60, 60);
    part.BassBar(0, kDm, {{0, 0, kEndingRows}}, 46);
    Pads(part, {kDm}, 40);
    part.Arpeggio(0, kDm, "X.x.x.x.", kArpUp, 26);
    part.Melody({{0, 0, "D-5", kEndingRows}}, 44);
    constexpr int kFadeStart = 2;
    for (int row = kFadeStart; row < kEndingRows; ++row) {
        // 64 * 10^(-2 * fraction), by repeated multiplication so that it is exact everywhere.
        double level = 64.0;
        for (int i = kFadeStart; i < row; ++i)
            level *= 0.39810717; // 10^(-2 / 5)
        part.Effect(row, kHatChannel, xm::kSetGlobalVolume, static_cast<std::uint8_t>(level + 0.5));
    }
    return part;
}

// Positions 11 and 12: silence, every held note released, one row of `ticks` ticks at `bpm`. Position
// 11 is as short as the format allows (10 ms), so the show goes from the fly-past straight to its end;
// position 12, where the show quits, lasts 60 ms, longer than a frame at 24 a second, so that a frame
// always sees it before the song ends and starts again.
Part Composer::Silence(int ticks, int bpm)
{
    Part part(kSilenceRows);
    part.Effect(0, kKickChannel, xm::kSetGlobalVolume, 0);
    part.Effect(0, kSnareChannel, xm::kSetSpeed, static_cast<std::uint8_t>(ticks));
    part.Effect(0, kHatChannel, xm::kSetSpeed, static_cast<std::uint8_t>(bpm));
    for (int channel : {kBassChannel, kPadA, kPadB, kLeadChannel})
        part.Release(0, channel);
    return part;
}

// How long `pattern` plays, following its speed and tempo effects; `speed` and `bpm` are those in
// force when it starts and are left as they are at its end.
double Seconds(const xm::Pattern& pattern, int& speed, int& bpm)
{
    double seconds = 0.0;
    for (int row = 0; row < pattern.Rows(); ++row) {
        for (int channel = 0; channel < pattern.Channels(); ++channel) {
            const xm::Cell& c = pattern.At(row, channel);
            if (c.effect != xm::kSetSpeed || c.param == 0) continue;
            if (c.param < 32) {
                speed = c.param;
            } else {
                bpm = c.param;
            }
        }
        seconds += speed * 2.5 / bpm;
    }
    return seconds;
}

// Lengthens the last rows of `pattern` by whole ticks so that the next one starts as near as a tick
// allows to a time that is `phase` seconds past a multiple of `period`: a short held breath before a
// section whose beat must fall in step with an animation that runs on show time. `start` is when
// `pattern` starts; `speed` and `bpm` those in force then, and at its end every row has the speed it
// had. Adds its speed effect on the channel that already sets the speed on a row, or on the first
// channel with a free effect.
void EndInStep(xm::Pattern& pattern, double start, int speed, int bpm, double period, double phase)
{
    int endSpeed = speed, endBpm = bpm;
    const double end = start + Seconds(pattern, endSpeed, endBpm);
    const double tick = 2.5 / endBpm;
    double wait = std::fmod(phase - end, period);
    if (wait < 0.0) wait += period;
    int extra = static_cast<int>(std::lround(wait / tick));
    for (int row = pattern.Rows() - 1; row >= 0 && extra > 0; --row) {
        const int add = std::min(extra, 31 - endSpeed);
        extra -= add;
        xm::Cell* slot = nullptr;
        for (int channel = 0; channel < pattern.Channels() && slot == nullptr; ++channel) {
            xm::Cell& c = pattern.At(row, channel);
            if (c.effect == xm::kSetSpeed && c.param > 0 && c.param < 32) slot = &c;
        }
        for (int channel = 0; channel < pattern.Channels() && slot == nullptr; ++channel) {
            xm::Cell& c = pattern.At(row, channel);
            if (c.effect == 0 && c.param == 0) slot = &c;
        }
        if (slot == nullptr) throw std::logic_error("no free effect to hold a row");
        const int rowSpeed = slot->effect == xm::kSetSpeed ? slot->param : endSpeed;
        slot->effect = xm::kSetSpeed;
        slot->param = static_cast<std::uint8_t>(rowSpeed + add);
        // The row after keeps its own speed.
        if (row + 1 < pattern.Rows()) {
            bool set = false;
            for (int channel = 0; channel < pattern.Channels(); ++channel) {
                const xm::Cell& c = pattern.At(row + 1, channel);
                set = set || (c.effect == xm::kSetSpeed && c.param > 0 && c.param < 32);
            }
            for (int channel = 0; channel < pattern.Channels() && !set; ++channel) {
                xm::Cell& c = pattern.At(row + 1, channel);
                if (c.effect == 0 && c.param == 0) {
                    c.effect = xm::kSetSpeed;
                    c.param = static_cast<std::uint8_t>(rowSpeed);
                    set = true;
                }
            }
        }
    }
}

// The mixdown: each channel's volumes scaled by its gain (the parts set the dynamics within a
// channel, this the balance between them), never past full volume.
void Mix(xm::Pattern& pattern)
{
    // The whole song a touch louder, to about -14 LUFS now that its sections are shorter.
    constexpr double kMaster = 1.06;
    static const double kGain[kChannels] = {
        1.07, // kick
        1.28, // snare and crash
        1.9,  // hats
        0.68, // bass: loud below, where the ear forgives least
        1.55, // pad A
        1.55, // pad B
        1.3,  // bell
        1.2,  // lead
    };
    for (int row = 0; row < pattern.Rows(); ++row) {
        for (int channel = 0; channel < kChannels; ++channel) {
            xm::Cell& c = pattern.At(row, channel);
            if (c.volume < xm::SetVolume(0) || c.volume > xm::SetVolume(64)) continue;
            const int scaled =
                static_cast<int>((c.volume - xm::SetVolume(0)) * kGain[channel] * kMaster + 0.5);
            c.volume = xm::SetVolume(std::min(scaled, 64));
        }
    }
}

xm::Module Composer::Build()
{
    xm::Module m;
    m.name = "Pkfloyd";
    m.tracker = "Brimt makemusic";
    m.channels = kChannels;
    m.speed = kSpeed;
    m.bpm = kBpm;
    m.instruments = MakeInstruments();
    // In song order: the pads carry their state from one pattern to the next.
    m.patterns.push_back(Intro().pattern);         // 0
    m.patterns.push_back(IntroTheme().pattern);    // 1
    m.patterns.push_back(Groove().pattern);        // 2
    m.patterns.push_back(Verse().pattern);         // 3
    m.patterns.push_back(Turn().pattern);          // 4
    m.patterns.push_back(Chorus(0).pattern);       // 5
    m.patterns.push_back(Chorus(1).pattern);       // 6
    m.patterns.push_back(Breakdown().pattern);     // 7
    m.patterns.push_back(Chorus(2).pattern);       // 8
    m.patterns.push_back(Chorus(3).pattern);       // 9
    m.patterns.push_back(Ending().pattern);        // 10
    m.patterns.push_back(Silence(1, 255).pattern); // 11
    m.patterns.push_back(Silence(3, 125).pattern); // 12
    for (xm::Pattern& p : m.patterns)
        Mix(p);
    // The hammers strike on every beat and the cloud faces the viewer on every bar's first beat
    // only if their positions start in step with show time: the intro's and the faces' last rows
    // are held a little longer.
    double start = 0.0;
    int speed = kSpeed, bpm = kBpm;
    for (std::size_t p = 0; p < m.patterns.size(); ++p) {
        if (p == 1) EndInStep(m.patterns[p], start, speed, bpm, kSwingPeriod / 2.0, kStrikePhase);
        if (p == 6) EndInStep(m.patterns[p], start, speed, bpm, kCloudTurn, 0.0);
        start += Seconds(m.patterns[p], speed, bpm);
    }
    m.orders = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    m.restartPosition = 0;
    return m;
}

} // namespace

xm::Module Compose()
{
    return Composer().Build();
}

} // namespace song
