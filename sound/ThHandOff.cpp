#include "sound/ThHandOff.h"

#include <cstdio>
#include <exception>

TSndHandOffThread::TSndHandOffThread() : TThread(true) {
    Resume();
}

TSndHandOffThread::~TSndHandOffThread() {
    Close();
}

void TSndHandOffThread::Post(std::function<void()> call) {
    {
        std::lock_guard guard(lock_);
        if (closed_) return;
        calls_.push_back(std::move(call));
    }
    changed_.notify_one();
}

void TSndHandOffThread::Close() {
    {
        std::lock_guard guard(lock_);
        closed_ = true;
        calls_.clear();
    }
    changed_.notify_one();
    WaitFor();
}

void TSndHandOffThread::Execute() {
    for (;;) {
        std::function<void()> call;
        {
            std::unique_lock guard(lock_);
            changed_.wait(guard, [this] { return closed_ || !calls_.empty(); });
            if (closed_) return;
            call = std::move(calls_.front());
            calls_.pop_front();
        }
        // One failing call (an event that cannot be created on a resize) must not end the
        // thread and silently drop every call after it.
        try {
            call();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "sound engine call failed: %s\n", e.what());
        }
    }
}
