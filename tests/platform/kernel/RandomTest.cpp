#include "platform/kernel/Random.h"

#include <gtest/gtest.h>

#include <array>

TEST(Random, ZeroAndNegativeRangesAnswerZero) {
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
}

TEST(Random, SameSeedGivesTheSameSequence) {
    SetRandSeed(42);
    std::array<int, 16> first{};
    for (int& v : first)
        v = Random(1000);
    SetRandSeed(42);
    for (int v : first)
        EXPECT_EQ(Random(1000), v);
}

TEST(Random, DrawsCoverTheRangeEvenly) {
    SetRandSeed(7);
    std::array<int, 6> counts{};
    for (int i = 0; i < 60000; ++i) {
        int v = Random(6);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 6);
        ++counts[static_cast<std::size_t>(v)];
    }
    for (int c : counts)
        EXPECT_NEAR(c, 10000, 500);
}

TEST(Random, RandomizeSeedsFromTheTimeOfDay) {
    SetLocalTimeSource([] {
        SystemTime t;
        t.hour = 1;
        t.minute = 2;
        t.second = 3;
        t.milliseconds = 4;
        return t;
    });
    Randomize();
    EXPECT_EQ(RandSeed(), static_cast<DWORD>(((1 * 60 + 2) * 60 + 3) * 1000 + 4));
    SetLocalTimeSource(nullptr);
}
