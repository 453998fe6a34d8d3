// The game's eleven sound effects, synthesised.
#pragma once

#include <string>
#include <vector>

#include "tools/datagen/Synth.h"

namespace datagen {

constexpr int kEffectRate = 22050;

struct SoundEffect {
    std::string fileName; // below data/sfx
    Signal samples;       // mono, kEffectRate, peaks below full scale
};

std::vector<SoundEffect> synthesiseEffects();

} // namespace datagen
