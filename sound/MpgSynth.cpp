#include "sound/MpgSynth.h"

#include "sound/MpgDct.h"
#include "sound/MpgTables.h"

namespace {

// The window D scaled to 16-bit output, by quality, block age a and kept sample m: at
// quality q the samples j = m << q are computed, and D[32a + j] weighs them.
struct TSynthWindow {
    alignas(16) float w[3][16][32];
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

typedef float TFloat4 __attribute__((vector_size(16)));
typedef int TInt4 __attribute__((vector_size(16)));

// Sums above 32767 give 32767 and below -32768 give -32768 (both counted as clipped); any
// other is truncated toward zero.
TInt4 ClipSamples(TFloat4 sums, int& clipped) {
    const TFloat4 high = {32767.0f, 32767.0f, 32767.0f, 32767.0f};
    const TFloat4 low = {-32768.0f, -32768.0f, -32768.0f, -32768.0f};
    const TInt4 over = (sums > high) | (sums < low);
    clipped -= over[0] + over[1] + over[2] + over[3];
    sums = sums > high ? high : sums;
    sums = sums < low ? low : sums;
    return __builtin_convertvector(sums, TInt4);
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
    if constexpr (Q == 0)
        MpegDct32(subbands, a);
    else if constexpr (Q == 1)
        MpegDctScalar16(subbands, a);
    else
        MpegDctScalar8(subbands, a);
    a[kKept] = 0.0f;

    // The kept samples' matrixed values, packed: even ages read [0, kKept), odd ones
    // [32, 32 + kKept).
    float* block = ring.blocks[ring.newest];
    for (int m = 0; m < kKept; ++m) {
        const int j = m * kStep;
        block[m] = j <= 16 ? a[(16 + j) / kStep] : -a[(48 - j) / kStep];
        block[32 + m] = -a[(j < 16 ? 16 - j : j - 16) / kStep];
    }

    // Each sample's 16 products are added in age order, four samples to a vector.
    constexpr int kVectors = kKept / 4;
    const TSynthWindow& window = Window();
    TFloat4 sums[kVectors] = {};
    for (int age = 0; age < 16; ++age) {
        const auto* values = reinterpret_cast<const TFloat4*>(
            ring.blocks[(ring.newest + unsigned(age)) & 15] + (age & 1) * 32);
        const auto* w = reinterpret_cast<const TFloat4*>(window.w[Q][age]);
        for (int v = 0; v < kVectors; ++v)
            sums[v] += w[v] * values[v];
    }

    int clipped = 0;
    for (int v = 0; v < kVectors; ++v) {
        const TInt4 samples = ClipSamples(sums[v], clipped);
        for (int lane = 0; lane < 4; ++lane)
            for (int r = 0; r < kStep; ++r)
                out[2 * ((4 * v + lane) * kStep + r) + channel] = int16_t(samples[lane]);
    }
    return clipped * kStep;
}

int TMpegSynth::Synthesize(const float subbands[32], int channel, int16_t* out, TSndMP3Quality quality) {
    if (quality == smqHalf) return SynthesizeAt<1>(subbands, channel, out);
    if (quality == smqQuarter) return SynthesizeAt<2>(subbands, channel, out);
    return SynthesizeAt<0>(subbands, channel, out);
}
