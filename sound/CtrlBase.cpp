#include "sound/CtrlBase.h"

#include "platform/framework/Application.h"
#include "platform/framework/Published.h"
#include "platform/kernel/Thread.h"

#include <cmath>
#include <cstdio>

namespace {

// The panel's look and place come from the framework's controls; each derived panel
// publishes the effect it edits.
const bool panelPublished = RegisterPublishedClass(
    "TSndControlBase", "TCustomControl",
    {EventProperty("OnEnabledChange", MethodType("TNotifyEvent"), &TSndControlBase::OnEnabledChange)});

} // namespace

TSndControlBase::TSndControlBase(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, PanelWidth, PanelHeight);
    EnabledBox = Place<TCheckBox>(5, 5, 75, 17);
    EnabledBox->SetCaption("Enabled");
    EnabledBox->OnClick = [this](TObject* sender) { EnabledClick(sender); };
}

TSndControlBase::~TSndControlBase() {
    // An effect must not keep a handler into a panel that is gone.
    if (sndEffect_) {
        sndEffect_->DetachOnChange(this);
        RemoveFreeNotification(sndEffect_);
    }
    alive_.reset();
}

void TSndControlBase::SetSndEffect(TSndEffectBase* effect) {
    if (effect == sndEffect_) return;
    if (sndEffect_) {
        sndEffect_->DetachOnChange(this);
        RemoveFreeNotification(sndEffect_);
    }
    sndEffect_ = effect;
    if (!effect) return;
    FreeNotification(effect);
    effect->AttachOnChange(this, [alive = std::weak_ptr<char>(alive_), this](TObject*) {
        const auto refresh = [alive, this] {
            if (!alive.expired()) ControlUpdate(sndEffect_);
        };
        if (IsMainThread())
            refresh();
        else
            QueueOnMainThread(refresh);
    });
    ControlUpdate(effect);
}

void TSndControlBase::Notification(TComponent* component, TOperation operation) {
    TCustomControl::Notification(component, operation);
    if (operation == opRemove && component == sndEffect_) sndEffect_ = nullptr;
}

void TSndControlBase::EnabledClick(TObject* Sender) {
    if (!sndEffect_ || Updating) return;
    EffectUpdate(Sender);
    // Checking the box starts the effect afresh (the chorus takes its sweep settings here);
    // the change event refreshes the controls.
    if (EnabledBox->Checked()) sndEffect_->Init();
    if (OnEnabledChange) OnEnabledChange(this);
}

bool TSndControlBase::BeginEffectUpdate() {
    if (!sndEffect_ || Updating) return false;
    sndEffect_->Enabled = EnabledBox->Checked();
    return true;
}

TSndControlBase::UpdateScope::UpdateScope(TSndControlBase& panel)
    : panel_(panel), active_(panel.sndEffect_ != nullptr), was_(panel.Updating) {
    if (active_) panel_.Updating = true;
}

TSndControlBase::UpdateScope::~UpdateScope() {
    if (active_) panel_.Updating = was_;
}

void TSndControlBase::Paint() {
    Canvas().Brush().SetColor(Color());
    Canvas().FillRect(ClientRect());
}

TLabel* TSndControlBase::PlaceLabel(int left, int top, const std::string& caption) {
    auto* label = Place<TLabel>(left, top, 20, 13);
    label->SetCaption(caption);
    return label;
}

TTrackBar* TSndControlBase::PlaceTrackBar(int left, int top, int width, int height, int min, int max,
                                          int position, int line, int page, int tick) {
    auto* bar = Place<TTrackBar>(left, top, width, height);
    bar->SetMin(min);
    bar->SetMax(max);
    bar->SetPosition(position);
    bar->SetLineSize(line);
    bar->SetPageSize(page);
    bar->SetFrequency(tick);
    return bar;
}

std::string FormatOneDecimal(double value, const std::string& suffix) {
    const double tenths = std::round(value * 10.0);
    char text[64];
    if (std::fmod(tenths, 10.0) == 0.0)
        std::snprintf(text, sizeof text, "%.0f", tenths / 10.0);
    else
        std::snprintf(text, sizeof text, "%.1f", tenths / 10.0);
    return text + suffix;
}
