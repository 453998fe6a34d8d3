// The default music: an original four-channel tune that loops.
#pragma once

#include "tools/datagen/ModFormat.h"

namespace datagen {

// "ms-suxx1.mod": A minor, 140 beats a minute; an intro once, then verses, a bridge and a
// breakdown round and round.
Module composeBombRun();

// A second, calmer tune in D minor for the playlist.
Module composeNightShift();

} // namespace datagen
