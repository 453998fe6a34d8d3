#include "platform/kernel/Events.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

namespace {

struct EventsFixture : ::testing::Test {
    std::vector<HANDLE> handles;
    HANDLE make(bool manual, bool initial) {
        handles.push_back(CreateEvent(manual, initial));
        return handles.back();
    }
    ~EventsFixture() override {
        for (HANDLE h : handles)
            CloseHandle(h);
    }
};

} // namespace

TEST_F(EventsFixture, AutoResetEventReleasesOneWaitAndClearsItself) {
    HANDLE e = make(false, true);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
}

TEST_F(EventsFixture, ManualResetEventStaysSignalledUntilReset) {
    HANDLE e = make(true, false);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    ASSERT_TRUE(ResetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
}

TEST_F(EventsFixture, WaitForAnyAnswersTheLowestSignalledIndexAndConsumesOnlyIt) {
    std::array<HANDLE, 4> set{make(false, false), make(false, false), make(false, false), make(false, false)};
    SetEvent(set[3]);
    SetEvent(set[1]);
    EXPECT_EQ(WaitForMultipleObjects(4, set.data(), false, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(4, set.data(), false, 0), WAIT_OBJECT_0 + 3);
    EXPECT_EQ(WaitForMultipleObjects(4, set.data(), false, 0), WAIT_TIMEOUT);
}

TEST_F(EventsFixture, WaitForAllNeedsEverySignal) {
    std::array<HANDLE, 2> set{make(false, false), make(true, false)};
    SetEvent(set[0]);
    EXPECT_EQ(WaitForMultipleObjects(2, set.data(), true, 0), WAIT_TIMEOUT);
    SetEvent(set[1]);
    EXPECT_EQ(WaitForMultipleObjects(2, set.data(), true, 0), WAIT_OBJECT_0);
    // The auto-reset one was consumed, the manual one was not.
    EXPECT_EQ(WaitForSingleObject(set[0], 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(set[1], 0), WAIT_OBJECT_0);
}

TEST_F(EventsFixture, ClosedOrUnknownHandlesFailHarmlessly) {
    HANDLE e = CreateEvent(false, false);
    ASSERT_TRUE(CloseHandle(e));
    EXPECT_FALSE(SetEvent(e));
    EXPECT_FALSE(ResetEvent(e));
    EXPECT_FALSE(CloseHandle(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
    EXPECT_EQ(WaitForMultipleObjects(0, nullptr, false, 0), WAIT_FAILED);
}

TEST_F(EventsFixture, ClosingAHandleWakesItsWaiterWithFailure) {
    HANDLE e = CreateEvent(false, false);
    std::atomic<DWORD> result{0};
    std::thread waiter([&] { result = WaitForSingleObject(e, INFINITE); });
    // Whether the waiter is already asleep or not yet waiting, it must fail, not hang.
    CloseHandle(e);
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_FAILED);
}

TEST_F(EventsFixture, SignalFromAnotherThreadWakesAnInfiniteWait) {
    HANDLE e = make(false, false);
    std::thread signaller([e] { SetEvent(e); });
    EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
    signaller.join();
}

TEST_F(EventsFixture, TimedWaitTimesOutOnTheRealClock) {
    HANDLE e = make(false, false);
    EXPECT_EQ(WaitForSingleObject(e, 5), WAIT_TIMEOUT);
}
