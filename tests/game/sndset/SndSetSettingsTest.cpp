#include "SndSetFixture.h"
#include "platform/files/IniFiles.h"

#include <cstdio>
#include <fstream>

using sndset_test::SndSetFixture;

namespace {

class SoundSettings : public SndSetFixture {
protected:
    // Reads a settings file of the given text into the dialog, as the first show does.
    void load(const std::string& text) {
        const std::string path = std::string(VX_TEST_TMP) + "/sndset-in.ini";
        std::ofstream(path, std::ios::binary) << text;
        TIniFile ini(path);
        ReadSettings(ini, read, false);
        form->LoadSettings(read);
    }
    // The dialog's values written to a fresh settings file, as the close does, and read back.
    TIniFile& save() {
        const std::string path = std::string(VX_TEST_TMP) + "/sndset-out.ini";
        std::remove(path.c_str());
        form->SaveSettings(saved);
        out = std::make_unique<TIniFile>(path);
        WriteSettings(*out, saved);
        out = std::make_unique<TIniFile>(path);
        return *out;
    }
    int savedValue(int TGameSettings::*field) {
        form->SaveSettings(saved);
        return saved.*field;
    }

    TGameSettings read;
    TGameSettings saved;
    std::unique_ptr<TIniFile> out;
};

} // namespace

TEST_F(SoundSettings, AMissingFileGivesEveryKeysDefault) {
    load("");
    EXPECT_TRUE(form->MenuMusic->Checked());
    EXPECT_TRUE(form->MenuSFX->Checked());
    EXPECT_EQ(form->VolumeSFX->Position(), 192);
    for (TDSWave* wave : waves)
        EXPECT_EQ(wave->Volume(), 192);
    EXPECT_EQ(form->DSoundDevCombo->ItemIndex(), 0);
    EXPECT_FALSE(player->Device().has_value());
    EXPECT_EQ(player->Volume(), 0) << "128 lies above the slider's range: full volume";
    EXPECT_EQ(player->SamplesPerSec(), 22050u);
    EXPECT_EQ(player->BitsPerSample(), 8);
    EXPECT_EQ(player->Channels(), 2);
    EXPECT_EQ(form->FreqBox->ItemIndex(), 2);
    EXPECT_EQ(form->BitBox->ItemIndex(), 0);
    EXPECT_EQ(form->ChanBox->ItemIndex(), 1);
    EXPECT_EQ(mp3->Quality(), smqFull);
    TIniFile& ini = save();
    EXPECT_TRUE(ini.ReadBool("Sound", "MusicEnabled", false));
    EXPECT_TRUE(ini.ReadBool("Sound", "SFXEnabled", false));
    EXPECT_EQ(ini.ReadInteger("Sound", "MusicVolume", 1), 0);
    EXPECT_EQ(ini.ReadInteger("Sound", "SFXVolume", 0), 192);
    EXPECT_EQ(ini.ReadInteger("Sound", "Driver", 1), 0);
    EXPECT_EQ(ini.ReadInteger("Sound", "SamplesPerSec", 0), 22050);
    EXPECT_EQ(ini.ReadInteger("Sound", "BitsPerSample", 0), 8);
    EXPECT_EQ(ini.ReadInteger("Sound", "Channels", 0), 2);
    EXPECT_FALSE(ini.ReadBool("Sound", "MP3_Half", true));
    EXPECT_FALSE(ini.ReadBool("Sound", "MP3_Quarter", true));
    EXPECT_TRUE(messages.Records().empty());
}

TEST_F(SoundSettings, StoredValuesReachTheEngineTheEffectsAndTheControlsAndGoBackOut) {
    load("[Sound]\nSFXVolume=100\nDriver=2\nMusicVolume=-2500\nSamplesPerSec=48000\n"
         "BitsPerSample=16\nChannels=1\nMP3_Half=1\n");
    for (TDSWave* wave : waves)
        EXPECT_EQ(wave->Volume(), 100);
    ASSERT_TRUE(player->Device().has_value());
    EXPECT_EQ(*player->Device(), DeviceGuid("hw:1", false));
    EXPECT_EQ(player->Volume(), -2500);
    EXPECT_EQ(form->VolumeMusic->Position(), -2500);
    EXPECT_EQ(player->SamplesPerSec(), 48000u);
    EXPECT_EQ(player->Channels(), 1);
    EXPECT_EQ(form->FreqBox->ItemIndex(), 4);
    EXPECT_EQ(form->BitBox->ItemIndex(), 1);
    EXPECT_EQ(form->ChanBox->ItemIndex(), 0);
    EXPECT_EQ(mp3->Quality(), smqHalf);
    EXPECT_TRUE(form->MP3Half->Checked());
    EXPECT_EQ(picks, 0) << "nothing was switched, so no music was chosen";
    TIniFile& ini = save();
    EXPECT_EQ(ini.ReadInteger("Sound", "SFXVolume", 0), 100);
    EXPECT_EQ(ini.ReadInteger("Sound", "Driver", 0), 2);
    EXPECT_EQ(ini.ReadInteger("Sound", "MusicVolume", 0), -2500);
    EXPECT_EQ(ini.ReadInteger("Sound", "SamplesPerSec", 0), 48000);
    EXPECT_EQ(ini.ReadInteger("Sound", "BitsPerSample", 0), 16);
    EXPECT_EQ(ini.ReadInteger("Sound", "Channels", 0), 1);
    EXPECT_TRUE(ini.ReadBool("Sound", "MP3_Half", false));
    EXPECT_FALSE(ini.ReadBool("Sound", "MP3_Quarter", true));
}

