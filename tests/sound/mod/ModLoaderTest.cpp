// Loading modules: signatures, the 15-sample check, song lengths, notes and samples, and the
// finetune table.
#include <gtest/gtest.h>

#include "sound/ModLoader.h"
#include "sound/ModTables.h"
#include "tests/sound/mod/ModBuilder.h"

using namespace mod_test;

namespace {

ModBuilder SimpleSong(const char* signature = "M.K.", int channels = 4) {
    ModBuilder song(signature, channels);
    song.samples[0] = TestSample::Looped(64, 64);
    song.orders = {0};
    song.Note(0, 0, 0, 428, 1);
    return song;
}

bool Load(const std::vector<BYTE>& bytes, TModModule& module) {
    return ModLoad(bytes.data(), bytes.size(), module);
}

} // namespace

TEST(ModFinetuneTable, MatchesTheCheckValues) {
    EXPECT_EQ(ModFinetunePeriods[0], ModNotePeriods);
    EXPECT_EQ(ModNotePeriods.front(), 1712);
    EXPECT_EQ(ModNotePeriods.back(), 56);
    struct Row {
        int finetune;
        std::array<int, 6> first;
        int last;
    };
    for (const Row& row :
         {Row{1, {1700, 1604, 1514, 1430, 1348, 1274}, 56}, Row{7, {1628, 1536, 1450, 1368, 1292, 1220}, 54},
          Row{8, {1814, 1712, 1616, 1524, 1440, 1356}, 60},
          Row{15, {1724, 1628, 1536, 1450, 1368, 1292}, 57}}) {
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(ModFinetunePeriods[std::size_t(row.finetune)][std::size_t(i)],
                      row.first[std::size_t(i)])
                << row.finetune << " " << i;
        EXPECT_EQ(ModFinetunePeriods[std::size_t(row.finetune)][59], row.last) << row.finetune;
    }
    for (const auto& periods : ModFinetunePeriods)
        EXPECT_TRUE(std::is_sorted(periods.rbegin(), periods.rend()));
}

TEST(ModLoad, KnowsTheSevenSignatures) {
    struct Case {
        const char* signature;
        int channels;
        const char* type;
    };
    for (Case c :
         {Case{"M.K.", 4, "ProTracker"}, Case{"M!K!", 4, "ProTracker"}, Case{"FLT4", 4, "StarTracker"},
          Case{"FLT8", 8, "StarTracker"}, Case{"6CHN", 6, "FastTracker"}, Case{"8CHN", 8, "FastTracker"},
          Case{"OCTA", 8, "FastTracker"}}) {
        TModModule module;
        ASSERT_TRUE(Load(SimpleSong(c.signature, c.channels).Build(), module)) << c.signature;
        EXPECT_EQ(module.channels, c.channels) << c.signature;
        EXPECT_STREQ(module.layout.typeName, c.type);
        EXPECT_EQ(module.patterns[0].size(), std::size_t(64 * c.channels));
    }
}

TEST(ModLoad, AcceptsAPlausibleFifteenSampleModuleOnly) {
    auto song = SimpleSong();
    TModModule module;
    ASSERT_TRUE(Load(song.BuildOld(), module));
    EXPECT_STREQ(module.layout.typeName, "15-instrument");
    EXPECT_EQ(module.channels, 4);
    EXPECT_EQ(module.patterns[0][0].note, 25);
    EXPECT_EQ(module.sampleData[0].size(), 64u);

    auto finetuned = song;
    finetuned.samples[3] = TestSample::OneShot(32, 10, 1);
    EXPECT_FALSE(Load(finetuned.BuildOld(), module));
    auto loud = song;
    loud.samples[2] = TestSample::OneShot(32, 65);
    EXPECT_FALSE(Load(loud.BuildOld(), module));
    auto silent = song;
    for (auto& sample : silent.samples)
        sample.volume = 0;
    EXPECT_FALSE(Load(silent.BuildOld(), module));
    auto badRestart = song;
    badRestart.restart = 128;
    EXPECT_FALSE(Load(badRestart.BuildOld(), module));
}

