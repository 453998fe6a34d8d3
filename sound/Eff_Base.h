#pragma once
// TSndEffectBase: a real-time effect that an output engine runs over every block it writes.
// Effects with an ID below 4 see the block split into 16-bit channel arrays and get a
// frame count; effects with an ID of 4 or more see the raw block and get a byte count.
#include "platform/dsound/WaveFormat.h"
#include "platform/framework/Classes.h"
#include "sound/SndEngin.h"

#include <atomic>
#include <cstdint>

class TSndEffectBase : public TComponent {
    VX_CLASS(TSndEffectBase, TComponent)
public:
    explicit TSndEffectBase(TComponent* owner) : TComponent(owner) {}

    virtual std::int8_t GetID() = 0;
    // Re-initialises the running state from Format and the parameters; fires OnChange last.
    virtual void Init() = 0;
    virtual void Process(short* L, short* R, int n) = 0;

    std::int8_t ID() { return GetID(); }

    // The engine runs the effect only while Enabled; an editing panel sets it.
    std::atomic<bool> Enabled{false};
    // The engine's working format, written before each Init.
    const WAVEFORMATEX* Format = nullptr;

    // Set by an editing panel; while unassigned the effect's Process changes nothing.
    TNotifyEvent OnChange() const { return onChange_.Get(); }
    void SetOnChange(TNotifyEvent handler) { onChange_.Set(std::move(handler)); }

protected:
    // True when Process has what it needs: a format and an assigned change event.
    bool Ready() const { return Format && onChange_.Assigned(); }
    void FireChange() {
        if (auto handler = onChange_.Get()) handler(this);
    }

private:
    TSndEventSlot<TNotifyEvent> onChange_;
};
