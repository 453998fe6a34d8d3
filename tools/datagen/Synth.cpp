#include "tools/datagen/Synth.h"

#include <algorithm>
#include <cmath>

namespace datagen {

namespace {
constexpr float kTwoPi = 6.28318530718f;
}

Signal silence(int rate, float seconds) {
    return Signal(static_cast<std::size_t>(rate * seconds), 0.f);
}

float noteHz(float midiNote) {
    return 440.f * std::pow(2.f, (midiNote - 69.f) / 12.f);
}

float Oscillator::advance(float hz) {
    float p = phase_;
    phase_ += hz / static_cast<float>(rate_);
    phase_ -= std::floor(phase_);
    return p;
}

float Oscillator::sine(float hz) {
    return std::sin(kTwoPi * advance(hz));
}

float Oscillator::saw(float hz) {
    float p = advance(hz);
    return 0.8f * (2 * p - 1) + 0.2f * std::sin(kTwoPi * p);
}

float Oscillator::pulse(float hz, float width) {
    return advance(hz) < width ? 0.8f : -0.8f;
}

void Biquad::set(float b0, float b1, float b2, float a0, float a1, float a2) {
    b0_ = b0 / a0, b1_ = b1 / a0, b2_ = b2 / a0, a1_ = a1 / a0, a2_ = a2 / a0;
}

void Biquad::lowPass(int rate, float hz, float q) {
    float w = kTwoPi * std::min(hz, rate * 0.45f) / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    set((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::highPass(int rate, float hz, float q) {
    float w = kTwoPi * std::min(hz, rate * 0.45f) / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    set((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

void Biquad::bandPass(int rate, float hz, float q) {
    float w = kTwoPi * std::min(hz, rate * 0.45f) / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    set(alpha, 0, -alpha, 1 + alpha, -2 * c, 1 - alpha);
}

float Biquad::operator()(float x) {
    float y = b0_ * x + b1_ * x1_ + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
    return y;
}

float decay(float t, float seconds) {
    return t < 0 ? 0.f : std::exp(-6.9f * t / seconds);
}

float attackDecay(float t, float attack, float seconds) {
    if (t < 0) return 0;
    if (t < attack) return t / attack;
    return decay(t - attack, seconds);
}

void mixInto(Signal& dst, const Signal& src, float gain, std::size_t offset) {
    if (dst.size() < offset + src.size()) dst.resize(offset + src.size(), 0.f);
    for (std::size_t i = 0; i < src.size(); ++i)
        dst[offset + i] += src[i] * gain;
}

void saturate(Signal& signal, float drive) {
    float top = 0;
    for (float v : signal)
        top = std::max(top, std::fabs(v));
    if (top <= 0) return;
    for (float& v : signal)
        v = std::tanh(drive * v / top);
}

void normalise(Signal& signal, float peak) {
    float top = 0;
    for (float v : signal)
        top = std::max(top, std::fabs(v));
    if (top <= 0) return;
    for (float& v : signal)
        v *= peak / top;
    const std::size_t fade = std::min<std::size_t>(signal.size(), 64);
    for (std::size_t i = 0; i < fade; ++i)
        signal[signal.size() - 1 - i] *= static_cast<float>(i) / fade;
}

} // namespace datagen
