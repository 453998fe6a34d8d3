#pragma once
// TSndControlEQ: edits a TSndEQ with eleven vertical sliders (+20 dB at the top, -20 dB at
// the bottom): the master at the left, then the bands from the lowest to the highest, each
// labelled with its frequency at the effect's rate.
#include "sound/CtrlBase.h"
#include "sound/Eff_EQ.h"

#include <array>

class TSndControlEQ : public TSndControlBase {
    VX_CLASS(TSndControlEQ, TSndControlBase)
public:
    explicit TSndControlEQ(TComponent* owner);

    TSndEQ* SndEQ() const { return static_cast<TSndEQ*>(SndEffect()); }
    void SetSndEQ(TSndEQ* eq) { SetSndEffect(eq); }

    void EffectUpdate(TObject* Sender) override;
    void ControlUpdate(TObject* Sender) override;
    void ResetClick(TObject* Sender);

    // The gain of a slider position (dB upside down) and back.
    static int GainOfPosition(int position);
    static int PositionOfGain(int gain);

    TButton* ResetButton;
    // [0] the master, [k] band k (Gains[k]).
    std::array<TTrackBar*, TSndEQ::Bands + 1> Bars{};
    // [k] belongs to Bars[k + 1].
    std::array<TLabel*, TSndEQ::Bands> BandLabels{};

private:
    // Writes the gains whose slider no longer shows them, or all of them.
    void writeGains(bool all);
};
