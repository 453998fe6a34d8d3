#pragma once
// TSndHandOffThread: runs, one after the other and in the order they came, the control
// calls an engine received on a thread that processes its blocks. Such a call (a switch,
// a setter, a release) may have to stop the events thread, and a thread never waits for
// itself; here it runs on a thread that may.
#include "platform/kernel/Thread.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class TSndHandOffThread : public TThread {
public:
    TSndHandOffThread();
    ~TSndHandOffThread() override;

    void Post(std::function<void()> call);
    // Drops the calls not started yet, refuses later ones and waits for the running one.
    void Close();

protected:
    void Execute() override;

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> calls_; // guarded by lock_
    bool closed_ = false;                     // guarded by lock_
};
