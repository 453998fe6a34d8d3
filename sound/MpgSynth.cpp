#include "sound/MpgSynth.h"

#include <array>
#include <cmath>

#include "sound/MpgTables.h"

namespace {

// The window D scaled to 16-bit output, by block age a and sample j: D[32a + j].
struct TSynthWindow {
    float w[16][32];
    TSynthWindow() {
        for (int i = 0; i < 512; ++i) {
            const int base = i <= 256 ? kMpegWindowBase[i] : kMpegWindowBase[512 - i];
            const double sign = (i / 64) % 2 == 0 ? 1.0 : -1.0;
            w[i / 32][i % 32] = float(sign * base * (32768.0 / 65536.0));
        }
    }
};

const TSynthWindow& Window() {
    static const TSynthWindow window;
    return window;
}

// 1 / (2 cos((2n+1) pi / 2N)) for the butterflies of an N-point DCT.
template <int N>
const std::array<float, N / 2>& DctFactors() {
    static const std::array<float, N / 2> factors = [] {
        std::array<float, N / 2> f{};
        for (int n = 0; n < N / 2; ++n) f[size_t(n)] = float(1.0 / (2.0 * std::cos((2 * n + 1) * M_PI / (2.0 * N))));
        return f;
    }();
    return factors;
}

// Fast DCT-II, X[k] = sum x[n] cos((2n+1) k pi / 2N), by recursive halving.
template <int N>
void Dct(const float* x, float* out) {
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

}  // namespace

TMpegSynth::TMpegSynth() : rings_{} {}

int TMpegSynth::Synthesize(const float subbands[32], int channel, int16_t* out, TSndMP3Quality quality) {
    const int q = quality == smqHalf ? 1 : quality == smqQuarter ? 2 : 0;
    const int step = 1 << q;
    TRing& ring = rings_[q][channel & 1];
    ring.newest = (ring.newest + 15) & 15;

    // a[n / step] = A[n], the DCT of the subbands kept at this quality; A[32] = 0.
    float a[33];
    if (q == 0) Dct<32>(subbands, a);
    else if (q == 1) Dct<16>(subbands, a);
    else Dct<8>(subbands, a);
    a[32 / step] = 0.0f;

    float* block = ring.blocks[ring.newest];
    for (int j = 0; j < 32; j += step) {
        block[j] = j <= 16 ? a[(16 + j) / step] : -a[(48 - j) / step];
        block[32 + j] = -a[(j < 16 ? 16 - j : j - 16) / step];
    }

    const TSynthWindow& window = Window();
    float sums[32] = {};
    for (int age = 0; age < 16; ++age) {
        const float* values = ring.blocks[(ring.newest + unsigned(age)) & 15] + (age & 1) * 32;
        const float* w = window.w[age];
        if (step == 1) {
            for (int j = 0; j < 32; ++j) sums[j] += w[j] * values[j];
        } else {
            for (int j = 0; j < 32; j += step) sums[j] += w[j] * values[j];
        }
    }

    int clipped = 0;
    for (int j = 0; j < 32; j += step) {
        const int16_t sample = ClipSample(sums[j], clipped);
        for (int r = 0; r < step; ++r) out[2 * (j + r) + channel] = sample;
    }
    return clipped * step;
}
