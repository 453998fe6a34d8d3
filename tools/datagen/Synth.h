// Building blocks of the synthesised sounds: oscillators, envelopes, filters, mixing.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/datagen/Noise.h"

namespace datagen {

using Signal = std::vector<float>;

Signal silence(int rate, float seconds);

// Frequency of a note: 69 = A4 = 440 Hz, 12 steps an octave.
float noteHz(float midiNote);

// Phase-accumulating oscillators, so that sweeping the frequency stays smooth.
class Oscillator {
public:
    explicit Oscillator(int rate) : rate_(rate) {}
    float sine(float hz);
    float saw(float hz); // softened with a little of the sine, not a bare ramp
    float pulse(float hz, float width);

private:
    float advance(float hz);
    int rate_;
    float phase_ = 0;
};

// Second-order filter (the usual bilinear designs); set it again to sweep.
class Biquad {
public:
    void lowPass(int rate, float hz, float q);
    void highPass(int rate, float hz, float q);
    void bandPass(int rate, float hz, float q);
    float operator()(float x);

private:
    void set(float b0, float b1, float b2, float a0, float a1, float a2);
    float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
    float x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Exponential decay from 1 that reaches -60 dB after `seconds`.
float decay(float t, float seconds);
// Attack over `attack` seconds, then the decay.
float attackDecay(float t, float attack, float seconds);

// Adds `src` times `gain` into `dst` from sample `offset` on, growing `dst` if needed.
void mixInto(Signal& dst, const Signal& src, float gain, std::size_t offset = 0);

// Soft saturation (tanh) that lifts the quiet parts: effects are played well below full
// volume by the game, so they need to be dense rather than merely loud at one peak.
void saturate(Signal& signal, float drive);

// Scales the signal so its highest peak is `peak` (0..1) and fades the last few samples.
void normalise(Signal& signal, float peak);

} // namespace datagen
