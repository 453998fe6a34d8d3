#include "sound/SndEngin.h"

#include "platform/framework/Published.h"
#include "sound/Sndutils.h"
#include "sound/ThEvent.h"
#include "sound/ThHandOff.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <system_error>

namespace {

thread_local int processDepth = 0;

// Properties derived from the ring's two sizes are published to be read, never written.
const bool enginePublished = RegisterPublishedClass(
    "TSndEngine", "TComponent",
    {
        Property("Priority", TypeThreadPriority(), &TSndEngine::Priority, &TSndEngine::SetPriority, tpIdle),
        Property("Active", TypeBoolean(), &TSndEngine::Active, &TSndEngine::SetActive, false),
        Property("Channels", IntegerType("Word"), &TSndEngine::Channels, &TSndEngine::SetChannels, 2),
        Property("BitsPerSample", IntegerType("Word"), &TSndEngine::BitsPerSample,
                 &TSndEngine::SetBitsPerSample, 16),
        Property("SamplesPerSec", IntegerType("Cardinal"), &TSndEngine::SamplesPerSec,
                 &TSndEngine::SetSamplesPerSec, 44100),
        Property("BufferSize", TypeInteger(), &TSndEngine::BufferSize, &TSndEngine::SetBufferSize, 32768),
        ReadOnlyProperty("BufferSizeMask", TypeInteger(), &TSndEngine::BufferSizeMask),
        Property("BuffersCount", TypeInteger(), &TSndEngine::BuffersCount, &TSndEngine::SetBuffersCount, 16),
        ReadOnlyProperty("BuffersCountMask", TypeInteger(), &TSndEngine::BuffersCountMask),
        ReadOnlyProperty("BuffersSize", TypeInteger(), &TSndEngine::BuffersSize),
        ReadOnlyProperty("BuffersSizeMask", TypeInteger(), &TSndEngine::BuffersSizeMask),
        EventProperty("OnBeforeStop", MethodType("TNotifyEvent"), &TSndEngine::OnBeforeStop,
                      &TSndEngine::SetOnBeforeStop),
        EventProperty("OnActiveChange", MethodType("TNotifyEvent"), &TSndEngine::OnActiveChange,
                      &TSndEngine::SetOnActiveChange),
        EventProperty("OnProc", MethodType("TSndProcEvent"), &TSndEngine::OnProc, &TSndEngine::SetOnProc),
    });

} // namespace

TSndProcessScope::TSndProcessScope() {
    ++processDepth;
}

TSndProcessScope::~TSndProcessScope() {
    --processDepth;
}

bool TSndProcessScope::Inside() {
    return processDepth > 0;
}

bool TSndControlLock::mayEnter(std::thread::id me) const {
    return depth_ == 0 && (!guest_ || guest_->load() == me);
}

void TSndControlLock::Acquire() {
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    if (depth_ > 0 && owner_ == me) {
        ++depth_;
        return;
    }
    free_.wait(lock, [&] { return mayEnter(me); });
    owner_ = me;
    depth_ = 1;
}

void TSndControlLock::Release() {
    std::lock_guard lock(mutex_);
    if (--depth_ == 0) {
        owner_ = {};
        free_.notify_all();
    }
}

int TSndControlLock::Suspend(const std::atomic<std::thread::id>* guest) {
    std::lock_guard lock(mutex_);
    const int depth = depth_;
    depth_ = 0;
    guest_ = guest;
    owner_ = {};
    free_.notify_all();
    return depth;
}

void TSndControlLock::Resume(int depth) {
    std::unique_lock lock(mutex_);
    guest_ = nullptr;
    free_.wait(lock, [&] { return depth_ == 0; });
    owner_ = std::this_thread::get_id();
    depth_ = depth;
}

TSndEngine::TSndEngine(TComponent* owner) : TComponent(owner) {
    RequestedFormat.nChannels = 2;
    RequestedFormat.wBitsPerSample = 16;
    RequestedFormat.nSamplesPerSec = 44100;
    UpdateWaveFormat(&RequestedFormat);
    WorkingFormat = RequestedFormat;
}

TSndEngine::~TSndEngine() {
    onBeforeStop_.Set(nullptr);
    onActiveChange_.Set(nullptr);
    onProc_.Set(nullptr);
    CloseHandOff();
    // Concrete engines switch off in their own destructors; what is left here is only
    // what a failed construction may have created.
    if (eventsThread_) {
        eventsThread_->Terminate();
        eventsThread_->Resume();
        eventsThread_->WaitFor();
        eventsThread_.reset();
    }
    WaitForStopThreads();
    CloseBlockEvents();
}

int TSndEngine::powerOfTwoIn(int value, int low, int high) {
    if (value <= low) return low;
    int power = 1;
    while (power <= value / 2)
        power *= 2;
    return power > high ? high : power;
}

