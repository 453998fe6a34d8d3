#include "game/SndSet.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "sound/DevCmbDS.h"
#include "sound/Plug_MP3.h"

#include <gtest/gtest.h>

namespace {

struct SndSetTest : ::testing::Test {
    TComponent owner{nullptr};
    TDSPlay* player = nullptr;
    TSndMP3* mp3 = nullptr;
    TSndSetForm* form = nullptr;
    int tracks = 0;
    void SetUp() override {
        mp3 = new TSndMP3(&owner);
        player = new TDSPlay(&owner);
        owner.LoadTree();
        form = new TSndSetForm(nullptr);
        form->LoadTree();
        form->DoCreate();
        form->Player = player;
        form->Mp3 = mp3;
        for (std::size_t i = 0; i < form->Waves.size(); ++i)
            form->Waves[i] = new TDSWave(&owner);
        form->PlayRandomTrack = [this] { ++tracks; };
    }
    void TearDown() override {
        delete form;
        player->SetActive(false);
    }
};

} // namespace

TEST_F(SndSetTest, CreationChoosesTwentyTwoKilohertzSixteenBitStereo) {
    EXPECT_EQ(form->FreqBox->ItemIndex(), 2);
    EXPECT_EQ(form->BitBox->ItemIndex(), 1);
    EXPECT_EQ(form->ChanBox->ItemIndex(), 1);
    EXPECT_EQ(form->Caption(), "Sound Settings");
}

TEST_F(SndSetTest, MusicOffKeepsTheEngineForEffectsAndBothOffSwitchItOff) {
    form->MenuMusic->SetChecked(false);
    EXPECT_EQ(player->FileName(), "");
    EXPECT_TRUE(form->TestButton->Enabled());
    EXPECT_EQ(tracks, 0);
    form->MenuSFX->SetChecked(false);
    EXPECT_FALSE(player->Active());
    EXPECT_FALSE(form->TestButton->Enabled());
    form->MenuMusic->SetChecked(true);
    EXPECT_EQ(tracks, 1); // checking music again picks a new track
}

TEST_F(SndSetTest, FormatBoxesSetTheEngineAndNothingChosenFallsBack) {
    form->FreqBox->SetItemIndex(-1);
    form->FreqBoxChange(nullptr);
    EXPECT_EQ(form->FreqBox->ItemIndex(), 3);
    EXPECT_EQ(player->SamplesPerSec(), 44100u);
    form->BitBox->SetItemIndex(0);
    form->BitBoxChange(nullptr);
    EXPECT_EQ(player->BitsPerSample(), 8);
    form->ChanBox->SetItemIndex(-1);
    form->ChanBoxChange(nullptr);
    EXPECT_EQ(player->Channels(), 2);
}

TEST_F(SndSetTest, SlidersAndQualityReachEngineEffectsAndDecoder) {
    form->VolumeSFX->SetPosition(64);
    for (TDSWave* wave : form->Waves)
        EXPECT_EQ(wave->Volume(), 64);
    form->VolumeMusic->SetPosition(-1200);
    EXPECT_EQ(player->Volume(), -1200);
    form->MP3Quarter->SetChecked(true);
    EXPECT_EQ(mp3->Quality(), smqQuarter);
    form->MP3Half->SetChecked(true);
    EXPECT_EQ(mp3->Quality(), smqHalf);
}

TEST_F(SndSetTest, SettingsGoInAndComeBackOut) {
    TGameSettings in;
    in.MusicVolume = -5000;
    in.SFXVolume = 100;
    in.SamplesPerSec = 11025;
    in.BitsPerSample = 16;
    in.Channels = 1;
    in.MP3Quarter = true;
    form->LoadSettings(in);
    EXPECT_EQ(form->FreqBox->ItemIndex(), 1);
    EXPECT_EQ(form->BitBox->ItemIndex(), 1);
    EXPECT_EQ(form->ChanBox->ItemIndex(), 0);
    EXPECT_EQ(mp3->Quality(), smqQuarter);
    EXPECT_EQ(form->Waves[0]->Volume(), 100);
    TGameSettings out;
    form->SaveSettings(out);
    EXPECT_EQ(out.MusicVolume, -5000);
    EXPECT_EQ(out.SFXVolume, 100);
    EXPECT_EQ(out.SamplesPerSec, 11025);
    EXPECT_EQ(out.Channels, 1);
    EXPECT_TRUE(out.MP3Quarter);
    EXPECT_FALSE(out.MP3Half);
    EXPECT_EQ(out.Driver, 0);
}
