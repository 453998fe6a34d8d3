#pragma once
// TSndEngine: the base of every streaming engine. It owns the requested and working
// formats, the ring of blocks a DirectSound buffer is divided into, one auto-reset event
// per block, the events thread, the component's three events and the routines that split
// interleaved PCM into 16-bit channel arrays and join them back.
#include "platform/dsound/WaveFormat.h"
#include "platform/framework/Classes.h"
#include "platform/kernel/Events.h"
#include "platform/kernel/Thread.h"
#include "sound/Sndutils.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class TSndEventsThread;
class TSndHandOffThread;

using TSndProcEvent = std::function<void(TObject* Sender, BYTE* lpData, DWORD dwLen)>;

// An event handler that one thread may replace while another calls it: callers get a copy,
// never a half-written function.
template <class F> class TSndEventSlot {
public:
    void Set(F handler) {
        std::lock_guard guard(lock_);
        handler_ = std::move(handler);
    }
    F Get() const {
        std::lock_guard guard(lock_);
        return handler_;
    }
    bool Assigned() const {
        std::lock_guard guard(lock_);
        return static_cast<bool>(handler_);
    }

private:
    mutable std::mutex lock_;
    F handler_;
};

// Serialises switching, setters, position and pause of one engine. It is re-entrant on the
// thread that holds it (an OnActiveChange handler may call the engine back). While its
// holder joins the events thread it is lent to that thread alone, so a handler running
// there that asks the engine for its position is never locked out by the join waiting on
// it, and no other thread can switch the engine half way through.
class TSndControlLock {
public:
    void Acquire();
    void Release();
    // Lends the lock to the thread whose id guest holds (once it runs) and answers the
    // depth to take it back with.
    int Suspend(const std::atomic<std::thread::id>* guest);
    void Resume(int depth);

private:
    bool mayEnter(std::thread::id me) const;

    std::mutex mutex_;
    std::condition_variable free_;
    std::thread::id owner_;
    int depth_ = 0;
    const std::atomic<std::thread::id>* guest_ = nullptr;
};

class TSndControlHold {
public:
    explicit TSndControlHold(TSndControlLock& lock) : lock_(lock) { lock_.Acquire(); }
    ~TSndControlHold() { lock_.Release(); }
    TSndControlHold(const TSndControlHold&) = delete;
    TSndControlHold& operator=(const TSndControlHold&) = delete;

private:
    TSndControlLock& lock_;
};

constexpr int SndMaxBuffers = 16;

// Marks the calling thread, for the scope's life, as one that processes an engine's blocks:
// an events thread, or a caller pre-filling the ring. Handlers, plug-ins and effects run
// there; a control call they make is handed off (see TSndEngine::HandedOff).
class TSndProcessScope {
public:
    TSndProcessScope();
    ~TSndProcessScope();
    TSndProcessScope(const TSndProcessScope&) = delete;
    TSndProcessScope& operator=(const TSndProcessScope&) = delete;
    static bool Inside();
};

class TSndEngine : public TComponent {
    VX_CLASS(TSndEngine, TComponent)
public:
    explicit TSndEngine(TComponent* owner);
    ~TSndEngine() override;

    TNotifyEvent OnBeforeStop() const { return onBeforeStop_.Get(); }
    void SetOnBeforeStop(TNotifyEvent handler) { onBeforeStop_.Set(std::move(handler)); }
    TNotifyEvent OnActiveChange() const { return onActiveChange_.Get(); }
    void SetOnActiveChange(TNotifyEvent handler) { onActiveChange_.Set(std::move(handler)); }
    TSndProcEvent OnProc() const { return onProc_.Get(); }
    void SetOnProc(TSndProcEvent handler) { onProc_.Set(std::move(handler)); }

