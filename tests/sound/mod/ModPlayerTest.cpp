// The module player: tick clock, row flow, mixer, channel sides and positions.
#include <gtest/gtest.h>

#include <memory>

#include "sound/ModLoader.h"
#include "sound/ModPlayer.h"
#include "tests/sound/mod/ModBuilder.h"

using namespace mod_test;

namespace {

// At 8363 Hz the step is 428, so period 428 plays one sample byte per output frame.
constexpr DWORD UnitRate = 8363;

struct Rig {
    TModModule module;
    std::unique_ptr<TModPlayer> player;

    explicit Rig(const ModBuilder& song, DWORD rate = UnitRate) {
        auto bytes = song.Build();
        EXPECT_TRUE(ModLoad(bytes.data(), bytes.size(), module));
        player = std::make_unique<TModPlayer>(module);
        player->InitFreq(rate);
        player->Reset();
    }

    // Stereo 16-bit frames as (left, right) pairs.
    std::vector<std::pair<int, int>> Frames(int count, bool* more = nullptr) {
        std::vector<BYTE> bytes(std::size_t(count) * 4);
        bool result = player->Render(bytes.data(), DWORD(bytes.size()), 16, 2);
        if (more) *more = result;
        std::vector<std::pair<int, int>> frames;
        for (int i = 0; i < count; ++i) {
            auto value = [&](int at) {
                return int(short(bytes[std::size_t(at)] | bytes[std::size_t(at) + 1] << 8));
            };
            frames.emplace_back(value(4 * i), value(4 * i + 2));
        }
        return frames;
    }

    // Renders up to the first frame of the next row start; answers the frames rendered.
    long NextRow() {
        DWORD start = player->Position();
        long frames = 0;
        BYTE frame[4];
        while (player->Render(frame, 4, 16, 2)) {
            ++frames;
            if (player->Position() != start) break;
        }
        return frames;
    }

    DWORD RowAfterNext() {
        NextRow();
        return player->Position();
    }
};

ModBuilder OneNote(std::vector<signed char> data, int loopLength = 0, int channel = 0) {
    ModBuilder song;
    song.samples[0] = TestSample::Make(int(data.size()), 0, loopLength, 64, 0);
    song.samples[0].data = std::move(data);
    song.orders = {0};
    song.Note(0, 0, channel, 428, 1);
    return song;
}

DWORD At(int order, int row) {
    return DWORD(order * 64 + row);
}

} // namespace

TEST(ModTickClock, StartsARowAtOnceAndTicksEvery882FramesAt44100) {
    Rig rig(OneNote(std::vector<signed char>(64, 10), 64), 44100);
    EXPECT_EQ(rig.player->SamplesPerTick(), 882);
    rig.Frames(1);
    EXPECT_EQ(rig.player->Channel(0).period, 428);
    EXPECT_EQ(rig.player->Tick(), 0);
    EXPECT_EQ(rig.NextRow(), 6 * 882);
    EXPECT_EQ(rig.player->Position(), 1u);
}

TEST(ModMixer, PlacesChannelsOneAndTwoLeftAndZeroAndThreeRight) {
    for (int channel = 0; channel < 4; ++channel) {
        Rig rig(OneNote(std::vector<signed char>(64, 10), 64, channel));
        auto frame = rig.Frames(1)[0];
        int expected = 10 * 64 * 8 / 4;
        bool left = channel == 1 || channel == 2;
        EXPECT_EQ(frame.first, left ? expected : 0) << channel;
        EXPECT_EQ(frame.second, left ? 0 : expected) << channel;
    }
}

TEST(ModMixer, WritesMonoAndEightBitOutput) {
    Rig rig(OneNote(std::vector<signed char>(64, 10), 64, 1));
    BYTE mono[2];
    ASSERT_TRUE(rig.player->Render(mono, 2, 16, 1));
    EXPECT_EQ(short(mono[0] | mono[1] << 8), 10 * 64 * 4 / 4);
    BYTE narrow[2];
    ASSERT_TRUE(rig.player->Render(narrow, 2, 8, 2));
    EXPECT_EQ(narrow[0], BYTE(((10 * 64 * 8 / 4) >> 8) ^ 0x80));
    EXPECT_EQ(narrow[1], 0x80);
}