TEST(ModLoad, RefusesAnEmptySongAndCutsALongOneAtTheOrderList) {
    TModModule module;
    auto empty = SimpleSong();
    empty.songLengthByte = 0;
    EXPECT_FALSE(Load(empty.Build(), module));
    auto longer = SimpleSong();
    longer.songLengthByte = 200;
    ASSERT_TRUE(Load(longer.Build(), module));
    EXPECT_EQ(module.songLength, 128);
}

TEST(ModLoad, RefusesTooManyPatternsNoSamplesAndShortHeaders) {
    TModModule module;
    auto many = SimpleSong();
    many.orders = {0, 130};
    EXPECT_FALSE(Load(many.Build(), module));
    auto none = SimpleSong();
    none.samples[0] = TestSample();
    EXPECT_FALSE(Load(none.Build(), module));
    auto bytes = SimpleSong().Build();
    bytes.resize(1000);
    EXPECT_FALSE(Load(bytes, module));
}

TEST(ModLoad, ConvertsNotesToIndicesAndSamplesToUnsignedBytes) {
    auto song = SimpleSong();
    song.Note(0, 1, 2, 1712, 17, 12, 0x40);
    song.Note(0, 2, 3, 55, 1);  // below the table: no note
    song.Note(0, 3, 1, 430, 1); // between two periods: the lower one's note
    song.samples[16] = TestSample::OneShot(4, 30);
    song.samples[16].data = {-128, -1, 0, 127};
    TModModule module;
    ASSERT_TRUE(Load(song.Build(), module));
    const MOD_NOTE& note = module.patterns[0][1 * 4 + 2];
    EXPECT_EQ(note.note, 1);
    EXPECT_EQ(note.sample, 17);
    EXPECT_EQ(note.command, 12);
    EXPECT_EQ(note.parameter, 0x40);
    EXPECT_EQ(module.patterns[0][2 * 4 + 3].note, 0);
    EXPECT_EQ(module.patterns[0][3 * 4 + 1].note, 25);
    EXPECT_EQ(module.sampleData[16], (std::vector<BYTE>{0x00, 0x7F, 0x80, 0xFF}));
}

TEST(ModLoad, KeepsSamplesInStepAfterOneLongerThan65535Bytes) {
    auto song = SimpleSong();
    song.samples[0] = TestSample::OneShot(131070, 64);
    song.samples[0].data.assign(131070, 5);
    song.samples[1] = TestSample::OneShot(4, 64);
    song.samples[1].data = {1, 2, 3, 4};
    TModModule module;
    ASSERT_TRUE(Load(song.Build(), module));
    EXPECT_EQ(module.samples[0].length, 131070);
    EXPECT_EQ(module.sampleData[1], (std::vector<BYTE>{0x81, 0x82, 0x83, 0x84}));
}

TEST(ModLoad, ReadsSampleBytesMissingAtTheEndAsSilence) {
    auto song = SimpleSong();
    song.samples[0] = TestSample::OneShot(100, 64);
    auto bytes = song.Build();
    bytes.resize(bytes.size() - 40);
    TModModule module;
    ASSERT_TRUE(Load(bytes, module));
    EXPECT_EQ(module.sampleData[0][59], BYTE(-100) ^ 0x80); // the last byte the file holds
    EXPECT_EQ(module.sampleData[0][60], 0x80);
    EXPECT_EQ(module.sampleData[0][99], 0x80);
}

TEST(ModLoad, CapsLoopsAndVolumesToTheSample) {
    auto song = SimpleSong();
    song.samples[0] = TestSample::Make(100, 80, 60, 64, 0);
    song.samples[1] = TestSample::Make(50, 120, 20, 64, 0);
    TModModule module;
    ASSERT_TRUE(Load(song.Build(), module));
    EXPECT_EQ(module.samples[0].loopStart, 80);
    EXPECT_EQ(module.samples[0].loopLength, 20);
    EXPECT_EQ(module.samples[1].loopStart, 50);
    EXPECT_EQ(module.samples[1].loopLength, 0);
}
