#pragma once
// TSndStopThread: switches an engine off once its data has played out. It acts only on
// the session of the engine that started it; the engine keeps it until it has ended.
#include "platform/kernel/Thread.h"

class TSndEngine;

class TSndStopThread : public TThread {
public:
    TSndStopThread(TSndEngine* engine, unsigned session);
    // Creates a stop thread for the engine's running session at normal priority and runs it.
    static void Launch(TSndEngine* engine);

protected:
    void Execute() override;

private:
    TSndEngine* engine_;
    unsigned session_;
};
