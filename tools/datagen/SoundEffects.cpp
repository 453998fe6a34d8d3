#include "tools/datagen/SoundEffects.h"

#include <algorithm>
#include <cmath>

namespace datagen {
namespace {

constexpr int R = kEffectRate;
constexpr float kPeak = 0.89f; // -1 dBFS: loud, never clipped

float at(std::size_t i) {
    return static_cast<float>(i) / R;
}

// A bomb: a falling low thump under a burst of noise whose brightness dies away.
Signal explosion() {
    Signal s = silence(R, 1.2f);
    Oscillator thump(R);
    Biquad rumble, body;
    Rng rng(1);
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        rumble.lowPass(R, 2600.f * std::exp(-t * 4.f) + 140.f, 0.8f);
        body.lowPass(R, 220.f, 1.1f);
        float noise = rng.range(-1, 1);
        float crackle = rng.uniform() > 0.9985f - 0.002f * decay(t, 0.4f) ? rng.range(-1, 1) * 3 : 0;
        s[i] = thump.sine(38.f + 90.f * std::exp(-t * 9.f)) * attackDecay(t, 0.004f, 0.55f) * 0.9f +
               rumble(noise) * attackDecay(t, 0.002f, 1.1f) * 1.6f + body(noise) * decay(t, 0.9f) * 2.5f +
               crackle * decay(t, 0.6f) * 0.2f;
    }
    saturate(s, 3.5f);
    normalise(s, kPeak);
    return s;
}

// A player is hit: a splat, then a falling, wobbling "bwoww".
Signal playerHit() {
    Signal s = silence(R, 0.75f);
    Oscillator voice(R), wobble(R);
    Biquad tone, splat;
    Rng rng(2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        float hz = 620.f * std::exp(-t * 3.2f) + 90.f;
        hz *= 1 + 0.06f * wobble.sine(11.f);
        tone.lowPass(R, 2400.f * std::exp(-t * 2.f) + 300.f, 1.5f);
        splat.bandPass(R, 1400.f, 0.9f);
        s[i] = tone(voice.saw(hz)) * attackDecay(t, 0.01f, 0.7f) +
               splat(rng.range(-1, 1)) * decay(t, 0.12f) * 2.2f;
    }
    saturate(s, 2.5f);
    normalise(s, kPeak);
    return s;
}

// A monster is hit: a squeak that rises and falls, and a wet squelch.
Signal monsterHit() {
    Signal s = silence(R, 0.55f);
    Oscillator squeak(R), mod(R);
    Biquad wet;
    Rng rng(3);
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        float rise = t < 0.08f ? t / 0.08f : std::exp(-(t - 0.08f) * 6.f);
        float hz = 300.f + 1300.f * rise;
        wet.bandPass(R, 900.f + 1600.f * rise, 2.f);
        s[i] = squeak.sine(hz + 180.f * mod.sine(37.f)) * attackDecay(t, 0.01f, 0.5f) * 0.8f +
               wet(rng.range(-1, 1)) * decay(t, 0.25f) * 1.8f;
    }
    saturate(s, 2.0f);
    normalise(s, kPeak);
    return s;
}

// A bonus burns: a short crackling fizzle.
Signal itemBurns() {
    Signal s = silence(R, 0.5f);
    Biquad hiss;
    Rng rng(4);
    float click = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        hiss.bandPass(R, 3500.f - 2000.f * t, 1.2f);
        if (rng.uniform() > 0.996f) click = rng.range(-1, 1);
        click *= 0.86f;
        s[i] = (hiss(rng.range(-1, 1)) * 0.9f + click) * attackDecay(t, 0.01f, 0.45f);
    }
    saturate(s, 2.5f);
    normalise(s, kPeak * 0.85f);
    return s;
}

// A bell struck at `hz`: a few inharmonic partials that die at their own pace.
void bell(Signal& s, float hz, float start, float length, float gain) {
    const float partials[][3] = {
        {1.f, 1.f, 1.f}, {2.76f, 0.5f, 0.5f}, {5.4f, 0.25f, 0.3f}, {8.93f, 0.12f, 0.18f}};
    auto from = static_cast<std::size_t>(start * R);
    for (const auto& p : partials) {
        Oscillator osc(R);
        for (std::size_t i = from; i < s.size(); ++i) {
            float t = at(i - from);
            s[i] += osc.sine(hz * p[0]) * p[1] * attackDecay(t, 0.002f, length * p[2]) * gain;
        }
    }
}

