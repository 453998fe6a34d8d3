#include "game/DrawPlans.h"

#include <gtest/gtest.h>

#include <set>

TEST(BackgroundDrawing, TilesByKindThenRemainsWithThePlayerOnTop) {
    std::vector<TMapCell> grid(3);
    grid[0].Kind = ckSolid;
    grid[1].Kind = ckScorched2;
    grid[1].Remains = {2, 0, 1};
    grid[1].DeadPlayer = 3;
    grid[2].Kind = ckBurning;
    auto plan = BackgroundPlan(grid, 3, 1, 2);
    ASSERT_EQ(plan.size(), 7u);
    EXPECT_EQ(plan[0].Source, (RECT{0, 64, 32, 96}));
    EXPECT_FALSE(plan[0].ColorKey);
    EXPECT_EQ(plan[1].Source, (RECT{12 * 32, 64, 13 * 32, 96}));
    EXPECT_EQ(plan[1].X, 32);
    EXPECT_EQ(plan[2].Sheet, tsMonsters);
    EXPECT_EQ(plan[2].Source, (RECT{11 * 32, 64, 12 * 32, 96}));
    EXPECT_EQ(plan[4].Source.top, 32);
    EXPECT_EQ(plan[5].Sheet, tsPlayers);
    EXPECT_EQ(plan[5].Source, (RECT{20 * 32, 96, 21 * 32, 128}));
    EXPECT_TRUE(plan[5].ColorKey);
    EXPECT_EQ(plan[6].Source.left, 10 * 32);
}

TEST(BackgroundDrawing, RemainsStopAtTheFirstEmptySlot) {
    std::vector<TMapCell> grid(1);
    grid[0].Remains = {1, -1, 2};
    EXPECT_EQ(BackgroundPlan(grid, 1, 1, 0).size(), 2u);
}

TEST(RoundScreen, LinesHeightAndNamesCutToTheirColumnForTheRankedPlayers) {
    std::array<TPlayerRecord, 4> records{};
    records[2].Wins = 2;
    records[0].Kills = 3;
    records[0].Suicide = 1;
    std::array<std::string, 4> names{"Ann", "Bob", "Cid", "Dee"};
    auto width = [](const std::string& s) { return static_cast<int>(s.size()) * 10; };
    TInfoPlan plan = InfoPlan(7, {2, 0}, names, records, 400, 20, 120, width);
    EXPECT_EQ(plan.Height, (20 + 10) * 2 + 90);
    ASSERT_EQ(plan.Texts.size(), 10u);
    EXPECT_EQ(plan.Texts[0].Text, "Round 7");
    EXPECT_EQ(plan.Texts[0].X, (400 - 90) / 2);
    EXPECT_EQ(plan.Texts[1].Text, "Cid");
    EXPECT_EQ(plan.Texts[1].Y, 45);
    EXPECT_EQ(plan.Texts[2].Text, "Wins: 2");
    EXPECT_EQ(plan.Texts[2].X, 190);
    EXPECT_EQ(plan.Texts[7].Text, "Kills: 3");
    EXPECT_EQ(plan.Texts[8].Text, "Suicide: 1");
    EXPECT_EQ(plan.Texts[8].X, 3 * 120 + 70);
    EXPECT_EQ(plan.Texts[8].Y, 85);
    EXPECT_EQ(plan.Texts[9].Text, "Press ENTER to continue");
    EXPECT_EQ(plan.Texts[9].Y, 20 + 80 + 20);
    ASSERT_EQ(plan.Icons.size(), 2u);
    EXPECT_EQ(plan.Icons[1], (std::pair<int, int>{0, 80}));
    // Lines taller than the 40-pixel rows move the rows apart.
    TInfoPlan tall = InfoPlan(7, {2, 0}, names, records, 400, 50, 120, width);
    EXPECT_EQ(tall.Texts[5].Y - tall.Texts[1].Y, 56);
    EXPECT_EQ(tall.Height, (50 + 10) * 2 + 2 * 56 + 10);
    // A name too wide for its column keeps whole characters and ends in an ellipsis: eight
    // bytes fit, as the column is 100 wide and two blanks take 20.
    names = {"Zed the Magrathean", "Zo\u00eb\u00eb\u00eb\u00eb", "Bob", "Dee"};
    TInfoPlan cut = InfoPlan(1, {0, 1, 2}, names, {}, 400, 20, 100, width);
    EXPECT_EQ(cut.Texts[1].Text + "|" + cut.Texts[5].Text + "|" + cut.Texts[9].Text,
              "Zed t...|Zo\u00eb...|Bob");
}

