#include "sound/CtrlEcho.h"

#include "platform/framework/Published.h"

namespace {

const bool echoPanelPublished = RegisterPublishedClass(
    "TSndControlEcho", "TSndControlBase",
    {Property("SndEcho", ClassType("TSndEcho"), &TSndControlEcho::SndEcho, &TSndControlEcho::SetSndEcho)});

} // namespace

TSndControlEcho::TSndControlEcho(TComponent* owner) : TSndControlBase(owner) {
    DelayBar = PlaceTrackBar(96, 30, 226, 30, 0, 1000, 300, 50, 200, 200);
    GainBar = PlaceTrackBar(96, 96, 225, 30, 0, 256, 64, 8, 32, 32);
    PlaceLabel(8, 40, "Delay (ms)");
    PlaceLabel(104, 60, "0");
    PlaceLabel(296, 60, "1000");
    PlaceLabel(8, 104, "Gain");
    PlaceLabel(96, 124, "-30 dB");
    PlaceLabel(296, 124, "6dB");
    DelayBar->OnChange = [this](TObject* sender) { EffectUpdate(sender); };
    GainBar->OnChange = [this](TObject* sender) { EffectUpdate(sender); };
}

void TSndControlEcho::EffectUpdate(TObject* /*Sender*/) {
    if (!BeginEffectUpdate()) return;
    SndEcho()->Delay = DelayBar->Position();
    SndEcho()->Gain = GainBar->Position();
}

void TSndControlEcho::ControlUpdate(TObject* /*Sender*/) {
    UpdateScope scope(*this);
    if (!scope) return;
    EnabledBox->SetChecked(SndEcho()->Enabled.load());
    DelayBar->SetPosition(SndEcho()->Delay.load());
    GainBar->SetPosition(SndEcho()->Gain.load());
}
