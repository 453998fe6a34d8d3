// The ALSA backend against a real sound server: ALSA's default device reaches the private
// PulseAudio server of this test process through the pulse plug-in.
#include "platform/mmsys/MixerApi.h"

#include "platform/framework/QtBridge.h"
#include "platform/mmsys/MixerBackend.h"
#include "tests/SoundServer.h"
#include "tests/platform/framework/GuiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ServerMixer {
    HMIXER mixer = nullptr;
    std::vector<std::pair<unsigned, DWORD>> notices;
    MIXERLINEA lines[2];
    std::vector<MIXERCONTROLA> controls[2];

    MMRESULT open() {
        MixerCallback callback = [this](unsigned message, HMIXER, DWORD id) {
            notices.emplace_back(message, id);
        };
        MMRESULT result = mixerOpen(&mixer, 0, callback, CALLBACK_WINDOW);
        for (DWORD d = 0; result == MMSYSERR_NOERROR && d < 2; ++d) {
            lines[d].dwDestination = d;
            result = mixerGetLineInfoA(mixer, &lines[d], MIXER_GETLINEINFOF_DESTINATION);
            if (result != MMSYSERR_NOERROR) break;
            controls[d].resize(lines[d].cControls);
            MIXERLINECONTROLSA request;
            request.dwLineID = lines[d].dwLineID;
            request.cControls = lines[d].cControls;
            request.pamxctrl = controls[d].data();
            result = mixerGetLineControlsA(mixer, &request, MIXER_GETLINECONTROLSF_ALL);
        }
        return result;
    }
    ~ServerMixer() {
        if (mixer) mixerClose(mixer);
    }
    std::vector<LONG> read(const MIXERCONTROLA& control, DWORD channels) {
        std::vector<LONG> values(channels);
        MIXERCONTROLDETAILS d;
        d.dwControlID = control.dwControlID;
        d.cChannels = channels;
        d.cbDetails = sizeof(LONG);
        d.paDetails = values.data();
        EXPECT_EQ(mixerGetControlDetailsA(mixer, &d, MIXER_GETCONTROLDETAILSF_VALUE), MMSYSERR_NOERROR);
        return values;
    }
    MMRESULT write(const MIXERCONTROLA& control, std::vector<LONG> values) {
        MIXERCONTROLDETAILS d;
        d.dwControlID = control.dwControlID;
        d.cChannels = static_cast<DWORD>(values.size());
        d.cbDetails = sizeof(LONG);
        d.paDetails = values.data();
        return mixerSetControlDetails(mixer, &d, MIXER_SETCONTROLDETAILSF_VALUE);
    }
    bool heard(DWORD id) const {
        for (const auto& [message, control] : notices)
            if (message == MM_MIXM_CONTROL_CHANGE && control == id) return true;
        return false;
    }
};

std::string shell(const vx_test::ScopedSoundServer& server, const std::string& command) {
    std::string output;
    EXPECT_EQ(server.shell(command, output), 0) << command << ": " << output;
    return output;
}

} // namespace

TEST(AlsaMixDevice, TheDefaultDeviceShowsTheServersMasterAndCaptureFirst) {
    vx_test::ScopedSoundServer server;
    VX_REQUIRE_SOUND_SERVER(server);
    vx::EnsureQtApplication();
    SetMixerBackend(nullptr);
    ASSERT_GE(mixerGetNumDevs(), 1u);
    MIXERCAPSA caps;
    ASSERT_EQ(mixerGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "PulseAudio");
    EXPECT_EQ(caps.cDestinations, 2u);
    ServerMixer m;
    ASSERT_EQ(m.open(), MMSYSERR_NOERROR);
    EXPECT_STREQ(m.lines[0].szName, "Master");
    EXPECT_STREQ(m.lines[0].szShortName, "Playback");
    EXPECT_STREQ(m.lines[1].szName, "Capture");
    EXPECT_STREQ(m.lines[1].szShortName, "Recording");
    ASSERT_EQ(m.controls[0].size(), 2u);
    EXPECT_EQ(m.controls[0][0].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(m.controls[0][0].Bounds.lMaximum, 65536);
    EXPECT_EQ(m.controls[0][1].dwControlType, MIXERCONTROL_CONTROLTYPE_MUTE);
    ASSERT_EQ(m.controls[1].size(), 2u);
    EXPECT_EQ(m.controls[1][1].dwControlType, MIXERCONTROL_CONTROLTYPE_ONOFF);
}

TEST(AlsaMixDevice, WritesReachTheServerAndItsChangesComeBackAsNotices) {
    vx_test::ScopedSoundServer server;
    VX_REQUIRE_SOUND_SERVER(server);
    vx::EnsureQtApplication();
    SetMixerBackend(nullptr);
    mixerGetNumDevs();
    ServerMixer m;
    ASSERT_EQ(m.open(), MMSYSERR_NOERROR);
    ASSERT_EQ(m.controls[0].size(), 2u);
    const MIXERCONTROLA& volume = m.controls[0][0];
    const MIXERCONTROLA& mute = m.controls[0][1];

    ASSERT_EQ(m.write(volume, {32768, 16384}), MMSYSERR_NOERROR);
    const std::string reported = shell(server, "pactl get-sink-volume vx_null");
    EXPECT_NE(reported.find("50%"), std::string::npos) << reported;
    EXPECT_NE(reported.find("25%"), std::string::npos) << reported;

    m.notices.clear();
    shell(server, "pactl set-sink-volume vx_null 75%");
    ASSERT_TRUE(PumpUntil([&] {
        return m.read(volume, 2) == std::vector<LONG>{49152, 49152};
    })) << m.read(volume, 2)[0];
    EXPECT_TRUE(PumpUntil([&] { return m.heard(volume.dwControlID); }));

    shell(server, "amixer -q set Master mute");
    EXPECT_TRUE(PumpUntil([&] { return m.read(mute, 1) == std::vector<LONG>{1}; })) << "muted reads as 1";
    ASSERT_EQ(m.write(mute, {0}), MMSYSERR_NOERROR);
    EXPECT_NE(shell(server, "pactl get-sink-mute vx_null").find("no"), std::string::npos);
}