TEST(ModMixer, StopsAnUnloopedSampleAndDoublesTheFirstLoopByte) {
    Rig once(OneNote({10, 20, 30, 40}));
    std::vector<int> right;
    for (auto frame : once.Frames(7))
        right.push_back(frame.second / 128);
    EXPECT_EQ(right, (std::vector<int>{10, 20, 30, 40, 0, 0, 0}));

    Rig looped(OneNote({10, 20, 30, 40}, 4));
    right.clear();
    for (auto frame : looped.Frames(11))
        right.push_back(frame.second / 128);
    EXPECT_EQ(right, (std::vector<int>{10, 20, 30, 40, 10, 10, 20, 30, 40, 10, 10}));
}

TEST(ModMixer, KeepsThePositionWhenThePeriodChanges) {
    auto song = OneNote(std::vector<signed char>(60000, 1), 0);
    song.Effect(0, 1, 0, 14, 0x1F); // a fine slide on the next row
    Rig rig(song);
    rig.NextRow();
    const MOD_CHANNEL& channel = rig.player->Channel(0);
    EXPECT_EQ(channel.period, 428 - 15);
    std::uint64_t before = channel.position;
    rig.Frames(1);
    EXPECT_EQ(channel.position - before, channel.increment);
    EXPECT_EQ(channel.increment, (std::uint64_t(3579545 / UnitRate) << 16) / 413);
}

TEST(ModRows, BreakJumpsToTheGivenRowOfTheNextOrder) {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(64, 64);
    song.orders = {0, 1, 2};
    song.Effect(0, 0, 0, 13, 0x32);
    song.Effect(1, 32, 2, 11, 0x02);
    song.Effect(1, 32, 3, 13, 0x10);
    Rig rig(song);
    EXPECT_EQ(rig.RowAfterNext(), At(1, 32));
    EXPECT_EQ(rig.RowAfterNext(), At(2, 0)) << "the break after a jump on the same row does not move again";
}

TEST(ModRows, BreakJumpAndLoopOnTheLastRowActOnThatRow) {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(64, 64);
    song.orders = {0, 1, 2};
    song.Effect(0, 60, 0, 14, 0x60);
    song.Effect(0, 63, 0, 14, 0x61);
    song.Effect(1, 63, 1, 13, 0x05);
    song.Effect(2, 63, 0, 11, 0x01);
    Rig rig(song);
    rig.player->SetPosition(At(0, 60));
    for (int row = 60; row <= 63; ++row)
        EXPECT_EQ(rig.RowAfterNext(), At(0, row));
    EXPECT_EQ(rig.RowAfterNext(), At(0, 60)) << "the loop goes back within the same pattern";
    for (int row = 61; row <= 63; ++row)
        EXPECT_EQ(rig.RowAfterNext(), At(0, row));
    EXPECT_EQ(rig.RowAfterNext(), At(1, 0));
    rig.player->SetPosition(At(1, 63));
    EXPECT_EQ(rig.RowAfterNext(), At(1, 63));
    EXPECT_EQ(rig.RowAfterNext(), At(2, 5)) << "the break leads to the next order, not the one after";
    rig.player->SetPosition(At(2, 63));
    EXPECT_EQ(rig.RowAfterNext(), At(2, 63));
    EXPECT_EQ(rig.RowAfterNext(), At(1, 0)) << "a jump on the song's last row still acts";
}

TEST(ModRows, BreaksAtSpeedOneEachAct) {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(64, 64);
    song.orders = {0, 1, 2};
    song.Effect(0, 0, 0, 15, 1);
    song.Effect(0, 1, 0, 13, 0x04);
    song.Effect(1, 5, 0, 13, 0x07);
    Rig rig(song);
    EXPECT_EQ(rig.RowAfterNext(), At(0, 1));
    EXPECT_EQ(rig.RowAfterNext(), At(1, 4));
    EXPECT_EQ(rig.RowAfterNext(), At(1, 5));
    EXPECT_EQ(rig.RowAfterNext(), At(2, 7));
}

TEST(ModRows, SpeedAndTempoCommands) {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(64, 64);
    song.orders = {0};
    song.Effect(0, 0, 0, 15, 0x7D);
    song.Effect(0, 1, 0, 15, 0x03);
    song.Effect(0, 2, 0, 15, 0x00);
    song.Effect(0, 3, 0, 15, 150);
    song.Effect(0, 4, 0, 14, 0xE2); // the row lasts three times
    Rig rig(song, 44100);
    rig.Frames(1);
    EXPECT_EQ(rig.NextRow(), 6 * 882);
    EXPECT_EQ(rig.NextRow(), 3 * 882);
    EXPECT_EQ(rig.player->Speed(), 3);
    EXPECT_EQ(rig.NextRow(), 3 * 882);
    EXPECT_EQ(rig.NextRow(), 3 * 735);
    EXPECT_EQ(rig.NextRow(), 9 * 735);
    rig.player->Reset();
    EXPECT_EQ(rig.player->SamplesPerTick(), 882);
    EXPECT_EQ(rig.player->Speed(), 6);
}

