#pragma once
// TKxTimer: fires OnTimer every Interval milliseconds, either from a thread of its own
// (Threaded, the default) or from the GUI event loop like the framework's timer. In thread
// mode the event is handed to the GUI thread while the timer's thread waits (SyncEvent,
// the default) or runs on the timer's thread itself, where the handler must leave the
// user interface alone.
//
// Every change of Enabled, Interval, Threaded, of ThreadPriority while threaded and of
// OnTimer between assigned and unassigned stops both mechanisms and starts the chosen one
// afresh, so the next event comes one full Interval after the change. Intervals count on
// the tick clock, so a test's clock drives both modes.
//
// The settings may be changed from any thread; Threaded is switched, and a timer that ever
// ran in window mode destroyed, on the GUI thread. Destruction never waits for a sleep or
// for the GUI thread: it wakes the timer's thread, drops a hand-over that has not run yet,
// waits only for a handler already running on another thread, and returns. No handler
// starts once destruction has begun.
#include "platform/framework/Classes.h"
#include "platform/kernel/Thread.h"
#include "platform/kernel/Types.h"

#include <functional>
#include <memory>
#include <mutex>

class TTimer;
class TTimerThread;
struct TKxTimerState;

class TKxTimer : public TComponent {
    VX_CLASS(TKxTimer, TComponent)
public:
    explicit TKxTimer(TComponent* owner);
    ~TKxTimer() override;

    bool Enabled() const;
    void SetEnabled(bool enabled);
    DWORD Interval() const;
    void SetInterval(DWORD interval);
    bool SyncEvent() const;
    void SetSyncEvent(bool syncEvent);
    bool Threaded() const;
    void SetThreaded(bool threaded);
    TThreadPriority ThreadPriority() const;
    void SetThreadPriority(TThreadPriority priority);
    TNotifyEvent OnTimer() const;
    void SetOnTimer(TNotifyEvent handler);

    // Runs method on the GUI thread: at once when called there (or when there is no GUI),
    // else handed over while the caller waits; an exception it raises comes back to the
    // caller. When the timer is destroyed before the method started, it never runs and the
    // caller goes on.
    void Synchronize(const std::function<void()>& method);

protected:
    void BeforeDestruction() override;
    // Fires OnTimer while the timer is enabled and not being destroyed.
    virtual void Timer();

private:
    friend struct TKxTimerState;
    void UpdateTimer();
    void close();
    void startWindowTimer(DWORD interval, bool runs);

    std::shared_ptr<TKxTimerState> state_;
    std::mutex updateLock_; // one UpdateTimer at a time; guards windowTimer_ and thread_
    std::unique_ptr<TTimer, void (*)(TTimer*)> windowTimer_;
    std::unique_ptr<TTimerThread> thread_; // let go to free itself when destroyed from its handler
};
