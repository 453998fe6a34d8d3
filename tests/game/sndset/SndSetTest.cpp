#include "SndSetFixture.h"

#include <algorithm>
#include <atomic>
#include <thread>

using sndset_test::EffectTone;
using sndset_test::SndSetFixture;

namespace {

using SoundDialog = SndSetFixture;

std::vector<LONG> volumesOf(const std::vector<BufferInfo>& buffers) {
    std::vector<LONG> volumes;
    for (const BufferInfo& info : buffers)
        volumes.push_back(info.volume);
    std::sort(volumes.begin(), volumes.end());
    return volumes;
}

} // namespace

TEST_F(SoundDialog, StartsWithBothSwitchesOnAndTwentyTwoKilohertzSixteenBitStereoShown) {
    EXPECT_EQ(form->Caption(), "Sound Settings");
    EXPECT_EQ(form->ClientWidth(), 366);
    EXPECT_EQ(form->ClientHeight(), 215);
    EXPECT_TRUE(form->MenuMusic->Checked());
    EXPECT_TRUE(form->MenuSFX->Checked());
    EXPECT_EQ(form->VolumeSFX->Position(), 192);
    EXPECT_EQ(form->VolumeSFX->Max(), 256);
    EXPECT_EQ(form->VolumeMusic->Min(), -5000);
    EXPECT_EQ(form->VolumeMusic->Position(), 0);
    EXPECT_EQ(form->FreqBox->Text(), "22050 Hz");
    EXPECT_EQ(form->BitBox->Text(), "16 bit");
    EXPECT_EQ(form->ChanBox->Text(), "stereo");
    EXPECT_TRUE(form->MP3Full->Checked());
    EXPECT_EQ(form->SndSetCloseButton->ModalResult(), mrOk);
    EXPECT_EQ(form->DSoundDevCombo->Items()->Count(), 3) << "the default device and two cards";
    EXPECT_TRUE(musicMirror());
    EXPECT_TRUE(effectsMirror());
}

TEST_F(SoundDialog, ShowingCentresTheDialogOnTheScreen) {
    form->SetLeft(0);
    form->SetTop(0);
    form->FormShow(form);
    EXPECT_EQ(form->Left(), (Screen->Width() - form->Width()) / 2);
    EXPECT_EQ(form->Top(), (Screen->Height() - form->Height()) / 2);
}

TEST_F(SoundDialog, MusicOffStopsTheMusicButTheTestSoundStillPlays) {
    player->SetActive(true);
    ASSERT_EQ(stream().size, 4u * 32768u);
    form->MenuMusic->SetChecked(false);
    EXPECT_FALSE(musicMirror());
    EXPECT_EQ(player->FileName(), "");
    EXPECT_TRUE(player->Active()) << "the effects play through the engine's DirectSound object";
    EXPECT_EQ(stream().size, 0u);
    EXPECT_EQ(picks, 0);
    ASSERT_TRUE(form->TestButton->Enabled());
    form->VolumeSFX->SetPosition(256);
    form->TestButton->OnClick(form->TestButton);
    ASSERT_EQ(soundingEffects().size(), 1u);
    EXPECT_EQ(soundingEffects()[0].pan, 0);
    EXPECT_EQ(audio.backend().Render(1)[0], EffectTone(scCool)) << "the test sound is the cool one";
}

TEST_F(SoundDialog, BothOffSwitchTheEngineOffAndDisableTheTestButton) {
    form->MenuMusic->SetChecked(false);
    form->MenuSFX->SetChecked(false);
    EXPECT_FALSE(player->Active());
    EXPECT_FALSE(form->TestButton->Enabled());
    EXPECT_FALSE(effectsMirror());
    form->TestButtonClick(form->TestButton);
    EXPECT_TRUE(soundingEffects().empty());
    form->MenuSFX->SetChecked(true);
    EXPECT_TRUE(player->Active());
    EXPECT_TRUE(form->TestButton->Enabled());
    EXPECT_TRUE(waves[scCool]->IsLoaded()) << "switching on reloads the effects";
}