TEST_F(SoundSettings, ValuesTheProgramCannotUseFallBackToTheKeysDefault) {
    const struct {
        const char* line;
        int TGameSettings::*field;
        int written;
    } table[] = {
        {"Channels=0", &TGameSettings::Channels, 2},
        {"Channels=6", &TGameSettings::Channels, 2},
        {"BitsPerSample=0", &TGameSettings::BitsPerSample, 8},
        {"BitsPerSample=12", &TGameSettings::BitsPerSample, 8},
        {"SamplesPerSec=0", &TGameSettings::SamplesPerSec, 22050},
        {"SamplesPerSec=2000000000", &TGameSettings::SamplesPerSec, 22050},
        {"SamplesPerSec=-44100", &TGameSettings::SamplesPerSec, 22050},
        {"SamplesPerSec=fast", &TGameSettings::SamplesPerSec, 22050},
        {"Driver=7", &TGameSettings::Driver, 0},
        {"Driver=-1", &TGameSettings::Driver, 0},
        {"MusicVolume=128", &TGameSettings::MusicVolume, 0},
        {"MusicVolume=-7000", &TGameSettings::MusicVolume, -5000},
        {"SFXVolume=300", &TGameSettings::SFXVolume, 256},
        {"SFXVolume=-4", &TGameSettings::SFXVolume, 0},
    };
    for (const auto& row : table) {
        makeForm();
        load(std::string("[Sound]\n") + row.line + "\n");
        EXPECT_EQ(savedValue(row.field), row.written) << row.line;
    }
    EXPECT_EQ(player->Channels(), 2);
    EXPECT_EQ(player->BitsPerSample(), 8);
    EXPECT_EQ(player->SamplesPerSec(), 22050u);
    EXPECT_FALSE(player->Device().has_value()) << "a device off the list is the default device";
    EXPECT_TRUE(messages.Records().empty());
}

TEST_F(SoundSettings, ARateBelowTheListShowsNoChoiceButIsKept) {
    load("[Sound]\nSamplesPerSec=5000\n");
    EXPECT_EQ(form->FreqBox->ItemIndex(), -1);
    EXPECT_EQ(player->SamplesPerSec(), 5000u);
    EXPECT_EQ(savedValue(&TGameSettings::SamplesPerSec), 5000);
}

TEST_F(SoundSettings, QualityKeysCheckTheirButtonAndSetTheDecoder) {
    const struct {
        const char* lines;
        TSndMP3Quality quality;
        TRadioButton* TSndSetForm::*checked;
    } table[] = {
        {"", smqFull, &TSndSetForm::MP3Full},
        {"MP3_Half=1\n", smqHalf, &TSndSetForm::MP3Half},
        {"MP3_Quarter=1\n", smqQuarter, &TSndSetForm::MP3Quarter},
        {"MP3_Half=1\nMP3_Quarter=1\n", smqQuarter, &TSndSetForm::MP3Quarter},
    };
    for (const auto& row : table) {
        makeForm();
        mp3->SetQuality(smqFull);
        load(std::string("[Sound]\n") + row.lines);
        EXPECT_EQ(mp3->Quality(), row.quality) << row.lines;
        EXPECT_TRUE((form->*row.checked)->Checked()) << row.lines;
        form->SaveSettings(saved);
        EXPECT_EQ(saved.MP3Half, row.checked == &TSndSetForm::MP3Half) << row.lines;
        EXPECT_EQ(saved.MP3Quarter, row.checked == &TSndSetForm::MP3Quarter) << row.lines;
    }
}

TEST_F(SoundSettings, MusicDisabledInTheFileStopsTheMusicBeforeTheDeviceIsRead) {
    load("[Sound]\nMusicEnabled=0\n");
    EXPECT_FALSE(musicMirror());
    EXPECT_EQ(player->FileName(), "");
    EXPECT_TRUE(player->Active()) << "kept on for the effects";
    EXPECT_TRUE(form->TestButton->Enabled());
    EXPECT_EQ(picks, 0);
    EXPECT_FALSE(save().ReadBool("Sound", "MusicEnabled", true));
}

TEST_F(SoundSettings, BothDisabledLeaveTheEngineOff) {
    load("[Sound]\nMusicEnabled=0\nSFXEnabled=0\n");
    EXPECT_FALSE(player->Active());
    EXPECT_FALSE(form->TestButton->Enabled());
    EXPECT_FALSE(effectsMirror());
    EXPECT_FALSE(save().ReadBool("Sound", "SFXEnabled", true));
}

TEST_F(SoundSettings, EffectsDisabledAloneKeepTheTitleMusic) {
    load("[Sound]\nSFXEnabled=0\n");
    EXPECT_EQ(player->FileName(), "ramp-title");
    EXPECT_EQ(picks, 0);
    EXPECT_FALSE(effectsMirror());
    EXPECT_FALSE(form->TestButton->Enabled());
}

TEST_F(SoundSettings, ADeviceNoLongerListedShowsAndUsesTheDefaultDevice) {
    choose(form->DSoundDevCombo, 2);
    load("[Sound]\nDriver=3\n");
    EXPECT_EQ(form->DSoundDevCombo->ItemIndex(), 0);
    EXPECT_FALSE(player->Device().has_value());
}
