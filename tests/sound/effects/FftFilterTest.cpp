#include "EffectTestKit.h"
#include "sound/Eff_FFT.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <complex>
#include <numbers>
#include <thread>

namespace {

using Complex = std::complex<double>;

// The transform worked out term by term; sign +1 turns the way the effect's forward
// transform does.
std::vector<Complex> Dft(const std::vector<Complex>& x, double sign) {
    const std::size_t n = x.size();
    std::vector<Complex> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        Complex sum;
        for (std::size_t t = 0; t < n; ++t)
            sum += x[t] * std::polar(1.0, sign * 2.0 * std::numbers::pi * static_cast<double>(k * t % n) /
                                              static_cast<double>(n));
        out[k] = sum;
    }
    return out;
}

// One chunk through the curve (no shift) by direct transforms: bins i and N-1-i share
// point i * 256 / (N/2) of the curve, bin 0 passes, the result is truncated.
std::vector<short> DirectFilter(const std::vector<short>& chunk, const std::vector<int>& curve) {
    const std::size_t n = chunk.size(), half = n / 2;
    std::vector<Complex> x(chunk.begin(), chunk.end());
    auto spectrum = Dft(x, 1.0);
    std::vector<Complex> filtered(n);
    for (std::size_t i = 0; i < half; ++i) {
        const double g = curve[i * 256 / half] / 32.0;
        filtered[i] = g * spectrum[i];
        filtered[n - 1 - i] = g * spectrum[n - 1 - i];
    }
    filtered[0] = spectrum[0];
    auto back = Dft(filtered, -1.0);
    std::vector<short> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = Saturate16(static_cast<long long>(std::trunc(back[i].real() / static_cast<double>(n))));
    return out;
}

void ExpectWithinOne(const std::vector<short>& actual, const std::vector<short>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        ASSERT_NEAR(actual[i], expected[i], 1) << "sample " << i;
}

double Magnitude(const std::vector<short>& samples, std::size_t bin) {
    std::vector<Complex> x(samples.begin(), samples.end());
    return std::abs(Dft(x, 1.0)[bin]);
}

std::vector<short> Tone(int length, int period, int amplitude) {
    std::vector<short> samples(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i)
        samples[static_cast<std::size_t>(i)] =
            static_cast<short>(amplitude * std::cos(2 * std::numbers::pi * i / period));
    return samples;
}

} // namespace

TEST(SpectrumFilter, TransformLengthsAreTakenDownToAPowerOfTwoAndLimited) {
    TSndFFT fft(nullptr);
    EXPECT_EQ(fft.NumSamples(), 0);
    const std::pair<int, int> cases[] = {{1000, 512}, {20, 32}, {100000, 65536},
                                         {0, 32},     {-5, 32}, {4096, 4096}};
    for (auto [asked, got] : cases) {
        fft.SetNumSamples(asked);
        EXPECT_EQ(fft.NumSamples(), got) << asked;
        EXPECT_EQ(fft.Re.size(), static_cast<std::size_t>(got));
        EXPECT_EQ(fft.BitRev[static_cast<std::size_t>(got - 1)], got - 1);
    }
    const double* before = fft.Re.data();
    fft.SetNumSamples(4096);
    EXPECT_EQ(fft.Re.data(), before) << "the current length again reallocates nothing";
    ReadyEffect ready(fft, 2, 16, 44100);
    EXPECT_EQ(fft.NumSamples(), 512) << "every Init goes back to 512";
}

TEST(SpectrumFilter, TheForwardTransformMatchesADirectTransformOnRandomChunks) {
    for (int n : {32, 512}) {
        TSndFFT fft(nullptr);
        fft.SetNumSamples(n);
        auto chunk = Noise(n, static_cast<unsigned>(n));
        fft.Perform(chunk.data());
        auto expected = Dft(std::vector<Complex>(chunk.begin(), chunk.end()), 1.0);
        for (int k = 0; k < n; ++k) {
            ASSERT_NEAR(fft.Re[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)].real(),
                        1e-6 * n * 32768);
            ASSERT_NEAR(fft.Im[static_cast<std::size_t>(k)], expected[static_cast<std::size_t>(k)].imag(),
                        1e-6 * n * 32768);
        }
    }
}

