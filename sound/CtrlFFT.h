#pragma once
// TSndControlFFT: edits a TSndFFT. The 256 x 128 picture shows the lowest quarter of the
// gain curve (points 0..63: up to a quarter of the Nyquist frequency, which the labels
// span); drawing on it with the mouse sets the curve there. The vertical slider shifts every
// frequency, the two buttons choose how.
#include "sound/CtrlBase.h"
#include "sound/Eff_FFT.h"

#include "platform/framework/Bitmap.h"

#include <array>
#include <memory>

class TSndControlFFT : public TSndControlBase {
    VX_CLASS(TSndControlFFT, TSndControlBase)
public:
    static constexpr int ImageWidth = 256;
    static constexpr int ImageHeight = 128;

    explicit TSndControlFFT(TComponent* owner);

    TSndFFT* SndFFT() const { return static_cast<TSndFFT*>(SndEffect()); }
    void SetSndFFT(TSndFFT* fft) { SetSndEffect(fft); }

    void EffectUpdate(TObject* Sender) override;
    void ControlUpdate(TObject* Sender) override;
    void ResetClick(TObject* Sender);
    void SpectrumRedraw();
    void ImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ImageMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void ImageMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    TButton* ResetButton;
    TPanel* Frame;
    TImage* Image;
    TTrackBar* ShiftBar;
    TRadioButton* ProportionalButton;
    TRadioButton* AbsoluteButton;
    std::array<TLabel*, 5> FrequencyLabels{};
    // The picture drawn, then shown by Image.
    TBitmap& Picture() { return *bitmap_; }

private:
    std::unique_ptr<TBitmap> bitmap_;
    bool drawing_ = false;
};
