#include "sound/CtrlFFT.h"

#include "platform/framework/Published.h"

#include <algorithm>

namespace {

const bool spectrumPanelPublished = RegisterPublishedClass(
    "TSndControlFFT", "TSndControlBase",
    {Property("SndFFT", ClassType("TSndFFT"), &TSndControlFFT::SndFFT, &TSndControlFFT::SetSndFFT)});

// The black line of unity gain: a curve value of 31 sits on it.
constexpr int UnityLineY = 96;
// The slider's ends: the shift it shows at most either way.
constexpr int ShiftRange = 128;

// Where the slider shows a shift (a shift down is a position up); a shift beyond the
// slider's range shows at its end.
int ShiftPosition(int shift) {
    return -std::clamp(shift, -ShiftRange, ShiftRange);
}

} // namespace

TSndControlFFT::TSndControlFFT(TComponent* owner)
    : TSndControlBase(owner), bitmap_(std::make_unique<TBitmap>()) {
    ResetButton = Place<TButton>(80, 2, 75, 25);
    ResetButton->SetCaption("Reset");
    Frame = Place<TPanel>(8, 42, 257, 129);
    Frame->SetBevelOuter(bvLowered);
    // Inside the bevel, so the picture keeps its frame.
    Image = new TImage(this);
    Image->SetParent(Frame);
    Image->SetBounds(1, 1, ImageWidth, ImageHeight);
    bitmap_->SetPixelFormat(pf32bit);
    bitmap_->SetSize(ImageWidth, ImageHeight);
    ShiftBar = Place<TTrackBar>(315, 32, 33, 150);
    ShiftBar->SetOrientation(trVertical);
    ShiftBar->SetMin(-ShiftRange);
    ShiftBar->SetMax(ShiftRange);
    ShiftBar->SetPosition(0);
    ShiftBar->SetFrequency(32);
    ShiftBar->SetPageSize(32);
    ShiftBar->SetLineSize(4);
    ProportionalButton = Place<TRadioButton>(180, 4, 81, 17);
    ProportionalButton->SetCaption("Proportional");
    ProportionalButton->SetChecked(true);
    AbsoluteButton = Place<TRadioButton>(265, 4, 77, 17);
    AbsoluteButton->SetCaption("Absolute");
    const char* scale[] = {"12dB", "2.5dB", "0dB", "-30dB"};
    const int scaleTops[] = {44, 92, 124, 156};
    for (int i = 0; i < 4; ++i)
        PlaceLabel(275, scaleTops[i], scale[i]);
    for (int k = 0; k < 5; ++k)
        FrequencyLabels[static_cast<std::size_t>(k)] = PlaceLabel(8 + 62 * k, 175, "0");
    SpectrumRedraw();

    ResetButton->OnClick = [this](TObject* sender) { ResetClick(sender); };
    ShiftBar->OnChange = [this](TObject* sender) { EffectUpdate(sender); };
    ProportionalButton->OnClick = [this](TObject* sender) { EffectUpdate(sender); };
    AbsoluteButton->OnClick = [this](TObject* sender) { EffectUpdate(sender); };
    Image->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState k, int x, int y) {
        ImageMouseDown(s, b, k, x, y);
    };
    Image->OnMouseMove = [this](TObject* s, TShiftState k, int x, int y) { ImageMouseMove(s, k, x, y); };
    Image->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState k, int x, int y) {
        ImageMouseUp(s, b, k, x, y);
    };
}

void TSndControlFFT::SpectrumRedraw() {
    TCanvas& canvas = bitmap_->Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect({0, 0, ImageWidth, ImageHeight});
    canvas.Pen().SetColor(clBlack);
    canvas.MoveTo(0, UnityLineY);
    canvas.LineTo(ImageWidth - 1, UnityLineY);
    TSndFFT* fft = SndFFT();
    // The height of a curve point; a value beyond the picture runs along its edge.
    const auto y = [fft](int index) {
        const int value = fft ? fft->Curve[static_cast<std::size_t>(index)].load() : TSndFFT::CurveUnity;
        return ImageHeight - 1 - std::clamp(value, 0, ImageHeight - 1);
    };
    canvas.Pen().SetColor(clRed);
    canvas.MoveTo(0, y(0));
    for (int x = 1; x < ImageWidth; x += 4)
        canvas.LineTo(x, y(x / 4));
    Image->Picture().Assign(*bitmap_);
}

void TSndControlFFT::ImageMouseDown(TObject* Sender, TMouseButton /*Button*/, TShiftState Shift, int X,
                                    int Y) {
    drawing_ = true;
    ImageMouseMove(Sender, Shift, X, Y);
}

void TSndControlFFT::ImageMouseMove(TObject* /*Sender*/, TShiftState /*Shift*/, int X, int Y) {
    if (!drawing_ || !SndFFT()) return;
    X = std::clamp(X, 0, ImageWidth - 1);
    Y = std::clamp(Y, 0, ImageHeight - 1);
    SndFFT()->Curve[static_cast<std::size_t>(X / 4)] = 127 - Y;
    SpectrumRedraw();
}

void TSndControlFFT::ImageMouseUp(TObject* /*Sender*/, TMouseButton /*Button*/, TShiftState /*Shift*/,
                                  int /*X*/, int /*Y*/) {
    drawing_ = false;
}

void TSndControlFFT::ResetClick(TObject* /*Sender*/) {
    if (TSndFFT* fft = SndFFT())
        for (auto& point : fft->Curve)
            point = TSndFFT::CurveUnity;
    SpectrumRedraw();
    ShiftBar->SetPosition(0);
    EffectUpdate(this);
}

void TSndControlFFT::EffectUpdate(TObject* /*Sender*/) {
    if (!BeginEffectUpdate()) return;
    SndFFT()->Proportional = ProportionalButton->Checked();
    // Only a slider the user moved writes: a shift beyond its range stays as the program set it.
    if (ShiftBar->Position() != ShiftPosition(SndFFT()->Shift.load()))
        SndFFT()->Shift = -ShiftBar->Position();
}

void TSndControlFFT::ControlUpdate(TObject* /*Sender*/) {
    UpdateScope scope(*this);
    if (!scope) return;
    TSndFFT* fft = SndFFT();
    EnabledBox->SetChecked(fft->Enabled.load());
    (fft->Proportional.load() ? ProportionalButton : AbsoluteButton)->SetChecked(true);
    ShiftBar->SetPosition(ShiftPosition(fft->Shift.load()));
    SpectrumRedraw();
    const DWORD rate = fft->InitRate();
    const int length = fft->NumSamples();
    if (!rate || !length) return;
    const DWORD wholeNyquist = rate / 2; // whole hertz, as the labels have always counted
    const double nyquist = wholeNyquist;
    FrequencyLabels[0]->SetCaption(FormatOneDecimal(nyquist / length * 0.25, " Hz"));
    for (int k = 1; k < 5; ++k)
        FrequencyLabels[static_cast<std::size_t>(k)]->SetCaption(
            FormatOneDecimal(nyquist * 0.00025 * k * 0.25, " kHz"));
}
