#include "platform/kernel/Thread.h"

#include <cstdio>
#include <deque>
#include <exception>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace {

struct SyncRequest {
    std::function<void()> method;
    std::exception_ptr error;
    bool done = false;
};

struct SyncQueue {
    std::mutex lock;
    std::condition_variable doneOrQueued;
    std::deque<SyncRequest*> pending;
    std::function<void()> waker;
    std::thread::id mainThread;
    bool hasMainThread = false;
};

SyncQueue& syncQueue() {
    static SyncQueue queue;
    return queue;
}

int niceFor(TThreadPriority priority) {
    switch (priority) {
    case tpIdle:
        return 19;
    case tpLowest:
        return 10;
    case tpLower:
        return 5;
    case tpNormal:
        return 0;
    case tpHigher:
        return -5;
    case tpHighest:
        return -10;
    case tpTimeCritical:
        return -15;
    }
    return 0;
}

// A pending creation fault: -1 none, else the creations that still succeed before it.
std::atomic<int> creationFault{-1};

std::atomic<int> liveThreads{0};

bool takeCreationFault() {
    int pending = creationFault.load();
    while (pending >= 0)
        if (creationFault.compare_exchange_weak(pending, pending - 1)) return pending == 0;
    return false;
}

} // namespace

void FailNextThreadCreation(int skip) {
    creationFault.store(skip);
}

void ClearThreadCreationFault() {
    creationFault.store(-1);
}

int LiveThreadCount() {
    return liveThreads.load();
}

void SetMainThread(std::thread::id id) {
    SyncQueue& q = syncQueue();
    std::lock_guard guard(q.lock);
    q.mainThread = id;
    q.hasMainThread = id != std::thread::id(); // a default id unregisters
}

bool IsMainThread() {
    SyncQueue& q = syncQueue();
    std::lock_guard guard(q.lock);
    return q.hasMainThread && q.mainThread == std::this_thread::get_id();
}

void SetSynchronizeWaker(std::function<void()> waker) {
    SyncQueue& q = syncQueue();
    std::lock_guard guard(q.lock);
    q.waker = std::move(waker);
}

bool CheckSynchronize() {
    SyncQueue& q = syncQueue();
    bool ran = false;
    for (;;) {
        SyncRequest* request;
        {
            std::lock_guard guard(q.lock);
            if (q.pending.empty()) return ran;
            request = q.pending.front();
            q.pending.pop_front();
        }
        try {
            request->method();
        } catch (...) {
            request->error = std::current_exception();
        }
        ran = true;
        {
            std::lock_guard guard(q.lock);
            request->done = true;
        }
        q.doneOrQueued.notify_all();
    }
}

TThread::TThread(bool createSuspended) : suspended_(createSuspended) {
    if (takeCreationFault())
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                                "thread creation");
    liveThreads.fetch_add(1);
    try {
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        liveThreads.fetch_sub(1);
        throw;
    }
}

TThread::~TThread() {
    if (thread_.get_id() == std::this_thread::get_id()) {
        // FreeOnTerminate: the thread deletes itself at the end of run().
        thread_.detach();
        return;
    }
    Terminate();
    if (Suspended()) Resume();
    WaitFor();
    if (thread_.joinable()) thread_.join();
}

void TThread::run() {
    {
        std::unique_lock guard(lock_);
        resumed_.wait(guard, [this] { return !suspended_; });
        // Under the lock with the priority: a SetPriority racing with this start is
        // applied either here or after it, never overwritten by an older value.
        nativeTid_ = static_cast<int>(::syscall(SYS_gettid));
        applyPriorityLocked();
    }
    if (!Terminated()) {
        try {
            Execute();
        } catch (const std::exception& e) {
            std::lock_guard guard(lock_);
            fatalMessage_ = e.what();
        } catch (...) {
            std::lock_guard guard(lock_);
            fatalMessage_ = "unknown exception";
        }
    }
    std::string fatal = FatalException();
    if (!fatal.empty()) std::fprintf(stderr, "thread ended by an exception: %s\n", fatal.c_str());
    if (OnTerminate) {
        try {
            Synchronize([this] { OnTerminate(this); });
        } catch (...) {
            std::fprintf(stderr, "thread OnTerminate raised an exception\n");
        }
    }
    if (FreeOnTerminate) {
        // Nobody may wait for a thread that frees itself, so nobody is told: on its way
        // out, which may be while the process ends, the thread touches nothing shared but
        // the plain count of live threads.
        delete this;
        liveThreads.fetch_sub(1);
        return;
    }
    liveThreads.fetch_sub(1);
    finished_.store(true, std::memory_order_release);
    syncQueue().doneOrQueued.notify_all();
}

void TThread::Resume() {
    // Notify under the lock: a FreeOnTerminate thread may run to its end and delete this
    // object as soon as the lock is released.
    std::lock_guard guard(lock_);
    suspended_ = false;
    resumed_.notify_all();
}

bool TThread::Suspended() const {
    std::lock_guard guard(lock_);
    return suspended_;
}

void TThread::Terminate() {
    terminated_.store(true, std::memory_order_release);
}

DWORD TThread::WaitFor() {
    if (thread_.get_id() == std::this_thread::get_id()) return ReturnValue;
    SyncQueue& q = syncQueue();
    const bool onMain = IsMainThread();
    std::unique_lock guard(q.lock);
    while (!finished_.load(std::memory_order_acquire)) {
        if (onMain && !q.pending.empty()) {
            guard.unlock();
            CheckSynchronize();
            guard.lock();
            continue;
        }
        q.doneOrQueued.wait_for(guard, std::chrono::milliseconds(10));
    }
    guard.unlock();
    if (thread_.joinable() && !FreeOnTerminate) thread_.join();
    return ReturnValue;
}

TThreadPriority TThread::Priority() const {
    std::lock_guard guard(lock_);
    return priority_;
}

void TThread::SetPriority(TThreadPriority priority) {
    std::lock_guard guard(lock_);
    priority_ = priority;
    applyPriorityLocked();
}

void TThread::applyPriorityLocked() {
    if (nativeTid_ != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(nativeTid_),
                      niceFor(priority_)); // may be refused; best effort
}

std::string TThread::FatalException() const {
    std::lock_guard guard(lock_);
    return fatalMessage_;
}

void TThread::Synchronize(const std::function<void()>& method) {
    SyncQueue& q = syncQueue();
    SyncRequest request{method, nullptr, false};
    {
        std::unique_lock guard(q.lock);
        if (!q.hasMainThread || q.mainThread == std::this_thread::get_id()) {
            guard.unlock();
            method();
            return;
        }
        q.pending.push_back(&request);
        if (q.waker) q.waker();
        q.doneOrQueued.notify_all();
        q.doneOrQueued.wait(guard, [&] { return request.done; });
    }
    if (request.error) std::rethrow_exception(request.error);
}
