// Synthesised samples for the tunes. Pitched samples hold cycles of `kCycle` bytes, so that
// note n of the period table sounds at the pitch the composer expects (see noteOf).
#pragma once

#include <vector>

#include "tools/datagen/ModFormat.h"

namespace datagen {

// Sample numbers in the modules (1-based, as in the pattern data).
enum Instrument : int {
    kBass = 1,
    kLead,
    kPluck,
    kPad,
    kKick,
    kSnare,
    kHat,
    kOpenHat,
    kBell,
};

std::vector<ModSample> synthesiseInstruments();

// Note of the period table that plays `midi` on a pitched instrument (the bass sounds an
// octave lower than the others for the same table note).
int noteOf(Instrument instrument, int midi);

// The table note at which the drums were sampled.
constexpr int kDrumNote = 36;

} // namespace datagen
