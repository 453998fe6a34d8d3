#pragma once
// Shared by the effect tests: formats, an effect made ready by hand (format, change handler,
// Init) the way an engine and a panel make it ready, and signal makers.
#include "sound/Eff_Base.h"
#include "sound/Sndutils.h"

#include <random>
#include <vector>

inline WAVEFORMATEX MakeFormat(WORD channels, WORD bits, DWORD rate) {
    WAVEFORMATEX format{};
    format.nChannels = channels;
    format.wBitsPerSample = bits;
    format.nSamplesPerSec = rate;
    UpdateWaveFormat(&format);
    return format;
}

// Hands the effect the format, assigns a change handler that counts, and runs Init.
struct ReadyEffect {
    ReadyEffect(TSndEffectBase& effect, WORD channels, WORD bits, DWORD rate)
        : format(MakeFormat(channels, bits, rate)) {
        effect.Format = &format;
        effect.SetOnChange([this](TObject*) { ++changes; });
        effect.Init();
    }
    WAVEFORMATEX format;
    int changes = 0;
};

inline std::vector<short> Impulse(int length, int at, short value) {
    std::vector<short> samples(static_cast<std::size_t>(length));
    samples[static_cast<std::size_t>(at)] = value;
    return samples;
}

inline std::vector<short> Noise(int length, unsigned seed, int amplitude = 20000) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> spread(-amplitude, amplitude);
    std::vector<short> samples(static_cast<std::size_t>(length));
    for (short& s : samples)
        s = static_cast<short>(spread(random));
    return samples;
}
