#pragma once
// TSndControlEcho: edits a TSndEcho's delay and gain; both are heard with the next block.
#include "sound/CtrlBase.h"
#include "sound/Eff_Echo.h"

class TSndControlEcho : public TSndControlBase {
    VX_CLASS(TSndControlEcho, TSndControlBase)
public:
    explicit TSndControlEcho(TComponent* owner);

    TSndEcho* SndEcho() const { return static_cast<TSndEcho*>(SndEffect()); }
    void SetSndEcho(TSndEcho* echo) { SetSndEffect(echo); }

    void EffectUpdate(TObject* Sender) override;
    void ControlUpdate(TObject* Sender) override;

    TTrackBar* DelayBar;
    TTrackBar* GainBar;
};
