#include "toolkit/KxTimer.h"

#include "platform/framework/Application.h"
#include "platform/framework/MessageService.h"
#include "platform/framework/Published.h"
#include "platform/framework/Timer.h"
#include "platform/kernel/Clock.h"
#include "tests/toolkit/GuiPump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Which threads ran the handler, in order.
class Ticks {
public:
    TNotifyEvent Handler() {
        return [this](TObject* sender) {
            std::lock_guard guard(lock_);
            threads_.push_back(std::this_thread::get_id());
            senders_.push_back(sender);
        };
    }
    int Count() const {
        std::lock_guard guard(lock_);
        return static_cast<int>(threads_.size());
    }
    std::thread::id Thread(int index) const {
        std::lock_guard guard(lock_);
        return threads_.at(static_cast<std::size_t>(index));
    }
    TObject* Sender(int index) const {
        std::lock_guard guard(lock_);
        return senders_.at(static_cast<std::size_t>(index));
    }

private:
    mutable std::mutex lock_;
    std::vector<std::thread::id> threads_;
    std::vector<TObject*> senders_;
};

// Whether every thread started since the count was before has ended. Threads of earlier
// tests that free themselves may still be ending meanwhile; they only lower the count.
bool noThreadLeftSince(int before) {
    return LiveThreadCount() <= before;
}

// A few real milliseconds for a thread to do what it must not do; the assertions after it
// can only fail when it did.
bool happensSoon(const std::function<bool()>& what) {
    return PumpUntil(what, 40);
}

TKxTimer* runningTimer(DWORD interval, bool threaded, bool syncEvent, TNotifyEvent handler) {
    auto* timer = CreateComponent<TKxTimer>(nullptr);
    timer->SetSyncEvent(syncEvent);
    timer->SetThreaded(threaded);
    timer->SetInterval(interval);
    timer->SetOnTimer(std::move(handler));
    return timer;
}

const std::thread::id mainThread = std::this_thread::get_id();

} // namespace

TEST(KxTimerWindowMode, FiresFromTheEventLoopEveryInterval) {
    StartGui();
    ScopedTestClock clock(5000);
    Ticks ticks;
    TKxTimer* timer = runningTimer(100, false, true, ticks.Handler());
    clock.clock().Advance(99);
    RunDueTimers();
    EXPECT_EQ(ticks.Count(), 0);
    clock.clock().Advance(1);
    RunDueTimers();
    ASSERT_EQ(ticks.Count(), 1);
    EXPECT_EQ(ticks.Thread(0), mainThread);
    EXPECT_EQ(ticks.Sender(0), timer);
    clock.clock().Advance(100);
    RunDueTimers();
    EXPECT_EQ(ticks.Count(), 2);
    timer->Free();
}

TEST(KxTimerWindowMode, AnyChangeStartsAFullInterval) {
    StartGui();
    ScopedTestClock clock;
    Ticks ticks;
    TKxTimer* timer = runningTimer(100, false, true, ticks.Handler());
    clock.clock().Advance(60);
    timer->SetInterval(50);
    clock.clock().Advance(40);
    RunDueTimers();
    EXPECT_EQ(ticks.Count(), 0) << "the old interval would have run out";
    clock.clock().Advance(10);
    RunDueTimers();
    EXPECT_EQ(ticks.Count(), 1);
    clock.clock().Advance(30);
    timer->SetEnabled(false);
    timer->SetEnabled(true);
    clock.clock().Advance(20);
    RunDueTimers();
    EXPECT_EQ(ticks.Count(), 1);
    clock.clock().Advance(30);
    RunDueTimers();
    EXPECT_EQ(ticks.Count(), 2);
    timer->Free();
}

TEST(KxTimerWindowMode, AnExceptionInTheHandlerGoesToTheApplication) {
    StartGui();
    ScopedTestClock clock;
    ScopedMessageRecorder boxes;
    int calls = 0;
    TKxTimer* timer = runningTimer(10, false, true, [&](TObject*) {
        ++calls;
        throw Exception("The tick failed");
    });
    clock.clock().Advance(10);
    RunDueTimers();
    clock.clock().Advance(10);
    RunDueTimers();
    EXPECT_EQ(calls, 2) << "the timer goes on after an exception";
    ASSERT_EQ(boxes.Records().size(), 2u);
    EXPECT_EQ(boxes.Records()[0].text, "The tick failed.");
    timer->Free();
}