// A bonus is taken: a bright two-note chime.
Signal bonusChime() {
    Signal s = silence(R, 0.7f);
    bell(s, noteHz(88), 0.f, 0.6f, 1.f);    // E6
    bell(s, noteHz(95), 0.07f, 0.6f, 0.9f); // B6
    saturate(s, 1.5f);
    normalise(s, kPeak);
    return s;
}

// Speed: a whoosh of noise through a sweeping band.
Signal whoosh() {
    Signal s = silence(R, 0.65f);
    Biquad band, band2;
    Rng rng(5);
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = at(i) / 0.65f;
        float sweep = t < 0.45f ? t / 0.45f : 1 - (t - 0.45f) / 0.55f;
        band.bandPass(R, 300.f + 3200.f * sweep * sweep, 2.5f);
        band2.bandPass(R, 600.f + 4200.f * sweep, 4.f);
        float amp = std::sin(std::min(1.f, t) * 3.14159f);
        float n = rng.range(-1, 1);
        s[i] = (band(n) * 1.2f + band2(n) * 0.6f) * amp * amp;
    }
    saturate(s, 2.0f);
    normalise(s, kPeak * 0.9f);
    return s;
}

// Freeze: a glassy shimmer sliding down, with crystal ticks.
Signal freeze() {
    Signal s = silence(R, 1.f);
    const float partials[] = {1870.f, 2490.f, 3160.f, 4230.f, 5270.f};
    Oscillator oscs[5] = {Oscillator(R), Oscillator(R), Oscillator(R), Oscillator(R), Oscillator(R)};
    Oscillator tremolo(R);
    Biquad frost;
    Rng rng(6);
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        float glide = 1 - 0.25f * t;
        float v = 0;
        for (int k = 0; k < 5; ++k)
            v += oscs[k].sine(partials[k] * glide) * (0.9f - k * 0.14f);
        v *= 0.6f + 0.4f * tremolo.sine(14.f);
        frost.highPass(R, 5000.f, 0.7f);
        float tick = rng.uniform() > 0.997f ? rng.range(-1, 1) * 4 : 0;
        s[i] =
            v * attackDecay(t, 0.02f, 0.95f) * 0.5f + frost(rng.range(-1, 1) + tick) * decay(t, 0.7f) * 0.5f;
    }
    saturate(s, 2.0f);
    normalise(s, kPeak * 0.85f);
    return s;
}

// The skull's curse: a low growling tritone sliding down.
Signal curse() {
    Signal s = silence(R, 1.2f);
    Oscillator a(R), b(R), c(R), growl(R);
    Biquad dark;
    for (std::size_t i = 0; i < s.size(); ++i) {
        float t = at(i);
        float slide = std::exp(-t * 0.6f);
        dark.lowPass(R, 1600.f * std::exp(-t * 1.2f) + 200.f, 2.f);
        float v =
            a.saw(noteHz(45) * slide) + b.saw(noteHz(51) * slide * 1.004f) + 0.6f * c.saw(noteHz(33) * slide);
        v *= 0.65f + 0.35f * growl.sine(28.f);
        s[i] = dark(v) * attackDecay(t, 0.06f, 1.15f);
    }
    saturate(s, 3.0f);
    normalise(s, kPeak);
    return s;
}

// A note of a soft square lead with a little vibrato.
void leadNote(Signal& s, float midi, float start, float length, float gain) {
    Oscillator osc(R), vib(R);
    Biquad soft;
    soft.lowPass(R, 3200.f, 0.8f);
    auto from = static_cast<std::size_t>(start * R);
    auto count = static_cast<std::size_t>((length + 0.25f) * R);
    for (std::size_t i = from; i < std::min(s.size(), from + count); ++i) {
        float t = at(i - from);
        float env =
            t < length ? std::min(1.f, t / 0.008f) * (1 - 0.3f * t / length) : 0.7f * decay(t - length, 0.2f);
        float hz = noteHz(midi) * (1 + (t > 0.12f ? 0.006f * vib.sine(6.f) : 0.f));
        s[i] += soft(osc.pulse(hz, 0.3f)) * env * gain;
    }
}

// BombLive, GodMode, monster look: a quick rising major jingle.
Signal coolJingle() {
    Signal s = silence(R, 1.f);
    const float notes[] = {72, 76, 79, 84};
    for (int k = 0; k < 4; ++k) {
        leadNote(s, notes[k], k * 0.08f, k < 3 ? 0.07f : 0.45f, 0.6f);
        leadNote(s, notes[k] - 12, k * 0.08f, k < 3 ? 0.07f : 0.45f, 0.25f);
    }
    bell(s, noteHz(96), 0.24f, 0.7f, 0.25f);
    saturate(s, 1.5f);
    normalise(s, kPeak);
    return s;
}

