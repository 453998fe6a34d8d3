#include "sound/ThMixer.h"

#include "sound/WndMixer.h"

TSndMixerThread::TSndMixerThread(TSndMixer* mixer)
    : TThread(true), mixer_(mixer), wake_(CreateEvent(true, false)) {}

TSndMixerThread::~TSndMixerThread() {
    Stop();
    if (Suspended()) Resume();
    WaitFor();
    CloseHandle(wake_);
}

void TSndMixerThread::Stop() {
    Terminate();
    SetEvent(wake_);
}

void TSndMixerThread::Execute() {
    while (!Terminated()) {
        if (mixer_->WantsPoll()) {
            Synchronize([this] { mixer_->ThreadProcess(); });
            polls_.fetch_add(1, std::memory_order_relaxed);
        }
        WaitForSingleObject(wake_, MixerPollInterval);
    }
}
