#include "sound/MpgDct.h"

#include <array>
#include <cmath>
#include <cstring>

namespace {

// 1 / (2 cos((2n+1) pi / 2N)) for the butterflies of an N-point DCT.
template <int N> const std::array<float, N / 2>& Factors() {
    alignas(16) static const std::array<float, N / 2> factors = [] {
        std::array<float, N / 2> f{};
        for (int n = 0; n < N / 2; ++n)
            f[size_t(n)] = float(1.0 / (2.0 * std::cos((2 * n + 1) * M_PI / (2.0 * N))));
        return f;
    }();
    return factors;
}

template <int N> [[gnu::always_inline]] inline void Dct(const float* x, float* out) {
    if constexpr (N == 1) {
        out[0] = x[0];
    } else {
        constexpr int H = N / 2;
        const auto& factors = Factors<N>();
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

typedef float TFloat4 __attribute__((vector_size(16)));

TFloat4 Load(const float* p) {
    TFloat4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

TFloat4 Splat(float value) {
    return TFloat4{value, value, value, value};
}

// The butterflies of one halving over V vectors (4V values): even[n] = x[n] + x[4V-1-n],
// odd[n] = (x[n] - x[4V-1-n]) * factor[n], for the first 2V values.
template <int V> void Butterflies(const TFloat4* x, const float* factors, TFloat4* even, TFloat4* odd) {
    for (int i = 0; i < V / 2; ++i) {
        const TFloat4 mirrored = __builtin_shufflevector(x[V - 1 - i], x[V - 1 - i], 3, 2, 1, 0);
        even[i] = x[i] + mirrored;
        odd[i] = (x[i] - mirrored) * Load(factors + 4 * i);
    }
}

// Joins the transforms of the even and odd halves (V vectors each) into 2V vectors:
// out[2k] = even[k], out[2k+1] = odd[k] + odd[k+1], and the last odd value alone.
template <int V> void Joined(const TFloat4* even, const TFloat4* odd, TFloat4* out) {
    for (int i = 0; i < V; ++i) {
        TFloat4 sums;
        if (i + 1 < V) {
            sums = odd[i] + __builtin_shufflevector(odd[i], odd[i + 1], 1, 2, 3, 4);
        } else {
            sums = odd[i] + __builtin_shufflevector(odd[i], odd[i], 1, 2, 3, 3);
            sums = __builtin_shufflevector(sums, odd[i], 0, 1, 2, 7);
        }
        out[2 * i] = __builtin_shufflevector(even[i], sums, 0, 4, 1, 5);
        out[2 * i + 1] = __builtin_shufflevector(even[i], sums, 2, 6, 3, 7);
    }
}

void Transpose(TFloat4& a, TFloat4& b, TFloat4& c, TFloat4& d) {
    const TFloat4 t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
    const TFloat4 t1 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
    const TFloat4 t2 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const TFloat4 t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(t0, t1, 0, 1, 4, 5);
    b = __builtin_shufflevector(t0, t1, 2, 3, 6, 7);
    c = __builtin_shufflevector(t2, t3, 0, 1, 4, 5);
    d = __builtin_shufflevector(t2, t3, 2, 3, 6, 7);
}

// Four 4-point transforms side by side: lane i of every vector belongs to transform i.
void FourPointTransforms(TFloat4& x0, TFloat4& x1, TFloat4& x2, TFloat4& x3) {
    const TFloat4 f4a = Splat(Factors<4>()[0]), f4b = Splat(Factors<4>()[1]), f2 = Splat(Factors<2>()[0]);
    const TFloat4 e0 = x0 + x3, e1 = x1 + x2;
    const TFloat4 o0 = (x0 - x3) * f4a, o1 = (x1 - x2) * f4b;
    const TFloat4 oddSecond = (o0 - o1) * f2;
    x0 = e0 + e1;
    x1 = (o0 + o1) + oddSecond;
    x2 = (e0 - e1) * f2;
    x3 = oddSecond;
}

} // namespace

void MpegDctScalar32(const float x[32], float out[32]) {
    Dct<32>(x, out);
}

void MpegDctScalar16(const float x[16], float out[16]) {
    Dct<16>(x, out);
}

void MpegDctScalar8(const float x[8], float out[8]) {
    Dct<8>(x, out);
}

void MpegDct32(const float x[32], float out[32]) {
    TFloat4 in[8];
    for (int i = 0; i < 8; ++i)
        in[i] = Load(x + 4 * i);
    // Halvings down to eight groups of four values, one vector each.
    TFloat4 e16[4], o16[4], q8[8], g4[8];
    Butterflies<8>(in, Factors<32>().data(), e16, o16);
    Butterflies<4>(e16, Factors<16>().data(), q8, q8 + 2);
    Butterflies<4>(o16, Factors<16>().data(), q8 + 4, q8 + 6);
    for (int group = 0; group < 4; ++group)
        Butterflies<2>(q8 + 2 * group, Factors<8>().data(), g4 + 2 * group, g4 + 2 * group + 1);
    Transpose(g4[0], g4[1], g4[2], g4[3]);
    FourPointTransforms(g4[0], g4[1], g4[2], g4[3]);
    Transpose(g4[0], g4[1], g4[2], g4[3]);
    Transpose(g4[4], g4[5], g4[6], g4[7]);
    FourPointTransforms(g4[4], g4[5], g4[6], g4[7]);
    Transpose(g4[4], g4[5], g4[6], g4[7]);
    // Joins back up: four 8-point, two 16-point and the 32-point transform.
    TFloat4 t8[8], t16[8], result[8];
    for (int group = 0; group < 4; ++group)
        Joined<1>(g4 + 2 * group, g4 + 2 * group + 1, t8 + 2 * group);
    Joined<2>(t8, t8 + 2, t16);
    Joined<2>(t8 + 4, t8 + 6, t16 + 4);
    Joined<4>(t16, t16 + 4, result);
    std::memcpy(out, result, sizeof result);
}
