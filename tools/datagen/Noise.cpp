#include "tools/datagen/Noise.h"

#include <cmath>

namespace datagen {

std::uint64_t Rng::next() {
    // splitmix64: small, fast and the same on every platform.
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Rng::uniform() {
    return static_cast<float>(next() >> 40) / static_cast<float>(1 << 24);
}

float hash01(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0x1000000);
}

float valueNoise(float x, float y, std::uint32_t seed, int periodX, int periodY) {
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto wrap = [](int v, int period) { return period > 0 ? ((v % period) + period) % period : v; };
    int x0 = wrap(ix, periodX), x1 = wrap(ix + 1, periodX), y0 = wrap(iy, periodY),
        y1 = wrap(iy + 1, periodY);
    float a = hash01(x0, y0, seed), b = hash01(x1, y0, seed);
    float c = hash01(x0, y1, seed), d = hash01(x1, y1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fractalNoise(float x, float y, std::uint32_t seed, int octaves, int periodX, int periodY) {
    float sum = 0, weight = 1, total = 0, freq = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += valueNoise(x * freq, y * freq, seed + static_cast<std::uint32_t>(o) * 101u,
                          static_cast<int>(periodX * freq), static_cast<int>(periodY * freq)) *
               weight;
        total += weight;
        weight *= 0.5f;
        freq *= 2;
    }
    return sum / total;
}

} // namespace datagen
