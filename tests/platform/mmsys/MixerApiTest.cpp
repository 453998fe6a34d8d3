#include "platform/mmsys/MixerApi.h"

#include "MixerFixtures.h"
#include "platform/framework/QtBridge.h"
#include "platform/mmsys/FakeMixer.h"
#include "tests/platform/framework/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace mixer_fixtures;

namespace {

struct Notice {
    unsigned message;
    HMIXER mixer;
    DWORD id;
    bool operator==(const Notice&) const = default;
};

class MixerService : public ::testing::Test {
protected:
    void SetUp() override {
        vx::EnsureQtApplication();
        device = fake.backend().AddDevice("Studio Card", StudioLayout());
    }
    void TearDown() override {
        for (HMIXER h : opened)
            mixerClose(h);
        EXPECT_EQ(OpenMixerCount(), 0u);
    }
    HMIXER open(std::vector<Notice>* notices = nullptr) {
        HMIXER h = nullptr;
        MixerCallback callback;
        if (notices)
            callback = [notices](unsigned message, HMIXER mixer, DWORD id) {
                notices->push_back({message, mixer, id});
            };
        EXPECT_EQ(mixerOpen(&h, device, callback, notices ? CALLBACK_WINDOW : CALLBACK_NULL),
                  MMSYSERR_NOERROR);
        opened.push_back(h);
        return h;
    }
    DWORD id(const std::string& line, const std::string& name) {
        return fake.backend().ControlId(device, line, name);
    }
    static MIXERCONTROLDETAILS details(DWORD control, DWORD channels, std::vector<LONG>& values,
                                       DWORD items = 0) {
        MIXERCONTROLDETAILS d;
        d.dwControlID = control;
        d.cChannels = channels;
        d.cMultipleItems = items;
        d.cbDetails = sizeof(LONG);
        d.paDetails = values.data();
        return d;
    }
    static void settle() {
        for (int i = 0; i < 5; ++i)
            Application->ProcessMessages();
    }

    ScopedFakeMixer fake;
    UINT device = 0;
    std::vector<HMIXER> opened;
};

} // namespace

