#include "game/Settings.h"
#include "platform/files/IniFiles.h"
#include "tests/platform/files/FileReplacements.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string tempFile(const std::string& name, const std::string& text) {
    std::string path = std::string(VX_TEST_TMP) + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

TEST(Playlist, LinesBecomeEntriesSkippingCommentsAndKeepingEmptyOnes) {
    std::string path = tempFile("list.m3u", "#EXTM3U\na.mod\r\n\nmusic\\b.mp3\n#EXTINF:1,x\nc\xe9\n");
    std::vector<std::string> expected = {"a.mod", "", "music\\b.mp3", "c\xe9"};
    EXPECT_EQ(ReadPlaylist(path), expected);
}

TEST(Playlist, LastLineWithoutBreakAndVeryLongLines) {
    std::string longName(2000, 'x');
    std::string path = tempFile("long.m3u", longName + "\nlast");
    std::vector<std::string> expected = {longName, "last"};
    EXPECT_EQ(ReadPlaylist(path), expected);
}

TEST(Playlist, MissingFileIsEmpty) {
    EXPECT_TRUE(ReadPlaylist(std::string(VX_TEST_TMP) + "/none.m3u").empty());
}

TEST(Settings, MissingFileGivesDefaults) {
    TIniFile ini(std::string(VX_TEST_TMP) + "/absent.ini");
    TGameSettings s;
    s.Width = 1;
    ReadSettings(ini, s, true);
    TGameSettings d;
    EXPECT_EQ(s.Width, 640);
    EXPECT_EQ(s.MusicVolume, 0); // the default 128 lies above the slider's range
    EXPECT_EQ(s.BonusCount, d.BonusCount);
    EXPECT_EQ(s.Names[3], "Player 4");
}

TEST(Settings, UnusableValuesFallBackToTheirDefaults) {
    std::string path =
        tempFile("bad.ini", "[Sound]\nMusicVolume=-7000\nChannels=0\nBitsPerSample=0\n"
                            "SamplesPerSec=abc\n[BonusFrames]\nSkull=0\nPower=-3\nMonster=6\n"
                            "[Screen]\nWidth=10\nHeight=100000\nBPP=7\n[Joystick]\nPlayer2=1\n");
    TIniFile ini(path);
    TGameSettings s;
    ReadSettings(ini, s, false);
    EXPECT_EQ(s.MusicVolume, -5000);
    EXPECT_EQ(s.Channels, 2);
    EXPECT_EQ(s.BitsPerSample, 8);
    EXPECT_EQ(s.SamplesPerSec, 22050);
    EXPECT_EQ(s.BonusFrames[bkSkull], 24);
    EXPECT_EQ(s.BonusFrames[bkPower], 2);
    EXPECT_EQ(s.BonusFrames[bkMonster], 6);
    EXPECT_EQ(s.Width, 640);
    EXPECT_EQ(s.Height, 480);
    EXPECT_EQ(s.BPP, 8);
    EXPECT_FALSE(s.JoystickPlayer[1]); // not read without a joystick
    ReadSettings(ini, s, true);
    EXPECT_TRUE(s.JoystickPlayer[1]);
}

TEST(Settings, WrittenBackInOrderKeepingUnknownKeysAndComments) {
    std::string path =
        tempFile("order.ini", "; my settings\n[Sound]\nOwnKey=5\nMusicVolume=128\n[Themes]\nA=Forest\n");
    TIniFile ini(path);
    TGameSettings s;
    ReadSettings(ini, s, false);
    s.Names[1] = "Zed";
    FileReplacements replacements(path);
    WriteSettings(ini, s);
    EXPECT_EQ(replacements.Count(), 1) << "the settings are written in one replacement of the file";
    std::string text = slurp(path);
    EXPECT_NE(text.find("; my settings"), std::string::npos);
    EXPECT_NE(text.find("OwnKey=5"), std::string::npos);
    EXPECT_NE(text.find("A=Forest"), std::string::npos);
    EXPECT_NE(text.find("MusicVolume=0"), std::string::npos);
    const char* order[] = {
        "MusicEnabled=1",  "SFXEnabled=1",   "SFXVolume=192", "Driver=0",      "SamplesPerSec=22050",
        "BitsPerSample=8", "Channels=2",     "MP3_Half=0",    "MP3_Quarter=0", "[Screen]",
        "Width=640",       "Height=480",     "BPP=8",         "[GFX]",         "Theme=0",
        "[Joystick]",      "Player1=0",      "[Options]",     "Player1=1",     "Player2=0",
        "Monsters=10",     "Name1=Player 1", "Name2=Zed",     "[BonusCount]",  "Power=15",
        "Skull=5"};
    std::size_t at = text.find("OwnKey=5");
    for (const char* key : order) {
        std::size_t next = text.find(key, at);
        ASSERT_NE(next, std::string::npos) << key << "\n" << text;
        at = next;
    }
    EXPECT_EQ(text.find("BonusFrames"), std::string::npos);
}

TEST(Settings, ThemeNamesFillUpWithNumberedThemes) {
    std::string path = tempFile("themes.ini", "[Themes]\nfirst=Forest\nsecond=Ice\n");
    TIniFile ini(path);
    std::vector<std::string> expected = {"<Random>", "Forest", "Ice", "Theme 3", "Theme 4"};
    EXPECT_EQ(ReadThemeNames(ini, 4), expected);
}

TEST(Settings, SampleRateChoice) {
    const std::pair<int, int> cases[] = {{7999, -1}, {8000, 0},  {22049, 1},
                                         {22050, 2}, {44100, 3}, {96000, 4}};
    for (auto [rate, index] : cases)
        EXPECT_EQ(FreqIndexOf(rate), index) << rate;
}
