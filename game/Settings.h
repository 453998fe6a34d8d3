#pragma once
// The settings file and the playlist. Values are read once at the first show, checked
// against what the program can use, handed to the dialogs, the music engine and the main
// form, and written back from there when the main form closes.
#include "game/Model.h"

#include <array>
#include <string>
#include <vector>

class TIniFile;

struct TGameSettings {
    // Sound
    bool MusicEnabled = true;
    bool SFXEnabled = true;
    int SFXVolume = 192;
    int Driver = 0;
    // Hundredths of a decibel, -5000..0.
    int MusicVolume = 0;
    int SamplesPerSec = 22050;
    int BitsPerSample = 8;
    int Channels = 2;
    bool MP3Half = false;
    bool MP3Quarter = false;
    // Joystick (read only when a joystick is there) and Options
    std::array<bool, 4> JoystickPlayer{false, false, false, false};
    std::array<bool, 4> Playing{true, false, true, false};
    int Monsters = 10;
    std::array<int, BonusKindCount> BonusCount{15, 15, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5};
    std::array<int, BonusKindCount> BonusFrames{2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 4, 24};
    std::array<std::string, 4> Names{"Player 1", "Player 2", "Player 3", "Player 4"};
    // GFX
    // Where the border colour is read on the players sheet.
    int PlayerBorderColorX = 0;
    int PlayerBorderColorY = 0;
    int GodBorderColor = 16624;
    int Theme = 0;
    // Screen
    int Width = 640;
    int Height = 480;
    int BPP = 8;
};

// The settings file beside the executable.
std::string SettingsFileName();
// The playlist beside the executable.
std::string PlaylistFileName();

// Reads the keys in the file's order; a value the program cannot use takes its default.
void ReadSettings(TIniFile& ini, TGameSettings& s, bool joystickPresent);
// The theme chooser's items: "<Random>", then one name per row of the maps image.
std::vector<std::string> ReadThemeNames(TIniFile& ini, int themeRows);
// Writes the keys back in their order, in one replacement of the file; other keys and
// comments of the file stay.
void WriteSettings(TIniFile& ini, const TGameSettings& s);

// Every line not starting with "#", trailing control characters removed, even when empty.
std::vector<std::string> ReadPlaylist(const std::string& fileName);

// The sample-rate choice of the sound dialog: the largest rate not above samples, -1 below all.
int FreqIndexOf(int samplesPerSec);
extern const std::array<int, 5> SampleRates;
