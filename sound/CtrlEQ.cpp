#include "sound/CtrlEQ.h"

#include "platform/framework/Published.h"

#include <algorithm>
#include <cmath>

namespace {

const bool equaliserPanelPublished = RegisterPublishedClass(
    "TSndControlEQ", "TSndControlBase",
    {Property("SndEQ", ClassType("TSndEQ"), &TSndControlEQ::SndEQ, &TSndControlEQ::SetSndEQ)});

constexpr int Range = 20; // dB either way

} // namespace

TSndControlEQ::TSndControlEQ(TComponent* owner) : TSndControlBase(owner) {
    ResetButton = Place<TButton>(80, 2, 75, 25);
    ResetButton->SetCaption("Reset");
    for (int k = 0; k <= TSndEQ::Bands; ++k) {
        const int left = k == 0 ? 0 : (10 - k) * 30 + 60;
        TTrackBar* bar = Place<TTrackBar>(left, 30, 25, 140);
        bar->SetOrientation(trVertical);
        bar->SetTickStyle(tsNone);
        bar->SetTickMarks(tmBoth);
        bar->SetMin(-Range);
        bar->SetMax(Range);
        bar->SetPosition(0);
        bar->SetPageSize(10);
        bar->SetLineSize(2);
        Bars[static_cast<std::size_t>(k)] = bar;
    }
    for (int k = 0; k < TSndEQ::Bands; ++k)
        BandLabels[static_cast<std::size_t>(k)] = PlaceLabel((9 - k) * 30 + 63, 175, "0");
    for (int i = 0; i < 3; ++i)
        PlaceLabel(30, 35 + 60 * i, std::to_string(Range - Range * i) + "dB");

    ResetButton->OnClick = [this](TObject* sender) { ResetClick(sender); };
    for (TTrackBar* bar : Bars)
        bar->OnChange = [this](TObject* sender) { EffectUpdate(sender); };
}

int TSndControlEQ::GainOfPosition(int position) {
    return static_cast<int>(std::trunc(std::pow(10.0, -position / 20.0) * 128));
}

int TSndControlEQ::PositionOfGain(int gain) {
    // A gain of 0 or below has no level in dB: it shows at the bottom.
    if (gain <= 0) return Range;
    // The position whose own gain lies nearest in decibels: a position's gain shows at that
    // very position again, so a refresh followed by a write loses nothing.
    const auto distance = [level = std::log(gain)](int position) {
        return std::abs(std::log(GainOfPosition(position)) - level);
    };
    int nearest = -Range;
    for (int position = -Range + 1; position <= Range; ++position)
        if (distance(position) < distance(nearest)) nearest = position;
    return nearest;
}

void TSndControlEQ::EffectUpdate(TObject* /*Sender*/) {
    writeGains(false);
}

void TSndControlEQ::writeGains(bool all) {
    if (!BeginEffectUpdate()) return;
    // A slider that still shows its gain leaves it alone: a gain the program set between two
    // positions stays as it is until the user moves that slider.
    for (std::size_t k = 0; k < Bars.size(); ++k) {
        const int position = Bars[k]->Position();
        if (all || position != PositionOfGain(SndEQ()->Gains[k].load()))
            SndEQ()->Gains[k] = GainOfPosition(position);
    }
}

void TSndControlEQ::ControlUpdate(TObject* /*Sender*/) {
    UpdateScope scope(*this);
    if (!scope) return;
    TSndEQ* eq = SndEQ();
    EnabledBox->SetChecked(eq->Enabled.load());
    for (std::size_t k = 0; k < Bars.size(); ++k)
        Bars[k]->SetPosition(PositionOfGain(eq->Gains[k].load()));
    const DWORD rate = eq->InitRate();
    if (!rate) return;
    const DWORD nyquist = rate / 2; // whole hertz, as the labels have always counted
    double band = nyquist;
    for (std::size_t k = 0; k < BandLabels.size(); ++k, band *= 0.5) {
        const double centre = band * 3.0 * 0.25;
        BandLabels[k]->SetCaption(k < 5 ? FormatOneDecimal(centre * 0.001, "k")
                                        : FormatOneDecimal(std::round(centre), ""));
    }
}

void TSndControlEQ::ResetClick(TObject* /*Sender*/) {
    for (TTrackBar* bar : Bars)
        bar->SetPosition(0);
    writeGains(true);
}
