#pragma once
// The sound settings: music and sound effects on and off, their volumes, the playback
// device, the music's output format and the MPEG decoding quality. Every control acts at
// once on the main form's sound objects; there is no apply step. The dialog is also where
// these values live between the settings file's reading and its writing.
//
// Threads: the dialog's widgets and handlers belong to the GUI thread. The frame thread
// never reads them; it reads the game's mirrors of the two "Enabled" switches
// (TGameOptions::MusicEnabled and SFXEnabled), which the dialog writes under the game lock.
// The engine and the effects guard themselves, so the dialog drives them without the game
// lock (switching the engine joins its thread, which nobody may do holding that lock).
#include "game/GameRules.h"
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

// What the dialog acts on, all of it owned by the main form. The main form hands it over
// with Connect once the dialogs exist and before its first show reads the settings into
// them; until then, and for any target left null, the controls change only themselves.
struct TSndSetTargets {
    // The music engine; its DirectSound object is also the one the effects play through.
    TDSPlay* Player = nullptr;
    // The engine's MPEG plug-in, whose decoding quality the radio buttons choose.
    TSndMP3* Mp3 = nullptr;
    // The eleven sound effects in the main form's order; the scCool one is the test sound.
    std::array<TDSWave*, SoundCueCount> Waves{};
    // The game whose switch mirrors the frame thread reads.
    TGameRules* Game = nullptr;
    // The main form's music choice: a random playlist entry, started looping, while the
    // music mirror says music is on.
    std::function<void()> PlayRandomTrack;
};

class TSndSetForm : public TForm {
    VX_CLASS(TSndSetForm, TForm)
public:
    explicit TSndSetForm(TComponent* Owner);

    TPanel* Panel3;
    TGroupBox* GroupBox1;
    TCheckBox* MenuSFX;
    TLabel* Label1;
    TLabel* Label3;
    TTrackBar* VolumeSFX;
    TButton* TestButton;
    TGroupBox* GroupBox3;
    TDSoundDevCombo* DSoundDevCombo;
    TGroupBox* GroupBox2;
    TCheckBox* MenuMusic;
    TLabel* Label2;
    TLabel* Label4;
    TTrackBar* VolumeMusic;
    TPanel* Panel1;
    TGroupBox* GroupBox5;
    TComboBox* FreqBox;
    TComboBox* BitBox;
    TComboBox* ChanBox;
    TGroupBox* GroupBox4;
    TRadioButton* MP3Full;
    TRadioButton* MP3Half;
    TRadioButton* MP3Quarter;
    TPanel* Panel2;
    TButton* SndSetCloseButton;

    // Takes the main form's sound objects and publishes the switches to the game's mirrors.
    void Connect(const TSndSetTargets& targets);
    const TSndSetTargets& Targets() const { return targets_; }

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
    // The one handler of both "Enabled" boxes; the main form also runs it at its first show.
    void MenuMusicClick(TObject* Sender);

    // Takes the settings file's "Sound" keys in the file's order, with the handlers their
    // changes run. A device index the device list no longer has means the default device.
    void LoadSettings(const TGameSettings& s);
    // The "Sound" keys as they stand now: the format and music volume from the engine.
    void SaveSettings(TGameSettings& s) const;

private:
    void createSfxSide();
    void createMusicSide();
    void bindHandlers();
    void publishSwitches();
    // Shows the engine's output format in the three boxes without running their handlers.
    void showFormat(unsigned long samplesPerSec, int bitsPerSample, int channels);

    TSndSetTargets targets_;
};

extern TSndSetForm* SndSetForm;
