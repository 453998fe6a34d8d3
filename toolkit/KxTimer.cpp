#include "toolkit/KxTimer.h"

#include "platform/framework/Application.h"
#include "platform/framework/Published.h"
#include "platform/framework/Timer.h"
#include "platform/kernel/Clock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <optional>
#include <thread>
#include <vector>

// What the component, its thread and the calls handed to the GUI thread share. The thread
// and those calls hold it by shared pointer, so they can look at it after the component
// is gone and find out that it is.
struct TKxTimerState {
    std::mutex lock;                 // guards every field below
    std::condition_variable changed; // any field changed, a hand-over ended, a handler left
    TKxTimer* owner = nullptr;       // null once destruction has begun
    bool enabled = true;
    DWORD interval = 1000;
    bool syncEvent = true;
    bool threaded = true;
    TThreadPriority priority = tpNormal;
    TNotifyEvent onTimer;
    bool running = false; // the thread counts intervals and fires
    unsigned cycle = 0;   // changes whenever the thread must drop what it is counting
    DWORD cycleStart = 0; // tick count when the current cycle began
    std::thread::id timerThread;
    std::vector<std::thread::id> handlers; // one entry per handler running now, by thread

    // Runs the owner's Timer on this thread, unless the timer is going away or, for a tick
    // of the thread (cycle given), the thread was stopped or restarted since.
    static void runTimer(const std::shared_ptr<TKxTimerState>& state, std::optional<unsigned> cycle);
};

namespace {

// Marks a handler as running on this thread for as long as it lives.
class HandlerScope {
public:
    explicit HandlerScope(TKxTimerState& state) : state_(state), thread_(std::this_thread::get_id()) {
        state_.handlers.push_back(thread_);
    }
    ~HandlerScope() {
        std::lock_guard guard(state_.lock);
        state_.handlers.erase(std::find(state_.handlers.begin(), state_.handlers.end(), thread_));
        state_.changed.notify_all();
    }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    TKxTimerState& state_;
    std::thread::id thread_;
};

// Runs method on the GUI thread while the calling thread waits. The wait ends early when
// the timer goes away; a method that has not started by then never starts.
void handOver(const std::shared_ptr<TKxTimerState>& state, const std::function<void()>& method) {
    struct Call {
        bool done = false;
        std::exception_ptr error;
    };
    auto call = std::make_shared<Call>();
    QueueOnMainThread([state, call, method] {
        bool alive;
        {
            std::lock_guard guard(state->lock);
            alive = state->owner != nullptr;
        }
        std::exception_ptr error;
        if (alive) {
            try {
                method();
            } catch (...) {
                error = std::current_exception();
            }
        }
        std::lock_guard guard(state->lock);
        call->done = true;
        call->error = std::move(error);
        state->changed.notify_all();
    });
    std::unique_lock guard(state->lock);
    state->changed.wait(guard, [&] { return call->done || state->owner == nullptr; });
    if (call->done && call->error) {
        // Taken out under the lock: the exception's last reference then stays on this
        // thread, whichever thread lets the call go last.
        std::exception_ptr error = std::move(call->error);
        guard.unlock();
        std::rethrow_exception(error);
    }
}

// An exception of a handler that ran for the timer's thread goes to the application's
// handling on the GUI thread, where its OnException handler and message boxes belong.
void reportFromThread(const std::exception_ptr& error) {
    auto report = [](const Exception& copy) {
        QueueOnMainThread([copy] { Application->HandleException(copy); });
    };
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        report(Exception(e.Message()));
    } catch (const std::exception& e) {
        report(Exception(e.what()));
    } catch (...) {
        report(Exception("Unknown exception"));
    }
}

const bool timerPublished = RegisterPublishedClass(
    "TKxTimer", "TComponent",
    {
        Property("Enabled", TypeBoolean(), &TKxTimer::Enabled, &TKxTimer::SetEnabled, true),
        Property("Interval", IntegerType("Cardinal"), &TKxTimer::Interval, &TKxTimer::SetInterval, 1000),
        Property("SyncEvent", TypeBoolean(), &TKxTimer::SyncEvent, &TKxTimer::SetSyncEvent, true),
        Property("Threaded", TypeBoolean(), &TKxTimer::Threaded, &TKxTimer::SetThreaded, true),
        Property("ThreadPriority", TypeThreadPriority(), &TKxTimer::ThreadPriority,
                 &TKxTimer::SetThreadPriority, tpNormal),
        EventProperty("OnTimer", MethodType("TNotifyEvent"), &TKxTimer::OnTimer, &TKxTimer::SetOnTimer),
    });