TEST(SpectrumFilter, AFlatCurveGivesTheInputBackWithinRounding) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 2, 16, 44100);
    for (int length : {512 * 8, 700, 100}) {
        auto left = Noise(length, 20), right = Noise(length, 21);
        auto inLeft = left, inRight = right;
        fft.Process(left.data(), right.data(), length);
        ExpectWithinOne(left, inLeft);
        ExpectWithinOne(right, inRight);
    }
}

TEST(SpectrumFilter, AShapedCurveMatchesDirectTransformsOnRandomBlocks) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 1, 16, 44100);
    std::vector<int> curve(256);
    for (int p = 0; p < 256; ++p) {
        curve[static_cast<std::size_t>(p)] = (p * 37) % 128;
        fft.Curve[static_cast<std::size_t>(p)] = curve[static_cast<std::size_t>(p)];
    }
    auto block = Noise(1024, 22, 12000);
    auto in = block;
    fft.Process(block.data(), nullptr, 1024);
    for (int chunk = 0; chunk < 2; ++chunk) {
        std::vector<short> part(in.begin() + chunk * 512, in.begin() + (chunk + 1) * 512);
        std::vector<short> got(block.begin() + chunk * 512, block.begin() + (chunk + 1) * 512);
        ExpectWithinOne(got, DirectFilter(part, curve));
    }
}

TEST(SpectrumFilter, ACurveOfZeroLeavesEachChunkItsMean) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 1, 16, 44100);
    for (auto& point : fft.Curve)
        point = 0;
    auto block = Noise(1024, 23);
    auto in = block;
    fft.Process(block.data(), nullptr, 1024);
    for (int chunk = 0; chunk < 2; ++chunk) {
        long sum = 0;
        for (int i = 0; i < 512; ++i)
            sum += in[static_cast<std::size_t>(chunk * 512 + i)];
        for (int i = 0; i < 512; ++i)
            ASSERT_NEAR(block[static_cast<std::size_t>(chunk * 512 + i)], sum / 512.0, 1.0)
                << chunk << " " << i;
    }
}

TEST(SpectrumFilter, AnAbsoluteShiftEmptiesTheLowestBinsButTheFirst) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 1, 16, 44100);
    fft.Proportional = false;
    fft.Shift = 64; // d = 64 x 512 / 1024 = 32 bins
    auto block = Noise(512, 24);
    fft.Process(block.data(), nullptr, 512);
    EXPECT_NE(fft.OutRe[0], 0.0);
    for (std::size_t i = 1; i < 32; ++i) {
        ASSERT_EQ(fft.OutRe[i], 0.0) << i;
        ASSERT_EQ(fft.OutIm[511 - i], 0.0) << i;
    }
    EXPECT_EQ(fft.OutRe[32], fft.OutRe[0]) << "bin 32 takes bin 0, which passes unchanged";
}

TEST(SpectrumFilter, APositiveShiftRaisesATone) {
    // A tone on bin 64 of 512 (period 8). Output bin i takes input bin j: a positive shift
    // reads from below, so frequencies rise (and the lowest bins of an absolute shift empty).
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 1, 16, 44100);
    fft.Shift = 128; // proportional: j = i x (256 - 128) / 256
    auto tone = Tone(512, 8, 10000);
    fft.Process(tone.data(), nullptr, 512);
    EXPECT_GT(Magnitude(tone, 128), 100.0 * Magnitude(tone, 64)) << "up an octave";

    fft.Proportional = false;
    fft.Shift = -64; // absolute: j = i + 32
    tone = Tone(512, 8, 10000);
    fft.Process(tone.data(), nullptr, 512);
    EXPECT_GT(Magnitude(tone, 32), 100.0 * Magnitude(tone, 64)) << "down by 32 bins";
}

