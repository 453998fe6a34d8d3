#include "tools/datagen/ModInstruments.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "tools/datagen/Noise.h"
#include "tools/datagen/Synth.h"

namespace datagen {
namespace {

constexpr float kTwoPi = 6.28318530718f;
constexpr float kClock = 3579545.f; // the player's period clock

std::vector<std::int8_t> toBytes(const std::vector<float>& v, float peak = 0.95f) {
    float top = 0;
    for (float x : v)
        top = std::max(top, std::fabs(x));
    std::vector<std::int8_t> out(v.size() + v.size() % 2, 0);
    for (std::size_t i = 0; i < v.size(); ++i)
        out[i] = static_cast<std::int8_t>(std::lround(std::clamp(v[i] / top * peak, -1.f, 1.f) * 127.f));
    return out;
}

// One cycle of a wave made of harmonics with the given amplitudes.
float harmonics(float phase, int count, float (*amplitude)(int)) {
    float v = 0;
    for (int h = 1; h <= count; ++h)
        v += amplitude(h) * std::sin(kTwoPi * phase * static_cast<float>(h));
    return v;
}

// A plucked saw: bright at first, mellow later; loops on its last cycles.
ModSample bass() {
    const int cycle = 64, attackCycles = 24, loopCycles = 4;
    std::vector<float> v;
    for (int c = 0; c < attackCycles + loopCycles; ++c) {
        float bright = c < attackCycles ? std::exp(-c / 6.f) : 0.f;
        float level = c < attackCycles ? 0.45f + 0.55f * std::exp(-c / 10.f) : 0.45f;
        for (int i = 0; i < cycle; ++i) {
            float ph = static_cast<float>(i) / cycle;
            float mellow = harmonics(ph, 6, [](int h) { return 1.f / (h * h); });
            float sharp = harmonics(ph, 14, [](int h) { return 1.f / h; });
            v.push_back(level * (mellow + bright * sharp * 0.7f));
        }
    }
    ModSample s{"vortamix bass", toBytes(v), 64, attackCycles * cycle, loopCycles * cycle};
    return s;
}

// A soft pulse lead.
ModSample lead() {
    const int cycle = 32;
    std::vector<float> v;
    for (int c = 0; c < 16; ++c)
        for (int i = 0; i < cycle; ++i) {
            float ph = static_cast<float>(i) / cycle;
            float pulse = harmonics(ph, 9, [](int h) { return std::sin(h * 3.14159f * 0.3f) / h; });
            v.push_back(pulse * (c < 12 ? 1.f + 0.4f * std::exp(-c / 3.f) : 1.f));
        }
    return {"lead", toBytes(v), 46, 12 * cycle, 4 * cycle};
}

// A hollow square for the arpeggiated chords.
ModSample pluck() {
    const int cycle = 32;
    std::vector<float> v;
    for (int c = 0; c < 8; ++c)
        for (int i = 0; i < cycle; ++i) {
            float ph = static_cast<float>(i) / cycle;
            v.push_back(harmonics(ph, 11, [](int h) { return h % 2 ? 1.f / h : 0.f; }));
        }
    return {"chords", toBytes(v), 34, 0, 8 * cycle};
}

// Two saws a few cents apart over one long loop: a slowly beating pad.
ModSample pad() {
    const int length = 4096, cyclesA = 128, cyclesB = 129;
    std::vector<float> v(length);
    for (int i = 0; i < length; ++i) {
        float a = static_cast<float>(i) * cyclesA / length, b = static_cast<float>(i) * cyclesB / length;
        auto saw = [](float ph) { return harmonics(ph, 8, [](int h) { return 1.f / (h * 1.3f); }); };
        v[i] = saw(a - std::floor(a)) + saw(b - std::floor(b)) * 0.8f;
    }
    return {"pad", toBytes(v), 30, 0, length};
}

// Drums are synthesised at the rate the drum note plays.
float drumRate() {
    return kClock / static_cast<float>(modPeriod(kDrumNote));
}

ModSample kick() {
    const float rate = drumRate();
    std::vector<float> v(static_cast<std::size_t>(rate * 0.32f));
    float phase = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        float t = static_cast<float>(i) / rate;
        phase += (45.f + 140.f * std::exp(-t * 28.f)) / rate;
        v[i] = std::sin(kTwoPi * phase) * std::exp(-t * 9.f) + (t < 0.004f ? 0.6f * (1 - t / 0.004f) : 0.f);
    }
    return {"kick", toBytes(v, 1.f), 64, 0, 0};
}

ModSample snare() {
    const float rate = drumRate();
    std::vector<float> v(static_cast<std::size_t>(rate * 0.24f));
    Rng rng(99);
    Biquad tone;
    tone.bandPass(static_cast<int>(rate), 3000.f, 0.7f);
    float phase = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        float t = static_cast<float>(i) / rate;
        phase += (185.f + 60.f * std::exp(-t * 40.f)) / rate;
        v[i] = std::sin(kTwoPi * phase) * std::exp(-t * 30.f) * 0.8f +
               tone(rng.range(-1, 1)) * std::exp(-t * 14.f) * 1.6f;
    }
    return {"snare", toBytes(v, 1.f), 56, 0, 0};
}

ModSample hat(float seconds, const char* name, int volume) {
    const float rate = drumRate();
    std::vector<float> v(static_cast<std::size_t>(rate * seconds));
    Rng rng(name[0]);
    Biquad high;
    high.highPass(static_cast<int>(rate), 6000.f, 0.8f);
    for (std::size_t i = 0; i < v.size(); ++i) {
        float t = static_cast<float>(i) / rate;
        v[i] = high(rng.range(-1, 1)) * std::exp(-t * 5.f / seconds);
    }
    return {name, toBytes(v), volume, 0, 0};
}

// A two-operator bell for the breakdown.
ModSample bell() {
    const int cycle = 32, cycles = 180;
    std::vector<float> v(static_cast<std::size_t>(cycle * cycles));
    for (std::size_t i = 0; i < v.size(); ++i) {
        float ph = static_cast<float>(i) / cycle;
        float fade = std::exp(-static_cast<float>(i) / (cycle * 50.f));
        v[i] = std::sin(kTwoPi * ph + 2.2f * fade * std::sin(kTwoPi * ph * 3.5f)) * fade;
    }
    return {"bell", toBytes(v), 40, 0, 0};
}

} // namespace

std::vector<ModSample> synthesiseInstruments() {
    return {
        bass(), lead(), pluck(), pad(), kick(), snare(), hat(0.06f, "hihat", 34), hat(0.35f, "open hat", 30),
        bell()};
}

int noteOf(Instrument instrument, int midi) {
    // Table note 24 (period 428) plays a 32-byte cycle at middle C (MIDI 60); the bass has
    // 64-byte cycles and so sounds an octave lower.
    int note = midi - (instrument == kBass ? 24 : 36);
    if (note < 0 || note >= kModNotes) throw std::invalid_argument("note outside the instrument's range");
    return note;
}

} // namespace datagen