void TSndEngine::SetBufferSize(int size) {
    if (HandedOff([this, size] { SetBufferSize(size); })) return;
    if (size == bufferSize_) return;
    resizeRing(powerOfTwoIn(size, 4, 32768), buffersCount_);
}

void TSndEngine::SetBuffersCount(int count) {
    if (HandedOff([this, count] { SetBuffersCount(count); })) return;
    if (count == buffersCount_) return;
    resizeRing(bufferSize_, powerOfTwoIn(count, 2, SndMaxBuffers));
}

void TSndEngine::resizeRing(int size, int count) {
    // DirectSound keeps the notification positions given at switch-on, so a running
    // engine is rebuilt around the new ring rather than left pointing at closed events.
    Restart([&] {
        bufferSize_ = size;
        buffersCount_ = count;
        FixInitBuffer();
    });
}

void TSndEngine::FixInitBuffer() {
    InitBuffer();
}

void TSndEngine::SetPriority(TThreadPriority priority) {
    TSndControlHold hold(Control);
    priority_ = priority;
    if (eventsThread_) eventsThread_->SetPriority(priority);
}

void TSndEngine::CloseBlockEvents() {
    const int count = eventCount_.exchange(0, std::memory_order_acq_rel);
    for (int i = 0; i < count; ++i) {
        CloseHandle(events_[i]);
        events_[i] = NULL_HANDLE;
    }
}

void TSndEngine::CreateBlockEvents(const char* failMessage) {
    CloseBlockEvents();
    for (int i = 0; i < buffersCount_; ++i) {
        events_[i] = CreateEvent(false, false);
        if (events_[i] == NULL_HANDLE) {
            for (int j = 0; j < i; ++j)
                CloseHandle(events_[j]);
            throw Exception(failMessage);
        }
    }
    eventCount_.store(buffersCount_, std::memory_order_release);
}

bool TSndEngine::StartEventsThread() {
    try {
        eventsThread_ = std::make_unique<TSndEventsThread>(this);
    } catch (const std::system_error&) {
        return false;
    }
    eventsThread_->SetPriority(priority_);
    eventsThread_->Resume();
    return true;
}

void TSndEngine::StopEventsThread() {
    std::unique_ptr<TSndEventsThread> thread = std::move(eventsThread_);
    if (!thread) return;
    thread->Stop();
    const int depth = Control.Suspend(&thread->RunningId());
    thread->Resume();
    thread->WaitFor();
    Control.Resume(depth);
}

bool TSndEngine::HandedOff(std::function<void()> call) {
    if (!TSndProcessScope::Inside()) return false;
    std::lock_guard guard(handOffLock_);
    if (handOffClosed_) return true;
    if (!handOff_) {
        try {
            handOff_ = std::make_unique<TSndHandOffThread>();
        } catch (const std::system_error&) {
            std::fprintf(stderr, "sound engine: no thread to hand a call to; the call is dropped\n");
            return true;
        }
    }
    handOff_->Post(std::move(call));
    return true;
}

void TSndEngine::CloseHandOff() {
    std::unique_ptr<TSndHandOffThread> thread;
    {
        std::lock_guard guard(handOffLock_);
        handOffClosed_ = true;
        thread = std::move(handOff_);
    }
    if (thread) thread->Close();
}

void TSndEngine::SetActive(bool active) {
    if (HandedOff([this, active] { SetActive(active); })) return;
    TSndControlHold hold(Control);
    SwitchLocked(active);
}

void TSndEngine::SwitchDevice(bool active, const std::function<bool()>& switchOn,
                              const std::function<void()>& release) {
    if (active == Active()) return;
    if (active) {
        if (switchOn() && Active()) FireActiveChange();
        return;
    }
    // Off first, so that a caller meeting the engine while its thread is joined sees it off.
    SetActiveFlag(false);
    release();
    FireActiveChange();
}

void TSndEngine::Restart(const std::function<void()>& change) {
    TSndControlHold hold(Control);
    const bool wasActive = Active();
    if (wasActive) SwitchLocked(false);
    change();
    if (wasActive) SwitchLocked(true);
}

void TSndEngine::DrainBlockEvents() {
    for (int i = 0; i < EventCount(); ++i)
        WaitForSingleObject(events_[i], 0);
}

void TSndEngine::SwitchOffForGood() {
    onBeforeStop_.Set(nullptr);
    onActiveChange_.Set(nullptr);
    onProc_.Set(nullptr);
    CloseHandOff();
    SetActive(false);
}

void TSndEngine::StopSession(unsigned session) {
    TSndControlHold hold(Control);
    if (session == Session() && Active()) SwitchLocked(false);
}

