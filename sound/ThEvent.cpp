#include "sound/ThEvent.h"

#include "sound/SndEngin.h"

namespace {
constexpr DWORD WaitTimeoutMs = 100;
}

TSndEventsThread::TSndEventsThread(TSndEngine* engine)
    : TThread(true), engine_(engine), wake_(CreateEvent(true, false)) {}

TSndEventsThread::~TSndEventsThread() {
    CloseHandle(wake_);
}

void TSndEventsThread::Stop() {
    Terminate();
    SetEvent(wake_);
}

void TSndEventsThread::Execute() {
    runningId_.store(std::this_thread::get_id());
    const TSndProcessScope processing;
    HANDLE handles[SndMaxBuffers + 1];
    while (!Terminated()) {
        const int count = engine_->EventCount();
        for (int i = 0; i < count; ++i)
            handles[i] = engine_->Events()[i];
        handles[count] = wake_;
        const DWORD result =
            WaitForMultipleObjects(static_cast<DWORD>(count + 1), handles, false, WaitTimeoutMs);
        if (result < WAIT_OBJECT_0 + static_cast<DWORD>(count) && !Terminated())
            engine_->Process(static_cast<int>(result - WAIT_OBJECT_0));
    }
}
