#include "sound/ThStop.h"

#include "sound/SndEngin.h"

TSndStopThread::TSndStopThread(TSndEngine* engine, unsigned session)
    : TThread(true), engine_(engine), session_(session) {
    FreeOnTerminate = true;
}

void TSndStopThread::Launch(TSndEngine* engine) {
    engine->StopThreadStarted();
    auto* thread = new TSndStopThread(engine, engine->Session());
    thread->SetPriority(tpNormal);
    thread->Resume();
}

void TSndStopThread::Execute() {
    engine_->StopSession(session_);
    engine_->StopThreadDone();
}