TEST_F(SoundDialog, CheckingMusicAgainPicksANewTrackAfterTheMirrorSaysMusicIsOn) {
    form->MenuMusic->SetChecked(false);
    form->MenuMusic->SetChecked(true);
    EXPECT_EQ(picks, 1) << "the pick saw music on";
    EXPECT_EQ(player->FileName(), "ramp-one");
    EXPECT_TRUE(player->Active());
    EXPECT_EQ(stream().size, 4u * 32768u);
    form->MenuMusic->SetChecked(false);
    form->MenuMusic->SetChecked(true);
    EXPECT_EQ(player->FileName(), "ramp-two");
}

TEST_F(SoundDialog, TheEffectsSwitchLeavesTheMusicPlaying) {
    form->MenuMusicClick(form);
    ASSERT_EQ(player->FileName(), "ramp-one");
    const int before = switches;
    form->MenuSFX->SetChecked(false);
    form->MenuSFX->SetChecked(true);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(player->FileName(), "ramp-one");
    EXPECT_EQ(switches, before) << "the engine never stopped";
    EXPECT_TRUE(form->TestButton->Enabled());
}

TEST_F(SoundDialog, TheMainFormsRunOfTheHandlerStopsOrPicksMusicByTheMusicBox) {
    form->MenuMusic->SetChecked(false);
    player->SetFileName("ramp-title");
    form->MenuMusicClick(form);
    EXPECT_EQ(player->FileName(), "");
    EXPECT_TRUE(player->Active());
}

TEST_F(SoundDialog, FormatBoxesRestartAnActiveEngineWithTheChosenFormat) {
    form->MenuMusicClick(form);
    const struct {
        TComboBox* TSndSetForm::*box;
        int index;
        unsigned long rate;
        unsigned short bits, channels;
    } steps[] = {
        {&TSndSetForm::FreqBox, 1, 11025, 16, 2}, {&TSndSetForm::FreqBox, 4, 48000, 16, 2},
        {&TSndSetForm::BitBox, 0, 48000, 8, 2},   {&TSndSetForm::ChanBox, 0, 48000, 8, 1},
        {&TSndSetForm::FreqBox, 0, 8000, 8, 1},
    };
    for (const auto& step : steps) {
        const int before = switches;
        choose(form->*step.box, step.index);
        EXPECT_EQ(player->SamplesPerSec(), step.rate);
        EXPECT_EQ(player->BitsPerSample(), step.bits);
        EXPECT_EQ(player->Channels(), step.channels);
        EXPECT_EQ(switches, before + 2) << "off and on again";
        EXPECT_EQ(stream().format.nSamplesPerSec, step.rate);
        EXPECT_EQ(stream().format.nChannels, step.channels);
    }
    EXPECT_TRUE(messages.Records().empty());
}

TEST_F(SoundDialog, NothingChosenInAFormatBoxFallsBackAndShowsIt) {
    choose(form->FreqBox, 0);
    choose(form->BitBox, 0);
    choose(form->ChanBox, 0);
    choose(form->FreqBox, -1);
    choose(form->BitBox, -1);
    choose(form->ChanBox, -1);
    EXPECT_EQ(form->FreqBox->ItemIndex(), 3);
    EXPECT_EQ(form->BitBox->ItemIndex(), 1);
    EXPECT_EQ(form->ChanBox->ItemIndex(), 1);
    EXPECT_EQ(player->SamplesPerSec(), 44100u);
    EXPECT_EQ(player->BitsPerSample(), 16);
    EXPECT_EQ(player->Channels(), 2);
}

TEST_F(SoundDialog, QualityButtonsSetTheDecoderQuality) {
    const struct {
        TRadioButton* TSndSetForm::*button;
        TSndMP3Quality quality;
    } table[] = {{&TSndSetForm::MP3Quarter, smqQuarter},
                 {&TSndSetForm::MP3Half, smqHalf},
                 {&TSndSetForm::MP3Full, smqFull},
                 {&TSndSetForm::MP3Half, smqHalf}};
    for (const auto& row : table) {
        (form->*row.button)->SetChecked(true);
        EXPECT_EQ(mp3->Quality(), row.quality);
        EXPECT_EQ(form->MP3Full->Checked() + form->MP3Half->Checked() + form->MP3Quarter->Checked(), 1);
    }
}