// Interval 0, no handler or disabled: idle in both modes whatever the others say.
TEST(KxTimerModes, StayIdleWithoutIntervalHandlerOrEnabled) {
    StartGui();
    ScopedTestClock clock;
    for (bool threaded : {false, true}) {
        Ticks ticks;
        TKxTimer* noInterval = runningTimer(0, threaded, false, ticks.Handler());
        TKxTimer* noHandler = runningTimer(10, threaded, false, nullptr);
        TKxTimer* disabled = runningTimer(10, threaded, false, ticks.Handler());
        disabled->SetEnabled(false);
        noHandler->SetOnTimer(ticks.Handler());
        noHandler->SetOnTimer(nullptr);
        clock.clock().Advance(1000);
        RunDueTimers();
        EXPECT_FALSE(happensSoon([&] { return ticks.Count() > 0; })) << "threaded " << threaded;
        for (TKxTimer* timer : {noInterval, noHandler, disabled})
            timer->Free();
    }
}

TEST(KxTimerThreadMode, FiresOnItsOwnThreadWithoutSyncEvent) {
    StartGui();
    ScopedTestClock clock;
    Ticks ticks;
    TKxTimer* timer = runningTimer(10, true, false, ticks.Handler());
    clock.clock().Advance(10);
    ASSERT_TRUE(PumpUntil([&] { return ticks.Count() == 1; }));
    EXPECT_NE(ticks.Thread(0), mainThread);
    EXPECT_EQ(ticks.Sender(0), timer);
    clock.clock().Advance(10);
    ASSERT_TRUE(PumpUntil([&] { return ticks.Count() == 2; }));
    EXPECT_EQ(ticks.Thread(1), ticks.Thread(0));
    timer->Free();
}

TEST(KxTimerThreadMode, HandsTheEventToTheGuiThreadByDefault) {
    StartGui();
    ScopedTestClock clock;
    Ticks ticks;
    TKxTimer* timer = runningTimer(10, true, true, ticks.Handler());
    clock.clock().Advance(10);
    ASSERT_TRUE(PumpUntil([&] { return ticks.Count() == 1; }));
    EXPECT_EQ(ticks.Thread(0), mainThread);
    timer->Free();
}

TEST(KxTimerThreadMode, DoesNotFireBeforeTheIntervalHasPassedOnTheClock) {
    StartGui();
    ScopedTestClock clock;
    Ticks ticks;
    TKxTimer* timer = runningTimer(10, true, false, ticks.Handler());
    clock.clock().Advance(9);
    EXPECT_FALSE(happensSoon([&] { return ticks.Count() > 0; }));
    clock.clock().Advance(1);
    EXPECT_TRUE(PumpUntil([&] { return ticks.Count() == 1; }));
    timer->Free();
}

TEST(KxTimerThreadMode, SwitchingThreadedMovesTheTicksToTheEventLoopAndBack) {
    StartGui();
    ScopedTestClock clock;
    Ticks ticks;
    TKxTimer* timer = runningTimer(10, true, false, ticks.Handler());
    clock.clock().Advance(10);
    ASSERT_TRUE(PumpUntil([&] { return ticks.Count() == 1; }));

    timer->SetThreaded(false);
    clock.clock().Advance(10);
    RunDueTimers();
    ASSERT_EQ(ticks.Count(), 2);
    EXPECT_EQ(ticks.Thread(1), mainThread);
    EXPECT_FALSE(happensSoon([&] { return ticks.Count() > 2; })) << "the thread is stopped";

    timer->SetThreaded(true);
    clock.clock().Advance(10);
    EXPECT_EQ(RunDueTimers(), 0) << "the loop's timer is stopped";
    ASSERT_TRUE(PumpUntil([&] { return ticks.Count() == 3; }));
    EXPECT_NE(ticks.Thread(2), mainThread);
    timer->Free();
}

