#pragma once
// TSndMixerThread: keeps a mixer control's level meters moving. It never touches the mixer
// itself: each poll runs on the GUI thread through Synchronize. Between polls it rests for
// MixerPollInterval, and while the control shows no meters it asks nothing of the GUI thread.
#include "platform/kernel/Events.h"
#include "platform/kernel/Thread.h"

class TSndMixer;

// Twenty readings a second move a meter smoothly without keeping a core busy.
constexpr DWORD MixerPollInterval = 50;

class TSndMixerThread : public TThread {
public:
    // Created suspended.
    explicit TSndMixerThread(TSndMixer* mixer);
    ~TSndMixerThread() override;
    // Terminates and cuts the current rest short.
    void Stop();
    // Polls run so far, for tests and benchmarks.
    unsigned Polls() const { return polls_.load(std::memory_order_relaxed); }

protected:
    void Execute() override;

private:
    TSndMixer* mixer_;
    HANDLE wake_;
    std::atomic<unsigned> polls_{0};
};
