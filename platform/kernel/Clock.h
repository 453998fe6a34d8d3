#pragma once
// The tick clock: milliseconds as a 32-bit count that wraps, like every time stamp the
// program keeps. Tests replace the source with a TestClock and advance it by hand.
#include "platform/kernel/Types.h"

#include <atomic>

class TickSource {
public:
    virtual ~TickSource() = default;
    virtual DWORD Now() = 0;
    virtual void SleepFor(DWORD ms) = 0;
};

// Milliseconds of the current tick source; wraps after about 49.7 days.
DWORD GetTickCount();
// Sleeps through the current tick source (a TestClock may advance instead of waiting).
void Sleep(DWORD ms);

// Installs a tick source (nullptr restores the system clock). The caller keeps ownership.
void SetTickSource(TickSource* source);

// A clock that moves only when told. Sleep either advances it (single-threaded tests that
// want time to pass) or just yields (threaded tests that drive time themselves).
class TestClock : public TickSource {
public:
    explicit TestClock(DWORD start = 0, bool sleepAdvances = false);
    DWORD Now() override;
    void SleepFor(DWORD ms) override;
    void Set(DWORD ms);
    void Advance(DWORD ms);

private:
    std::atomic<DWORD> now_;
    bool sleepAdvances_;
};

// Installs a TestClock for the lifetime of a test scope.
class ScopedTestClock {
public:
    explicit ScopedTestClock(DWORD start = 0, bool sleepAdvances = false);
    ~ScopedTestClock();
    ScopedTestClock(const ScopedTestClock&) = delete;
    ScopedTestClock& operator=(const ScopedTestClock&) = delete;
    TestClock& clock() { return clock_; }

private:
    TestClock clock_;
};
