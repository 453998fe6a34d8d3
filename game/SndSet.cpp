#include "game/SndSet.h"
#include "game/Settings.h"
#include "sound/DSPlay.h"
#include "sound/DSWave.h"
#include "sound/DevCmbDS.h"
#include "sound/Plug_MP3.h"

TSndSetForm* SndSetForm = nullptr;

namespace {

template <class T>
T* place(TComponent* owner, TWinControl* parent, int left, int top, int width, int height) {
    T* control = new T(owner);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
}

TComboBox* dropDown(TComponent* owner, TWinControl* parent, int top, std::initializer_list<const char*> items) {
    auto* box = place<TComboBox>(owner, parent, 8, top, 72, 21);
    box->SetStyle(csDropDownList);
    for (const char* item : items)
        box->Items()->Add(item);
    return box;
}

// A negative index (nothing chosen) becomes the given one, which the box then shows.
int chosen(TComboBox* box, int fallback) {
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
    SndSetCloseButton = place<TButton>(this, Panel2, 145, 4, 75, 25);
    SndSetCloseButton->SetCaption("&Ok");
    SndSetCloseButton->SetDefault(true);
    SndSetCloseButton->SetCancel(true);
    SndSetCloseButton->SetModalResult(mrOk);

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
    VolumeSFX = place<TTrackBar>(this, GroupBox1, 4, 40, 177, 33);
    VolumeSFX->SetMax(256);
    VolumeSFX->SetPosition(192);
    VolumeSFX->SetPageSize(16);
    VolumeSFX->SetFrequency(16);
    VolumeSFX->SetTickMarks(tmBoth);
    Label1 = place<TLabel>(this, GroupBox1, 10, 74, 20, 13);
    Label1->SetCaption("Min");
    Label3 = place<TLabel>(this, GroupBox1, 156, 74, 20, 13);
    Label3->SetCaption("Max");
    TestButton = place<TButton>(this, GroupBox1, 55, 98, 75, 25);
    TestButton->SetCaption("&Test");

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
    Label2 = place<TLabel>(this, GroupBox2, 10, 66, 20, 13);
    Label2->SetCaption("Min");
    Label4 = place<TLabel>(this, GroupBox2, 152, 66, 20, 13);
    Label4->SetCaption("Max");
    Panel1 = place<TPanel>(this, GroupBox2, 2, 82, 177, 97);
    Panel1->SetAlign(alBottom);
    Panel1->SetBevelOuter(bvNone);
    GroupBox5 = place<TGroupBox>(this, Panel1, 0, 0, 88, 97);
    GroupBox5->SetCaption("Output");
    FreqBox = dropDown(this, GroupBox5, 16, {"8000 Hz", "11025 Hz", "22050 Hz", "44100 Hz", "48000 Hz"});
    BitBox = dropDown(this, GroupBox5, 42, {"8 bit", "16 bit"});
    ChanBox = dropDown(this, GroupBox5, 68, {"mono", "stereo"});
    GroupBox4 = place<TGroupBox>(this, Panel1, 90, 0, 87, 97);
    GroupBox4->SetCaption("MPEG Quality");
    MP3Full = place<TRadioButton>(this, GroupBox4, 8, 18, 70, 17);
    MP3Full->SetCaption("Full");
    MP3Full->SetChecked(true);
    MP3Half = place<TRadioButton>(this, GroupBox4, 8, 42, 70, 17);
    MP3Half->SetCaption("Half");
    MP3Quarter = place<TRadioButton>(this, GroupBox4, 8, 66, 70, 17);
    MP3Quarter->SetCaption("Quarter");

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
    int index = chosen(ChanBox, 1);
    if (Player)
        Player->SetChannels(static_cast<unsigned short>(index + 1));
}

void TSndSetForm::BitBoxChange(TObject*) {
    int index = chosen(BitBox, 1);
    if (Player)
        Player->SetBitsPerSample(static_cast<unsigned short>((index + 1) * 8));
}

void TSndSetForm::FreqBoxChange(TObject*) {
    int index = chosen(FreqBox, 3);
    if (Player)
        Player->SetSamplesPerSec(static_cast<unsigned long>(SampleRates[static_cast<std::size_t>(index)]));
}

void TSndSetForm::VolumeMusicChange(TObject*) {
    if (Player)
        Player->SetVolume(VolumeMusic->Position());
}

void TSndSetForm::VolumeSFXChange(TObject*) {
    for (TDSWave* wave : Waves)
        if (wave)
            wave->SetVolume(VolumeSFX->Position());
}

void TSndSetForm::TestButtonClick(TObject*) {
    if (Waves[1])
        Waves[1]->Play(0, 0);
}

void TSndSetForm::MP3FullClick(TObject*) {
    if (Mp3)
        Mp3->SetQuality(smqFull);
}

void TSndSetForm::MP3HalfClick(TObject*) {
    if (Mp3)
        Mp3->SetQuality(smqHalf);
}

void TSndSetForm::MP3QuarterClick(TObject*) {
    if (Mp3)
        Mp3->SetQuality(smqQuarter);
}

void TSndSetForm::DSoundDevComboChange(TObject*) {
    if (Player)
        Player->SetpID(DSoundDevCombo->GetDefDriver());
}

void TSndSetForm::MenuMusicClick(TObject*) {
    if (OnSwitchesChanged)
        OnSwitchesChanged(this);
    if (Player) {
        if (!MenuMusic->Checked())
            Player->SetFileName("");
        else if (PlayRandomTrack)
            PlayRandomTrack();
        Player->SetActive(MenuSFX->Checked() || MenuMusic->Checked());
    }
    TestButton->SetEnabled(MenuSFX->Checked());
}

void TSndSetForm::LoadSettings(const TGameSettings& s) {
    MenuMusic->SetChecked(s.MusicEnabled);
    MenuSFX->SetChecked(s.SFXEnabled);
    VolumeSFX->SetPosition(s.SFXVolume);
    VolumeSFXChange(this);
    DSoundDevCombo->SetItemIndex(s.Driver < DSoundDevCombo->Items()->Count() ? s.Driver : -1);
    VolumeMusic->SetPosition(s.MusicVolume);
    if (Player) {
        Player->SetpID(DSoundDevCombo->GetDefDriver());
        Player->SetVolume(s.MusicVolume);
        Player->SetSamplesPerSec(static_cast<unsigned long>(s.SamplesPerSec));
        Player->SetBitsPerSample(static_cast<unsigned short>(s.BitsPerSample));
        Player->SetChannels(static_cast<unsigned short>(s.Channels));
    }
    FreqBox->SetItemIndex(FreqIndexOf(s.SamplesPerSec));
    BitBox->SetItemIndex(s.BitsPerSample / 8 - 1);
    ChanBox->SetItemIndex(s.Channels - 1);
    MP3Half->SetChecked(s.MP3Half);
    MP3Quarter->SetChecked(s.MP3Quarter);
    if (MP3Half->Checked())
        MP3HalfClick(this);
    if (MP3Quarter->Checked())
        MP3QuarterClick(this);
}

void TSndSetForm::SaveSettings(TGameSettings& s) const {
    s.MusicEnabled = MenuMusic->Checked();
    s.SFXEnabled = MenuSFX->Checked();
    s.MusicVolume = Player ? Player->Volume() : VolumeMusic->Position();
    s.SFXVolume = VolumeSFX->Position();
    s.Driver = DSoundDevCombo->ItemIndex();
    if (Player) {
        s.SamplesPerSec = static_cast<int>(Player->SamplesPerSec());
        s.BitsPerSample = Player->BitsPerSample();
        s.Channels = Player->Channels();
    }
    s.MP3Half = MP3Half->Checked();
    s.MP3Quarter = MP3Quarter->Checked();
}
