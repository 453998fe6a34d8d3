#include "GameHarness.h"

#include <gtest/gtest.h>

#include <set>

using game_test::TTestGame;

namespace {

// Floor reachable from the playing players' corners without crossing wood or blocks.
std::set<int> reachableFloor(TTestGame& g) {
    std::set<int> seen;
    std::vector<int> todo;
    for (int n = 1; n <= 4; ++n) {
        TDDSprite* s = g.Player(n);
        if (s->Visible()) todo.push_back(s->GetY() / 32 * g.GridWidth + s->GetX() / 32);
    }
    while (!todo.empty()) {
        int i = todo.back();
        todo.pop_back();
        if (!seen.insert(i).second) continue;
        int x = i % g.GridWidth, y = i / g.GridWidth;
        for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) {
            TMapCell* c = g.Cell(x + dx, y + dy);
            if (c && c->Kind == ckFloor) todo.push_back((y + dy) * g.GridWidth + x + dx);
        }
    }
    return seen;
}

} // namespace

TEST(RoundLayout, RulesHoldOverManySeeds) {
    int roundsWithMonsters = 0;
    for (DWORD seed = 1; seed <= 60; ++seed) {
        TTestGame g(seed * 7919);
        g.Options.Playing = {true, seed % 2 == 0, true, seed % 3 == 0};
        g.StartMatch();
        int solids = 0, woods = 0;
        for (int y = 0; y < g.GridHeight; ++y) {
            for (int x = 0; x < g.GridWidth; ++x) {
                TMapCell& c = *g.Cell(x, y);
                solids += c.Kind == ckSolid;
                woods += c.Kind == ckWood;
                if (c.Kind == ckSolid) {
                    ASSERT_TRUE(x % 2 == 1 && y % 2 == 1) << x << "," << y;
                }
                if (c.Item) {
                    ASSERT_EQ(c.Kind, ckWood) << "bonus outside wood, seed " << seed;
                    ASSERT_FALSE(c.Item->Visible());
                }
            }
        }
        // (19, 1) and (19, 13) are turned into floor by the corners of players 4 and 3.
        EXPECT_EQ(solids, 68) << seed;
        for (auto [x, y] : {std::pair{0, 0},
                            {1, 0},
                            {0, 1},
                            {0, 14},
                            {1, 14},
                            {0, 13},
                            {19, 14},
                            {18, 14},
                            {19, 13},
                            {19, 0},
                            {18, 0},
                            {19, 1}})
            EXPECT_EQ(g.Cell(x, y)->Kind, ckFloor) << x << "," << y;

        int total = 45, m = std::min(total, woods), placed = 0;
        std::array<int, 13> byKind{};
        for (TMapCell& c : g.Grid)
            if (c.Item) {
                ++byKind[static_cast<std::size_t>(c.Item->Tag())];
                ++placed;
            }
        for (int k = 0; k < 13; ++k)
            EXPECT_EQ(byKind[static_cast<std::size_t>(k)],
                      g.Options.BonusCount[static_cast<std::size_t>(k)] * m / total);

        std::set<int> reachable = reachableFloor(g);
        for (int i = 0; i < g.MonsterList.Count(); ++i) {
            TDDSprite* mon = g.MonsterList[i];
            int index = mon->GetY() / 32 * g.GridWidth + mon->GetX() / 32;
            EXPECT_EQ(g.Grid[static_cast<std::size_t>(index)].Kind, ckFloor);
            EXPECT_EQ(reachable.count(index), 0u) << "monster in reach of a player, seed " << seed;
        }
        EXPECT_TRUE(g.MonsterList.Count() == 0 || g.MonsterList.Count() == 10);
        roundsWithMonsters += g.MonsterList.Count() > 0;
    }
    EXPECT_GT(roundsWithMonsters, 30);
}

TEST(RoundLayout, SpriteOrderPlayersFirstThenMonstersThenItems) {
    TTestGame g(4242);
    g.Options.Playing = {true, true, true, true};
    g.StartMatch();
    ASSERT_GE(g.SpriteList.Count(), 4);
    EXPECT_EQ(g.SpriteList[0], g.Player(4));
    EXPECT_EQ(g.SpriteList[3], g.Player(1));
    int i = 4;
    for (; i < g.SpriteList.Count() && g.SpriteList[i]->UserKind == skMonster; ++i) {
    }
    EXPECT_EQ(i - 4, g.MonsterList.Count());
    for (; i < g.SpriteList.Count(); ++i)
        EXPECT_EQ(g.SpriteList[i]->UserKind, skBonus);
}

