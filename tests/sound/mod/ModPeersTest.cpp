// The module player against two independent players: the order and row sequence, the frame
// each row starts at, the song length, and the periods and volumes tick by tick.
//
// Divergences kept on purpose (the player follows its own rules here):
// - samples per tick are whole output frames (rate / 50, or rate / (tempo * 24 / 60) with
//   that division truncated), so tempos that are no multiple of 5 drift; the tests use
//   tempos 125, 150 and 100 at 24000 Hz, where both agree to the frame;
// - periods come from the five-octave finetune table while the peers compute them from a
//   curve, so a period may differ by a few units; volumes agree exactly;
// - libopenmpt plays the tick of a tempo command at the old tempo (libxmp and this player at
//   the new one), so its rows shift by part of a tick at each tempo change;
// - vibrato and tremolo also sound on the first tick of a row (the peers rest there), so that
//   tick is not compared for them;
// - a break or jump out of the last order restarts the song at order 0, where the peers end
//   it; the test songs end by running off their last row.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>
#include <xmp.h>

#include <cmath>

#include "sound/ModLoader.h"
#include "sound/ModPlayer.h"
#include "tests/sound/mod/ModBuilder.h"

using namespace mod_test;

namespace {

constexpr int Rate = 24000;
constexpr long MaxFrames = 60L * Rate * 10; // ten minutes: a song that long has looped

struct RowStart {
    int order;
    int row;
    long frame;
    friend bool operator==(const RowStart&, const RowStart&) = default;
};

std::ostream& operator<<(std::ostream& out, const RowStart& r) {
    return out << "(" << r.order << "," << r.row << " @" << r.frame << ")";
}

struct Timeline {
    std::vector<RowStart> rows;
    long frames = 0;
};

Timeline OurTimeline(const std::vector<BYTE>& file) {
    TModModule module;
    EXPECT_TRUE(ModLoad(file.data(), file.size(), module));
    TModPlayer player(module);
    player.InitFreq(Rate);
    player.Reset();
    Timeline timeline;
    BYTE frame[4];
    DWORD last = 0xFFFFFFFF;
    while (player.Render(frame, sizeof frame, 16, 2) && timeline.frames < MaxFrames) {
        DWORD position = player.Position();
        if (position != last)
            timeline.rows.push_back({int(position / 64), int(position % 64), timeline.frames});
        last = position;
        ++timeline.frames;
    }
    return timeline;
}

Timeline XmpTimeline(const std::vector<BYTE>& file) {
    Timeline timeline;
    xmp_context context = xmp_create_context();
    if (xmp_load_module_from_memory(context, file.data(), long(file.size())) != 0) {
        ADD_FAILURE() << "libxmp refused the module";
        xmp_free_context(context);
        return timeline;
    }
    xmp_start_player(context, Rate, 0);
    xmp_set_player(context, XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
    xmp_frame_info info;
    std::pair<int, int> last{-1, -1};
    while (xmp_play_frame(context) == 0 && timeline.frames < MaxFrames) {
        xmp_get_frame_info(context, &info);
        if (info.loop_count > 0) break;
        if (std::pair(info.pos, info.row) != last)
            timeline.rows.push_back({info.pos, info.row, timeline.frames});
        last = {info.pos, info.row};
        timeline.frames += info.buffer_size / 4;
    }
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
    return timeline;
}

Timeline OpenmptTimeline(const std::vector<BYTE>& file) {
    Timeline timeline;
    openmpt_module* module = openmpt_module_create_from_memory2(file.data(), file.size(), nullptr, nullptr,
                                                                nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module) {
        ADD_FAILURE() << "libopenmpt refused the module";
        return timeline;
    }
    std::int16_t frame[2];
    std::pair<int, int> last{-1, -1};
    while (openmpt_module_read_interleaved_stereo(module, Rate, 1, frame) == 1 &&
           timeline.frames < MaxFrames) {
        std::pair<int, int> now{openmpt_module_get_current_order(module),
                                openmpt_module_get_current_row(module)};
        if (now != last) timeline.rows.push_back({now.first, now.second, timeline.frames});
        last = now;
        ++timeline.frames;
    }
    openmpt_module_destroy(module);
    // It ends on noticing the restart at order 0, a tick into it; the song ended where that began.
    if (timeline.rows.size() > 1 && timeline.rows.back().order == 0 && timeline.rows.back().row == 0) {
        timeline.frames = timeline.rows.back().frame;
        timeline.rows.pop_back();
    }
    return timeline;
}

// Row starts must agree in order and row; their frames within tolerance.
void ExpectSameTimeline(const Timeline& ours, const Timeline& peer, const char* name, long tolerance) {
    ASSERT_FALSE(peer.rows.empty()) << name;
    EXPECT_LE(std::abs(ours.frames - peer.frames), tolerance) << name << " song length in frames";
    ASSERT_EQ(ours.rows.size(), peer.rows.size()) << name;
    for (std::size_t i = 0; i < ours.rows.size(); ++i) {
        ASSERT_EQ(ours.rows[i].order, peer.rows[i].order) << name << " row start " << i;
        ASSERT_EQ(ours.rows[i].row, peer.rows[i].row) << name << " row start " << i;
        ASSERT_LE(std::abs(ours.rows[i].frame - peer.rows[i].frame), tolerance)
            << name << " row start " << i << ": " << ours.rows[i] << " against " << peer.rows[i];
    }
}

// A song that jumps and breaks, loops a pattern, delays one and changes speed and tempo,
// with a break on the last row of a pattern and two breaks at speed 1.
ModBuilder FlowSong() {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(2048, 48);
    song.orders = {0, 1, 2, 3, 4, 2, 5};
    song.Note(0, 0, 0, 428, 1, 15, 5);
    song.Note(0, 4, 1, 320, 1);
    song.Effect(0, 8, 2, 15, 150);
    song.Effect(0, 40, 3, 13, 0x10); // break to row 10 of the next order
    song.Effect(1, 10, 0, 15, 4);
    song.Effect(1, 12, 1, 14, 0x60); // loop start
    song.Effect(1, 15, 1, 14, 0x62); // loop twice
    song.Effect(1, 20, 2, 14, 0xE2); // pattern delay of two rows
    song.Effect(1, 63, 3, 13, 0x00); // break on the last row
    song.Effect(2, 0, 0, 15, 1);     // speed 1
    song.Effect(2, 2, 1, 13, 0x05);
    song.Effect(3, 7, 2, 13, 0x00); // a second break at speed 1
    song.Effect(4, 0, 0, 15, 3);
    song.Effect(4, 1, 0, 15, 100);
    song.Effect(4, 30, 0, 11, 6); // a jump forward over an order
    return song;
}

} // namespace

TEST(ModPeers, RowSequenceAndTimingMatchLibxmpAndLibopenmpt) {
    auto file = FlowSong().Build();
    Timeline ours = OurTimeline(file);
    ASSERT_GT(ours.rows.size(), 100u);
    ExpectSameTimeline(ours, XmpTimeline(file), "libxmp", 0);
    // libopenmpt plays the tick that holds a tempo command at the old tempo; the two tempo
    // changes of the song shift its rows by less than one tick.
    ExpectSameTimeline(ours, OpenmptTimeline(file), "libopenmpt", 600);
}

namespace {

// A song of effects, each on its own channel: vibrato, slides and a tone portamento, volume
// slides and tremolo, arpeggio with volume commands and a note cut.
ModBuilder EffectSong() {
    ModBuilder song;
    song.samples[0] = TestSample::Looped(4096, 40);
    song.samples[1] = TestSample::Looped(4096, 64, 3);
    song.orders = {0};
    song.Note(0, 0, 0, 428, 1, 4, 0x48);
    song.Effect(0, 1, 0, 4, 0x00);
    song.Effect(0, 2, 0, 4, 0x64);
    song.Note(0, 4, 0, 320, 1, 6, 0x02);
    song.Note(0, 0, 1, 320, 1, 1, 0x03);
    song.Effect(0, 2, 1, 2, 0x05);
    song.Note(0, 4, 1, 428, 1, 3, 0x08);
    song.Effect(0, 5, 1, 3, 0x00);
    song.Effect(0, 6, 1, 5, 0x20);
    song.Note(0, 0, 2, 254, 1, 10, 0x03);
    song.Effect(0, 2, 2, 7, 0x48);
    song.Effect(0, 3, 2, 7, 0x00);
    song.Effect(0, 5, 2, 10, 0x40);
    song.Note(0, 0, 3, 214, 2, 0, 0x37);
    song.Effect(0, 1, 3, 12, 0x20);
    song.Effect(0, 2, 3, 14, 0x12);
    song.Effect(0, 3, 3, 14, 0x24);
    song.Effect(0, 4, 3, 14, 0xA5);
    song.Effect(0, 5, 3, 14, 0xC3);
    return song;
}

struct TickState {
    int period[4];
    int volume[4];
};

} // namespace

TEST(ModPeers, PeriodsAndVolumesTickByTickMatchLibxmp) {
    auto file = EffectSong().Build();
    TModModule module;
    ASSERT_TRUE(ModLoad(file.data(), file.size(), module));
    TModPlayer player(module);
    player.InitFreq(Rate);
    player.Reset();

    xmp_context context = xmp_create_context();
    ASSERT_EQ(xmp_load_module_from_memory(context, file.data(), long(file.size())), 0);
    xmp_start_player(context, Rate, 0);
    std::vector<BYTE> block(std::size_t(player.SamplesPerTick()) * 4);
    xmp_frame_info info;
    for (int tick = 0; tick < 8 * 6; ++tick) {
        ASSERT_TRUE(player.Render(block.data(), DWORD(block.size()), 16, 2));
        ASSERT_EQ(xmp_play_frame(context), 0);
        xmp_get_frame_info(context, &info);
        for (int c = 0; c < 4; ++c) {
            const MOD_CHANNEL& ours = player.Channel(c);
            const xmp_event& event = info.channel_info[c].event;
            bool oscillator = event.fxt == 4 || event.fxt == 6 || event.fxt == 7;
            if (player.Tick() == 0 && oscillator) continue;
            double peerPeriod = info.channel_info[c].period / 4096.0;
            EXPECT_NEAR(ours.mixPeriod, peerPeriod, 2.0 + peerPeriod * 0.004)
                << "tick " << tick << " channel " << c;
            EXPECT_EQ(ours.mixVolume, info.channel_info[c].volume) << "tick " << tick << " channel " << c;
        }
    }
    xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
}
