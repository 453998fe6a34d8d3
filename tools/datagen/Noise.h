// Seeded randomness and smooth noise: the generator's only source of chance, so that
// every run draws the same pictures and sounds.
#pragma once

#include <cstdint>

namespace datagen {

class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    float uniform(); // 0 <= v < 1
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

private:
    std::uint64_t state_;
};

// A fixed pseudo-random value in 0..1 for an integer lattice point and a seed.
float hash01(int x, int y, std::uint32_t seed);

// Smooth value noise in 0..1; with a period > 0 the noise repeats every that many units in
// x or y (so a picture can wrap sideways, or a tile join its neighbours, without a seam).
float valueNoise(float x, float y, std::uint32_t seed, int periodX = 0, int periodY = 0);

// Sum of octaves of value noise, normalised to 0..1.
float fractalNoise(float x, float y, std::uint32_t seed, int octaves, int periodX = 0, int periodY = 0);

} // namespace datagen
