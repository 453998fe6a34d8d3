#include "game/SndSet.h"
#include "game/FormLayout.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "sound/DevCmbDS.h"
#include "sound/Plug_MP3.h"

#include <algorithm>
#include <initializer_list>
#include <mutex>

TSndSetForm* SndSetForm = nullptr;

namespace {

TComboBox* dropDownList(TComponent* owner, TWinControl* parent, int top,
                        std::initializer_list<const char*> items) {
    // Wide enough for "22050 Hz" beside the drop-down arrow at our fonts' metrics.
    auto* box = place<TComboBox>(owner, parent, 6, top, 88, 21);
    box->SetStyle(csDropDownList);
    for (const char* item : items)
        box->Items()->Add(item);
    return box;
}

TLabel* label(TComponent* owner, TWinControl* parent, int left, int top, const char* caption) {
    auto* text = place<TLabel>(owner, parent, left, top, 20, 13);
    text->SetCaption(caption);
    return text;
}

// The box's choice; with nothing chosen, the fallback, which the box then shows.
int chosenIndex(TComboBox* box, int fallback) {
    int index = box->ItemIndex();
    if (index < 0) {
        index = fallback;
        box->SetItemIndex(index);
    }
    return index;
}

} // namespace

TSndSetForm::TSndSetForm(TComponent* Owner) : TForm(Owner) {
    SetName("SndSetForm");
    SetCaption("Sound Settings");
    SetBorderStyle(bsDialog);
    SetClientWidth(366);
    SetClientHeight(215);
    SetPosition(poScreenCenter);

    Panel2 = place<TPanel>(this, this, 0, 181, 366, 34);
    Panel2->SetAlign(alBottom);
    SndSetCloseButton = place<TButton>(this, Panel2, 145, 5, 75, 25);
    SndSetCloseButton->SetCaption("&Ok");
    SndSetCloseButton->SetDefault(true);
    SndSetCloseButton->SetCancel(true);
    SndSetCloseButton->SetModalResult(mrOk);

    createSfxSide();
    createMusicSide();
    bindHandlers();
}

void TSndSetForm::createSfxSide() {
    Panel3 = place<TPanel>(this, this, 0, 0, 185, 181);
    Panel3->SetAlign(alLeft);
    Panel3->SetBevelOuter(bvNone);
    GroupBox3 = place<TGroupBox>(this, Panel3, 0, 136, 185, 45);
    GroupBox3->SetAlign(alBottom);
    GroupBox3->SetCaption("Device");
    DSoundDevCombo = place<TDSoundDevCombo>(this, GroupBox3, 8, 16, 169, 21);

    GroupBox1 = place<TGroupBox>(this, Panel3, 0, 0, 185, 136);
    GroupBox1->SetAlign(alClient);
    GroupBox1->SetCaption("SFX");
    MenuSFX = place<TCheckBox>(this, GroupBox1, 8, 18, 97, 17);
    MenuSFX->SetCaption("Enabled");
    MenuSFX->SetChecked(true);
    VolumeSFX = place<TTrackBar>(this, GroupBox1, 4, 38, 177, 33);
    VolumeSFX->SetMax(256);
    VolumeSFX->SetPosition(192);
    VolumeSFX->SetPageSize(16);
    VolumeSFX->SetFrequency(16);
    VolumeSFX->SetTickMarks(tmBoth);
    Label1 = label(this, GroupBox1, 10, 72, "Min");
    Label3 = label(this, GroupBox1, 155, 72, "Max");
    TestButton = place<TButton>(this, GroupBox1, 55, 98, 75, 25);
    TestButton->SetCaption("&Test");
}

