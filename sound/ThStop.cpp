#include "sound/ThStop.h"

#include "sound/SndEngin.h"

#include <memory>

TSndStopThread::TSndStopThread(TSndEngine* engine, unsigned session)
    : TThread(true), engine_(engine), session_(session) {}

void TSndStopThread::Launch(TSndEngine* engine) {
    auto thread = std::make_unique<TSndStopThread>(engine, engine->Session());
    thread->SetPriority(tpNormal);
    engine->AdoptStopThread(std::move(thread));
}

void TSndStopThread::Execute() {
    engine_->StopSession(session_);
}
