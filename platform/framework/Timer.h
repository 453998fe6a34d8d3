#pragma once
// TTimer: calls OnTimer on the GUI thread every Interval milliseconds while Enabled.
// Enabled and Interval may be set from any thread and read back at once. Enabling an
// enabled timer does not restart it; a new Interval restarts an enabled timer; a tick
// whose timer was disabled before its handler got to run is dropped. Due times follow
// GetTickCount, so a test with a ScopedTestClock advances the clock and calls
// RunDueTimers instead of waiting.
#include "platform/framework/Classes.h"
#include "platform/kernel/Types.h"

#include <atomic>

class TTimer : public TComponent {
    VX_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* owner);
    // Destroy a timer on the GUI thread.
    ~TTimer() override;

    bool Enabled() const { return enabled_.load(std::memory_order_acquire); }
    void SetEnabled(bool enabled);
    DWORD Interval() const { return interval_.load(std::memory_order_acquire); }
    void SetInterval(DWORD interval);
    // Assign on the GUI thread (usually in the form's description).
    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    friend class TimerScheduler;
    std::atomic<bool> enabled_{true};
    std::atomic<DWORD> interval_{1000};
    DWORD due_ = 0; // guarded by the scheduler's lock
};

// Runs, on the GUI thread, the handler of every enabled timer whose time has come by
// GetTickCount; answers how many ran. The event loop calls it on its own.
int RunDueTimers();
