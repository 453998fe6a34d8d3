// The mixer control's two costs that grow with a device: one meter poll over a page of 50
// stereo meters on the fake backend, every meter moving (peer: reading the same 50 moving
// meters straight from the mixer service), and rebuilding the pages of a destination of 40 lines with 4
// controls each (peer: creating and freeing the same framework controls without the mixer).
#include "platform/framework/Application.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/PageControl.h"
#include "platform/framework/ProgressBar.h"
#include "platform/framework/StdCtrls.h"
#include "platform/mmsys/FakeMixer.h"
#include "sound/WndMixer.h"
#include "tests/platform/mmsys/MixerFixtures.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace mixer_fixtures;

namespace {

class BenchMixer : public TSndMixer {
public:
    using TSndMixer::Mixer;
    using TSndMixer::MixerCombo;
    using TSndMixer::MixerComboChange;
    using TSndMixer::TSndMixer;
};

// Moves every meter, as sound would between two polls.
void moveMeters(FakeMixerBackend& fake, int tick) {
    for (int i = 0; i < 50; ++i) {
        const LONG level = (tick + i) % 2 ? -i * 600 : i * 300;
        fake.SetMeter(0, MixerControlId(static_cast<std::size_t>(i)), {level, -level});
    }
}

MixerLayout meterPage(int meters) {
    MixerDestinationDesc d;
    d.line = line("Meters", "Meters", 2, {});
    for (int i = 0; i < meters; ++i)
        d.line.controls.push_back(
            control(MIXERCONTROL_CONTROLTYPE_PEAKMETER, "Peak", "Level " + std::to_string(i), -32768, 32767));
    return {d};
}

struct Scene {
    Scene() {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        form = new TForm(nullptr);
        mixer = new BenchMixer(form);
        mixer->SetParent(form);
    }
    ~Scene() { form->Free(); }
    void open() { mixer->HandleNeeded(); }
    TForm* form;
    BenchMixer* mixer;
};

void MeterPoll(benchmark::State& state) {
    ScopedFakeMixer fake;
    ScopedMessageRecorder boxes;
    fake.backend().AddDevice("Meters", meterPage(50));
    Scene scene;
    scene.open();
    int tick = 0;
    for (auto _ : state) {
        moveMeters(fake.backend(), ++tick);
        scene.mixer->ThreadProcess();
    }
    state.SetItemsProcessed(state.iterations() * 50);
    state.SetLabel("meters");
}

void MeterReadsWithoutTheControl(benchmark::State& state) {
    ScopedFakeMixer fake;
    fake.backend().AddDevice("Meters", meterPage(50));
    HMIXER mixer = nullptr;
    mixerOpen(&mixer, 0, {}, CALLBACK_NULL);
    LONG values[2];
    int tick = 0;
    for (auto _ : state) {
        moveMeters(fake.backend(), ++tick);
        for (int i = 0; i < 50; ++i) {
            MIXERCONTROLDETAILS d;
            d.dwControlID = MixerControlId(static_cast<std::size_t>(i));
            d.cChannels = 2;
            d.cbDetails = sizeof(LONG);
            d.paDetails = values;
            mixerGetControlDetailsA(mixer, &d, MIXER_GETCONTROLDETAILSF_VALUE);
            benchmark::DoNotOptimize(values);
        }
    }
    mixerClose(mixer);
    state.SetItemsProcessed(state.iterations() * 50);
    state.SetLabel("meters");
}

void PageRebuild(benchmark::State& state) {
    ScopedFakeMixer fake;
    ScopedMessageRecorder boxes;
    fake.backend().AddDevice("Forty Lines", WideLayout(40));
    Scene scene;
    scene.open();
    for (auto _ : state) {
        scene.mixer->MixerComboChange(scene.mixer->MixerCombo);
        Application->ProcessMessages();
    }
    state.SetItemsProcessed(state.iterations() * 40);
    state.SetLabel("lines");
}

// The same 40 pages of controls, made and freed with plain framework calls.
void PageRebuildWithoutTheMixer(benchmark::State& state) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    auto* form = new TForm(nullptr);
    auto* pages = new TPageControl(form);
    pages->SetParent(form);
    for (auto _ : state) {
        while (pages->PageCount() > 0)
            pages->Pages(pages->PageCount() - 1)->Free();
        for (int line = 0; line < 40; ++line) {
            auto* sheet = new TTabSheet(pages);
            sheet->SetCaption("Input");
            sheet->SetPageControl(pages);
            auto* label = new TLabel(sheet);
            label->SetCaption("Volume");
            label->SetParent(sheet);
            for (int channel = 0; channel < 2; ++channel) {
                auto* bar = new TTrackBar(sheet);
                bar->SetOrientation(trVertical);
                bar->SetBounds(45 * channel, 20, 45, 128);
                bar->SetTickMarks(tmBoth);
                bar->SetMax(65535);
                bar->SetFrequency(6553);
                bar->SetPosition(1000);
                bar->SetParent(sheet);
            }
            for (int row = 0; row < 2; ++row) {
                auto* box = new TCheckBox(sheet);
                box->SetBounds(105, 20 * row, 230, 17);
                box->SetCaption("Mute");
                box->SetParent(sheet);
            }
            auto* meterLabel = new TLabel(sheet);
            meterLabel->SetCaption("Level");
            meterLabel->SetParent(sheet);
            for (int channel = 0; channel < 2; ++channel) {
                auto* bar = new TProgressBar(sheet);
                bar->SetBounds(105, 60 + 20 * channel, 230, 16);
                bar->SetMax(32768);
                bar->SetParent(sheet);
            }
        }
        Application->ProcessMessages();
    }
    form->Free();
    state.SetItemsProcessed(state.iterations() * 40);
    state.SetLabel("lines");
}

} // namespace

BENCHMARK(MeterPoll);
BENCHMARK(MeterReadsWithoutTheControl);
BENCHMARK(PageRebuild)->Unit(benchmark::kMillisecond);
BENCHMARK(PageRebuildWithoutTheMixer)->Unit(benchmark::kMillisecond);