template <class T> bool storeChanged(TKxTimerState& state, T TKxTimerState::*field, T value) {
    std::lock_guard guard(state.lock);
    if (state.*field == value) return false;
    state.*field = value;
    return true;
}

} // namespace

void TKxTimerState::runTimer(const std::shared_ptr<TKxTimerState>& state, std::optional<unsigned> cycle) {
    TKxTimer* owner;
    std::optional<HandlerScope> scope;
    {
        std::lock_guard guard(state->lock);
        if (!state->owner || (cycle && (*cycle != state->cycle || !state->running))) return;
        owner = state->owner;
        scope.emplace(*state);
    }
    owner->Timer();
}

// Sleeps Interval on the tick clock, then fires. Stopping, restarting and destruction
// wake it at once.
class TTimerThread : public TThread {
public:
    explicit TTimerThread(std::shared_ptr<TKxTimerState> state) : TThread(true), state_(std::move(state)) {}

protected:
    void Execute() override {
        std::unique_lock guard(state_->lock);
        state_->timerThread = std::this_thread::get_id();
        while (state_->owner && !Terminated()) {
            if (!state_->running) {
                state_->changed.wait(guard);
                continue;
            }
            const unsigned cycle = state_->cycle;
            // The first interval counts from the change that started the timer, each
            // further one from the moment the previous event became due.
            DWORD start = state_->cycleStart;
            while (sleepInterval(guard, cycle, start)) {
                start = GetTickCount();
                // An application on its way out gets no more events; the thread keeps its
                // pace meanwhile instead of spinning.
                if (!state_->enabled || Application->Terminated()) continue;
                const bool sync = state_->syncEvent;
                guard.unlock();
                fire(cycle, sync);
                guard.lock();
            }
        }
    }

private:
    // False when the interval was cut short by a stop, a restart or destruction.
    bool sleepInterval(std::unique_lock<std::mutex>& guard, unsigned cycle, DWORD start) {
        for (;;) {
            if (!state_->owner || state_->cycle != cycle) return false;
            const DWORD elapsed = GetTickCount() - start;
            if (elapsed >= state_->interval) return true;
            // Real time and tick time agree unless a test clock runs; then this wait only
            // paces the look at the clock.
            state_->changed.wait_for(guard, std::chrono::milliseconds(state_->interval - elapsed));
        }
    }

    void fire(unsigned cycle, bool sync) {
        try {
            if (sync)
                handOver(state_, [state = state_, cycle] { TKxTimerState::runTimer(state, cycle); });
            else
                TKxTimerState::runTimer(state_, cycle);
        } catch (...) {
            reportFromThread(std::current_exception());
        }
    }

    std::shared_ptr<TKxTimerState> state_;
};

TKxTimer::TKxTimer(TComponent* owner)
    : TComponent(owner), state_(std::make_shared<TKxTimerState>()),
      windowTimer_(nullptr, [](TTimer* timer) { timer->Free(); }) {
    state_->owner = this;
    thread_ = std::make_unique<TTimerThread>(state_);
}

TKxTimer::~TKxTimer() {
    close();
}

void TKxTimer::BeforeDestruction() {
    close();
    TComponent::BeforeDestruction();
}

void TKxTimer::close() {
    const std::thread::id self = std::this_thread::get_id();
    bool onTimerThread;
    TNotifyEvent handler;
    {
        std::unique_lock guard(state_->lock);
        if (!state_->owner) return;
        state_->owner = nullptr;
        state_->enabled = false;
        state_->running = false;
        ++state_->cycle;
        state_->changed.notify_all();
        // A handler on another thread may still use this object: let it end. A handler on
        // this thread is what called for the destruction and goes on when it returns.
        state_->changed.wait(guard, [&] {
            return std::all_of(state_->handlers.begin(), state_->handlers.end(),
                               [&](std::thread::id id) { return id == self; });
        });
        onTimerThread = state_->timerThread == self;
        handler = std::move(state_->onTimer);
    }
    std::lock_guard update(updateLock_);
    windowTimer_.reset();
    thread_->Terminate();
    if (onTimerThread) {
        // Destroyed from its own handler: the thread cannot wait for itself, so it frees
        // itself once the handler has returned.
        thread_->FreeOnTerminate = true;
        static_cast<void>(thread_.release());
        return;
    }
    // Joined before the object goes: the thread must never meet a half-destroyed one.
    thread_->Resume();
    thread_->WaitFor();
    thread_.reset();
}

