#pragma once
// TSndEffectBase: a real-time effect that an output engine runs over every block it writes.
// Effects with an ID below 4 see the block split into 16-bit channel arrays and get a
// frame count; effects with an ID of 4 or more see the raw block and get a byte count.
//
// Threads: the engine calls Process on its events thread; Init runs on whichever thread
// changes the engine's format or checks an editing panel's "Enabled" box; a panel writes the
// parameters from the GUI thread. Parameters are atomics, read once per block. The running
// state (rings, tables, positions) is guarded by StateLock, which Init and Process hold while
// they work; OnChange fires after Init has let go of it, so a handler may call the effect.
#include "platform/dsound/WaveFormat.h"
#include "platform/framework/Classes.h"
#include "sound/SndEngin.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

class TSndEffectBase : public TComponent {
    VX_CLASS(TSndEffectBase, TComponent)
public:
    explicit TSndEffectBase(TComponent* owner);

    virtual std::int8_t GetID() const = 0;
    // Re-initialises the running state from Format and the parameters; fires OnChange last.
    virtual void Init() = 0;
    virtual void Process(short* L, short* R, int n) = 0;

    std::int8_t ID() const { return GetID(); }

    // The engine runs the effect only while Enabled; an editing panel sets it.
    std::atomic<bool> Enabled{false};
    // The engine's working format, written before each Init. The engine changes the format
    // only while its events thread is stopped, and runs Init again afterwards.
    std::atomic<const WAVEFORMATEX*> Format{nullptr};

    // Set by an editing panel; while unassigned the effect's Process changes nothing.
    TNotifyEvent OnChange() const;
    // A handler that belongs to no panel: it replaces every handler.
    void SetOnChange(TNotifyEvent handler);
    // A panel's handler. The panel attached last is the one refreshed; a panel that lets go
    // removes only its own handler, so another panel still attached takes over again and the
    // effect goes on processing.
    void AttachOnChange(const void* panel, TNotifyEvent handler);
    void DetachOnChange(const void* panel);

    // The sample rate the last Init worked with (0 before any), for panels that label
    // frequencies without touching the engine's format from their own thread.
    DWORD InitRate() const { return initRate_.load(std::memory_order_relaxed); }

protected:
    // True when Process has what it needs: a format and an assigned change event.
    bool Ready() const;
    void FireChange() {
        if (auto handler = OnChange()) handler(this);
    }
    // Called by Init with the rate it used.
    void NoteInitRate(DWORD rate) { initRate_.store(rate, std::memory_order_relaxed); }
    // The first call in the destructor of every concrete effect: engines and panels drop
    // the effect (an engine waits for a block in progress) while all of it still exists.
    void Withdraw() { SendFreeNotifications(); }

    // Guards the running state of the concrete effect; see the top of this header.
    std::mutex StateLock;

private:
    struct ChangeHandler {
        const void* panel; // null for a handler assigned by SetOnChange
        TNotifyEvent handler;
    };
    mutable std::mutex changeLock_;
    std::vector<ChangeHandler> changeHandlers_; // guarded by changeLock_; the last one fires
    std::atomic<DWORD> initRate_{0};
};

// The effects' shared arithmetic: gains in 1/128, divisions by a power of two that
// truncate toward zero, 16-bit results that saturate. Products are taken at 64 bits, so
// parameters set beyond a panel's range give loud sound, never overflow.
inline std::int64_t GainDiv128(std::int64_t product) {
    return product / 128;
}

inline short Saturate16(std::int64_t value) {
    return static_cast<short>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}