TEST_F(SoundDialog, MusicSliderGivesTheEngineHundredthsOfADecibel) {
    form->MenuMusicClick(form);
    form->VolumeMusic->SetPosition(-1200);
    EXPECT_EQ(player->Volume(), -1200);
    EXPECT_EQ(stream().volume, -1200);
    form->VolumeMusic->SetPosition(-9000);
    EXPECT_EQ(player->Volume(), -5000) << "the slider's range bounds the volume";
    form->VolumeMusic->SetPosition(0);
    EXPECT_EQ(stream().volume, 0);
}

TEST_F(SoundDialog, EffectsSliderReachesAllElevenEffectsAtTheirNextPlay) {
    form->VolumeSFX->SetPosition(256);
    for (TDSWave* wave : waves)
        EXPECT_EQ(wave->Volume(), 256);
    form->MenuMusic->SetChecked(false);
    ASSERT_TRUE(waves[scExBomb]->Play(0, 400));
    form->VolumeSFX->SetPosition(64);
    for (TDSWave* wave : waves)
        EXPECT_EQ(wave->Volume(), 64);
    EXPECT_EQ(volumesOf(soundingEffects()), std::vector<LONG>{0}) << "a sounding effect keeps its volume";
    ASSERT_TRUE(waves[scExBomb]->Play(0, 400));
    EXPECT_EQ(volumesOf(soundingEffects()), (std::vector<LONG>{(64 - 256) * 24, 0}));
}

TEST_F(SoundDialog, ChoosingADeviceMovesAnActiveEngineAndItsEffects) {
    form->MenuMusicClick(form);
    ASSERT_EQ(stream().device, "");
    const int before = switches;
    choose(form->DSoundDevCombo, 2);
    EXPECT_EQ(switches, before + 2) << "off and on again";
    EXPECT_TRUE(player->Active());
    EXPECT_EQ(stream().device, "hw:1");
    form->TestButtonClick(form->TestButton);
    ASSERT_EQ(soundingEffects().size(), 1u);
    EXPECT_EQ(soundingEffects()[0].device, "hw:1");
    choose(form->DSoundDevCombo, 0);
    EXPECT_EQ(stream().device, "") << "the first item is the default device";
    choose(form->DSoundDevCombo, 0);
    EXPECT_EQ(switches, before + 4) << "the same device changes nothing";
}

TEST_F(SoundDialog, ChoosingADeviceLeavesAnEngineThatIsOffOff) {
    form->MenuMusic->SetChecked(false);
    form->MenuSFX->SetChecked(false);
    const int before = switches;
    choose(form->DSoundDevCombo, 1);
    EXPECT_FALSE(player->Active());
    EXPECT_EQ(switches, before);
    ASSERT_TRUE(player->Device().has_value());
    EXPECT_EQ(*player->Device(), *form->DSoundDevCombo->GetDefDriver());
    form->MenuSFX->SetChecked(true);
    EXPECT_TRUE(audio.backend().OutputOpen("hw:0"));
}

TEST_F(SoundDialog, SwitchMirrorsAreSafeToReadFromAnotherThread) {
    // The frame thread's side: reads the mirror under the game lock, as the rules do.
    std::atomic<bool> done{false};
    std::atomic<int> offSeen{0};
    std::thread frame([&] {
        while (!done.load()) {
            std::lock_guard lock(game.GameLock());
            offSeen += game.Options.SFXEnabled ? 0 : 1;
        }
    });
    for (int i = 0; i < 200; ++i)
        form->MenuSFX->SetChecked(i % 2 == 1);
    done = true;
    frame.join();
    EXPECT_TRUE(effectsMirror());
}