    int BufferSize() const { return bufferSize_; }
    int BufferSizeMask() const { return bufferSize_ - 1; }
    int BuffersCount() const { return buffersCount_; }
    int BuffersCountMask() const { return buffersCount_ - 1; }
    int BuffersSize() const { return bufferSize_ * buffersCount_; }
    int BuffersSizeMask() const { return bufferSize_ * buffersCount_ - 1; }
    // Sizes are taken down to a power of two and clamped (4..32768 bytes, 2..16 blocks).
    // An active engine is switched off for the change and on again with the new ring.
    void SetBufferSize(int size);
    void SetBuffersCount(int count);

    // Given to the events thread. Best effort on Linux: a priority maps to the thread's
    // nice value where the system allows it, and real-time levels are not available.
    TThreadPriority Priority() const { return priority_; }
    void SetPriority(TThreadPriority priority);

    bool Active() const { return active_.load(std::memory_order_acquire); }
    unsigned short Channels() const { return RequestedFormat.nChannels; }
    unsigned short BitsPerSample() const { return RequestedFormat.wBitsPerSample; }
    unsigned long SamplesPerSec() const { return RequestedFormat.nSamplesPerSec; }

    virtual void SetChannels(unsigned short channels) = 0;
    virtual void SetBitsPerSample(unsigned short bits) = 0;
    virtual void SetSamplesPerSec(unsigned long rate) = 0;
    // Switches through SwitchLocked with the control lock held; from a processing thread
    // the switch is handed off (see HandedOff).
    virtual void SetActive(bool active);
    virtual void ShowError(const char* text) = 0;
    virtual void InitBuffer() = 0;
    virtual void Process(int block) = 0;
    virtual void GetCurrentBuffer(short* L, short* R, int count) = 0;

    // Number of block events and the events themselves; read by the events thread.
    int EventCount() const { return eventCount_.load(std::memory_order_acquire); }
    const HANDLE* Events() const { return events_; }

    // Called by a stop thread: switches the engine off only when the session that started
    // the thread is still the running one.
    void StopSession(unsigned session);
    unsigned Session() const { return session_.load(std::memory_order_acquire); }
    // Keeps a stop thread until it has ended, so the engine never dies under one; ended
    // ones are joined and freed as new ones come.
    void AdoptStopThread(std::unique_ptr<TThread> thread);

    static void GetBuf16Stereo(short* L, short* R, const BYTE* first, DWORD firstLen, const BYTE* second,
                               DWORD secondLen);
    static void PutBuf16Stereo(const short* L, const short* R, BYTE* first, DWORD firstLen, BYTE* second,
                               DWORD secondLen);
    static void GetBuf16Mono(short* M, const BYTE* first, DWORD firstLen, const BYTE* second,
                             DWORD secondLen);
    static void PutBuf16Mono(const short* M, BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen);
    static void GetBuf8Stereo(short* L, short* R, const BYTE* first, DWORD firstLen, const BYTE* second,
                              DWORD secondLen);
    static void PutBuf8Stereo(const short* L, const short* R, BYTE* first, DWORD firstLen, BYTE* second,
                              DWORD secondLen);
    static void GetBuf8Mono(short* M, const BYTE* first, DWORD firstLen, const BYTE* second, DWORD secondLen);
    static void PutBuf8Mono(const short* M, BYTE* first, DWORD firstLen, BYTE* second, DWORD secondLen);

protected:
    // Control calls made while blocks are processed (from OnProc, an effect or a plug-in,
    // on the events thread or inside a pre-fill) cannot switch the engine there: a
    // switch-off stops and awaits the events thread, and the block in hand still uses the
    // buffers. Every public switch, setter and release of an engine starts with
    //     if (HandedOff([=] { SetX(value); })) return;
    // which, inside such a scope, queues the call to the engine's hand-off thread and
    // answers true. Queued calls run in order, after the call in progress, on a thread
    // that may wait for the events thread. Elsewhere it answers false and the caller goes on.
    bool HandedOff(std::function<void()> call);
    // Drops queued calls and waits for the running one; later calls are dropped.
    void CloseHandOff();
    // Drops the handlers, closes the hand-off and only then switches off: the start of a
    // concrete engine's destructor, while its own SwitchLocked still runs.
    void SwitchOffForGood();

