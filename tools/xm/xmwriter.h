// tools/xm/xmwriter.h -- an in-memory XM (FastTracker 2 extended module) song and its writer.
//
// What:   a plain description of a song (order list, patterns, instruments with their samples and
//         envelopes) and Write(), which serialises it as an XM file (version 1.04: packed pattern
//         data, delta-coded 8- or 16-bit samples).
// Needs:  nothing but the C++ library; used by tools/makemusic and by tests that need small modules.
// Limits: what the format holds: 1 to 256 orders, up to 256 patterns of 1 to 256 rows, 2 to 32
//         channels, up to 128 instruments of up to 16 samples, 12 envelope points.
//         Write() checks all of it and throws std::invalid_argument naming the first fault.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace xm {

// Note numbers as stored in a pattern: 1 = C-0 ... 49 = C-4 ... 96 = B-7; 97 releases the note.
constexpr std::uint8_t kNoNote = 0;
constexpr std::uint8_t kNoteOff = 97;

// "C-4", "C#4", "Db4" (octave 0 to 7) to its note number; "OFF" or "===" to kNoteOff.
// Throws std::invalid_argument for any other text.
std::uint8_t Note(const std::string& name);

// Volume-column byte that sets the volume to `volume` (0 to 64).
constexpr std::uint8_t SetVolume(int volume)
{
    return static_cast<std::uint8_t>(0x10 + volume);
}

// Effect numbers of the effect column (the parameter byte goes beside them).
enum Effect : std::uint8_t {
    kArpeggio = 0x0,
    kPortaUp = 0x1,
    kPortaDown = 0x2,
    kTonePorta = 0x3,
    kVibrato = 0x4,
    kVolumeSlide = 0xA,
    kPositionJump = 0xB,
    kSetVolumeEffect = 0xC,
    kPatternBreak = 0xD,
    kExtended = 0xE,
    kSetPanning = 0x8,
    kSetSpeed = 0xF,         // parameter below 32: ticks per row; from 32: BPM
    kSetGlobalVolume = 0x10, // "G", 0 to 64
    kGlobalVolumeSlide = 0x11,
    kKeyOff = 0x14,
};

// One pattern cell: each field is 0 when empty.
struct Cell {
    std::uint8_t note = 0;       // kNoNote, 1 to 96 or kNoteOff
    std::uint8_t instrument = 0; // 1-based instrument number
    std::uint8_t volume = 0;     // volume-column byte (SetVolume(v), panning 0xC0-0xCF, ...)
    std::uint8_t effect = 0;     // Effect
    std::uint8_t param = 0;      // effect parameter
};

// A grid of rows by channels.
class Pattern {
public:
    Pattern(int rows, int channels);

    int Rows() const { return rows; }
    int Channels() const { return channels; }
    // The cell at (row, channel); throws std::out_of_range outside the grid.
    Cell& At(int row, int channel);
    const Cell& At(int row, int channel) const;

private:
    int rows;
    int channels;
    std::vector<Cell> cells; // row-major
};

// Envelope: up to 12 points at ticks after the note starts (first at tick 0, ticks increasing),
// values 0 to 64 (panning: 32 is the centre). Point indices below are into `points`; -1 = none.
struct EnvelopePoint {
    std::uint16_t tick = 0;
    std::uint8_t value = 0;
};
struct Envelope {
    std::vector<EnvelopePoint> points; // empty = off
    int sustainPoint = -1;             // held there until the note is released
    int loopStart = -1;
    int loopEnd = -1;
};

enum class Loop : std::uint8_t { kNone = 0, kForward = 1, kPingPong = 2 };

// One sample. Frames, not bytes: Write() converts for 16-bit samples.
struct Sample {
    std::string name;       // up to 22 characters
    bool sixteenBit = true; // 8-bit samples must hold values -128 to 127
    std::vector<std::int16_t> data;
    Loop loop = Loop::kNone;
    std::uint32_t loopStart = 0;  // frames; the loop lies within the data
    std::uint32_t loopLength = 0; // frames; above 0 when looped
    std::uint8_t volume = 64;     // 0 to 64
    std::int8_t finetune = 0;     // 1/128 semitone
    std::uint8_t panning = 128;   // 0 left, 128 centre, 255 right
    std::int8_t relativeNote = 0; // semitones; note C-4 plays at 8363 Hz times 2^(relativeNote/12)
};

struct Instrument {
    std::string name;                          // up to 22 characters
    std::vector<Sample> samples;               // 0 to 16
    std::array<std::uint8_t, 96> noteSample{}; // 0-based sample for each note 1 to 96
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    std::uint8_t vibratoType = 0; // 0 sine, 1 square, 2 ramp down, 3 ramp up
    std::uint8_t vibratoSweep = 0;
    std::uint8_t vibratoDepth = 0;
    std::uint8_t vibratoRate = 0;
    std::uint16_t fadeout = 0; // volume lost per tick after release, in 1/32768 of full
};

struct Module {
    std::string name;                       // up to 20 characters
    std::string tracker = "Brimt xmwriter"; // up to 20 characters
    int channels = 8;
    std::uint16_t restartPosition = 0; // order to go back to when the song loops
    bool linearFrequencies = true;
    std::uint16_t speed = 6;          // ticks per row
    std::uint16_t bpm = 125;          // a tick lasts 2.5 / bpm seconds
    std::vector<std::uint8_t> orders; // pattern of each song position
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// The module as an XM file. Throws std::invalid_argument naming the first field out of range.
std::vector<std::uint8_t> Write(const Module& module);

// Writes the module to `path`. False when it is invalid or cannot be written; `error` then says
// why and no file is left at `path` (it is written under a temporary name and renamed).
bool WriteFile(const Module& module, const std::string& path, std::string* error);

} // namespace xm