// Trigger, ShowSecrets: a sly "hu-hu-hu" from a throat of oscillator and vowel filters.
Signal chuckle() {
    Signal s = silence(R, 0.95f);
    const float pitches[] = {196.f, 185.f, 165.f};
    for (int k = 0; k < 3; ++k) {
        Oscillator glottis(R), vib(R);
        Biquad f1, f2, f3;
        f1.bandPass(R, 320.f, 6.f);
        f2.bandPass(R, 800.f, 8.f);
        f3.bandPass(R, 2400.f, 10.f);
        Rng breath(static_cast<std::uint64_t>(10 + k));
        auto from = static_cast<std::size_t>(k * 0.26f * R);
        for (std::size_t i = from; i < std::min(s.size(), from + static_cast<std::size_t>(0.3f * R)); ++i) {
            float t = at(i - from);
            float env = std::min(1.f, t / 0.03f) * decay(t, 0.28f);
            float src = glottis.saw(pitches[k] * (1 - 0.25f * t) * (1 + 0.01f * vib.sine(5.f))) +
                        breath.range(-0.3f, 0.3f);
            s[i] += (f1(src) * 1.f + f2(src) * 0.55f + f3(src) * 0.15f) * env;
        }
    }
    saturate(s, 2.0f);
    normalise(s, kPeak);
    return s;
}

// A brass note: a bright saw whose filter opens on the attack.
void brassNote(Signal& s, float midi, float start, float length, float gain) {
    Oscillator a(R), b(R), vib(R);
    Biquad filter;
    auto from = static_cast<std::size_t>(start * R);
    auto count = static_cast<std::size_t>((length + 0.35f) * R);
    for (std::size_t i = from; i < std::min(s.size(), from + count); ++i) {
        float t = at(i - from);
        float env = t < length ? std::min(1.f, t / 0.03f) : decay(t - length, 0.3f);
        filter.lowPass(
            R, 700.f + 3000.f * std::min(1.f, t / 0.06f) * (t < length ? 1.f : decay(t - length, 0.3f)),
            1.2f);
        float hz = noteHz(midi) * (1 + (t > 0.2f ? 0.005f * vib.sine(5.5f) : 0.f));
        s[i] += filter(a.saw(hz) + 0.6f * b.saw(hz * 1.003f)) * env * gain;
    }
}

// The last player standing: a brass fanfare over applause.
Signal fanfare() {
    Signal s = silence(R, 2.6f);
    const float pickup[][2] = {{67, 0.f}, {67, 0.11f}, {67, 0.22f}, {72, 0.36f}};
    for (const auto& n : pickup)
        brassNote(s, n[0], n[1], 0.09f, 0.35f);
    brassNote(s, 76, 0.6f, 0.18f, 0.35f);
    brassNote(s, 72, 0.82f, 0.12f, 0.35f);
    for (float note : {72.f, 76.f, 79.f, 84.f})
        brassNote(s, note, 1.f, 1.1f, 0.22f);
    // Applause: many short filtered claps, thickening after the pick-up.
    Rng rng(7);
    Signal claps = silence(R, 2.6f);
    for (int c = 0; c < 260; ++c) {
        float start = 0.5f + rng.uniform() * 1.9f;
        Biquad band;
        band.bandPass(R, rng.range(900.f, 2200.f), 1.5f);
        auto from = static_cast<std::size_t>(start * R);
        for (std::size_t i = from; i < std::min(claps.size(), from + static_cast<std::size_t>(0.03f * R));
             ++i)
            claps[i] += band(rng.range(-1, 1)) * decay(at(i - from), 0.025f) * 0.9f;
    }
    for (std::size_t i = 0; i < claps.size(); ++i) {
        float t = at(i);
        claps[i] *= std::clamp((t - 0.5f) / 0.6f, 0.f, 1.f) * (t > 2.1f ? decay(t - 2.1f, 0.5f) : 1.f);
    }
    mixInto(s, claps, 0.5f);
    saturate(s, 2.0f);
    normalise(s, kPeak);
    return s;
}

} // namespace

std::vector<SoundEffect> synthesiseEffects() {
    return {{"huhuhu.wav", chuckle()},     {"coolgame.wav", coolJingle()}, {"closew.wav", whoosh()},
            {"bonus.wav", bonusChime()},   {"fart.wav", freeze()},         {"holyshit.wav", curse()},
            {"ExPlayer.wav", playerHit()}, {"ExBomb.wav", explosion()},    {"ExMonst.wav", monsterHit()},
            {"ExItem.wav", itemBurns()},   {"theclap.wav", fanfare()}};
}

} // namespace datagen