TEST(StatsOverlay, HelpLinesModeAndSpeed) {
    auto lines = StatsPlan(16, "Mode: 640x480 8 bpp", 42, 60);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].Text, "F1  - show this help");
    EXPECT_EQ(lines[3].Y, 3 * 16 + 10);
    EXPECT_EQ(lines[4].Y, 5 * 16 + 10);
    EXPECT_EQ(lines[5].Text, "42 sprites: 60 fps");
}

TEST(ScreenGlitch, SineTableAndBandsTenEntriesApartWhenStrong) {
    auto sine = MakeSineTable();
    EXPECT_EQ(sine[0], 0);
    EXPECT_EQ(sine[64], 19); // 20 * sin just short of a quarter turn, truncated
    EXPECT_EQ(sine[192], -19);
    auto weak = GlitchPlan(0, false, 640, 8, sine);
    // Rows 0, 2, 4, 6 use entries 0, 3, 6, 9; entry 0 copies nothing.
    ASSERT_EQ(weak.size(), 3u);
    EXPECT_EQ(weak[0].Source, (RECT{sine[3], 2, 640, 4}));
    EXPECT_EQ(weak[0].X, 0);
    auto strong = GlitchPlan(50, true, 640, 4, sine);
    // Phase 50 / 5 * 2 = 20, then 30.
    ASSERT_EQ(strong.size(), 2u);
    EXPECT_EQ(strong[0].Source.left, sine[20]);
    EXPECT_EQ(strong[1].Source.left, sine[30]);
    std::array<int, 256> negative{};
    negative.fill(-5);
    auto left = GlitchPlan(0, false, 100, 2, negative);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].Source, (RECT{0, 0, 95, 2}));
    EXPECT_EQ(left[0].X, 5);
}

// However wide the display, the picture changes once per title column in a turn: the
// display is drawn again only when the title has moved.
TEST(PausedTitle, ChangesOncePerTitleColumnAtEveryWidth) {
    for (int width : {320, 640, 1600, 1920}) {
        std::set<std::pair<int, int>> plans;
        for (DWORD tick = 0; tick < 0x8000; ++tick) {
            const auto plan = TitleScrollPlan(tick, width, 480, 0, 640, 480);
            plans.insert({int(plan[0].Dest.right), int(plan[0].Source.left)});
        }
        EXPECT_EQ(plans.size(), 640u) << width << " wide";
    }
}

TEST(PausedTitle, ScrollsRightAndWrapsEvery32768Milliseconds) {
    auto zero = TitleScrollPlan(0x8000, 640, 480, 0, 320, 240);
    EXPECT_EQ(zero[0].Dest, (RECT{0, 0, 0, 480}));
    EXPECT_EQ(zero[1].Dest, (RECT{0, 0, 640, 480}));
    EXPECT_EQ(zero[1].Source, (RECT{0, 0, 320, 240}));
    auto half = TitleScrollPlan(0x4000, 640, 480, 20, 320, 240);
    EXPECT_EQ(half[0].Dest, (RECT{0, 20, 320, 480}));
    EXPECT_EQ(half[0].Source, (RECT{160, 0, 320, 240}));
    EXPECT_EQ(half[1].Dest, (RECT{320, 20, 640, 480}));
    EXPECT_EQ(half[1].Source, (RECT{0, 0, 160, 240}));
}
