// The mixer control on the private sound server, through ALSA's default device: the fader
// moves the server's sink volume, and changes made with pactl and amixer move the control.
#include "MixerTestKit.h"
#include "tests/SoundServer.h"

namespace {

std::string shell(const vx_test::ScopedSoundServer& server, const std::string& command) {
    std::string output;
    EXPECT_EQ(server.shell(command, output), 0) << command << ": " << output;
    return output;
}

class MixControlOnSoundServer : public MixerOnForm {
protected:
    void SetUp() override { SetMixerBackend(nullptr); }
    void TearDown() override {
        MixerOnForm::TearDown();
        SetMixerBackend(&fake.backend());
    }
    vx_test::ScopedSoundServer server;
};

} // namespace

TEST_F(MixControlOnSoundServer, ListsMasterAndCaptureAndFollowsTheServerBothWays) {
    VX_REQUIRE_SOUND_SERVER(server);
    Make();
    ASSERT_TRUE(mixer->Opened);
    EXPECT_EQ(mixer->DeviceList->Items()->Strings(0), "PulseAudio");
    EXPECT_EQ(mixer->PageCaptions(), std::vector<std::string>{"Master"});
    ASSERT_EQ(mixer->Controls.size(), 2u);
    const TSndMixerControl& volume = mixer->Controls[0];
    const TSndMixerControl& mute = mixer->Controls[1];
    ASSERT_EQ(volume.Kind, TSndMixerKind::Fader);
    ASSERT_EQ(volume.Items.size(), 2u);
    auto* left = static_cast<TTrackBar*>(volume.Items[0]);
    auto* right = static_cast<TTrackBar*>(volume.Items[1]);
    EXPECT_EQ(left->Position(), 0) << "the server starts at full volume: the thumb at the top";

    // The user pulls the left fader down to a quarter of the way from the bottom.
    left->SetPosition(49152);
    const std::string reported = shell(server, "pactl get-sink-volume vx_null");
    EXPECT_NE(reported.find("25%"), std::string::npos) << reported;
    EXPECT_NE(reported.find("100%"), std::string::npos) << "the right channel stays" << reported;

    shell(server, "pactl set-sink-volume vx_null 50%");
    EXPECT_TRUE(PumpUntil([&] { return left->Position() == 32768 && right->Position() == 32768; }))
        << left->Position() << " " << right->Position();

    shell(server, "amixer -q set Master mute");
    auto* muted = static_cast<TCheckBox*>(mute.Items[0]);
    EXPECT_TRUE(PumpUntil([&] { return muted->Checked(); }));
    muted->SetChecked(false);
    EXPECT_NE(shell(server, "pactl get-sink-mute vx_null").find("no"), std::string::npos);

    mixer->ChooseDestination(1);
    EXPECT_EQ(mixer->PageCaptions(), std::vector<std::string>{"Capture"});
    EXPECT_TRUE(boxes.Records().empty());
}
