#include "EffectTestKit.h"
#include "sound/Eff_EQ.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace {

void SetGains(TSndEQ& eq, std::initializer_list<int> gains) {
    int j = 0;
    for (int g : gains)
        eq.Gains[static_cast<std::size_t>(j++)] = g;
}

// Runs 16-bit samples through the raw interface in blocks of the given byte lengths.
std::vector<short> Run16(TSndEQ& eq, std::vector<short> samples, int blockBytes) {
    auto* bytes = reinterpret_cast<BYTE*>(samples.data());
    const int total = static_cast<int>(samples.size() * 2);
    for (int at = 0; at < total; at += blockBytes)
        eq.Process(reinterpret_cast<short*>(bytes + at), nullptr, std::min(blockBytes, total - at));
    return samples;
}

// The band formula worked out directly from the input, each average summed afresh over its
// window (frames before the first count as silence).
std::vector<short> Reference(const std::vector<short>& in, int stride, const std::array<int, 11>& gains) {
    const auto h = [&](long index) {
        return index < 0 ? 0 : static_cast<int>(in[static_cast<std::size_t>(index)]);
    };
    std::vector<short> out(in.size());
    for (long i = 0; i < static_cast<long>(in.size()); ++i) {
        const long c = i - 256L * stride;
        int average[9];
        average[0] = (h(c - stride) + h(c)) / 2;
        for (int k = 1; k < 9; ++k) {
            int sum = 0;
            for (long j = -(1L << k); j < (1L << k); ++j)
                sum += h(c + j * stride);
            average[k] = sum / (2 << k);
        }
        long long total = static_cast<long long>(h(c) - average[0]) * gains[1] / 128;
        for (int k = 1; k < 9; ++k)
            total += static_cast<long long>(average[k - 1] - average[k]) *
                     gains[static_cast<std::size_t>(k + 1)] / 128;
        total += static_cast<long long>(average[8]) * gains[10] / 128;
        out[static_cast<std::size_t>(i)] = Saturate16(total * gains[0] / 128);
    }
    return out;
}

} // namespace

TEST(Equaliser, AtUnityGainsTheOutputIsTheInputDelayedBy256Frames) {
    for (WORD channels : {1, 2}) {
        TSndEQ eq(nullptr);
        ReadyEffect ready(eq, channels, 16, 44100);
        auto input = Noise(70000 * channels, 11, 32767);
        // Blocks of 4 KiB and a last short one: the history wraps past its end on the way.
        auto output = Run16(eq, input, 4096);
        const std::size_t lag = 256u * channels;
        for (std::size_t i = 0; i < lag; ++i)
            ASSERT_EQ(output[i], 0) << i;
        for (std::size_t i = lag; i < input.size(); ++i)
            ASSERT_EQ(output[i], input[i - lag]) << "channels " << channels << " at " << i;
    }
}

TEST(Equaliser, EightBitDataIsDelayedTheSameWay) {
    for (WORD channels : {1, 2}) {
        TSndEQ eq(nullptr);
        ReadyEffect ready(eq, channels, 8, 22050);
        std::vector<BYTE> input(5000u * channels);
        for (std::size_t i = 0; i < input.size(); ++i)
            input[i] = static_cast<BYTE>(i * 37 % 256);
        auto output = input;
        eq.Process(reinterpret_cast<short*>(output.data()), nullptr, static_cast<int>(output.size()));
        const std::size_t lag = 256u * channels;
        EXPECT_EQ(output[0], 0x80) << "silence before the input arrives";
        for (std::size_t i = lag; i < input.size(); ++i)
            ASSERT_EQ(output[i], input[i - lag]) << i;
    }
}

TEST(Equaliser, MatchesTheBandFormulaWorkedOutDirectlyForAnyGains) {
    for (WORD channels : {1, 2}) {
        TSndEQ eq(nullptr);
        ReadyEffect ready(eq, channels, 16, 44100);
        const std::array<int, 11> gains{100, 300, 12, 0, 128, 1280, 64, 200, 17, 40, 90};
        for (std::size_t j = 0; j < gains.size(); ++j)
            eq.Gains[j] = gains[j];
        auto input = Noise(6000 * channels, 12, 25000);
        auto output = Run16(eq, input, 1000 * channels);
        EXPECT_EQ(output, Reference(input, channels, gains)) << channels << " channels";
    }
}

