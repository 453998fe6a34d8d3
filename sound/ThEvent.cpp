#include "sound/ThEvent.h"

#include "sound/SndEngin.h"

namespace {
constexpr DWORD WaitTimeoutMs = 100;
thread_local bool onEventsThread = false;
} // namespace

bool TSndEventsThread::Current() {
    return onEventsThread;
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
    onEventsThread = true;
    const TSndProcessScope processing;
    HANDLE handles[SndMaxBuffers + 1];
    int last = -1;
    while (!Terminated()) {
        const int count = engine_->EventCount();
        for (int i = 0; i < count; ++i)
            handles[i] = engine_->Events()[i];
        handles[count] = wake_;
        const DWORD result =
            WaitForMultipleObjects(static_cast<DWORD>(count + 1), handles, false, WaitTimeoutMs);
        if (result >= WAIT_OBJECT_0 + static_cast<DWORD>(count) || Terminated()) continue;
        const auto block = static_cast<int>(result - WAIT_OBJECT_0);
        if (last >= 0 && last < count) processSkipped(handles, count, last, block);
        if (Terminated()) continue;
        engine_->Process(block);
        last = block;
    }
}

void TSndEventsThread::processSkipped(const HANDLE* handles, int count, int last, int block) {
    // The wait answers the lowest signalled block. A thread that fell two blocks behind as
    // the cursor wrapped finds the last blocks of the ring signalled beside block 0: they
    // were completed first and go first, so a recording or an effect's history never gets
    // two blocks swapped.
    for (int earlier = (last + 1) % count; earlier != block && !Terminated(); earlier = (earlier + 1) % count)
        if (WaitForSingleObject(handles[earlier], 0) == WAIT_OBJECT_0) engine_->Process(earlier);
}