TEST(KxTimerThreadMode, ExceptionsReachTheApplicationAndTheThreadGoesOn) {
    StartGui();
    ScopedTestClock clock;
    for (bool syncEvent : {false, true}) {
        ScopedMessageRecorder boxes;
        std::atomic<int> calls{0};
        TKxTimer* timer = runningTimer(10, true, syncEvent, [&](TObject*) {
            const int call = ++calls;
            if (call == 1) throw Exception("The tick failed");
            if (call == 2) throw EAbort("quietly");
        });
        for (int tick = 1; tick <= 3; ++tick) {
            clock.clock().Advance(10);
            ASSERT_TRUE(PumpUntil([&] { return calls.load() == tick; })) << "syncEvent " << syncEvent;
        }
        ASSERT_TRUE(PumpUntil([&] { return !boxes.Records().empty(); }));
        EXPECT_FALSE(happensSoon([&] { return boxes.Records().size() > 1; })) << "the abort is silent";
        EXPECT_EQ(boxes.Records()[0].text, "The tick failed.");
        timer->Free();
    }
}

TEST(KxTimerThreadMode, SynchronizeRunsTheMethodOnTheGuiThread) {
    StartGui();
    ScopedTestClock clock;
    std::atomic<bool> handlerEnded{false};
    std::thread::id ranOn;
    TKxTimer* timer = CreateComponent<TKxTimer>(nullptr);
    timer->SetSyncEvent(false);
    timer->SetInterval(10);
    timer->SetOnTimer([&](TObject*) {
        if (handlerEnded) return;
        timer->Synchronize([&] { ranOn = std::this_thread::get_id(); });
        handlerEnded = true;
    });
    clock.clock().Advance(10);
    ASSERT_TRUE(PumpUntil([&] { return handlerEnded.load(); }));
    EXPECT_EQ(ranOn, mainThread);

    std::thread::id direct;
    timer->Synchronize([&] { direct = std::this_thread::get_id(); });
    EXPECT_EQ(direct, mainThread) << "on the GUI thread it runs at once";
    timer->Free();
}

TEST(KxTimerDestruction, WhileTheThreadSleepsEndsTheThreadAtOnce) {
    StartGui();
    ScopedTestClock clock;
    const int before = LiveThreadCount();
    Ticks ticks;
    // The clock never reaches the interval: the thread sleeps until destruction wakes it.
    TKxTimer* timer = runningTimer(600000, true, false, ticks.Handler());
    timer->Free();
    EXPECT_TRUE(noThreadLeftSince(before));
    EXPECT_EQ(ticks.Count(), 0);
}

TEST(KxTimerDestruction, AfterATickNothingRunsAgain) {
    StartGui();
    ScopedTestClock clock;
    const int before = LiveThreadCount();
    for (bool syncEvent : {false, true}) {
        Ticks ticks;
        TKxTimer* timer = runningTimer(10, true, syncEvent, ticks.Handler());
        clock.clock().Advance(10);
        ASSERT_TRUE(PumpUntil([&] { return ticks.Count() == 1; }));
        timer->Free();
        EXPECT_TRUE(noThreadLeftSince(before));
        clock.clock().Advance(100);
        Application->ProcessMessages();
        EXPECT_EQ(ticks.Count(), 1);
    }
}

// The timer's thread waits for the GUI thread (a hand-over) while the GUI thread destroys
// the timer. Whichever comes first, destruction returns and the method never runs.
TEST(KxTimerDestruction, WhileItsThreadWaitsForTheGuiThreadNeitherDeadlocksNorRunsTheMethod) {
    StartGui();
    ScopedTestClock clock;
    for (int round = 0; round < 20; ++round) {
        std::atomic<bool> handing{false};
        std::atomic<bool> methodRan{false};
        TKxTimer* timer = CreateComponent<TKxTimer>(nullptr);
        timer->SetSyncEvent(false);
        timer->SetInterval(10);
        timer->SetOnTimer([&](TObject* sender) {
            handing = true;
            static_cast<TKxTimer*>(sender)->Synchronize([&] { methodRan = true; });
        });
        clock.clock().Advance(10);
        while (!handing)
            std::this_thread::yield();
        timer->Free();
        Application->ProcessMessages();
        EXPECT_FALSE(methodRan.load()) << "round " << round;
    }
}

