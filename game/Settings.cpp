#include "game/Settings.h"
#include "platform/files/FileNames.h"
#include "platform/files/IniFiles.h"
#include "platform/files/PathResolver.h"

#include <algorithm>

const std::array<int, 5> SampleRates = {8000, 11025, 22050, 44100, 48000};

namespace {

const char* const OptionPlayerKeys[4] = {"Player1", "Player2", "Player3", "Player4"};
const char* const NameKeys[4] = {"Name1", "Name2", "Name3", "Name4"};

// An integer key whose value must pass the check; anything else is the default.
int readChecked(TIniFile& ini, const char* section, const char* key, int def, bool (*usable)(int)) {
    int v = ini.ReadInteger(section, key, def);
    return usable(v) ? v : def;
}

bool anyInt(int) {
    return true;
}
bool positive(int v) {
    return v > 0;
}
bool notNegative(int v) {
    return v >= 0;
}
bool usableRate(int v) {
    return v >= 4000 && v <= 192000;
}
bool usableBits(int v) {
    return v == 8 || v == 16;
}
bool usableChannels(int v) {
    return v == 1 || v == 2;
}
bool usableWidth(int v) {
    return v >= 320 && v <= 7680;
}
bool usableHeight(int v) {
    return v >= 200 && v <= 4320;
}
bool usableDepth(int v) {
    return v == 8 || v == 16 || v == 32;
}

} // namespace

std::string SettingsFileName() {
    return ChangeFileExt(ExeName(), ".ini");
}
std::string PlaylistFileName() {
    return ChangeFileExt(ExeName(), ".m3u");
}

int FreqIndexOf(int samplesPerSec) {
    for (int i = 4; i >= 0; --i)
        if (static_cast<unsigned>(samplesPerSec) >=
            static_cast<unsigned>(SampleRates[static_cast<std::size_t>(i)]))
            return i;
    return -1;
}

void ReadSettings(TIniFile& ini, TGameSettings& s, bool joystickPresent) {
    const TGameSettings d;
    s.MusicEnabled = ini.ReadBool("Sound", "MusicEnabled", d.MusicEnabled);
    s.SFXEnabled = ini.ReadBool("Sound", "SFXEnabled", d.SFXEnabled);
    s.SFXVolume = std::clamp(ini.ReadInteger("Sound", "SFXVolume", d.SFXVolume), 0, 256);
    s.Driver = readChecked(ini, "Sound", "Driver", d.Driver, notNegative);
    s.MusicVolume = std::clamp(ini.ReadInteger("Sound", "MusicVolume", 128), -5000, 0);
    s.SamplesPerSec = readChecked(ini, "Sound", "SamplesPerSec", d.SamplesPerSec, usableRate);
    s.BitsPerSample = readChecked(ini, "Sound", "BitsPerSample", d.BitsPerSample, usableBits);
    s.Channels = readChecked(ini, "Sound", "Channels", d.Channels, usableChannels);
    s.MP3Half = ini.ReadBool("Sound", "MP3_Half", d.MP3Half);
    s.MP3Quarter = ini.ReadBool("Sound", "MP3_Quarter", d.MP3Quarter);
    if (joystickPresent)
        for (std::size_t i = 0; i < 4; ++i)
            s.JoystickPlayer[i] = ini.ReadBool("Joystick", OptionPlayerKeys[i], false);
    for (std::size_t i = 0; i < 4; ++i)
        s.Playing[i] = ini.ReadBool("Options", OptionPlayerKeys[i], d.Playing[i]);
    s.Monsters = std::clamp(ini.ReadInteger("Options", "Monsters", d.Monsters), 0, 500);
    for (std::size_t k = 0; k < BonusKindCount; ++k)
        s.BonusCount[k] = std::max(ini.ReadInteger("BonusCount", BonusKeyNames[k], d.BonusCount[k]), 0);
    for (std::size_t k = 0; k < BonusKindCount; ++k)
        s.BonusFrames[k] = readChecked(ini, "BonusFrames", BonusKeyNames[k], d.BonusFrames[k], positive);
    for (std::size_t i = 0; i < 4; ++i)
        s.Names[i] = ini.ReadString("Options", NameKeys[i], d.Names[i]);
    s.PlayerBorderColorX = readChecked(ini, "GFX", "PlayerBorderColorX", 0, notNegative);
    s.PlayerBorderColorY = readChecked(ini, "GFX", "PlayerBorderColorY", 0, notNegative);
    s.GodBorderColor = readChecked(ini, "GFX", "GodBorderColor", d.GodBorderColor, anyInt);
    s.Theme = readChecked(ini, "GFX", "Theme", d.Theme, notNegative);
    s.Width = readChecked(ini, "Screen", "Width", d.Width, usableWidth);
    s.Height = readChecked(ini, "Screen", "Height", d.Height, usableHeight);
    s.BPP = readChecked(ini, "Screen", "BPP", d.BPP, usableDepth);
}