TEST(Equaliser, MasterGainZeroSilencesBothSampleWidths) {
    TSndEQ wide(nullptr);
    ReadyEffect ready(wide, 1, 16, 44100);
    wide.Gains[0] = 0;
    auto data = Run16(wide, Noise(3000, 13), 6000);
    EXPECT_EQ(data, std::vector<short>(3000, 0));

    TSndEQ narrow(nullptr);
    ReadyEffect ready8(narrow, 2, 8, 11025);
    narrow.Gains[0] = 0;
    std::vector<BYTE> bytes(3000, 0xF0);
    narrow.Process(reinterpret_cast<short*>(bytes.data()), nullptr, 3000);
    EXPECT_EQ(bytes, std::vector<BYTE>(3000, 0x80));
}

TEST(Equaliser, TheLowestBandAloneIsThe512FrameAverage) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 1, 16, 44100);
    SetGains(eq, {128, 0, 0, 0, 0, 0, 0, 0, 0, 0, 128});
    std::vector<short> input(4000);
    for (std::size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<short>(5000 + (i % 2 ? 8000 : -8000)); // a constant and the highest tone
    auto output = Run16(eq, input, 8000);
    for (std::size_t i = 1000; i < output.size(); ++i)
        ASSERT_EQ(output[i], 5000) << "the tone averages out, the constant stays, at " << i;
}

TEST(Equaliser, SilentEightBitHistoryGivesSilenceWhateverTheGains) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 1, 8, 8000);
    SetGains(eq, {1280, 1280, 12, 1280, 500, 9, 1280, 77, 1280, 3, 1280});
    std::vector<BYTE> bytes(2000, 0x80);
    eq.Process(reinterpret_cast<short*>(bytes.data()), nullptr, 2000);
    EXPECT_EQ(bytes, std::vector<BYTE>(2000, 0x80));
}

TEST(Equaliser, LoudGainsSaturateAndGainsBeyondAnyPanelDoNotOverflow) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 1, 16, 44100);
    for (auto& gain : eq.Gains)
        gain = 2'000'000'000;
    std::vector<short> input(1000, 30000);
    input.resize(2000, -30000);
    auto output = Run16(eq, input, 4000);
    EXPECT_EQ(output[600], 32767);
    EXPECT_EQ(output[1600], -32768);
}

TEST(Equaliser, AHalfFrameAtTheEndOfAPartIsLeftAsItIs) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 2, 16, 44100);
    std::vector<short> data{100, 200, 300};
    eq.Process(data.data(), nullptr, 6);
    EXPECT_EQ(data, (std::vector<short>{0, 0, 300}));
    EXPECT_EQ(eq.WritePos, 2);
    eq.Process(nullptr, nullptr, 0); // the engine's empty second part
    eq.Process(data.data(), nullptr, 0);
    EXPECT_EQ(eq.WritePos, 2);
}

TEST(Equaliser, InitRestartsAndRecomputesTheSumsFromTheHistory) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 1, 16, 44100);
    Run16(eq, Noise(3000, 14), 6000);
    eq.Init();
    EXPECT_EQ(eq.WritePos, 0);
    EXPECT_TRUE(eq.Resync);
    EXPECT_EQ(ready.changes, 2);
    Run16(eq, Noise(10, 15), 20);
    EXPECT_FALSE(eq.Resync);
}

TEST(Equaliser, AnUnreadyEqualiserLeavesBlocksUntouched) {
    TSndEQ eq(nullptr);
    WAVEFORMATEX format = MakeFormat(1, 16, 44100);
    eq.Format = &format;
    eq.Init();
    auto input = Noise(1000, 16);
    EXPECT_EQ(Run16(eq, input, 2000), input);
    EXPECT_EQ(eq.WritePos, 0);
}

TEST(EqualiserConcurrency, GainsEditedFromAnotherThreadWhileBlocksRun) {
    TSndEQ eq(nullptr);
    ReadyEffect ready(eq, 2, 16, 44100);
    std::atomic<bool> stop{false};
    std::thread events([&] {
        auto block = Noise(16384, 17);
        while (!stop.load())
            eq.Process(block.data(), nullptr, 32768);
    });
    for (int i = 0; i < 300; ++i) {
        eq.Gains[static_cast<std::size_t>(i % 11)] = i * 5;
        if (i % 50 == 0) eq.Init();
    }
    stop = true;
    events.join();
    EXPECT_EQ(eq.WritePos % 2, 0);
}
