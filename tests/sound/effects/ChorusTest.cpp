#include "EffectTestKit.h"
#include "sound/Eff_Chor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// A chorus at 4000 Hz whose oscillator stands still (one table entry) at a delay of 4
// samples, so every read falls on a whole ring entry.
struct CombChorus {
    CombChorus() : chorus(nullptr), ready(chorus, 1, 16, 4000) {
        chorus.Depth = 0;
        chorus.Rate = 4000.0f;
        chorus.Init();
        chorus.LfoTable[0] = 4.0f;
    }
    TSndChorus chorus;
    ReadyEffect ready;
};

} // namespace

TEST(Chorus, WithoutWetAndFeedbackTheOutputIsTheScaledDrySignal) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 2, 16, 44100);
    chorus.WetGain = 0;
    chorus.FeedbackGain = 0;
    auto left = Noise(20000, 4), right = Noise(20000, 5);
    auto dryLeft = left, dryRight = right;
    chorus.DryGain = 128;
    chorus.Process(left.data(), nullptr, 20000);
    EXPECT_EQ(left, dryLeft);
    chorus.DryGain = 64;
    chorus.Process(right.data(), nullptr, 20000);
    for (std::size_t i = 0; i < dryRight.size(); ++i)
        ASSERT_EQ(right[i], static_cast<short>(dryRight[i] / 2)) << "truncating toward zero at " << i;
}

TEST(Chorus, DefaultsSweepATriangleFromTheDelayToDelayPlusDepth) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 2, 16, 44100);
    EXPECT_EQ(chorus.LfoLength, 44100);
    EXPECT_FLOAT_EQ(chorus.LfoTable[0], 8820.0f);
    EXPECT_FLOAT_EQ(chorus.LfoTable[22050], 13230.0f);
    EXPECT_FLOAT_EQ(chorus.LfoTable[44099], 8820.0f + 4410.0f * 2 / 44100);
    EXPECT_EQ(ready.changes, 1);
}

TEST(Chorus, TheSineSweepsAroundDelayPlusHalfTheDepth) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 1, 16, 44100);
    chorus.Waveform = 0;
    chorus.Init();
    EXPECT_FLOAT_EQ(chorus.LfoTable[0], 11025.0f);
    EXPECT_FLOAT_EQ(chorus.LfoTable[11025], 11025.0f + 4410.0f);
    EXPECT_FLOAT_EQ(chorus.LfoTable[33075], 11025.0f - 4410.0f);
}

TEST(Chorus, RateOutsideItsRangeIsBroughtBackAtInit) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 1, 16, 8000);
    chorus.Rate = 0.0f;
    chorus.Init();
    EXPECT_EQ(chorus.Rate.load(), 1.0f);
    EXPECT_EQ(chorus.LfoLength, 8000);
    chorus.Rate = -3.0f;
    chorus.Init();
    EXPECT_EQ(chorus.Rate.load(), 1.0f);
    chorus.Rate = 9000.0f;
    chorus.Init();
    EXPECT_EQ(chorus.Rate.load(), 8000.0f);
    EXPECT_EQ(chorus.LfoLength, 1);
}

TEST(Chorus, TheOscillatorOfSlowSweepsAndHighRatesFitsItsTable) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 2, 16, 48000);
    EXPECT_EQ(chorus.LfoLength, 48000) << "one cycle a second at 48 kHz";
    EXPECT_GE(chorus.LfoTable.size(), 48000u);
    EXPECT_FLOAT_EQ(chorus.LfoTable[47999], 9600.0f + 4800.0f * 2 / 48000);
    chorus.Rate = 0.001f;
    chorus.Init();
    EXPECT_EQ(chorus.Rate.load(), TSndChorus::MinRate);
    EXPECT_NEAR(chorus.LfoLength, 480000, 1);
    EXPECT_GE(chorus.LfoTable.size(), static_cast<std::size_t>(chorus.LfoLength));
    auto left = Noise(1000, 6);
    chorus.Process(left.data(), nullptr, 1000);
    EXPECT_EQ(chorus.LfoPos, 1000);
}

TEST(Chorus, ARateBelowTheLowestIsUsedWithoutChangingTheEnginesFormat) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 1, 8, 2000);
    EXPECT_EQ(ready.format.nSamplesPerSec, 2000u);
    EXPECT_EQ(chorus.InitRate(), 4000u);
    EXPECT_EQ(chorus.LfoLength, 4000);
}

