#include "platform/kernel/Clock.h"

#include <gtest/gtest.h>

TEST(TickClock, TestClockReplacesTheSystemClockAndRestoresIt) {
    DWORD before = GetTickCount();
    {
        ScopedTestClock test(1234);
        EXPECT_EQ(GetTickCount(), 1234u);
        test.clock().Advance(66);
        EXPECT_EQ(GetTickCount(), 1300u);
    }
    // Back on the system clock: close to the reading before the scope, not 1300.
    EXPECT_LT(static_cast<DWORD>(GetTickCount() - before), 60000u);
}

TEST(TickClock, DifferencesStayRightAcrossTheWrap) {
    ScopedTestClock test(0xFFFFFF00u);
    DWORD stamp = GetTickCount();
    test.clock().Advance(0x200);
    EXPECT_EQ(GetTickCount(), 0x100u);
    // Elapsed time is a wrapping subtraction: 512 ms, not four billion.
    EXPECT_EQ(GetTickCount() - stamp, 0x200u);
    EXPECT_FALSE(GetTickCount() - stamp > 3500u);
}

TEST(TickClock, SleepAdvancesATestClockOnlyWhenAskedTo) {
    {
        ScopedTestClock still(100, false);
        Sleep(50);
        EXPECT_EQ(GetTickCount(), 100u);
    }
    {
        ScopedTestClock moving(100, true);
        Sleep(50);
        Sleep(0);
        EXPECT_EQ(GetTickCount(), 150u);
    }
}
