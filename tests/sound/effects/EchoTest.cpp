#include "EffectTestKit.h"
#include "sound/Eff_Echo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(Echo, AnImpulseComesBackOnceAtTheDelayWithTheGainAcrossBlocks) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 2, 16, 44100);
    echo.Delay = 10; // 441 frames
    auto left = Impulse(1200, 5, 10000);
    auto right = Impulse(1200, 7, -10000);
    auto expectedLeft = left, expectedRight = right;
    expectedLeft[446] = 5000;
    expectedRight[448] = -5000;
    // Blocks of uneven sizes: the rings and positions carry over between them.
    for (int start : {0, 100, 437, 900}) {
        int end = start == 900 ? 1200 : start == 0 ? 100 : start == 100 ? 437 : 900;
        echo.Process(left.data() + start, right.data() + start, end - start);
    }
    EXPECT_EQ(left, expectedLeft);
    EXPECT_EQ(right, expectedRight);
    EXPECT_EQ(echo.PosL, 1200);
    EXPECT_EQ(echo.PosR, 1200);
}

TEST(Echo, GainZeroLeavesTheDataAndFullGainDoublesAConstantUntilItSaturates) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 8000);
    echo.Gain = 0;
    auto noise = Noise(4000, 1);
    auto data = noise;
    echo.Process(data.data(), nullptr, 4000);
    EXPECT_EQ(data, noise);

    TSndEcho loud(nullptr);
    ReadyEffect ready2(loud, 1, 16, 8000);
    loud.Gain = 128;
    loud.Delay = 100; // 800 frames
    std::vector<short> low(2000, 1000), high(2000, 20000);
    loud.Process(low.data(), nullptr, 2000);
    EXPECT_EQ(low[799], 1000);
    EXPECT_EQ(low[800], 2000);
    loud.Process(high.data(), nullptr, 2000);
    EXPECT_EQ(high[1999], 32767) << "20000 + 20000 saturates";
}

TEST(Echo, NegativeEchoesTruncateTowardZero) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 1000);
    echo.Delay = 1; // one frame
    echo.Gain = 1;
    std::vector<short> data{-127, 0, -128, 0, 127, 0};
    echo.Process(data.data(), nullptr, 6);
    EXPECT_EQ(data, (std::vector<short>{-127, 0, -128, -1, 127, 0})) << "-127/128 is 0, -128/128 is -1";
}

TEST(Echo, ADelayLongerThanTheRingIsLimitedToIt) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 48000);
    echo.Delay = 1000; // 48000 frames do not fit the ring of 44100
    auto data = Impulse(46000, 0, 12800);
    echo.Process(data.data(), nullptr, 46000);
    EXPECT_EQ(data[44099], 6400);
    EXPECT_EQ(data[44100], 0);
}

TEST(Echo, ADelayBelowZeroCountsAsNoDelayInsteadOfReadingOutsideTheRing) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 44100);
    echo.Delay = -500;
    std::vector<short> data{1000, -1000, 3};
    echo.Process(data.data(), nullptr, 3);
    EXPECT_EQ(data, (std::vector<short>{1500, -1500, 4})) << "x (1 + 64/128)";
}

TEST(Echo, AGainBeyondAnyPanelSaturatesInsteadOfOverflowing) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 44100);
    echo.Delay = 0;
    echo.Gain = 2'000'000'000;
    std::vector<short> data{30000, -30000, 0};
    echo.Process(data.data(), nullptr, 3);
    EXPECT_EQ(data, (std::vector<short>{32767, -32768, 0}));
}

TEST(Echo, InitRestartsThePositionsButKeepsTheRings) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 1, 16, 1000);
    echo.Delay = 3;
    std::vector<short> first(TSndEcho::RingLength, 100);
    echo.Process(first.data(), nullptr, TSndEcho::RingLength);
    echo.Init();
    EXPECT_EQ(ready.changes, 2) << "Init fires the change event";
    EXPECT_EQ(echo.PosL, 0);
    // The reads 3 frames behind position 0 start at the ring's end, still full of old sound.
    std::vector<short> silence(5, 0);
    echo.Process(silence.data(), nullptr, 5);
    EXPECT_EQ(silence, (std::vector<short>{50, 50, 50, 0, 0}));
}

TEST(Echo, EmptyBlocksAndMissingChannelsChangeNothing) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 2, 16, 44100);
    std::vector<short> data(10, 7);
    echo.Process(data.data(), nullptr, 0);
    echo.Process(nullptr, nullptr, 10);
    EXPECT_EQ(echo.PosL, 0);
    EXPECT_EQ(echo.PosR, 0);
    echo.Process(data.data(), nullptr, 10);
    EXPECT_EQ(echo.PosL, 10);
    EXPECT_EQ(echo.PosR, 0) << "mono: only the left channel runs";
}

TEST(Echo, AnUnreadyEchoLeavesBlocksUntouched) {
    TSndEcho echo(nullptr);
    echo.Delay = 0;
    WAVEFORMATEX format = MakeFormat(1, 16, 44100);
    std::vector<short> data{1000, 2000};
    echo.Process(data.data(), nullptr, 2);
    EXPECT_EQ(data, (std::vector<short>{1000, 2000})) << "no format, no handler";
    echo.Format = &format;
    echo.Process(data.data(), nullptr, 2);
    EXPECT_EQ(data, (std::vector<short>{1000, 2000})) << "no change handler";
    echo.Format = nullptr;
    echo.SetOnChange([](TObject*) {});
    echo.Process(data.data(), nullptr, 2);
    EXPECT_EQ(data, (std::vector<short>{1000, 2000})) << "no format";
    EXPECT_EQ(echo.PosL, 0);
}

TEST(EchoConcurrency, EditsAndInitFromAnotherThreadWhileBlocksRun) {
    TSndEcho echo(nullptr);
    ReadyEffect ready(echo, 2, 16, 44100);
    std::atomic<bool> stop{false};
    std::thread events([&] {
        auto left = Noise(4096, 2), right = Noise(4096, 3);
        while (!stop.load())
            echo.Process(left.data(), right.data(), 4096);
    });
    for (int i = 0; i < 200; ++i) {
        echo.Delay = i * 7 % 1200 - 100;
        echo.Gain = i % 300;
        if (i % 20 == 0) echo.Init();
    }
    stop = true;
    events.join();
    EXPECT_GE(echo.PosL, 0);
    EXPECT_LT(echo.PosL, TSndEcho::RingLength);
    EXPECT_EQ(echo.PosL, echo.PosR);
}