TEST(Chorus, FeedbackBuildsUpAndTheRingKeepsOnlyTheLowSixteenBits) {
    CombChorus comb;
    TSndChorus& chorus = comb.chorus;
    chorus.DryGain = 128;
    chorus.WetGain = 128;
    chorus.FeedbackGain = 64;
    chorus.FeedbackSign = 1;
    auto data = Impulse(20, 0, 12800);
    chorus.Process(data.data(), nullptr, 20);
    // The read 4 samples before position 0 wraps to the ring's end (still silent).
    EXPECT_EQ(data[0], 12800);
    EXPECT_EQ(data[4], 12800);
    EXPECT_EQ(data[8], 19200);
    EXPECT_EQ(data[12], 28800);
    EXPECT_EQ(data[16], 43200 - 65536) << "28800 + 14400 wrapped in the ring, not saturated";
    EXPECT_EQ(data[1] | data[5] | data[9] | data[13] | data[17], 0);
}

TEST(Chorus, InvertedMixingAndFeedbackSubtractTheDelayedSignal) {
    CombChorus comb;
    TSndChorus& chorus = comb.chorus;
    chorus.DryGain = 128;
    chorus.WetGain = 64;
    chorus.FeedbackGain = 128;
    chorus.MixSign = -1;
    chorus.FeedbackSign = -1;
    auto data = Impulse(9, 0, 1000);
    chorus.Process(data.data(), nullptr, 9);
    EXPECT_EQ(data[0], 1000);
    EXPECT_EQ(data[4], -500) << "0 - 1000 x 64/128";
    EXPECT_EQ(data[8], 750) << "the ring held -500 - 1000, mixed inverted once more";
}

TEST(Chorus, FractionalReadsInterpolateAndReadsBeforeTheStartTakeTheirSignedFraction) {
    CombChorus comb;
    TSndChorus& chorus = comb.chorus;
    chorus.DryGain = 0;
    chorus.WetGain = 128;
    chorus.FeedbackGain = 0;
    chorus.LfoTable[0] = 4.5f;
    chorus.RingL[44096] = 1001;
    chorus.RingL[44097] = -301;
    std::vector<short> data(12, 0);
    chorus.Process(data.data(), nullptr, 1);
    // p = -4.5: k = -4, frac = -0.5, entries 44096 and 44097.
    EXPECT_EQ(data[0], 1501 + 150);
    chorus.PosL = 10;
    chorus.RingL[5] = 301;
    chorus.RingL[6] = -101;
    chorus.Process(data.data() + 10, nullptr, 1);
    EXPECT_EQ(data[10], 150 - 50) << "p = 5.5 halves entries 5 and 6, each truncated";
}

TEST(Chorus, DelayChangesAreHeardOnlyAfterTheNextInit) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 1, 16, 44100);
    const float before = chorus.LfoTable[100];
    chorus.Delay = 400;
    chorus.Depth = 10;
    EXPECT_EQ(chorus.LfoTable[100], before);
    chorus.Init();
    EXPECT_FLOAT_EQ(chorus.LfoTable[0], 17640.0f) << "400 ms at 44100 Hz";
}

TEST(Chorus, AnUnreadyChorusLeavesBlocksUntouched) {
    TSndChorus chorus(nullptr);
    WAVEFORMATEX format = MakeFormat(2, 16, 44100);
    chorus.Format = &format;
    chorus.Init();
    auto left = Noise(500, 7), right = Noise(500, 8);
    auto before = left;
    chorus.Process(left.data(), right.data(), 500);
    EXPECT_EQ(left, before);
    EXPECT_EQ(chorus.PosL, 0);
}

TEST(ChorusConcurrency, EditsAndInitFromAnotherThreadWhileBlocksRun) {
    TSndChorus chorus(nullptr);
    ReadyEffect ready(chorus, 2, 16, 48000);
    std::atomic<bool> stop{false};
    std::thread events([&] {
        auto left = Noise(4096, 9), right = Noise(4096, 10);
        while (!stop.load())
            chorus.Process(left.data(), right.data(), 4096);
    });
    for (int i = 0; i < 100; ++i) {
        chorus.Delay = i * 13 % 700 - 50;
        chorus.Depth = i * 7 % 400 - 20;
        chorus.Rate = static_cast<float>(i % 25) - 2.0f;
        chorus.Waveform = i % 2;
        chorus.WetGain = i * 3;
        chorus.Init();
    }
    stop = true;
    events.join();
    EXPECT_GE(chorus.LfoLength, 1);
    EXPECT_LT(chorus.LfoPos, chorus.LfoLength);
}
