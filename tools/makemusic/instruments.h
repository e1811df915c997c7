// tools/makemusic/instruments.h -- the song's ten instruments, synthesised in code.
#pragma once

#include <cstdint>
#include <vector>

#include "xmwriter.h"

namespace song {

// Instrument numbers as the patterns name them (1-based).
enum Instrument : std::uint8_t {
    kKick = 1,
    kSnare,
    kClosedHat, // 8-bit
    kOpenHat,   // 8-bit
    kCrash,
    kBass,
    kPadMinor, // a minor seventh chord: play the chord's root
    kPadMajor, // a major add-nine chord: play the chord's root
    kLead,
    kBell,
    kInstrumentCount = kBell
};

// Every instrument, in the order above. Pitched ones sound at the note played (C-4 = 261.6 Hz);
// drums sound as made at C-4.
std::vector<xm::Instrument> MakeInstruments();

} // namespace song