    // Recomputes the ring and re-creates the block events through InitBuffer. Concrete
    // engines call it at the end of their constructor, when InitBuffer is theirs.
    void FixInitBuffer();
    // The shared InitBuffer: closes the old events and creates one per block; raises
    // Exception(failMessage) when an event cannot be created.
    void CreateBlockEvents(const char* failMessage);
    void CloseBlockEvents();

    // Switches with the control lock held; SetActive and StopSession call it.
    virtual void SwitchLocked(bool active) = 0;
    // The switch of an engine on a device, for its SwitchLocked. On, switchOn builds and
    // starts the engine, raising the flag itself, and the change is told only when it
    // took. Off, the flag drops, release frees the device and the change is told.
    void SwitchDevice(bool active, const std::function<bool()>& switchOn,
                      const std::function<void()>& release);
    // Clears the block events: one left signalled from an earlier run would stand for a
    // block this run has not had.
    void DrainBlockEvents();
    // Switches an active engine off for change and back on after it, under the control lock.
    void Restart(const std::function<void()>& change);
    // Moves the engine to the device wanted (kept by value in device; none is the default
    // device), restarting an active engine there. Handed off like every switch.
    template <class Id> void ChangeDevice(std::optional<Id>& device, const Id* wanted) {
        const std::optional<Id> value = wanted ? std::optional<Id>(*wanted) : std::nullopt;
        if (HandedOff([this, &device, value] { ChangeDevice(device, value ? &*value : nullptr); })) return;
        TSndControlHold hold(Control);
        if (value != device) Restart([&] { device = value; });
    }
    // Sets one field of format (the one the engine opens its device in) to value, works out
    // the format's block size and rate again and restarts an active engine in it. Handed
    // off like every setter.
    template <class Field, class Value>
    void SetFormatField(WAVEFORMATEX& format, Field WAVEFORMATEX::*field, Value value) {
        if (HandedOff([this, &format, field, value] { SetFormatField(format, field, value); })) return;
        Restart([&] {
            format.*field = static_cast<Field>(value);
            UpdateWaveFormat(&format);
        });
    }
    // Creates, prioritises and starts the events thread; false when the system gives no thread.
    bool StartEventsThread();
    // Stops and deletes the events thread with the control lock set aside.
    void StopEventsThread();
    // Waits for and frees every stop thread of this engine (destructors).
    void WaitForStopThreads();

    void FireBeforeStop();
    void FireActiveChange();
    void FireProc(BYTE* data, DWORD len);
    void SetActiveFlag(bool active);

    WAVEFORMATEX RequestedFormat;
    WAVEFORMATEX WorkingFormat;
    mutable TSndControlLock Control;

private:
    static int powerOfTwoIn(int value, int low, int high);
    void resizeRing(int size, int count);

    TSndEventSlot<TNotifyEvent> onBeforeStop_;
    TSndEventSlot<TNotifyEvent> onActiveChange_;
    TSndEventSlot<TSndProcEvent> onProc_;
    int bufferSize_ = 32768;
    int buffersCount_ = 16;
    TThreadPriority priority_ = tpIdle;
    std::unique_ptr<TSndEventsThread> eventsThread_; // guarded by Control
    std::atomic<bool> active_{false};
    std::atomic<unsigned> session_{0};
    std::atomic<int> eventCount_{0};
    HANDLE events_[SndMaxBuffers] = {};

    std::mutex stopThreadsLock_;
    std::vector<std::unique_ptr<TThread>> stopThreads_; // guarded by stopThreadsLock_

    std::mutex handOffLock_;
    std::unique_ptr<TSndHandOffThread> handOff_; // guarded by handOffLock_, made on first use
    bool handOffClosed_ = false;                 // guarded by handOffLock_
};
