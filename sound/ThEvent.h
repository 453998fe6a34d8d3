#pragma once
// TSndEventsThread: waits on an engine's block events and calls its Process with the index
// of the block whose notification came.
#include "platform/kernel/Events.h"
#include "platform/kernel/Thread.h"

class TSndEngine;

class TSndEventsThread : public TThread {
public:
    explicit TSndEventsThread(TSndEngine* engine);
    ~TSndEventsThread() override;
    // Terminates and wakes the wait at once instead of after its time-out.
    void Stop();

protected:
    void Execute() override;

private:
    TSndEngine* engine_;
    // Signalled by Stop; also what an engine without block events waits on, so the
    // thread sleeps instead of spinning.
    HANDLE wake_;
};