std::vector<std::string> ReadThemeNames(TIniFile& ini, int themeRows) {
    std::vector<std::string> names{"<Random>"};
    std::vector<std::string> keys = ini.ReadSection("Themes");
    for (int i = 0; i < themeRows; ++i) {
        if (static_cast<std::size_t>(i) < keys.size())
            names.push_back(ini.ReadString("Themes", keys[static_cast<std::size_t>(i)], "<unknow>"));
        else
            names.push_back("Theme " + std::to_string(i + 1));
    }
    return names;
}

void WriteSettings(TIniFile& ini, const TGameSettings& s) {
    // One replacement of the file for all of them: each waits for the disk.
    ini.BeginUpdate();
    ini.WriteBool("Sound", "MusicEnabled", s.MusicEnabled);
    ini.WriteBool("Sound", "SFXEnabled", s.SFXEnabled);
    ini.WriteInteger("Sound", "MusicVolume", s.MusicVolume);
    ini.WriteInteger("Sound", "SFXVolume", s.SFXVolume);
    ini.WriteInteger("Sound", "Driver", s.Driver);
    ini.WriteInteger("Sound", "SamplesPerSec", s.SamplesPerSec);
    ini.WriteInteger("Sound", "BitsPerSample", s.BitsPerSample);
    ini.WriteInteger("Sound", "Channels", s.Channels);
    ini.WriteBool("Sound", "MP3_Half", s.MP3Half);
    ini.WriteBool("Sound", "MP3_Quarter", s.MP3Quarter);
    ini.WriteInteger("Screen", "Width", s.Width);
    ini.WriteInteger("Screen", "Height", s.Height);
    ini.WriteInteger("Screen", "BPP", s.BPP);
    ini.WriteInteger("GFX", "Theme", s.Theme);
    for (std::size_t i = 0; i < 4; ++i)
        ini.WriteBool("Joystick", OptionPlayerKeys[i], s.JoystickPlayer[i]);
    for (std::size_t i = 0; i < 4; ++i)
        ini.WriteBool("Options", OptionPlayerKeys[i], s.Playing[i]);
    ini.WriteInteger("Options", "Monsters", s.Monsters);
    for (std::size_t k = 0; k < BonusKindCount; ++k)
        ini.WriteInteger("BonusCount", BonusKeyNames[k], s.BonusCount[k]);
    for (std::size_t i = 0; i < 4; ++i)
        ini.WriteString("Options", NameKeys[i], s.Names[i]);
    ini.EndUpdate();
}

std::vector<std::string> ReadPlaylist(const std::string& fileName) {
    std::vector<std::string> list;
    FilePtr file = OpenFile(fileName, "rb");
    if (!file) return list;
    std::string line;
    bool pending = false;
    auto finish = [&] {
        if (!line.empty() && line[0] == '#') {
            line.clear();
            return;
        }
        while (!line.empty() && static_cast<unsigned char>(line.back()) < 32)
            line.pop_back();
        list.push_back(line);
        line.clear();
    };
    for (int c; (c = std::fgetc(file.get())) != EOF;) {
        pending = true;
        line.push_back(static_cast<char>(c));
        if (c == '\n') {
            finish();
            pending = false;
        }
    }
    if (pending) finish();
    return list;
}
