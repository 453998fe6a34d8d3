#include "platform/framework/Timer.h"

#include "platform/framework/QtBridge.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Thread.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <mutex>
#include <vector>

// Keeps every live timer and wakes the GUI thread when the next one is due. Timers are
// kept in creation order, so timers due together run in that order.
class TimerScheduler {
public:
    static TimerScheduler& instance() {
        static TimerScheduler scheduler;
        return scheduler;
    }

    void add(TTimer* timer) {
        {
            std::lock_guard guard(lock_);
            timers_.push_back(timer);
            timer->due_ = GetTickCount() + timer->Interval();
        }
        wake();
    }

    void remove(TTimer* timer) {
        std::lock_guard guard(lock_);
        timers_.erase(std::remove(timers_.begin(), timers_.end(), timer), timers_.end());
    }

    void setEnabled(TTimer* timer, bool enabled) {
        {
            std::lock_guard guard(lock_);
            if (timer->enabled_.load() == enabled) return;
            timer->due_ = GetTickCount() + timer->Interval();
            timer->enabled_.store(enabled, std::memory_order_release);
        }
        wake();
    }

    void setInterval(TTimer* timer, DWORD interval) {
        {
            std::lock_guard guard(lock_);
            if (timer->interval_.load() == interval) return;
            timer->interval_.store(interval, std::memory_order_release);
            timer->due_ = GetTickCount() + interval;
        }
        wake();
    }

    int runDue() {
        std::vector<TTimer*> due;
        {
            std::lock_guard guard(lock_);
            const DWORD now = GetTickCount();
            for (TTimer* timer : timers_)
                if (isDue(timer, now)) due.push_back(timer);
        }
        int ran = 0;
        for (TTimer* timer : due) {
            // Check again just before running: an earlier handler or another thread may
            // have disabled, restarted or destroyed this timer meanwhile.
            {
                std::lock_guard guard(lock_);
                const DWORD now = GetTickCount();
                if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end() || !isDue(timer, now))
                    continue;
                timer->due_ = now + timer->Interval();
            }
            ++ran;
            vx::Guarded([timer] { timer->Timer(); });
        }
        reschedule();
        return ran;
    }

private:
    static bool isDue(const TTimer* timer, DWORD now) {
        return timer->Enabled() && timer->Interval() > 0 && static_cast<std::int32_t>(now - timer->due_) >= 0;
    }

    // Wakes the GUI thread to re-arm its Qt timer for the nearest due time.
    void wake() {
        if (!QCoreApplication::instance()) return;
        if (IsMainThread())
            reschedule();
        else
            vx::PostToGuiThread([this] { reschedule(); });
    }

    // GUI thread only.
    void reschedule() {
        if (!QCoreApplication::instance()) return;
        if (!qtTimer_) {
            qtTimer_ = new QTimer(QCoreApplication::instance());
            qtTimer_->setSingleShot(true);
            qtTimer_->setTimerType(Qt::PreciseTimer);
            QObject::connect(qtTimer_, &QTimer::timeout, [this] { runDue(); });
        }
        long wait = -1;
        {
            std::lock_guard guard(lock_);
            const DWORD now = GetTickCount();
            for (const TTimer* timer : timers_) {
                if (!timer->Enabled() || timer->Interval() == 0) continue;
                const long left = std::max<long>(0, static_cast<std::int32_t>(timer->due_ - now));
                wait = wait < 0 ? left : std::min(wait, left);
            }
        }
        if (wait < 0)
            qtTimer_->stop();
        else
            qtTimer_->start(static_cast<int>(std::min<long>(wait, 0x7FFFFFFF)));
    }

    std::mutex lock_; // guards timers_ and every timer's due_
    std::vector<TTimer*> timers_;
    QTimer* qtTimer_ = nullptr; // GUI thread only
};

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
    TimerScheduler::instance().add(this);
}

TTimer::~TTimer() {
    TimerScheduler::instance().remove(this);
}

void TTimer::SetEnabled(bool enabled) {
    TimerScheduler::instance().setEnabled(this, enabled);
}

void TTimer::SetInterval(DWORD interval) {
    TimerScheduler::instance().setInterval(this, interval);
}

void TTimer::Timer() {
    if (OnTimer) OnTimer(this);
}

int RunDueTimers() {
    return TimerScheduler::instance().runDue();
}
