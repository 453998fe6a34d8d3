#include "MixerTestKit.h"

#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

using namespace mixer_fixtures;

using SndMixerControl = MixerOnForm;

TEST_F(SndMixerControl, AMachineWithoutMixersSaysSoOnceAndBuildsNothing) {
    Make();
    const auto shown = boxes.Records();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Mixer device not present");
    EXPECT_EQ(shown[0].caption, "TSndMixer");
    EXPECT_EQ(shown[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_FALSE(mixer->Opened);
    EXPECT_EQ(mixer->Pages->PageCount(), 0);
    EXPECT_EQ(mixer->DeviceList->Items()->Count(), 0);
    EXPECT_TRUE(mixer->Thread->Suspended()) << "nothing to poll";
}

TEST_F(SndMixerControl, BuildsOnePagePerLineWithFadersThenRowsOfBoxesAndMeters) {
    AddStudio();
    Make();
    EXPECT_EQ(mixer->DeviceList->Items()->Strings(0), "Studio Card");
    ASSERT_EQ(mixer->MixerCombo->Items()->Count(), 3);
    EXPECT_EQ(mixer->MixerCombo->Items()->Strings(1), "Recording");
    EXPECT_EQ(mixer->MixerCombo->ItemIndex(), 0);
    EXPECT_EQ(mixer->PageCaptions(), (std::vector<std::string>{"Speakers", "Wave", "Synthesizer"}));
    EXPECT_TRUE(boxes.Records().empty());

    const DWORD volume = Id("Speakers", "Speaker Volume");
    ASSERT_EQ(mixer->Record(volume).Items.size(), 2u);
    struct Fader {
        DWORD id;
        std::size_t channel;
        int left;
    } faders[] = {
        {volume, 0, 0}, {volume, 1, 45}, {Id("Speakers", "Bass"), 0, 90}, {Id("Speakers", "Treble"), 0, 135}};
    for (const Fader& f : faders) {
        auto* bar = mixer->Item<TTrackBar>(f.id, f.channel);
        EXPECT_EQ(bar->BoundsRect(), (RECT{f.left, 20, f.left + 45, 148}));
        EXPECT_EQ(bar->Orientation(), trVertical);
        EXPECT_EQ(bar->TickMarks(), tmBoth);
        EXPECT_EQ(bar->Parent(), mixer->Page("Speakers"));
    }
    EXPECT_EQ(mixer->Item<TTrackBar>(volume, 0)->Max(), 65535);
    EXPECT_EQ(mixer->Item<TTrackBar>(volume, 0)->Frequency(), 6553);
    EXPECT_EQ(mixer->Item<TTrackBar>(Id("Speakers", "Treble"), 0)->Min(), -12);

    // Four fader bars: the rows start at 4 x 45 + 15.
    auto* mute = mixer->Item<TCheckBox>(Id("Speakers", "Mute"), 0);
    EXPECT_EQ(mute->Left(), 195);
    EXPECT_EQ(mute->Top(), 0);
    EXPECT_EQ(mute->Width(), 230);
    EXPECT_EQ(mute->Caption(), "Mute");
    auto* loudLeft = mixer->Item<TCheckBox>(Id("Speakers", "Loudness"), 0);
    auto* loudRight = mixer->Item<TCheckBox>(Id("Speakers", "Loudness"), 1);
    EXPECT_EQ(loudLeft->Top(), 20);
    EXPECT_EQ(loudLeft->Caption(), "");
    EXPECT_EQ(loudRight->Caption(), "Loudness");
    EXPECT_LE(loudLeft->Left() + loudLeft->Width(), loudRight->Left()) << "each channel's box can be clicked";

    const DWORD peak = Id("Speakers", "Output Level");
    auto* left = mixer->Item<TProgressBar>(peak, 0);
    auto* right = mixer->Item<TProgressBar>(peak, 1);
    EXPECT_EQ(left->BoundsRect(), (RECT{195, 60, 425, 60 + left->Height()}));
    EXPECT_EQ(right->Top(), 80);
    EXPECT_EQ(left->Max(), 32768);
    EXPECT_TRUE(mixer->WantsPoll());
}

// A page shows all its controls at once: the page control grows, never shrinks, to hold the
// widest and tallest page, so that no page scrolls.
TEST_F(SndMixerControl, ThePagesGrowToHoldTheWidestAndTallestPageSoNoneScrolls) {
    MixerLayout layout = StudioLayout(); // playback is wide; "other" gets a tall list
    layout[2].line.controls.push_back(
        list(MIXERCONTROL_CONTROLTYPE_MUX, "Source", std::vector<std::string>(12, "Input")));
    fake.backend().AddDevice("Studio Card", layout);
    for (TSndMixerDestination destination : {mdPlay, mdRecord, mdOther}) {
        Make(destination);
        // Laid out, not painted: Qt paints large areas on threads of its own.
        vx::ControlWidget(form)->setUpdatesEnabled(false);
        form->Show();
        for (int i = 0; i < mixer->Pages->PageCount(); ++i) {
            TTabSheet* sheet = mixer->Pages->Pages(i);
            mixer->Pages->SetActivePage(sheet);
            auto* area = static_cast<QScrollArea*>(vx::ControlWidget(sheet));
            ASSERT_TRUE(PumpUntil([&] { return sheet->Width() < mixer->Width(); }));
            Settle();
            EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << sheet->Caption();
            EXPECT_FALSE(area->verticalScrollBar()->isVisible()) << sheet->Caption();
        }
        form->Free();
        form = nullptr;
    }
}

TEST_F(SndMixerControl, ControlsOfKindsItDoesNotDrawAreListedButNeverTouched) {
    AddStudio();
    Make();
    const DWORD undrawn[] = {Id("Speakers", "Balance"), Id("Speakers", "Equaliser"),
                             Id("Synthesizer", "Transpose"), Id("Synthesizer", "Reverb Delay"),
                             Id("Synthesizer", "Patch Data")};
    mixer->ChooseDestination(0);
    mixer->Pages->SetActivePage(mixer->Page("Synthesizer"));
    for (DWORD id : undrawn) {
        EXPECT_EQ(mixer->Record(id).Kind, TSndMixerKind::None);
        EXPECT_TRUE(mixer->Record(id).Items.empty());
    }
    Settle();
    const int reads = fake.backend().Reads();
    for (DWORD id : undrawn) {
        fake.backend().ChangeFromOutside(0, id, fake.backend().Values(0, id));
        mixer->MixerUpdate(id);
    }
    Settle();
    EXPECT_EQ(fake.backend().Reads(), reads);
    EXPECT_TRUE(fake.backend().Writes().empty());
    EXPECT_TRUE(boxes.Records().empty());
}

TEST_F(SndMixerControl, LoadingValuesIntoTheControlsWritesNothingBack) {
    AddStudio();
    fake.backend().ChangeFromOutside(0, Id("Speakers", "Speaker Volume"), {40000, 20000});
    fake.backend().ChangeFromOutside(0, Id("Synthesizer", "Synth Volume"), {25});
    fake.backend().ChangeFromOutside(0, Id("Wave", "Wave Volume"), {-1500, -3000});
    fake.backend().ChangeFromOutside(0, Id("Speakers", "Loudness"), {1, 0});
    Make();
    mixer->ChooseDestination(1);
    mixer->ChooseDestination(0);
    fake.backend().ChangeFromOutside(0, Id("Synthesizer", "Synth Volume"), {12});
    fake.backend().ChangeFromOutside(0, Id("Speakers", "Mute"), {1});
    Settle();
    EXPECT_TRUE(fake.backend().Writes().empty());
    EXPECT_EQ(fake.backend().Values(0, Id("Synthesizer", "Synth Volume")), (std::vector<LONG>{12}));
    EXPECT_FALSE(mixer->Updating) << "clicks count again once loading is done";
}

TEST_F(SndMixerControl, AFaderMirrorsItsValueWithinAnyBoundsLoudestAtTheTop) {
    AddStudio();
    Make();
    struct Case {
        std::string line, name;
        LONG minimum, maximum, value;
        DWORD channels;
    } cases[] = {
        {"Speakers", "Speaker Volume", 0, 65535, 50000, 2},
        {"Speakers", "Treble", -12, 12, 5, 1},
        {"Wave", "Wave Volume", -6000, 0, -1500, 2},
        {"Synthesizer", "Synth Volume", 10, 31, 28, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DWORD id = Id(c.line, c.name);
        fake.backend().ChangeFromOutside(0, id, std::vector<LONG>(c.channels, c.value));
        ASSERT_TRUE(PumpUntil([&] {
            return mixer->Item<TTrackBar>(id, 0)->Position() == c.minimum + c.maximum - c.value;
        })) << mixer->Item<TTrackBar>(id, 0)->Position();
        auto* bar = mixer->Item<TTrackBar>(id, 0);
        fake.backend().ClearWrites();
        bar->SetPosition(c.minimum);
        ASSERT_EQ(fake.backend().Writes().size(), 1u);
        EXPECT_EQ(fake.backend().Writes()[0].values[0], c.maximum) << "the top is the loudest";
        bar->SetPosition(c.maximum);
        EXPECT_EQ(fake.backend().Values(0, id)[0], c.minimum);
    }
    EXPECT_TRUE(boxes.Records().empty());
}

TEST_F(SndMixerControl, ClicksSetSwitchesAndListsAndOutsideChangesMoveTheBoxes) {
    AddStudio();
    Make();
    const DWORD mute = Id("Speakers", "Mute");
    mixer->Item<TCheckBox>(mute, 0)->SetChecked(true);
    EXPECT_EQ(fake.backend().Values(0, mute), (std::vector<LONG>{1}));
    const DWORD loudness = Id("Speakers", "Loudness");
    fake.backend().ChangeFromOutside(0, loudness, {0, 1});
    ASSERT_TRUE(PumpUntil([&] { return mixer->Item<TCheckBox>(loudness, 1)->Checked(); }));
    EXPECT_FALSE(mixer->Item<TCheckBox>(loudness, 0)->Checked());

    mixer->ChooseDestination(1);
    const DWORD source = Id("Recording Control", "Source");
    ASSERT_EQ(mixer->Record(source).Items.size(), 3u);
    EXPECT_EQ(mixer->Item<TCheckBox>(source, 1)->Caption(), "Line In");
    EXPECT_TRUE(mixer->Item<TCheckBox>(source, 0)->Checked());
    mixer->Item<TCheckBox>(source, 1)->SetChecked(true);
    EXPECT_EQ(fake.backend().Values(0, source), (std::vector<LONG>{0, 1, 0}));
    ASSERT_TRUE(PumpUntil([&] { return !mixer->Item<TCheckBox>(source, 0)->Checked(); }))
        << "the device keeps one source and the boxes follow it";
    mixer->Item<TCheckBox>(source, 1)->SetChecked(false);
    ASSERT_TRUE(PumpUntil([&] { return mixer->Item<TCheckBox>(source, 1)->Checked(); }))
        << "unchecking the chosen source leaves it chosen";
}

TEST_F(SndMixerControl, MetersOfThePageInViewFollowTheDevice) {
    AddStudio();
    Make();
    const DWORD output = Id("Speakers", "Output Level");
    const DWORD wave = Id("Wave", "Wave Level");
    fake.backend().SetMeter(0, output, {-20000, 12000});
    fake.backend().SetMeter(0, wave, {300, 400});
    mixer->ThreadProcess();
    EXPECT_EQ(mixer->Item<TProgressBar>(output, 0)->Position(), 20000);
    EXPECT_EQ(mixer->Item<TProgressBar>(output, 1)->Position(), 12000);
    EXPECT_EQ(mixer->Item<TProgressBar>(wave, 0)->Position(), 0) << "its page is not showing";
    mixer->Pages->SetActivePage(mixer->Page("Wave"));
    mixer->ThreadProcess();
    EXPECT_EQ(mixer->Item<TProgressBar>(wave, 1)->Position(), 400);
    EXPECT_TRUE(fake.backend().Writes().empty());
}

TEST_F(SndMixerControl, AMeterThatCannotBeReadSaysSoOnceAndIsNotPolledAgain) {
    AddStudio();
    Make();
    const DWORD output = Id("Speakers", "Output Level");
    fake.backend().FailReadsOf(0, output, MMSYSERR_NODRIVER);
    for (int i = 0; i < 4; ++i)
        mixer->ThreadProcess();
    Settle();
    const auto shown = boxes.Records();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Unknow error 6h");
    EXPECT_EQ(shown[0].caption, "Input mixer get meter control details");
    EXPECT_EQ(shown[0].flags, MB_OK | MB_ICONWARNING);
    fake.backend().FailReadsOf(0, output, MMSYSERR_NOERROR);
    mixer->ChooseDestination(0);
    fake.backend().SetMeter(0, output, {77, 88});
    mixer->ThreadProcess();
    EXPECT_EQ(mixer->Item<TProgressBar>(output, 1)->Position(), 88) << "rebuilt pages poll again";
}

TEST_F(SndMixerControl, OnlyControlChangesOfTheOpenHandleAreTakenUp) {
    AddStudio();
    Make();
    const DWORD bass = Id("Speakers", "Bass");
    fake.backend().ChangeFromOutside(0, bass, {80});
    HMIXER other = nullptr;
    ASSERT_EQ(mixerOpen(&other, 0, {}, CALLBACK_NULL), MMSYSERR_NOERROR);
    TMessage foreign{MM_MIXM_CONTROL_CHANGE, reinterpret_cast<std::uintptr_t>(other),
                     static_cast<std::intptr_t>(bass), 0};
    mixer->WndProc(foreign);
    TMessage line{MM_MIXM_LINE_CHANGE, reinterpret_cast<std::uintptr_t>(mixer->Mixer),
                  static_cast<std::intptr_t>(bass), 0};
    mixer->WndProc(line);
    EXPECT_EQ(mixer->Item<TTrackBar>(bass, 0)->Position(), 100) << "still the minimum's mirror";
    TMessage own{MM_MIXM_CONTROL_CHANGE, reinterpret_cast<std::uintptr_t>(mixer->Mixer),
                 static_cast<std::intptr_t>(bass), 0};
    mixer->WndProc(own);
    EXPECT_EQ(mixer->Item<TTrackBar>(bass, 0)->Position(), 20);
    mixerClose(other);
}

TEST_F(SndMixerControl, AnotherDestinationRebuildsThePagesAndAnotherDeviceReopens) {
    AddStudio();
    MixerLayout headset = WideLayout(2);
    headset.push_back(headset[0]);
    headset[1].line.shortName = "Mic";
    headset[1].line.name = "Headset Mic";
    fake.backend().AddDevice("USB Headset", headset);
    Make(mdRecord);
    EXPECT_EQ(mixer->MixerCombo->ItemIndex(), 1);
    EXPECT_EQ(mixer->PageCaptions(),
              (std::vector<std::string>{"Recording Control", "Microphone", "Line In"}));
    mixer->ChooseDestination(2);
    EXPECT_EQ(mixer->PageCaptions(), (std::vector<std::string>{"Monitor Out"}));
    const std::size_t records = mixer->Controls.size();
    EXPECT_EQ(records, 1u) << "the records of the old pages are gone";

    mixer->ChooseDevice(1);
    EXPECT_EQ(OpenMixerCount(), 1u);
    EXPECT_EQ(mixer->MixerCombo->Items()->Count(), 2);
    EXPECT_EQ(mixer->MixerCombo->ItemIndex(), 1) << "the default destination again";
    EXPECT_EQ(mixer->PageCaptions(), (std::vector<std::string>{"Headset Mic", "Input 1"}));
    mixer->SetDefDest(mdOther);
    EXPECT_EQ(mixer->MixerCombo->ItemIndex(), 0) << "a destination the device lacks falls back to the first";
    EXPECT_EQ(mixer->PageCaptions(), (std::vector<std::string>{"Master", "Input 1"}));
    EXPECT_TRUE(boxes.Records().empty());
}

TEST_F(SndMixerControl, AFailureWhileBuildingClosesTheDeviceAndLaterClicksWriteNothing) {
    AddStudio();
    fake.backend().FailNext(MixerOp::GetLineControls, MMSYSERR_NOMEM, 1);
    Make();
    const auto shown = boxes.Records();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Mixer get line controls");
    EXPECT_EQ(shown[0].text, "Unknow error 7h");
    EXPECT_FALSE(mixer->Opened);
    EXPECT_FALSE(mixer->Updating);
    EXPECT_EQ(OpenMixerCount(), 0u);
    EXPECT_EQ(mixer->PageCaptions(), (std::vector<std::string>{"Speakers", "Wave"}))
        << "as far as they were built";
    mixer->Item<TTrackBar>(Id("Speakers", "Speaker Volume"), 0)->SetPosition(100);
    mixer->Item<TCheckBox>(Id("Speakers", "Mute"), 0)->SetChecked(true);
    EXPECT_TRUE(fake.backend().Writes().empty());
    EXPECT_EQ(boxes.Records().size(), 1u) << "no message about a device that is closed";
}

TEST_F(SndMixerControl, ErrorTextsFollowTheResultCode) {
    AddStudio();
    Make();
    fake.backend().FailNext(MixerOp::SetControlDetails, MIXERR_INVALVALUE);
    mixer->Item<TTrackBar>(Id("Speakers", "Bass"), 0)->SetPosition(30);
    fake.backend().FailNext(MixerOp::SetControlDetails, MMSYSERR_INVALHANDLE);
    mixer->Item<TCheckBox>(Id("Speakers", "Mute"), 0)->SetChecked(true);
    const auto shown = boxes.Records();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, "Incorrect size of the required data (error 402h)");
    EXPECT_EQ(shown[0].caption, "Input mixer set fader control details");
    EXPECT_EQ(shown[1].text, "Unknow error 5h");
    EXPECT_EQ(shown[1].caption, "Input mixer set boolean control details");
}

TEST_F(SndMixerControl, UnreadableListNamesLeaveTheRowsUncaptionedAndBuildingGoesOn) {
    MixerDestinationDesc only;
    only.line =
        line("In", "Input Select", 1, {list(MIXERCONTROL_CONTROLTYPE_MUX, "Source", {"Mic", "Line"})});
    fake.backend().AddDevice("Selector", {only});
    fake.backend().FailNext(MixerOp::GetControlDetails, MMSYSERR_ERROR);
    Make();
    const auto shown = boxes.Records();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Mixer get list control details");
    EXPECT_TRUE(mixer->Opened);
    const DWORD source = Id("Input Select", "Source");
    ASSERT_EQ(mixer->Record(source).Items.size(), 2u);
    EXPECT_EQ(mixer->Item<TCheckBox>(source, 1)->Caption(), "");
    EXPECT_TRUE(mixer->Item<TCheckBox>(source, 0)->Checked());
}

TEST_F(SndMixerControl, DeletingTheControlClosesItsDevice) {
    AddStudio();
    Make();
    EXPECT_EQ(OpenMixerCount(), 1u);
    delete mixer;
    EXPECT_EQ(OpenMixerCount(), 0u);
    form->Free();
    mixer = Make();
    mixer->Free();
    EXPECT_EQ(OpenMixerCount(), 0u);
}
