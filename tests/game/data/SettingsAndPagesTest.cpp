// The settings file and playlist beside the executable, the help page and the dialog pictures.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/game/data/GeneratedData.h"

namespace fs = std::filesystem;
using namespace datatest;

namespace {

const char* const kBonusKinds[13] = {"Power",     "Bombs",   "Trigger", "Speed",    "BombLive",
                                     "BombClip",  "GodMode", "Freeze",  "WoodClip", "ShowSecrets",
                                     "MultiBomb", "Monster", "Skull"};

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Width and height from the first start-of-frame marker of a JPEG.
std::pair<int, int> jpegSize(const Bytes& jpeg) {
    for (std::size_t pos = 2; pos + 9 < jpeg.size();) {
        if (jpeg[pos] != 0xFF) return {0, 0};
        int marker = jpeg[pos + 1], length = jpeg[pos + 2] << 8 | jpeg[pos + 3];
        if (marker >= 0xC0 && marker <= 0xC2)
            return {jpeg[pos + 7] << 8 | jpeg[pos + 8], jpeg[pos + 5] << 8 | jpeg[pos + 6]};
        pos += 2 + static_cast<std::size_t>(length);
    }
    return {0, 0};
}

} // namespace

TEST(Settings, NameOneThemePerRowOfTheMaps) {
    const fs::path& tree = generatedTree("a");
    IniFile ini = readIni(tree / "vortamix.ini");
    PcxImage maps = readPcx(tree / "data/gfx/maps.pcx");
    const auto& themes = ini.keyOrder["themes"];
    ASSERT_EQ(static_cast<int>(themes.size()), maps.height / 32);
    for (const std::string& key : themes)
        EXPECT_FALSE(ini.get("Themes", key).empty()) << key;
}

TEST(Settings, BonusFramesMatchTheBonusSheet) {
    const fs::path& tree = generatedTree("a");
    IniFile ini = readIni(tree / "vortamix.ini");
    PcxImage bonus = readPcx(tree / "data/gfx/bonus.pcx");
    for (int kind = 0; kind < 13; ++kind) {
        int frames = std::atoi(ini.get("BonusFrames", kBonusKinds[kind]).c_str());
        ASSERT_GT(frames, 0) << kBonusKinds[kind];
        EXPECT_TRUE(bonus.cellHasOpaquePixels((frames - 1) * 32, kind * 32, 32)) << kBonusKinds[kind];
        if (frames * 32 < bonus.width) {
            EXPECT_FALSE(bonus.cellHasOpaquePixels(frames * 32, kind * 32, 32)) << kBonusKinds[kind];
        }
    }
}

TEST(Settings, AnExistingFileKeepsThePlayersOwnSettings) {
    const fs::path run = fs::path(VX_TEST_TMP) / "datagen-merge";
    fs::remove_all(run);
    writeText(run / "vortamix.ini",
              "[Sound]\r\nMusicVolume=-1200\r\n[GFX]\r\nTheme=3\r\nplayerbordercolorx=999\r\n"
              "[Themes]\r\nOld=Something\r\nOther=Else\r\n[Options]\r\nName1=Alice\r\n");
    writeText(run / "vortamix.m3u", "#EXTM3U\nmy/own/song.mp3\n");
    ASSERT_EQ(runGenerator(quoted(run)), 0);

    IniFile ini = readIni(run / "vortamix.ini");
    IniFile fresh = readIni(generatedTree("a") / "vortamix.ini");
    EXPECT_EQ(ini.get("Sound", "MusicVolume"), "-1200");
    EXPECT_EQ(ini.get("GFX", "Theme"), "3");
    EXPECT_EQ(ini.get("Options", "Name1"), "Alice");
    EXPECT_EQ(ini.get("GFX", "PlayerBorderColorX"), fresh.get("GFX", "PlayerBorderColorX"));
    EXPECT_EQ(ini.keyOrder["gfx"].size(), 4u); // the old key was replaced, not repeated
    EXPECT_EQ(ini.keyOrder["themes"], fresh.keyOrder["themes"]);
    EXPECT_EQ(ini.values["bonusframes"], fresh.values["bonusframes"]);

    std::string playlist = readText(run / "vortamix.m3u");
    EXPECT_NE(playlist.find("my/own/song.mp3\n"), std::string::npos);
    EXPECT_NE(playlist.find("ms-suxx1.mod"), std::string::npos);

    // Running again changes nothing.
    std::string ini1 = readText(run / "vortamix.ini");
    ASSERT_EQ(runGenerator(quoted(run)), 0);
    EXPECT_EQ(readText(run / "vortamix.ini"), ini1);
    EXPECT_EQ(readText(run / "vortamix.m3u"), playlist);
}

TEST(HelpPage, ExplainsTheControlsAndEveryBonus) {
    const fs::path help = generatedTree("a") / "Help";
    std::string page = readText(help / "Index.htm");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(page.find("</html>"), std::string::npos);
    for (const char* key :
         {"Insert", "Delete", "Left Shift", "Left Ctrl", "Space", "keypad", "Pause", "Esc", "F1", "F2"})
        EXPECT_NE(page.find(key), std::string::npos) << key;
    for (const char* kind : kBonusKinds) {
        std::string icon = std::string("bonus-") + kind + ".png";
        EXPECT_NE(page.find(icon), std::string::npos) << kind;
        EXPECT_TRUE(fs::is_regular_file(help / icon)) << icon;
    }
}

TEST(DialogPictures, AreJpegsSizedForTheirDialogs) {
    const fs::path gfx = generatedTree("a") / "data/gfx";
    for (const char* name : {"title.jpg", "about.jpg"}) {
        SCOPED_TRACE(name);
        Bytes jpeg = readFile(gfx / name);
        ASSERT_GT(jpeg.size(), 1000u);
        EXPECT_EQ(jpeg[0], 0xFF);
        EXPECT_EQ(jpeg[1], 0xD8);
        EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
        EXPECT_EQ(jpeg.back(), 0xD9);
        auto [width, height] = jpegSize(jpeg);
        // The title dialog's client area is 287 wide, the about dialog's 242; pictures are 216 high.
        EXPECT_GT(width, 150);
        EXPECT_LE(width, std::string(name) == "title.jpg" ? 283 : 238);
        EXPECT_EQ(height, 216);
    }
}