TEST(RoundLayout, NoPocketMeansNoMonsters) {
    TTestGame g;
    g.GridWidth = 3;
    g.GridHeight = 3;
    g.Options.Playing = {true, true, true, true};
    g.StartMatch();
    EXPECT_EQ(g.MonsterList.Count(), 0);
    EXPECT_EQ(g.Cell(1, 1)->Kind, ckSolid);
}

TEST(RoundLayout, MonsterCountZeroPlacesNone) {
    TTestGame g;
    g.Options.Monsters = 0;
    g.StartMatch();
    EXPECT_EQ(g.MonsterList.Count(), 0);
    EXPECT_EQ(g.CountKind(skMonster), 0);
}

TEST(RoundLayout, NoBonusCountsPlaceNoBonus) {
    TTestGame g;
    g.Options.BonusCount.fill(0);
    g.StartMatch();
    EXPECT_EQ(g.CountKind(skBonus), 0);
}

TEST(RoundLayout, ThemeRandomOrChosen) {
    TTestGame g;
    g.Options.ThemeIndex = 0;
    g.StartMatch();
    EXPECT_EQ(g.ThemeChanges, 1);
    EXPECT_GE(g.ThemeRow, 0);
    EXPECT_LT(g.ThemeRow, 4);
    g.Options.ThemeIndex = 3;
    g.NewRound();
    EXPECT_EQ(g.ThemeRow, 2);
    EXPECT_EQ(g.ThemeChanges, 2);
    g.NewRound();
    EXPECT_EQ(g.ThemeChanges, 2);
}

TEST(RoundLayout, NewRoundResetsPlayersAndKeepsScores) {
    TTestGame g;
    g.StartMatch();
    g.Players[0].Wins = 3;
    g.Players[0].Power = 7;
    g.Players[0].WoodClip = true;
    g.Player(1)->SetTag(1 | TagLeft | TagBombKey);
    g.Player(1)->FirstFrameY = 160;
    g.NewRound();
    EXPECT_EQ(g.Players[0].Wins, 3);
    EXPECT_EQ(g.Players[0].Power, 1);
    EXPECT_FALSE(g.Players[0].WoodClip);
    EXPECT_EQ(g.Player(1)->Tag(), 1);
    EXPECT_EQ(g.Player(1)->FirstFrameY, 0u);
    EXPECT_EQ(g.Player(1)->Start, 15u);
    EXPECT_EQ(g.Player(3)->GetX(), 19 * 32);
    EXPECT_EQ(g.Player(3)->GetY(), 14 * 32);
    EXPECT_FALSE(g.Player(2)->Visible());
    EXPECT_TRUE(g.GameRunning);
    EXPECT_EQ(g.Tracks, 2);
}

TEST(RoundLayout, NewRoundStopsTheRoundEnd) {
    TTestGame g;
    g.Start();
    g.StartTimer(gtGameOver);
    g.MenuStartClick(); // stop
    g.MenuStartClick(); // and start again
    EXPECT_FALSE(g.Timers[gtGameOver].enabled);
    g.Frames(400);
    EXPECT_EQ(g.Round, 1);
    EXPECT_TRUE(g.GameRunning);
}

TEST(CellSprite, FactoryGivesAThirtyTwoPixelSpriteOnTheCell) {
    TTestGame g;
    TDDSprite* s = g.CreateCellSprite(3, 4, 5);
    EXPECT_EQ(s->GetX(), 96);
    EXPECT_EQ(s->GetY(), 128);
    EXPECT_EQ(s->Stop, 4u);
    EXPECT_EQ(s->FramesPerLine, 5u);
    EXPECT_EQ(s->Interval, 150u);
    EXPECT_EQ(s->LimMovX2, 640);
    EXPECT_EQ(s->LimMovY2, 480);
    EXPECT_EQ(g.SpriteList.IndexOf(s), -1);
    delete s;
}
