#pragma once
// TThread: a worker thread object in the framework's shape. It is created suspended or
// running, runs Execute once, and is stopped cooperatively (Terminate sets a flag that
// Execute polls). An exception escaping Execute ends that thread with one line on stderr,
// never the process.
#include "platform/kernel/Types.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
public:
    // Throws std::system_error when the system refuses a new thread.
    explicit TThread(bool createSuspended);
    // Terminates, resumes if suspended, and waits for Execute to end.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume();
    void Terminate();
    bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
    // Waits for Execute to end and answers ReturnValue. On the main thread it keeps
    // running Synchronize calls meanwhile, so a worker that synchronizes cannot deadlock.
    DWORD WaitFor();
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    bool Suspended() const;

    // Deletes the object when Execute ends. Set before Resume; the object must be on the heap.
    bool FreeOnTerminate = false;
    // Best effort: Linux gives ordinary users no real-time priorities, so this is recorded
    // and mapped to the thread's nice value where the system allows it. May be called from
    // any thread at any time: the last priority set is the one the thread runs at, also
    // when it is set while the thread is starting.
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority priority);

    std::function<void(TThread*)> OnTerminate;
    // Message of the exception that ended Execute, empty when it ended normally.
    std::string FatalException() const;

protected:
    virtual void Execute() = 0;
    // Runs method on the main thread and waits for it; runs it at once on the main thread,
    // or when no main thread is registered (plain tests).
    void Synchronize(const std::function<void()>& method);
    DWORD ReturnValue = 0;

private:
    void run();
    void applyPriorityLocked();

    std::thread thread_;
    mutable std::mutex lock_; // guards the fields below up to fatalMessage_
    std::condition_variable resumed_;
    bool suspended_;
    int nativeTid_ = 0; // 0 until the thread runs
    TThreadPriority priority_ = tpNormal;
    std::string fatalMessage_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
};

// The TThreads of the process whose thread has not yet ended: each counts from its creation
// until the very end of its run, after its object is deleted when it frees itself. Once
// WaitFor has returned, a thread is no longer counted.
int LiveThreadCount();

// Fault injection for tests: the next TThread creation after skip successful ones fails
// as it does when the system has no thread left to give.
void FailNextThreadCreation(int skip = 0);
void ClearThreadCreationFault();

// The main (GUI) thread's side of Synchronize. The framework marks its thread as main and
// installs a waker that makes the main loop call CheckSynchronize soon. A default id
// unregisters the main thread.
void SetMainThread(std::thread::id id);
bool IsMainThread();
void SetSynchronizeWaker(std::function<void()> waker);
// Runs the queued Synchronize calls; answers whether any ran. Main thread only.
bool CheckSynchronize();
