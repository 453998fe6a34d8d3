#include "sound/MpgSynth.h"

#include <array>
#include <cmath>

#include "sound/MpgTables.h"

namespace {

// The window D scaled to 16-bit output, by quality, block age a and kept sample m: at
// quality q the samples j = m << q are computed, and D[32a + j] weighs them.
struct TSynthWindow {
    float w[3][16][32];
    TSynthWindow() {
        for (int i = 0; i < 512; ++i) {
            const int base = i <= 256 ? kMpegWindowBase[i] : kMpegWindowBase[512 - i];
            const double sign = (i / 64) % 2 == 0 ? 1.0 : -1.0;
            const float value = float(sign * base * (32768.0 / 65536.0));
            for (int q = 0; q < 3; ++q)
                if (i % (1 << q) == 0) w[q][i / 32][(i % 32) >> q] = value;
        }
    }
};

const TSynthWindow& Window() {
    static const TSynthWindow window;
    return window;
}

// 1 / (2 cos((2n+1) pi / 2N)) for the butterflies of an N-point DCT.
template <int N> const std::array<float, N / 2>& DctFactors() {
    static const std::array<float, N / 2> factors = [] {
        std::array<float, N / 2> f{};
        for (int n = 0; n < N / 2; ++n)
            f[size_t(n)] = float(1.0 / (2.0 * std::cos((2 * n + 1) * M_PI / (2.0 * N))));
        return f;
    }();
    return factors;
}

// Fast DCT-II, X[k] = sum x[n] cos((2n+1) k pi / 2N), by recursive halving.
template <int N> void Dct(const float* x, float* out) {
    if constexpr (N == 1) {
        out[0] = x[0];
    } else {
        constexpr int H = N / 2;
        const auto& factors = DctFactors<N>();
        float even[H], odd[H], evenOut[H], oddOut[H];
        for (int n = 0; n < H; ++n) {
            even[n] = x[n] + x[N - 1 - n];
            odd[n] = (x[n] - x[N - 1 - n]) * factors[size_t(n)];
        }
        Dct<H>(even, evenOut);
        Dct<H>(odd, oddOut);
        for (int k = 0; k < H; ++k) {
            out[2 * k] = evenOut[k];
            out[2 * k + 1] = k + 1 < H ? oddOut[k] + oddOut[k + 1] : oddOut[k];
        }
    }
}

int16_t ClipSample(float sum, int& clipped) {
    if (sum > 32767.0f) {
        ++clipped;
        return 32767;
    }
    if (sum < -32768.0f) {
        ++clipped;
        return -32768;
    }
    return int16_t(sum);
}

} // namespace

TMpegSynth::TMpegSynth() : rings_{} {}

template <int Q> int TMpegSynth::SynthesizeAt(const float subbands[32], int channel, int16_t* out) {
    constexpr int kStep = 1 << Q;
    constexpr int kKept = 32 >> Q;
    TRing& ring = rings_[Q][channel & 1];
    ring.newest = (ring.newest + 15) & 15;

    // a[n / step] = A[n], the DCT of the subbands kept at this quality; A[32] = 0.
    float a[kKept + 1];
    Dct<kKept>(subbands, a);
    a[kKept] = 0.0f;

    // The kept samples' matrixed values, packed: even ages read [0, kKept), odd ones
    // [32, 32 + kKept).
    float* block = ring.blocks[ring.newest];
    for (int m = 0; m < kKept; ++m) {
        const int j = m * kStep;
        block[m] = j <= 16 ? a[(16 + j) / kStep] : -a[(48 - j) / kStep];
        block[32 + m] = -a[(j < 16 ? 16 - j : j - 16) / kStep];
    }

    const TSynthWindow& window = Window();
    float sums[kKept] = {};
    for (int age = 0; age < 16; ++age) {
        const float* values = ring.blocks[(ring.newest + unsigned(age)) & 15] + (age & 1) * 32;
        const float* w = window.w[Q][age];
        for (int m = 0; m < kKept; ++m)
            sums[m] += w[m] * values[m];
    }

    int clipped = 0;
    for (int m = 0; m < kKept; ++m) {
        const int16_t sample = ClipSample(sums[m], clipped);
        for (int r = 0; r < kStep; ++r)
            out[2 * (m * kStep + r) + channel] = sample;
    }
    return clipped * kStep;
}

int TMpegSynth::Synthesize(const float subbands[32], int channel, int16_t* out, TSndMP3Quality quality) {
    if (quality == smqHalf) return SynthesizeAt<1>(subbands, channel, out);
    if (quality == smqQuarter) return SynthesizeAt<2>(subbands, channel, out);
    return SynthesizeAt<0>(subbands, channel, out);
}