TEST_F(MixerService, DescribesDevicesLinesAndControlsInLayoutOrder) {
    EXPECT_EQ(mixerGetNumDevs(), 1u);
    MIXERCAPSA caps;
    ASSERT_EQ(mixerGetDevCapsA(device, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Studio Card");
    EXPECT_EQ(caps.cDestinations, 3u);
    HMIXER h = open();

    MIXERLINEA line;
    line.dwDestination = 0;
    ASSERT_EQ(mixerGetLineInfoA(h, &line, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_STREQ(line.szShortName, "Playback");
    EXPECT_STREQ(line.szName, "Speakers");
    EXPECT_EQ(line.cConnections, 2u);
    EXPECT_EQ(line.cControls, 8u);
    EXPECT_EQ(line.cChannels, 2u);
    EXPECT_EQ(line.dwLineID, MixerLineId(0, -1));

    MIXERLINEA synth;
    synth.dwDestination = 0;
    synth.dwSource = 1;
    ASSERT_EQ(mixerGetLineInfoA(h, &synth, MIXER_GETLINEINFOF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_STREQ(synth.szName, "Synthesizer");
    EXPECT_EQ(synth.cChannels, 1u);
    EXPECT_EQ(synth.cConnections, 0u);
    EXPECT_EQ(synth.dwLineID, MixerLineId(0, 1));

    std::vector<MIXERCONTROLA> controls(synth.cControls);
    MIXERLINECONTROLSA request;
    request.dwLineID = synth.dwLineID;
    request.cControls = synth.cControls;
    request.pamxctrl = controls.data();
    ASSERT_EQ(mixerGetLineControlsA(h, &request, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    // The destination's 8 controls, then the 3 of Wave, then Synth's.
    EXPECT_EQ(controls[0].dwControlID, 12u);
    EXPECT_EQ(controls[0].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(controls[0].Bounds.lMinimum, 10);
    EXPECT_EQ(controls[0].Bounds.lMaximum, 31);
    EXPECT_STREQ(controls[0].szShortName, "Volume");
    EXPECT_STREQ(controls[0].szName, "Synth Volume");

    MIXERLINEA recording;
    recording.dwDestination = 1;
    ASSERT_EQ(mixerGetLineInfoA(h, &recording, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    std::vector<MIXERCONTROLA> recordingControls(recording.cControls);
    request.dwLineID = recording.dwLineID;
    request.cControls = recording.cControls;
    request.pamxctrl = recordingControls.data();
    ASSERT_EQ(mixerGetLineControlsA(h, &request, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    const MIXERCONTROLA& mux = recordingControls[1];
    EXPECT_EQ(mux.dwControlType, MIXERCONTROL_CONTROLTYPE_MUX);
    EXPECT_EQ(mux.fdwControl, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE);
    EXPECT_EQ(mux.cMultipleItems, 3u);
}

TEST_F(MixerService, RefusesMalformedRequestsWithThePlatformsCodes) {
    HMIXER h = open();
    MIXERCAPSA caps;
    EXPECT_EQ(mixerGetDevCapsA(7, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(mixerGetDevCapsA(device, &caps, sizeof caps - 1), MMSYSERR_INVALPARAM);
    HMIXER none = nullptr;
    EXPECT_EQ(mixerOpen(&none, 7, {}, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(mixerOpen(&none, device, {}, 0x30000), MMSYSERR_INVALFLAG);
    EXPECT_EQ(none, nullptr);

    MIXERLINEA line;
    line.dwDestination = 3;
    EXPECT_EQ(mixerGetLineInfoA(h, &line, MIXER_GETLINEINFOF_DESTINATION), MIXERR_INVALLINE);
    line.dwDestination = 0;
    line.dwSource = 2;
    EXPECT_EQ(mixerGetLineInfoA(h, &line, MIXER_GETLINEINFOF_SOURCE), MIXERR_INVALLINE);
    EXPECT_EQ(mixerGetLineInfoA(h, &line, 4), MMSYSERR_INVALFLAG);
    line.cbStruct = 168;
    EXPECT_EQ(mixerGetLineInfoA(h, &line, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_INVALPARAM);

    std::vector<MIXERCONTROLA> controls(8);
    MIXERLINECONTROLSA request;
    request.dwLineID = MixerLineId(0, -1);
    request.cControls = 7;
    request.pamxctrl = controls.data();
    EXPECT_EQ(mixerGetLineControlsA(h, &request, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_INVALPARAM)
        << "fewer entries than the line has controls";
    request.cControls = 8;
    request.dwLineID = MixerLineId(0, 5);
    EXPECT_EQ(mixerGetLineControlsA(h, &request, MIXER_GETLINECONTROLSF_ALL), MIXERR_INVALLINE);

    const DWORD volume = id("Speakers", "Speaker Volume");
    std::vector<LONG> values(8);
    MIXERCONTROLDETAILS d = details(volume, 3, values);
    EXPECT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_INVALPARAM)
        << "3 channels";
    d = details(volume, 2, values, 2);
    EXPECT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_INVALPARAM)
        << "items on a single-item control";
    d = details(volume, 2, values);
    d.cbDetails = 2;
    EXPECT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_INVALPARAM);
    d = details(0, 1, values);
    EXPECT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_VALUE), MIXERR_INVALCONTROL);
    d = details(999, 1, values);
    EXPECT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MIXERR_INVALCONTROL);
    d = details(volume, 2, values);
    d.paDetails = nullptr;
    EXPECT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_INVALPARAM);
    d = details(volume, 2, values);
    EXPECT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_LISTTEXT), MMSYSERR_INVALPARAM)
        << "a fader has no item names";

    ASSERT_EQ(mixerClose(h), MMSYSERR_NOERROR);
    opened.clear();
    EXPECT_EQ(mixerClose(h), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_INVALHANDLE);
}

TEST_F(MixerService, OneChannelReadsTheFirstAndWritesEveryChannel) {
    HMIXER h = open();
    const DWORD volume = id("Speakers", "Speaker Volume");
    std::vector<LONG> both{1000, 2000};
    MIXERCONTROLDETAILS d = details(volume, 2, both);
    ASSERT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    std::vector<LONG> one{0};
    d = details(volume, 1, one);
    ASSERT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    EXPECT_EQ(one[0], 1000);
    one[0] = 300;
    ASSERT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    EXPECT_EQ(fake.backend().Values(device, volume), (std::vector<LONG>{300, 300}));
}

TEST_F(MixerService, WritesAreCheckedAgainstTheControlsKind) {
    HMIXER h = open();
    std::vector<LONG> low{-6001, 0};
    MIXERCONTROLDETAILS d = details(id("Wave", "Wave Volume"), 2, low);
    EXPECT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MIXERR_INVALVALUE);
    std::vector<LONG> reading{5, 5};
    d = details(id("Wave", "Wave Level"), 2, reading);
    EXPECT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOTSUPPORTED)
        << "meters are read only";
    std::vector<LONG> on{7, -1};
    const DWORD loudness = id("Speakers", "Loudness");
    d = details(loudness, 2, on);
    ASSERT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    EXPECT_EQ(fake.backend().Values(device, loudness), (std::vector<LONG>{1, 1})) << "switches are 0 or 1";
    EXPECT_EQ(fake.backend().Writes().size(), 1u) << "refused writes never reach the device";
}

TEST_F(MixerService, ASingleSelectListKeepsExactlyOneItem) {
    HMIXER h = open();
    const DWORD mux = id("Recording Control", "Source");
    ASSERT_EQ(fake.backend().Values(device, mux), (std::vector<LONG>{1, 0, 0}));
    struct Case {
        std::vector<LONG> written;
        std::vector<LONG> kept;
    } cases[] = {
        {{1, 1, 0}, {0, 1, 0}}, // the newly set item wins
        {{0, 0, 0}, {0, 1, 0}}, // clearing all keeps the selection
        {{1, 0, 1}, {1, 0, 0}}, // two new ones: the first
        {{0, 0, 1}, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        std::vector<LONG> values = c.written;
        MIXERCONTROLDETAILS d = details(mux, 1, values, 3);
        ASSERT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
        EXPECT_EQ(fake.backend().Values(device, mux), c.kept);
    }
    const DWORD routes = id("Line In", "Routes");
    std::vector<LONG> both{1, 1};
    MIXERCONTROLDETAILS d = details(routes, 1, both, 2);
    ASSERT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    EXPECT_EQ(fake.backend().Values(device, routes), (std::vector<LONG>{1, 1})) << "a multiple-select list";
}

TEST_F(MixerService, ListTextsNameEachItemCutAtACharacterBoundary) {
    MixerLayout layout = StudioLayout();
    layout[1].line.controls[1].itemNames[2] =
        std::string(62, 'x') + "\xC3\xA9" + "tail"; // é straddles the end
    const UINT other = fake.backend().AddDevice("Long Names", layout);
    HMIXER h = nullptr;
    ASSERT_EQ(mixerOpen(&h, other, {}, CALLBACK_NULL), MMSYSERR_NOERROR);
    opened.push_back(h);
    std::vector<MIXERCONTROLDETAILS_LISTTEXTA> texts(3);
    MIXERCONTROLDETAILS d;
    d.dwControlID = fake.backend().ControlId(other, "Recording Control", "Source");
    d.cChannels = 1;
    d.cMultipleItems = 3;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXTA);
    d.paDetails = texts.data();
    ASSERT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_LISTTEXT), MMSYSERR_NOERROR);
    EXPECT_STREQ(texts[0].szName, "Microphone");
    EXPECT_STREQ(texts[1].szName, "Line In");
    EXPECT_EQ(std::string(texts[2].szName), std::string(62, 'x')) << "no half character";
}

TEST_F(MixerService, EveryHandleOfTheDeviceHearsOfAWriteOnTheGuiThread) {
    std::vector<Notice> first, second;
    HMIXER a = open(&first);
    HMIXER b = open(&second);
    HMIXER quiet = open();
    const DWORD mute = id("Speakers", "Mute");
    std::vector<LONG> on{1};
    MIXERCONTROLDETAILS d = details(mute, 1, on);
    ASSERT_EQ(mixerSetControlDetails(quiet, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    EXPECT_TRUE(first.empty()) << "notices come through the event loop, never inside the call";
    ASSERT_TRUE(PumpUntil([&] { return !first.empty() && !second.empty(); }));
    EXPECT_EQ(first, (std::vector<Notice>{{MM_MIXM_CONTROL_CHANGE, a, mute}}));
    EXPECT_EQ(second, (std::vector<Notice>{{MM_MIXM_CONTROL_CHANGE, b, mute}}));
}

TEST_F(MixerService, ChangesFromOutsideArriveThroughTheDevicesDescriptors) {
    std::vector<Notice> notices;
    HMIXER h = open(&notices);
    const DWORD bass = id("Speakers", "Bass");
    fake.backend().ChangeFromOutside(device, bass, {64});
    fake.backend().ChangeLineFromOutside(device, id("Wave", "Mute"));
    ASSERT_TRUE(PumpUntil([&] { return notices.size() >= 2; }));
    settle();
    EXPECT_EQ(notices, (std::vector<Notice>{{MM_MIXM_CONTROL_CHANGE, h, bass},
                                            {MM_MIXM_LINE_CHANGE, h, MixerLineId(0, 0)}}));
    std::vector<LONG> value{0};
    MIXERCONTROLDETAILS d = details(bass, 1, value);
    ASSERT_EQ(mixerGetControlDetailsA(h, &d, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    EXPECT_EQ(value[0], 64);
    EXPECT_TRUE(fake.backend().Writes().empty());
}

TEST_F(MixerService, NoticesForAHandleClosedMeanwhileAreDropped) {
    std::vector<Notice> notices;
    HMIXER h = open(&notices);
    fake.backend().ChangeFromOutside(device, id("Speakers", "Bass"), {5});
    std::vector<LONG> on{1};
    MIXERCONTROLDETAILS d = details(id("Speakers", "Mute"), 1, on);
    ASSERT_EQ(mixerSetControlDetails(h, &d, MIXER_SETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
    ASSERT_EQ(mixerClose(h), MMSYSERR_NOERROR);
    opened.clear();
    std::vector<Notice> later;
    open(&later); // may well get the same address
    settle();
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(later.empty());
}

TEST_F(MixerService, AnInjectedFaultAnswersItsResultOnceAfterItsSkips) {
    HMIXER h = open();
    fake.backend().FailNext(MixerOp::GetLineInfo, MMSYSERR_NOMEM, 1);
    MIXERLINEA line;
    EXPECT_EQ(mixerGetLineInfoA(h, &line, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(mixerGetLineInfoA(h, &line, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOMEM);
    EXPECT_EQ(mixerGetLineInfoA(h, &line, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_NOERROR);
    fake.backend().FailNext(MixerOp::Close, MMSYSERR_ERROR);
    EXPECT_EQ(mixerClose(h), MMSYSERR_ERROR);
    opened.clear();
    EXPECT_EQ(OpenMixerCount(), 0u) << "a failed close still lets the device go";
}
