// The synthesis filter's DCT: the four-lane transform gives the scalar one's bits, and the
// scalar one is the DCT-II.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "sound/MpgDct.h"

namespace {

// Subband values as the decoder meets them, with the odd ones a filter bank can make:
// signed zeros, values far below and far above the usual range.
void RandomSubbands(std::mt19937& random, float x[32]) {
    std::uniform_real_distribution<float> usual(-40000.0f, 40000.0f);
    for (int n = 0; n < 32; ++n) {
        switch (random() % 8) {
        case 0:
            x[n] = (random() & 1) ? -0.0f : 0.0f;
            break;
        case 1:
            x[n] = usual(random) * std::numeric_limits<float>::denorm_min();
            break;
        case 2:
            x[n] = usual(random) * 1e20f;
            break;
        default:
            x[n] = usual(random);
        }
    }
}

} // namespace

TEST(MpegDct, FourLanesGiveTheScalarTransformsBits) {
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        float x[32], lanes[32], scalar[32];
        RandomSubbands(random, x);
        MpegDct32(x, lanes);
        MpegDctScalar32(x, scalar);
        ASSERT_EQ(std::memcmp(lanes, scalar, sizeof lanes), 0) << "round " << round;
    }
}

TEST(MpegDct, IsTheDctTwoWithinSinglePrecision) {
    std::mt19937 random(12);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    float x[32], out[32], out16[16], out8[8];
    for (float& v : x)
        v = float(value(random));
    auto expected = [&x](int n, int k) {
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += double(x[i]) * std::cos((2 * i + 1) * k * M_PI / (2.0 * n));
        return sum;
    };
    MpegDct32(x, out);
    MpegDctScalar16(x, out16);
    MpegDctScalar8(x, out8);
    for (int k = 0; k < 32; ++k)
        EXPECT_NEAR(out[k], expected(32, k), 2e-5) << k;
    for (int k = 0; k < 16; ++k)
        EXPECT_NEAR(out16[k], expected(16, k), 1e-5) << k;
    for (int k = 0; k < 8; ++k)
        EXPECT_NEAR(out8[k], expected(8, k), 1e-5) << k;
}