TEST(SpectrumFilter, ShiftsBeyondAQuarterOfTheSpectrumAreTakenAtTheLimit) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 1, 16, 44100);
    const auto filtered = [&](int shift) {
        fft.Shift = shift;
        auto block = Noise(1024, 25);
        fft.Process(block.data(), nullptr, 1024);
        return block;
    };
    for (bool proportional : {true, false}) {
        fft.Proportional = proportional;
        EXPECT_EQ(filtered(100000), filtered(TSndFFT::ShiftLimit)) << proportional;
        EXPECT_EQ(filtered(-100000), filtered(-TSndFFT::ShiftLimit)) << proportional;
    }
}

TEST(SpectrumFilter, LengthsBelow512MapBinsOntoTheWholeCurve) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 1, 16, 44100);
    fft.SetNumSamples(32);
    for (int p = 0; p < 128; ++p)
        fft.Curve[static_cast<std::size_t>(p)] = 0; // bins 1..7 of 16
    auto low = Tone(32, 8, 10000);                  // bin 4
    auto high = Tone(32, 3, 10000);                 // near bin 11
    fft.Process(low.data(), nullptr, 32);
    fft.Process(high.data(), nullptr, 32);
    EXPECT_LT(Magnitude(low, 4), 1000.0);
    EXPECT_GT(Magnitude(high, 11), 50000.0);
}

TEST(SpectrumFilter, SpectrumHelpersScaleTheMagnitudes) {
    TSndFFT fft(nullptr);
    fft.SetNumSamples(64);
    std::vector<short> constant(64, 1024);
    fft.Perform(constant.data());
    std::vector<int> linear(32), logarithmic(32);
    fft.CalcSpectrum(linear.data(), 1024);
    fft.LogSpectrum(logarithmic.data(), 100);
    EXPECT_EQ(linear[0], 1024);
    EXPECT_EQ(linear[5], 0);
    EXPECT_EQ(logarithmic[0], 150) << "log10(1) x 2/3 + 1.5";
    EXPECT_EQ(logarithmic[5], -50) << "silence counts as 0.001";
}

TEST(SpectrumFilter, AnUnreadyFilterLeavesBlocksUntouched) {
    TSndFFT fft(nullptr);
    fft.Curve[3] = 0;
    auto block = Noise(1024, 26);
    auto in = block;
    fft.SetOnChange([](TObject*) {});
    fft.Process(block.data(), nullptr, 1024);
    EXPECT_EQ(block, in) << "no format, no transform length";
    WAVEFORMATEX format = MakeFormat(1, 16, 44100);
    fft.SetOnChange(nullptr);
    fft.Format = &format;
    fft.Init();
    fft.Process(block.data(), nullptr, 1024);
    EXPECT_EQ(block, in) << "no change handler";
}

TEST(SpectrumFilterConcurrency, LengthAndCurveChangedFromAnotherThreadWhileBlocksRun) {
    TSndFFT fft(nullptr);
    ReadyEffect ready(fft, 2, 16, 44100);
    std::atomic<bool> stop{false};
    std::thread events([&] {
        auto left = Noise(3000, 27), right = Noise(3000, 28);
        while (!stop.load())
            fft.Process(left.data(), right.data(), 3000);
    });
    for (int i = 0; i < 60; ++i) {
        fft.SetNumSamples(16 << (i % 8));
        fft.Curve[static_cast<std::size_t>(i)] = i;
        fft.Shift = i * 9 - 270;
        fft.Proportional = i % 3 != 0;
        if (i % 10 == 0) fft.Init();
    }
    stop = true;
    events.join();
    EXPECT_GE(fft.NumSamples(), TSndFFT::MinSamples);
}
