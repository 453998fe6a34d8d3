#include "sound/ThStop.h"

#include "sound/SndEngin.h"

#include <memory>
#include <system_error>

TSndStopThread::TSndStopThread(TSndEngine* engine, unsigned session)
    : TThread(true), engine_(engine), session_(session) {}

void TSndStopThread::Launch(TSndEngine* engine) {
    std::unique_ptr<TSndStopThread> thread;
    try {
        thread = std::make_unique<TSndStopThread>(engine, engine->Session());
    } catch (const std::system_error&) {
        return; // the end block comes round again with the ring, and the launch with it
    }
    thread->SetPriority(tpNormal);
    engine->AdoptStopThread(std::move(thread));
}

void TSndStopThread::Execute() {
    engine_->StopSession(session_);
}