void TSndEngine::AdoptStopThread(std::unique_ptr<TThread> thread) {
    std::vector<std::unique_ptr<TThread>> ended;
    {
        std::lock_guard guard(stopThreadsLock_);
        auto running = std::partition(stopThreads_.begin(), stopThreads_.end(),
                                      [](const std::unique_ptr<TThread>& t) { return !t->Finished(); });
        std::move(running, stopThreads_.end(), std::back_inserter(ended));
        stopThreads_.erase(running, stopThreads_.end());
        stopThreads_.push_back(std::move(thread));
        stopThreads_.back()->Resume();
    }
}

void TSndEngine::WaitForStopThreads() {
    std::vector<std::unique_ptr<TThread>> threads;
    {
        std::lock_guard guard(stopThreadsLock_);
        threads.swap(stopThreads_);
    }
    for (auto& thread : threads)
        thread->WaitFor();
}

void TSndEngine::FireBeforeStop() {
    if (auto handler = onBeforeStop_.Get()) handler(this);
}

void TSndEngine::FireActiveChange() {
    if (auto handler = onActiveChange_.Get()) handler(this);
}

void TSndEngine::FireProc(BYTE* data, DWORD len) {
    if (auto handler = onProc_.Get()) handler(this, data, len);
}

void TSndEngine::SetActiveFlag(bool active) {
    if (active) session_.fetch_add(1, std::memory_order_acq_rel);
    active_.store(active, std::memory_order_release);
}

namespace {

struct Part {
    const BYTE* data;
    DWORD len;
};

short sample16(const BYTE* p) {
    std::int16_t value;
    std::memcpy(&value, p, 2);
    return value;
}

void store16(BYTE* p, short value) {
    std::memcpy(p, &value, 2);
}

short sample8(BYTE b) {
    return static_cast<short>((b ^ 0x80) << 8);
}

BYTE store8(short value) {
    return static_cast<BYTE>((static_cast<unsigned short>(value) >> 8) ^ 0x80);
}

} // namespace

void TSndEngine::GetBuf16Stereo(short* L, short* R, const BYTE* first, DWORD firstLen, const BYTE* second,
                                DWORD secondLen) {
    int k = 0;
    for (Part part : {Part{first, firstLen}, Part{second, secondLen}})
        for (DWORD i = 0; i + 4 <= part.len && part.data; i += 4, ++k) {
            L[k] = sample16(part.data + i);
            R[k] = sample16(part.data + i + 2);
        }
}

void TSndEngine::PutBuf16Stereo(const short* L, const short* R, BYTE* first, DWORD firstLen, BYTE* second,
                                DWORD secondLen) {
    int k = 0;
    for (auto [data, len] : {std::pair{first, firstLen}, std::pair{second, secondLen}})
        for (DWORD i = 0; i + 4 <= len && data; i += 4, ++k) {
            store16(data + i, L[k]);
            store16(data + i + 2, R[k]);
        }
}

void TSndEngine::GetBuf16Mono(short* M, const BYTE* first, DWORD firstLen, const BYTE* second,
                              DWORD secondLen) {
    if (first && firstLen) std::memcpy(M, first, firstLen);
    if (second && secondLen) std::memcpy(M + firstLen / 2, second, secondLen);
}

void TSndEngine::PutBuf16Mono(const short* M, BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen) {
    if (first && firstLen) std::memcpy(first, M, firstLen);
    if (second && secondLen) std::memcpy(second, M + firstLen / 2, secondLen);
}

void TSndEngine::GetBuf8Stereo(short* L, short* R, const BYTE* first, DWORD firstLen, const BYTE* second,
                               DWORD secondLen) {
    int k = 0;
    for (Part part : {Part{first, firstLen}, Part{second, secondLen}})
        for (DWORD i = 0; i + 2 <= part.len && part.data; i += 2, ++k) {
            L[k] = sample8(part.data[i]);
            R[k] = sample8(part.data[i + 1]);
        }
}

void TSndEngine::PutBuf8Stereo(const short* L, const short* R, BYTE* first, DWORD firstLen, BYTE* second,
                               DWORD secondLen) {
    int k = 0;
    for (auto [data, len] : {std::pair{first, firstLen}, std::pair{second, secondLen}})
        for (DWORD i = 0; i + 2 <= len && data; i += 2, ++k) {
            data[i] = store8(L[k]);
            data[i + 1] = store8(R[k]);
        }
}

void TSndEngine::GetBuf8Mono(short* M, const BYTE* first, DWORD firstLen, const BYTE* second,
                             DWORD secondLen) {
    int k = 0;
    for (Part part : {Part{first, firstLen}, Part{second, secondLen}})
        for (DWORD i = 0; i < part.len && part.data; ++i, ++k)
            M[k] = sample8(part.data[i]);
}

void TSndEngine::PutBuf8Mono(const short* M, BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen) {
    int k = 0;
    for (auto [data, len] : {std::pair{first, firstLen}, std::pair{second, secondLen}})
        for (DWORD i = 0; i < len && data; ++i, ++k)
            data[i] = store8(M[k]);
}