bool TKxTimer::Enabled() const {
    std::lock_guard guard(state_->lock);
    return state_->enabled;
}

void TKxTimer::SetEnabled(bool enabled) {
    if (storeChanged(*state_, &TKxTimerState::enabled, enabled)) UpdateTimer();
}

DWORD TKxTimer::Interval() const {
    std::lock_guard guard(state_->lock);
    return state_->interval;
}

void TKxTimer::SetInterval(DWORD interval) {
    if (storeChanged(*state_, &TKxTimerState::interval, interval)) UpdateTimer();
}

bool TKxTimer::SyncEvent() const {
    std::lock_guard guard(state_->lock);
    return state_->syncEvent;
}

void TKxTimer::SetSyncEvent(bool syncEvent) {
    storeChanged(*state_, &TKxTimerState::syncEvent, syncEvent);
}

bool TKxTimer::Threaded() const {
    std::lock_guard guard(state_->lock);
    return state_->threaded;
}

void TKxTimer::SetThreaded(bool threaded) {
    if (storeChanged(*state_, &TKxTimerState::threaded, threaded)) UpdateTimer();
}

TThreadPriority TKxTimer::ThreadPriority() const {
    std::lock_guard guard(state_->lock);
    return state_->priority;
}

void TKxTimer::SetThreadPriority(TThreadPriority priority) {
    if (storeChanged(*state_, &TKxTimerState::priority, priority) && Threaded()) UpdateTimer();
}

TNotifyEvent TKxTimer::OnTimer() const {
    std::lock_guard guard(state_->lock);
    return state_->onTimer;
}

void TKxTimer::SetOnTimer(TNotifyEvent handler) {
    bool toggled;
    {
        std::lock_guard guard(state_->lock);
        toggled = static_cast<bool>(state_->onTimer) != static_cast<bool>(handler);
        std::swap(state_->onTimer, handler);
    }
    if (toggled) UpdateTimer();
}

void TKxTimer::UpdateTimer() {
    std::lock_guard update(updateLock_);
    bool threaded;
    bool runs;
    DWORD interval;
    TThreadPriority priority;
    {
        std::lock_guard guard(state_->lock);
        if (!state_->owner) return;
        threaded = state_->threaded;
        interval = state_->interval;
        priority = state_->priority;
        runs = interval != 0 && state_->enabled && state_->onTimer;
        // Stopping and starting again are one step for the thread: whatever it was
        // counting ends here.
        state_->running = threaded && runs;
        ++state_->cycle;
        state_->cycleStart = GetTickCount();
        state_->changed.notify_all();
    }
    if (!threaded) {
        startWindowTimer(interval, runs);
        return;
    }
    if (windowTimer_) windowTimer_->SetEnabled(false);
    if (runs) {
        thread_->SetPriority(priority);
        thread_->Resume();
    }
}

void TKxTimer::startWindowTimer(DWORD interval, bool runs) {
    if (!windowTimer_) {
        windowTimer_.reset(CreateComponent<TTimer>(nullptr));
        windowTimer_->SetEnabled(false);
        windowTimer_->OnTimer = [state = state_](TObject*) {
            // The timer may be destroyed by its own handler, and this closure with it: the
            // call runs on a copy of the shared state.
            TKxTimerState::runTimer(std::shared_ptr<TKxTimerState>(state), std::nullopt);
        };
    } else {
        windowTimer_->SetEnabled(false);
    }
    if (!runs) return;
    windowTimer_->SetInterval(interval);
    windowTimer_->SetEnabled(true);
}

void TKxTimer::Timer() {
    TNotifyEvent handler;
    {
        std::lock_guard guard(state_->lock);
        if (!state_->enabled || !state_->owner) return;
        handler = state_->onTimer;
    }
    if (handler) handler(this);
}

void TKxTimer::Synchronize(const std::function<void()>& method) {
    if (IsMainThread()) {
        method();
        return;
    }
    handOver(state_, method);
}
