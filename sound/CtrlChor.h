#pragma once
// TSndControlChorus: edits a TSndChorus. Delay, Depth, Rate and Waveform take effect at the
// effect's next Init (checking "Enabled" runs one); gains and signs at once.
#include "sound/CtrlBase.h"
#include "sound/Eff_Chor.h"

class TSndControlChorus : public TSndControlBase {
    VX_CLASS(TSndControlChorus, TSndControlBase)
public:
    explicit TSndControlChorus(TComponent* owner);

    TSndChorus* SndChorus() const { return static_cast<TSndChorus*>(SndEffect()); }
    void SetSndChorus(TSndChorus* chorus) { SetSndEffect(chorus); }

    void EffectUpdate(TObject* Sender) override;
    void ControlUpdate(TObject* Sender) override;

    TCheckBox* InvertFeedbackBox;
    TCheckBox* InvertMixingBox;
    TTrackBar* DelayBar;
    TTrackBar* DepthBar;
    TTrackBar* DryGainBar;
    TTrackBar* WetGainBar;
    TTrackBar* FeedbackGainBar;
    TSpinEdit* RateEdit;
    TRadioButton* SineButton;
    TRadioButton* TriangleButton;
};
