#include "sound/CtrlChor.h"

#include "platform/framework/Published.h"

#include <cmath>

namespace {

const bool chorusPanelPublished =
    RegisterPublishedClass("TSndControlChorus", "TSndControlBase",
                           {Property("SndChorus", ClassType("TSndChorus"), &TSndControlChorus::SndChorus,
                                     &TSndControlChorus::SetSndChorus)});

} // namespace

TSndControlChorus::TSndControlChorus(TComponent* owner) : TSndControlBase(owner) {
    InvertFeedbackBox = Place<TCheckBox>(80, 5, 100, 17);
    InvertFeedbackBox->SetCaption("Invert Feedback");
    InvertFeedbackBox->SetChecked(true);
    InvertMixingBox = Place<TCheckBox>(190, 5, 100, 17);
    InvertMixingBox->SetCaption("Invert Mixing");
    DelayBar = PlaceTrackBar(72, 24, 225, 25, 0, 500, 200, 10, 100, 50);
    DepthBar = PlaceTrackBar(72, 64, 225, 25, 0, 250, 100, 5, 50, 50);
    DryGainBar = PlaceTrackBar(72, 104, 225, 25, 0, 256, 64, 4, 32, 32);
    WetGainBar = PlaceTrackBar(72, 144, 225, 25, 0, 256, 64, 4, 32, 32);
    FeedbackGainBar = PlaceTrackBar(72, 184, 225, 25, 0, 256, 64, 4, 32, 32);
    PlaceLabel(312, 5, "Cycles/sec");
    RateEdit = Place<TSpinEdit>(312, 24, 55, 22);
    RateEdit->SetMinValue(1);
    RateEdit->SetMaxValue(20);
    RateEdit->SetValue(1);
    SineButton = Place<TRadioButton>(312, 63, 70, 17);
    SineButton->SetCaption("Sine");
    TriangleButton = Place<TRadioButton>(312, 87, 70, 17);
    TriangleButton->SetCaption("Triagle");
    TriangleButton->SetChecked(true);

    PlaceLabel(8, 32, "Delay (ms)");
    PlaceLabel(80, 48, "0");
    PlaceLabel(278, 48, "500");
    PlaceLabel(8, 72, "Depth (ms)");
    PlaceLabel(80, 88, "0");
    PlaceLabel(278, 88, "250");
    const char* gains[] = {"Dry Gain", "Wet Gain", "Feedback Gain"};
    for (int i = 0; i < 3; ++i) {
        PlaceLabel(8, 112 + 40 * i, gains[i]);
        PlaceLabel(80, 128 + 40 * i, "-30dB");
        PlaceLabel(278, 128 + 40 * i, "6dB");
    }

    // Events last, once every control holds its first value.
    const TNotifyEvent update = [this](TObject* sender) { EffectUpdate(sender); };
    InvertFeedbackBox->OnClick = update;
    InvertMixingBox->OnClick = update;
    for (TTrackBar* bar : {DelayBar, DepthBar, DryGainBar, WetGainBar, FeedbackGainBar})
        bar->OnChange = update;
    RateEdit->OnChange = update;
}

void TSndControlChorus::EffectUpdate(TObject* /*Sender*/) {
    if (!BeginEffectUpdate()) return;
    TSndChorus* chorus = SndChorus();
    chorus->FeedbackSign = InvertFeedbackBox->Checked() ? -1 : 1;
    chorus->MixSign = InvertMixingBox->Checked() ? -1 : 1;
    chorus->Delay = DelayBar->Position();
    chorus->Depth = DepthBar->Position();
    chorus->DryGain = DryGainBar->Position();
    chorus->WetGain = WetGainBar->Position();
    chorus->FeedbackGain = FeedbackGainBar->Position();
    chorus->Rate = static_cast<float>(RateEdit->Value());
    chorus->Waveform = SineButton->Checked() ? 0 : 1;
}

void TSndControlChorus::ControlUpdate(TObject* /*Sender*/) {
    UpdateScope scope(*this);
    if (!scope) return;
    TSndChorus* chorus = SndChorus();
    EnabledBox->SetChecked(chorus->Enabled.load());
    InvertFeedbackBox->SetChecked(chorus->FeedbackSign.load() == -1);
    InvertMixingBox->SetChecked(chorus->MixSign.load() == -1);
    DelayBar->SetPosition(chorus->Delay.load());
    DepthBar->SetPosition(chorus->Depth.load());
    DryGainBar->SetPosition(chorus->DryGain.load());
    WetGainBar->SetPosition(chorus->WetGain.load());
    FeedbackGainBar->SetPosition(chorus->FeedbackGain.load());
    if (chorus->Waveform.load() == 0)
        SineButton->SetChecked(true);
    else if (chorus->Waveform.load() == 1)
        TriangleButton->SetChecked(true);
    RateEdit->SetValue(static_cast<int>(std::trunc(chorus->Rate.load())));
}
