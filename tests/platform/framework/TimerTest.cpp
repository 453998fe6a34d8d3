#include "platform/framework/Timer.h"

#include "GuiTestSupport.h"
#include "platform/kernel/Clock.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

struct CountingTimer {
    explicit CountingTimer(DWORD interval) {
        timer.SetInterval(interval);
        timer.OnTimer = [this](TObject*) { ++ticks; };
    }
    TTimer timer{nullptr};
    int ticks = 0;
};

} // namespace

TEST(TimerRules, FiresWhenTheIntervalHasPassedAndAgainAfterAnother) {
    ScopedTestClock clock(1000);
    CountingTimer t(100);
    clock.clock().Advance(99);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 0);
    clock.clock().Advance(1);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1);
    clock.clock().Advance(99);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1);
    clock.clock().Advance(1);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 2);
}

TEST(TimerRules, DueTimesWrapWithTheTickCount) {
    ScopedTestClock clock(0xFFFFFFC0u);
    CountingTimer t(100);
    clock.clock().Advance(99);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 0);
    clock.clock().Advance(1);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1);
}

TEST(TimerRules, EnablingAnEnabledTimerDoesNotRestartIt) {
    ScopedTestClock clock;
    CountingTimer t(100);
    clock.clock().Advance(60);
    t.timer.SetEnabled(true);
    clock.clock().Advance(40);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1);
}

TEST(TimerRules, ReenablingADisabledTimerStartsAFullInterval) {
    ScopedTestClock clock;
    CountingTimer t(100);
    clock.clock().Advance(60);
    t.timer.SetEnabled(false);
    t.timer.SetEnabled(true);
    clock.clock().Advance(40);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 0);
    clock.clock().Advance(60);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1);
}

TEST(TimerRules, ANewIntervalRestartsAnEnabledTimerButTheSameOneDoesNot) {
    ScopedTestClock clock;
    CountingTimer t(100);
    clock.clock().Advance(60);
    t.timer.SetInterval(100);
    clock.clock().Advance(40);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1) << "the same interval must not restart the timer";

    clock.clock().Advance(60);
    t.timer.SetInterval(50);
    clock.clock().Advance(40);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1);
    clock.clock().Advance(10);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 2);
}

TEST(TimerRules, ADisabledOrZeroIntervalTimerNeverFires) {
    ScopedTestClock clock;
    CountingTimer disabled(10);
    disabled.timer.SetEnabled(false);
    CountingTimer zero(0);
    clock.clock().Advance(1000);
    RunDueTimers();
    EXPECT_EQ(disabled.ticks, 0);
    EXPECT_EQ(zero.ticks, 0);
}

TEST(TimerRules, EnabledSetFromAnotherThreadReadsBackAtOnce) {
    ScopedTestClock clock;
    CountingTimer t(100);
    t.timer.SetEnabled(false);
    std::thread worker([&] {
        t.timer.SetEnabled(true);
        EXPECT_TRUE(t.timer.Enabled());
        t.timer.SetInterval(30);
        EXPECT_EQ(t.timer.Interval(), 30u);
    });
    worker.join();
    EXPECT_TRUE(t.timer.Enabled());
    clock.clock().Advance(30);
    RunDueTimers();
    EXPECT_EQ(t.ticks, 1);
}

TEST(TimerRules, ATickWhoseTimerWasDisabledFromAnotherThreadBeforeItsHandlerRanIsDropped) {
    ScopedTestClock clock;
    CountingTimer first(100);
    CountingTimer second(100);
    // Both are due together; while the first handler runs, a worker disables the second.
    first.timer.OnTimer = [&](TObject*) {
        ++first.ticks;
        std::thread worker([&] { second.timer.SetEnabled(false); });
        worker.join();
    };
    clock.clock().Advance(100);
    EXPECT_EQ(RunDueTimers(), 1);
    EXPECT_EQ(first.ticks, 1);
    EXPECT_EQ(second.ticks, 0);
}

TEST(TimerRules, AHandlerMayDestroyItsOwnTimer) {
    ScopedTestClock clock;
    auto* timer = new TTimer(nullptr);
    timer->SetInterval(10);
    CountingTimer other(10);
    timer->OnTimer = [timer](TObject*) { delete timer; };
    clock.clock().Advance(10);
    RunDueTimers();
    EXPECT_EQ(other.ticks, 1);
}

TEST(TimerRules, TheEventLoopRunsHandlersOnTheGuiThreadWhenAWorkerEnablesTheTimer) {
    vx::EnsureQtApplication();
    ScopedTestClock clock;
    CountingTimer t(50);
    t.timer.SetEnabled(false);
    std::thread::id ranOn;
    t.timer.OnTimer = [&](TObject*) {
        ++t.ticks;
        ranOn = std::this_thread::get_id();
        t.timer.SetEnabled(false);
    };
    std::thread worker([&] { t.timer.SetEnabled(true); });
    worker.join();
    clock.clock().Advance(50);
    // The worker's change was posted to the GUI thread, which re-arms its wake-up.
    ASSERT_TRUE(PumpUntil([&] { return t.ticks > 0; }));
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(TimerRules, AnExceptionFromAHandlerReachesOnException) {
    ScopedTestClock clock;
    TTimer timer(nullptr);
    timer.SetInterval(10);
    timer.OnTimer = [](TObject*) { throw Exception("timer failed"); };
    std::string seen;
    Application->OnException = [&](TObject*, const Exception& error) { seen = error.Message(); };
    clock.clock().Advance(10);
    RunDueTimers();
    Application->OnException = nullptr;
    EXPECT_EQ(seen, "timer failed");
}

TEST(TimerRules, TheEventLoopFiresTimersByTheSystemClock) {
    vx::EnsureQtApplication();
    CountingTimer t(1);
    ASSERT_TRUE(PumpUntil([&] { return t.ticks >= 2; }));
    t.timer.SetEnabled(false);
    const int ticks = t.ticks;
    Application->ProcessMessages();
    EXPECT_EQ(t.ticks, ticks);
}
