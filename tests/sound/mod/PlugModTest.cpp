// The MOD player plug-in: loading through the program's file names, output, positions and
// file information.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sound/Plug_MOD.h"
#include "sound/Sndutils.h"
#include "tests/sound/mod/ModBuilder.h"

using namespace mod_test;

namespace {

std::string WriteModule(const std::string& name, const std::vector<BYTE>& bytes) {
    std::string path = std::string(VX_TEST_TMP) + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
    return path;
}

ModBuilder Song() {
    ModBuilder song("8CHN", 8);
    song.name = "Cave Tune";
    song.samples[0] = TestSample::Looped(64, 64);
    song.samples[5] = TestSample::OneShot(32, 20);
    song.orders = {0, 0, 0};
    song.Note(0, 0, 4, 428, 1);
    return song;
}

bool Start(TSndMOD& mod, const std::string& name, DWORD rate = 22050, WORD bits = 8, WORD channels = 2) {
    mod.Format.nSamplesPerSec = rate;
    mod.Format.wBitsPerSample = bits;
    mod.Format.nChannels = channels;
    UpdateWaveFormat(&mod.Format);
    mod.FileName = name;
    bool accepted = mod.Init();
    mod.SetSamplesPerSec(rate);
    mod.SetBitsPerSample(bits);
    mod.SetChannels(channels);
    return accepted;
}

} // namespace

TEST(SndMOD, LoadsThroughAWindowsStyleNameAndPlays) {
    std::filesystem::create_directories(std::string(VX_TEST_TMP) + "/Music");
    WriteModule("Music/Cave.MOD", Song().Build());
    TSndMOD mod(nullptr);
    ASSERT_TRUE(Start(mod, std::string(VX_TEST_TMP) + "\\music\\cave.mod"));
    std::vector<BYTE> block(4096);
    EXPECT_TRUE(mod.Process(block.data(), block.size()));
    // Channel 4 of eight sits on the right side.
    EXPECT_EQ(block[0], 0x80);
    EXPECT_NE(block[1], 0x80);
    SND_POSITION position;
    mod.GetPosition(&position);
    EXPECT_EQ(position.dwLength, 192u);
    EXPECT_EQ(position.dwPosition, 0u);
    EXPECT_EQ(position.dwUnitsPerSec, 8u);
}

TEST(SndMOD, RefusesWhatItCannotPlayAndThenGivesSilence) {
    TSndMOD mod(nullptr);
    EXPECT_FALSE(Start(mod, ""));
    EXPECT_FALSE(Start(mod, std::string(VX_TEST_TMP) + "/missing.mod"));
    EXPECT_FALSE(Start(mod, WriteModule("garbage.mod", std::vector<BYTE>(3000, 0xAA))));
    std::vector<BYTE> block(100, 0);
    EXPECT_TRUE(mod.Process(block.data(), block.size()));
    EXPECT_EQ(block, std::vector<BYTE>(100, 0x80));
    EXPECT_EQ(mod.GetSupportTypes(), "Amiga MOD 15-instrument/Pro/Star/FastTracker");
}

TEST(SndMOD, SeeksByRowsAndEndsWithFalse) {
    TSndMOD mod(nullptr);
    ASSERT_TRUE(Start(mod, WriteModule("seek.mod", Song().Build()), 8000, 16, 1));
    SND_POSITION position;
    position.dwPosition = 3 * 64;
    mod.SetPosition(&position);
    std::vector<BYTE> block(64, 0x11);
    EXPECT_FALSE(mod.Process(block.data(), block.size()));
    EXPECT_EQ(block, std::vector<BYTE>(64, 0));
    mod.GetPosition(&position);
    EXPECT_EQ(position.dwPosition, 191u);
    mod.Reset();
    EXPECT_TRUE(mod.Process(block.data(), block.size()));
}

TEST(SndMOD, DescribesModulesOfEveryKind) {
    TSndMOD mod(nullptr);
    SND_FILE_INFO info;
    auto bytes = Song().Build();
    ASSERT_TRUE(mod.GetFileInfo(WriteModule("info.mod", bytes), &info));
    EXPECT_STREQ(info.szTitle, "Cave Tune");
    EXPECT_STREQ(info.szFormat, "FastTracker MOD, 8 channels, 2 samples");
    EXPECT_STREQ(info.szShortFormat, "FastTracker MOD, 8 channels");
    EXPECT_STREQ(info.szTime, "0:23.04");

    ModBuilder old;
    old.samples[0] = TestSample::Looped(64, 64);
    old.orders = {0};
    ASSERT_TRUE(mod.GetFileInfo(WriteModule("old.mod", old.BuildOld()), &info));
    EXPECT_STREQ(info.szFormat, "15-instrument MOD, 4 channels, 1 samples");
    EXPECT_STREQ(info.szTime, "0:07.68");
    EXPECT_FALSE(mod.GetFileInfo(WriteModule("short.mod", std::vector<BYTE>(500, 0)), &info));
}
