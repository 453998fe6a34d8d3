#pragma once
// The sound settings: music and sound effects on and off, their volumes, the device, the
// music's output format and the MPEG decoding quality. Every control acts at once on the
// main form's music engine, its MP3 plug-in and its sound effects.
#include "game/Settings.h"
#include "platform/framework/ComCtrls.h"
#include "platform/framework/ExtCtrls.h"
#include "platform/framework/Forms.h"
#include "platform/framework/StdCtrls.h"

#include <array>
#include <functional>

class TDSPlay;
class TDSWave;
class TSndMP3;
class TDSoundDevCombo;

class TSndSetForm : public TForm {
    VX_CLASS(TSndSetForm, TForm)
public:
    explicit TSndSetForm(TComponent* Owner);

    TPanel* Panel3;
    TGroupBox* GroupBox1;
    TCheckBox* MenuSFX;
    TLabel *Label1, *Label3;
    TTrackBar* VolumeSFX;
    TButton* TestButton;
    TGroupBox* GroupBox3;
    TDSoundDevCombo* DSoundDevCombo;
    TGroupBox* GroupBox2;
    TCheckBox* MenuMusic;
    TLabel *Label2, *Label4;
    TTrackBar* VolumeMusic;
    TPanel* Panel1;
    TGroupBox* GroupBox5;
    TComboBox *FreqBox, *BitBox, *ChanBox;
    TGroupBox* GroupBox4;
    TRadioButton *MP3Full, *MP3Half, *MP3Quarter;
    TPanel* Panel2;
    TButton* SndSetCloseButton;

    // What the dialog acts on, handed over by the main form.
    TDSPlay* Player = nullptr;
    TSndMP3* Mp3 = nullptr;
    std::array<TDSWave*, 11> Waves{};
    // The main form's music choice for a new track.
    std::function<void()> PlayRandomTrack;
    // Runs after the enabled switches changed (the game's mirrors follow them).
    TNotifyEvent OnSwitchesChanged;

    void FormCreate(TObject* Sender);
    void FormShow(TObject* Sender);
    void ChanBoxChange(TObject* Sender);
    void BitBoxChange(TObject* Sender);
    void FreqBoxChange(TObject* Sender);
    void VolumeMusicChange(TObject* Sender);
    void VolumeSFXChange(TObject* Sender);
    void TestButtonClick(TObject* Sender);
    void MP3FullClick(TObject* Sender);
    void MP3HalfClick(TObject* Sender);
    void MP3QuarterClick(TObject* Sender);
    void DSoundDevComboChange(TObject* Sender);
    void MenuMusicClick(TObject* Sender);

    // Takes the settings file's sound keys in their order, with the handlers they cause.
    void LoadSettings(const TGameSettings& s);
    void SaveSettings(TGameSettings& s) const;
};

extern TSndSetForm* SndSetForm;