void TSndSetForm::createMusicSide() {
    GroupBox2 = place<TGroupBox>(this, this, 185, 0, 181, 181);
    GroupBox2->SetAlign(alClient);
    GroupBox2->SetCaption("Music");
    MenuMusic = place<TCheckBox>(this, GroupBox2, 8, 18, 97, 17);
    MenuMusic->SetCaption("Enabled");
    MenuMusic->SetChecked(true);
    VolumeMusic = place<TTrackBar>(this, GroupBox2, 4, 36, 173, 33);
    VolumeMusic->SetMin(-5000);
    VolumeMusic->SetMax(0);
    VolumeMusic->SetPosition(0);
    VolumeMusic->SetPageSize(16);
    VolumeMusic->SetFrequency(16);
    Label2 = label(this, GroupBox2, 10, 66, "Min");
    Label4 = label(this, GroupBox2, 151, 66, "Max");

    Panel1 = place<TPanel>(this, GroupBox2, 2, 82, 177, 97);
    Panel1->SetAlign(alBottom);
    Panel1->SetBevelOuter(bvNone);
    GroupBox5 = place<TGroupBox>(this, Panel1, 0, 0, 100, 97);
    GroupBox5->SetCaption("Output");
    FreqBox = dropDownList(this, GroupBox5, 16, {"8000 Hz", "11025 Hz", "22050 Hz", "44100 Hz", "48000 Hz"});
    BitBox = dropDownList(this, GroupBox5, 42, {"8 bit", "16 bit"});
    ChanBox = dropDownList(this, GroupBox5, 68, {"mono", "stereo"});
    GroupBox4 = place<TGroupBox>(this, Panel1, 102, 0, 75, 97);
    GroupBox4->SetCaption("MPEG Quality");
    MP3Full = place<TRadioButton>(this, GroupBox4, 6, 18, 66, 17);
    MP3Full->SetCaption("Full");
    MP3Full->SetChecked(true);
    MP3Half = place<TRadioButton>(this, GroupBox4, 6, 42, 66, 17);
    MP3Half->SetCaption("Half");
    MP3Quarter = place<TRadioButton>(this, GroupBox4, 6, 66, 66, 17);
    MP3Quarter->SetCaption("Quarter");
}

void TSndSetForm::bindHandlers() {
    MenuSFX->OnClick = [this](TObject* s) { MenuMusicClick(s); };
    MenuMusic->OnClick = [this](TObject* s) { MenuMusicClick(s); };
    VolumeSFX->OnChange = [this](TObject* s) { VolumeSFXChange(s); };
    VolumeMusic->OnChange = [this](TObject* s) { VolumeMusicChange(s); };
    TestButton->OnClick = [this](TObject* s) { TestButtonClick(s); };
    DSoundDevCombo->OnChange = [this](TObject* s) { DSoundDevComboChange(s); };
    FreqBox->OnChange = [this](TObject* s) { FreqBoxChange(s); };
    BitBox->OnChange = [this](TObject* s) { BitBoxChange(s); };
    ChanBox->OnChange = [this](TObject* s) { ChanBoxChange(s); };
    MP3Full->OnClick = [this](TObject* s) { MP3FullClick(s); };
    MP3Half->OnClick = [this](TObject* s) { MP3HalfClick(s); };
    MP3Quarter->OnClick = [this](TObject* s) { MP3QuarterClick(s); };
    OnCreate = [this](TObject* s) { FormCreate(s); };
    OnShow = [this](TObject* s) { FormShow(s); };
}

void TSndSetForm::Connect(const TSndSetTargets& targets) {
    targets_ = targets;
    publishSwitches();
}

void TSndSetForm::publishSwitches() {
    if (!targets_.Game) return;
    std::lock_guard lock(targets_.Game->GameLock());
    targets_.Game->Options.MusicEnabled = MenuMusic->Checked();
    targets_.Game->Options.SFXEnabled = MenuSFX->Checked();
}

void TSndSetForm::FormCreate(TObject*) {
    FreqBox->SetItemIndex(2);
    BitBox->SetItemIndex(1);
    ChanBox->SetItemIndex(1);
}

void TSndSetForm::FormShow(TObject*) {
    SetLeft((Screen->Width() - Width()) / 2);
    SetTop((Screen->Height() - Height()) / 2);
}

void TSndSetForm::ChanBoxChange(TObject*) {
    int index = chosenIndex(ChanBox, 1);
    if (targets_.Player) targets_.Player->SetChannels(static_cast<unsigned short>(index + 1));
}

void TSndSetForm::BitBoxChange(TObject*) {
    int index = chosenIndex(BitBox, 1);
    if (targets_.Player) targets_.Player->SetBitsPerSample(static_cast<unsigned short>((index + 1) * 8));
}

void TSndSetForm::FreqBoxChange(TObject*) {
    int index = chosenIndex(FreqBox, 3);
    if (targets_.Player)
        targets_.Player->SetSamplesPerSec(
            static_cast<unsigned long>(SampleRates[static_cast<std::size_t>(index)]));
}

void TSndSetForm::VolumeMusicChange(TObject*) {
    if (targets_.Player) targets_.Player->SetVolume(VolumeMusic->Position());
}