TEST(KxTimerDestruction, WithATickHandedToTheGuiThreadDropsTheTick) {
    StartGui();
    ScopedTestClock clock;
    Ticks ticks;
    TKxTimer* timer = runningTimer(10, true, true, ticks.Handler());
    clock.clock().Advance(10);
    // Let the thread hand the tick over (the GUI thread does not take it meanwhile).
    for (int i = 0; i < 1000; ++i)
        std::this_thread::yield();
    timer->Free();
    Application->ProcessMessages();
    EXPECT_EQ(ticks.Count(), 0);
}

TEST(KxTimerDestruction, FromItsOwnHandlerInEveryMode) {
    StartGui();
    ScopedTestClock clock;
    const int before = LiveThreadCount();
    struct Mode {
        bool threaded;
        bool syncEvent;
    };
    for (Mode mode : {Mode{false, true}, Mode{true, true}, Mode{true, false}}) {
        std::atomic<int> calls{0};
        TKxTimer* timer = runningTimer(10, mode.threaded, mode.syncEvent, [&](TObject* sender) {
            ++calls;
            static_cast<TKxTimer*>(sender)->Free();
        });
        static_cast<void>(timer);
        clock.clock().Advance(10);
        RunDueTimers();
        ASSERT_TRUE(PumpUntil([&] { return calls.load() == 1; })) << mode.threaded << mode.syncEvent;
        EXPECT_TRUE(PumpUntil([&] { return noThreadLeftSince(before); }))
            << "the thread ends and frees itself";
        clock.clock().Advance(10);
        RunDueTimers();
        EXPECT_FALSE(happensSoon([&] { return calls.load() > 1; }));
    }
}

TEST(KxTimerDestruction, GoesWithItsOwner) {
    StartGui();
    ScopedTestClock clock;
    Ticks ticks;
    auto* owner = CreateComponent<TComponent>(nullptr);
    auto* timer = CreateComponent<TKxTimer>(owner);
    timer->SetSyncEvent(false);
    timer->SetInterval(10);
    timer->SetOnTimer(ticks.Handler());
    clock.clock().Advance(10);
    ASSERT_TRUE(PumpUntil([&] { return ticks.Count() == 1; }));
    owner->Free();
    clock.clock().Advance(10);
    EXPECT_FALSE(happensSoon([&] { return ticks.Count() > 1; }));
}

// Settings changed from another thread while the timer's thread fires: ThreadSanitizer
// checks that the handler and Enabled are never read unguarded.
TEST(KxTimerConcurrency, SettingsChangeWhileTheThreadFires) {
    StartGui();
    std::atomic<int> calls{0};
    TKxTimer* timer = runningTimer(1, true, false, [&](TObject*) { ++calls; });
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; i < 300; ++i) {
            timer->SetEnabled(i % 3 != 0);
            timer->SetOnTimer([&, i](TObject*) { calls += 1 + i % 2; });
            timer->SetSyncEvent(i % 5 == 0);
            timer->SetInterval(1 + i % 2);
            std::this_thread::yield();
        }
        timer->SetEnabled(true);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load() && calls.load() > 0; }));
    changer.join();
    timer->Free();
}

TEST(KxTimerSettings, ArePublished) {
    TKxTimer timer(nullptr);
    const std::vector<std::string> expected = {"Enabled", "Interval", "SyncEvent", "Threaded",
                                               "ThreadPriority"};
    for (const std::string& name : expected)
        EXPECT_NE(GetPropInfo(timer, name), nullptr) << name;
    SetPropText(timer, *GetPropInfo(timer, "ThreadPriority"), "tpHigher");
    EXPECT_EQ(timer.ThreadPriority(), tpHigher);
    EXPECT_EQ(GetPropText(timer, *GetPropInfo(timer, "Interval")), "1000");
}
