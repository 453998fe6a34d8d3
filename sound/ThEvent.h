#pragma once
// TSndEventsThread: waits on an engine's block events and calls its Process with the index
// of the block whose notification came, in the order the cursor reached them.
#include "platform/kernel/Events.h"
#include "platform/kernel/Thread.h"

#include <atomic>
#include <thread>

class TSndEngine;

class TSndEventsThread : public TThread {
public:
    explicit TSndEventsThread(TSndEngine* engine);
    ~TSndEventsThread() override;
    // Terminates and wakes the wait at once instead of after its time-out.
    void Stop();
    // The id of the thread running Execute, set before it first calls the engine.
    const std::atomic<std::thread::id>& RunningId() const { return runningId_; }
    // Whether the caller is an engine's events thread: it serves one block at a time, each
    // due a while after it is asked for, where a pre-fill wants the blocks at once.
    static bool Current();

protected:
    void Execute() override;

private:
    // Processes, in ring order, the blocks after last that are signalled beside block.
    void processSkipped(const HANDLE* handles, int count, int last, int block);

    TSndEngine* engine_;
    // Signalled by Stop; also what an engine without block events waits on, so the
    // thread sleeps instead of spinning.
    HANDLE wake_;
    std::atomic<std::thread::id> runningId_{};
};