void TSndSetForm::VolumeSFXChange(TObject*) {
    // Each effect reads its volume when it next plays; those sounding now stay as they are.
    for (TDSWave* wave : targets_.Waves)
        if (wave) wave->SetVolume(VolumeSFX->Position());
}

void TSndSetForm::TestButtonClick(TObject*) {
    if (TDSWave* cool = targets_.Waves[scCool]) cool->Play(0, 0);
}

void TSndSetForm::MP3FullClick(TObject*) {
    if (targets_.Mp3) targets_.Mp3->SetQuality(smqFull);
}

void TSndSetForm::MP3HalfClick(TObject*) {
    if (targets_.Mp3) targets_.Mp3->SetQuality(smqHalf);
}

void TSndSetForm::MP3QuarterClick(TObject*) {
    if (targets_.Mp3) targets_.Mp3->SetQuality(smqQuarter);
}

void TSndSetForm::DSoundDevComboChange(TObject*) {
    if (targets_.Player) targets_.Player->SetpID(DSoundDevCombo->GetDefDriver());
}

void TSndSetForm::MenuMusicClick(TObject* Sender) {
    // The mirrors first: the music choice reads whether music is on from them.
    publishSwitches();
    // The effects box leaves the music alone; only the music box (or the main form)
    // stops it or picks a new track.
    if (Sender != MenuSFX) {
        if (!MenuMusic->Checked()) {
            if (targets_.Player) targets_.Player->SetFileName("");
        } else if (targets_.PlayRandomTrack) {
            targets_.PlayRandomTrack();
        }
    }
    // Music off with effects on keeps the engine active without a file: the effects play
    // through its DirectSound object.
    if (targets_.Player) targets_.Player->SetActive(MenuSFX->Checked() || MenuMusic->Checked());
    TestButton->SetEnabled(MenuSFX->Checked());
}

void TSndSetForm::showFormat(unsigned long samplesPerSec, int bitsPerSample, int channels) {
    FreqBox->SetItemIndex(FreqIndexOf(static_cast<int>(samplesPerSec)));
    BitBox->SetItemIndex(bitsPerSample / 8 - 1);
    ChanBox->SetItemIndex(channels - 1);
}

void TSndSetForm::LoadSettings(const TGameSettings& s) {
    MenuMusic->SetChecked(s.MusicEnabled);
    MenuSFX->SetChecked(s.SFXEnabled);
    VolumeSFX->SetPosition(s.SFXVolume);
    VolumeSFXChange(VolumeSFX);
    bool listed = s.Driver >= 0 && s.Driver < DSoundDevCombo->Items()->Count();
    DSoundDevCombo->SetItemIndex(listed ? s.Driver : 0);
    VolumeMusic->SetPosition(s.MusicVolume);
    TDSPlay* player = targets_.Player;
    if (player) {
        player->SetpID(DSoundDevCombo->GetDefDriver());
        player->SetVolume(VolumeMusic->Position());
        player->SetSamplesPerSec(static_cast<unsigned long>(s.SamplesPerSec));
        player->SetBitsPerSample(static_cast<unsigned short>(s.BitsPerSample));
        player->SetChannels(static_cast<unsigned short>(s.Channels));
        showFormat(player->SamplesPerSec(), player->BitsPerSample(), player->Channels());
    } else {
        showFormat(static_cast<unsigned long>(s.SamplesPerSec), s.BitsPerSample, s.Channels);
    }
    MP3Half->SetChecked(s.MP3Half);
    MP3Quarter->SetChecked(s.MP3Quarter);
    if (MP3Half->Checked()) MP3HalfClick(MP3Half);
    if (MP3Quarter->Checked()) MP3QuarterClick(MP3Quarter);
}

void TSndSetForm::SaveSettings(TGameSettings& s) const {
    s.MusicEnabled = MenuMusic->Checked();
    s.SFXEnabled = MenuSFX->Checked();
    s.SFXVolume = VolumeSFX->Position();
    s.Driver = std::max(DSoundDevCombo->ItemIndex(), 0);
    s.MP3Half = MP3Half->Checked();
    s.MP3Quarter = MP3Quarter->Checked();
    if (TDSPlay* player = targets_.Player) {
        s.MusicVolume = player->Volume();
        s.SamplesPerSec = static_cast<int>(player->SamplesPerSec());
        s.BitsPerSample = player->BitsPerSample();
        s.Channels = player->Channels();
    } else {
        s.MusicVolume = VolumeMusic->Position();
    }
}