TEST(ModEffects, ArpeggioLeavesTheBasePeriodAlone) {
    auto song = OneNote(std::vector<signed char>(64, 10), 64);
    song.Effect(0, 0, 0, 0, 0x37);
    Rig rig(song);
    rig.Frames(1);
    EXPECT_EQ(rig.player->Channel(0).mixPeriod, 428);
    rig.NextRow();
    EXPECT_EQ(rig.player->Channel(0).period, 428);
    EXPECT_EQ(rig.player->Channel(0).mixPeriod, 428);
}

TEST(ModEffects, CutDelayAndRetrigger) {
    auto song = OneNote(std::vector<signed char>(4000, 10), 0);
    song.Effect(0, 0, 0, 14, 0xC2);
    Rig rig(song, 44100);
    rig.Frames(882 * 2);
    EXPECT_EQ(rig.player->Channel(0).mixVolume, 64);
    rig.Frames(1);
    EXPECT_EQ(rig.player->Channel(0).mixVolume, 0);

    auto delayed = OneNote(std::vector<signed char>(60000, 10), 0);
    delayed.Effect(0, 0, 0, 14, 0xD3);
    Rig delay(delayed, 44100);
    delay.Frames(882 * 3);
    EXPECT_GT(delay.player->Channel(0).position, 0u);
    delay.Frames(1);
    EXPECT_EQ(delay.player->Channel(0).position, delay.player->Channel(0).increment);
}

TEST(ModEffects, SampleOffsetPastTheEndSilencesTheNote) {
    auto song = OneNote(std::vector<signed char>(512, 10), 0);
    song.Effect(0, 0, 0, 9, 0x01);
    Rig rig(song);
    EXPECT_EQ(rig.Frames(1)[0].second, 10 * 128);
    EXPECT_EQ(rig.player->Channel(0).end, 256);
    song.Effect(0, 0, 0, 9, 0x02);
    Rig past(song);
    EXPECT_EQ(past.Frames(1)[0].second, 0);
}

TEST(ModGuards, ZeroRateAndZeroPeriodRenderWithoutFault) {
    auto song = OneNote(std::vector<signed char>(64, 10), 64);
    for (int row = 0; row < 64; ++row)
        song.Effect(0, row, 0, 1, 0xFF);
    Rig rig(song);
    bool more = false;
    for (int i = 0; i < 40; ++i)
        rig.Frames(1000, &more);
    EXPECT_TRUE(more);
    EXPECT_LE(rig.player->Channel(0).mixPeriod, 0);
    EXPECT_GT(rig.player->Channel(0).increment, 0u);

    rig.player->InitFreq(0);
    std::vector<BYTE> block(64, 0x11);
    EXPECT_TRUE(rig.player->Render(block.data(), DWORD(block.size()), 8, 2));
    EXPECT_EQ(block, std::vector<BYTE>(64, 0x80));
}

TEST(ModPosition, CountsRowsAndSeeksToARow) {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(64, 64);
    song.orders = {0, 0, 0};
    Rig rig(song);
    EXPECT_EQ(rig.player->Length(), 192u);
    EXPECT_EQ(rig.player->Position(), 0u);
    rig.player->SetPosition(At(1, 10));
    EXPECT_EQ(rig.RowAfterNext(), At(1, 10));
    rig.player->SetPosition(At(3, 0));
    bool more = true;
    rig.Frames(2000, &more);
    EXPECT_FALSE(more);
    EXPECT_EQ(rig.player->Position(), 191u);
}

TEST(ModPosition, EndsTheSongWithSilenceAfterTheLastRow) {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(64, 64);
    song.orders = {0};
    song.Note(0, 63, 0, 428, 1);
    Rig rig(song, 44100);
    rig.player->SetPosition(At(0, 63));
    std::vector<BYTE> block(6 * 882 * 4 + 400, 0x11);
    EXPECT_FALSE(rig.player->Render(block.data(), DWORD(block.size()), 16, 2));
    EXPECT_EQ(short(block[6] | block[7] << 8), 10 * 128 * 10) << "the last row sounds";
    EXPECT_TRUE(std::all_of(block.end() - 400, block.end(), [](BYTE b) { return b == 0; }));
    EXPECT_EQ(rig.player->Position(), 63u);
    rig.player->Reset();
    EXPECT_TRUE(rig.player->Render(block.data(), 64, 16, 2));
}
